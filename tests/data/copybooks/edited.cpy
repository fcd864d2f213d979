001000*================================================================ EDITED
001100* EDITED - AMOUNTS OF A PRINTED STATEMENT, NUMERIC-EDITED         EDITED
001200* EVERY KIND OF SIGN, CURRENCY AND CHECK PROTECTION THAT A        EDITED
001300* NUMBER CAN BE PRINTED WITH, NO COMMA, B, 0 OR / INSERTION.      EDITED
001400*================================================================ EDITED
001500 01  EDITED-REC.                                                  EDITED
001600     05  ED-TRAIL-MINUS           PIC 9(4)-.                      EDITED
001700     05  ED-TRAIL-PLUS            PIC 9(4)+.                      EDITED
001800     05  ED-LEAD-MINUS            PIC -9(4).                      EDITED
001900     05  ED-LEAD-PLUS             PIC +9(4).                      EDITED
002000     05  ED-FLOAT-MINUS           PIC ----9.                      EDITED
002100     05  ED-FLOAT-PLUS            PIC ++++9.                      EDITED
002200     05  ED-SIGN-ZEROS            PIC -ZZZ9.                      EDITED
002300     05  ED-ZEROS-SIGN            PIC ZZZ9-.                      EDITED
002400     05  ED-CREDIT                PIC ZZ9.99CR.                   EDITED
002500     05  ED-DEBIT                 PIC ZZ9.99DB.                   EDITED
002600     05  ED-CREDIT-DIGITS         PIC 99.99CR.                    EDITED
002700     05  ED-DOLLARS               PIC $$$9.99.                    EDITED
002800     05  ED-DOLLAR-ZEROS          PIC $ZZ9.99.                    EDITED
002900     05  ED-DOLLARS-SIGN          PIC $$$9.99-.                   EDITED
003000     05  ED-STARS                 PIC **9.99.                     EDITED
003100     05  ED-DOLLAR-STARS-CR       PIC $**9.99CR.                  EDITED
003200     05  ED-IMPLIED               PIC ZZ9V99-.                    EDITED
003300     05  ED-FRACTION              PIC .99+.                       EDITED
003400     05  ED-FLOAT-PLUS-POINT      PIC +++9.99.                    EDITED
