      * Ledger entry kept with an editor that ignores column 72: some
      * entries end in columns 73 to 80.
        01  LEDGER-REC.
            05  LED-ACCOUNT                                    PIC X(10).
            05  LED-AMOUNT          PIC S9(9)V99 COMP-3.
            05  LED-CURRENCY                                       PIC X(3).
            05  LED-POSTED                                             PIC 9(8).
