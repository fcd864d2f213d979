      *----------------------------------------------------------------
      * HCUST - BANK STATEMENT FILE: CUSTOMER RECORD ('C'), THE ROOT
      * OF A TREE: ITS 'A' ACCOUNTS (EACH WITH ITS 'T' TRANSACTIONS)
      * AND ITS 'P' PHONES FOLLOW IT.
      *----------------------------------------------------------------
       01  HC-CUSTOMER.
           05  HC-REC-TYPE              PIC X         VALUE 'C'.
           05  HC-CUST-ID               PIC 9(6).
           05  HC-NAME.
               10  HC-LAST-NAME         PIC X(12).
               10  HC-FIRST-NAME        PIC X(10).
           05  HC-SINCE.
               10  HC-SINCE-YEAR        PIC 9(4).
               10  HC-SINCE-MONTH       PIC 99.
           05  HC-SINCE-TEXT            REDEFINES HC-SINCE
                                        PIC X(6).
           05  HC-TAGS.
               10  HC-TAG               PIC X(3)      OCCURS 3 TIMES.
           05  FILLER                   PIC X(4).
