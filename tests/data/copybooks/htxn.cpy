      *----------------------------------------------------------------
      * HTXN - BANK STATEMENT FILE: TRANSACTION RECORD ('T'), A CHILD
      * OF THE ACCOUNT BEFORE IT.
      *----------------------------------------------------------------
       01  HT-TRANSACTION.
           05  HT-REC-TYPE              PIC X         VALUE 'T'.
           05  HT-DATE.
               10  HT-YEAR              PIC 9(4).
               10  HT-MONTH             PIC 99.
               10  HT-DAY               PIC 99.
           05  HT-AMOUNT                PIC S9(7)V99
                                        SIGN LEADING SEPARATE.
           05  HT-MEMO                  PIC X(12).
