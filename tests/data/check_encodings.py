#!/usr/bin/env python3
"""Cross-checks the code page and national files against their .expected.

Usage: check_encodings.py   (run from generate.sh, in this folder)

The files were made with iconv's tables; this script reads them back with
Python's own codecs instead, so the two sources of each table check each
other, and decodes the numbers by the sign rules on its own:

  customers_273.dat   check_expected.py's decoder with code page 273 in
                      place of 037
  kunden_*.dat        text through Python's cp273, latin-1, cp1252 and
                      utf-8 codecs; 1141 is cp273 with the euro sign at 9F
  national.dat        N items through the utf-16-be codec

The expected files are UTF-8 except customers_273.dat.expected (ASCII).
"""
import os
import sys

import check_expected

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")

KUNDEN_RECORD = 60
# (column, offset, length, kind): kind is text, balance or change.
KUNDEN_FIELDS = [("K-ID", 0, 2, "text"), ("K-NAME", 2, 20, "text"),
                 ("K-CITY", 22, 15, "text"), ("K-BALANCE", 37, 7, "balance"),
                 ("K-CHANGE", 44, 4, "change"), ("K-NOTE", 48, 12, "text")]
# File, Python codec (cp1141 is cp273 with the euro at 9F), sign convention.
KUNDEN_FILES = [("kunden_273.dat", "cp273", "ebcdic"),
                ("kunden_1141.dat", "cp1141", "ebcdic"),
                ("kunden_latin1.dat", "latin-1", "overpunch"),
                ("kunden_cp1252.dat", "cp1252", "overpunch"),
                ("kunden_utf8.dat", "utf-8", "ascii")]
NATIONAL_RECORD = 39


def read(name):
    with open(os.path.join(FILES, name), "rb") as f:
        return f.read()


def expected(name):
    with open(os.path.join(FILES, name + ".expected"),
              encoding="utf-8", newline="") as f:
        return f.read().split("\n")[:-1]


def text(raw, codec):
    if codec == "cp1141":
        return "".join("€" if b == 0x9F else bytes([b]).decode("cp273")
                       for b in raw)
    return raw.decode(codec)


def balance(raw, convention):
    """S9(5)V99 with the sign over the last digit, as text."""
    last = raw[-1]
    if convention == "ebcdic":
        digits = "".join(str(b & 15) for b in raw)
        negative = last >> 4 == 0xD
    else:
        body, char = raw[:-1].decode("ascii"), chr(last)
        for table, sign in (("{ABCDEFGHI", False), ("}JKLMNOPQR", True),
                            ("pqrstuvwxy", True), ("0123456789", False)):
            if char in table:
                digits, negative = body + str(table.index(char)), sign
                break
        else:
            sys.exit("no sign digit: %r" % raw)
    value = int(digits)
    return "%s%d.%02d" % ("-" if negative and value else "", value // 100,
                          value % 100)


def change(raw, convention):
    """S9(3) SIGN LEADING SEPARATE as text."""
    if convention == "ebcdic":
        sign = {0x4E: "+", 0x60: "-"}[raw[0]]
        value = int("".join(str(b & 15) for b in raw[1:]))
    else:
        sign, value = chr(raw[0]), int(raw[1:].decode("ascii"))
    return str(-value if sign == "-" else value)


def kunden_lines(name, codec, convention):
    data, lines = read(name), []
    for number in range(len(data) // KUNDEN_RECORD):
        record = data[number * KUNDEN_RECORD:(number + 1) * KUNDEN_RECORD]
        for column, offset, length, kind in KUNDEN_FIELDS:
            raw = record[offset:offset + length]
            if kind == "text":
                value = text(raw, codec)
            elif kind == "balance":
                value = balance(raw, convention)
            else:
                value = change(raw, convention)
            lines.append("%d\t%s\t%s" % (number + 1, column, value))
    return lines


def national_lines():
    data, lines = read("national.dat"), []
    for number in range(len(data) // NATIONAL_RECORD):
        record = data[number * NATIONAL_RECORD:(number + 1) * NATIONAL_RECORD]
        values = [("N-ID", str(int(record[0:3].decode("ascii")))),
                  ("N-NAME", record[3:23].decode("utf-16-be")),
                  ("N-TITLE", record[23:35].decode("utf-16-be")),
                  ("N-TAIL", record[35:39].decode("ascii"))]
        lines += ["%d\t%s\t%s" % (number + 1, c, v) for c, v in values]
    return lines


def customers_273_lines():
    # The two tables differ in one byte, BC: Python's cp273 reads it as
    # U+203E (overline), iconv's IBM273 as U+00AF (macron), which is the
    # ISO-8859-1 character the decoder's table must hold.
    check_expected.TO_LATIN1 = bytes(range(256)).decode("cp273").replace(
        "\u203e", "\u00af").encode("latin-1")
    _, _, lines = check_expected.decode_file(
        "customers_273.dat\tEBCDIC\t200\t0\t-\t-\tcustmast.cpy")
    return lines


def compare(name, lines):
    want = expected(name)
    if lines == want:
        print("%-26s %4d values OK" % (name, len(lines)))
        return True
    for index, (got, line) in enumerate(zip(lines, want)):
        if got != line:
            print("%s line %d: decoded %r, expected %r"
                  % (name, index + 1, got, line))
            return False
    print("%s: %d values decoded, %d expected" % (name, len(lines),
                                                  len(want)))
    return False


def main():
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    checks = [("customers_273.dat", customers_273_lines())]
    checks += [(name, kunden_lines(name, codec, convention))
               for name, codec, convention in KUNDEN_FILES]
    checks.append(("national.dat", national_lines()))
    results = [compare(name, lines) for name, lines in checks]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
