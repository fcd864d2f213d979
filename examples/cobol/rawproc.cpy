      * Opening and closing the raw output file named by RAW-NAME.
       RAW-OPEN.
           CALL "CBL_DELETE_FILE" USING RAW-NAME
           CALL "CBL_CREATE_FILE" USING RAW-NAME RAW-ACCESS RAW-DENY
                RAW-DEVICE RAW-HANDLE
           IF RETURN-CODE NOT = 0
               DISPLAY "cannot create " FUNCTION TRIM(RAW-NAME)
                   UPON SYSERR
               STOP RUN RETURNING 1
           END-IF.

       RAW-CLOSE.
           CALL "CBL_CLOSE_FILE" USING RAW-HANDLE.
