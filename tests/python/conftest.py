"""The test data, its expected values (<file>.expected) and lists, and frame comparisons."""

import decimal
import os

import pandas as pd

DATA = os.environ.get("LYRA_TEST_DATA",
                      os.path.join(os.path.dirname(__file__), os.pardir, "data"))
TXN_COPYBOOKS = {"HD": "txnhdr.cpy", "DT": "txndtl.cpy", "TR": "txntrl.cpy"}  # by identifier


def copybook(name):
    return os.path.join(DATA, "copybooks", name)


def data_file(name):
    return os.path.join(DATA, "files", name)


TXN_OPTIONS = {"copybooks": {key: copybook(name) for key, name in TXN_COPYBOOKS.items()},
               "id_field": "0:PIC X(2)"}


def patched(tmp_path, name, offset, insert, cut=0):
    """The path of a copy of files/<name> in tmp_path, insert in place of cut bytes at offset."""
    data = open(data_file(name), "rb").read()
    (tmp_path / name).write_bytes(data[:offset] + insert + data[offset + cut:])
    return str(tmp_path / name)


def table(name):
    """The tab-separated rows of a list under files/, comment lines left out."""
    with open(data_file(name), encoding="utf-8") as lines:
        return [line.rstrip("\n").split("\t") for line in lines
                if line.strip() and not line.startswith("#")]


def expected(name):
    """{record number: {column: text}} from files/<name>.expected."""
    records = {}
    with open(data_file(name + ".expected"), encoding="utf-8", newline="\n") as lines:
        for line in lines:
            number, column, value = line.rstrip("\n").split("\t", 2)
            records.setdefault(int(number), {})[column] = value
    return records


def manifest_options(row):
    """read_pandas keywords for a row of manifest.tsv."""
    _, encoding, length, skip, id_offset, id_clauses, layouts = row
    options = {"skip": int(skip), "ebcdic": encoding == "EBCDIC"}
    if int(length) > 0:
        options.update(record_format="fixed", record_length=int(length))
    if "=" in layouts:
        options["copybooks"] = {item.split("=")[0]: copybook(item.split("=")[1])
                                for item in layouts.split(",")}
        options["id_field"] = "%s:%s" % (id_offset, id_clauses)
    else:
        options["copybook"] = copybook(layouts)
    return options


def framed_options(name):
    """read_pandas keywords for a file of framed.tsv (file, format, switches, copybook,
    and for a spanned file the file of its records whole)."""
    _, record_format, switches, book = next(row for row in table("framed.tsv")
                                            if row[0] == name)[:4]
    options = {"record_format": record_format, "copybook": copybook(book)}
    for switch in switches.split(","):
        name, equals, value = switch.partition("=")
        if switch != "-":
            options[name] = int(value) if equals else True
    return options


def edited_number(text):
    """The number a numeric-edited text states, as a plain numeric text: blanks, '$' and '*'
    dropped, and a sign after the digits ('-', CR or DB below zero, '+') put before them
    ("  $0.01CR" is "-0.01", "001DB" "-001"); a plain numeric text stays as it is."""
    number = "".join(c for c in text if c not in " $*")
    for sign in ("-", "+", "CR", "DB"):
        if len(number) > len(sign) and number.endswith(sign):
            return ("" if sign == "+" else "-") + number[:-len(sign)]
    return number


def assert_values(values, want, strip=True, where=None):
    """The values not null are the expected texts typed as read: an int, a float (of the exact
    decimal cut after 34 digits), a Decimal with the picture's scale, or the text; a number's
    text may be that of a numeric-edited item."""
    values = {name: value for name, value in values.items()
              if value is not None and not pd.isna(value)}
    assert sorted(values) == sorted(want), where
    for name, text in want.items():
        value = values[name]
        if not isinstance(value, str):
            text = edited_number(text)
        if isinstance(value, decimal.Decimal):
            assert value.as_tuple().exponent == decimal.Decimal(text).as_tuple().exponent
            text = decimal.Decimal(text)
        elif isinstance(value, (int, float)) and not isinstance(value, bool):
            text = type(value)(text)
        elif strip:
            text = text.rstrip(" ")
        assert value == text, (where, name, value, text)


def assert_matches(frame, want, strip=True):
    """Every record of the frame (read with_position) has the expected values."""
    rows = frame.drop(columns="_offset").to_dict("records")
    assert sorted(row["_record"] for row in rows) == sorted(want)
    for row in rows:
        number = row.pop("_record")
        assert_values(row, want[number], strip, number)
