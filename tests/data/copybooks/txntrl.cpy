      *----------------------------------------------------------------
      * TXNTRL - CARD SETTLEMENT BATCH: TRAILER RECORD ('TR')
      * TOTALS ARE CONTROL TOTALS OVER THE BATCH'S DETAIL RECORDS.
      *----------------------------------------------------------------
       01  TXN-TRAILER-REC.
           05  TR-REC-TYPE              PIC XX        VALUE 'TR'.
           05  TR-BATCH-ID              PIC 9(6).
           05  TR-RECORD-COUNT          PIC 9(7)      COMP-4.
           05  TR-TOTAL-AMOUNT          PIC S9(13)V99 COMP-3.
           05  TR-TOTAL-FEES            PIC S9(9)V99
                                        SIGN IS TRAILING SEPARATE.
           05  TR-HASH-TOTAL            PIC S9(18)    COMP.
           05  TR-STATUS                PIC X.
               88  TR-BALANCED                        VALUE 'B'.
               88  TR-OUT-OF-BALANCE                  VALUE 'O'.
           05  FILLER                   PIC X(4)      VALUE SPACES.
