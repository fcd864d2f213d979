      * Order file, trailer record (type OT): the last record of each
      * order, with its line count and total. 18 bytes.
       01  ORDER-TRAILER.
           05  OT-RECORD-TYPE          PIC XX.
           05  OT-ORDER-ID             PIC 9(8).
           05  OT-LINE-COUNT           PIC 9(4) COMP.
           05  OT-ORDER-TOTAL          PIC S9(9)V99 COMP-3.
