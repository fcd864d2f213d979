      * Open raw output files, shared by RAWOPEN, RAWPUT and RAWCLOSE.
       01  RAW-STATE               EXTERNAL.
           05  RAW-SLOT            OCCURS 4.
               10  RAW-HANDLE      PIC X(4).
               10  RAW-OFFSET      PIC X(8) COMP-X.
