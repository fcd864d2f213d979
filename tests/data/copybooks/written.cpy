000100*================================================================ WRITTEN
000200* WRITTEN - A RECORD OF EVERY USAGE THAT LYRA WRITES AND A COBOL  WRITTEN
000300* PROGRAM (RWRITTEN) READS BACK: TEXT, ZONED WITH EMBEDDED AND    WRITTEN
000400* SEPARATE SIGNS, PACKED, BINARY OF 2, 4 AND 8 BYTES, EDITED.     WRITTEN
000500*================================================================ WRITTEN
000600 01  WRITTEN-REC.                                                 WRITTEN
000700     05  WR-ID                    PIC 9(4).                       WRITTEN
000800     05  WR-NAME                  PIC X(10).                      WRITTEN
000900     05  WR-ZONED                 PIC S9(5)V99.                   WRITTEN
001000     05  WR-LEAD                  PIC S9(3) SIGN LEADING.         WRITTEN
001100     05  WR-SEP                   PIC S9(3)V9                     WRITTEN
001200                                  SIGN TRAILING SEPARATE.         WRITTEN
001300     05  WR-PACKED                PIC S9(7)V99 COMP-3.            WRITTEN
001400     05  WR-UPACKED               PIC 9(4) COMP-3.                WRITTEN
001500     05  WR-BIN2                  PIC S9(4) COMP.                 WRITTEN
001600     05  WR-BIN4                  PIC S9(9) BINARY.               WRITTEN
001700     05  WR-BIN8                  PIC S9(18) COMP-4.              WRITTEN
001800     05  WR-EDITED                PIC ZZ,ZZ9.99-.                 WRITTEN
001900     05  WR-ITEM                  PIC X(3) OCCURS 3 TIMES.        WRITTEN
