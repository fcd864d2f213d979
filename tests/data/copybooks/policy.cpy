001000*================================================================ INSPOL
001100* POLICY - PERSONAL LINES POLICY EXTRACT RECORD                   INSPOL
001200* FIXED LENGTH. THE EXTRACT FILE STARTS WITH A 32-BYTE FILE       INSPOL
001300* HEADER THAT IS NOT DESCRIBED HERE.                              INSPOL
001400* AMOUNTS WITH P ARE SCALED: SUM INSURED IN HUNDREDS,             INSPOL
001500* AGGREGATE LIMIT IN TEN THOUSANDS, RATES PER UNIT.               INSPOL
001600*================================================================ INSPOL
001700 01  POLICY-RECORD.                                               INSPOL
001800     05  POL-NUMBER               PIC X(10).                      INSPOL
001900     05  POL-PRODUCT              PIC X(4).                       INSPOL
002000         88  POL-AUTO                           VALUE 'AUTO'.     INSPOL
002100         88  POL-PROPERTY                 VALUES 'HOME' 'COND'    INSPOL
002200                                                'RENT'.           INSPOL
002300     05  POL-STATUS               PIC X.                          INSPOL
002400         88  POL-IN-FORCE                       VALUE 'F'.        INSPOL
002500     05  POL-HOLDER.                                              INSPOL
002600         10  POL-HOLDER-NAME      PIC X(30).                      INSPOL
002700         10  POL-HOLDER-CUST-NO   PIC 9(9)      COMP.             INSPOL
002800     05  POL-TERM.                                                INSPOL
002900         10  POL-EFFECTIVE-DATE   PIC 9(8).                       INSPOL
003000         10  POL-EXPIRY-DATE      PIC 9(8).                       INSPOL
003100     05  POL-TERM-TEXT            REDEFINES POL-TERM              INSPOL
003200                                  PIC X(16).                      INSPOL
003300     05  POL-SUM-INSURED          PIC 9(3)PP.                     INSPOL
003400     05  POL-LOADING-RATE         PIC PP99.                       INSPOL
003500     05  POL-AGG-LIMIT            PIC 9(2)P(4).                   INSPOL
003600     05  POL-ANNUAL-PREMIUM       PIC S9(7)V99  COMP-3.           INSPOL
003700*   UP TO THREE COVERAGES, EACH WITH TWO RIDER SLOTS              INSPOL
003800     05  POL-COVERAGE             OCCURS 3 TIMES.                 INSPOL
003900         10  COV-CODE             PIC X(3).                       INSPOL
004000         10  COV-LIMIT            PIC 9(3)PP    COMP-3.           INSPOL
004100         10  COV-RATE             PIC PP99      COMP-3.           INSPOL
004200         10  COV-DEDUCTIBLE       PIC S9(5)     COMP-3.           INSPOL
004300         10  COV-RIDER            OCCURS 2 TIMES.                 INSPOL
004400             15  RIDER-CODE       PIC XX.                         INSPOL
004500             15  RIDER-PREMIUM    PIC S9(5)V99.                   INSPOL
004600     05  POL-RESERVE-ADJ          PIC S9(3)PP   BINARY.           INSPOL
004700     05  POL-TAX-RATE             PIC PP99      COMP.             INSPOL
004800     05  POL-CLAIMS-YTD           PIC S9(5)V99  SIGN IS LEADING.  INSPOL
004900     05  POL-AGENT-CODE           PIC X(5)      JUSTIFIED RIGHT.  INSPOL
005000     05  FILLER                   PIC X(8)      VALUE SPACES.     INSPOL
