      *----------------------------------------------------------------
      * HACCT - BANK STATEMENT FILE: ACCOUNT RECORD ('A'), A CHILD OF
      * THE CUSTOMER BEFORE IT; ITS 'T' TRANSACTIONS FOLLOW IT. A TABLE
      * OF LIMITS IN A GROUP, AND UP TO FOUR QUARTERS, EACH WITH A
      * GROUP OF PACKED FLOWS.
      *----------------------------------------------------------------
       01  HA-ACCOUNT.
           05  HA-REC-TYPE              PIC X         VALUE 'A'.
           05  HA-ACCT-NO               PIC 9(8).
           05  HA-KIND                  PIC XX.
           05  HA-BALANCE               PIC S9(7)V99  COMP-3.
           05  HA-LIMITS.
               10  HA-LIMIT             OCCURS 2 TIMES.
                   15  HA-LIMIT-CODE    PIC X.
                   15  HA-LIMIT-AMT     PIC S9(5)V99.
           05  HA-QUARTER-COUNT         PIC 9.
           05  HA-QUARTER               OCCURS 0 TO 4 TIMES
                                        DEPENDING ON HA-QUARTER-COUNT.
               10  HA-Q-NO              PIC 9.
               10  HA-Q-FLOWS.
                   15  HA-Q-IN          PIC S9(5)V99  COMP-3.
                   15  HA-Q-OUT         PIC S9(5)V99  COMP-3.
