       01  LEDGER.
       * the account, then the amounts
           05  LED-ACCOUNT         PIC X(10).
           COPY AMOUNTS.
@@ AMOUNTS.cpy
>>SOURCE FORMAT FREE
05 LED-AMOUNT PIC S9(9)V99 COMP-3. *> signed
05 LED-CURRENCY PIC X(5) VALUE "EUR".
>>SOURCE FORMAT FIXED
       EJECT
           05  LED-POSTED          PIC 9(8).
           05  LED-FLAG            PIC X.
               88  LED-OPEN        VALUE "O".
