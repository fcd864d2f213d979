      * Order file, header record (type OH): the first record of each
      * order. 66 bytes plus 20 for each delivery note (up to 3).
       01  ORDER-HEADER.
           05  OH-RECORD-TYPE          PIC XX.
           05  OH-ORDER-ID             PIC 9(8).
           05  OH-ORDER-DATE           PIC 9(8).
           05  OH-CUSTOMER-NAME        PIC X(30).
           05  OH-SHIP-CITY            PIC X(16).
           05  OH-PRIORITY             PIC X.
               88  OH-EXPRESS          VALUE 'E'.
               88  OH-STANDARD         VALUE 'S'.
           05  OH-NOTE-COUNT           PIC 9.
           05  OH-NOTE                 PIC X(20)
                   OCCURS 0 TO 3 TIMES DEPENDING ON OH-NOTE-COUNT.
