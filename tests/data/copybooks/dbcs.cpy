000100*================================================================ DBCS
000200* DBCS - BRANCH CONTACT IN A MIXED EBCDIC CODE PAGE                DBCS
000300* D-ADDRESS MIXES ONE-BYTE TEXT WITH DOUBLE-BYTE TEXT BETWEEN      DBCS
000400* SHIFT-OUT (X'0E') AND SHIFT-IN (X'0F'); D-NAME AND D-DEPT HOLD   DBCS
000500* DOUBLE-BYTE TEXT ALONE, TWO BYTES A POSITION, NO SHIFT BYTES.    DBCS
000600* FIXED LENGTH 75 BYTES.                                           DBCS
000700*================================================================ DBCS
000800 01  DBCS-REC.                                                    DBCS
000900     05  D-ID                     PIC X(4).                       DBCS
001000     05  D-ADDRESS                PIC X(40).                      DBCS
001100     05  D-NAME                   PIC G(8).                       DBCS
001200     05  D-DEPT                   PIC N(6) USAGE DISPLAY-1.       DBCS
001300     05  D-STAFF                  PIC 9(3).                       DBCS
