#!/usr/bin/env python3
"""Builds measures_be.dat from measures.dat and checks both against the
values wmeasure.cob printed.

Usage: swap_floats.py   (run from generate.sh, in this folder)

GnuCOBOL writes COMP-1 and COMP-2 in the machine's order, IEEE 754
little-endian on x86-64. measures_be.dat holds the same 63-byte records
with the bytes of every COMP-1 and COMP-2 item reversed, which is IEEE 754
big-endian; all other bytes, the little-endian COMP-5 items among them, are
copied as they are. The float items are listed below by offset and length;
they follow copybooks/measures.cpy.

The check reads the float and COMP-5 items of both files with struct, on
their own byte order, and compares them with measures.dat.expected: a float
must equal the expected text read as a number (the text is the stored
value's exact decimal expansion cut after 34 digits, so it reads back to
the very same float), a COMP-5 item its integer digits.
"""
import os
import struct
import sys
from decimal import Decimal

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")
RECORD = 63

# Float items: (offset, length, name).
FLOATS = [(5, 4, "M-RATE"),     # COMP-1
          (9, 8, "M-VALUE"),    # COMP-2
          (17, 4, "M-PEAK"),    # COMPUTATIONAL-1
          (21, 8, "M-MEAN")]    # COMPUTATIONAL-2
# Native binary items: (offset, struct format, places, name).
NATIVE = [(29, "<h", 0, "M-DELTA"),     # S9(4) COMP-5
          (31, "<I", 0, "M-COUNT"),     # 9(9) COMP-5
          (35, "<i", 0, "M-OFFSET"),    # S9(9) COMPUTATIONAL-5
          (39, "<q", 0, "M-TOTAL"),     # S9(18) COMP-5
          (47, "<i", 2, "M-AMOUNT")]    # S9(5)V99 COMP-5


def read(name):
    with open(os.path.join(FILES, name), "rb") as f:
        return f.read()


def records(data):
    if len(data) % RECORD:
        sys.exit("measures.dat is not a whole number of %d-byte records"
                 % RECORD)
    return [data[i:i + RECORD] for i in range(0, len(data), RECORD)]


def swap(record):
    out = bytearray(record)
    for offset, length, _ in FLOATS:
        out[offset:offset + length] = record[offset:offset + length][::-1]
    return bytes(out)


def expected_values():
    values = {}
    for line in open(os.path.join(FILES, "measures.dat.expected"),
                     encoding="ascii").read().split("\n")[:-1]:
        number, name, value = line.split("\t")
        values[int(number), name] = value
    return values


def check(name, recs, order, values):
    for number, record in enumerate(recs, 1):
        for offset, length, column in FLOATS:
            fmt = order + ("f" if length == 4 else "d")
            got = struct.unpack_from(fmt, record, offset)[0]
            want = values[number, column]
            if got != float(want):
                sys.exit("%s record %d %s: holds %r, expected %s"
                         % (name, number, column, got, want))
        for offset, fmt, places, column in NATIVE:
            got = Decimal(struct.unpack_from(fmt, record, offset)[0])
            want = values[number, column]
            if got.scaleb(-places) != Decimal(want):
                sys.exit("%s record %d %s: holds %s, expected %s"
                         % (name, number, column, got, want))


def main():
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    little = records(read("measures.dat"))
    with open(os.path.join(FILES, "measures_be.dat"), "wb") as out:
        for record in little:
            out.write(swap(record))
    values = expected_values()
    check("measures.dat", little, "<", values)
    check("measures_be.dat", records(read("measures_be.dat")), ">", values)
    print("measures.dat, measures_be.dat %d records OK" % len(little))


if __name__ == "__main__":
    main()
