      *================================================================
      * WTXN - writes the card settlement batch test files.
      *
      * Usage: wtxn <variable file> <fixed file>
      * Three batches, each a TXNHDR record ('HD'), its TXNDTL records
      * ('DT') and a TXNTRL record ('TR'); the third batch is empty.
      * The variable file holds each record with its own length (61,
      * 116 and 45 bytes); the fixed file pads every record with
      * spaces to 120 bytes. Both hold the same 15 records, so one
      * list of expected values, printed on standard output, serves
      * both. The trailer totals are computed here from the details.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WTXN.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "txnhdr.cpy".
       COPY "txndtl.cpy".
       COPY "txntrl.cpy".
       COPY "expect.cpy".
       01  FIXED-NAME              PIC X(256).
       01  FIXED-LEN               PIC 9(6)  VALUE 120.
       01  FIXED-AREA              PIC X(120).
       01  BATCH                   PIC 9.
       01  DETAIL-NO               PIC 9(4).
       01  DETAIL-COUNT            PIC 9(4).
       01  POINTS                  PIC S9(3).
       01  ITEMS                   PIC S9(4).
       01  SUM-AMOUNT              PIC S9(13)V99.
       01  SUM-FEES                PIC S9(9)V99.
       01  SUM-HASH                PIC S9(18).
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           ACCEPT FIXED-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           CALL "RAWOPEN" USING "2" FIXED-NAME
           MOVE 0 TO EXP-REC-NO
           PERFORM VARYING BATCH FROM 1 BY 1 UNTIL BATCH > 3
               PERFORM WRITE-BATCH
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           CALL "RAWCLOSE" USING "2"
           STOP RUN.

       WRITE-BATCH.
           EVALUATE BATCH
             WHEN 1 MOVE 5 TO DETAIL-COUNT
             WHEN 2 MOVE 4 TO DETAIL-COUNT
             WHEN OTHER MOVE 0 TO DETAIL-COUNT
           END-EVALUATE
           MOVE 0 TO SUM-AMOUNT SUM-FEES SUM-HASH
           ADD 1 TO EXP-REC-NO
           PERFORM BUILD-HEADER
           MOVE LENGTH OF TXN-HEADER-REC TO OUT-LEN
           CALL "RAWPUT" USING "1" OUT-LEN TXN-HEADER-REC
           MOVE TXN-HEADER-REC TO FIXED-AREA
           CALL "RAWPUT" USING "2" FIXED-LEN FIXED-AREA
           PERFORM PRINT-HEADER
           PERFORM VARYING DETAIL-NO FROM 1 BY 1
                   UNTIL DETAIL-NO > DETAIL-COUNT
               ADD 1 TO EXP-REC-NO
               PERFORM BUILD-DETAIL
               MOVE LENGTH OF TXN-DETAIL-REC TO OUT-LEN
               CALL "RAWPUT" USING "1" OUT-LEN TXN-DETAIL-REC
               MOVE TXN-DETAIL-REC TO FIXED-AREA
               CALL "RAWPUT" USING "2" FIXED-LEN FIXED-AREA
               PERFORM PRINT-DETAIL
           END-PERFORM
           ADD 1 TO EXP-REC-NO
           PERFORM BUILD-TRAILER
           MOVE LENGTH OF TXN-TRAILER-REC TO OUT-LEN
           CALL "RAWPUT" USING "1" OUT-LEN TXN-TRAILER-REC
           MOVE TXN-TRAILER-REC TO FIXED-AREA
           CALL "RAWPUT" USING "2" FIXED-LEN FIXED-AREA
           PERFORM PRINT-TRAILER.

       BUILD-HEADER.
           MOVE "HD" TO HD-REC-TYPE
           COMPUTE HD-BATCH-ID = 4711 + BATCH
           MOVE DETAIL-COUNT TO HD-EXPECTED-COUNT
           EVALUATE BATCH
           WHEN 1
               MOVE 20240304 TO HD-BATCH-DATE
               MOVE "POSNET01" TO HD-SOURCE-SYSTEM
               MOVE "USD" TO HD-CURRENCY
               MOVE "STORE 0042 CLOSE OF DAY" TO HD-DESCRIPTION
           WHEN 2
               MOVE 20240304 TO HD-BATCH-DATE
               MOVE "WEBPAY02" TO HD-SOURCE-SYSTEM
               MOVE "USD" TO HD-CURRENCY
               MOVE "web orders [eu+us] - resend!" TO HD-DESCRIPTION
           WHEN OTHER
               MOVE 20240305 TO HD-BATCH-DATE
               MOVE "WEBPAY01" TO HD-SOURCE-SYSTEM
               MOVE "CAD" TO HD-CURRENCY
               MOVE "NO ACTIVITY" TO HD-DESCRIPTION
           END-EVALUATE.

       BUILD-DETAIL.
           MOVE "DT" TO DT-REC-TYPE
           COMPUTE DT-SEQ-NO = BATCH * 100 + DETAIL-NO
           MOVE HD-BATCH-DATE TO DT-TXN-DATE
           COMPUTE DT-TXN-TIME = 80000 + DETAIL-NO * 11111
           MOVE 'S' TO DT-TXN-TYPE
           MOVE 0 TO DT-TIP
           EVALUATE BATCH * 10 + DETAIL-NO
           WHEN 11
               MOVE "4111********1111" TO DT-CARD-NUMBER
               MOVE 1234.50 TO DT-AMOUNT  MOVE 1.85 TO DT-FEE
               MOVE "A1B2C3" TO DT-AUTH-CODE  MOVE 5411 TO DT-MCC
               MOVE 12 TO ITEMS
               MOVE "ACME GROCERY #42" TO DT-MERCHANT-NAME
           WHEN 12
               MOVE "5500********0004" TO DT-CARD-NUMBER
               MOVE 48.10 TO DT-AMOUNT  MOVE 0.72 TO DT-FEE
               MOVE 7.25 TO DT-TIP
               MOVE "993017" TO DT-AUTH-CODE  MOVE 5812 TO DT-MCC
               MOVE 1 TO ITEMS
               MOVE "LUIGI'S TRATTORIA" TO DT-MERCHANT-NAME
           WHEN 13
      *        A refund: negative amount, fee and item count.
               MOVE "4111********1111" TO DT-CARD-NUMBER
               MOVE 'R' TO DT-TXN-TYPE
               MOVE -0.50 TO DT-AMOUNT  MOVE -0.01 TO DT-FEE
               MOVE "R00001" TO DT-AUTH-CODE  MOVE 5411 TO DT-MCC
               MOVE -1 TO ITEMS
               MOVE "ACME GROCERY #42" TO DT-MERCHANT-NAME
           WHEN 14
      *        Largest amounts the print fields can hold.
               MOVE "3782*******0005" TO DT-CARD-NUMBER
               MOVE 999999.99 TO DT-AMOUNT  MOVE 999.99 TO DT-FEE
               MOVE 999.99 TO DT-TIP
               MOVE "ZZ9999" TO DT-AUTH-CODE  MOVE 9999 TO DT-MCC
               MOVE 9999 TO ITEMS
               MOVE "BIG TICKET MOTORS" TO DT-MERCHANT-NAME
           WHEN 15
               MOVE "6011********0009" TO DT-CARD-NUMBER
               MOVE 0 TO DT-AMOUNT  MOVE 0 TO DT-FEE
               MOVE "000000" TO DT-AUTH-CODE  MOVE 0 TO DT-MCC
               MOVE 0 TO ITEMS
               MOVE "ZERO AUTH CHECK" TO DT-MERCHANT-NAME
           WHEN 21
               MOVE "4000********0002" TO DT-CARD-NUMBER
               MOVE 19.99 TO DT-AMOUNT  MOVE 0.49 TO DT-FEE
               MOVE "W12345" TO DT-AUTH-CODE  MOVE 5942 TO DT-MCC
               MOVE 2 TO ITEMS
               MOVE "books & more | online" TO DT-MERCHANT-NAME
           WHEN 22
      *        A voided sale whose tip is reversed as well.
               MOVE "4000********0002" TO DT-CARD-NUMBER
               MOVE 'V' TO DT-TXN-TYPE
               MOVE -19.99 TO DT-AMOUNT  MOVE -0.49 TO DT-FEE
               MOVE -3.06 TO DT-TIP
               MOVE "W12345" TO DT-AUTH-CODE  MOVE 5942 TO DT-MCC
               MOVE -2 TO ITEMS
               MOVE "books & more | online" TO DT-MERCHANT-NAME
           WHEN 23
               MOVE "5105********5100" TO DT-CARD-NUMBER
               MOVE 250000.00 TO DT-AMOUNT  MOVE 350.00 TO DT-FEE
               MOVE "W99881" TO DT-AUTH-CODE  MOVE 4722 TO DT-MCC
               MOVE 1 TO ITEMS
               MOVE "GLOBETROTTER TRAVEL" TO DT-MERCHANT-NAME
           WHEN OTHER
               MOVE "4242********4242" TO DT-CARD-NUMBER
               MOVE 'R' TO DT-TXN-TYPE
               MOVE -123456.78 TO DT-AMOUNT  MOVE -123.45 TO DT-FEE
               MOVE "W00017" TO DT-AUTH-CODE  MOVE 4722 TO DT-MCC
               MOVE -37 TO ITEMS
               MOVE "GLOBETROTTER TRAVEL" TO DT-MERCHANT-NAME
           END-EVALUATE
      *    One loyalty point per 10 currency units, negative for
      *    refunds, kept within the three digits of the print field.
           COMPUTE POINTS = FUNCTION MOD(DT-AMOUNT / 10, 1000)
           IF DT-AMOUNT < 0 AND POINTS > 0
               COMPUTE POINTS = POINTS - 1000
           END-IF
           MOVE DT-AMOUNT TO DT-AMOUNT-ED
           MOVE DT-FEE TO DT-FEE-ED
           MOVE POINTS TO DT-POINTS-ED
           MOVE ITEMS TO DT-ITEMS-ED
           ADD DT-AMOUNT TO SUM-AMOUNT
           ADD DT-FEE TO SUM-FEES
           IF DT-AMOUNT < 0
               COMPUTE SUM-HASH = SUM-HASH - DT-TXN-DATE * 1000000
                                           - DT-TXN-TIME
           ELSE
               COMPUTE SUM-HASH = SUM-HASH + DT-TXN-DATE * 1000000
                                           + DT-TXN-TIME
           END-IF.

       BUILD-TRAILER.
           MOVE "TR" TO TR-REC-TYPE
           MOVE HD-BATCH-ID TO TR-BATCH-ID
           MOVE DETAIL-COUNT TO TR-RECORD-COUNT
           MOVE SUM-AMOUNT TO TR-TOTAL-AMOUNT
           MOVE SUM-FEES TO TR-TOTAL-FEES
           MOVE SUM-HASH TO TR-HASH-TOTAL
           MOVE 'B' TO TR-STATUS
           MOVE SPACES TO TXN-TRAILER-REC(42:4).

       PRINT-HEADER.
           CALL "PUTTXT" USING "HD-REC-TYPE" HD-REC-TYPE
           MOVE HD-BATCH-ID TO EXP-NUM
           CALL "PUTNUM" USING "HD-BATCH-ID" "0" EXP-NUM
           MOVE HD-BATCH-DATE TO EXP-NUM
           CALL "PUTNUM" USING "HD-BATCH-DATE" "0" EXP-NUM
           CALL "PUTTXT" USING "HD-SOURCE-SYSTEM" HD-SOURCE-SYSTEM
           CALL "PUTTXT" USING "HD-CURRENCY" HD-CURRENCY
           MOVE HD-EXPECTED-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "HD-EXPECTED-COUNT" "0" EXP-NUM
           CALL "PUTTXT" USING "HD-DESCRIPTION" HD-DESCRIPTION.

       PRINT-DETAIL.
           CALL "PUTTXT" USING "DT-REC-TYPE" DT-REC-TYPE
           MOVE DT-SEQ-NO TO EXP-NUM
           CALL "PUTNUM" USING "DT-SEQ-NO" "0" EXP-NUM
           CALL "PUTTXT" USING "DT-CARD-NUMBER" DT-CARD-NUMBER
           MOVE DT-TXN-DATE TO EXP-NUM
           CALL "PUTNUM" USING "DT-TXN-DATE" "0" EXP-NUM
           MOVE DT-TXN-TIME TO EXP-NUM
           CALL "PUTNUM" USING "DT-TXN-TIME" "0" EXP-NUM
           CALL "PUTTXT" USING "DT-TXN-TYPE" DT-TXN-TYPE
           MOVE DT-AMOUNT TO EXP-NUM
           CALL "PUTNUM" USING "DT-AMOUNT" "2" EXP-NUM
           MOVE DT-TIP TO EXP-NUM
           CALL "PUTNUM" USING "DT-TIP" "2" EXP-NUM
           MOVE DT-FEE TO EXP-NUM
           CALL "PUTNUM" USING "DT-FEE" "2" EXP-NUM
           CALL "PUTTXT" USING "DT-AUTH-CODE" DT-AUTH-CODE
           MOVE DT-MCC TO EXP-NUM
           CALL "PUTNUM" USING "DT-MCC" "0" EXP-NUM
      *    Edited items are text: their characters as stored.
           CALL "PUTTXT" USING "DT-AMOUNT-ED" DT-AMOUNT-ED
           CALL "PUTTXT" USING "DT-FEE-ED" DT-FEE-ED
           CALL "PUTTXT" USING "DT-POINTS-ED" DT-POINTS-ED
           CALL "PUTTXT" USING "DT-ITEMS-ED" DT-ITEMS-ED
           CALL "PUTTXT" USING "DT-MERCHANT-NAME" DT-MERCHANT-NAME.

       PRINT-TRAILER.
           CALL "PUTTXT" USING "TR-REC-TYPE" TR-REC-TYPE
           MOVE TR-BATCH-ID TO EXP-NUM
           CALL "PUTNUM" USING "TR-BATCH-ID" "0" EXP-NUM
           MOVE TR-RECORD-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "TR-RECORD-COUNT" "0" EXP-NUM
           MOVE TR-TOTAL-AMOUNT TO EXP-NUM
           CALL "PUTNUM" USING "TR-TOTAL-AMOUNT" "2" EXP-NUM
           MOVE TR-TOTAL-FEES TO EXP-NUM
           CALL "PUTNUM" USING "TR-TOTAL-FEES" "2" EXP-NUM
           MOVE TR-HASH-TOTAL TO EXP-NUM
           CALL "PUTNUM" USING "TR-HASH-TOTAL" "0" EXP-NUM
           CALL "PUTTXT" USING "TR-STATUS" TR-STATUS
           CALL "PUTTXT" USING "FILLER" TXN-TRAILER-REC(42:4).
