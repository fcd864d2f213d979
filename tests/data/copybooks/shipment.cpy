000100*================================================================ SHIPMNT
000200* SHIPMNT - FREIGHT SHIPMENT WITH ITS STOPS                       SHIPMNT
000300* VARIABLE LENGTH: 40-BYTE FIXED PART, 0 TO 6 STOPS OF 20 BYTES,  SHIPMNT
000400* THEN A 24-BYTE DELIVERY NOTE THAT A RECORD MAY LEAVE OUT.       SHIPMNT
000500*================================================================ SHIPMNT
000600 01  SHIPMENT-RECORD.                                             SHIPMNT
000700     05  SHP-ID                   PIC X(10).                      SHIPMNT
000800     05  SHP-SHIP-DATE            PIC 9(8).                       SHIPMNT
000900     05  SHP-CARRIER              PIC X(4).                       SHIPMNT
001000     05  SHP-WEIGHT-KG            PIC S9(5)V99 COMP-3.            SHIPMNT
001100     05  SHP-CHARGE               PIC S9(7)V99                    SHIPMNT
001200                                  SIGN TRAILING SEPARATE.         SHIPMNT
001300     05  SHP-PIECES               PIC 9(4) COMP.                  SHIPMNT
001400     05  SHP-STOP-COUNT           PIC S9(4) COMP.                 SHIPMNT
001500*   STOPS IN ROUTE ORDER                                          SHIPMNT
001600     05  SHP-STOP                 OCCURS 0 TO 6 TIMES             SHIPMNT
001700                                  DEPENDING ON SHP-STOP-COUNT.    SHIPMNT
001800         10  STOP-CITY            PIC X(12).                      SHIPMNT
001900         10  STOP-ETA             PIC 9(4).                       SHIPMNT
002000         10  STOP-FEE             PIC S9(5)V99 COMP-3.            SHIPMNT
002100     05  SHP-NOTE                 PIC X(24).                      SHIPMNT
