#!/usr/bin/env python3
"""Writes dbcs_<CCSID>.dat (copybooks/dbcs.cpy) for each mixed EBCDIC code page
of single- and double-byte text, and their expected values.

Usage: make_dbcs.py   (run from generate.sh, in this folder)

Each file holds 3 records of 75 bytes, from the table of its language below:

  D-ID       0   4  PIC X(4)                    one-byte text
  D-ADDRESS  4  40  PIC X(40)                   mixed text
  D-NAME    44  16  PIC G(8)                    double-byte text, no shift bytes
  D-DEPT    60  12  PIC N(6) USAGE DISPLAY-1    double-byte text, no shift bytes
  D-STAFF   72   3  PIC 9(3)                    one-byte digits

glibc's iconv encodes each text from UTF-8 into the page (IBM930, ...), which
puts a shift-out (0E) before double-byte text and a shift-in (0F) after it.
Mixed text is padded with the one-byte blank (40); the double-byte fields lose
their shift bytes and are padded with the double-byte blank (40 40).

The expected values are what iconv decodes each field's bytes to (those of a
double-byte field between a shift-out and a shift-in), never the table's text:
a test compares lyra's decoding of the same bytes with iconv's. They are UTF-8;
D-STAFF is in the canonical numeric form.
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")
SHIFT_OUT, SHIFT_IN = b"\x0e", b"\x0f"
ADDRESS, NAME, DEPT = 40, 8, 6  # bytes, positions, positions

# (D-ID, D-ADDRESS, D-NAME, D-DEPT, D-STAFF) by language. Japanese one-byte text
# is upper case: page 930 has katakana in place of the small letters.
JAPANESE = [
    ("0001", "TOKYO 東京都千代田区", "山田太郎", "営業部", 12),
    ("0002", "OSAKA-SHI 大阪市北区 2-3", "佐藤　花子", "経理", 7),
    ("0003", "NO DOUBLE-BYTE TEXT", "ＡＢＣ１２３", "", 0),
]
KOREAN = [
    ("0001", "SEOUL 서울특별시 중구", "김철수", "영업부", 12),
    ("0002", "BUSAN 부산광역시 2-3", "이영희", "회계", 7),
    ("0003", "NO DOUBLE-BYTE TEXT", "ＡＢＣ１２３", "", 0),
]
SIMPLIFIED = [
    ("0001", "BEIJING 北京市海淀区", "张伟", "销售部", 12),
    ("0002", "SHANGHAI 上海市 2-3", "王芳", "财务", 7),
    ("0003", "NO DOUBLE-BYTE TEXT", "ＡＢＣ１２３", "", 0),
]
TRADITIONAL = [
    ("0001", "TAIPEI 臺北市信義區", "陳大明", "業務部", 12),
    ("0002", "KAOHSIUNG 高雄市 2-3", "林美玲", "會計", 7),
    ("0003", "NO DOUBLE-BYTE TEXT", "ＡＢＣ１２３", "", 0),
]
PAGES = [(930, JAPANESE), (933, KOREAN), (935, SIMPLIFIED), (937, TRADITIONAL),
         (939, JAPANESE), (1364, KOREAN), (1371, TRADITIONAL), (1388, SIMPLIFIED),
         (1390, JAPANESE), (1399, JAPANESE)]


def iconv(data, source, target):
    return subprocess.run(["iconv", "-f", source, "-t", target], input=data,
                          capture_output=True, check=True).stdout


def encode(text, ccsid):
    return iconv(text.encode("utf-8"), "UTF-8", "IBM%d" % ccsid)


def decode(data, ccsid):
    return iconv(data, "IBM%d" % ccsid, "UTF-8").decode("utf-8")


def padded(data, size, blank, what):
    if len(data) > size:
        sys.exit("%s takes %d bytes, more than %d" % (what, len(data), size))
    return data + blank * ((size - len(data)) // len(blank))


def double_byte(text, ccsid, positions):
    """The double-byte bytes of text, without their shift bytes, padded."""
    data = encode(text, ccsid)
    if data:
        if data[:1] != SHIFT_OUT or data[-1:] != SHIFT_IN or b"\x0e" in data[1:-1]:
            sys.exit("%r is not double-byte text alone in %d" % (text, ccsid))
        data = data[1:-1]
    return padded(data, 2 * positions, b"\x40\x40", repr(text))


def record(row, ccsid):
    key, address, name, dept, staff = row
    fields = [encode(key, ccsid),
              padded(encode(address, ccsid), ADDRESS, b"\x40", repr(address)),
              double_byte(name, ccsid, NAME), double_byte(dept, ccsid, DEPT),
              encode("%03d" % staff, ccsid)]
    values = [("D-ID", decode(fields[0], ccsid)),
              ("D-ADDRESS", decode(fields[1], ccsid)),
              ("D-NAME", decode(SHIFT_OUT + fields[2] + SHIFT_IN, ccsid)),
              ("D-DEPT", decode(SHIFT_OUT + fields[3] + SHIFT_IN, ccsid)),
              ("D-STAFF", str(int(decode(fields[4], ccsid))))]
    return b"".join(fields), values


def main():
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    for ccsid, rows in PAGES:
        name = os.path.join(FILES, "dbcs_%d.dat" % ccsid)
        data, lines = b"", []
        for number, row in enumerate(rows, 1):
            bytes_, values = record(row, ccsid)
            if len(bytes_) != 75:
                sys.exit("record %d of %s is %d bytes" % (number, name, len(bytes_)))
            data += bytes_
            lines += ["%d\t%s\t%s\n" % (number, column, value) for column, value in values]
        with open(name, "wb") as f:
            f.write(data)
        with open(name + ".expected", "w", encoding="utf-8") as f:
            f.writelines(lines)


if __name__ == "__main__":
    main()
