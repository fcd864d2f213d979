"""write_records: frames written as records, read back by read_pandas as the same frame,
and the files of tests/data rebuilt byte for byte from their frames; values of every
dtype; bad values; keywords."""

import decimal
import os

import numpy as np
import pandas as pd
import pytest

import lyra
from conftest import TXN_OPTIONS, copybook, data_file, framed_options, manifest_options, table

WRITTEN = copybook("written.cpy")

# The single-layout files of the manifest and their options (jobstats was written with
# binary items holding any value of their bytes, customers_ovp with overpunch signs).
SINGLE = [(row[0], manifest_options(row)) for row in table("manifest.tsv") if "=" not in row[6]]
WRITE_ONLY = {"jobstats.dat": dict(binary_full_range=True),
              "customers_ovp.dat": dict(overpunch_signs=True)}
# The double-byte text of the mixed pages, as iconv wrote it.
SINGLE += [("dbcs_%d.dat" % page, dict(skip=0, copybook=copybook("dbcs.cpy"),
                                       record_format="fixed", code_page=str(page)))
           for page in (930, 933, 935, 937, 939, 1364, 1371, 1388, 1390, 1399)]


@pytest.mark.parametrize("name, options", SINGLE, ids=[name for name, _ in SINGLE])
def test_files_rebuilt_from_their_frames(tmp_path, name, options):
    """read_pandas of a file, written back: the same bytes (after its header), and
    read_pandas of them gives the frame back."""
    options = dict(options)
    skip = options.pop("skip")
    frame = lyra.read_pandas(data_file(name), skip=skip, decimal=True, **options)
    out = tmp_path / "out.dat"
    assert lyra.write_records(frame, out, **options, **WRITE_ONLY.get(name, {})) == len(frame)
    assert out.read_bytes() == open(data_file(name), "rb").read()[skip:]
    pd.testing.assert_frame_equal(frame, lyra.read_pandas(out, decimal=True, **options))


# The framed files whose framing is canonical: every descriptor word as lyra writes it.
CANONICAL_FRAMES = ["shipments.dat", "shipments_le.dat", "customers_rdw.dat",
                    "shipments_varseq1.dat", "shipments_varseq2.dat", "shipments_varseq3.dat"]
FRAMED = [row[0] for row in table("framed.tsv") if row[1] != "lines"]


@pytest.mark.parametrize("name", FRAMED)
def test_framed_files_rebuilt(tmp_path, name):
    """A file behind descriptor words, written back in its own framing (byte for byte
    where the framing is canonical; blocks and segments a script chose are not), and in
    spanned framing with blocks shorter than its records: read_pandas gives the frame
    back each time."""
    options = framed_options(name)
    frame = lyra.read_pandas(data_file(name), decimal=True, **options)
    out = tmp_path / "out.dat"
    assert lyra.write_records(frame, out, **options) == len(frame)
    if name in CANONICAL_FRAMES:
        assert out.read_bytes() == open(data_file(name), "rb").read()
    pd.testing.assert_frame_equal(frame, lyra.read_pandas(out, decimal=True, **options))
    for record_format, block_size in (("vbs", 37), ("vs", 29)):
        # Without blocks there is no block descriptor word to exclude.
        dropped = ("varseq_format",) + (("bdw_excludes_header",) if record_format == "vs" else ())
        spanned = {key: value for key, value in options.items() if key not in dropped}
        spanned["record_format"] = record_format
        lyra.write_records(frame, out, block_size=block_size, **spanned)
        back = lyra.read_pandas(out, decimal=True, **spanned)
        pd.testing.assert_frame_equal(frame, back, obj=record_format)


def test_several_layouts_by_their_layout_column(tmp_path):
    """Rows of three layouts in one frame, each naming its layout; read back per layout."""
    frames = [lyra.read_pandas(data_file("txn_var.dat"), active=key, with_position=True,
                               **TXN_OPTIONS).assign(_layout=key)
              for key in TXN_OPTIONS["copybooks"]]
    rows = pd.concat(frames).sort_values("_record").reset_index(drop=True)
    out = tmp_path / "txn.dat"
    assert lyra.write_records(rows, out, **TXN_OPTIONS) == 15
    assert out.read_bytes() == open(data_file("txn_var.dat"), "rb").read()


def test_values_of_every_dtype(tmp_path):
    """Nullable integers, floats, text, Decimal and plain objects; nulls take defaults."""
    frame = pd.DataFrame({
        "WR-ID": pd.array([1, None, 3], dtype="Int64"),
        "WR-NAME": ["Anna", None, "Zoë"],
        "WR-ZONED": [-12.5, np.nan, 0.1],
        "WR-PACKED": [decimal.Decimal("1234567.89"), decimal.Decimal("-0.01"), None],
        "WR-BIN8": pd.array([10**17, 0, None], dtype="UInt64"),
        "WR-EDITED": ["-1234.5", " 1,234.50-", 7],
        "_record": [9, 9, 9],
    })
    out = tmp_path / "out.dat"
    assert lyra.write_records(frame, out, copybook=WRITTEN, record_format="fixed",
                              code_page="utf8") == 3
    back = lyra.read_pandas(out, copybook=WRITTEN, record_format="fixed", code_page="utf8",
                            decimal=True)
    assert back["WR-ID"].tolist() == [1, 0, 3]
    assert back["WR-NAME"].tolist() == ["Anna", "", "Zoë"]
    assert back["WR-ZONED"].tolist() == [decimal.Decimal("-12.50"), decimal.Decimal("0.00"),
                                         decimal.Decimal("0.10")]
    assert back["WR-PACKED"].tolist() == [decimal.Decimal("1234567.89"),
                                          decimal.Decimal("-0.01"), decimal.Decimal("0.00")]
    assert back["WR-BIN8"].tolist() == [10**17, 0, 0]
    # ZZ,ZZ9.99- is text: the comma makes it no number's picture
    assert back["WR-EDITED"].tolist() == [" 1,234.50-", " 1,234.50-", "     7.00"]


def test_bad_values_raise_and_leave_the_file(tmp_path):
    out = tmp_path / "out.dat"
    out.write_bytes(b"old")
    frame = pd.DataFrame({"WR-ID": [1, 2, 12345], "WR-ZONED": ["1", "x", "3"]})
    with pytest.raises(lyra.RecordError) as raised:
        lyra.write_records(frame, out, copybook=WRITTEN)
    error = raised.value
    assert (error.record, error.column, error.value, error.reason) == (
        2, "WR-ZONED", "x", "is not a number")
    assert str(error) == "record 2, column WR-ZONED, value 'x': is not a number"
    assert out.read_bytes() == b"old"
    assert lyra.write_records(frame, out, copybook=WRITTEN, max_errors=2) == 1
    assert len(out.read_bytes()) == 70
    with pytest.raises(lyra.RecordError, match="record 3, column WR-ID, value '12345': has 5 "
                                               "integer digits, more than the 4 its picture holds"):
        lyra.write_records(frame, out, copybook=WRITTEN, max_errors=1)


def test_double_byte_values_refused(tmp_path):
    """A single-byte character in a double-byte item; text longer than its field with
    its shift bytes."""
    out = tmp_path / "out.dat"
    options = dict(copybook=copybook("dbcs.cpy"), record_format="fixed", code_page="930")
    with pytest.raises(lyra.RecordError, match="column D-NAME, value '山田A': holds U\\+0041, "
                                               "which code page 930 has only as a single byte"):
        lyra.write_records(pd.DataFrame({"D-NAME": ["山田A"]}), out, **options)
    with pytest.raises(lyra.RecordError, match="takes 42 bytes, more than the 40 of its field"):
        lyra.write_records(pd.DataFrame({"D-ADDRESS": ["A" * 38 + "東"]}), out, **options)


def test_keywords_and_columns(tmp_path):
    out = tmp_path / "out.dat"
    frame = pd.DataFrame({"WR-ID": [1]})
    with pytest.raises(TypeError, match="'skip': it says how to read, not how to write"):
        lyra.write_records(frame, out, copybook=WRITTEN, skip=4)
    with pytest.raises(ValueError, match="the layout has no columns NOPE"):
        lyra.write_records(frame.assign(NOPE=1), out, copybook=WRITTEN)
    with pytest.raises(TypeError, match="column WR-ID holds True and False"):
        lyra.write_records(pd.DataFrame({"WR-ID": [True]}), out, copybook=WRITTEN)
    with pytest.raises(ValueError, match="invalid block_size 8"):
        lyra.write_records(frame, out, copybook=WRITTEN, record_format="vb", block_size=8)
    lyra.write_records(frame, out, copybook=WRITTEN, record_format="rdw", ebcdic=True)
    assert out.read_bytes() == b"\x00\x08\x00\x00\xf0\xf0\xf0\xf1"  # the null fields after it left out
    assert not [name for name in os.listdir(tmp_path) if name.startswith(".lyra")]
