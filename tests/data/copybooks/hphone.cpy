      *----------------------------------------------------------------
      * HPHONE - BANK STATEMENT FILE: PHONE RECORD ('P'), A CHILD OF
      * THE CUSTOMER BEFORE IT.
      *----------------------------------------------------------------
       01  HP-PHONE.
           05  HP-REC-TYPE              PIC X         VALUE 'P'.
           05  HP-KIND                  PIC X.
               88  HP-MOBILE                          VALUE 'M'.
           05  HP-NUMBER                PIC 9(10).
