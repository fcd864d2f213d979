001000*================================================================ PAYROLL
001100* PAYROLL - PAY PERIOD RECORD, ONE PER EMPLOYEE                   PAYROLL
001200* DISPLAY ONLY: WRITTEN AS TEXT LINES FOR THE HR EXTRACT.         PAYROLL
001300*================================================================ PAYROLL
001400 01  PAY-RECORD.                                                  PAYROLL
001500     05  PAY-EMP-ID               PIC 9(6).                       PAYROLL
001600     05  PAY-NAME.                                                PAYROLL
001700         10  PAY-LAST-NAME        PIC X(14).                      PAYROLL
001800         10  PAY-FIRST-NAME       PIC X(10).                      PAYROLL
001900     05  PAY-DEPT                 PIC X(4).                       PAYROLL
002000     05  PAY-PERIOD-END           PIC 9(8).                       PAYROLL
002100     05  PAY-HOURS                PIC 9(3)V99.                    PAYROLL
002200     05  PAY-RATE                 PIC 9(3)V9(4).                  PAYROLL
002300     05  PAY-GROSS                PIC S9(6)V99                    PAYROLL
002400                                  SIGN TRAILING SEPARATE.         PAYROLL
002500     05  PAY-TAX                  PIC S9(5)V99.                   PAYROLL
002600     05  PAY-DEDUCTION            OCCURS 3 TIMES.                 PAYROLL
002700         10  DED-CODE             PIC XX.                         PAYROLL
002800         10  DED-AMOUNT           PIC S9(4)V99                    PAYROLL
002900                                  SIGN LEADING SEPARATE.          PAYROLL
003000     05  PAY-NET                  PIC ZZZ,ZZ9.99-.                PAYROLL
003100     05  PAY-YTD-GROSS            PIC S9(7)V99 SIGN LEADING.      PAYROLL
003200     05  PAY-STATUS               PIC X.                          PAYROLL
003300         88  PAY-ACTIVE                     VALUE 'A'.            PAYROLL
003400         88  PAY-ON-LEAVE                   VALUES 'L' 'S'.       PAYROLL
003500     05  PAY-REMARKS              PIC X(20).                      PAYROLL
