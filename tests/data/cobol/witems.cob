      *================================================================
      * WITEMS - writes the item and price test file.
      *
      * Usage: witems <output file>
      * Writes 10 itemprice records (the copybook in lower case) of 90
      * bytes each and prints the expected value of every column.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WITEMS.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "itemprice.cpy".
       COPY "expect.cpy".
       01  ITEM-ROWS.
      *        sku, upc, dept, size (9(3)V9), uom, tax, promo, date
           05  FILLER PIC X(39) VALUE
               "100000010123456789051000120lbAy20240301".
           05  FILLER PIC X(39) VALUE
               "100000020360002914521100015kgBn20240215".
           05  FILLER PIC X(39) VALUE
               "100000030000000000001209999ozEY20231201".
           05  FILLER PIC X(39) VALUE
               "100000040718310080161300000eaAn20240101".
           05  FILLER PIC X(39) VALUE
               "200000054900000371292000120ctCn20240302".
           05  FILLER PIC X(39) VALUE
               "200000064900000371292000120ctCy20240302".
           05  FILLER PIC X(39) VALUE
               "30000007000007ABCDEF3000010eaZn19991231".
           05  FILLER PIC X(39) VALUE
               "999999999999999999999999999lbAn20240331".
           05  FILLER PIC X(39) VALUE
               "000000010000000000011000001ozAn20240331".
           05  FILLER PIC X(39) VALUE
               "400000100120001611554007500mlBy20240310".
       01  ITEM-TABLE REDEFINES ITEM-ROWS.
           05  ITEM-ROW OCCURS 10.
               10  ROW-SKU         PIC 9(8).
               10  ROW-UPC         PIC X(12).
               10  ROW-DEPT        PIC 9(3).
               10  ROW-SIZE        PIC 9(3)V9.
               10  ROW-UOM         PIC XX.
               10  ROW-TAX         PIC X.
               10  ROW-PROMO       PIC X.
               10  ROW-DATE        PIC 9(8).
       01  N                       PIC 99.
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           PERFORM VARYING EXP-REC-NO FROM 1 BY 1 UNTIL EXP-REC-NO > 10
               MOVE EXP-REC-NO TO N
               PERFORM BUILD-RECORD
               MOVE LENGTH OF ITEM-PRICE-REC TO OUT-LEN
               CALL "RAWPUT" USING "1" OUT-LEN ITEM-PRICE-REC
               PERFORM PRINT-EXPECTED
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       BUILD-RECORD.
           MOVE SPACES TO ITEM-PRICE-REC
           MOVE ROW-SKU(N) TO ITEM-SKU
           MOVE ROW-UPC(N) TO ITEM-UPC
           MOVE ROW-DEPT(N) TO ITEM-DEPT
           MOVE ROW-SIZE(N) TO ITEM-SIZE
           MOVE ROW-UOM(N) TO ITEM-UOM
           MOVE ROW-TAX(N) TO ITEM-TAX-CODE
           MOVE ROW-PROMO(N) TO ITEM-PROMO-FLAG
           MOVE ROW-DATE(N) TO ITEM-LAST-PRICE-CHG
           EVALUATE N
           WHEN 1
               MOVE "Bananas, Cavendish" TO ITEM-DESC
               MOVE 0.59 TO ITEM-REG-PRICE  MOVE 0.49 TO ITEM-SALE-PRICE
               MOVE 0.3125 TO ITEM-UNIT-COST
               MOVE 1250 TO ITEM-QTY-ON-HAND  MOVE 40 TO ITEM-CASE-PACK
               MOVE .17 TO ITEM-MARKDOWN-PCT
           WHEN 2
               MOVE "Flour 1.5kg (T55)" TO ITEM-DESC
               MOVE 3.49 TO ITEM-REG-PRICE  MOVE 3.49 TO ITEM-SALE-PRICE
               MOVE 1.9876 TO ITEM-UNIT-COST
               MOVE 86 TO ITEM-QTY-ON-HAND  MOVE 12 TO ITEM-CASE-PACK
               MOVE 0 TO ITEM-MARKDOWN-PCT
           WHEN 3
               MOVE "SAFFRON THREADS 1G" TO ITEM-DESC
               MOVE 99999.99 TO ITEM-REG-PRICE
               MOVE 89999.99 TO ITEM-SALE-PRICE
               MOVE 999.9999 TO ITEM-UNIT-COST
               MOVE 9999999 TO ITEM-QTY-ON-HAND
               MOVE 999 TO ITEM-CASE-PACK
               MOVE .99 TO ITEM-MARKDOWN-PCT
           WHEN 4
      *        Shrink: counted stock below zero, cost written down.
               MOVE "GIFT CARD $25 [ACTIVATE]" TO ITEM-DESC
               MOVE 25.00 TO ITEM-REG-PRICE
               MOVE 25.00 TO ITEM-SALE-PRICE
               MOVE 0 TO ITEM-UNIT-COST
               MOVE -3 TO ITEM-QTY-ON-HAND  MOVE 1 TO ITEM-CASE-PACK
               MOVE 0 TO ITEM-MARKDOWN-PCT
           WHEN 5
               MOVE "COLA 12PK CANS" TO ITEM-DESC
               MOVE 6.99 TO ITEM-REG-PRICE  MOVE 5.99 TO ITEM-SALE-PRICE
               MOVE 4.1234 TO ITEM-UNIT-COST
               MOVE 340 TO ITEM-QTY-ON-HAND  MOVE 2 TO ITEM-CASE-PACK
               MOVE .14 TO ITEM-MARKDOWN-PCT
           WHEN 6
               MOVE "COLA 12PK CANS - PROMO" TO ITEM-DESC
               MOVE 6.99 TO ITEM-REG-PRICE  MOVE 4.99 TO ITEM-SALE-PRICE
               MOVE 4.1234 TO ITEM-UNIT-COST
               MOVE 0 TO ITEM-QTY-ON-HAND  MOVE 2 TO ITEM-CASE-PACK
               MOVE .29 TO ITEM-MARKDOWN-PCT
           WHEN 7
      *        A price correction: negative prices and markdown.
               MOVE "ADJ: PRICE CORRECTION" TO ITEM-DESC
               MOVE -0.01 TO ITEM-REG-PRICE
               MOVE -99999.99 TO ITEM-SALE-PRICE
               MOVE -999.9999 TO ITEM-UNIT-COST
               MOVE -9999999 TO ITEM-QTY-ON-HAND
               MOVE 0 TO ITEM-CASE-PACK
               MOVE -.05 TO ITEM-MARKDOWN-PCT
           WHEN 8
               MOVE "zzz test item do not use" TO ITEM-DESC
               MOVE 0 TO ITEM-REG-PRICE  MOVE 0 TO ITEM-SALE-PRICE
               MOVE 0.0001 TO ITEM-UNIT-COST
               MOVE 1 TO ITEM-QTY-ON-HAND  MOVE 0 TO ITEM-CASE-PACK
               MOVE -.99 TO ITEM-MARKDOWN-PCT
           WHEN 9
               MOVE "SALT SACHET" TO ITEM-DESC
               MOVE 0.05 TO ITEM-REG-PRICE  MOVE 0.05 TO ITEM-SALE-PRICE
               MOVE 0.0042 TO ITEM-UNIT-COST
               MOVE 100000 TO ITEM-QTY-ON-HAND
               MOVE 500 TO ITEM-CASE-PACK
               MOVE .01 TO ITEM-MARKDOWN-PCT
           WHEN OTHER
               MOVE "OLIVE OIL EXTRA VIRGIN!" TO ITEM-DESC
               MOVE 12.49 TO ITEM-REG-PRICE
               MOVE 9.99 TO ITEM-SALE-PRICE
               MOVE 7.5 TO ITEM-UNIT-COST
               MOVE 64 TO ITEM-QTY-ON-HAND  MOVE 6 TO ITEM-CASE-PACK
               MOVE .20 TO ITEM-MARKDOWN-PCT
           END-EVALUATE.

       PRINT-EXPECTED.
           MOVE ITEM-SKU TO EXP-NUM
           CALL "PUTNUM" USING "item-sku" "0" EXP-NUM
           CALL "PUTTXT" USING "item-upc" ITEM-UPC
           CALL "PUTTXT" USING "item-upc-mfr" ITEM-UPC-MFR
           CALL "PUTTXT" USING "item-upc-product" ITEM-UPC-PRODUCT
           CALL "PUTTXT" USING "item-upc-check" ITEM-UPC-CHECK
           CALL "PUTTXT" USING "item-desc" ITEM-DESC
           MOVE ITEM-DEPT TO EXP-NUM
           CALL "PUTNUM" USING "item-dept" "0" EXP-NUM
           MOVE ITEM-SIZE TO EXP-NUM
           CALL "PUTNUM" USING "item-size" "1" EXP-NUM
           CALL "PUTTXT" USING "item-uom" ITEM-UOM
           MOVE ITEM-REG-PRICE TO EXP-NUM
           CALL "PUTNUM" USING "item-reg-price" "2" EXP-NUM
           MOVE ITEM-SALE-PRICE TO EXP-NUM
           CALL "PUTNUM" USING "item-sale-price" "2" EXP-NUM
           MOVE ITEM-UNIT-COST TO EXP-NUM
           CALL "PUTNUM" USING "item-unit-cost" "4" EXP-NUM
           MOVE ITEM-QTY-ON-HAND TO EXP-NUM
           CALL "PUTNUM" USING "item-qty-on-hand" "0" EXP-NUM
           MOVE ITEM-CASE-PACK TO EXP-NUM
           CALL "PUTNUM" USING "item-case-pack" "0" EXP-NUM
           CALL "PUTTXT" USING "item-tax-code" ITEM-TAX-CODE
           CALL "PUTTXT" USING "item-promo-flag" ITEM-PROMO-FLAG
           MOVE ITEM-MARKDOWN-PCT TO EXP-NUM
           CALL "PUTNUM" USING "item-markdown-pct" "2" EXP-NUM
           MOVE ITEM-LAST-PRICE-CHG TO EXP-NUM
           CALL "PUTNUM" USING "item-last-price-chg" "0" EXP-NUM
           CALL "PUTTXT" USING "FILLER" ITEM-PRICE-REC(85:6).
