#!/usr/bin/env python3
"""Writes national.dat (copybooks/national.cpy) and its expected values.

Usage: make_national.py   (run from generate.sh, in this folder)

The records are the table below, 7 records of 39 bytes each:

  N-ID      0   3  PIC 9(3)                  ASCII digits
  N-NAME    3  20  PIC N(10)                 UTF-16 big-endian
  N-TITLE  23  12  PIC N(6) USAGE NATIONAL   UTF-16 big-endian
  N-TAIL   35   4  PIC X(4)                  ASCII

A national character position is one UTF-16 code unit, 2 bytes. Text is
converted by iconv from UTF-8 to UTF-16BE (no byte order mark) and padded
with the UTF-16 space, 00 20, to the field's bytes. A character outside the
Basic Multilingual Plane (U+1F600) is a surrogate pair, D8 3D DE 00, and
takes two positions, so its field holds one character fewer and its value
has one blank fewer than the positions suggest.

The expected values come from the same table: text with its padding blanks,
N-ID in the canonical numeric form. They are UTF-8.
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")
NAME_POSITIONS, TITLE_POSITIONS = 10, 6
RECORD = 39

# (N-ID, N-NAME, N-TITLE, N-TAIL)
RECORDS = [
    (1, "Anna", "Dr.", "A001"),
    (2, "Müller", "Frau", "B002"),
    (3, "Ωμέγα", "€ 5", "C003"),
    (4, "日本語テキスト", "東京", "D004"),
    (5, "Grin \U0001F600", "x\U0001F600y", "E005"),
    (6, "Здравствуй", "Привет", "F006"),
    (7, "", "", "G007"),
]


def utf16(text):
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", "UTF-16BE"],
                          input=text.encode("utf-8"), capture_output=True,
                          check=True).stdout


def national_field(text, positions):
    raw = utf16(text)
    if len(raw) > 2 * positions:
        sys.exit("%r takes %d bytes, more than %d positions"
                 % (text, len(raw), positions))
    return raw + b"\x00\x20" * (positions - len(raw) // 2)


def expected_text(text, positions):
    return text + " " * (positions - len(utf16(text)) // 2)


def main():
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    data, lines = b"", []
    for number, (ident, name, title, tail) in enumerate(RECORDS, 1):
        raw = (b"%03d" % ident + national_field(name, NAME_POSITIONS)
               + national_field(title, TITLE_POSITIONS)
               + tail.encode("ascii"))
        if len(raw) != RECORD:
            sys.exit("record %d has %d bytes" % (number, len(raw)))
        data += raw
        values = [("N-ID", str(ident)),
                  ("N-NAME", expected_text(name, NAME_POSITIONS)),
                  ("N-TITLE", expected_text(title, TITLE_POSITIONS)),
                  ("N-TAIL", tail)]
        lines += ["%d\t%s\t%s\n" % (number, column, value)
                  for column, value in values]
    with open(os.path.join(FILES, "national.dat"), "wb") as out:
        out.write(data)
    with open(os.path.join(FILES, "national.dat.expected"), "w",
              encoding="utf-8", newline="\n") as out:
        out.writelines(lines)


if __name__ == "__main__":
    main()
