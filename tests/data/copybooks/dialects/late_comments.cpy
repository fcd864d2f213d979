      * Order line as an editor saved it: its comment lines have the
      * asterisk a column or more past the indicator column.
       01  ORDER-LINE.
       * the item ordered
           05  OL-ITEM             PIC X(10).
          *  quantity, a mark and the price
           05  OL-QTY              PIC 9(4) VALUE 0.
           05  OL-MARK             PIC X VALUE '*'.
           05  OL-PRICE            PIC **,**9.99.
