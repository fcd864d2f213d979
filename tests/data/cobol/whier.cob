      *================================================================
      * WHIER - writes the bank statement file of record hierarchies.
      *
      * Usage: whier <file>
      * Customers ('C', the roots), their accounts ('A') and phones
      * ('P'), and each account's transactions ('T'), every record
      * padded with spaces to 72 bytes. The first customer has two
      * accounts with transactions and a phone, the second nothing,
      * the third a transaction before any account of its own (a
      * child without its parent, which readers must refuse), then
      * a phone, an account with a transaction and a second phone.
      * Besides each column's value, the expected values give each
      * record's layout (_layout) and the number of its parent record
      * (_parent): "null" for a customer, "none" for the transaction
      * that has none.
      *================================================================
       IDENTIFICATION DIVISION.
       PROGRAM-ID. WHIER.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "hcust.cpy".
       COPY "hacct.cpy".
       COPY "hphone.cpy".
       COPY "htxn.cpy".
       COPY "expect.cpy".
       01  REC-LEN                 PIC 9(6)  VALUE 72.
       01  REC-AREA                PIC X(72).
       01  REC-STEP                    PIC 99.
       01  CUST-NO                 PIC 9.
       01  ACCT-REC-NO             PIC 9(6)  VALUE 0.
       01  CUST-REC-NO             PIC 9(6)  VALUE 0.
       01  PARENT-ED               PIC Z(5)9.
       01  I                       PIC 9.
       01  LIMIT-SEED              PIC S9(5)V99.
       PROCEDURE DIVISION.
           ACCEPT OUT-NAME FROM ARGUMENT-VALUE
           CALL "RAWOPEN" USING "1" OUT-NAME
           MOVE 0 TO EXP-REC-NO
           PERFORM VARYING REC-STEP FROM 1 BY 1 UNTIL REC-STEP > 14
               ADD 1 TO EXP-REC-NO
               EVALUATE REC-STEP
                 WHEN 1  PERFORM CUSTOMER-1
                 WHEN 2  PERFORM ACCOUNT-1
                 WHEN 3  MOVE 20240105 TO HT-DATE
                         MOVE 1500.00 TO HT-AMOUNT
                         MOVE "SALARY" TO HT-MEMO
                         PERFORM PUT-TXN
                 WHEN 4  MOVE 20240111 TO HT-DATE
                         MOVE -42.17 TO HT-AMOUNT
                         MOVE "GROCERIES" TO HT-MEMO
                         PERFORM PUT-TXN
                 WHEN 5  MOVE "M" TO HP-KIND
                         MOVE 4915112345 TO HP-NUMBER
                         PERFORM PUT-PHONE
                 WHEN 6  PERFORM ACCOUNT-2
                 WHEN 7  MOVE 20240131 TO HT-DATE
                         MOVE 0.35 TO HT-AMOUNT
                         MOVE "INTEREST" TO HT-MEMO
                         PERFORM PUT-TXN
                 WHEN 8  PERFORM CUSTOMER-2
                 WHEN 9  PERFORM CUSTOMER-3
      *          A transaction before any account of customer 3.
                 WHEN 10 MOVE 20231231 TO HT-DATE
                         MOVE -9999999.99 TO HT-AMOUNT
                         MOVE "STRAY" TO HT-MEMO
                         MOVE 0 TO ACCT-REC-NO
                         PERFORM PUT-TXN
                 WHEN 11 MOVE "H" TO HP-KIND
                         MOVE 302222333 TO HP-NUMBER
                         PERFORM PUT-PHONE
                 WHEN 12 PERFORM ACCOUNT-3
                 WHEN 13 MOVE 20240229 TO HT-DATE
                         MOVE -0.01 TO HT-AMOUNT
                         MOVE "FEE" TO HT-MEMO
                         PERFORM PUT-TXN
                 WHEN OTHER
                         MOVE "W" TO HP-KIND
                         MOVE 0 TO HP-NUMBER
                         PERFORM PUT-PHONE
               END-EVALUATE
           END-PERFORM
           CALL "RAWCLOSE" USING "1"
           STOP RUN.

       CUSTOMER-1.
           MOVE 100001 TO HC-CUST-ID
           MOVE "LINDQVIST" TO HC-LAST-NAME
           MOVE "ASTRID" TO HC-FIRST-NAME
           MOVE 1998 TO HC-SINCE-YEAR
           MOVE 4 TO HC-SINCE-MONTH
           MOVE "VIP" TO HC-TAG(1)
           MOVE "EU" TO HC-TAG(2)
           MOVE SPACES TO HC-TAG(3)
           PERFORM PUT-CUSTOMER.

       CUSTOMER-2.
           MOVE 100002 TO HC-CUST-ID
           MOVE "OKONKWO" TO HC-LAST-NAME
           MOVE "CHIDI" TO HC-FIRST-NAME
           MOVE 2021 TO HC-SINCE-YEAR
           MOVE 12 TO HC-SINCE-MONTH
           MOVE SPACES TO HC-TAGS
           PERFORM PUT-CUSTOMER.

       CUSTOMER-3.
           MOVE 100003 TO HC-CUST-ID
           MOVE "DE LA CRUZ" TO HC-LAST-NAME
           MOVE "MARIA JOSE" TO HC-FIRST-NAME
           MOVE 2010 TO HC-SINCE-YEAR
           MOVE 1 TO HC-SINCE-MONTH
           MOVE "NEW" TO HC-TAG(1)
           MOVE "US" TO HC-TAG(2)
           MOVE "B2B" TO HC-TAG(3)
           PERFORM PUT-CUSTOMER.

       ACCOUNT-1.
           MOVE 50000001 TO HA-ACCT-NO
           MOVE "CK" TO HA-KIND
           MOVE 12345.67 TO HA-BALANCE
           MOVE 2 TO HA-QUARTER-COUNT
           MOVE 1000.00 TO LIMIT-SEED
           PERFORM PUT-ACCOUNT.

       ACCOUNT-2.
           MOVE 50000002 TO HA-ACCT-NO
           MOVE "SV" TO HA-KIND
           MOVE -0.50 TO HA-BALANCE
           MOVE 0 TO HA-QUARTER-COUNT
           MOVE 0 TO LIMIT-SEED
           PERFORM PUT-ACCOUNT.

       ACCOUNT-3.
           MOVE 50000003 TO HA-ACCT-NO
           MOVE "MM" TO HA-KIND
           MOVE 9999999.99 TO HA-BALANCE
           MOVE 4 TO HA-QUARTER-COUNT
           MOVE -99999.99 TO LIMIT-SEED
           PERFORM PUT-ACCOUNT.

       PUT-CUSTOMER.
           MOVE "C" TO HC-REC-TYPE
           MOVE "ZZZZ" TO HC-CUSTOMER(45:4)
           MOVE EXP-REC-NO TO CUST-REC-NO
           MOVE HC-CUSTOMER TO REC-AREA
           CALL "RAWPUT" USING "1" REC-LEN REC-AREA
           CALL "PUTTXT" USING "_layout" "C"
           CALL "PUTTXT" USING "_parent" "null"
           CALL "PUTTXT" USING "HC-REC-TYPE" HC-REC-TYPE
           MOVE HC-CUST-ID TO EXP-NUM
           CALL "PUTNUM" USING "HC-CUST-ID" "0" EXP-NUM
           CALL "PUTTXT" USING "HC-LAST-NAME" HC-LAST-NAME
           CALL "PUTTXT" USING "HC-FIRST-NAME" HC-FIRST-NAME
           MOVE HC-SINCE-YEAR TO EXP-NUM
           CALL "PUTNUM" USING "HC-SINCE-YEAR" "0" EXP-NUM
           MOVE HC-SINCE-MONTH TO EXP-NUM
           CALL "PUTNUM" USING "HC-SINCE-MONTH" "0" EXP-NUM
           CALL "PUTTXT" USING "HC-SINCE-TEXT" HC-SINCE-TEXT
           CALL "PUTTXT" USING "HC-TAG" HC-TAG(1)
           MOVE 1 TO EXP-SUF
           CALL "PUTTXTN" USING "HC-TAG" EXP-SUF HC-TAG(2)
           MOVE 2 TO EXP-SUF
           CALL "PUTTXTN" USING "HC-TAG" EXP-SUF HC-TAG(3)
           CALL "PUTTXT" USING "FILLER" HC-CUSTOMER(45:4).

       PUT-ACCOUNT.
           MOVE "A" TO HA-REC-TYPE
           MOVE "D" TO HA-LIMIT-CODE(1)
           MOVE LIMIT-SEED TO HA-LIMIT-AMT(1)
           MOVE "W" TO HA-LIMIT-CODE(2)
           COMPUTE HA-LIMIT-AMT(2) = LIMIT-SEED / 4
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > HA-QUARTER-COUNT
               MOVE I TO HA-Q-NO(I)
               COMPUTE HA-Q-IN(I) = I * 1000.25
               COMPUTE HA-Q-OUT(I) = 0 - I * 333.33
           END-PERFORM
           MOVE EXP-REC-NO TO ACCT-REC-NO
           MOVE SPACES TO REC-AREA
           MOVE HA-ACCOUNT TO REC-AREA
           CALL "RAWPUT" USING "1" REC-LEN REC-AREA
           CALL "PUTTXT" USING "_layout" "A"
           MOVE CUST-REC-NO TO PARENT-ED
           CALL "PUTTXT" USING "_parent" FUNCTION TRIM(PARENT-ED)
           CALL "PUTTXT" USING "HA-REC-TYPE" HA-REC-TYPE
           MOVE HA-ACCT-NO TO EXP-NUM
           CALL "PUTNUM" USING "HA-ACCT-NO" "0" EXP-NUM
           CALL "PUTTXT" USING "HA-KIND" HA-KIND
           MOVE HA-BALANCE TO EXP-NUM
           CALL "PUTNUM" USING "HA-BALANCE" "2" EXP-NUM
           CALL "PUTTXT" USING "HA-LIMIT-CODE" HA-LIMIT-CODE(1)
           MOVE HA-LIMIT-AMT(1) TO EXP-NUM
           CALL "PUTNUM" USING "HA-LIMIT-AMT" "2" EXP-NUM
           MOVE 1 TO EXP-SUF
           CALL "PUTTXTN" USING "HA-LIMIT-CODE" EXP-SUF HA-LIMIT-CODE(2)
           MOVE HA-LIMIT-AMT(2) TO EXP-NUM
           CALL "PUTNUMN" USING "HA-LIMIT-AMT" EXP-SUF "2" EXP-NUM
           MOVE HA-QUARTER-COUNT TO EXP-NUM
           CALL "PUTNUM" USING "HA-QUARTER-COUNT" "0" EXP-NUM
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > HA-QUARTER-COUNT
               PERFORM PUT-QUARTER
           END-PERFORM.

       PUT-QUARTER.
           COMPUTE EXP-SUF = I - 1
           MOVE HA-Q-NO(I) TO EXP-NUM
           CALL "PUTNUMN" USING "HA-Q-NO" EXP-SUF "0" EXP-NUM
           MOVE HA-Q-IN(I) TO EXP-NUM
           CALL "PUTNUMN" USING "HA-Q-IN" EXP-SUF "2" EXP-NUM
           MOVE HA-Q-OUT(I) TO EXP-NUM
           CALL "PUTNUMN" USING "HA-Q-OUT" EXP-SUF "2" EXP-NUM.

       PUT-PHONE.
           MOVE "P" TO HP-REC-TYPE
           MOVE SPACES TO REC-AREA
           MOVE HP-PHONE TO REC-AREA
           CALL "RAWPUT" USING "1" REC-LEN REC-AREA
           CALL "PUTTXT" USING "_layout" "P"
           MOVE CUST-REC-NO TO PARENT-ED
           CALL "PUTTXT" USING "_parent" FUNCTION TRIM(PARENT-ED)
           CALL "PUTTXT" USING "HP-REC-TYPE" HP-REC-TYPE
           CALL "PUTTXT" USING "HP-KIND" HP-KIND
           MOVE HP-NUMBER TO EXP-NUM
           CALL "PUTNUM" USING "HP-NUMBER" "0" EXP-NUM.

       PUT-TXN.
           MOVE "T" TO HT-REC-TYPE
           MOVE SPACES TO REC-AREA
           MOVE HT-TRANSACTION TO REC-AREA
           CALL "RAWPUT" USING "1" REC-LEN REC-AREA
           CALL "PUTTXT" USING "_layout" "T"
           IF ACCT-REC-NO = 0
               CALL "PUTTXT" USING "_parent" "none"
           ELSE
               MOVE ACCT-REC-NO TO PARENT-ED
               CALL "PUTTXT" USING "_parent" FUNCTION TRIM(PARENT-ED)
           END-IF
           CALL "PUTTXT" USING "HT-REC-TYPE" HT-REC-TYPE
           MOVE HT-YEAR TO EXP-NUM
           CALL "PUTNUM" USING "HT-YEAR" "0" EXP-NUM
           MOVE HT-MONTH TO EXP-NUM
           CALL "PUTNUM" USING "HT-MONTH" "0" EXP-NUM
           MOVE HT-DAY TO EXP-NUM
           CALL "PUTNUM" USING "HT-DAY" "0" EXP-NUM
           MOVE HT-AMOUNT TO EXP-NUM
           CALL "PUTNUM" USING "HT-AMOUNT" "2" EXP-NUM
           CALL "PUTTXT" USING "HT-MEMO" HT-MEMO.
