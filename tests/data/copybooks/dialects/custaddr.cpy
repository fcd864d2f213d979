      * An address; :PFX: names it.
            05  :PFX:-ADDRESS.
                10  :PFX:-STREET    PIC X(25).
                10  :PFX:-CITY      PIC X(20).
                10  :PFX:-ZIP       PIC 9(5).
