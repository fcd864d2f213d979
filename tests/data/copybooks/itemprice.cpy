      *---------------------------------------------------------------- itemprc
      * itemprice - store item and price record, one per sku.           itemprc
      * written by the pricing extract for the shelf label system.      itemprc
      *---------------------------------------------------------------- itemprc
       01  item-price-rec.                                              itemprc
           05  item-sku                 pic 9(8).                       itemprc
           05  item-upc                 pic x(12).                      itemprc
           05  item-upc-parts           redefines item-upc.             itemprc
               10  item-upc-mfr         pic x(6).                       itemprc
               10  item-upc-product     pic x(5).                       itemprc
               10  item-upc-check       pic x.                          itemprc
           05  item-desc                pic x(24).                      itemprc
           05  item-dept                pic 9(3).                       itemprc
               88  item-dept-grocery              value 100.            itemprc
               88  item-dept-fresh                values 110 120 130.   itemprc
           05  item-size                pic 9(3)v9.                     itemprc
           05  item-uom                 pic xx.                         itemprc
               88  item-uom-weight                values 'lb' 'kg' 'oz'.itemprc
           05  item-prices.                                             itemprc
               10  item-reg-price       pic s9(5)v99 comp-3.            itemprc
               10  item-sale-price      pic s9(5)v99 comp-3.            itemprc
               10  item-unit-cost       pic s9(3)v9(4) comp-3.          itemprc
           05  item-qty-on-hand         pic s9(7)    comp.              itemprc
           05  item-case-pack           pic 9(3)     binary.            itemprc
           05  item-tax-code            pic x.                          itemprc
           05  item-promo-flag          pic x        value 'n'.         itemprc
               88  item-on-promo                  value 'y' 'Y'.        itemprc
           05  item-markdown-pct        pic sv99                        itemprc
                                        sign trailing separate.         itemprc
           05  item-last-price-chg      pic 9(8).                       itemprc
           05  filler                   pic x(6).                       itemprc
