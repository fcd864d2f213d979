      *================================================================
      * WACCTS - writes the account test file.
      *
      * Usage: waccts <output file> [MAX]
      * Writes 8 ACCTREC records of variable length: each record ends
      * where its data ends, 56 + 28 * ACCT-TXN-COUNT + 8 bytes, with
      * the statement date after the last activity entry. Prints the
      * expected value of every column that the record fills; the
      * activity columns beyond the count are left out.
      * Needs -fcomplex-odo -fodoslide for the item after the table.
      * With MAX, compiled without -fodoslide, writes each record whole,
      * all 400 bytes: the table at its maximum of 12 entries whatever
      * the count, the entries past the count blank, and the statement
      * date at its place after the twelfth.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WACCTS.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "acctrec.cpy".
       COPY "expect.cpy".
       01  K                       PIC 9(4).
       01  K2                      PIC 99.
       01  REC2                    PIC 99.
       01  TXN-CODES               PIC X(15) VALUE "DEBDEPWDLFEEXFR".
       01  CODE-AT                 PIC 99.
       01  WRITE-MODE              PIC X(3)  VALUE SPACES.
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           ACCEPT WRITE-MODE FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 8
               MOVE SPACES TO ACCOUNT-RECORD
               PERFORM BUILD-RECORD
               COMPUTE OUT-LEN = 56 + 28 * ACCT-TXN-COUNT + 8
               IF WRITE-MODE = "MAX"
                   MOVE 400 TO OUT-LEN
               END-IF
               CALL "RAWPUT" USING "1" OUT-LEN ACCOUNT-RECORD
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       BUILD-RECORD.
           MOVE "USD" TO ACCT-CURRENCY
           MOVE 0 TO ACCT-HOLD-AMT
           EVALUATE EXP-REC-NO
           WHEN 1
               MOVE 0101 TO ACCT-BRANCH  MOVE 1000234567 TO ACCT-NUMBER
               MOVE "CK" TO ACCT-TYPE  MOVE 20150612 TO ACCT-OPEN-DATE
               MOVE 15234.56 TO ACCT-LEDGER-BAL
               MOVE 15034.56 TO ACCT-AVAIL-BAL
               MOVE 0.0125 TO ACCT-INT-RATE  MOVE 200 TO ACCT-HOLD-AMT
               MOVE 12.3456 TO ACCT-ACCRUED-INT
               MOVE 3 TO ACCT-TXN-COUNT
           WHEN 2
      *        No activity: the statement date follows the fixed part.
               MOVE 0101 TO ACCT-BRANCH  MOVE 1000234568 TO ACCT-NUMBER
               MOVE "SV" TO ACCT-TYPE  MOVE 20180101 TO ACCT-OPEN-DATE
               MOVE 250000 TO ACCT-LEDGER-BAL
               MOVE 250000 TO ACCT-AVAIL-BAL
               MOVE 0.0450 TO ACCT-INT-RATE
               MOVE 1023.7812 TO ACCT-ACCRUED-INT
               MOVE 0 TO ACCT-TXN-COUNT
           WHEN 3
      *        Largest values and the full table.
               MOVE 0230 TO ACCT-BRANCH  MOVE 2000000001 TO ACCT-NUMBER
               MOVE "MM" TO ACCT-TYPE  MOVE 20001231 TO ACCT-OPEN-DATE
               MOVE 99999999999.99 TO ACCT-LEDGER-BAL
               MOVE 99999999999.99 TO ACCT-AVAIL-BAL
               MOVE 9.9999 TO ACCT-INT-RATE
               MOVE 999999.99 TO ACCT-HOLD-AMT
               MOVE 99999.9999 TO ACCT-ACCRUED-INT
               MOVE 12 TO ACCT-TXN-COUNT
           WHEN 4
               MOVE 0230 TO ACCT-BRANCH  MOVE 2000000002 TO ACCT-NUMBER
               MOVE "CK" TO ACCT-TYPE  MOVE 20230315 TO ACCT-OPEN-DATE
               MOVE -523.17 TO ACCT-LEDGER-BAL
               MOVE -1023.17 TO ACCT-AVAIL-BAL
               MOVE 0 TO ACCT-INT-RATE  MOVE 500 TO ACCT-HOLD-AMT
               MOVE -0.0042 TO ACCT-ACCRUED-INT
               MOVE 1 TO ACCT-TXN-COUNT
           WHEN 5
               MOVE 0415 TO ACCT-BRANCH  MOVE 0000000001 TO ACCT-NUMBER
               MOVE "CK" TO ACCT-TYPE  MOVE 19991231 TO ACCT-OPEN-DATE
               MOVE "CAD" TO ACCT-CURRENCY
               MOVE 0 TO ACCT-LEDGER-BAL  MOVE 0 TO ACCT-AVAIL-BAL
               MOVE 0.0001 TO ACCT-INT-RATE
               MOVE 0 TO ACCT-ACCRUED-INT
               MOVE 5 TO ACCT-TXN-COUNT
           WHEN 6
               MOVE 0415 TO ACCT-BRANCH  MOVE 9999999999 TO ACCT-NUMBER
               MOVE "SV" TO ACCT-TYPE  MOVE 20240101 TO ACCT-OPEN-DATE
               MOVE "EUR" TO ACCT-CURRENCY
               MOVE 1.00 TO ACCT-LEDGER-BAL  MOVE 0.99 TO ACCT-AVAIL-BAL
               MOVE 0.0300 TO ACCT-INT-RATE  MOVE 0.01 TO ACCT-HOLD-AMT
               MOVE 0.0001 TO ACCT-ACCRUED-INT
               MOVE 2 TO ACCT-TXN-COUNT
           WHEN 7
      *        Smallest values.
               MOVE 0522 TO ACCT-BRANCH  MOVE 5550001111 TO ACCT-NUMBER
               MOVE "CK" TO ACCT-TYPE  MOVE 20100808 TO ACCT-OPEN-DATE
               MOVE -99999999999.99 TO ACCT-LEDGER-BAL
               MOVE -99999999999.99 TO ACCT-AVAIL-BAL
               MOVE 0.0999 TO ACCT-INT-RATE
               MOVE -999999.99 TO ACCT-HOLD-AMT
               MOVE -99999.9999 TO ACCT-ACCRUED-INT
               MOVE 7 TO ACCT-TXN-COUNT
           WHEN OTHER
               MOVE 0999 TO ACCT-BRANCH  MOVE 7770001234 TO ACCT-NUMBER
               MOVE "MM" TO ACCT-TYPE  MOVE 20121212 TO ACCT-OPEN-DATE
               MOVE 4321.09 TO ACCT-LEDGER-BAL
               MOVE 4321.09 TO ACCT-AVAIL-BAL
               MOVE 0.0210 TO ACCT-INT-RATE  MOVE 100 TO ACCT-HOLD-AMT
               MOVE 3.5 TO ACCT-ACCRUED-INT
               MOVE 4 TO ACCT-TXN-COUNT
           END-EVALUATE
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > ACCT-TXN-COUNT
               PERFORM BUILD-ENTRY
           END-PERFORM
      *    Set last: where it lies depends on the count just set.
           IF EXP-REC-NO < 5
               MOVE 20240229 TO ACCT-LAST-STMT-DATE
           ELSE
               MOVE 20240331 TO ACCT-LAST-STMT-DATE
           END-IF.

      * Entry K: codes in turn, debits negative, amounts growing with
      * K; the full table of record 3 starts with the extremes.
       BUILD-ENTRY.
           COMPUTE TXN-POST-DATE(K) = 20240229 - K + 1
           COMPUTE CODE-AT = FUNCTION MOD(K + EXP-REC-NO - 2, 5) * 3 + 1
           MOVE TXN-CODES(CODE-AT:3) TO TXN-CODE(K)
           COMPUTE TXN-AMOUNT(K) = K * 111.11 + EXP-REC-NO * 0.01
           IF TXN-IS-DEBIT(K)
               COMPUTE TXN-AMOUNT(K) = 0 - TXN-AMOUNT(K)
           END-IF
           IF EXP-REC-NO = 3
               EVALUATE K
                 WHEN 1 MOVE 9999999.99 TO TXN-AMOUNT(K)
                 WHEN 2 MOVE -9999999.99 TO TXN-AMOUNT(K)
                 WHEN 12 MOVE 0 TO TXN-AMOUNT(K)
               END-EVALUATE
           END-IF
           MOVE EXP-REC-NO TO REC2
           MOVE K TO K2
           MOVE SPACES TO TXN-REFERENCE(K)
           STRING "TRN-" REC2 "-" K2 DELIMITED BY SIZE
                  INTO TXN-REFERENCE(K).

       PRINT-EXPECTED.
           MOVE ACCT-BRANCH TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-BRANCH" "0" EXP-NUM
           MOVE ACCT-NUMBER TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-NUMBER" "0" EXP-NUM
           CALL "PUTTXT" USING "ACCT-TYPE" ACCT-TYPE
           MOVE ACCT-OPEN-DATE TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-OPEN-DATE" "0" EXP-NUM
           CALL "PUTTXT" USING "ACCT-CURRENCY" ACCT-CURRENCY
           MOVE ACCT-LEDGER-BAL TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-LEDGER-BAL" "2" EXP-NUM
           MOVE ACCT-AVAIL-BAL TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-AVAIL-BAL" "2" EXP-NUM
           MOVE ACCT-INT-RATE TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-INT-RATE" "4" EXP-NUM
           MOVE ACCT-HOLD-AMT TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-HOLD-AMT" "2" EXP-NUM
           MOVE ACCT-ACCRUED-INT TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-ACCRUED-INT" "4" EXP-NUM
           MOVE ACCT-TXN-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-TXN-COUNT" "0" EXP-NUM
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > ACCT-TXN-COUNT
               COMPUTE EXP-SUF = K - 1
               MOVE TXN-POST-DATE(K) TO EXP-NUM
               CALL "PUTNUMN" USING "TXN-POST-DATE" EXP-SUF "0" EXP-NUM
               CALL "PUTTXTN" USING "TXN-CODE" EXP-SUF TXN-CODE(K)
               MOVE TXN-AMOUNT(K) TO EXP-NUM
               CALL "PUTNUMN" USING "TXN-AMOUNT" EXP-SUF "2" EXP-NUM
               CALL "PUTTXTN" USING "TXN-REFERENCE" EXP-SUF
                    TXN-REFERENCE(K)
           END-PERFORM
           MOVE ACCT-LAST-STMT-DATE TO EXP-NUM
           CALL "PUTNUM" USING "ACCT-LAST-STMT-DATE" "0" EXP-NUM.
