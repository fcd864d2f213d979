*CBL XREF,MAP
      * Policy record with the listing statements a mainframe
      * compiler prints, between its entries.
       CBL TRUNC(BIN)
        01  POLICY-REC.
            05  POL-NUMBER          PIC X(10).
       EJECT
            05  POL-HOLDER          PIC X(30).
       SKIP2
            05  POL-PREMIUM         PIC S9(7)V99 COMP-3.
       SKIP1.
       TITLE 'POLICY DATES'.
            05  POL-START           PIC 9(8).
            05  POL-END             PIC 9(8).
       SKIP3
