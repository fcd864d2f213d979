#!/usr/bin/env python3
"""Converts the display fields of a test data file to EBCDIC (code page 037).

Usage: to_ebcdic.py customers|txn-fixed|txn-var <ASCII file> <EBCDIC file>

Every byte of a record is converted with iconv's ISO-8859-1 to IBM037
table, except the bytes of binary and packed fields, which are copied
as they are. The layouts below list those fields as (offset, length)
pairs per record type; they follow the copybooks custmast, txnhdr,
txndtl and txntrl. Padding of fixed-length records is spaces and is
converted like display text.
"""
import subprocess
import sys

# Binary and packed byte ranges per record type: (offset, length).
CUSTOMER = [(1, 4),     # CUST-NUMBER          9(9) COMP
            (150, 5),   # CUST-CREDIT-LIMIT    S9(7)V99 COMP-3
            (177, 2)]   # CUST-OVERDRAFT-COUNT S9(4) COMP
TXN_LAYOUTS = {
    b"HD": (61, [(27, 4)]),              # HD-EXPECTED-COUNT 9(5) COMP
    b"DT": (116, [(53, 3),               # DT-FEE            S9(3)V99 COMP-3
                  (62, 2)]),             # DT-MCC            9(4) BINARY
    b"TR": (45, [(8, 4),                 # TR-RECORD-COUNT   9(7) COMP-4
                 (12, 8),                # TR-TOTAL-AMOUNT   S9(13)V99 COMP-3
                 (32, 8)]),              # TR-HASH-TOTAL     S9(18) COMP
}


def ebcdic_table():
    out = subprocess.run(["iconv", "-f", "ISO-8859-1", "-t", "IBM037"],
                         input=bytes(range(256)), capture_output=True,
                         check=True).stdout
    if len(out) != 256:
        sys.exit("iconv gave %d bytes for the 256 code points" % len(out))
    return out


def convert(record, keep, table):
    converted = bytearray(record.translate(table))
    for offset, length in keep:
        converted[offset:offset + length] = record[offset:offset + length]
    return bytes(converted)


def split_customers(data):
    if len(data) % 200:
        sys.exit("customer file is not a whole number of 200-byte records")
    return [(data[i:i + 200], CUSTOMER) for i in range(0, len(data), 200)]


def split_txn(data, fixed):
    records, pos = [], 0
    while pos < len(data):
        kind = data[pos:pos + 2]
        if kind not in TXN_LAYOUTS:
            sys.exit("unknown record type %r at byte %d" % (kind, pos))
        length, keep = TXN_LAYOUTS[kind]
        if fixed:
            length = 120
        if pos + length > len(data):
            sys.exit("record at byte %d is cut short" % pos)
        records.append((data[pos:pos + length], keep))
        pos += length
    return records


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    kind, source, target = sys.argv[1:]
    data = open(source, "rb").read()
    if kind == "customers":
        records = split_customers(data)
    elif kind in ("txn-fixed", "txn-var"):
        records = split_txn(data, kind == "txn-fixed")
    else:
        sys.exit(__doc__)
    table = ebcdic_table()
    with open(target, "wb") as out:
        for record, keep in records:
            out.write(convert(record, keep, table))


if __name__ == "__main__":
    main()
