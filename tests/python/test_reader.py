"""lyra.open record by record, and lyra.Layout."""

import lyra
from conftest import TXN_COPYBOOKS, copybook, data_file, expected


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


def test_open_gives_dicts_of_typed_values():
    reader = lyra.open(data_file("payroll.txt"), copybook=copybook("payroll.cpy"),
                       record_format="lines", as_dict=True, limit=3)
    records = list(reader)
    want = expected("payroll.txt")
    assert len(records) == 3
    assert records[1]["PAY-EMP-ID"] == int(want[2]["PAY-EMP-ID"])
    assert records[1]["PAY-HOURS"] == float(want[2]["PAY-HOURS"])
    assert records[1]["PAY-LAST-NAME"] == want[2]["PAY-LAST-NAME"].rstrip()
    assert reader.record == 3 and reader.offset == 279


def test_open_gives_none_for_missing_values():
    with lyra.open(data_file("shipments.dat"), copybook=copybook("shipment.cpy"),
                   record_format="rdw", rdw_excludes_header=True, as_dict=True) as reader:
        notes = [record["SHP-NOTE"] for record in reader]
    # Records 2, 4 and 7 end where their table ends, before the note.
    assert [number for number, note in enumerate(notes, 1) if note is None] == [2, 4, 7]


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
                             id_field="0:PIC X(2)", active="HD")
    assert frame["HD-BATCH-ID"].tolist() == [
        int(record["HD-BATCH-ID"]) for record in expected("txn_var.dat").values()
        if "HD-BATCH-ID" in record]


def test_layout_options_are_keywords():
    floats = lyra.Layout(copybook("measures.cpy"), float_format="ieee")
    assert dict((name, kind) for name, kind, _ in floats.columns)["M-RATE"] == "real"
    national = lyra.Layout(copybook("national.cpy"), national_utf16=True)
    assert national.record_length == 3 + 20 + 12 + 4
