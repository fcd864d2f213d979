000100*================================================================ CUSTMAST
000200* CUSTMAST - CUSTOMER MASTER RECORD, RETAIL BANKING               CUSTMAST
000300* ONE RECORD PER CUSTOMER, FIXED LENGTH 200 BYTES.                CUSTMAST
000400* MAINTAINED BY CIF NIGHTLY UPDATE (JOB CIFN0100).                CUSTMAST
000500*================================================================ CUSTMAST
000600 01  CUSTOMER-MASTER-REC.                                         CUSTMAST
000700     05  CUST-REC-TYPE            PIC X         VALUE 'C'.        CUSTMAST
000800     05  CUST-NUMBER              PIC 9(9)      COMP.             CUSTMAST
000900     05  CUST-BRANCH              PIC 9(4).                       CUSTMAST
001000     05  CUST-STATUS              PIC X.                          CUSTMAST
001100         88  CUST-ACTIVE                        VALUE 'A'.        CUSTMAST
001200         88  CUST-INACTIVE                      VALUES ARE 'I' 'D'CUSTMAST
001300                                                           'X'.   CUSTMAST
001400*---------------------------------------------------------------  CUSTMAST
001500*    NAME AND POSTAL ADDRESS                                      CUSTMAST
001600*---------------------------------------------------------------  CUSTMAST
001700     05  CUST-NAME.                                               CUSTMAST
001800         10  CUST-LAST-NAME       PIC X(20).                      CUSTMAST
001900         10  CUST-FIRST-NAME      PIC X(15).                      CUSTMAST
002000         10  CUST-MIDDLE-INIT     PIC X.                          CUSTMAST
002100     05  CUST-ADDRESS.                                            CUSTMAST
002200         10  CUST-ADDR-LINE       PIC X(25)     OCCURS 2 TIMES.   CUSTMAST
002300         10  CUST-CITY            PIC X(15).                      CUSTMAST
002400         10  CUST-STATE           PIC XX.                         CUSTMAST
002500         10  CUST-ZIP             PIC 9(5).                       CUSTMAST
002600     05  CUST-ADDRESS-FLAT        REDEFINES CUST-ADDRESS          CUSTMAST
002700                                  PIC X(72).                      CUSTMAST
002800     05  CUST-BIRTH-DATE          PIC 9(8).                       CUSTMAST
002900     05  CUST-BIRTH-DATE-R        REDEFINES CUST-BIRTH-DATE.      CUSTMAST
003000         10  CUST-BIRTH-YYYY      PIC 9(4).                       CUSTMAST
003100         10  CUST-BIRTH-MM        PIC 99.                         CUSTMAST
003200         10  CUST-BIRTH-DD        PIC 99.                         CUSTMAST
003300     05  CUST-PHONE               OCCURS 2.                       CUSTMAST
003400         10  CUST-PHONE-TYPE      PIC X.                          CUSTMAST
003500             88  CUST-PHONE-HOME                VALUE 'H'.        CUSTMAST
003600             88  CUST-PHONE-MOBILE              VALUE 'M'.        CUSTMAST
003700         10  CUST-PHONE-NUMBER    PIC 9(10).                      CUSTMAST
003800     05  CUST-SEGMENT             PIC 99        VALUE ZERO.       CUSTMAST
003900         88  CUST-SEG-RETAIL                    VALUE 1.          CUSTMAST
004000         88  CUST-SEG-PRIVATE                   VALUES 5 6 7.     CUSTMAST
004100/                                                                 CUSTMAST
004200*---------------------------------------------------------------  CUSTMAST
004300*    BALANCES: LIMIT PACKED, LEDGER BALANCE WITH A LEADING        CUSTMAST
004400*    SEPARATE SIGN FOR THE STATEMENT EXTRACT                      CUSTMAST
004500*---------------------------------------------------------------  CUSTMAST
004600     05  CUST-CREDIT-LIMIT        PIC S9(7)V99  COMP-3.           CUSTMAST
004700     05  CUST-BALANCE             PIC S9(9)V99                    CUSTMAST
004800                                  SIGN IS LEADING SEPARATE        CUSTMAST
004900                                  CHARACTER.                      CUSTMAST
005000     05  CUST-YTD-INTEREST        PIC S9(5)V99.                   CUSTMAST
005100     05  CUST-RISK-SCORE          PIC S9(3)     SIGN LEADING.     CUSTMAST
005200     05  CUST-OVERDRAFT-COUNT     PIC S9(4)     COMP.             CUSTMAST
005300     05  FILLER                   PIC X(3).                       CUSTMAST
005400     05                           PIC X(2)      VALUE SPACES.     CUSTMAST
005500     05  CUST-LAST-MAINT-USER     PIC X(8).                       CUSTMAST
005600     05  CUST-LAST-MAINT-DATE     PIC 9(8).                       CUSTMAST
005700 66  CUST-KEY                     RENAMES CUST-NUMBER.            CUSTMAST
