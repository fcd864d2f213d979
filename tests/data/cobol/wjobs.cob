      *================================================================
      * WJOBS - writes the job step accounting test file.
      *
      * Usage: wjobs <output file>
      * Writes 6 JOBSTATS records of 69 bytes each and prints the
      * expected value of every column. Built with -fnotrunc, so that
      * binary items hold any value of their storage: 2-byte unsigned
      * up to 65535, 4-byte unsigned above 2^31, 8-byte unsigned above
      * 2^63, and the most negative values of each signed size. The
      * values are set with COMPUTE, which stores them untruncated.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WJOBS.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "jobstats.cpy".
       COPY "expect.cpy".
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 6
               PERFORM BUILD-RECORD
               MOVE LENGTH OF JOB-STATS-RECORD TO OUT-LEN
               CALL "RAWPUT" USING "1" OUT-LEN JOB-STATS-RECORD
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       BUILD-RECORD.
           MOVE '*' TO JS-END-FLAG
           EVALUATE EXP-REC-NO
           WHEN 1
      *        Largest unsigned and smallest signed values.
               MOVE "PAYROLL1" TO JS-JOB-NAME
               MOVE "STEP010" TO JS-STEP-NAME
               COMPUTE JS-STEP-COUNT = 65535
               COMPUTE JS-RETURN-CODE = -32768
               COMPUTE JS-CPU-MS = 4294967295
               COMPUTE JS-ELAPSED-DELTA = -2147483648
               COMPUTE JS-EXCP-COUNT = 18446744073709551615
               COMPUTE JS-BYTES-READ = 18446744073709551615
               COMPUTE JS-NET-CHANGE = -9223372036854775808
               COMPUTE JS-AVG-WAIT = -21474836.48
               COMPUTE JS-CPU-RATE = -327.68
               COMPUTE JS-COST = -92233720368547758.08
               COMPUTE JS-IO-SCALED = 6553500
           WHEN 2
      *        All zero.
               MOVE "PAYROLL1" TO JS-JOB-NAME
               MOVE "STEP020" TO JS-STEP-NAME
               COMPUTE JS-STEP-COUNT = 0
               COMPUTE JS-RETURN-CODE = 0
               COMPUTE JS-CPU-MS = 0
               COMPUTE JS-ELAPSED-DELTA = 0
               COMPUTE JS-EXCP-COUNT = 0
               COMPUTE JS-BYTES-READ = 0
               COMPUTE JS-NET-CHANGE = 0
               COMPUTE JS-AVG-WAIT = 0
               COMPUTE JS-CPU-RATE = 0
               COMPUTE JS-COST = 0
               COMPUTE JS-IO-SCALED = 0
           WHEN 3
      *        Just past the signed range of each size.
               MOVE "GLPOST" TO JS-JOB-NAME
               MOVE "SORT01" TO JS-STEP-NAME
               COMPUTE JS-STEP-COUNT = 32768
               COMPUTE JS-RETURN-CODE = 32767
               COMPUTE JS-CPU-MS = 2147483648
               COMPUTE JS-ELAPSED-DELTA = 2147483647
               COMPUTE JS-EXCP-COUNT = 3000000000
               COMPUTE JS-BYTES-READ = 9223372036854775808
               COMPUTE JS-NET-CHANGE = 9223372036854775807
               COMPUTE JS-AVG-WAIT = 21474836.47
               COMPUTE JS-CPU-RATE = 327.67
               COMPUTE JS-COST = 92233720368547758.07
               COMPUTE JS-IO-SCALED = 3276800
           WHEN 4
      *        Minus one in every signed item.
               MOVE "GLPOST" TO JS-JOB-NAME
               MOVE "SORT02" TO JS-STEP-NAME
               COMPUTE JS-STEP-COUNT = 1
               COMPUTE JS-RETURN-CODE = -1
               COMPUTE JS-CPU-MS = 1
               COMPUTE JS-ELAPSED-DELTA = -1
               COMPUTE JS-EXCP-COUNT = 4294967296
               COMPUTE JS-BYTES-READ = 12345678901234567890
               COMPUTE JS-NET-CHANGE = -1
               COMPUTE JS-AVG-WAIT = -0.01
               COMPUTE JS-CPU-RATE = -0.01
               COMPUTE JS-COST = -0.01
               COMPUTE JS-IO-SCALED = 100
           WHEN 5
      *        Ordinary values within the pictures.
               MOVE "CUSTEXT" TO JS-JOB-NAME
               MOVE "EXTRACT" TO JS-STEP-NAME
               COMPUTE JS-STEP-COUNT = 12
               COMPUTE JS-RETURN-CODE = 4
               COMPUTE JS-CPU-MS = 183522
               COMPUTE JS-ELAPSED-DELTA = -4520
               COMPUTE JS-EXCP-COUNT = 1048576
               COMPUTE JS-BYTES-READ = 987654321012
               COMPUTE JS-NET-CHANGE = -123456789012345678
               COMPUTE JS-AVG-WAIT = 12.05
               COMPUTE JS-CPU-RATE = -12.05
               COMPUTE JS-COST = 1234567.89
               COMPUTE JS-IO-SCALED = 12300
           WHEN OTHER
               MOVE "CUSTEXT" TO JS-JOB-NAME
               MOVE "REPORT" TO JS-STEP-NAME
               COMPUTE JS-STEP-COUNT = 9999
               COMPUTE JS-RETURN-CODE = -9999
               COMPUTE JS-CPU-MS = 999999999
               COMPUTE JS-ELAPSED-DELTA = -999999999
               COMPUTE JS-EXCP-COUNT = 9999999999
               COMPUTE JS-BYTES-READ = 999999999999999999
               COMPUTE JS-NET-CHANGE = -999999999999999999
               COMPUTE JS-AVG-WAIT = -99999.99
               COMPUTE JS-CPU-RATE = 99.99
               COMPUTE JS-COST = -99999999999.99
               COMPUTE JS-IO-SCALED = 99900
           END-EVALUATE.

       PRINT-EXPECTED.
           CALL "PUTTXT" USING "JS-JOB-NAME" JS-JOB-NAME
           CALL "PUTTXT" USING "JS-STEP-NAME" JS-STEP-NAME
           MOVE JS-STEP-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "JS-STEP-COUNT" "0" EXP-NUM
           MOVE JS-RETURN-CODE TO EXP-NUM
           CALL "PUTNUM" USING "JS-RETURN-CODE" "0" EXP-NUM
           MOVE JS-CPU-MS TO EXP-NUM
           CALL "PUTNUM" USING "JS-CPU-MS" "0" EXP-NUM
           MOVE JS-ELAPSED-DELTA TO EXP-NUM
           CALL "PUTNUM" USING "JS-ELAPSED-DELTA" "0" EXP-NUM
           MOVE JS-EXCP-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "JS-EXCP-COUNT" "0" EXP-NUM
           MOVE JS-BYTES-READ TO EXP-NUM
           CALL "PUTNUM" USING "JS-BYTES-READ" "0" EXP-NUM
           MOVE JS-NET-CHANGE TO EXP-NUM
           CALL "PUTNUM" USING "JS-NET-CHANGE" "0" EXP-NUM
           MOVE JS-AVG-WAIT TO EXP-NUM
           CALL "PUTNUM" USING "JS-AVG-WAIT" "2" EXP-NUM
           MOVE JS-CPU-RATE TO EXP-NUM
           CALL "PUTNUM" USING "JS-CPU-RATE" "2" EXP-NUM
           MOVE JS-COST TO EXP-NUM
           CALL "PUTNUM" USING "JS-COST" "2" EXP-NUM
           MOVE JS-IO-SCALED TO EXP-NUM
           CALL "PUTNUM" USING "JS-IO-SCALED" "0" EXP-NUM
           CALL "PUTTXT" USING "JS-END-FLAG" JS-END-FLAG.
