      * Writes payroll.dat as a mainframe would: a 20-byte file header,
      * then one 64-byte record per employee, every display field in
      * EBCDIC (code page 037); binary and packed fields as they are.
      * Build with -fsign=EBCDIC, so that the embedded sign of PR-BONUS
      * is an overpunch letter, which becomes zone C or D in EBCDIC.
      * Usage: payroll <output file>
       IDENTIFICATION DIVISION.
       PROGRAM-ID. PAYROLL.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "payroll.cbl".
       COPY "rawfile.cpy".
       01  FILE-HEADER.
           05  FH-TITLE                PIC X(16)
                                       VALUE "PAYROLL EXTRACT".
           05  FH-RECORD-COUNT         PIC 9(4) VALUE 4.
      * The characters the records use, and their code page 037 bytes.
       01  ASCII-CHARS                 PIC X(43) VALUE
           " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ{}'-" & X"C9CD".
       01  EBCDIC-CHARS                PIC X(43) VALUE
           X"40F0F1F2F3F4F5F6F7F8F9"
         & X"C1C2C3C4C5C6C7C8C9D1D2D3D4D5D6D7D8D9"
         & X"E2E3E4E5E6E7E8E9C0D07D607175".
       PROCEDURE DIVISION.
           ACCEPT RAW-NAME FROM ARGUMENT-VALUE
           PERFORM RAW-OPEN
           INSPECT FILE-HEADER CONVERTING ASCII-CHARS TO EBCDIC-CHARS
           MOVE LENGTH OF FILE-HEADER TO RAW-COUNT
           CALL "CBL_WRITE_FILE" USING RAW-HANDLE RAW-OFFSET
                RAW-COUNT RAW-FLAGS FILE-HEADER
           ADD RAW-COUNT TO RAW-OFFSET

           MOVE 100231 TO PR-EMPLOYEE-ID
           MOVE SPACES TO PR-NAME
           STRING "REN" X"C9" "E DUBOIS" DELIMITED BY SIZE INTO PR-NAME
           MOVE "FIN" TO PR-DEPARTMENT
           MOVE 7 TO PR-GRADE
           MOVE 4250.00 TO PR-MONTHLY-SALARY
           MOVE 162.5 TO PR-HOURS-WORKED
           MOVE 350.00 TO PR-BONUS
           MOVE "1257L" TO PR-TAX-CODE
           MOVE 20150401 TO PR-HIRE-DATE
           PERFORM PUT-EMPLOYEE

           MOVE 100457 TO PR-EMPLOYEE-ID
           MOVE "JAMES O'BRIEN" TO PR-NAME
           MOVE "OPS" TO PR-DEPARTMENT
           MOVE 4 TO PR-GRADE
           MOVE 2890.50 TO PR-MONTHLY-SALARY
           MOVE 170.0 TO PR-HOURS-WORKED
           MOVE -125.75 TO PR-BONUS
           MOVE "BR" TO PR-TAX-CODE
           MOVE 20190915 TO PR-HIRE-DATE
           PERFORM PUT-EMPLOYEE

           MOVE 100982 TO PR-EMPLOYEE-ID
           MOVE SPACES TO PR-NAME
           STRING "ANA GARC" X"CD" "A" DELIMITED BY SIZE INTO PR-NAME
           MOVE "IT" TO PR-DEPARTMENT
           MOVE 9 TO PR-GRADE
           MOVE 5120.00 TO PR-MONTHLY-SALARY
           MOVE 151.0 TO PR-HOURS-WORKED
           MOVE 0 TO PR-BONUS
           MOVE "1257L" TO PR-TAX-CODE
           MOVE 20210104 TO PR-HIRE-DATE
           PERFORM PUT-EMPLOYEE

           MOVE 101340 TO PR-EMPLOYEE-ID
           MOVE "LI WEI" TO PR-NAME
           MOVE "OPS" TO PR-DEPARTMENT
           MOVE 3 TO PR-GRADE
           MOVE 2100.00 TO PR-MONTHLY-SALARY
           MOVE 184.5 TO PR-HOURS-WORKED
           MOVE 75.00 TO PR-BONUS
           MOVE "K475" TO PR-TAX-CODE
           MOVE 20230612 TO PR-HIRE-DATE
           PERFORM PUT-EMPLOYEE

           PERFORM RAW-CLOSE
           STOP RUN.

       PUT-EMPLOYEE.
      * Bytes 1-30 (number, name, department) and 40-64 (bonus, tax
      * code, hire date, filler) are display text; 31-39 are binary
      * and packed. The record is converted as text, so that the sign
      * letter of PR-BONUS is converted like any other character.
           MOVE SPACES TO PAYROLL-RECORD(60:5)
           INSPECT PAYROLL-RECORD(1:30) CONVERTING ASCII-CHARS
               TO EBCDIC-CHARS
           INSPECT PAYROLL-RECORD(40:25) CONVERTING ASCII-CHARS
               TO EBCDIC-CHARS
           MOVE LENGTH OF PAYROLL-RECORD TO RAW-COUNT
           CALL "CBL_WRITE_FILE" USING RAW-HANDLE RAW-OFFSET
                RAW-COUNT RAW-FLAGS PAYROLL-RECORD
           ADD RAW-COUNT TO RAW-OFFSET.

       COPY "rawproc.cpy".
