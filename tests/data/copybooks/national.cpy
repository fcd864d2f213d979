000100*================================================================ NATIONAL
000200* NATIONAL - CONTACT NAME RECORD WITH NATIONAL (UTF-16) TEXT      NATIONAL
000300* ONE CHARACTER POSITION OF A PIC N ITEM IS 2 BYTES.              NATIONAL
000400* FIXED LENGTH 39 BYTES.                                          NATIONAL
000500*================================================================ NATIONAL
000600 01  NATIONAL-REC.                                                NATIONAL
000700     05  N-ID                     PIC 9(3).                       NATIONAL
000800     05  N-NAME                   PIC N(10).                      NATIONAL
000900     05  N-TITLE                  PIC N(6)      USAGE NATIONAL.   NATIONAL
001000     05  N-TAIL                   PIC X(4).                       NATIONAL
