       01  R.
           COPY A.
           COPY A.
           COPY A.
           COPY A.
           COPY A.
@@ A
           05  FA PIC X.
           COPY B.
           COPY B.
           COPY B.
           COPY B.
           COPY B.
           COPY B.
           COPY B.
           COPY B.
           COPY B.
           COPY B.
@@ B
           05  FB PIC 9.
