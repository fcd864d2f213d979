       01  EXTRACT-LINE.
           05  EX-CODE     PIC X(2).
           05  EX-AMOUNT   PIC 9(3).
