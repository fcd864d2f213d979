      *================================================================
      * WMEASURE - writes the sensor measurement test file.
      *
      * Usage: wmeasure <output file>
      * Writes 8 MEASURES records of 63 bytes each and prints the
      * expected value of every column. COMP-1 and COMP-2 are the
      * machine's IEEE 754 binary32 and binary64; COMP-5 is native
      * binary, which on x86-64 is little-endian whatever
      * -fbinary-byteorder says, and holds any value of its storage
      * (-32768 in S9(4), -21474836.48 in S9(5)V99). The floats are set
      * from literals; GnuCOBOL's conversion need not give the nearest
      * float (0.1 in COMP-2 is stored one step below it), so the
      * expected side is the value the item holds, read back through
      * PUTFLT1 and PUTFLT2, never the literal.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WMEASURE.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "measures.cpy".
       COPY "expect.cpy".
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 8
               PERFORM BUILD-RECORD
               MOVE LENGTH OF MEASURE-REC TO OUT-LEN
               CALL "RAWPUT" USING "1" OUT-LEN MEASURE-REC
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       BUILD-RECORD.
           MOVE EXP-REC-NO TO M-ID
           EVALUATE EXP-REC-NO
           WHEN 1
      *        Zero everywhere: all float bytes zero.
               MOVE SPACE TO M-UNIT
               MOVE 0 TO M-RATE M-VALUE M-PEAK M-MEAN
               COMPUTE M-DELTA = 0
               COMPUTE M-COUNT = 0
               COMPUTE M-OFFSET = 0
               COMPUTE M-TOTAL = 0
               COMPUTE M-AMOUNT = 0
               MOVE "ZERO" TO M-LABEL
           WHEN 2
      *        One and minus one: 3F800000, 3FF0000000000000.
               MOVE "K" TO M-UNIT
               MOVE 1 TO M-RATE M-VALUE
               MOVE -1 TO M-PEAK M-MEAN
               COMPUTE M-DELTA = 1
               COMPUTE M-COUNT = 1
               COMPUTE M-OFFSET = -1
               COMPUTE M-TOTAL = -1
               COMPUTE M-AMOUNT = 0.01
               MOVE "ONE" TO M-LABEL
           WHEN 3
      *        Fractions that binary floats hold exactly (-118.625 is
      *        C2ED4000, 2 ** -20 in M-MEAN); smallest binary values.
               MOVE "C" TO M-UNIT
               MOVE -118.625 TO M-RATE M-VALUE
               MOVE 0.5 TO M-PEAK
               MOVE 0.00000095367431640625 TO M-MEAN
               COMPUTE M-DELTA = -32768
               COMPUTE M-COUNT = 4294967295
               COMPUTE M-OFFSET = -2147483648
               COMPUTE M-TOTAL = -9223372036854775808
               COMPUTE M-AMOUNT = -21474836.48
               MOVE "EXACT/MIN" TO M-LABEL
           WHEN 4
      *        Decimals that binary floats only come near; largest
      *        binary values.
               MOVE "V" TO M-UNIT
               MOVE 0.1 TO M-RATE M-VALUE
               MOVE 98.6 TO M-PEAK
               MOVE 123456.789 TO M-MEAN
               COMPUTE M-DELTA = 32767
               COMPUTE M-COUNT = 2147483648
               COMPUTE M-OFFSET = 2147483647
               COMPUTE M-TOTAL = 9223372036854775807
               COMPUTE M-AMOUNT = 21474836.47
               MOVE "DECIMALS/MAX" TO M-LABEL
           WHEN 5
      *        Tiny: 1E-20, the smallest normal binary32 and binary64
      *        values and the smallest subnormal binary32 value.
               MOVE "P" TO M-UNIT
               MOVE 1.0E-20 TO M-RATE M-VALUE
               MOVE 1.0E-45 TO M-PEAK
               MOVE 2.2250738585072014E-308 TO M-MEAN
               COMPUTE M-DELTA = -1
               COMPUTE M-COUNT = 0
               COMPUTE M-OFFSET = 1
               COMPUTE M-TOTAL = 1
               COMPUTE M-AMOUNT = -0.01
               MOVE "TINY" TO M-LABEL
           WHEN 6
      *        Huge: near and at the largest binary32 value, 1E300 and
      *        the largest binary64 value (stored one step below it).
               MOVE "M" TO M-UNIT
               MOVE 3.4E38 TO M-RATE
               MOVE 1.0E300 TO M-VALUE
               MOVE 3.4028234663852886E38 TO M-PEAK
               MOVE 1.7976931348623157E308 TO M-MEAN
               COMPUTE M-DELTA = 9999
               COMPUTE M-COUNT = 999999999
               COMPUTE M-OFFSET = 999999999
               COMPUTE M-TOTAL = 999999999999999999
               COMPUTE M-AMOUNT = 99999.99
               MOVE "HUGE" TO M-LABEL
           WHEN 7
      *        Negative values of every size.
               MOVE "N" TO M-UNIT
               MOVE -3.4E38 TO M-RATE
               MOVE -1.0E300 TO M-VALUE
               MOVE -1.0E-20 TO M-PEAK
               MOVE -1.0E-300 TO M-MEAN
               COMPUTE M-DELTA = -9999
               COMPUTE M-COUNT = 65536
               COMPUTE M-OFFSET = -999999999
               COMPUTE M-TOTAL = -999999999999999999
               COMPUTE M-AMOUNT = -99999.99
               MOVE "NEGATIVE" TO M-LABEL
           WHEN OTHER
      *        Byte patterns that show the order in the file:
      *        1234 hex, 12345678 hex, 0123456789ABCDEF hex, 1234567.
      *        16777216 is 2 ** 24; 299792.458 only comes near.
               MOVE "S" TO M-UNIT
               MOVE 16777216 TO M-RATE
               MOVE 299792.458 TO M-VALUE
               MOVE -0.375 TO M-PEAK
               MOVE 9007199254740992 TO M-MEAN
               COMPUTE M-DELTA = 4660
               COMPUTE M-COUNT = 305419896
               COMPUTE M-OFFSET = -305419896
               COMPUTE M-TOTAL = 81985529216486895
               COMPUTE M-AMOUNT = 12345.67
               MOVE "PATTERN" TO M-LABEL
           END-EVALUATE.

       PRINT-EXPECTED.
           MOVE M-ID TO EXP-NUM
           CALL "PUTNUM" USING "M-ID" "0" EXP-NUM
           CALL "PUTTXT" USING "M-UNIT" M-UNIT
           CALL "PUTFLT1" USING "M-RATE" M-RATE
           CALL "PUTFLT2" USING "M-VALUE" M-VALUE
           CALL "PUTFLT1" USING "M-PEAK" M-PEAK
           CALL "PUTFLT2" USING "M-MEAN" M-MEAN
           MOVE M-DELTA TO EXP-NUM
           CALL "PUTNUM" USING "M-DELTA" "0" EXP-NUM
           MOVE M-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "M-COUNT" "0" EXP-NUM
           MOVE M-OFFSET TO EXP-NUM
           CALL "PUTNUM" USING "M-OFFSET" "0" EXP-NUM
           MOVE M-TOTAL TO EXP-NUM
           CALL "PUTNUM" USING "M-TOTAL" "0" EXP-NUM
           MOVE M-AMOUNT TO EXP-NUM
           CALL "PUTNUM" USING "M-AMOUNT" "2" EXP-NUM
           CALL "PUTTXT" USING "M-LABEL" M-LABEL.
