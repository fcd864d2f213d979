      * The raw output file of a generator: bytes are written at
      * RAW-OFFSET, with no record prefix or line end.
       01  RAW-NAME                    PIC X(256).
       01  RAW-HANDLE                  PIC X(4).
       01  RAW-OFFSET                  PIC X(8) COMP-X VALUE 0.
       01  RAW-COUNT                   PIC X(4) COMP-X.
       01  RAW-FLAGS                   PIC X COMP-X VALUE 0.
       01  RAW-ACCESS                  PIC X COMP-X VALUE 2.
       01  RAW-DENY                    PIC X COMP-X VALUE 0.
       01  RAW-DEVICE                  PIC X COMP-X VALUE 0.
