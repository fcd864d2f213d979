"""read_pandas over tests/data/files: every value as the writing program printed it."""

import decimal
import gc
import os

import numpy as np
import pandas as pd
import pytest

import lyra
import lyra.dask
from conftest import (assert_matches, copybook, data_file, expected, framed_options,
                      manifest_options, table)


def read_fixed(name, book, **options):
    """A file of fixed records under files/, or at the path given."""
    return lyra.read_pandas(data_file(name), copybook=copybook(book), record_format="fixed",
                            **options)


DECODED = [  # files, copybooks and the options they need; the euro sign is 9F in 1141
    ("kunden_1141.dat", "kunden.cpy", dict(code_page="1141")),
    ("measures.dat", "measures.cpy", dict(float_format="ieee-le", comp5_little_endian=True)),
    ("measures_be.dat", "measures.cpy", dict(float_format="ieee", comp5_little_endian=True)),
    ("national.dat", "national.cpy", dict(national_utf16=True)),
    ("accounts_max.dat", "acctrec.cpy", dict(odo_layout="max")),
    ("dbcs_930.dat", "dbcs.cpy", dict(code_page="930")),
    ("dbcs_1399.dat", "dbcs.cpy", dict(code_page="IBM-1399"))]
FILES = ([(row[0], manifest_options(row)) for row in table("manifest.tsv")]
         + [(row[0], framed_options(row[0])) for row in table("framed.tsv")]
         + [(name, dict(copybook=copybook(book), record_format="fixed", **options))
            for name, book, options in DECODED])


@pytest.mark.parametrize("name, options", FILES, ids=[name for name, _ in FILES])
def test_frame_of_each_file(name, options):
    """Each layout active in turn, no value undecodable; framed records at <file>.offsets."""
    frames = [lyra.read_pandas(data_file(name), active=key or None, with_position=True,
                               **options) for key in options.get("copybooks", {"": None})]
    assert [(any(frame.attrs["errors"].values()), type(frame.index)) for frame in frames] == [
        (False, pd.RangeIndex)] * len(frames)
    assert_matches(pd.concat(frames, ignore_index=True), expected(name))
    if os.path.exists(data_file(name + ".offsets")):
        places = [tuple(map(int, place[:2])) for place in table(name + ".offsets")]
        assert list(zip(frames[0]["_record"], frames[0]["_offset"])) == places


def test_dtypes_follow_the_pictures_and_limits_hold():
    frame = read_fixed("jobstats.dat", "jobstats.cpy")
    want = {"JS-JOB-NAME": "object",  # X(8): text
            "JS-NET-CHANGE": "Int64",  # S9(18) BINARY: an integer
            "JS-BYTES-READ": "UInt64",  # 9(18) COMP: 8 bytes up to 2^64 - 1
            "JS-COST": "float64"}  # S9(11)V99 COMP-4: digits after the point
    assert {name: str(frame.dtypes[name]) for name in want} == want
    floats = read_fixed("measures.dat", "measures.cpy", float_format="ieee-le", limit=0)
    assert len(floats) == 0 and str(floats.dtypes["M-RATE"]) == "float64"  # COMP-1
    payroll = read_fixed("payroll.dat", "payroll.cpy", columns=["PAY-NET", "PAY-TAX"], limit=4)
    assert list(payroll.columns) == ["PAY-NET", "PAY-TAX"] and len(payroll) == 4
    assert str(payroll.dtypes["PAY-NET"]) == "object"  # ZZZ,ZZ9.99- is edited: text
    assert payroll["PAY-NET"][0] == "  1,779.80"


def test_numeric_edited_items_are_numbers():
    """Numeric-edited items whose output type is a number (signs before and after the
    digits, CR and DB, currency signs, check protection) are Int64 without a point and
    float64 with one, each the value the writing program printed; exact with
    decimal=True, and the same one at a time."""
    want = {}
    for number, name, value in table("edited.dat.values"):
        want.setdefault(int(number), {})[name] = value
    assert len(want) == 7
    frame = read_fixed("edited.dat", "edited.cpy", with_position=True)
    assert {name: str(frame.dtypes[name]) for name in want[1]} == {
        name: "float64" if "." in value else "Int64" for name, value in want[1].items()}
    assert frame.attrs["errors"] == dict.fromkeys(want[1], 0)
    assert_matches(frame, want)
    assert_matches(read_fixed("edited.dat", "edited.cpy", with_position=True, decimal=True), want)
    with lyra.open(data_file("edited.dat"), copybook=copybook("edited.cpy"),
                   record_format="fixed", as_dict=True) as reader:
        records = list(reader)
    assert records == [{name: (float if "." in value else int)(value)
                        for name, value in want[number].items()} for number in sorted(want)]


def test_exact_decimals_and_unstripped_text(tmp_path):
    frame = read_fixed("policies.dat", "policy.cpy", skip=32, decimal=True, strip=False,
                       with_position=True)
    assert_matches(frame, expected("policies.dat"), strip=False)
    assert set(frame["POL-LOADING-RATE"].dropna().map(type)) == {decimal.Decimal}
    # Numbers of more than 18 digits are exact without decimal=True.
    (tmp_path / "big.cpy").write_text("       01  R.\n           05  BIG   PIC S9(25)V99 COMP-3.\n"
                                      "           05  CODE  PIC X(3).\n")
    (tmp_path / "big.dat").write_bytes(bytes.fromhex("123456789012345678901234567d") + b"AB "
                                       + bytes(13) + b"\x0c   ")
    frame = read_fixed(tmp_path / "big.dat", tmp_path / "big.cpy")
    assert list(frame["BIG"]) == [decimal.Decimal("-1234567890123456789012345.67"),
                                  decimal.Decimal("0.00")]
    assert list(frame["CODE"]) == ["AB", ""]


def test_segment_chooses_a_redefinition():
    # Every customer record has the identifier C: CUST-ADDRESS-FLAT, not what it redefines.
    frame = read_fixed("customers.dat", "custmast.cpy", id_field="0:PIC X",
                       segment={"C": "CUST-ADDRESS-FLAT"}, strip=False)
    flat = [record["CUST-ADDRESS-FLAT"] for record in expected("customers.dat").values()]
    assert frame["CUST-ADDRESS-FLAT"].tolist() == flat
    assert frame["CUST-CITY"].isna().all() and frame["CUST-ZIP"].isna().all()


def test_large_columns_keep_their_values(tmp_path):
    """Columns of a megabyte and more lie in memory that lives as long as any view of it."""
    count = 300_000  # 2.4 MB of int64 values
    (tmp_path / "n.cpy").write_text("       01  R.\n           05  N  PIC S9(7).\n")
    (tmp_path / "n.dat").write_bytes(b"".join(b"%07d" % number for number in range(count)))
    frame = read_fixed(tmp_path / "n.dat", tmp_path / "n.cpy")
    assert str(frame.dtypes["N"]) == "Int64" and len(frame) == count
    assert frame["N"].sum() == count * (count - 1) // 2
    array = lyra._lyra.number_array(np.dtype(np.int64), count)
    array[:] = np.arange(count)
    view = array[count // 2:]
    del array
    gc.collect()
    assert (view == np.arange(count // 2, count)).all()
    for wrong in (-1, 2**61 + 2**17):  # a count whose bytes overflow is refused
        with pytest.raises((ValueError, MemoryError)):
            lyra._lyra.number_array(np.dtype(np.int64), wrong)


IBM_FLOATS = [  # COMP-1 bytes, 0.F x 16^(E-64), and their values worked out by hand
    ("70100000", 2.0**188),  # 1/16 x 16^48
    ("7fffffff", (2**24 - 1) * 2.0**228),  # the largest
    ("00100000", 2.0**-260),  # 1/16 x 16^-64, the smallest normalised
    ("c2640000", -100.0),  # -0x64/256 x 16^2
]


@pytest.mark.parametrize("read", ["read_pandas", "read_dask", "open"])
def test_ibm_floats_keep_their_range(tmp_path, read):
    """IBM short floats reach far past an IEEE single at both ends."""
    (tmp_path / "f.cpy").write_text("       01  R.\n           05  F  COMP-1.\n")
    (tmp_path / "f.dat").write_bytes(bytes.fromhex("".join(data for data, _ in IBM_FLOATS)))
    options = dict(copybook=tmp_path / "f.cpy", record_format="fixed", float_format="ibm")
    if read == "open":
        values = [value for value, in lyra.open(tmp_path / "f.dat", **options)]
    elif read == "read_dask":
        values = lyra.dask.read_dask(tmp_path / "f.dat", blocksize=8, **options)["F"].compute(
            scheduler="synchronous").tolist()
    else:
        values = lyra.read_pandas(tmp_path / "f.dat", **options)["F"].tolist()
    assert values == [value for _, value in IBM_FLOATS]


# With copybooks for the headers and details only, the trailers GnuCOBOL wrote are
# records of no layout: stepped over, counted, the first noted, in frames and readers.
def test_records_of_no_layout_are_stepped_over():
    partial = {"copybooks": {"HD": copybook("txnhdr.cpy"), "DT": copybook("txndtl.cpy")},
               "id_field": "0:PIC X(2)", "active": "DT", "record_format": "fixed",
               "record_length": 120}
    path = data_file("txn_fixed120.dat")
    frame = lyra.read_pandas(path, **partial)
    assert len(frame) == 9
    assert frame.attrs["rejects"] == []
    assert frame.attrs["unknown_records"] == 3
    assert frame.attrs["first_unknown"] == (7, 720, "TR")
    assert lyra.read_pandas(path, limit=5, **partial).attrs["unknown_records"] == 0
    with lyra.open(path, **partial) as reader:
        assert sum(1 for _ in reader) == 9
        assert (reader.unknown_records, reader.first_unknown) == (3, (7, 720, "TR"))
    with pytest.raises(lyra.RecordError, match="Copybook not found for this record: TR"):
        lyra.read_pandas(data_file("txn_var.dat"), **dict(partial, record_format="layout",
                                                          record_length=None))
