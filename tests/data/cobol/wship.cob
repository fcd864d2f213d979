      *================================================================
      * WSHIP - writes the shipment test file, a RECORD VARYING file.
      *
      * Usage: wship <output file>
      * Writes 9 SHIPMENT records through an ORGANIZATION SEQUENTIAL
      * file declared RECORD VARYING ... DEPENDING ON REC-LEN, so the
      * runtime frames each record with its length prefix. A record
      * holds the 40-byte fixed part and its SHP-STOP-COUNT stops of
      * 20 bytes; the 24-byte SHP-NOTE follows only where the row says
      * so, otherwise the record ends after the last stop. Prints the
      * expected value of every column that the record holds: the stops
      * beyond the count and a note left out are not printed.
      * Needs -fcomplex-odo -fodoslide for the note after the table.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WSHIP.
       ENVIRONMENT DIVISION.
       INPUT-OUTPUT SECTION.
       FILE-CONTROL.
           SELECT SHIP-FILE ASSIGN TO OUT-NAME
               ORGANIZATION IS SEQUENTIAL
               FILE STATUS IS SHIP-STATUS.
       DATA DIVISION.
       FILE SECTION.
       FD  SHIP-FILE
           RECORD VARYING IN SIZE FROM 40 TO 184 CHARACTERS
           DEPENDING ON REC-LEN.
       COPY "shipment.cpy".
       WORKING-STORAGE SECTION.
       COPY "expect.cpy".
       01  SHIP-STATUS             PIC XX.
       01  REC-LEN                 PIC 9(4) COMP.
       01  K                       PIC 9(4).
       01  STOP-AT                 PIC 9(4)  VALUE 0.
      *    id, ship date, carrier, weight, charge, pieces, stop count
       01  SHIP-ROWS.
           05  FILLER PIC X(45) VALUE
               "SH2400010120240304UPSF+0125050+00034567800122".
           05  FILLER PIC X(25) VALUE "YLIFTGATE REQUIRED".
           05  FILLER PIC X(45) VALUE
               "SH2400010220240304FDXG+0000075+00000182000010".
           05  FILLER PIC X(25) VALUE "N".
           05  FILLER PIC X(45) VALUE
               "SH2400010320240305ODFL+9999999+99999999999996".
           05  FILLER PIC X(25) VALUE "YHAZMAT CLASS 3 [PLACARD]".
           05  FILLER PIC X(45) VALUE
               "SH2400010420240306UPSF+0031000-00001250000041".
           05  FILLER PIC X(25) VALUE "N".
           05  FILLER PIC X(45) VALUE
               "SH2400010520240306XPO +0000000+00000000000003".
           05  FILLER PIC X(25) VALUE "YCALL BEFORE DELIVERY".
           05  FILLER PIC X(45) VALUE
               "SH2400010620240307FDXG+0004210+00002500000030".
           05  FILLER PIC X(25) VALUE "YRESIDENTIAL".
           05  FILLER PIC X(45) VALUE
               "SH2400010720240308ODFL+0180000+00051004000204".
           05  FILLER PIC X(25) VALUE "N".
           05  FILLER PIC X(45) VALUE
               "SH2400010820240308SAIA+0000001-99999999900015".
           05  FILLER PIC X(25) VALUE "YDOCK 7 / APPT 0600-0800".
           05  FILLER PIC X(45) VALUE
               "SH2400010920240309UPSF+0000550+00000123400021".
           05  FILLER PIC X(25) VALUE "Y".
       01  SHIP-TABLE REDEFINES SHIP-ROWS.
           05  SHIP-ROW OCCURS 9.
               10  ROW-ID          PIC X(10).
               10  ROW-DATE        PIC 9(8).
               10  ROW-CARRIER     PIC X(4).
               10  ROW-WEIGHT      PIC S9(5)V99
                                   SIGN LEADING SEPARATE.
               10  ROW-CHARGE      PIC S9(7)V99
                                   SIGN LEADING SEPARATE.
               10  ROW-PIECES      PIC 9(4).
               10  ROW-STOPS       PIC 9.
               10  ROW-HAS-NOTE    PIC X.
               10  ROW-NOTE        PIC X(24).
      *    city, estimated arrival (hhmm), fee; the stops of the
      *    records in turn
       01  STOP-ROWS.
           05  FILLER PIC X(24) VALUE "CHICAGO     0830+0004500".
           05  FILLER PIC X(24) VALUE "MILWAUKEE   1415+0006250".
           05  FILLER PIC X(24) VALUE "DENVER      0000+9999999".
           05  FILLER PIC X(24) VALUE "OMAHA       2359-9999999".
           05  FILLER PIC X(24) VALUE "DES MOINES  0615+0000001".
           05  FILLER PIC X(24) VALUE "PEORIA      1200-0000001".
           05  FILLER PIC X(24) VALUE "INDIANAPOLIS1530+0012000".
           05  FILLER PIC X(24) VALUE "COLUMBUS    1905+0000000".
           05  FILLER PIC X(24) VALUE "ST LOUIS    1100-0001525".
           05  FILLER PIC X(24) VALUE "MEMPHIS     0700+0003333".
           05  FILLER PIC X(24) VALUE "NASHVILLE   1010+0004444".
           05  FILLER PIC X(24) VALUE "KNOXVILLE   1620+0005555".
           05  FILLER PIC X(24) VALUE "RENO        0500+0010000".
           05  FILLER PIC X(24) VALUE "SACRAMENTO  0945+0010050".
           05  FILLER PIC X(24) VALUE "OAKLAND     1330-0002000".
           05  FILLER PIC X(24) VALUE "SAN JOSE    1650+0007525".
           05  FILLER PIC X(24) VALUE "ALBANY      0600+0000100".
           05  FILLER PIC X(24) VALUE "SYRACUSE    0815+0000200".
           05  FILLER PIC X(24) VALUE "ROCHESTER   1040+0000300".
           05  FILLER PIC X(24) VALUE "BUFFALO     1305+0000400".
           05  FILLER PIC X(24) VALUE "ERIE        1555+0000500".
           05  FILLER PIC X(24) VALUE "TOLEDO      1745+0000000".
       01  STOP-TABLE REDEFINES STOP-ROWS.
           05  STOP-ROW OCCURS 22.
               10  ROW-CITY        PIC X(12).
               10  ROW-ETA         PIC 9(4).
               10  ROW-FEE         PIC S9(5)V99
                                   SIGN LEADING SEPARATE.
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           OPEN OUTPUT SHIP-FILE
           IF SHIP-STATUS NOT = "00"
               DISPLAY "cannot create " FUNCTION TRIM(OUT-NAME)
                       UPON SYSERR
               STOP RUN RETURNING 1
           END-IF
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 9
               PERFORM BUILD-RECORD
               WRITE SHIPMENT-RECORD
               IF SHIP-STATUS NOT = "00"
                   DISPLAY "write failed: " SHIP-STATUS UPON SYSERR
                   STOP RUN RETURNING 1
               END-IF
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CLOSE SHIP-FILE
           STOP RUN.

       BUILD-RECORD.
           MOVE ROW-ID(EXP-REC-NO) TO SHP-ID
           MOVE ROW-DATE(EXP-REC-NO) TO SHP-SHIP-DATE
           MOVE ROW-CARRIER(EXP-REC-NO) TO SHP-CARRIER
           MOVE ROW-WEIGHT(EXP-REC-NO) TO SHP-WEIGHT-KG
           MOVE ROW-CHARGE(EXP-REC-NO) TO SHP-CHARGE
           MOVE ROW-PIECES(EXP-REC-NO) TO SHP-PIECES
           MOVE ROW-STOPS(EXP-REC-NO) TO SHP-STOP-COUNT
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > SHP-STOP-COUNT
               ADD 1 TO STOP-AT
               MOVE ROW-CITY(STOP-AT) TO STOP-CITY(K)
               MOVE ROW-ETA(STOP-AT) TO STOP-ETA(K)
               MOVE ROW-FEE(STOP-AT) TO STOP-FEE(K)
           END-PERFORM
      *    The note lies after the stops just counted; without it the
      *    record ends after the last stop.
           COMPUTE REC-LEN = 40 + 20 * SHP-STOP-COUNT
           IF ROW-HAS-NOTE(EXP-REC-NO) = "Y"
               MOVE ROW-NOTE(EXP-REC-NO) TO SHP-NOTE
               ADD 24 TO REC-LEN
           END-IF.

       PRINT-EXPECTED.
           CALL "PUTTXT" USING "SHP-ID" SHP-ID
           MOVE SHP-SHIP-DATE TO EXP-NUM
           CALL "PUTNUM" USING "SHP-SHIP-DATE" "0" EXP-NUM
           CALL "PUTTXT" USING "SHP-CARRIER" SHP-CARRIER
           MOVE SHP-WEIGHT-KG TO EXP-NUM
           CALL "PUTNUM" USING "SHP-WEIGHT-KG" "2" EXP-NUM
           MOVE SHP-CHARGE TO EXP-NUM
           CALL "PUTNUM" USING "SHP-CHARGE" "2" EXP-NUM
           MOVE SHP-PIECES TO EXP-NUM
           CALL "PUTNUM" USING "SHP-PIECES" "0" EXP-NUM
           MOVE SHP-STOP-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "SHP-STOP-COUNT" "0" EXP-NUM
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > SHP-STOP-COUNT
               COMPUTE EXP-SUF = K - 1
               CALL "PUTTXTN" USING "STOP-CITY" EXP-SUF STOP-CITY(K)
               MOVE STOP-ETA(K) TO EXP-NUM
               CALL "PUTNUMN" USING "STOP-ETA" EXP-SUF "0" EXP-NUM
               MOVE STOP-FEE(K) TO EXP-NUM
               CALL "PUTNUMN" USING "STOP-FEE" EXP-SUF "2" EXP-NUM
           END-PERFORM
           IF ROW-HAS-NOTE(EXP-REC-NO) = "Y"
               CALL "PUTTXT" USING "SHP-NOTE" SHP-NOTE
           END-IF.
