      * Writes customers.dat: three 80-byte customer records (ASCII)
      * described by custrec.cbl.
      * Usage: customers <output file>
       IDENTIFICATION DIVISION.
       PROGRAM-ID. CUSTOMERS.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "custrec.cbl".
       COPY "rawfile.cpy".
       PROCEDURE DIVISION.
           ACCEPT RAW-NAME FROM ARGUMENT-VALUE
           PERFORM RAW-OPEN

           MOVE 42 TO CUST-ID
           MOVE "Ada Lovelace" TO CUST-NAME
           MOVE "P" TO CUST-TYPE
           MOVE 20190514 TO CUST-OPENED-DATE
           MOVE 15230.75 TO CUST-BALANCE
           MOVE 5000 TO CUST-CREDIT-LIMIT
           MOVE 12 TO CUST-RISK-SCORE
           MOVE "+44 20 7946" TO CUST-PHONE(1)
           MOVE "+44 7700 900" TO CUST-PHONE(2)
           PERFORM PUT-CUSTOMER

           MOVE 107 TO CUST-ID
           MOVE "Bletchley Radio Ltd" TO CUST-NAME
           MOVE "B" TO CUST-TYPE
           MOVE 20201102 TO CUST-OPENED-DATE
           MOVE -2045.10 TO CUST-BALANCE
           MOVE 25000 TO CUST-CREDIT-LIMIT
           MOVE -3 TO CUST-RISK-SCORE
           MOVE "+44 1908 640" TO CUST-PHONE(1)
           MOVE SPACES TO CUST-PHONE(2)
           PERFORM PUT-CUSTOMER

           MOVE 233 TO CUST-ID
           MOVE "Grace Hopper" TO CUST-NAME
           MOVE "P" TO CUST-TYPE
           MOVE 20210130 TO CUST-OPENED-DATE
           MOVE 0 TO CUST-BALANCE
           MOVE 1500 TO CUST-CREDIT-LIMIT
           MOVE 100 TO CUST-RISK-SCORE
           MOVE "+1 202 555" TO CUST-PHONE(1)
           MOVE SPACES TO CUST-PHONE(2)
           PERFORM PUT-CUSTOMER

           PERFORM RAW-CLOSE
           STOP RUN.

       PUT-CUSTOMER.
           MOVE SPACES TO CUSTOMER-RECORD(78:3)
           MOVE LENGTH OF CUSTOMER-RECORD TO RAW-COUNT
           CALL "CBL_WRITE_FILE" USING RAW-HANDLE RAW-OFFSET
                RAW-COUNT RAW-FLAGS CUSTOMER-RECORD
           ADD RAW-COUNT TO RAW-OFFSET.

       COPY "rawproc.cpy".
