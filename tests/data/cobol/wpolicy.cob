      *================================================================
      * WPOLICY - writes the policy extract test file.
      *
      * Usage: wpolicy <output file>
      * Writes a 32-byte file header (not a record) and then 6 POLICY
      * records of 185 bytes each. Prints the expected value of every
      * column of every record; record numbers count records only.
      *
      * cobc 3.1.2 stores wrong digits when a value is moved to a
      * packed item whose picture has P, so COV-LIMIT (9(3)PP) and
      * COV-RATE (PP99) are filled through unscaled packed items of
      * the same size, and their expected values are those digits
      * scaled by the P positions: times 100, and divided by 10000.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WPOLICY.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "policy.cpy".
       COPY "expect.cpy".
       01  FILE-HEADER.
           05  FH-MAGIC            PIC X(4)  VALUE "PXH1".
           05  FH-RUN-DATE         PIC 9(8)  VALUE 20240331.
           05  FH-COMPANY          PIC X(16) VALUE "ACME MUTUAL INS".
           05  FH-RECORD-COUNT     PIC 9(9)  COMP VALUE 6.
       01  CX                       PIC 9.
       01  RX                       PIC 9.
       01  LIMIT-DIGITS            PIC 9(3)  COMP-3.
       01  LIMIT-BYTES             REDEFINES LIMIT-DIGITS PIC X(2).
       01  RATE-DIGITS             PIC 99    COMP-3.
       01  RATE-BYTES              REDEFINES RATE-DIGITS PIC X(2).
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           MOVE LENGTH OF FILE-HEADER TO OUT-LEN
           CALL "RAWPUT" USING "1" OUT-LEN FILE-HEADER
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 6
               PERFORM BUILD-RECORD
               MOVE LENGTH OF POLICY-RECORD TO OUT-LEN
               CALL "RAWPUT" USING "1" OUT-LEN POLICY-RECORD
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       BUILD-RECORD.
           INITIALIZE POLICY-RECORD
           PERFORM VARYING CX FROM 1 BY 1 UNTIL CX > 3
               MOVE 0 TO LIMIT-DIGITS RATE-DIGITS
               PERFORM SET-SCALED-PACKED
           END-PERFORM
           EVALUATE EXP-REC-NO
           WHEN 1
               MOVE "AU00012345" TO POL-NUMBER
               MOVE "AUTO" TO POL-PRODUCT
               MOVE 'F' TO POL-STATUS
               MOVE "HARTMANN ELISABETH" TO POL-HOLDER-NAME
               MOVE 100000001 TO POL-HOLDER-CUST-NO
               MOVE 20240101 TO POL-EFFECTIVE-DATE
               MOVE 20241231 TO POL-EXPIRY-DATE
               MOVE 45600 TO POL-SUM-INSURED
               MOVE .0078 TO POL-LOADING-RATE
               MOVE 250000 TO POL-AGG-LIMIT
               MOVE 1234.56 TO POL-ANNUAL-PREMIUM
               MOVE 1 TO CX  MOVE "BI " TO COV-CODE(CX)
               MOVE 500 TO LIMIT-DIGITS  MOVE 12 TO RATE-DIGITS
               MOVE 500 TO COV-DEDUCTIBLE(CX)
               PERFORM SET-SCALED-PACKED
               MOVE "TW" TO RIDER-CODE(CX 1)
               MOVE 25.00 TO RIDER-PREMIUM(CX 1)
               MOVE "RR" TO RIDER-CODE(CX 2)
               MOVE 18.50 TO RIDER-PREMIUM(CX 2)
               MOVE 2 TO CX  MOVE "PD " TO COV-CODE(CX)
               MOVE 250 TO LIMIT-DIGITS  MOVE 8 TO RATE-DIGITS
               MOVE 1000 TO COV-DEDUCTIBLE(CX)
               PERFORM SET-SCALED-PACKED
               MOVE 3 TO CX  MOVE "COL" TO COV-CODE(CX)
               MOVE 300 TO LIMIT-DIGITS  MOVE 35 TO RATE-DIGITS
               MOVE 2500 TO COV-DEDUCTIBLE(CX)
               PERFORM SET-SCALED-PACKED
               MOVE "GL" TO RIDER-CODE(CX 2)
               MOVE -12.01 TO RIDER-PREMIUM(CX 2)
               MOVE -45600 TO POL-RESERVE-ADJ
               MOVE .0034 TO POL-TAX-RATE
               MOVE -1500.25 TO POL-CLAIMS-YTD
               MOVE "A12" TO POL-AGENT-CODE
           WHEN 2
      *        Largest values the scaled pictures can hold.
               MOVE "HO00000077" TO POL-NUMBER
               MOVE "HOME" TO POL-PRODUCT
               MOVE 'F' TO POL-STATUS
               MOVE "O'BRIEN PATRICK" TO POL-HOLDER-NAME
               MOVE 100000002 TO POL-HOLDER-CUST-NO
               MOVE 20230615 TO POL-EFFECTIVE-DATE
               MOVE 20240614 TO POL-EXPIRY-DATE
               MOVE 99900 TO POL-SUM-INSURED
               MOVE .0099 TO POL-LOADING-RATE
               MOVE 990000 TO POL-AGG-LIMIT
               MOVE 9999999.99 TO POL-ANNUAL-PREMIUM
               PERFORM VARYING CX FROM 1 BY 1 UNTIL CX > 3
                   MOVE "DW" TO COV-CODE(CX)
                   MOVE 999 TO LIMIT-DIGITS  MOVE 99 TO RATE-DIGITS
                   COMPUTE COV-DEDUCTIBLE(CX) = 99999 - CX + 1
                   PERFORM SET-SCALED-PACKED
                   PERFORM VARYING RX FROM 1 BY 1 UNTIL RX > 2
                       MOVE "XR" TO RIDER-CODE(CX RX)
                       COMPUTE RIDER-PREMIUM(CX RX) = 99999.99 - CX - RX
                   END-PERFORM
               END-PERFORM
               MOVE 99900 TO POL-RESERVE-ADJ
               MOVE .0099 TO POL-TAX-RATE
               MOVE 99999.99 TO POL-CLAIMS-YTD
               MOVE "B7" TO POL-AGENT-CODE
           WHEN 3
      *        A lapsed policy: no coverages, all amounts zero.
               MOVE "CO00000003" TO POL-NUMBER
               MOVE "COND" TO POL-PRODUCT
               MOVE 'L' TO POL-STATUS
               MOVE "NGUYEN THANH" TO POL-HOLDER-NAME
               MOVE 100000017 TO POL-HOLDER-CUST-NO
               MOVE 20220101 TO POL-EFFECTIVE-DATE
               MOVE 20221231 TO POL-EXPIRY-DATE
               MOVE "00001" TO POL-AGENT-CODE
           WHEN 4
               MOVE "RE00000104" TO POL-NUMBER
               MOVE "RENT" TO POL-PRODUCT
               MOVE 'F' TO POL-STATUS
               MOVE "LI WEI" TO POL-HOLDER-NAME
               MOVE 100000102 TO POL-HOLDER-CUST-NO
               MOVE 20240301 TO POL-EFFECTIVE-DATE
               MOVE 20250228 TO POL-EXPIRY-DATE
               MOVE 1200 TO POL-SUM-INSURED
               MOVE .0001 TO POL-LOADING-RATE
               MOVE 10000 TO POL-AGG-LIMIT
               MOVE 189.00 TO POL-ANNUAL-PREMIUM
               MOVE 1 TO CX  MOVE "CNT" TO COV-CODE(CX)
               MOVE 1 TO LIMIT-DIGITS  MOVE 1 TO RATE-DIGITS
               MOVE 1 TO COV-DEDUCTIBLE(CX)
               PERFORM SET-SCALED-PACKED
               MOVE -100 TO POL-RESERVE-ADJ
               MOVE .0001 TO POL-TAX-RATE
               MOVE -0.07 TO POL-CLAIMS-YTD
               MOVE "C3" TO POL-AGENT-CODE
           WHEN 5
      *        A cancelled policy: premium refunded, reserve released.
               MOVE "AU00099999" TO POL-NUMBER
               MOVE "AUTO" TO POL-PRODUCT
               MOVE 'CX' TO POL-STATUS
               MOVE "ABERNATHY-KRISHNAMURTHY ALEXANDRIA"
                   TO POL-HOLDER-NAME
               MOVE 100000251 TO POL-HOLDER-CUST-NO
               MOVE 20240201 TO POL-EFFECTIVE-DATE
               MOVE 20250131 TO POL-EXPIRY-DATE
               MOVE 10000 TO POL-SUM-INSURED
               MOVE .0050 TO POL-LOADING-RATE
               MOVE 500000 TO POL-AGG-LIMIT
               MOVE -245.10 TO POL-ANNUAL-PREMIUM
               MOVE 1 TO CX  MOVE "BI " TO COV-CODE(CX)
               MOVE 100 TO LIMIT-DIGITS  MOVE 10 TO RATE-DIGITS
               MOVE -1 TO COV-DEDUCTIBLE(CX)
               PERFORM SET-SCALED-PACKED
               MOVE "TW" TO RIDER-CODE(CX 1)
               MOVE -0.01 TO RIDER-PREMIUM(CX 1)
               MOVE 3 TO CX  MOVE "UM " TO COV-CODE(CX)
               MOVE 50 TO LIMIT-DIGITS  MOVE 5 TO RATE-DIGITS
               MOVE -99999 TO COV-DEDUCTIBLE(CX)
               PERFORM SET-SCALED-PACKED
               MOVE "MP" TO RIDER-CODE(CX 1)
               MOVE -33.33 TO RIDER-PREMIUM(CX 1)
               MOVE "RA" TO RIDER-CODE(CX 2)
               MOVE 44.44 TO RIDER-PREMIUM(CX 2)
               MOVE -99900 TO POL-RESERVE-ADJ
               MOVE .0050 TO POL-TAX-RATE
               MOVE -99999.99 TO POL-CLAIMS-YTD
               MOVE "AG777" TO POL-AGENT-CODE
           WHEN OTHER
               MOVE "HO00000105" TO POL-NUMBER
               MOVE "HOME" TO POL-PRODUCT
               MOVE 'F' TO POL-STATUS
               MOVE "PETERSEN ANNE" TO POL-HOLDER-NAME
               MOVE 100009999 TO POL-HOLDER-CUST-NO
               MOVE 20240415 TO POL-EFFECTIVE-DATE
               MOVE 20250414 TO POL-EXPIRY-DATE
               MOVE 30000 TO POL-SUM-INSURED
               MOVE .0025 TO POL-LOADING-RATE
               MOVE 750000 TO POL-AGG-LIMIT
               MOVE 2890.40 TO POL-ANNUAL-PREMIUM
               MOVE 2 TO CX  MOVE "DWL" TO COV-CODE(CX)
               MOVE 420 TO LIMIT-DIGITS  MOVE 25 TO RATE-DIGITS
               MOVE 1000 TO COV-DEDUCTIBLE(CX)
               PERFORM SET-SCALED-PACKED
               MOVE "EQ" TO RIDER-CODE(CX 2)
               MOVE 310.09 TO RIDER-PREMIUM(CX 2)
               MOVE 300 TO POL-RESERVE-ADJ
               MOVE .0025 TO POL-TAX-RATE
               MOVE 0.01 TO POL-CLAIMS-YTD
               MOVE "9" TO POL-AGENT-CODE
           END-EVALUATE.

      * Stores LIMIT-DIGITS and RATE-DIGITS into coverage CX byte for
      * byte (see the note at the top).
       SET-SCALED-PACKED.
           MOVE LIMIT-BYTES TO COV-LIMIT(CX)(1:2)
           MOVE RATE-BYTES TO COV-RATE(CX)(1:2).

       PRINT-EXPECTED.
           CALL "PUTTXT" USING "POL-NUMBER" POL-NUMBER
           CALL "PUTTXT" USING "POL-PRODUCT" POL-PRODUCT
           CALL "PUTTXT" USING "POL-STATUS" POL-STATUS
           CALL "PUTTXT" USING "POL-HOLDER-NAME" POL-HOLDER-NAME
           MOVE POL-HOLDER-CUST-NO TO EXP-NUM
           CALL "PUTNUM" USING "POL-HOLDER-CUST-NO" "0" EXP-NUM
           MOVE POL-EFFECTIVE-DATE TO EXP-NUM
           CALL "PUTNUM" USING "POL-EFFECTIVE-DATE" "0" EXP-NUM
           MOVE POL-EXPIRY-DATE TO EXP-NUM
           CALL "PUTNUM" USING "POL-EXPIRY-DATE" "0" EXP-NUM
           CALL "PUTTXT" USING "POL-TERM-TEXT" POL-TERM-TEXT
           MOVE POL-SUM-INSURED TO EXP-NUM
           CALL "PUTNUM" USING "POL-SUM-INSURED" "0" EXP-NUM
           MOVE POL-LOADING-RATE TO EXP-NUM
           CALL "PUTNUM" USING "POL-LOADING-RATE" "4" EXP-NUM
           MOVE POL-AGG-LIMIT TO EXP-NUM
           CALL "PUTNUM" USING "POL-AGG-LIMIT" "0" EXP-NUM
           MOVE POL-ANNUAL-PREMIUM TO EXP-NUM
           CALL "PUTNUM" USING "POL-ANNUAL-PREMIUM" "2" EXP-NUM
           PERFORM VARYING CX FROM 1 BY 1 UNTIL CX > 3
               COMPUTE EXP-SUF = CX - 1
               CALL "PUTTXTN" USING "COV-CODE" EXP-SUF COV-CODE(CX)
               MOVE COV-LIMIT(CX)(1:2) TO LIMIT-BYTES
               COMPUTE EXP-NUM = LIMIT-DIGITS * 100
               CALL "PUTNUMN" USING "COV-LIMIT" EXP-SUF "0" EXP-NUM
               MOVE COV-RATE(CX)(1:2) TO RATE-BYTES
               COMPUTE EXP-NUM = RATE-DIGITS / 10000
               CALL "PUTNUMN" USING "COV-RATE" EXP-SUF "4" EXP-NUM
               MOVE COV-DEDUCTIBLE(CX) TO EXP-NUM
               CALL "PUTNUMN" USING "COV-DEDUCTIBLE" EXP-SUF "0"
                    EXP-NUM
               PERFORM VARYING RX FROM 1 BY 1 UNTIL RX > 2
                   COMPUTE EXP-SUF = (CX - 1) * 2 + RX - 1
                   CALL "PUTTXTN" USING "RIDER-CODE" EXP-SUF
                        RIDER-CODE(CX RX)
                   MOVE RIDER-PREMIUM(CX RX) TO EXP-NUM
                   CALL "PUTNUMN" USING "RIDER-PREMIUM" EXP-SUF "2"
                        EXP-NUM
               END-PERFORM
           END-PERFORM
           MOVE POL-RESERVE-ADJ TO EXP-NUM
           CALL "PUTNUM" USING "POL-RESERVE-ADJ" "0" EXP-NUM
           MOVE POL-TAX-RATE TO EXP-NUM
           CALL "PUTNUM" USING "POL-TAX-RATE" "4" EXP-NUM
           MOVE POL-CLAIMS-YTD TO EXP-NUM
           CALL "PUTNUM" USING "POL-CLAIMS-YTD" "2" EXP-NUM
           CALL "PUTTXT" USING "POL-AGENT-CODE" POL-AGENT-CODE
           CALL "PUTTXT" USING "FILLER" POLICY-RECORD(178:8).
