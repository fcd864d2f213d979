      * Monthly payroll extract from a mainframe: EBCDIC (code page
      * 037), a 20-byte file header, then fixed 64-byte records.
       01  PAYROLL-RECORD.
           05  PR-EMPLOYEE-ID          PIC 9(6).
           05  PR-NAME                 PIC X(20).
           05  PR-DEPARTMENT           PIC X(4).
           05  PR-GRADE                PIC 9(2) COMP.
           05  PR-MONTHLY-SALARY       PIC S9(7)V99 COMP-3.
           05  PR-HOURS-WORKED         PIC S9(3)V9 BINARY.
           05  PR-BONUS                PIC S9(5)V99.
           05  PR-TAX-CODE             PIC X(5).
           05  PR-HIRE-DATE            PIC 9(8).
           05  FILLER                  PIC X(5).
