"""read_pandas over the data files of tests/data/files: every value of every record
compared with what the writing program printed, typed by its picture."""

import decimal

import numpy as np
import pandas as pd
import pytest

import lyra
from conftest import (assert_matches, copybook, data_file, expected, framed_options,
                      manifest_options, table)


def read_every_layout(name, options):
    """The frames of the file read with each of its layouts active, in one frame; no
    value of any may be undecodable."""
    frames = []
    for key in options.get("copybooks", {"": None}):
        frames.append(lyra.read_pandas(data_file(name), active=key or None, with_position=True,
                                       **options))
        assert not any(frames[-1].attrs["errors"].values())
    return pd.concat(frames, ignore_index=True)


@pytest.mark.parametrize("row", table("manifest.tsv"), ids=lambda row: row[0])
def test_frame_of_each_file(row):
    frame = read_every_layout(row[0], manifest_options(row))
    assert_matches(frame, expected(row[0]))
    assert isinstance(frame.index, pd.RangeIndex)


@pytest.mark.parametrize("row", table("framed.tsv"), ids=lambda row: row[0])
def test_frame_of_each_framed_file(row):
    frame = lyra.read_pandas(data_file(row[0]), with_position=True, **framed_options(row))
    assert_matches(frame, expected(row[0]))
    places = [tuple(map(int, place[:2])) for place in table(row[0] + ".offsets")]
    assert list(zip(frame["_record"], frame["_offset"])) == places


def test_dtypes_follow_the_pictures():
    frame = lyra.read_pandas(data_file("jobstats.dat"), copybook=copybook("jobstats.cpy"),
                             record_format="fixed")
    dtypes = {name: str(dtype) for name, dtype in frame.dtypes.items()}
    assert dtypes["JS-JOB-NAME"] == "object"  # X(8)
    assert dtypes["JS-STEP-COUNT"] == "Int64"  # 9(4) COMP
    assert dtypes["JS-NET-CHANGE"] == "Int64"  # S9(18) BINARY
    assert dtypes["JS-BYTES-READ"] == "UInt64"  # 9(18) COMP: 8 bytes up to 2^64 - 1
    assert dtypes["JS-COST"] == "float64"  # S9(11)V99 COMP-4
    assert dtypes["JS-IO-SCALED"] == "Int64"  # 9(3)PP COMP
    assert frame["JS-BYTES-READ"].max() == 18446744073709551615
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
    assert frame["POL-NUMBER"].str.len().eq(10).all()


def test_numbers_of_more_than_18_digits_are_exact(tmp_path):
    book = tmp_path / "big.cpy"
    book.write_text("       01  R.\n"
                    "           05  BIG   PIC S9(25)V99 COMP-3.\n"
                    "           05  CODE  PIC X(3).\n")
    big = bytes.fromhex("1234567890123456789012345 67d".replace(" ", ""))
    zero = bytes(13) + b"\x0c"
    path = tmp_path / "big.dat"
    path.write_bytes(big + b"AB " + zero + b"   ")
    frame = lyra.read_pandas(path, copybook=book, record_format="fixed")
    assert list(frame["BIG"]) == [decimal.Decimal("-1234567890123456789012345.67"),
                                  decimal.Decimal("0.00")]
    assert list(frame["CODE"]) == ["AB", ""]


def test_euro_sign_in_code_page_1141():
    frame = lyra.read_pandas(data_file("kunden_1141.dat"), copybook=copybook("kunden.cpy"),
                             record_format="fixed", code_page="1141", with_position=True)
    assert_matches(frame, expected("kunden_1141.dat"))
    assert frame["K-NOTE"][0] == "Bonus 10 €"


@pytest.mark.parametrize("name, float_format", [("measures.dat", "ieee-le"),
                                                ("measures_be.dat", "ieee")])
def test_floats_and_native_binary(name, float_format):
    frame = lyra.read_pandas(data_file(name), copybook=copybook("measures.cpy"),
                             record_format="fixed", float_format=float_format,
                             comp5_little_endian=True, with_position=True)
    assert_matches(frame, expected(name))
    assert frame["M-RATE"].dtype == np.float64


def test_national_text():
    frame = lyra.read_pandas(data_file("national.dat"), copybook=copybook("national.cpy"),
                             record_format="fixed", national_utf16=True, with_position=True)
    assert_matches(frame, expected("national.dat"))


def test_missing_repetitions_are_null():
    frame = lyra.read_pandas(data_file("accounts.dat"), copybook=copybook("acctrec.cpy"))
    counts = frame["ACCT-TXN-COUNT"].tolist()
    assert counts == [3, 0, 12, 1, 5, 2, 7, 4]
    # TXN-POST-DATE, TXN-POST-DATE_1, ...: one per repetition the count reaches.
    present = frame.filter(like="TXN-POST-DATE").notna().sum(axis=1).tolist()
    assert present == counts
    assert frame.filter(like="TXN-POST-DATE").shape[1] == 12


def test_multi_layout_file_reads_the_active_layout(txn_options):
    details = lyra.read_pandas(data_file("txn_var.dat"), active="DT", with_position=True,
                               **txn_options)
    assert details["_record"].tolist() == [2, 3, 4, 5, 6, 9, 10, 11, 12]
    assert set(details["DT-REC-TYPE"]) == {"DT"}
    headers = lyra.read_pandas(data_file("txn_var.dat"), **txn_options)
    assert set(headers["HD-REC-TYPE"]) == {"HD"} and len(headers) == 3


def test_ranges_limits_and_empty_frames():
    options = dict(copybook=copybook("payroll.cpy"), record_format="fixed")
    whole = lyra.read_pandas(data_file("payroll.dat"), with_position=True, **options)
    part = lyra.read_pandas(data_file("payroll.dat"), range=(276, 690), with_position=True,
                            **options)
    assert part["_record"].tolist() == [3, 4, 5]  # records starting at 276, 414, 552
    pd.testing.assert_frame_equal(part, whole.iloc[2:5].reset_index(drop=True))
    assert len(lyra.read_pandas(data_file("payroll.dat"), limit=4, **options)) == 4
    empty = lyra.read_pandas(data_file("payroll.dat"), limit=0, **options)
    assert len(empty) == 0 and list(empty.dtypes) == list(whole.dtypes)[2:]


def test_segment_chooses_a_redefinition():
    # Every customer record has the identifier C: it holds CUST-ADDRESS-FLAT, so the
    # items of CUST-ADDRESS, which it redefines, are null.
    frame = lyra.read_pandas(data_file("customers.dat"), copybook=copybook("custmast.cpy"),
                             record_format="fixed", id_field="0:PIC X",
                             segment={"C": "CUST-ADDRESS-FLAT"}, strip=False)
    want = expected("customers.dat")
    assert frame["CUST-ADDRESS-FLAT"].tolist() == [
        want[number]["CUST-ADDRESS-FLAT"] for number in sorted(want)]
    assert frame["CUST-CITY"].isna().all() and frame["CUST-ZIP"].isna().all()
