      * Customer record: two addresses from one member, prefixed
       01  CUSTOMER-REC.
           05  CUST-ID             PIC 9(8).
           COPY ADDR REPLACING ==:PFX:== BY ==BILL==.
           COPY addr REPLACING ==:PFX:== BY ==SHIP==.
           COPY "phone.cpy" OF PHONELIB SUPPRESS
               REPLACING ==PIC 9(10)== BY ==PIC 9(12)==
                         LEADING ==PH-== BY ==CUST-PH-==.
           05  CUST-VISITS         PIC 9(4) COMP-0.
@@ ADDR.cpy
           05  :PFX:-ADDRESS.
               10  :PFX:-STREET    PIC X(25).
               10  :PFX:-CITY      PIC X(20).
               COPY ZIP.
@@ ZIP
               10  ZIP-CODE        PIC 9(5).
               10  ZIP-PLUS        PIC 9(4) VALUE ZERO.
@@ PHONE.CPY
           05  PH-HOME             PIC 9(10).
           05  PH-MOBILE           PIC 9(10).
