000100*================================================================ KUNDEN
000200* KUNDEN - KUNDENSATZ DER FILIALABRECHNUNG, FESTE LAENGE 60 BYTES KUNDEN
000300* SATZART 'KD' KUNDE, 'KA' KUNDE MIT ABWEICHENDER ANSCHRIFT;      KUNDEN
000400* BEIDE SATZARTEN HABEN DIESES FORMAT.                            KUNDEN
000500*================================================================ KUNDEN
000600 01  KUNDEN-REC.                                                  KUNDEN
000700     05  K-ID                     PIC X(2).                       KUNDEN
000800         88  K-KUNDE                            VALUE 'KD'.       KUNDEN
000900         88  K-ABWEICHEND                       VALUE 'KA'.       KUNDEN
001000     05  K-NAME                   PIC X(20).                      KUNDEN
001100     05  K-CITY                   PIC X(15).                      KUNDEN
001200     05  K-BALANCE                PIC S9(5)V99.                   KUNDEN
001300     05  K-CHANGE                 PIC S9(3)                       KUNDEN
001400                                  SIGN LEADING SEPARATE.          KUNDEN
001500     05  K-NOTE                   PIC X(12).                      KUNDEN
