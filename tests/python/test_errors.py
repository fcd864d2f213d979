"""What bad options, layouts, files and records raise, and what reading passes over."""

import gc
import json
import os
import re
import shutil
import stat

import numpy as np
import pytest

import lyra
import lyra.dask
from conftest import TXN_OPTIONS, copybook, data_file, expected, framed_options, patched

PAYROLL = dict(copybook=copybook("payroll.cpy"), record_format="fixed")
RECORD_3 = 152  # where record 3 of shipments.dat starts


@pytest.mark.parametrize("options, message", [
    ({"record_format": "bogus"},
     "unknown record_format 'bogus': use fixed, layout, rdw, vb, vbs, vs or lines"),
    ({"code_page": "1234"}, "unknown code_page '1234'"),
    ({"zero_bytes": "drop"}, "unknown zero_bytes 'drop': use space, end or keep"),
    ({"source_format": "loose"}, "unknown source_format 'loose': use fixed or free"),
    ({"odo_layout": "full"}, "unknown odo_layout 'full': use shift or max"),
    ({"record_format": "rdw", "record_length": 138}, "record_length goes with record_format"),
    ({"rdw_little_endian": True},
     "rdw_little_endian goes with record_format='rdw', 'vb', 'vbs' or 'vs'"),
    ({"bdw_excludes_header": True, "record_format": "vs"},
     "bdw_excludes_header goes with record_format='vb' or 'vbs' only"),
    ({"varseq_format": 4}, "invalid varseq_format 4: expected a whole number from 0 to 3"),
    ({"varseq_format": 1, "record_format": "vb"},
     "varseq_format goes with record_format='rdw' only, not 'vb'"),
    ({"varseq_format": 1, "record_format": "rdw", "rdw_excludes_header": True},
     "varseq_format gives the form of each record's length: it does not go with "
     "rdw_excludes_header"),
    ({"record_format": "layout", "range": (0, 10)}, "The layout record format takes no range"),
    ({"range": (10, 5)}, "Invalid range"),
    ({"skip": -1}, "invalid skip -1"),
    ({"max_errors": "some"}, "invalid max_errors 'some'"),
    ({"first_record": 3}, "first_record goes with range=(start, end)"),
    ({"ebcdic": True, "code_page": "273"}, "ebcdic=True means code_page='037'"),
    ({"columns": ["PAY-EMP-ID", "NO-SUCH-COLUMN"]}, "no column is named 'NO-SUCH-COLUMN'"),
    ({"with_position": "yes"}, "with_position must be True or False"),
    ({"copybook": None}, "no layout: give one"),
    ({"copybook": None, "copybooks": TXN_OPTIONS["copybooks"]}, "several layouts need id_field"),
    (dict(TXN_OPTIONS, copybook=None, active="XX"), "no layout has the record identifier 'XX'"),
])
def test_bad_options_raise_value_error(options, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        lyra.read_pandas(data_file("payroll.dat"), **dict(PAYROLL, **options))


def test_bad_layouts_and_missing_files_raise(tmp_path):
    (tmp_path / "bad.cpy").write_text("       01  R.\n           05  A   PIC 9().\n")
    for load in (lambda book: lyra.read_pandas(data_file("payroll.dat"), copybook=book),
                 lyra.Layout):
        with pytest.raises(ValueError, match="Invalid number of repetitions"):
            load(tmp_path / "bad.cpy")
        with pytest.raises(FileNotFoundError):
            load(tmp_path / "none.cpy")
    with pytest.raises(TypeError, match="unexpected keyword argument 'recordformat'"):
        lyra.read_pandas(data_file("payroll.dat"), recordformat="fixed", **PAYROLL)
    with pytest.raises(FileNotFoundError):
        lyra.read_pandas(tmp_path / "none.dat", **PAYROLL)
    # An index that is missing, no index, or one for an uncompressed file.
    with pytest.raises(FileNotFoundError):
        lyra.read_pandas(data_file("payroll.dat"), index=tmp_path / "none.idx", **PAYROLL)
    with pytest.raises(ValueError, match="payroll.dat is no lyra index file, or it is damaged"):
        lyra.read_pandas(data_file("payroll.dat"), index=data_file("payroll.dat"), **PAYROLL)


def test_bad_records_raise_or_are_passed_over(tmp_path):
    bad = patched(tmp_path, "shipments.dat", RECORD_3, bytes(4))  # a record of no bytes
    options = framed_options("shipments.dat")
    reject = (3, RECORD_3, 4, "Record of zero length")  # record, offset, length, reason
    with pytest.raises(lyra.RecordError) as raised:
        lyra.read_pandas(bad, **options)
    error = raised.value
    assert (error.record, error.offset, error.reason) == (3, RECORD_3, reject[3])
    assert isinstance(error, ValueError)
    ids = [record["SHP-ID"].rstrip() for record in expected("shipments.dat").values()]
    reader = lyra.open(bad, **options)
    assert [next(reader)[0], next(reader)[0]] == ids[:2]
    with pytest.raises(lyra.RecordError, match="record 3 at byte offset 152"):
        next(reader)
    frame = lyra.read_pandas(bad, max_errors=1, with_position=True, **options)
    assert frame.attrs["rejects"] == [reject]
    assert frame["_record"].tolist() == [1, 2] + list(range(4, 11))
    assert frame["SHP-ID"].tolist() == ids
    lyra.read_pandas(bad, rejects=bad + ".rejects", **options)
    assert open(bad + ".rejects", "rb").read() == bytes(4)
    with open(bad + ".rejects.jsonl", encoding="utf-8") as notes:
        assert [json.loads(line) for line in notes] == [
            dict(zip(("record", "offset", "length", "reason"), reject))]


def test_undecodable_values_are_null_and_counted(tmp_path):
    bad = patched(tmp_path, "payroll.dat", 138 + 2, b"X", 1)  # PAY-EMP-ID of record 2: 10X102
    frame = lyra.read_pandas(bad, **PAYROLL)
    errors = frame.attrs["errors"]
    assert {name: count for name, count in errors.items() if count} == {"PAY-EMP-ID": 1}
    assert frame["PAY-EMP-ID"].isna().tolist() == [False, True] + [False] * 8
    assert frame["PAY-EMP-ID"][0] == int(expected("payroll.dat")[1]["PAY-EMP-ID"])


INT64_MAX = 2**63 - 1
RECORD_MAX = 2**28  # the longest record lyra reads


@pytest.mark.parametrize("options, name, value, lowest, highest", [
    ({"skip": 2**70}, "skip", 2**70, 0, INT64_MAX),
    ({"skip": -1}, "skip", -1, 0, INT64_MAX),
    ({"range": (2**64, None)}, "range start", 2**64, 0, INT64_MAX),
    ({"range": (0, 2**63)}, "range end", 2**63, 0, INT64_MAX),
    ({"range": (0, None), "first_record": 0}, "first_record", 0, 1, INT64_MAX),
    ({"range": (0, None), "first_record": 2**63}, "first_record", 2**63, 1, INT64_MAX),
    ({"record_length": 2**40}, "record_length", 2**40, 0, RECORD_MAX),
    ({"record_length": RECORD_MAX + 1}, "record_length", RECORD_MAX + 1, 0, RECORD_MAX),
    ({"id_field": (2**40, "PIC X")}, "id_field offset", 2**40, 0, RECORD_MAX),
    ({"id_field": "99999999999:PIC X"}, "id_field offset", 99999999999, 0, RECORD_MAX),
    ({"id_field": (-1, "PIC X")}, "id_field offset", -1, 0, RECORD_MAX),
    ({"limit": 2**64}, "limit", 2**64, 0, INT64_MAX),
    ({"limit": 2.0}, "limit", 2.0, 0, INT64_MAX),
    ({"max_errors": 2**63}, "max_errors", 2**63, 0, INT64_MAX),
    ({"max_errors": -1}, "max_errors", -1, 0, INT64_MAX),
    ({"margin": 2**31}, "margin", 2**31, 0, 2**31 - 1),
    ({"margin": -8}, "margin", -8, 0, 2**31 - 1),
])
def test_integers_out_of_range_raise_value_error(options, name, value, lowest, highest):
    message = "invalid %s %r: expected a whole number from %d to %d" % (name, value, lowest,
                                                                       highest)
    reads = [lyra.read_pandas, lyra.open]
    if not set(options) & {"range", "first_record", "limit"}:  # which read_dask sets itself
        reads.append(lyra.dask.read_dask)
    for read in reads:
        with pytest.raises(ValueError, match=re.escape(message)):
            read(data_file("payroll.dat"), **dict(PAYROLL, **options))
    if name == "margin":
        with pytest.raises(ValueError, match=re.escape(message)):
            lyra.Layout(copybook("payroll.cpy"), margin=value)


def test_blocksizes_out_of_range_and_integers_of_numpy():
    for blocksize in (0, 2**63, "0B"):
        with pytest.raises(ValueError, match="invalid blocksize .*: expected a whole number "
                                             "from 1 to %d bytes" % INT64_MAX):
            lyra.dask.read_dask(data_file("payroll.dat"), blocksize=blocksize, **PAYROLL)
    frame = lyra.read_pandas(data_file("payroll.dat"), limit=np.int64(3), skip=np.uint8(0),
                             **PAYROLL)
    assert len(frame) == 3


def read_all(read, path, **options):
    """Every record of lyra.open, or read_pandas's frame."""
    if read is lyra.open:
        with lyra.open(path, **options) as reader:
            return list(reader)
    return read(path, **options)


def leftovers(folder):
    return [name for name in os.listdir(folder) if name.startswith(".lyra-")]


@pytest.mark.parametrize("read", [lyra.read_pandas, lyra.open])
def test_rejects_never_overwrite_an_input(tmp_path, read):
    data = patched(tmp_path, "shipments.dat", RECORD_3, bytes(4))
    options = framed_options("shipments.dat")
    book = str(tmp_path / "ship.cpy")
    shutil.copy(options.pop("copybook"), book)
    notes = str(tmp_path / "v2.jsonl")
    shutil.copy(data, notes)
    document = str(tmp_path / "ship.xml")
    with open(document, "w") as out:
        out.write(lyra.Layout(book).to_xml())
    files = {name: open(name, "rb").read() for name in (data, book, notes, document)}
    link = str(tmp_path / "link")  # the data file by another name
    os.symlink(data, link)
    for path, layout, rejects, output, source in [
            (data, dict(copybook=book), data, data, data),
            (data, dict(copybook=book), book, book, book),
            (data, dict(layouts=document), document, document, document),
            (data, dict(copybook=book), link, link, data),
            (notes, dict(copybook=book), str(tmp_path / "v2"), notes, notes)]:  # the notes
        message = "rejects '%s' would overwrite the input file '%s'" % (output, source)
        with pytest.raises(ValueError, match="^%s$" % re.escape(message)):
            read_all(read, path, rejects=rejects, **layout, **options)
    assert {name: open(name, "rb").read() for name in files} == files
    os.symlink(tmp_path / "r", tmp_path / "r.jsonl")
    (tmp_path / "r").write_bytes(b"old")
    with pytest.raises(ValueError, match=re.escape("rejects '%s.jsonl' and rejects '%s' name one "
                                                   "file" % (tmp_path / "r", tmp_path / "r"))):
        read_all(read, data, copybook=book, rejects=tmp_path / "r", **options)
    assert (tmp_path / "r").read_bytes() == b"old"
    assert leftovers(tmp_path) == []


@pytest.mark.parametrize("read", [lyra.read_pandas, lyra.open])
def test_rejects_are_put_in_place_at_the_end(tmp_path, read):
    """Written aside and renamed: a new file gets the umask's permissions, one replaced
    keeps its own; a bad record that reading stops at leaves those passed over told."""
    data = patched(tmp_path, "shipments.dat", RECORD_3, bytes(8))  # records 3 and 4 of no bytes
    rejects = tmp_path / "bad"
    rejects.write_bytes(b"old")
    rejects.chmod(0o604)
    mask = os.umask(0o027)
    try:
        with pytest.raises(lyra.RecordError, match="record 4 at byte offset 156"):
            read_all(read, data, rejects=rejects, max_errors=1, **framed_options("shipments.dat"))
    finally:
        os.umask(mask)
    assert rejects.read_bytes() == bytes(4)
    notes = tmp_path / "bad.jsonl"
    assert [json.loads(line) for line in notes.read_text().splitlines()] == [
        {"record": 3, "offset": RECORD_3, "length": 4, "reason": "Record of zero length"}]
    assert [stat.S_IMODE(os.stat(name).st_mode) for name in (rejects, notes)] == [0o604, 0o640]
    assert leftovers(tmp_path) == []


def test_rejects_stay_as_they_were_when_reading_fails_otherwise(tmp_path):
    data = patched(tmp_path, "shipments.dat", RECORD_3, bytes(4))
    rejects = tmp_path / "bad"
    rejects.write_bytes(b"old")
    options = dict(framed_options("shipments.dat"), rejects=rejects)
    with pytest.raises(KeyError):
        with lyra.open(data, **options) as reader:
            next(reader)  # its batch passes over record 3
            raise KeyError("not lyra's")
    reader = lyra.open(data, **options)
    next(reader)
    assert leftovers(tmp_path) != [] and rejects.read_bytes() == b"old"  # being written aside
    del reader  # never closed
    gc.collect()
    assert rejects.read_bytes() == b"old" and not (tmp_path / "bad.jsonl").exists()
    assert leftovers(tmp_path) == []


# A COPY member a copybook pulled in is an input too: rejects may not name it.
@pytest.mark.parametrize("read", [lyra.read_pandas, lyra.open])
def test_rejects_never_overwrite_a_copy_member(tmp_path, read):
    copier = tmp_path / "copier.cpy"
    copier.write_text("       01  R.\n           COPY BODY.\n")
    body = tmp_path / "body.cpy"
    body.write_text("           05  A  PIC X(5).\n")
    data = tmp_path / "data.dat"
    data.write_bytes(b"AAAAABBBBB")
    message = "rejects '%s' would overwrite the input file '%s'" % (body, body)
    with pytest.raises(ValueError, match="^%s$" % re.escape(message)):
        read_all(read, str(data), copybook=str(copier), record_format="fixed",
                 rejects=str(body))
    assert body.read_text() == "           05  A  PIC X(5).\n"
