#!/usr/bin/env python3
"""Cross-checks every data file of files/manifest.tsv and files/framed.tsv
against its .expected.

The expected values come from the COBOL programs that wrote the files. This
script decodes the files a second, independent way, from the copybooks and
the bytes, and reports the first line where the two disagree. It reads only
the copybook forms that this folder uses (level, name or FILLER, PIC, usage,
OCCURS [m TO] n [DEPENDING ON], REDEFINES, SIGN [LEADING|TRAILING]
[SEPARATE]); it is a check for this material, not a general decoder.

Column names follow the library's rule: a field's first column carries its
name (FILLER when unnamed), each later use of the same name gets _1, _2...
Repetitions beyond an OCCURS DEPENDING ON count take names but are not
listed. Numeric values are written in canonical form: optional '-', the
integer digits without leading zeros, and, when the picture has V or
leading P, '.' and its digits after the point.

Framed files (framed.tsv) are taken apart by their descriptor words (spanned
records joined from their segments) or line ends; a field that runs past the
end of a descriptor-word record is left out like an unreached repetition, and a
line is read as if padded with blanks.
"""
import os
import re
import sys
from decimal import Decimal

HERE = os.path.dirname(os.path.abspath(__file__))
TO_LATIN1 = bytes(range(256)).decode("cp037").encode("latin-1")
OVERPUNCH_POS = b"{ABCDEFGHI"
OVERPUNCH_NEG = b"}JKLMNOPQR"
ASCII_NEG = b"pqrstuvwxy"
BINARY_USAGES = {"COMP", "COMPUTATIONAL", "BINARY", "COMP-4",
                 "COMPUTATIONAL-4", "COMP-5", "COMPUTATIONAL-5"}
PACKED_USAGES = {"COMP-3", "COMPUTATIONAL-3", "PACKED-DECIMAL"}
CLAUSE_WORDS = {"PIC", "PICTURE", "REDEFINES", "OCCURS", "VALUE", "VALUES",
                "SIGN", "USAGE"}


class Item:
    def __init__(self, level, name, parent):
        self.level, self.name, self.parent = level, name, parent
        self.children, self.pic, self.usage = [], None, "DISPLAY"
        self.occurs, self.depending, self.redefines = None, None, None
        self.leading = self.separate = False
        self.value = None


def statements(path):
    """Entries of a fixed-format copybook, each without its period."""
    entries, current = [], []
    for line in open(path, encoding="latin-1").read().split("\n"):
        if len(line) < 7 or line[6] in "*/":
            continue
        content = line[7:72].strip()
        if content:
            current.append(content)
            if content.endswith("."):
                entries.append(" ".join(current)[:-1])
                current = []
    return entries


def parse_copybook(path):
    root, by_name = Item(0, None, None), {}
    last = root
    for entry in statements(path):
        words = re.findall(r"'[^']*'|\"[^\"]*\"|\S+", entry)
        level = int(words[0])
        if level in (66, 77, 88):
            continue
        pos, name = 1, None
        if pos < len(words) and words[pos].upper() not in CLAUSE_WORDS:
            name = None if words[pos].upper() == "FILLER" else words[pos]
            pos += 1
        parent = last
        while parent.level >= level:
            parent = parent.parent
        item = Item(level, name, parent)
        parent.children.append(item)
        read_clauses(item, [w.upper() for w in words[pos:]], by_name)
        if name:
            by_name[name.upper()] = item
        last = item
    return root


def read_clauses(item, words, by_name):
    i = 0
    while i < len(words):
        word = words[i]
        if word in ("PIC", "PICTURE"):
            i += 2 if words[i + 1] == "IS" else 1
            item.pic = words[i]
        elif word == "REDEFINES":
            i += 1
            item.redefines = by_name[words[i]]
        elif word == "OCCURS":
            i += 1
            item.occurs = int(words[i])
            if i + 2 < len(words) and words[i + 1] == "TO":
                i += 2
                item.occurs = int(words[i])
        elif word == "DEPENDING":
            i += 2 if words[i + 1] == "ON" else 1
            item.depending = by_name[words[i]]
        elif word in ("LEADING", "TRAILING"):
            item.leading = word == "LEADING"
        elif word == "SEPARATE":
            item.separate = True
        elif word in BINARY_USAGES:
            item.usage = "BINARY"
        elif word in PACKED_USAGES:
            item.usage = "PACKED"
        elif word in ("VALUE", "VALUES"):
            i += 1
        i += 1


def expand(pic):
    return re.sub(r"(.)\((\d+)\)", lambda m: m.group(1) * int(m.group(2)),
                  pic.upper())


def storage_length(item):
    pic = expand(item.pic)
    digits = pic.count("9")
    if item.usage == "BINARY":
        return 2 if digits <= 4 else 4 if digits <= 9 else 8
    if item.usage == "PACKED":
        return digits // 2 + 1
    positions = len(pic) - pic.count("V") - pic.count("P")
    return positions - (1 if "S" in pic and not item.separate else 0)


def display_text(raw, ebcdic):
    return raw.translate(TO_LATIN1) if ebcdic else raw


def embedded_sign(byte, ebcdic):
    """(digit character, negative) of the byte that carries the sign."""
    if ebcdic:
        return ord("0") + (byte & 15), (byte >> 4) in (0xB, 0xD)
    for table, negative in ((ASCII_NEG, True), (OVERPUNCH_NEG, True),
                            (OVERPUNCH_POS, False)):
        if byte in table:
            return ord("0") + table.index(byte), negative
    return byte, False


def display_number(item, raw, ebcdic):
    text = bytearray(display_text(raw, ebcdic))
    negative = False
    if item.separate:
        at = 0 if item.leading else len(text) - 1
        negative = text[at] == ord("-")
        del text[at]
    elif item.pic.upper().startswith("S"):
        at = 0 if item.leading else len(raw) - 1
        text[at], negative = embedded_sign(raw[at], ebcdic)
    return -int(text) if negative else int(text)


def decode(item, raw, ebcdic):
    pic = expand(item.pic)
    if not re.fullmatch(r"S?[9VP]+", pic):
        return display_text(raw, ebcdic).decode("latin-1")
    if item.usage == "BINARY":
        number = int.from_bytes(raw, "big", signed=pic.startswith("S"))
    elif item.usage == "PACKED":
        nibbles = raw.hex()
        number = int(nibbles[:-1]) * (-1 if nibbles[-1] in "bd" else 1)
    else:
        number = display_number(item, raw, ebcdic)
    body = pic.lstrip("S")
    leading_p = len(body) - len(body.lstrip("P"))
    trailing_p = len(body) - len(body.rstrip("P"))
    places = len(body.split("V")[1]) if "V" in body else 0
    if leading_p:
        places = leading_p + body.count("9")
    return format(Decimal(number).scaleb(trailing_p - places),
                  ".%df" % places)


def next_name(item, counts):
    base = item.name or "FILLER"
    counts[base] = counts.get(base, -1) + 1
    return base if counts[base] == 0 else "%s_%d" % (base, counts[base])


def skip_names(item, counts):
    """Names taken by repetitions that the record does not reach."""
    if item.pic is not None:
        next_name(item, counts)
        return
    for child in item.children:
        for _ in range(child.occurs or 1):
            skip_names(child, counts)


def walk(item, data, pos, ctx):
    """Decodes item at pos into ctx['columns']; returns the end position."""
    count = item.occurs or 1
    if item.depending is not None:
        count = min(int(Decimal(item.depending.value)), item.occurs)
    ctx["starts"][id(item)] = pos
    for _ in range(count):
        if item.pic is not None:
            length = storage_length(item)
            name = next_name(item, ctx["counts"])
            pos += length
            if pos > ctx.get("end", len(data)):
                item.value = None
                continue
            item.value = decode(item, data[pos - length:pos], ctx["ebcdic"])
            ctx["columns"].append((name, item.value))
            continue
        for child in item.children:
            if child.redefines is None:
                pos = walk(child, data, pos, ctx)
            else:
                start = ctx["starts"][id(child.redefines)]
                pos = max(pos, walk(child, data, start, ctx))
    if item.depending is not None:
        for _ in range(item.occurs - count):
            skip_names(item, ctx["counts"])
    return pos


def decode_file(line):
    name, encoding, length, start, id_offset, _, layouts = line.split("\t")
    ebcdic = encoding == "EBCDIC"
    roots = {}
    for layout in layouts.split(","):
        key, _, copybook = layout.rpartition("=")
        roots[key] = parse_copybook(os.path.join(HERE, "copybooks", copybook))
    data = open(os.path.join(HERE, "files", name), "rb").read()
    pos, number, lines = int(start), 0, []
    while pos < len(data):
        number += 1
        key = ""
        if len(roots) > 1:
            at = pos + int(id_offset)
            key = display_text(data[at:at + 2], ebcdic).decode().strip()
        ctx = {"columns": [], "counts": {}, "starts": {}, "ebcdic": ebcdic}
        end = walk(roots[key], data, pos, ctx)
        lines += ["%d\t%s\t%s" % (number, c, v) for c, v in ctx["columns"]]
        pos = pos + int(length) if int(length) else end
    return name, number, lines


def unframe(data, record_format, options):
    """The records of a framed file: descriptor words and line ends gone."""
    records, pos = [], 0
    while pos < len(data):
        if record_format == "lines":
            end = data.find(b"\n", pos)
            end = len(data) if end < 0 else end
            records.append(data[pos:end - 1 if data[pos:end].endswith(b"\r")
                                else end])
            pos = end + 1
            continue
        if record_format == "vb":
            word = data[pos:pos + 4]
            if word[0] & 0x80:
                block = int.from_bytes(word, "big") & 0x7FFFFFFF
            else:
                block = int.from_bytes(word[:2], "big")
            records += unframe(data[pos + 4:pos + block], "rdw", options)
            pos += block
            continue
        word, size = data[pos:pos + 4], 4
        if "varseq_format=1" in options:
            length = int.from_bytes(word, "big")
        elif "varseq_format=2" in options:
            length = int.from_bytes(word, "little")
        elif "varseq_format=3" in options:
            length, size = int.from_bytes(word[:2], "big"), 2
        elif "rdw_little_endian" in options:
            length = int.from_bytes(word[2:], "little")
        else:
            length = int.from_bytes(word[:2], "big")
        if "rdw_excludes_header" not in options and "varseq" not in options[0]:
            length -= 4
        records.append(data[pos + size:pos + size + length])
        pos += size + length
    return records


def segments(chunk, options):
    """The (segment code, data) pairs of segments one after another."""
    out, pos = [], 0
    while pos < len(chunk):
        word = chunk[pos:pos + 4]
        if "rdw_little_endian" in options:
            code, length = word[1], int.from_bytes(word[2:], "little")
        else:
            code, length = word[2], int.from_bytes(word[:2], "big")
        if "rdw_excludes_header" not in options:
            length -= 4
        out.append((code, chunk[pos + 4:pos + 4 + length]))
        pos += 4 + length
    return out


def unspan(data, record_format, options):
    """The records of a spanned file (vbs, vs): each record's segments joined, from
    a whole one (code 0) or a first one (1) to the last (2)."""
    pieces, pos = [], 0
    while record_format == "vbs" and pos < len(data):
        block = int.from_bytes(data[pos:pos + 2], "big")  # block words are big-endian
        if "bdw_excludes_header" in options:
            block += 4
        pieces += segments(data[pos + 4:pos + block], options)
        pos += block
    if record_format == "vs":
        pieces = segments(data, options)
    records, joined = [], b""
    for code, piece in pieces:
        joined += piece
        if code in (0, 2):
            records.append(joined)
            joined = b""
    return records


def decode_framed(line):
    name, record_format, options, copybook = line.split("\t")[:4]
    options = options.split(",")
    take_apart = unspan if record_format in ("vbs", "vs") else unframe
    root = parse_copybook(os.path.join(HERE, "copybooks", copybook))
    data = open(os.path.join(HERE, "files", name), "rb").read()
    lines = []
    for number, record in enumerate(take_apart(data, record_format, options), 1):
        ctx = {"columns": [], "counts": {}, "starts": {},
               "ebcdic": "ebcdic" in options, "end": len(record)}
        if record_format == "lines":
            record += b" " * 4096
            ctx["end"] = len(record)
        walk(root, record, 0, ctx)
        lines += ["%d\t%s\t%s" % (number, c, v) for c, v in ctx["columns"]]
    return name, number, lines


def manifest_lines(manifest):
    for line in open(os.path.join(HERE, "files", manifest)).read().splitlines():
        if line and not line.startswith("#"):
            yield line


def main():
    failed = False
    checks = [(decode_file, line) for line in manifest_lines("manifest.tsv")]
    checks += [(decode_framed, line) for line in manifest_lines("framed.tsv")]
    for decode_any, line in checks:
        name, records, lines = decode_any(line)
        path = os.path.join(HERE, "files", name + ".expected")
        expected = open(path, encoding="latin-1").read().split("\n")[:-1]
        if lines == expected:
            print("%-26s %3d records %4d values OK" % (name, records,
                                                       len(lines)))
            continue
        failed = True
        for index, (got, want) in enumerate(zip(lines, expected)):
            if got != want:
                print("%s line %d: decoded %r, expected %r"
                      % (name, index + 1, got, want))
                break
        else:
            print("%s: %d values decoded, %d expected"
                  % (name, len(lines), len(expected)))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
