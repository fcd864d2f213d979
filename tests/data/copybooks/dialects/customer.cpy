      * Customer record: a billing and a shipping address from one
      * member, the phone numbers from a member of the copy library.
        01  CUSTOMER-REC.
            05  CUST-ID             PIC 9(8).
            05  CUST-NAME           PIC X(30).
            COPY CUSTADDR REPLACING ==:PFX:== BY ==BILL==.
            COPY CUSTADDR REPLACING ==:PFX:== BY ==SHIP==.
            COPY custphon OF PHONELIB
                REPLACING ==PIC 9(10)== BY ==PIC 9(12)==
                          LEADING ==PH-== BY ==CUST-PH-==.
            05  CUST-VISITS         PIC 9(4) COMP-0.
