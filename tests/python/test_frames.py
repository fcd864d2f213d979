"""read_pandas over the data files of tests/data/files: every value of every record
compared with what the writing program printed, typed by its picture."""

import decimal
import gc

import numpy as np
import pandas as pd
import pytest

import lyra
from conftest import (assert_matches, copybook, data_file, expected, framed_options,
                      manifest_options, table)


@pytest.mark.parametrize("row", table("manifest.tsv"), ids=lambda row: row[0])
def test_frame_of_each_file(row):
    """Each layout active in turn, the frames joined; no value may be undecodable."""
    options = manifest_options(row)
    frames = [lyra.read_pandas(data_file(row[0]), active=key or None, with_position=True,
                               **options) for key in options.get("copybooks", {"": None})]
    for frame in frames:
        assert not any(frame.attrs["errors"].values())
        assert isinstance(frame.index, pd.RangeIndex)
    assert_matches(pd.concat(frames, ignore_index=True), expected(row[0]))


@pytest.mark.parametrize("row", table("framed.tsv"), ids=lambda row: row[0])
def test_frame_of_each_framed_file(row):
    frame = lyra.read_pandas(data_file(row[0]), with_position=True, **framed_options(row))
    assert_matches(frame, expected(row[0]))
    places = [tuple(map(int, place[:2])) for place in table(row[0] + ".offsets")]
    assert list(zip(frame["_record"], frame["_offset"])) == places


# The euro sign is 9F in code page 1141.
@pytest.mark.parametrize("name, book, options", [
    ("kunden_1141.dat", "kunden.cpy", dict(code_page="1141")),
    ("measures.dat", "measures.cpy", dict(float_format="ieee-le", comp5_little_endian=True)),
    ("measures_be.dat", "measures.cpy", dict(float_format="ieee", comp5_little_endian=True)),
    ("national.dat", "national.cpy", dict(national_utf16=True)),
])
def test_frame_with_decoding_options(name, book, options):
    frame = lyra.read_pandas(data_file(name), copybook=copybook(book), record_format="fixed",
                             with_position=True, **options)
    assert_matches(frame, expected(name))


def test_dtypes_follow_the_pictures():
    frame = lyra.read_pandas(data_file("jobstats.dat"), copybook=copybook("jobstats.cpy"),
                             record_format="fixed")
    want = {"JS-JOB-NAME": "object",  # X(8)
            "JS-STEP-COUNT": "Int64",  # 9(4) COMP
            "JS-NET-CHANGE": "Int64",  # S9(18) BINARY
            "JS-BYTES-READ": "UInt64",  # 9(18) COMP: 8 bytes up to 2^64 - 1
            "JS-COST": "float64",  # S9(11)V99 COMP-4
            "JS-IO-SCALED": "Int64"}  # 9(3)PP COMP
    assert {name: str(frame.dtypes[name]) for name in want} == want
    assert frame["JS-BYTES-READ"].max() == 18446744073709551615
    floats = lyra.read_pandas(data_file("measures.dat"), copybook=copybook("measures.cpy"),
                              record_format="fixed", float_format="ieee-le", limit=0)
    assert str(floats.dtypes["M-RATE"]) == "float64"  # COMP-1
    payroll = lyra.read_pandas(data_file("payroll.dat"), copybook=copybook("payroll.cpy"),
                               record_format="fixed", columns=["PAY-NET", "PAY-TAX"])
    assert list(payroll.columns) == ["PAY-NET", "PAY-TAX"]
    assert str(payroll.dtypes["PAY-NET"]) == "object"  # ZZZ,ZZ9.99- is edited: text
    assert payroll["PAY-NET"][0] == "  1,779.80"


def test_exact_decimals_and_unstripped_text():
    frame = lyra.read_pandas(data_file("policies.dat"), copybook=copybook("policy.cpy"),
                             record_format="fixed", skip=32, decimal=True, strip=False,
                             with_position=True)
    assert_matches(frame, expected("policies.dat"), strip=False)
    rates = [value for value in frame["POL-LOADING-RATE"] if value is not None]
    assert rates and all(isinstance(value, decimal.Decimal) for value in rates)


def test_numbers_of_more_than_18_digits_are_exact(tmp_path):
    book = tmp_path / "big.cpy"
    book.write_text("       01  R.\n           05  BIG   PIC S9(25)V99 COMP-3.\n"
                    "           05  CODE  PIC X(3).\n")
    path = tmp_path / "big.dat"
    path.write_bytes(bytes.fromhex("123456789012345678901234567d") + b"AB "
                     + bytes(13) + b"\x0c   ")
    frame = lyra.read_pandas(path, copybook=book, record_format="fixed")
    assert list(frame["BIG"]) == [decimal.Decimal("-1234567890123456789012345.67"),
                                  decimal.Decimal("0.00")]
    assert list(frame["CODE"]) == ["AB", ""]


def test_limits():
    options = dict(copybook=copybook("payroll.cpy"), record_format="fixed")
    assert [len(lyra.read_pandas(data_file("payroll.dat"), limit=limit, **options))
            for limit in (0, 4)] == [0, 4]


def test_segment_chooses_a_redefinition():
    # Every customer record has the identifier C: CUST-ADDRESS-FLAT, and not the items
    # of CUST-ADDRESS it redefines.
    frame = lyra.read_pandas(data_file("customers.dat"), copybook=copybook("custmast.cpy"),
                             record_format="fixed", id_field="0:PIC X",
                             segment={"C": "CUST-ADDRESS-FLAT"}, strip=False)
    want = expected("customers.dat")
    assert frame["CUST-ADDRESS-FLAT"].tolist() == [
        want[number]["CUST-ADDRESS-FLAT"] for number in sorted(want)]
    assert frame["CUST-CITY"].isna().all() and frame["CUST-ZIP"].isna().all()



def test_large_columns_keep_their_values(tmp_path):
    """Columns of a megabyte and more lie in memory of their own, which must live as
    long as any view of it."""
    book = tmp_path / "counts.cpy"
    book.write_text("       01  R.\n           05  N  PIC S9(7).\n")
    count = 300_000  # 2.4 MB of int64 values
    path = tmp_path / "counts.dat"
    path.write_bytes(b"".join(b"%07d" % number for number in range(count)))
    frame = lyra.read_pandas(path, copybook=book, record_format="fixed")
    assert str(frame.dtypes["N"]) == "Int64" and len(frame) == count
    assert frame["N"].sum() == count * (count - 1) // 2
    array = lyra._lyra.number_array(np.dtype(np.int64), count)
    array[:] = np.arange(count)
    view = array[count // 2:]
    del array
    gc.collect()
    assert (view == np.arange(count // 2, count)).all()
    # A count whose bytes overflow must be refused, not mapped short.
    for wrong in (-1, 2**61 + 2**17):
        with pytest.raises((ValueError, MemoryError)):
            lyra._lyra.number_array(np.dtype(np.int64), wrong)
