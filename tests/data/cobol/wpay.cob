      *================================================================
      * WPAY - writes the payroll test file.
      *
      * Usage: wpay <output file>
      * Writes 10 PAYROLL records of 138 bytes each, back to back, and
      * prints the expected value of every column. The record is
      * display only (text, unsigned and signed display numbers, an
      * edited net amount), so the same bytes can be written as text
      * lines. Record 4 has blank remarks and record 7 remarks shorter
      * than the field: their lines may drop the trailing blanks.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WPAY.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "payroll.cpy".
       COPY "expect.cpy".
       01  K                       PIC 9.
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 10
               PERFORM BUILD-RECORD
               MOVE LENGTH OF PAY-RECORD TO OUT-LEN
               CALL "RAWPUT" USING "1" OUT-LEN PAY-RECORD
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       BUILD-RECORD.
           MOVE SPACES TO PAY-RECORD
           MOVE 20240315 TO PAY-PERIOD-END
           MOVE 'A' TO PAY-STATUS
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > 3
               MOVE 0 TO DED-AMOUNT(K)
           END-PERFORM
           EVALUATE EXP-REC-NO
           WHEN 1
               MOVE 100101 TO PAY-EMP-ID  MOVE "GARCIA" TO PAY-LAST-NAME
               MOVE "MARIA" TO PAY-FIRST-NAME  MOVE "D100" TO PAY-DEPT
               MOVE 80 TO PAY-HOURS  MOVE 32.5 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE 520 TO PAY-TAX
               MOVE "HL" TO DED-CODE(1)  MOVE 145.20 TO DED-AMOUNT(1)
               MOVE "RT" TO DED-CODE(2)  MOVE 130 TO DED-AMOUNT(2)
               MOVE "UN" TO DED-CODE(3)  MOVE 25 TO DED-AMOUNT(3)
               MOVE 15600 TO PAY-YTD-GROSS
               MOVE "DIRECT DEPOSIT" TO PAY-REMARKS
           WHEN 2
               MOVE 100102 TO PAY-EMP-ID
               MOVE "O'BRIEN" TO PAY-LAST-NAME
               MOVE "SEAN" TO PAY-FIRST-NAME  MOVE "D100" TO PAY-DEPT
               MOVE 86.5 TO PAY-HOURS  MOVE 28.75 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE 497.38 TO PAY-TAX
               MOVE "HL" TO DED-CODE(1)  MOVE 145.20 TO DED-AMOUNT(1)
               MOVE "RT" TO DED-CODE(2)  MOVE 99.48 TO DED-AMOUNT(2)
               MOVE 14921.25 TO PAY-YTD-GROSS
               MOVE "OVERTIME 6.5 HRS" TO PAY-REMARKS
           WHEN 3
               MOVE 100233 TO PAY-EMP-ID
               MOVE "NAKAMURA-ELLIS" TO PAY-LAST-NAME
               MOVE "KATHERINE" TO PAY-FIRST-NAME
               MOVE "D210" TO PAY-DEPT
               MOVE 80 TO PAY-HOURS  MOVE 61.0577 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE 1465.38 TO PAY-TAX
               MOVE "HL" TO DED-CODE(1)  MOVE 210 TO DED-AMOUNT(1)
               MOVE "RT" TO DED-CODE(2)  MOVE 366.35 TO DED-AMOUNT(2)
               MOVE "SP" TO DED-CODE(3)  MOVE 50 TO DED-AMOUNT(3)
               MOVE 29307.70 TO PAY-YTD-GROSS
               MOVE "MANAGER" TO PAY-REMARKS
           WHEN 4
      *        A reversal of an earlier period: negative gross, tax and
      *        refund; blank remarks.
               MOVE 100234 TO PAY-EMP-ID  MOVE "LI" TO PAY-LAST-NAME
               MOVE "WEI" TO PAY-FIRST-NAME  MOVE "D210" TO PAY-DEPT
               MOVE 0 TO PAY-HOURS  MOVE 45 TO PAY-RATE
               MOVE -1200 TO PAY-GROSS  MOVE -240 TO PAY-TAX
               MOVE "RB" TO DED-CODE(1)  MOVE -120 TO DED-AMOUNT(1)
               MOVE 8400 TO PAY-YTD-GROSS
               MOVE 'S' TO PAY-STATUS
           WHEN 5
               MOVE 100310 TO PAY-EMP-ID
               MOVE "SCHMIDT" TO PAY-LAST-NAME
               MOVE "JOHANNES" TO PAY-FIRST-NAME
               MOVE "D300" TO PAY-DEPT
               MOVE 40 TO PAY-HOURS  MOVE 18.25 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE 0 TO PAY-TAX
               MOVE 730 TO PAY-YTD-GROSS
               MOVE "NEW HIRE" TO PAY-REMARKS
           WHEN 6
      *        Largest values; the last name is cut to its field.
               MOVE 100311 TO PAY-EMP-ID
               MOVE "DUBOIS-LAFONTAINE" TO PAY-LAST-NAME
               MOVE "CLAIRE" TO PAY-FIRST-NAME  MOVE "D300" TO PAY-DEPT
               MOVE 999.99 TO PAY-HOURS  MOVE 999.9999 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE 99999.99 TO PAY-TAX
               MOVE "HL" TO DED-CODE(1)  MOVE 9999.99 TO DED-AMOUNT(1)
               MOVE "RT" TO DED-CODE(2)  MOVE 9999.99 TO DED-AMOUNT(2)
               MOVE "UN" TO DED-CODE(3)  MOVE 9999.99 TO DED-AMOUNT(3)
               MOVE 9999999.99 TO PAY-YTD-GROSS
               MOVE "BONUS PERIOD" TO PAY-REMARKS
           WHEN 7
               MOVE 100420 TO PAY-EMP-ID  MOVE "OKAFOR" TO PAY-LAST-NAME
               MOVE "CHINEDU" TO PAY-FIRST-NAME  MOVE "D420" TO PAY-DEPT
               MOVE 0 TO PAY-HOURS  MOVE 0 TO PAY-RATE
               MOVE 0 TO PAY-GROSS  MOVE 0 TO PAY-TAX
               MOVE 4500 TO PAY-YTD-GROSS
               MOVE 'L' TO PAY-STATUS
               MOVE "ON LEAVE TO 0415" TO PAY-REMARKS
           WHEN 8
               MOVE 100421 TO PAY-EMP-ID
               MOVE "ANDERSSON" TO PAY-LAST-NAME
               MOVE "BJORN" TO PAY-FIRST-NAME  MOVE "D420" TO PAY-DEPT
               MOVE 75.25 TO PAY-HOURS  MOVE 40.1 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE 603.51 TO PAY-TAX
               MOVE "HL" TO DED-CODE(1)  MOVE 145.20 TO DED-AMOUNT(1)
               MOVE "RT" TO DED-CODE(2)  MOVE 150.90 TO DED-AMOUNT(2)
               MOVE "UN" TO DED-CODE(3)  MOVE 25 TO DED-AMOUNT(3)
               MOVE 21877.64 TO PAY-YTD-GROSS
               MOVE "TRANSFER FROM D100" TO PAY-REMARKS
           WHEN 9
      *        A tax refund and a deduction paid back; the year to date
      *        below zero after an overpayment was recovered.
               MOVE 100500 TO PAY-EMP-ID  MOVE "PATEL" TO PAY-LAST-NAME
               MOVE "PRIYA" TO PAY-FIRST-NAME  MOVE "D500" TO PAY-DEPT
               MOVE 80 TO PAY-HOURS  MOVE 50 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE -45.10 TO PAY-TAX
               MOVE "RB" TO DED-CODE(1)  MOVE -300 TO DED-AMOUNT(1)
               MOVE "HL" TO DED-CODE(2)  MOVE 145.20 TO DED-AMOUNT(2)
               MOVE -1250.37 TO PAY-YTD-GROSS
               MOVE "RECOVERY PLAN 3 OF 6" TO PAY-REMARKS
           WHEN OTHER
      *        Smallest amounts.
               MOVE 100501 TO PAY-EMP-ID  MOVE "ZHANG" TO PAY-LAST-NAME
               MOVE "WEI-LING" TO PAY-FIRST-NAME
               MOVE "D500" TO PAY-DEPT
               MOVE 1 TO PAY-HOURS  MOVE 0.01 TO PAY-RATE
               COMPUTE PAY-GROSS ROUNDED = PAY-HOURS * PAY-RATE
               MOVE 0.01 TO PAY-TAX
               MOVE 0.01 TO PAY-YTD-GROSS
               MOVE "MIN PAY CHECK" TO PAY-REMARKS
           END-EVALUATE
           COMPUTE PAY-NET = PAY-GROSS - PAY-TAX - DED-AMOUNT(1)
                   - DED-AMOUNT(2) - DED-AMOUNT(3).

       PRINT-EXPECTED.
           MOVE PAY-EMP-ID TO EXP-NUM
           CALL "PUTNUM" USING "PAY-EMP-ID" "0" EXP-NUM
           CALL "PUTTXT" USING "PAY-LAST-NAME" PAY-LAST-NAME
           CALL "PUTTXT" USING "PAY-FIRST-NAME" PAY-FIRST-NAME
           CALL "PUTTXT" USING "PAY-DEPT" PAY-DEPT
           MOVE PAY-PERIOD-END TO EXP-NUM
           CALL "PUTNUM" USING "PAY-PERIOD-END" "0" EXP-NUM
           MOVE PAY-HOURS TO EXP-NUM
           CALL "PUTNUM" USING "PAY-HOURS" "2" EXP-NUM
           MOVE PAY-RATE TO EXP-NUM
           CALL "PUTNUM" USING "PAY-RATE" "4" EXP-NUM
           MOVE PAY-GROSS TO EXP-NUM
           CALL "PUTNUM" USING "PAY-GROSS" "2" EXP-NUM
           MOVE PAY-TAX TO EXP-NUM
           CALL "PUTNUM" USING "PAY-TAX" "2" EXP-NUM
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > 3
               COMPUTE EXP-SUF = K - 1
               CALL "PUTTXTN" USING "DED-CODE" EXP-SUF DED-CODE(K)
               MOVE DED-AMOUNT(K) TO EXP-NUM
               CALL "PUTNUMN" USING "DED-AMOUNT" EXP-SUF "2" EXP-NUM
           END-PERFORM
           CALL "PUTTXT" USING "PAY-NET" PAY-NET
           MOVE PAY-YTD-GROSS TO EXP-NUM
           CALL "PUTNUM" USING "PAY-YTD-GROSS" "2" EXP-NUM
           CALL "PUTTXT" USING "PAY-STATUS" PAY-STATUS
           CALL "PUTTXT" USING "PAY-REMARKS" PAY-REMARKS.
