      *----------------------------------------------------------------
      * CUSTADDR - CUSTOMER NAME AND ADDRESS EXTRACT, FIXED LENGTH
      * 200 BYTES, ALL DISPLAY (ASCII TEXT AND UNSIGNED DIGITS).
      *----------------------------------------------------------------
       01  CUSTOMER-ADDRESS.
           05  CUST-ID                 PIC 9(10).
           05  RECORD-TYPE             PIC X.
           05  LAST-NAME               PIC X(20).
           05  FIRST-NAME              PIC X(15).
           05  MIDDLE-INIT             PIC X.
           05  STREET                  PIC X(30).
           05  CITY                    PIC X(20).
           05  STATE-CODE              PIC X(2).
           05  ZIP-CODE                PIC 9(5).
           05  ZIP-PLUS4               PIC 9(4).
           05  PHONE                   PIC 9(10).
           05  EMAIL                   PIC X(40).
           05  BIRTH-DATE              PIC 9(8).
           05  OPEN-DATE               PIC 9(8).
           05  BRANCH                  PIC 9(4).
           05  CUST-SEGMENT            PIC X(2).
           05  CREDIT-SCORE            PIC 9(3).
           05  BALANCE                 PIC 9(9)V99.
           05  ACCOUNT-STATUS          PIC X.
           05  FILLER                  PIC X(5).
