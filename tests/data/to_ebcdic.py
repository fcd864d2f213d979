#!/usr/bin/env python3
"""Converts the display fields of a test data file to EBCDIC.

Usage: to_ebcdic.py customers|txn-fixed|txn-var <ASCII file> <EBCDIC file>
                    [code page]

The code page is a number iconv knows as IBM<number>: 037 (the default)
or 273. Every byte of a record is converted with iconv's ISO-8859-1 to
IBM<code page> table, except the bytes of binary and packed fields, which
are copied as they are, and the bytes that carry an embedded sign. The
source is a file written with -fsign=EBCDIC, so such a byte is an
overpunch letter: '{' and 'A'-'I' become the zone C over the digit
(C0-C9), '}' and 'J'-'R' the zone D (D0-D9), whatever the code page. In
037 that is what the table gives; in 273 '{' and '}' are other bytes
(43 and DC), and C0 and D0 are the letters a-umlaut and u-umlaut. The
layouts below list the binary and packed fields as (offset, length) pairs
and the sign bytes as offsets, per record type; they follow the copybooks
custmast, txnhdr, txndtl and txntrl. Padding of fixed-length records is
spaces and is converted like display text.
"""
import subprocess
import sys

# Per record type: binary and packed byte ranges as (offset, length), and
# the offsets of the bytes that carry an embedded sign.
CUSTOMER = ([(1, 4),     # CUST-NUMBER          9(9) COMP
             (150, 5),   # CUST-CREDIT-LIMIT    S9(7)V99 COMP-3
             (177, 2)],  # CUST-OVERDRAFT-COUNT S9(4) COMP
            [173,        # CUST-YTD-INTEREST    S9(5)V99, trailing
             174])       # CUST-RISK-SCORE      S9(3) SIGN LEADING
TXN_LAYOUTS = {
    b"HD": (61, ([(27, 4)],              # HD-EXPECTED-COUNT 9(5) COMP
                 [])),
    b"DT": (116, ([(53, 3),              # DT-FEE            S9(3)V99 COMP-3
                   (62, 2)],             # DT-MCC            9(4) BINARY
                  [52])),                # DT-TIP            S9(3)V99
    b"TR": (45, ([(8, 4),                # TR-RECORD-COUNT   9(7) COMP-4
                  (12, 8),               # TR-TOTAL-AMOUNT   S9(13)V99 COMP-3
                  (32, 8)],              # TR-HASH-TOTAL     S9(18) COMP
                 [])),
}
OVERPUNCH_POSITIVE = b"{ABCDEFGHI"
OVERPUNCH_NEGATIVE = b"}JKLMNOPQR"


def ebcdic_table(code_page="037"):
    out = subprocess.run(["iconv", "-f", "ISO-8859-1", "-t",
                          "IBM" + code_page],
                         input=bytes(range(256)), capture_output=True,
                         check=True).stdout
    if len(out) != 256:
        sys.exit("iconv gave %d bytes for the 256 code points" % len(out))
    return out


def zoned_sign(byte):
    """The EBCDIC byte for an overpunch letter: zone C or D over the digit."""
    if byte in OVERPUNCH_POSITIVE:
        return 0xC0 | OVERPUNCH_POSITIVE.index(byte)
    if byte in OVERPUNCH_NEGATIVE:
        return 0xD0 | OVERPUNCH_NEGATIVE.index(byte)
    sys.exit("sign byte %r is no overpunch letter" % bytes([byte]))


def convert(record, layout, table):
    keep, signs = layout
    converted = bytearray(record.translate(table))
    for offset, length in keep:
        converted[offset:offset + length] = record[offset:offset + length]
    for offset in signs:
        converted[offset] = zoned_sign(record[offset])
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
        length, layout = TXN_LAYOUTS[kind]
        if fixed:
            length = 120
        if pos + length > len(data):
            sys.exit("record at byte %d is cut short" % pos)
        records.append((data[pos:pos + length], layout))
        pos += length
    return records


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    kind, source, target = sys.argv[1:4]
    code_page = sys.argv[4] if len(sys.argv) == 5 else "037"
    data = open(source, "rb").read()
    if kind == "customers":
        records = split_customers(data)
    elif kind in ("txn-fixed", "txn-var"):
        records = split_txn(data, kind == "txn-fixed")
    else:
        sys.exit(__doc__)
    table = ebcdic_table(code_page)
    with open(target, "wb") as out:
        for record, layout in records:
            out.write(convert(record, layout, table))


if __name__ == "__main__":
    main()
