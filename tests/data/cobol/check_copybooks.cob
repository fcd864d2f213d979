      * Compiles every copybook of tests/data/copybooks into working
      * storage, so that cobc -fsyntax-only checks them as COBOL.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. CHKCPY.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "custmast.cpy".
       COPY "acctrec.cpy".
       COPY "txnhdr.cpy".
       COPY "txndtl.cpy".
       COPY "txntrl.cpy".
       COPY "policy.cpy".
       COPY "itemprice.cpy".
       COPY "jobstats.cpy".
       COPY "shipment.cpy".
       COPY "payroll.cpy".
       COPY "measures.cpy".
       COPY "kunden.cpy".
       COPY "national.cpy".
       COPY "edited.cpy".
       COPY "hcust.cpy".
       COPY "hacct.cpy".
       COPY "hphone.cpy".
       COPY "htxn.cpy".
       PROCEDURE DIVISION.
           STOP RUN.
