      *================================================================
      * WEDITED - writes the numeric-edited test file.
      *
      * Usage: wedited <output file>
      * Writes 7 EDITED-REC records of 117 bytes each. Each record has
      * one value of four digits, moved to every edited item without
      * a point, and one with two decimals, moved to the others. It
      * prints each item's value as the item holds it: moved through
      * an item of the same digits and sign (an unsigned item keeps the
      * magnitude; 99.99CR and .99+ lose the high digits).
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WEDITED.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "edited.cpy".
       COPY "expect.cpy".
       01  INT-VALUE               PIC S9(4).
       01  DEC-VALUE               PIC S9(3)V99.
       01  HELD-UNSIGNED           PIC 9(3)V99.
       01  HELD-TWO-DIGITS         PIC S99V99.
       01  HELD-FRACTION           PIC SV99.
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 7
               PERFORM BUILD-RECORD
               MOVE LENGTH OF EDITED-REC TO OUT-LEN
               CALL "RAWPUT" USING "1" OUT-LEN EDITED-REC
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       BUILD-RECORD.
      *    Positive, negative, zero, small, largest.
           EVALUATE EXP-REC-NO
           WHEN 1 MOVE 1234 TO INT-VALUE   MOVE 12.50 TO DEC-VALUE
           WHEN 2 MOVE -1234 TO INT-VALUE  MOVE -12.50 TO DEC-VALUE
           WHEN 3 MOVE 0 TO INT-VALUE      MOVE 0 TO DEC-VALUE
           WHEN 4 MOVE 7 TO INT-VALUE      MOVE 0.05 TO DEC-VALUE
           WHEN 5 MOVE -7 TO INT-VALUE     MOVE -0.05 TO DEC-VALUE
           WHEN 6 MOVE 9999 TO INT-VALUE   MOVE 999.99 TO DEC-VALUE
           WHEN OTHER
                  MOVE -9999 TO INT-VALUE  MOVE -999.99 TO DEC-VALUE
           END-EVALUATE
           MOVE INT-VALUE TO ED-TRAIL-MINUS ED-TRAIL-PLUS ED-LEAD-MINUS
               ED-LEAD-PLUS ED-FLOAT-MINUS ED-FLOAT-PLUS ED-SIGN-ZEROS
               ED-ZEROS-SIGN
           MOVE DEC-VALUE TO ED-CREDIT ED-DEBIT ED-CREDIT-DIGITS
               ED-DOLLARS ED-DOLLAR-ZEROS ED-DOLLARS-SIGN ED-STARS
               ED-DOLLAR-STARS-CR ED-IMPLIED ED-FRACTION
               ED-FLOAT-PLUS-POINT
           MOVE DEC-VALUE TO HELD-UNSIGNED HELD-TWO-DIGITS
               HELD-FRACTION.

       PRINT-EXPECTED.
           MOVE INT-VALUE TO EXP-NUM
           CALL "PUTNUM" USING "ED-TRAIL-MINUS" "0" EXP-NUM
           CALL "PUTNUM" USING "ED-TRAIL-PLUS" "0" EXP-NUM
           CALL "PUTNUM" USING "ED-LEAD-MINUS" "0" EXP-NUM
           CALL "PUTNUM" USING "ED-LEAD-PLUS" "0" EXP-NUM
           CALL "PUTNUM" USING "ED-FLOAT-MINUS" "0" EXP-NUM
           CALL "PUTNUM" USING "ED-FLOAT-PLUS" "0" EXP-NUM
           CALL "PUTNUM" USING "ED-SIGN-ZEROS" "0" EXP-NUM
           CALL "PUTNUM" USING "ED-ZEROS-SIGN" "0" EXP-NUM
           MOVE DEC-VALUE TO EXP-NUM
           CALL "PUTNUM" USING "ED-CREDIT" "2" EXP-NUM
           CALL "PUTNUM" USING "ED-DEBIT" "2" EXP-NUM
           MOVE HELD-TWO-DIGITS TO EXP-NUM
           CALL "PUTNUM" USING "ED-CREDIT-DIGITS" "2" EXP-NUM
           MOVE HELD-UNSIGNED TO EXP-NUM
           CALL "PUTNUM" USING "ED-DOLLARS" "2" EXP-NUM
           CALL "PUTNUM" USING "ED-DOLLAR-ZEROS" "2" EXP-NUM
           MOVE DEC-VALUE TO EXP-NUM
           CALL "PUTNUM" USING "ED-DOLLARS-SIGN" "2" EXP-NUM
           MOVE HELD-UNSIGNED TO EXP-NUM
           CALL "PUTNUM" USING "ED-STARS" "2" EXP-NUM
           MOVE DEC-VALUE TO EXP-NUM
           CALL "PUTNUM" USING "ED-DOLLAR-STARS-CR" "2" EXP-NUM
           CALL "PUTNUM" USING "ED-IMPLIED" "2" EXP-NUM
           MOVE HELD-FRACTION TO EXP-NUM
           CALL "PUTNUM" USING "ED-FRACTION" "2" EXP-NUM
           MOVE DEC-VALUE TO EXP-NUM
           CALL "PUTNUM" USING "ED-FLOAT-PLUS-POINT" "2" EXP-NUM.
