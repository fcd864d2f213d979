000100*================================================================ MEASURES
000200* MEASURES - SENSOR MEASUREMENT RECORD FROM THE PLANT HISTORIAN   MEASURES
000300* FLOATING-POINT READINGS AND NATIVE BINARY COUNTERS AS THE       MEASURES
000400* COLLECTOR WRITES THEM ON ITS OWN MACHINE. FIXED LENGTH 63 BYTES.MEASURES
000500*================================================================ MEASURES
000600 01  MEASURE-REC.                                                 MEASURES
000700     05  M-ID                     PIC 9(4).                       MEASURES
000800     05  M-UNIT                   PIC X.                          MEASURES
000900*---------------------------------------------------------------  MEASURES
001000*    READINGS: SHORT AND LONG FLOATING POINT, NO PICTURE          MEASURES
001100*---------------------------------------------------------------  MEASURES
001200     05  M-RATE                   USAGE COMP-1.                   MEASURES
001300     05  M-VALUE                  COMP-2.                         MEASURES
001400     05  M-PEAK                   USAGE IS COMPUTATIONAL-1.       MEASURES
001500     05  M-MEAN                   COMPUTATIONAL-2.                MEASURES
001600*---------------------------------------------------------------  MEASURES
001700*    COUNTERS: NATIVE BINARY, FULL RANGE OF THEIR STORAGE         MEASURES
001800*---------------------------------------------------------------  MEASURES
001900     05  M-DELTA                  PIC S9(4)     COMP-5.           MEASURES
002000     05  M-COUNT                  PIC 9(9)      COMP-5.           MEASURES
002100     05  M-OFFSET                 PIC S9(9)     COMPUTATIONAL-5.  MEASURES
002200     05  M-TOTAL                  PIC S9(18)    COMP-5.           MEASURES
002300     05  M-AMOUNT                 PIC S9(5)V99  USAGE COMP-5.     MEASURES
002400     05  M-LABEL                  PIC X(12).                      MEASURES
