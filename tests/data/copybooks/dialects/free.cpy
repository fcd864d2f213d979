*> Shipment record in free form: entries start in any column, comments
*> follow "*>", and lines run past column 72.
01 SHIPMENT-REC.
   05 SHP-ID PIC X(12).                 *> the shipment number
   05 SHP-WEIGHT PIC 9(5)V99 COMP-3.    *> kilograms
   05 SHP-DESTINATION.
      10 SHP-COUNTRY PIC XX.
      10 SHP-POSTCODE PIC X(10).
   05 SHP-NOTE PIC X(40) VALUE 'FRAGILE *> HANDLE WITH CARE'.               *> the last
