000100*================================================================ ACCTREC
000200* ACCTREC - DEPOSIT ACCOUNT RECORD WITH RECENT ACTIVITY           ACCTREC
000300* VARIABLE LENGTH: 56 BYTES FIXED PART, 0 TO 12 ACTIVITY          ACCTREC
000400* ENTRIES OF 28 BYTES EACH, THEN THE 8-BYTE STATEMENT DATE.       ACCTREC
000500*================================================================ ACCTREC
000600 01  ACCOUNT-RECORD.                                              ACCTREC
000700     05  ACCT-KEY.                                                ACCTREC
000800         10  ACCT-BRANCH          PIC 9(4).                       ACCTREC
000900         10  ACCT-NUMBER          PIC 9(10).                      ACCTREC
001000     05  ACCT-TYPE                PIC XX.                         ACCTREC
001100         88  ACCT-CHECKING                  VALUE 'CK'.           ACCTREC
001200         88  ACCT-SAVINGS                   VALUES 'SV' 'MM'.     ACCTREC
001300     05  ACCT-OPEN-DATE           PIC 9(8).                       ACCTREC
001400     05  ACCT-CURRENCY            PIC X(3)  VALUE 'USD'.          ACCTREC
001500     05  ACCT-LEDGER-BAL          PIC S9(11)V99                   ACCTREC
001600                                  USAGE IS COMP-3.                ACCTREC
001700     05  ACCT-AVAIL-BAL           PIC S9(11)V99                   ACCTREC
001800                                  COMPUTATIONAL-3.                ACCTREC
001900     05  ACCT-INT-RATE            PIC 9V9(4) COMP-3.              ACCTREC
002000     05  ACCT-HOLD-AMT            PIC S9(6)V99 PACKED-DECIMAL.    ACCTREC
002100     05  ACCT-ACCRUED-INT         PIC S9(5)V9(4) COMP-3.          ACCTREC
002200     05  ACCT-TXN-COUNT           PIC S9(4) COMP.                 ACCTREC
002300*   RECENT ACTIVITY, NEWEST FIRST                                 ACCTREC
002400     05  ACCT-TXN                 OCCURS 0 TO 12 TIMES            ACCTREC
002500                                  DEPENDING ON ACCT-TXN-COUNT.    ACCTREC
002600         10  TXN-POST-DATE        PIC 9(8).                       ACCTREC
002700         10  TXN-CODE             PIC X(3).                       ACCTREC
002800             88  TXN-IS-DEBIT               VALUES 'DEB' 'WDL'    ACCTREC
002900                                            'FEE'.                ACCTREC
003000             88  TXN-IS-CREDIT              VALUE 'DEP'.          ACCTREC
003100         10  TXN-AMOUNT           PIC S9(7)V99 COMP-3.            ACCTREC
003200         10  TXN-REFERENCE        PIC X(12).                      ACCTREC
003300     05  ACCT-LAST-STMT-DATE      PIC 9(8).                       ACCTREC
