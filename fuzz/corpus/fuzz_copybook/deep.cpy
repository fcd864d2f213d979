       01  R.
           COPY D1.
@@ D1
           05  F1 PIC X.
           COPY D2.
@@ D2
           05  F2 PIC X.
           COPY D3.
@@ D3
           05  F3 PIC X.
           COPY D4.
@@ D4
           05  F4 PIC X.
           COPY D5.
@@ D5
           05  F5 PIC X.
           COPY D6.
@@ D6
           05  F6 PIC X.
           COPY D7.
@@ D7
           05  F7 PIC X.
           COPY D8.
@@ D8
           05  F8 PIC X.
           COPY D9.
@@ D9
           05  F9 PIC X.
           COPY D10.
@@ D10
           05  F10 PIC X.
           COPY D11.
@@ D11
           05  F11 PIC X.
           COPY D12.
@@ D12
           05  F12 PIC X.
           COPY D13.
@@ D13
           05  F13 PIC X.
           COPY D14.
@@ D14
           05  F14 PIC X.
           COPY D15.
@@ D15
           05  F15 PIC X.
           COPY D16.
@@ D16
           05  F16 PIC X.
           COPY D17.
@@ D17
           05  F17 PIC X.
           COPY D18.
@@ D18
           05  F18 PIC X.
           COPY D19.
@@ D19
           05  F19 PIC X.
           COPY D20.
@@ D20
           05  F20 PIC X.
           COPY D21.
@@ D21
           05  F21 PIC X.
           COPY D22.
@@ D22
           05  F22 PIC X.
           COPY D23.
@@ D23
           05  F23 PIC X.
           COPY D24.
@@ D24
           05  F24 PIC X.
           COPY D25.
@@ D25
           05  F25 PIC X.
           COPY D26.
@@ D26
           05  F26 PIC X.
           COPY D27.
@@ D27
           05  F27 PIC X.
           COPY D28.
@@ D28
           05  F28 PIC X.
           COPY D29.
@@ D29
           05  F29 PIC X.
           COPY D30.
@@ D30
           05  F30 PIC X.
           COPY D31.
@@ D31
           05  F31 PIC X.
           COPY D32.
@@ D32
           05  F32 PIC X.
           COPY D33.
@@ D33
           05  F33 PIC X.
           COPY D34.
