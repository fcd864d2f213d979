      * Customer record of a small retail bank: 80 bytes, ASCII.
      * Read by the self-test (lyra_test) and by host_example.cpp.
       01  CUSTOMER-RECORD.
           05  CUST-ID                 PIC 9(6).
           05  CUST-NAME               PIC X(24).
           05  CUST-TYPE               PIC X.
               88  CUST-PERSONAL       VALUE 'P'.
               88  CUST-BUSINESS       VALUE 'B'.
           05  CUST-OPENED.
               10  CUST-OPENED-YEAR    PIC 9(4).
               10  CUST-OPENED-MONTH   PIC 99.
               10  CUST-OPENED-DAY     PIC 99.
           05  CUST-OPENED-DATE REDEFINES CUST-OPENED
                                       PIC 9(8).
           05  CUST-BALANCE            PIC S9(9)V99 COMP-3.
           05  CUST-CREDIT-LIMIT       PIC 9(7) COMP.
           05  CUST-RISK-SCORE         PIC S9(3)
                                       SIGN IS LEADING SEPARATE.
           05  CUST-PHONE              PIC X(12) OCCURS 2 TIMES.
           05  FILLER                  PIC X(3).
