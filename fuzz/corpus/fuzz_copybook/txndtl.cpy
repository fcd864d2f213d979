      *----------------------------------------------------------------
      * TXNDTL - CARD SETTLEMENT BATCH: DETAIL RECORD ('DT')
      * THE PRINT FIELDS HOLD THE AMOUNTS AS EDITED FOR THE
      * MERCHANT STATEMENT.
      *----------------------------------------------------------------
       01  TXN-DETAIL-REC.
           05  DT-REC-TYPE              PIC XX        VALUE 'DT'.
           05  DT-SEQ-NO                PIC 9(5).
           05  DT-CARD-NUMBER           PIC X(16).
           05  DT-TXN-TIMESTAMP.
               10  DT-TXN-DATE          PIC 9(8).
               10  DT-TXN-TIME          PIC 9(6).
           05  DT-TXN-TYPE              PIC X.
               88  DT-SALE                            VALUE 'S'.
               88  DT-REFUND                          VALUES 'R' 'V'.
           05  DT-AMOUNT                PIC S9(7)V99
                                        SIGN TRAILING SEPARATE.
           05  DT-TIP                   PIC S9(3)V99.
           05  DT-FEE                   PIC S9(3)V99  COMPUTATIONAL-3.
           05  DT-AUTH-CODE             PIC X(6).
           05  DT-MCC                   PIC 9(4)      BINARY.
           05  DT-PRINT-FIELDS.
               10  DT-AMOUNT-ED         PIC ZZZ,ZZ9.99-.
               10  DT-FEE-ED            PIC $$$9.99CR.
               10  DT-POINTS-ED         PIC 9(3)DB.
               10  DT-ITEMS-ED          PIC -ZZZ9.
           05  DT-MERCHANT-NAME         PIC X(22).
