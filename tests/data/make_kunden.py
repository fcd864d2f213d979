#!/usr/bin/env python3
"""Writes the German customer files (copybooks/kunden.cpy) in five
encodings, with their expected values.

Usage: make_kunden.py   (run from generate.sh, in this folder)

The records are the table below, 8 records of 60 bytes each:

  K-ID       0   2  PIC X(2)     'KD' or 'KA' (one layout for both)
  K-NAME     2  20  PIC X(20)
  K-CITY    22  15  PIC X(15)
  K-BALANCE 37   7  PIC S9(5)V99, embedded trailing sign
  K-CHANGE  44   4  PIC S9(3) SIGN LEADING SEPARATE
  K-NOTE    48  12  PIC X(12)

Text is converted by iconv from UTF-8 to the file's character set and
padded with that set's space to the field's length in bytes (X'40' in
EBCDIC, X'20' otherwise). In UTF-8 a field is measured in bytes too: a
20-byte name with two umlauts holds 18 characters, so its value has two
blanks fewer than in the single-byte files. The code pages without a euro
sign (273, ISO-8859-1) get the currency sign U+00A4 in its place; in 273
that is X'9F', the byte where 1141 has the euro.

Numbers are written by rule, not by iconv:
  EBCDIC     digits F0-F9; the sign is the zone of the last digit of
             K-BALANCE, C positive, D negative (-12.34 ends in D4);
             K-CHANGE starts with '+' (4E) or '-' (60)
  latin1,    digits '0'-'9'; the last digit of K-BALANCE is an overpunch
  cp1252     letter, '{' 'A'-'I' for +0 to +9, '}' 'J'-'R' for -0 to -9
  utf8       digits '0'-'9'; a negative last digit of K-BALANCE is 'p'-'y'
             for 0 to 9, a positive one stays a digit (GnuCOBOL's default)
A zero balance is positive.

The expected values come from the same table: text padded with blanks as
above, numbers in the canonical form. They are UTF-8.
"""
import os
import subprocess
import sys
from decimal import Decimal

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")

# (K-ID, K-NAME, K-CITY, K-BALANCE, K-CHANGE, K-NOTE)
RECORDS = [
    ("KD", "Jürgen Weiß", "Köln", "1234.56", 5, "Bonus 10 €"),
    ("KD", "Müller & Söhne", "Düsseldorf", "-12.34", -42, "Skonto 2%"),
    ("KA", "Öztürk, Ümit", "Lübeck", "-0.50", 0, "[Filiale 3]"),
    ("KD", "Jürgen Weißmüller", "München", "99999.99", 999, "info@wm.de"),
    ("KD", "Bäckerei Schäfer", "Saarbrücken", "0.00", -1, "€ 0,00"),
    ("KA", "Ärztehaus Görlitz", "Weißenfels", "-99999.99", -999,
     "Rest ~50 €"),
    ("KD", "Groß & Klein GmbH", "Fürth", "700.01", 10, "Mahnstufe 1!"),
    ("KD", "Ute Öhlschläger", "Würzburg", "5.00", -7, "{Sammler}"),
]
# Field lengths in bytes: K-ID, K-NAME, K-CITY, K-NOTE.
TEXT_LENGTHS = (2, 20, 15, 12)
BALANCE_DIGITS, BALANCE_PLACES = 7, 2
CHANGE_DIGITS = 3

# File, iconv character set, kind of number bytes, euro sign available.
FILES_MADE = [
    ("kunden_273.dat", "IBM273", "ebcdic", False),
    ("kunden_1141.dat", "IBM1141", "ebcdic", True),
    ("kunden_latin1.dat", "ISO-8859-1", "overpunch", False),
    ("kunden_cp1252.dat", "WINDOWS-1252", "overpunch", True),
    ("kunden_utf8.dat", "UTF-8", "ascii", True),
]
OVERPUNCH_POSITIVE = "{ABCDEFGHI"
OVERPUNCH_NEGATIVE = "}JKLMNOPQR"
ASCII_NEGATIVE = "pqrstuvwxy"


def iconv(text, charset):
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", charset],
                          input=text.encode("utf-8"), capture_output=True,
                          check=True).stdout


def text_field(value, length, charset, ebcdic):
    raw = iconv(value, charset)
    if len(raw) > length:
        sys.exit("%r takes %d bytes in %s, more than %d"
                 % (value, len(raw), charset, length))
    return raw + (b"\x40" if ebcdic else b" ") * (length - len(raw))


def padded_value(value, length, charset):
    """The expected text: the value and as many blanks as bytes are left."""
    return value + " " * (length - len(iconv(value, charset)))


def zoned(digits, negative, kind):
    """Digit characters to bytes, the sign carried by the last one."""
    last = int(digits[-1])
    if kind == "ebcdic":
        body = bytes(0xF0 | int(d) for d in digits[:-1])
        return body + bytes([(0xD0 if negative else 0xC0) | last])
    if kind == "overpunch":
        table = OVERPUNCH_NEGATIVE if negative else OVERPUNCH_POSITIVE
        return (digits[:-1] + table[last]).encode("ascii")
    return (digits[:-1] + (ASCII_NEGATIVE[last] if negative
                           else digits[-1])).encode("ascii")


def balance_field(value, kind):
    units = int(Decimal(value).scaleb(BALANCE_PLACES))
    return zoned("%0*d" % (BALANCE_DIGITS, abs(units)), units < 0, kind)


def change_field(value, kind):
    sign = "-" if value < 0 else "+"
    text = sign + "%0*d" % (CHANGE_DIGITS, abs(value))
    if kind == "ebcdic":
        return bytes([0x60 if value < 0 else 0x4E]) + bytes(
            0xF0 | int(d) for d in text[1:])
    return text.encode("ascii")


def without_euro(text, euro):
    return text if euro else text.replace("€", "\u00a4")


def record_bytes(record, charset, kind, euro):
    ident, name, city, balance, change, note = record
    texts = [without_euro(t, euro) for t in (ident, name, city, note)]
    fields = [text_field(t, n, charset, kind == "ebcdic")
              for t, n in zip(texts, TEXT_LENGTHS)]
    return b"".join(fields[:3] + [balance_field(balance, kind),
                                  change_field(change, kind), fields[3]])


def expected_lines(number, record, charset, euro):
    ident, name, city, balance, change, note = record
    texts = [padded_value(without_euro(t, euro), n, charset)
             for t, n in zip((ident, name, city, note), TEXT_LENGTHS)]
    values = [("K-ID", texts[0]), ("K-NAME", texts[1]),
              ("K-CITY", texts[2]), ("K-BALANCE", balance),
              ("K-CHANGE", str(change)), ("K-NOTE", texts[3])]
    return ["%d\t%s\t%s\n" % (number, column, value)
            for column, value in values]


def main():
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    for name, charset, kind, euro in FILES_MADE:
        data, lines = b"", []
        for number, record in enumerate(RECORDS, 1):
            raw = record_bytes(record, charset, kind, euro)
            if len(raw) != 60:
                sys.exit("record %d of %s has %d bytes" % (number, name,
                                                           len(raw)))
            data += raw
            lines += expected_lines(number, record, charset, euro)
        with open(os.path.join(FILES, name), "wb") as out:
            out.write(data)
        with open(os.path.join(FILES, name + ".expected"), "w",
                  encoding="utf-8", newline="\n") as out:
            out.writelines(lines)


if __name__ == "__main__":
    main()
