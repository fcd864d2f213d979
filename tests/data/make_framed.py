#!/usr/bin/env python3
"""Builds the framed data files from files that GnuCOBOL wrote.

Usage: make_framed.py   (run from generate.sh, in this folder)

Every record's bytes come from a GnuCOBOL file under files/; only the framing
around them is made here, so the expected values stay those the COBOL
programs printed, under the same record numbers.

  shipments.dat       GnuCOBOL's own RECORD VARYING file: only read, for its
                      record offsets
  shipments_varseq1.dat, shipments_varseq2.dat, shipments_varseq3.dat
                      the same file in GnuCOBOL's other variable-file forms
                      (COB_VARSEQ_FORMAT 1, 2, 3): only read, for their
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
  shipments_vbs.dat   shipments.dat's records spanned over blocks of several
                      sizes (vbs): big-endian words counting their 4 bytes
  customers_vbs.dat   customers_rdw.dat's records spanned over blocks (vbs):
                      little-endian segment words, and block words (always
                      big-endian), neither counting its own 4 bytes
  shipments_vs.dat    shipments.dat's records cut into segments of several
                      sizes, without blocks (vs): little-endian words
                      counting their 4 bytes

A segment descriptor word is a record descriptor word whose byte next to the
length holds the segment's place in its record: 0 the whole record, 1 its
first segment, 2 its last, 3 a middle one (LL LL CC 00 big-endian, 00 CC LL
LL little-endian). A vbs writer fills each block up to its size, cutting a
record that does not fit into segments that continue in the next blocks; the
block sizes here cycle through a list, so that blocks open with every kind of
segment, and the files are checked to hold every kind.

A block descriptor word is a 2-byte big-endian length counting its own 4
bytes, then 2 zero bytes; in the 4-byte form the top bit of the first byte is
set and the other 31 bits hold the length.

For each file it also writes <file>.offsets, one line per record:
number, offset of its first byte (its record descriptor word where it has
one; a spanned record's first segment's), its data length (descriptor words
and line end left out; the joined length of a spanned record), the offset just
past it (line end, last segment included), and the offset a split scan gives
where the record starts a unit of splitting (the record itself; in vb and vbs
files the block that the record opens, "-" for the other records of a block).
"""
import os
import sys

import to_ebcdic

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")
DESCRIPTOR = 4
EXTENDED_BLOCK = 0x80000000

SEGMENT_WHOLE, SEGMENT_FIRST, SEGMENT_LAST, SEGMENT_MIDDLE = 0, 1, 2, 3
# The sizes of the blocks of the vbs files, in turn, descriptor words included, and
# the data sizes of the segments of the vs file, in turn.
SHIPMENT_BLOCK_SIZES = [200, 100, 64, 200]
CUSTOMER_BLOCK_SIZES = [120, 300, 420]
SHIPMENT_SEGMENT_SIZES = [48, 20, 96, 33, 200, 70]

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


def varseq_length(record, form):
    """The length GnuCOBOL writes before a record in variable-file form 1, 2 or 3."""
    if form == 1:
        return len(record).to_bytes(4, "big")
    if form == 2:
        return len(record).to_bytes(4, "little")
    return len(record).to_bytes(2, "big")


def rdw(record, little=False, excludes_header=False):
    length = len(record) + (0 if excludes_header else DESCRIPTOR)
    if little:
        return b"\0\0" + length.to_bytes(2, "little") + record
    return length.to_bytes(2, "big") + b"\0\0" + record


def bdw(length, extended):
    if extended:
        return (EXTENDED_BLOCK | length).to_bytes(4, "big")
    return length.to_bytes(2, "big") + b"\0\0"


def sdw(data, code, little=False, excludes_header=False):
    """A segment of data behind its segment descriptor word."""
    length = len(data) + (0 if excludes_header else DESCRIPTOR)
    if little:
        return bytes([0, code]) + length.to_bytes(2, "little") + data
    return length.to_bytes(2, "big") + bytes([code, 0]) + data


def segment_code(first, last):
    if first:
        return SEGMENT_WHOLE if last else SEGMENT_FIRST
    return SEGMENT_LAST if last else SEGMENT_MIDDLE


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


def spanned_blocks(records, sizes):
    """The blocks of a vbs file: lists of (record index, code, data), each block
    filled up to its size (sizes in turn) with segments of the records."""
    blocks, block, used = [], [], DESCRIPTOR
    for index, record in enumerate(records):
        at, first = 0, True
        while first or at < len(record):
            room = sizes[len(blocks) % len(sizes)] - used - DESCRIPTOR
            if room < 1:
                blocks.append(block)
                block, used = [], DESCRIPTOR
                continue
            piece = record[at:at + room]
            block.append((index, segment_code(first, at + len(piece) == len(record)), piece))
            used += DESCRIPTOR + len(piece)
            at, first = at + len(piece), False
    blocks.append(block)
    return blocks


def check_kinds(name, codes, openers):
    """Every kind of segment is in the file, and the blocks open with every kind
    of segment (vbs)."""
    kinds = {SEGMENT_WHOLE, SEGMENT_FIRST, SEGMENT_LAST, SEGMENT_MIDDLE}
    if set(codes) != kinds:
        sys.exit("%s lacks segment kinds: it has %s" % (name, sorted(set(codes))))
    if openers is not None and set(openers) != kinds:
        sys.exit("%s: blocks open with %s only" % (name, sorted(set(openers))))


def vbs_file(name, records, sizes, little=False, excludes_header=False):
    """Records spanned over blocks; with little, the segment descriptor words
    little-endian, and with excludes_header, no descriptor word counting its own
    4 bytes."""
    out, starts = Framed(), {}
    blocks = spanned_blocks(records, sizes)
    for block in blocks:
        block_start = len(out.data)
        segments = [sdw(data, code, little, excludes_header) for _, code, data in block]
        length = sum(len(s) for s in segments) + (0 if excludes_header else DESCRIPTOR)
        out.data += bdw(length, False)
        for position, ((index, code, _), segment) in enumerate(zip(block, segments)):
            if code in (SEGMENT_WHOLE, SEGMENT_FIRST):
                starts[index] = (len(out.data), block_start if position == 0 else None)
            out.data += segment
            if code in (SEGMENT_WHOLE, SEGMENT_LAST):
                offset, split = starts[index]
                out.rows.append((index + 1, offset, len(records[index]), len(out.data),
                                 "-" if split is None else str(split)))
    check_kinds(name, [code for block in blocks for _, code, _ in block],
                [block[0][1] for block in blocks])
    out.write(name)


def vs_file(name, records, sizes, little=False):
    """Records cut into segments of the sizes in turn, without blocks."""
    out, codes, turn = Framed(), [], 0
    for index, record in enumerate(records):
        offset, at, first = len(out.data), 0, True
        while first or at < len(record):
            piece = record[at:at + sizes[turn % len(sizes)]]
            turn += 1
            codes.append(segment_code(first, at + len(piece) == len(record)))
            out.data += sdw(piece, codes[-1], little)
            at, first = at + len(piece), False
        out.rows.append((index + 1, offset, len(record), len(out.data), str(offset)))
    check_kinds(name, codes, None)
    out.write(name)


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
    for form in (1, 2, 3):
        name = "shipments_varseq%d.dat" % form
        framed = Framed()
        for record in shipments:
            framed.add(varseq_length(record, form) + record, len(record), True)
        if bytes(framed.data) != read(name):
            sys.exit("%s is not framed as expected" % name)
        framed.write_offsets(name)
    rdw_file(shipments, little=True,
             excludes_header=True).write("shipments_le.dat")
    vb_file(shipments, SHIPMENT_BLOCKS,
            SHIPMENT_EXTENDED).write("shipments_vb.dat")
    customers = customer_records()
    rdw_file(customers).write("customers_rdw.dat")
    vb_file(customers, CUSTOMER_BLOCKS,
            CUSTOMER_EXTENDED).write("customers_vb.dat")
    lines_file(read("payroll.dat")).write("payroll.txt")
    vbs_file("shipments_vbs.dat", shipments, SHIPMENT_BLOCK_SIZES)
    vbs_file("customers_vbs.dat", customers, CUSTOMER_BLOCK_SIZES, little=True,
             excludes_header=True)
    vs_file("shipments_vs.dat", shipments, SHIPMENT_SEGMENT_SIZES, little=True)


if __name__ == "__main__":
    main()
