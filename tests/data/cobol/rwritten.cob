      *================================================================
      * RWRITTEN - reads a file of WRITTEN-REC records that lyra wrote.
      *
      * Usage: rwritten <input file>
      * Reads the fixed-length records one by one and prints every
      * field of each on a line of its own: text as it stands between
      * brackets, numbers moved to an edited item with a sign, so that
      * a test compares what COBOL reads with the values lyra was given.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. RWRITTEN.
       ENVIRONMENT DIVISION.
       INPUT-OUTPUT SECTION.
       FILE-CONTROL.
           SELECT IN-FILE ASSIGN TO IN-NAME
               ORGANIZATION IS SEQUENTIAL
               FILE STATUS IS IN-STATUS.
       DATA DIVISION.
       FILE SECTION.
       FD  IN-FILE.
       COPY "written.cpy".
       WORKING-STORAGE SECTION.
       01  IN-NAME                 PIC X(256).
       01  IN-STATUS               PIC XX.
       01  REC-NO                  PIC 9(4) VALUE 0.
       01  K                       PIC 9.
       01  SHOWN-INT               PIC -(18)9.
       01  SHOWN-DEC               PIC -(9)9.99.
       01  SHOWN-ONE               PIC -(9)9.9.
       PROCEDURE DIVISION.
           ACCEPT IN-NAME FROM ARGUMENT-VALUE
           OPEN INPUT IN-FILE
           IF IN-STATUS NOT = "00"
               DISPLAY "cannot open: " IN-STATUS
               STOP RUN
           END-IF
           PERFORM UNTIL IN-STATUS NOT = "00"
               READ IN-FILE
                   AT END CONTINUE
                   NOT AT END PERFORM SHOW-RECORD
               END-READ
           END-PERFORM
           CLOSE IN-FILE
           STOP RUN.

       SHOW-RECORD.
           ADD 1 TO REC-NO
           DISPLAY "record " REC-NO
           MOVE WR-ID TO SHOWN-INT
           DISPLAY "WR-ID " FUNCTION TRIM(SHOWN-INT)
           DISPLAY "WR-NAME [" WR-NAME "]"
           MOVE WR-ZONED TO SHOWN-DEC
           DISPLAY "WR-ZONED " FUNCTION TRIM(SHOWN-DEC)
           MOVE WR-LEAD TO SHOWN-INT
           DISPLAY "WR-LEAD " FUNCTION TRIM(SHOWN-INT)
           MOVE WR-SEP TO SHOWN-ONE
           DISPLAY "WR-SEP " FUNCTION TRIM(SHOWN-ONE)
           MOVE WR-PACKED TO SHOWN-DEC
           DISPLAY "WR-PACKED " FUNCTION TRIM(SHOWN-DEC)
           MOVE WR-UPACKED TO SHOWN-INT
           DISPLAY "WR-UPACKED " FUNCTION TRIM(SHOWN-INT)
           MOVE WR-BIN2 TO SHOWN-INT
           DISPLAY "WR-BIN2 " FUNCTION TRIM(SHOWN-INT)
           MOVE WR-BIN4 TO SHOWN-INT
           DISPLAY "WR-BIN4 " FUNCTION TRIM(SHOWN-INT)
           MOVE WR-BIN8 TO SHOWN-INT
           DISPLAY "WR-BIN8 " FUNCTION TRIM(SHOWN-INT)
           DISPLAY "WR-EDITED [" WR-EDITED "]"
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > 3
               DISPLAY "WR-ITEM " K " [" WR-ITEM(K) "]"
           END-PERFORM.
