"""What bad options, layouts, files and records raise, and the bad records and
undecodable values that reading passes over."""

import json

import pytest

import lyra
from conftest import copybook, data_file, expected, framed_options, table

PAYROLL = dict(copybook=copybook("payroll.cpy"), record_format="fixed")
RECORD_3 = 152  # where record 3 of shipments.dat starts


@pytest.mark.parametrize("options, message", [
    ({"record_format": "bogus"},
     "unknown record_format 'bogus': use fixed, layout, rdw, vb or lines"),
    ({"code_page": "1234"}, "unknown code_page '1234'"),
    ({"zero_bytes": "drop"}, "unknown zero_bytes 'drop': use space, end or keep"),
    ({"source_format": "loose"}, "unknown source_format 'loose': use fixed or free"),
    ({"record_format": "rdw", "record_length": 138}, "record_length goes with record_format"),
    ({"rdw_little_endian": True}, "rdw_little_endian goes with record_format='rdw' or 'vb'"),
    ({"record_format": "layout", "range": (0, 10)}, "The layout record format takes no range"),
    ({"range": (10, 5)}, "Invalid range"),
    ({"skip": -1}, "invalid skip -1"),
    ({"max_errors": "some"}, "invalid max_errors 'some'"),
    ({"first_record": 3}, "first_record goes with range=(start, end)"),
    ({"ebcdic": True, "code_page": "273"}, "ebcdic=True means code_page='037'"),
    ({"columns": ["PAY-EMP-ID", "NO-SUCH-COLUMN"]}, "no column is named 'NO-SUCH-COLUMN'"),
    ({"with_position": "yes"}, "with_position must be True or False"),
])
def test_bad_options_raise_value_error(options, message):
    given = dict(PAYROLL, **options)
    with pytest.raises(ValueError, match=message.replace("(", r"\(").replace(")", r"\)")):
        lyra.read_pandas(data_file("payroll.dat"), **given)


def test_layouts_that_fail_raise_value_error(tmp_path, txn_options):
    book = tmp_path / "bad.cpy"
    book.write_text("       01  R.\n           05  A   PIC 9().\n")
    with pytest.raises(ValueError, match="Invalid number of repetitions"):
        lyra.read_pandas(data_file("payroll.dat"), copybook=book)
    with pytest.raises(ValueError, match="Invalid number of repetitions"):
        lyra.Layout(book)
    with pytest.raises(ValueError, match="several layouts need id_field"):
        lyra.read_pandas(data_file("txn_var.dat"), copybooks=txn_options["copybooks"])
    with pytest.raises(ValueError, match="no layout has the record identifier 'XX'"):
        lyra.read_pandas(data_file("txn_var.dat"), active="XX", **txn_options)
    with pytest.raises(ValueError, match="no layout: give one"):
        lyra.read_pandas(data_file("txn_var.dat"))
    with pytest.raises(TypeError, match="unexpected keyword argument 'recordformat'"):
        lyra.read_pandas(data_file("payroll.dat"), recordformat="fixed", **PAYROLL)


def test_missing_files_raise_file_not_found(tmp_path):
    with pytest.raises(FileNotFoundError):
        lyra.read_pandas(tmp_path / "none.dat", **PAYROLL)
    with pytest.raises(FileNotFoundError):
        lyra.read_pandas(data_file("payroll.dat"), copybook=tmp_path / "none.cpy")
    with pytest.raises(FileNotFoundError):
        lyra.Layout(tmp_path / "none.cpy")


def test_bad_records_raise_or_are_passed_over(tmp_path):
    # A record of no bytes (a descriptor word of length 0) before record 3.
    data = open(data_file("shipments.dat"), "rb").read()
    (tmp_path / "shipments.dat").write_bytes(data[:RECORD_3] + bytes(4) + data[RECORD_3:])
    bad = str(tmp_path / "shipments.dat")
    options = framed_options(table("framed.tsv")[0])  # shipments.dat
    with pytest.raises(lyra.RecordError) as raised:
        lyra.read_pandas(bad, **options)
    assert (raised.value.record, raised.value.offset) == (3, RECORD_3)
    assert raised.value.reason == "Record of zero length"
    assert isinstance(raised.value, ValueError)
    ids = [record["SHP-ID"].rstrip() for record in expected("shipments.dat").values()]
    reader = lyra.open(bad, **options)
    assert [next(reader)[0], next(reader)[0]] == ids[:2]
    with pytest.raises(lyra.RecordError, match="record 3 at byte offset 152"):
        next(reader)
    frame = lyra.read_pandas(bad, max_errors=1, with_position=True, **options)
    assert frame.attrs["rejects"] == [(3, RECORD_3, 4, "Record of zero length")]
    assert frame["_record"].tolist() == [1, 2] + list(range(4, 11))
    assert frame["SHP-ID"].tolist() == ids
    rejects = bad + ".rejects"
    lyra.read_pandas(bad, rejects=rejects, **options)
    assert open(rejects, "rb").read() == bytes(4)
    with open(rejects + ".jsonl", encoding="utf-8") as notes:
        assert [json.loads(line) for line in notes] == [
            {"record": 3, "offset": RECORD_3, "length": 4, "reason": "Record of zero length"}]


def test_undecodable_values_are_null_and_counted(tmp_path):
    data = bytearray(open(data_file("payroll.dat"), "rb").read())
    data[138 + 2] = ord("X")  # PAY-EMP-ID of record 2: 10X102
    path = tmp_path / "payroll.dat"
    path.write_bytes(bytes(data))
    frame = lyra.read_pandas(path, **PAYROLL)
    assert {name: count for name, count in frame.attrs["errors"].items() if count} == {
        "PAY-EMP-ID": 1}
    ids = frame["PAY-EMP-ID"]
    assert ids.isna().tolist() == [False, True] + [False] * 8
    assert ids[0] == int(expected("payroll.dat")[1]["PAY-EMP-ID"])
