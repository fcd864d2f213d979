      *----------------------------------------------------------------
      * TXNREC - POSTED CARD TRANSACTION, FIXED LENGTH 200 BYTES.
      * DISPLAY TEXT IS ASCII; AMOUNTS PACKED, COUNTERS BINARY, THE
      * RUNNING BALANCE ZONED WITH AN EMBEDDED TRAILING SIGN.
      *----------------------------------------------------------------
       01  TXN-RECORD.
           05  TXN-ID                  PIC X(12).
           05  ACCOUNT-ID              PIC X(10).
           05  CUSTOMER-NAME           PIC X(30).
           05  MERCHANT-NAME           PIC X(25).
           05  CURRENCY-CODE           PIC X(3).
           05  POSTING-DATE            PIC 9(8).
           05  TXN-AMOUNT              PIC S9(9)V99 COMP-3.
           05  BRANCH-CODE             PIC S9(4)    COMP.
           05  SEQUENCE-NO             PIC S9(9)    COMP.
           05  RUNNING-BALANCE         PIC S9(7)V99.
           05  FEE-LINE                OCCURS 5 TIMES.
               10  FEE-CODE            PIC X(2).
               10  FEE-AMOUNT          PIC S9(5)V99 COMP-3.
           05  FILLER                  PIC X(61).
