#!/usr/bin/env python3
"""Builds the framed data files from files that GnuCOBOL wrote.

Usage: make_framed.py   (run from generate.sh, in this folder)

Every record's bytes come from a GnuCOBOL file under files/; only the framing
around them is made here, so the expected values stay those the COBOL
programs printed, under the same record numbers.

  shipments.dat       GnuCOBOL's own RECORD VARYING file: only read, for its
                      record offsets
  shipments_le.dat    its records behind little-endian record descriptor
                      words (00 00 lo hi), lengths without the 4 bytes
  shipments_vb.dat    its records in blocks: descriptor words counting their
                      own 4 bytes, big-endian, one block in the 4-byte form
  customers_rdw.dat   customers_ovp.dat in code page 037 (binary and packed
                      bytes kept, as to_ebcdic.py does), each record behind a
                      big-endian record descriptor word counting its 4 bytes
  customers_vb.dat    the same records in blocks, one block of a single
                      record, one block in the 4-byte form
  payroll.txt         payroll.dat as text lines: CRLF and LF ends, the last
                      line without one, two lines without trailing blanks

A block descriptor word is a 2-byte big-endian length counting its own 4
bytes, then 2 zero bytes; in the 4-byte form the top bit of the first byte is
set and the other 31 bits hold the length.

For each file it also writes <file>.offsets, one line per record:
number, offset of its first byte (its record descriptor word where it has
one), its data length (descriptor word and line end left out), the offset just
past it (line end included), and the offset a split scan gives where the
record starts a unit of splitting (the record itself; in vb files the block
that the record opens, "-" for the other records of a block).
"""
import os
import sys

import to_ebcdic

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")
DESCRIPTOR = 4
EXTENDED_BLOCK = 0x80000000

# Records per block, and the blocks (from 0) written in the 4-byte form.
CUSTOMER_BLOCKS, CUSTOMER_EXTENDED = [3, 1, 4, 2, 2], {2}
SHIPMENT_BLOCKS, SHIPMENT_EXTENDED = [2, 3, 1, 3], {1}
PAYROLL_LENGTH = 138
# Line ends of the payroll records in turn: the last has none.
PAYROLL_ENDS = [b"\r\n", b"\n", b"\r\n", b"\r\n", b"\n", b"\n", b"\r\n", b"\n",
                b"\r\n", b""]
PAYROLL_STRIPPED = {4, 7}           # record numbers written without trailing blanks


def read(name):
    with open(os.path.join(FILES, name), "rb") as f:
        return f.read()


def gnucobol_records(data):
    """Records of a GnuCOBOL RECORD VARYING file (VARSEQ_FORMAT 0): each
    after a 2-byte big-endian data length and 2 zero bytes."""
    records, pos = [], 0
    while pos < len(data):
        word = data[pos:pos + DESCRIPTOR]
        if len(word) < DESCRIPTOR or word[2:] != b"\0\0":
            sys.exit("unexpected record prefix %r at byte %d" % (word, pos))
        length = int.from_bytes(word[:2], "big")
        records.append(data[pos + DESCRIPTOR:pos + DESCRIPTOR + length])
        pos += DESCRIPTOR + length
    if sum(DESCRIPTOR + len(r) for r in records) != len(data):
        sys.exit("the last record is cut short")
    return records


def rdw(record, little=False, excludes_header=False):
    length = len(record) + (0 if excludes_header else DESCRIPTOR)
    if little:
        return b"\0\0" + length.to_bytes(2, "little") + record
    return length.to_bytes(2, "big") + b"\0\0" + record


def bdw(length, extended):
    if extended:
        return (EXTENDED_BLOCK | length).to_bytes(4, "big")
    return length.to_bytes(2, "big") + b"\0\0"


class Framed:
    """A framed file being built, with the offsets of its records."""

    def __init__(self):
        self.data = bytearray()
        self.rows = []

    def add(self, framed, length, split):
        """Appends one record: its framed bytes (descriptor word or line end
        included) and its data length."""
        offset = len(self.data)
        self.data += framed
        split = offset if split is True else split
        self.rows.append((len(self.rows) + 1, offset, length, len(self.data),
                          "-" if split is None else str(split)))

    def write(self, name):
        with open(os.path.join(FILES, name), "wb") as f:
            f.write(self.data)
        self.write_offsets(name)

    def write_offsets(self, name):
        with open(os.path.join(FILES, name + ".offsets"), "w") as f:
            f.write("# number\toffset\tlength\tend\tsplit point\n")
            for row in self.rows:
                f.write("%d\t%d\t%d\t%d\t%s\n" % row)


def rdw_file(records, **word):
    out = Framed()
    for record in records:
        out.add(rdw(record, **word), len(record), True)
    return out


def vb_file(records, blocks, extended):
    if sum(blocks) != len(records):
        sys.exit("blocks hold %d records, not %d" % (sum(blocks), len(records)))
    out, at = Framed(), 0
    for index, count in enumerate(blocks):
        words = [rdw(r) for r in records[at:at + count]]
        block_start = len(out.data)
        out.data += bdw(DESCRIPTOR + sum(len(w) for w in words),
                        index in extended)
        for i, word in enumerate(words):
            out.add(word, len(word) - DESCRIPTOR, block_start if i == 0 else None)
        at += count
    return out


def lines_file(data):
    if len(data) != PAYROLL_LENGTH * len(PAYROLL_ENDS):
        sys.exit("payroll.dat does not hold %d records" % len(PAYROLL_ENDS))
    out = Framed()
    for index, end in enumerate(PAYROLL_ENDS):
        record = data[index * PAYROLL_LENGTH:(index + 1) * PAYROLL_LENGTH]
        if index + 1 in PAYROLL_STRIPPED:
            record = record.rstrip(b" ")
        if b"\n" in record or b"\r" in record:
            sys.exit("payroll record %d holds a line end" % (index + 1))
        out.add(record + end, len(record), True)
    return out


def customer_records():
    table = to_ebcdic.ebcdic_table()
    return [to_ebcdic.convert(record, layout, table)
            for record, layout in to_ebcdic.split_customers(read("customers_ovp.dat"))]


def main():
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    shipments = gnucobol_records(read("shipments.dat"))
    # GnuCOBOL's file is the big-endian form without the 4 bytes: framing
    # its records that way again must give the same bytes.
    original = rdw_file(shipments, excludes_header=True)
    if bytes(original.data) != read("shipments.dat"):
        sys.exit("shipments.dat is not framed as expected")
    original.write_offsets("shipments.dat")
    rdw_file(shipments, little=True,
             excludes_header=True).write("shipments_le.dat")
    vb_file(shipments, SHIPMENT_BLOCKS,
            SHIPMENT_EXTENDED).write("shipments_vb.dat")
    customers = customer_records()
    rdw_file(customers).write("customers_rdw.dat")
    vb_file(customers, CUSTOMER_BLOCKS,
            CUSTOMER_EXTENDED).write("customers_vb.dat")
    lines_file(read("payroll.dat")).write("payroll.txt")


if __name__ == "__main__":
    main()
