       01  R.
           COPY ADDRPART.
@@ addrpart.cpy
           05  A               PIC X.
@@ ADDRPART.CPY
           05  B               PIC X.
