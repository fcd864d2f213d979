      *================================================================
      * Subprograms shared by the data-writing programs.
      *
      * Expected values, one line each on standard output:
      *   <record number> TAB <column name> TAB <value>
      * The record number is EXP-REC-NO, an external item that the
      * calling program advances before each record.
      *   PUTTXT  name field            alphanumeric, as stored
      *   PUTTXTN name suffix field     the same for a repetition
      *   PUTNUM  name scale value      numeric through an edited item
      *   PUTNUMN name suffix scale value
      *   PUTFLT1 name value            COMP-1, exact decimal value
      *   PUTFLT2 name value            COMP-2, exact decimal value
      * A suffix of 0 keeps the name, n > 0 appends "_n". The value is
      * a PIC S9(20)V9(6) item, printed with "scale" digits after the
      * point, without leading zeros; scale is a one-character text
      * "0" to "6", so that callers can pass a literal. A floating-
      * point value is moved to a 34-digit decimal float and displayed
      * as GnuCOBOL shows those: the exact decimal value of the binary
      * float cut after 34 significant digits, in the forms 0E0, 1,
      * -118.625, 5E-1, 3402823466385288598117041834845169E5.
      *
      * Raw output, no record prefixes and no line ends:
      *   RAWOPEN  slot file-name      create the file for slot "1"-"4"
      *   RAWPUT   slot length bytes   append length bytes
      *   RAWCLOSE slot
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. EXPLINE.
      * Prints one expected line from a name and a value text.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  EXP-REC-NO              PIC 9(6)  EXTERNAL.
       01  REC-NO-ED               PIC Z(5)9.
       01  SUFFIX-ED               PIC Z(3)9.
       01  HT                     PIC X     VALUE X"09".
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  COL-SUFFIX              PIC 9(4).
       01  COL-VALUE               PIC X ANY LENGTH.
       PROCEDURE DIVISION USING COL-BASE COL-SUFFIX COL-VALUE.
           MOVE EXP-REC-NO TO REC-NO-ED
           IF COL-SUFFIX = 0
               DISPLAY FUNCTION TRIM(REC-NO-ED) HT
                       FUNCTION TRIM(COL-BASE) HT COL-VALUE
           ELSE
               MOVE COL-SUFFIX TO SUFFIX-ED
               DISPLAY FUNCTION TRIM(REC-NO-ED) HT
                       FUNCTION TRIM(COL-BASE) "_"
                       FUNCTION TRIM(SUFFIX-ED) HT COL-VALUE
           END-IF
           GOBACK.
       END PROGRAM EXPLINE.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. PUTTXT.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  NO-SUFFIX               PIC 9(4)  VALUE 0.
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  FIELD-TEXT              PIC X ANY LENGTH.
       PROCEDURE DIVISION USING COL-BASE FIELD-TEXT.
           CALL "EXPLINE" USING COL-BASE NO-SUFFIX FIELD-TEXT
           GOBACK.
       END PROGRAM PUTTXT.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. PUTTXTN.
       DATA DIVISION.
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  COL-SUFFIX              PIC 9(4).
       01  FIELD-TEXT              PIC X ANY LENGTH.
       PROCEDURE DIVISION USING COL-BASE COL-SUFFIX FIELD-TEXT.
           CALL "EXPLINE" USING COL-BASE COL-SUFFIX FIELD-TEXT
           GOBACK.
       END PROGRAM PUTTXTN.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. PUTNUMN.
      * Edits the value with the asked number of fraction digits.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  ED0                     PIC -(21)9.
       01  ED1                     PIC -(21)9.9.
       01  ED2                     PIC -(21)9.99.
       01  ED3                     PIC -(21)9.999.
       01  ED4                     PIC -(21)9.9(4).
       01  ED5                     PIC -(21)9.9(5).
       01  ED6                     PIC -(21)9.9(6).
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  COL-SUFFIX              PIC 9(4).
       01  COL-SCALE               PIC X.
       01  COL-NUM                 PIC S9(20)V9(6).
       PROCEDURE DIVISION USING COL-BASE COL-SUFFIX COL-SCALE COL-NUM.
           EVALUATE COL-SCALE
             WHEN "0" MOVE COL-NUM TO ED0
                    CALL "EXPLINE" USING COL-BASE COL-SUFFIX
                         BY CONTENT FUNCTION TRIM(ED0)
             WHEN "1" MOVE COL-NUM TO ED1
                    CALL "EXPLINE" USING COL-BASE COL-SUFFIX
                         BY CONTENT FUNCTION TRIM(ED1)
             WHEN "2" MOVE COL-NUM TO ED2
                    CALL "EXPLINE" USING COL-BASE COL-SUFFIX
                         BY CONTENT FUNCTION TRIM(ED2)
             WHEN "3" MOVE COL-NUM TO ED3
                    CALL "EXPLINE" USING COL-BASE COL-SUFFIX
                         BY CONTENT FUNCTION TRIM(ED3)
             WHEN "4" MOVE COL-NUM TO ED4
                    CALL "EXPLINE" USING COL-BASE COL-SUFFIX
                         BY CONTENT FUNCTION TRIM(ED4)
             WHEN "5" MOVE COL-NUM TO ED5
                    CALL "EXPLINE" USING COL-BASE COL-SUFFIX
                         BY CONTENT FUNCTION TRIM(ED5)
             WHEN OTHER MOVE COL-NUM TO ED6
                    CALL "EXPLINE" USING COL-BASE COL-SUFFIX
                         BY CONTENT FUNCTION TRIM(ED6)
           END-EVALUATE
           GOBACK.
       END PROGRAM PUTNUMN.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. PUTNUM.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  NO-SUFFIX               PIC 9(4)  VALUE 0.
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  COL-SCALE               PIC X.
       01  COL-NUM                 PIC S9(20)V9(6).
       PROCEDURE DIVISION USING COL-BASE COL-SCALE COL-NUM.
           CALL "PUTNUMN" USING COL-BASE NO-SUFFIX COL-SCALE COL-NUM
           GOBACK.
       END PROGRAM PUTNUM.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. FLTLINE.
      * Prints one expected line from a name and a 34-digit decimal
      * float. The float goes to DISPLAY itself: that is the only way
      * GnuCOBOL turns it into text.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  EXP-REC-NO              PIC 9(6)  EXTERNAL.
       01  REC-NO-ED               PIC Z(5)9.
       01  HT                     PIC X     VALUE X"09".
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  COL-DEC                 USAGE FLOAT-DECIMAL-34.
       PROCEDURE DIVISION USING COL-BASE COL-DEC.
           MOVE EXP-REC-NO TO REC-NO-ED
           DISPLAY FUNCTION TRIM(REC-NO-ED) HT
                   FUNCTION TRIM(COL-BASE) HT COL-DEC
           GOBACK.
       END PROGRAM FLTLINE.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. PUTFLT1.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  DEC34                   USAGE FLOAT-DECIMAL-34.
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  COL-FLOAT               USAGE COMP-1.
       PROCEDURE DIVISION USING COL-BASE COL-FLOAT.
           MOVE COL-FLOAT TO DEC34
           CALL "FLTLINE" USING COL-BASE DEC34
           GOBACK.
       END PROGRAM PUTFLT1.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. PUTFLT2.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  DEC34                   USAGE FLOAT-DECIMAL-34.
       LINKAGE SECTION.
       01  COL-BASE                PIC X ANY LENGTH.
       01  COL-FLOAT               USAGE COMP-2.
       PROCEDURE DIVISION USING COL-BASE COL-FLOAT.
           MOVE COL-FLOAT TO DEC34
           CALL "FLTLINE" USING COL-BASE DEC34
           GOBACK.
       END PROGRAM PUTFLT2.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. RAWOPEN.
      * Raw files through the byte-stream routines, so that nothing is
      * added around the records. Handles and offsets live in RAWSTATE.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  FILE-NAME               PIC X(256).
       01  ACCESS-MODE             PIC X COMP-X VALUE 2.
       01  DENY-MODE               PIC X COMP-X VALUE 0.
       01  DEVICE                  PIC X COMP-X VALUE 0.
       COPY "rawstate.cpy".
       LINKAGE SECTION.
       01  SLOT                    PIC 9.
       01  NAME-ARG                PIC X ANY LENGTH.
       PROCEDURE DIVISION USING SLOT NAME-ARG.
           MOVE SPACES TO FILE-NAME
           MOVE NAME-ARG TO FILE-NAME
           CALL "CBL_DELETE_FILE" USING FILE-NAME
           CALL "CBL_CREATE_FILE" USING FILE-NAME ACCESS-MODE
                DENY-MODE DEVICE RAW-HANDLE(SLOT)
           IF RETURN-CODE NOT = 0
               DISPLAY "cannot create " FUNCTION TRIM(FILE-NAME)
                       UPON SYSERR
               STOP RUN RETURNING 1
           END-IF
           MOVE 0 TO RAW-OFFSET(SLOT)
           GOBACK.
       END PROGRAM RAWOPEN.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. RAWPUT.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  BYTE-COUNT              PIC X(4) COMP-X.
       01  WRITE-FLAGS             PIC X COMP-X VALUE 0.
       COPY "rawstate.cpy".
       LINKAGE SECTION.
       01  SLOT                    PIC 9.
       01  LEN                     PIC 9(6).
       01  BYTES                   PIC X ANY LENGTH.
       PROCEDURE DIVISION USING SLOT LEN BYTES.
           MOVE LEN TO BYTE-COUNT
           CALL "CBL_WRITE_FILE" USING RAW-HANDLE(SLOT)
                RAW-OFFSET(SLOT) BYTE-COUNT WRITE-FLAGS BYTES
           IF RETURN-CODE NOT = 0
               DISPLAY "write failed" UPON SYSERR
               STOP RUN RETURNING 1
           END-IF
           ADD LEN TO RAW-OFFSET(SLOT)
           GOBACK.
       END PROGRAM RAWPUT.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. RAWCLOSE.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "rawstate.cpy".
       LINKAGE SECTION.
       01  SLOT                    PIC 9.
       PROCEDURE DIVISION USING SLOT.
           CALL "CBL_CLOSE_FILE" USING RAW-HANDLE(SLOT)
           GOBACK.
       END PROGRAM RAWCLOSE.
