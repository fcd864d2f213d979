       01  ORDER-REC.
           05  ORD-ID              PIC X(6).
           COPY LINES.
@@ LINES.cbl
           05  ORD-LINE OCCURS 3 TIMES.
               10  OL-ITEM         PIC X(8).
               COPY QTY.
@@ qty.cob
               10  OL-QTY          PIC S9(5) COMP-3.
               COPY LINES.
