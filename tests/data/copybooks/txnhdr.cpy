      *----------------------------------------------------------------
      * TXNHDR - CARD SETTLEMENT BATCH: HEADER RECORD ('HD')
      * ONE PER BATCH, FOLLOWED BY 'DT' DETAILS AND ONE 'TR' TRAILER.
      *----------------------------------------------------------------
       01  TXN-HEADER-REC.
           05  HD-REC-TYPE              PIC XX        VALUE 'HD'.
           05  HD-BATCH-ID              PIC 9(6).
           05  HD-BATCH-DATE            PIC 9(8).
           05  HD-SOURCE-SYSTEM         PIC X(8).
               88  HD-FROM-POS                        VALUE 'POSNET01'.
               88  HD-FROM-WEB                        VALUES 'WEBPAY01'
                                                             'WEBPAY02'.
           05  HD-CURRENCY              PIC X(3).
           05  HD-EXPECTED-COUNT        PIC 9(5)      COMP.
           05  HD-DESCRIPTION           PIC X(30).
