"""lyra.open record by record, and lyra.Layout."""

import lyra
from conftest import (TXN_COPYBOOKS, assert_values, copybook, data_file, expected, framed_options,
                      table)


def test_open_gives_tuples_with_their_places(txn_options):
    with lyra.open(data_file("txn_var.dat"), active="TR", with_position=True,
                   **txn_options) as reader:
        records = list(reader)
        assert reader.record == 15 and reader.offset == 1362 - 45
    want = expected("txn_var.dat")
    assert [record[0] for record in records] == [7, 13, 15]
    assert reader.columns[0] == "TR-REC-TYPE"
    for record in records:
        number, values = record[0], record[2:]
        assert values[0] == "TR" == want[number]["TR-REC-TYPE"]
        assert len(values) == len(reader.columns)
    assert records[0][1] == 61 + 5 * 116  # after the header and five details


def test_open_gives_dicts_of_typed_values_or_none():
    # Records 2, 4 and 7 end where their table ends: their note, like the repetitions
    # the count does not reach, is None.
    with lyra.open(data_file("shipments.dat"), as_dict=True, limit=7,
                   **framed_options(table("framed.tsv")[0])) as reader:
        records = list(reader)
        assert reader.record == 7 and reader.offset == 600
    want = expected("shipments.dat")
    for number, record in enumerate(records, 1):
        assert_values(record, want[number], where=number)
    assert [number for number, record in enumerate(records, 1)
            if record["SHP-NOTE"] is None] == [2, 4, 7]


def test_layout_of_a_copybook_and_of_its_document(tmp_path):
    layout = lyra.Layout(copybook("txnhdr.cpy"))
    assert layout.record_length == 61
    assert [name for name, _, _ in layout.columns] == list(expected("txn_var.dat")[1])
    assert dict((name, kind) for name, kind, _ in layout.columns)["HD-BATCH-ID"] == "integer"
    document = tmp_path / "txnhdr.xml"
    document.write_text(layout.to_xml())
    assert lyra.Layout(document).columns == layout.columns
    assert lyra.Layout(document).record_length == 61


def test_read_with_an_xml_layout(tmp_path):
    documents = {}
    for key, name in TXN_COPYBOOKS.items():
        documents[key] = tmp_path / (key + ".xml")
        documents[key].write_text(lyra.Layout(copybook(name)).to_xml())
    frame = lyra.read_pandas(data_file("txn_var.dat"), layouts=documents,
                             id_field="0:PIC X(2)")  # the first layout's records
    assert frame["HD-BATCH-ID"].tolist() == [
        int(record["HD-BATCH-ID"]) for record in expected("txn_var.dat").values()
        if "HD-BATCH-ID" in record]


def test_layout_options_are_keywords():
    floats = lyra.Layout(copybook("measures.cpy"), float_format="ieee")
    assert dict((name, kind) for name, kind, _ in floats.columns)["M-RATE"] == "real"
    national = lyra.Layout(copybook("national.cpy"), national_utf16=True)
    assert national.record_length == 3 + 20 + 12 + 4
