"""lyra.diagnose and lyra.verify: the options diagnose gives read files back with
read_pandas, from a file name and from bytes; verify's report as a DataFrame, with
faults planted at offsets worked out from the copybooks."""

import os
import subprocess

import pytest

import lyra
from conftest import DATA, TXN_OPTIONS, copybook, data_file, expected

HEADER = b"HDR 2024-01-31 NIGHTLY EXTRACT 0042\x01\x01"  # 37 bytes


def test_diagnose_gives_options_read_pandas_takes():
    candidates = lyra.diagnose(data_file("customers_ebcdic.dat"),
                               copybook=copybook("custmast.cpy"))
    assert candidates[0] == {"share": 1.0, "options": {"record_format": "fixed", "code_page": "037"}}
    assert all(candidate["share"] < 1 for candidate in candidates[1:])
    frame = lyra.read_pandas(data_file("customers_ebcdic.dat"), copybook=copybook("custmast.cpy"),
                             strip=False, **candidates[0]["options"])
    want = expected("customers_ebcdic.dat")
    assert list(frame["CUST-LAST-NAME"]) == [want[n]["CUST-LAST-NAME"] for n in sorted(want)]


def test_diagnose_reads_bytes_and_finds_a_header():
    data = HEADER + open(data_file("shipments_le.dat"), "rb").read()
    best = lyra.diagnose(bytearray(data), copybook=copybook("shipment.cpy"))[0]
    assert best == {"share": 1.0, "options": {"record_format": "rdw", "rdw_little_endian": True,
                                               "rdw_excludes_header": True, "skip": 37}}
    frame = lyra.read_pandas(data, copybook=copybook("shipment.cpy"), **best["options"])
    want = expected("shipments_le.dat")
    assert list(frame["SHP-ID"]) == [want[n]["SHP-ID"] for n in sorted(want)]


def test_diagnose_keeps_a_float_format_given_and_tells_one_otherwise():
    path, book = data_file("measures.dat"), copybook("measures.cpy")
    assert lyra.diagnose(path, copybook=book)[0]["options"] == {
        "record_format": "fixed", "comp5_little_endian": True, "float_format": "ieee-le"}
    assert lyra.diagnose(path, copybook=book, float_format="ieee-le")[0]["options"] == {
        "record_format": "fixed", "comp5_little_endian": True}


def test_diagnose_names_the_newer_kinds_of_file_as_read_pandas_keywords():
    # file, copybook, the options diagnose must give, a column to read back, the file
    # whose expected values it holds
    cases = [
        ("shipments_varseq2.dat", "shipment.cpy", {"record_format": "rdw", "varseq_format": 2},
         "SHP-ID", "shipments_varseq2.dat"),
        ("shipments_vbs.dat", "shipment.cpy", {"record_format": "vbs"}, "SHP-ID",
         "shipments_vbs.dat"),
        ("accounts_max.dat", "acctrec.cpy", {"record_format": "fixed", "odo_layout": "max"},
         "ACCT-LAST-STMT-DATE", "accounts_max.dat"),
        ("customers_rdw.dat.zst", "custmast.cpy", {"record_format": "rdw", "code_page": "037"},
         "CUST-LAST-NAME", "customers_rdw.dat"),
    ]
    for name, book, options, column, written in cases:
        for data in (data_file(name), open(data_file(name), "rb").read()):
            best = lyra.diagnose(data, copybook=copybook(book))[0]
            assert best == {"share": 1.0, "options": options}, name
        frame = lyra.read_pandas(data_file(name), copybook=copybook(book), strip=False,
                                 **best["options"])
        want = expected(written)
        assert [str(value) for value in frame[column]] == [want[n][column] for n in sorted(want)]


def test_an_odo_layout_given_is_kept_by_diagnose_and_verify_takes_the_newer_options():
    path, book = data_file("accounts_max.dat"), copybook("acctrec.cpy")
    assert lyra.diagnose(path, copybook=book, odo_layout="max")[0] == {
        "share": 1.0, "options": {"record_format": "fixed"}}
    assert lyra.verify(path, copybook=book, record_format="fixed", odo_layout="max")["bad"].sum() == 0
    assert lyra.verify(path, copybook=book, record_format="fixed")["bad"].sum() > 0
    shipments = data_file("shipments_varseq2.dat")
    report = lyra.verify(shipments, copybook=copybook("shipment.cpy"), varseq_format=2)
    assert report["bad"].sum() == 0 and report.attrs["records"] == 9


def test_diagnose_of_a_file_the_layout_does_not_describe():
    candidates = lyra.diagnose(data_file("payroll.dat"), copybook=copybook("custmast.cpy"))
    assert candidates and candidates[0]["share"] < 1


def test_diagnose_refuses_read_options_and_missing_files():
    with pytest.raises(TypeError, match="record_format"):
        lyra.diagnose(data_file("customers.dat"), copybook=copybook("custmast.cpy"),
                      record_format="fixed")
    with pytest.raises(FileNotFoundError):
        lyra.diagnose(data_file("none.dat"), copybook=copybook("custmast.cpy"))
    with pytest.raises(ValueError, match="from files"):
        lyra.diagnose(data_file("customers.dat"), copybook_text="       01 R PIC X.")
    with pytest.raises(ValueError, match="looks like free form"):
        lyra.diagnose(data_file("customers.dat"), copybook=copybook("dialects/free.cpy"))


def test_verify_reports_each_column_as_a_frame():
    report = lyra.verify(data_file("accounts.dat"), copybook=copybook("acctrec.cpy"))
    assert list(report.columns) == ["name", "clean", "bad", "null", "first_bad"]
    assert report.attrs["records"] == 8 and report.attrs["bad_records"] == 0
    assert report.attrs["stopped"] is None and report.attrs["unknown_records"] is None
    # Counts 3, 0, 12, 1, 5, 2, 7, 4: the first repetition is in seven records.
    row = report[report["name"] == "TXN-POST-DATE"].iloc[0]
    assert (row["clean"], row["bad"], row["null"], row["first_bad"]) == (7, 0, 1, None)


@pytest.mark.skipif("LYRA_TOOL" not in os.environ, reason="the lyra tool makes the index")
def test_verify_takes_the_index_of_a_compressed_file(tmp_path):
    """index= reaches lyra verify: an index of another file is refused, the file's own
    gives the report of the records as they stand."""
    options = dict(copybook=copybook("custmast.cpy"), record_format="rdw", ebcdic=True,
                   threads=2)
    gzipped = data_file("customers_rdw.dat.gz")
    index = str(tmp_path / "customers.idx")
    subprocess.run([os.environ["LYRA_TOOL"], "splits", "--record-format", "rdw", "--every", "300",
                    "--index", index, gzipped], capture_output=True, check=True)
    plain = lyra.verify(data_file("customers_rdw.dat"), **options)
    compressed = lyra.verify(gzipped, index=index, **options)
    assert compressed.equals(plain) and compressed.attrs == plain.attrs
    with pytest.raises(Exception, match="index"):
        lyra.verify(data_file("customers_rdw.dat.zst"), index=index, **options)


# txn_fixed120.dat's record 3, a detail (DT), with a nibble A in DT-FEE (3 packed bytes at
# offset 53), and its record 7, the trailer, with the identifier ZZ.
def test_verify_finds_planted_faults(tmp_path):
    data = bytearray(open(data_file("txn_fixed120.dat"), "rb").read())
    data[2 * 120 + 54] = 0xA5
    data[6 * 120:6 * 120 + 2] = b"ZZ"
    path = tmp_path / "txn.dat"
    path.write_bytes(bytes(data))
    report = lyra.verify(str(path), record_format="fixed", record_length=120, threads=1,
                         **TXN_OPTIONS)
    bad = report[report["bad"] > 0]
    assert list(bad["name"]) == ["DT-FEE"]
    first = bad.iloc[0]["first_bad"]
    assert (first["record"], first["offset"], first["field_offset"], first["hex"]) == (
        3, 240, 293, "00 a5 2c")
    assert report.attrs["unknown_records"] == {"count": 1, "record": 7, "offset": 720,
                                               "identifier": "ZZ"}
    assert report.attrs["bad_records"] == 1


# examples/extract.txt: lines 2 and 4 are longer than extract.cbl's 5 bytes, as the
# README's rejects example shows.
def test_verify_lists_bad_records_and_refuses_output_keywords():
    examples = os.path.join(DATA, os.pardir, os.pardir, "examples")
    report = lyra.verify(os.path.join(examples, "extract.txt"),
                         copybook=os.path.join(examples, "extract.cbl"), record_format="lines")
    assert report.attrs["rejects"] == [
        (2, 6, 7, "Line of 6 bytes is longer than its layout, which reads 5"),
        (4, 19, 8, "Line of 7 bytes is longer than its layout, which reads 5")]
    assert report.attrs["bad_records"] == 2
    with pytest.raises(TypeError, match="columns"):
        lyra.verify(data_file("customers.dat"), copybook=copybook("custmast.cpy"), columns=["A"])
