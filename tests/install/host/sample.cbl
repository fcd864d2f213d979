      * A small customer record for the installed-package test.
       01  CUSTOMER-RECORD.
           05  CUST-ID             PIC X(8).
           05  CUST-BALANCE        PIC S9(7)V99 COMP-3.
           05  CUST-PHONE          PIC X(10) OCCURS 2 TIMES.
