      * Writes orders.dat: three orders, each a header (OH), its lines
      * (OL) and a trailer (OT), as variable-length records that end
      * where their layout ends (no length prefix, no separator).
      * Usage: orders <output file>
       IDENTIFICATION DIVISION.
       PROGRAM-ID. ORDERS.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "order_header.cbl".
       COPY "order_line.cbl".
       COPY "order_trailer.cbl".
       COPY "rawfile.cpy".
       01  LINE-COUNT                  PIC 9(4).
       01  ORDER-TOTAL                 PIC S9(9)V99.
       PROCEDURE DIVISION.
           ACCEPT RAW-NAME FROM ARGUMENT-VALUE
           PERFORM RAW-OPEN

           MOVE 10001 TO OH-ORDER-ID
           MOVE 20240305 TO OH-ORDER-DATE
           MOVE 'Smith, "Bob" & Sons' TO OH-CUSTOMER-NAME
           MOVE "Leeds" TO OH-SHIP-CITY
           MOVE "E" TO OH-PRIORITY
           MOVE 2 TO OH-NOTE-COUNT
           MOVE "Leave at side door" TO OH-NOTE(1)
           MOVE "Call first, please" TO OH-NOTE(2)
           PERFORM PUT-HEADER
           MOVE 1 TO OL-LINE-NO
           MOVE "AB-1001" TO OL-SKU
           MOVE "Copper pipe 15mm, 3m" TO OL-DESCRIPTION
           MOVE 4 TO OL-QUANTITY
           MOVE 12.50 TO OL-UNIT-PRICE
           MOVE 0 TO OL-DISCOUNT-PCT
           MOVE 50.00 TO OL-AMOUNT
           PERFORM PUT-LINE
           MOVE 2 TO OL-LINE-NO
           MOVE "AB-2040" TO OL-SKU
           MOVE "Elbow joint 15mm" TO OL-DESCRIPTION
           MOVE 10 TO OL-QUANTITY
           MOVE 1.95 TO OL-UNIT-PRICE
           MOVE 5.0 TO OL-DISCOUNT-PCT
           MOVE 18.53 TO OL-AMOUNT
           PERFORM PUT-LINE
           MOVE 3 TO OL-LINE-NO
           MOVE "AB-1001" TO OL-SKU
           MOVE "Copper pipe 15mm, 3m" TO OL-DESCRIPTION
           MOVE -1 TO OL-QUANTITY
           MOVE 12.50 TO OL-UNIT-PRICE
           MOVE 0 TO OL-DISCOUNT-PCT
           MOVE -12.50 TO OL-AMOUNT
           PERFORM PUT-LINE
           PERFORM PUT-TRAILER

           MOVE 10002 TO OH-ORDER-ID
           MOVE 20240306 TO OH-ORDER-DATE
           MOVE SPACES TO OH-CUSTOMER-NAME
           STRING "M" X"FC" "ller Werkzeuge GmbH" DELIMITED BY SIZE
               INTO OH-CUSTOMER-NAME
           MOVE "Hamburg" TO OH-SHIP-CITY
           MOVE "S" TO OH-PRIORITY
           MOVE 0 TO OH-NOTE-COUNT
           PERFORM PUT-HEADER
           MOVE 1 TO OL-LINE-NO
           MOVE "CD-0300" TO OL-SKU
           MOVE "Drill bit set, 10 pcs" TO OL-DESCRIPTION
           MOVE 2 TO OL-QUANTITY
           MOVE 24.99 TO OL-UNIT-PRICE
           MOVE 10.0 TO OL-DISCOUNT-PCT
           MOVE 44.98 TO OL-AMOUNT
           PERFORM PUT-LINE
           PERFORM PUT-TRAILER

           MOVE 10003 TO OH-ORDER-ID
           MOVE 20240307 TO OH-ORDER-DATE
           MOVE "O'Neil Hardware" TO OH-CUSTOMER-NAME
           MOVE "Cork" TO OH-SHIP-CITY
           MOVE "E" TO OH-PRIORITY
           MOVE 1 TO OH-NOTE-COUNT
           MOVE 'Fragile: "glass"' TO OH-NOTE(1)
           PERFORM PUT-HEADER
           MOVE 1 TO OL-LINE-NO
           MOVE "EF-7700" TO OL-SKU
           MOVE "Window pane 60x90" TO OL-DESCRIPTION
           MOVE 3 TO OL-QUANTITY
           MOVE 89.00 TO OL-UNIT-PRICE
           MOVE 0 TO OL-DISCOUNT-PCT
           MOVE 267.00 TO OL-AMOUNT
           PERFORM PUT-LINE
           MOVE 2 TO OL-LINE-NO
           MOVE "EF-7710" TO OL-SKU
           MOVE "Glazing putty 1kg" TO OL-DESCRIPTION
           MOVE 1 TO OL-QUANTITY
           MOVE 6.40 TO OL-UNIT-PRICE
           MOVE 0 TO OL-DISCOUNT-PCT
           MOVE 6.40 TO OL-AMOUNT
           PERFORM PUT-LINE
           PERFORM PUT-TRAILER

           PERFORM RAW-CLOSE
           STOP RUN.

       PUT-HEADER.
           MOVE "OH" TO OH-RECORD-TYPE
           MOVE 0 TO LINE-COUNT
           MOVE 0 TO ORDER-TOTAL
           COMPUTE RAW-COUNT = 66 + 20 * OH-NOTE-COUNT
           CALL "CBL_WRITE_FILE" USING RAW-HANDLE RAW-OFFSET
                RAW-COUNT RAW-FLAGS ORDER-HEADER
           ADD RAW-COUNT TO RAW-OFFSET.

       PUT-LINE.
           MOVE "OL" TO OL-RECORD-TYPE
           MOVE OH-ORDER-ID TO OL-ORDER-ID
           ADD 1 TO LINE-COUNT
           ADD OL-AMOUNT TO ORDER-TOTAL
           MOVE LENGTH OF ORDER-LINE TO RAW-COUNT
           CALL "CBL_WRITE_FILE" USING RAW-HANDLE RAW-OFFSET
                RAW-COUNT RAW-FLAGS ORDER-LINE
           ADD RAW-COUNT TO RAW-OFFSET.

       PUT-TRAILER.
           MOVE "OT" TO OT-RECORD-TYPE
           MOVE OH-ORDER-ID TO OT-ORDER-ID
           MOVE LINE-COUNT TO OT-LINE-COUNT
           MOVE ORDER-TOTAL TO OT-ORDER-TOTAL
           MOVE LENGTH OF ORDER-TRAILER TO RAW-COUNT
           CALL "CBL_WRITE_FILE" USING RAW-HANDLE RAW-OFFSET
                RAW-COUNT RAW-FLAGS ORDER-TRAILER
           ADD RAW-COUNT TO RAW-OFFSET.

       COPY "rawproc.cpy".
