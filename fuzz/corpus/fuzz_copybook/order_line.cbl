      * Order file, line record (type OL): one per article ordered or
      * returned (negative quantity). 69 bytes.
       01  ORDER-LINE.
           05  OL-RECORD-TYPE          PIC XX.
           05  OL-ORDER-ID             PIC 9(8).
           05  OL-LINE-NO              PIC 9(3).
           05  OL-SKU                  PIC X(10).
           05  OL-DESCRIPTION          PIC X(24).
           05  OL-QUANTITY             PIC S9(5).
           05  OL-UNIT-PRICE           PIC S9(5)V99 COMP-3.
           05  OL-DISCOUNT-PCT         PIC 99V9.
           05  OL-AMOUNT               PIC S9(7)V99
                                       SIGN IS LEADING SEPARATE.
