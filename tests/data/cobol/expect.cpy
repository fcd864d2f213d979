      * Working items for the expected-value subprograms (support.cob).
       01  EXP-REC-NO              PIC 9(6)  EXTERNAL.
       01  EXP-NUM                 PIC S9(20)V9(6).
       01  EXP-SUF                 PIC 9(4).
       01  OUT-NAME                PIC X(256).
       01  OUT-LEN                 PIC 9(6).
