"""lyra.open record by record, and lyra.Layout."""

import pytest

import lyra
from conftest import (TXN_COPYBOOKS, TXN_OPTIONS, assert_values, copybook, data_file, expected,
                      framed_options)


def test_open_gives_tuples_with_their_places():
    with lyra.open(data_file("txn_var.dat"), active="TR", with_position=True,
                   **TXN_OPTIONS) as reader:
        records = list(reader)
        assert reader.record == 15 and reader.offset == 1362 - 45
    assert [record[0] for record in records] == [7, 13, 15]
    assert records[0][1] == 61 + 5 * 116  # after the header and five details
    assert reader.columns[0] == "TR-REC-TYPE"
    assert {(record[2], len(record) - len(reader.columns)) for record in records} == {("TR", 2)}


def test_open_gives_dicts_of_typed_values_or_none():
    # Records 2, 4 and 7 end where their table ends: their note, like the repetitions
    # the count does not reach, is None.
    with lyra.open(data_file("shipments.dat"), as_dict=True, limit=7,
                   **framed_options("shipments.dat")) as reader:
        records = list(reader)
        assert reader.record == 7 and reader.offset == 600
    want = expected("shipments.dat")
    for number, record in enumerate(records, 1):
        assert_values(record, want[number], where=number)
    assert [number for number, record in enumerate(records, 1)
            if record["SHP-NOTE"] is None] == [2, 4, 7]


def test_layouts_of_copybooks_and_of_their_documents(tmp_path):
    """A layout's XML document has its columns and length, and reads the first layout's records."""
    layouts = {key: lyra.Layout(copybook(name)) for key, name in TXN_COPYBOOKS.items()}
    documents = {key: tmp_path / (key + ".xml") for key in layouts}
    for key, layout in layouts.items():
        documents[key].write_text(layout.to_xml())
        again = lyra.Layout(documents[key])
        assert (again.columns, again.record_length) == (layout.columns, layout.record_length)
    header, want = layouts["HD"], expected("txn_var.dat")
    assert header.record_length == 61
    assert [name for name, _, _ in header.columns] == list(want[1])
    assert {name: kind for name, kind, _ in header.columns}["HD-BATCH-ID"] == "integer"
    frame = lyra.read_pandas(data_file("txn_var.dat"), layouts=documents, id_field="0:PIC X(2)")
    assert frame["HD-BATCH-ID"].tolist() == [int(record["HD-BATCH-ID"]) for record in want.values()
                                             if "HD-BATCH-ID" in record]


def test_layout_options_are_keywords():
    floats = lyra.Layout(copybook("measures.cpy"), float_format="ieee")
    assert {name: kind for name, kind, _ in floats.columns}["M-RATE"] == "real"
    national = lyra.Layout(copybook("national.cpy"), national_utf16=True)
    assert national.record_length == 3 + 20 + 12 + 4


LINES = 3000  # numbered lines, about three batches of lyra.open


@pytest.fixture(scope="module")
def numbered_lines(tmp_path_factory):
    folder = tmp_path_factory.mktemp("lines")
    (folder / "n.cpy").write_text("       01  R.\n           05  N  PIC 9(5).\n")
    (folder / "n.txt").write_bytes(b"".join(b"%05d\n" % number for number in range(1, LINES + 1)))
    return str(folder / "n.txt"), dict(copybook=str(folder / "n.cpy"), record_format="lines")


@pytest.mark.parametrize("options, count", [
    ({}, LINES),
    ({"limit": 2049}, 2049),  # past two batch ends
    ({"with_position": True}, LINES),
    ({"as_dict": True, "limit": 1025}, 1025),
])
def test_open_reads_across_batches(numbered_lines, options, count):
    path, layout = numbered_lines
    with lyra.open(path, **layout, **options) as reader:
        records = list(reader)
        assert (reader.record, reader.offset) == (count, (count - 1) * 6)
    if options.get("as_dict"):
        records = [tuple(record.values()) for record in records]
    want = [(number,) for number in range(1, count + 1)]
    if options.get("with_position"):
        want = [(number, (number - 1) * 6, number) for number, in want]
    assert records == want


@pytest.mark.parametrize("fields, wanted, bounded", [
    ("05 T PIC X(32000).", 1024, True),  # text at its longest: 3 bytes a character
    ("05 T PIC X(1000000).", 16384, True),
    ("05 T PIC X(16000000).", 1024, True),  # wider than a batch: one record still
    ("05 T PIC X(10) OCCURS 5000.", 16384, True),
    ("05 N PIC S9(7)V99 COMP-3 OCCURS 20.", 1024, False),
])
def test_batches_hold_a_bounded_number_of_bytes(tmp_path, fields, wanted, bounded):
    (tmp_path / "r.cpy").write_text("       01  R.\n           %s\n" % fields)
    settings = lyra._options.settings(str(tmp_path / "r.cpy"), None, None, None, None, {})
    description = lyra._native.prepare(settings).describe()
    size = lyra._frame.bounded_batch(description, False, wanted)
    text = sum(length for _, kind, _, _, length in description if kind == "text")
    assert 1 <= size <= wanted
    assert (size < wanted) == bounded
    assert size == 1 or size * 3 * text <= 16 << 20  # UTF-8 takes up to 3 bytes a character


def test_a_limit_reads_no_record_past_it(tmp_path):
    """limit=1 reads one record: the bad record after it is never reached."""
    (tmp_path / "r.cpy").write_text("       01  R.\n           05  N  PIC 9(3).\n")
    (tmp_path / "r.txt").write_bytes(b"123\n" + b"4567\n")  # the second line is too long
    options = dict(copybook=str(tmp_path / "r.cpy"), record_format="lines")
    with pytest.raises(lyra.RecordError, match="record 2"):
        lyra.read_pandas(tmp_path / "r.txt", **options)
    assert lyra.read_pandas(tmp_path / "r.txt", limit=1, **options)["N"].tolist() == [123]
    assert list(lyra.open(tmp_path / "r.txt", limit=1, **options)) == [(123,)]
