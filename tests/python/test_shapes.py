"""Records as users want them from Python: nested records and trees, every layout's
records, FILLER dropped. Expected values are those the GnuCOBOL programs printed
(<file>.expected)."""

import json

import pandas as pd
import pytest

import lyra
import lyra.dask
from conftest import TXN_OPTIONS, assert_values, copybook, data_file, expected

HIERARCHY = {"copybooks": {"C": copybook("hcust.cpy"), "A": copybook("hacct.cpy"),
                           "P": copybook("hphone.cpy"), "T": copybook("htxn.cpy")},
             "id_field": "0:PIC X", "record_format": "fixed", "record_length": 72}
CHILD = {"C": ["A", "P"], "A": "T"}
RECORD_NAMES = {"A": "HA-ACCOUNT", "P": "HP-PHONE", "T": "HT-TRANSACTION"}
CHILD_LAYOUTS = {"C": ["A", "P"], "A": ["T"], "P": [], "T": []}
ORPHAN = "Record of layout T has no record of its parent layout A before it in its tree"
HIERARCHY_SIZE = 14 * 72


def flat(record, names=None, prefix=None):
    """A nested record's values under the names of the flat columns: each name once, then
    with _1, _2, ... for its later columns, in the order the walk gives them."""
    names = {} if names is None else names
    values = {}
    items = record.items() if isinstance(record, dict) else ((prefix, v) for v in record)
    for name, value in items:
        if isinstance(value, (dict, list)):
            values.update(flat(value, names, name))
            continue
        count = names.get(name, 0)
        names[name] = count + 1
        values[name if count == 0 else "%s_%d" % (name, count)] = value
    return values


def without(values, *names):
    return {name: value for name, value in values.items() if name not in names}


def check_tree(record, want, parent=None):
    """A record of hierarchy.dat read nested with its position, and its children's lists,
    against what GnuCOBOL's program printed; returns the records checked."""
    number = record["_record"]
    layout = want[number]["_layout"]
    assert want[number]["_parent"] == ("null" if parent is None else str(parent))
    lists = [RECORD_NAMES[child] for child in CHILD_LAYOUTS[layout]]
    assert list(record)[-len(lists):] == lists if lists else True
    own = without(record, "_layout", "_record", "_offset", *lists)
    assert_values(flat(own), without(want[number], "_layout", "_parent", "FILLER"), where=number)
    checked = [number]
    for name in lists:
        for child in record[name]:
            assert RECORD_NAMES[want[child["_record"]]["_layout"]] == name
            checked += check_tree(child, want, number)
    return checked


def test_nested_records_hold_every_value():
    """customers.dat and accounts.dat: groups, tables fixed and variable, REDEFINES."""
    for name, options in (("customers.dat", dict(copybook=copybook("custmast.cpy"),
                                                record_format="fixed")),
                          ("accounts.dat", dict(copybook=copybook("acctrec.cpy")))):
        want = expected(name)
        records = list(lyra.open(data_file(name), nested=True, **options))
        assert len(records) == len(want)
        for number, record in enumerate(records, 1):
            values = {column: value for column, value in want[number].items()
                      if not column.startswith("FILLER")}
            assert_values(flat(record), values, where=(name, number))
        assert "FILLER" not in json.dumps(records)


def test_trees_of_the_hierarchy():
    """Roots with their children and grandchildren, the root without children with empty
    lists, the transaction without an account passed over."""
    want = expected("hierarchy.dat")
    with lyra.open(data_file("hierarchy.dat"), nested=True, child=CHILD, with_position=True,
                   max_errors=1, **HIERARCHY) as reader:
        roots = list(reader)
    assert [root["_layout"] for root in roots] == ["C"] * 3
    checked = sum((check_tree(root, want) for root in roots), [])
    assert sorted(checked) == [n for n in want if want[n]["_parent"] != "none"]
    assert roots[1]["HA-ACCOUNT"] == [] and roots[1]["HP-PHONE"] == []
    assert reader.rejects == [(10, 648, 72, ORPHAN)]
    with pytest.raises(lyra.RecordError) as stopped:
        list(lyra.open(data_file("hierarchy.dat"), nested=True, child=CHILD, **HIERARCHY))
    assert (stopped.value.record, stopped.value.reason) == (10, ORPHAN)


def test_trees_in_ranges_and_partitions():
    """Ranges cut at every record boundary give every root's tree once; so do Dask's
    partitions of the frames."""
    whole = list(lyra.open(data_file("hierarchy.dat"), nested=True, child=CHILD, max_errors=1,
                           **HIERARCHY))
    for cut in range(0, HIERARCHY_SIZE + 1, 72):
        parts = [list(lyra.open(data_file("hierarchy.dat"), nested=True, child=CHILD,
                                max_errors=1, range=bounds, **HIERARCHY))
                 for bounds in ((None, cut), (cut, None))]
        assert parts[0] + parts[1] == whole, cut
    frames = lyra.read_pandas(data_file("hierarchy.dat"), child=CHILD, max_errors=1, **HIERARCHY)
    partitioned = lyra.dask.read_dask(data_file("hierarchy.dat"), child=CHILD, max_errors=1,
                                      blocksize=72, **HIERARCHY)
    assert sorted(partitioned) == sorted(frames) == ["A", "C", "P", "T"]
    for layout, frame in frames.items():
        computed = partitioned[layout].compute().reset_index(drop=True)
        assert computed.equals(frame), layout


def test_a_tree_past_the_bound():
    """The root and every record of its tree are bad records; the trees within the bound
    are given."""
    with lyra.open(data_file("hierarchy.dat"), nested=True, child=CHILD, max_tree_bytes=1200,
                   max_errors="all", **HIERARCHY) as reader:
        roots = list(reader)
    assert [root["HC-CUST-ID"] for root in roots] == [100002]
    assert sorted(reject[0] for reject in reader.rejects) == [1, 2, 3, 4, 5, 6, 7, 9, 10, 11,
                                                              12, 13, 14]
    assert ("The tree of root record 9 holds more than 1200 bytes (max_tree_bytes)"
            in [reject[3] for reject in reader.rejects])
    with pytest.raises(lyra.RecordError) as stopped:
        list(lyra.open(data_file("hierarchy.dat"), nested=True, child=CHILD,
                       max_tree_bytes=1200, **HIERARCHY))
    assert stopped.value.record == 1


def test_frames_of_every_layout():
    """A frame per layout: with child layouts _record and _parent first, the parents those
    GnuCOBOL's program printed; records of no layout counted."""
    want = expected("hierarchy.dat")
    frames = lyra.read_pandas(data_file("hierarchy.dat"), child=CHILD, max_errors=1, **HIERARCHY)
    for layout, frame in frames.items():
        assert list(frame.columns[:2]) == ["_record", "_parent"]
        for row in frame.to_dict("records"):
            number = row.pop("_record")
            parent = row.pop("_parent")
            assert want[number]["_layout"] == layout
            assert want[number]["_parent"] == ("null" if parent is pd.NA else str(parent))
            assert_values(row, without(want[number], "_layout", "_parent"), where=number)
    assert frames["T"].attrs["rejects"] == [(10, 648, 72, ORPHAN)]
    every = lyra.read_pandas(data_file("txn_fixed120.dat"), record_format="fixed",
                             record_length=120, all_layouts=True,
                             copybooks={"HD": copybook("txnhdr.cpy"), "DT": copybook("txndtl.cpy")},
                             id_field="0:PIC X(2)")
    assert {layout: len(frame) for layout, frame in every.items()} == {"HD": 3, "DT": 9}
    assert every["HD"].attrs["unknown_records"] == 3
    records = list(lyra.open(data_file("txn_fixed120.dat"), record_format="fixed",
                             record_length=120, all_layouts=True, as_dict=True, **TXN_OPTIONS))
    assert [record["_layout"] for record in records[:7]] == ["HD"] + ["DT"] * 5 + ["TR"]


def test_filler_dropped():
    frame = lyra.read_pandas(data_file("customers.dat"), copybook=copybook("custmast.cpy"),
                             record_format="fixed", filler="drop", limit=2)
    kept = lyra.read_pandas(data_file("customers.dat"), copybook=copybook("custmast.cpy"),
                            record_format="fixed", limit=2)
    assert [name for name in kept.columns if name not in frame.columns] == ["FILLER", "FILLER_1"]
    with pytest.raises(ValueError, match="unknown filler 'hide': use 'drop' or 'keep'"):
        lyra.read_pandas(data_file("customers.dat"), copybook=copybook("custmast.cpy"),
                         filler="hide")


@pytest.mark.parametrize("options, message", [
    (dict(child={"C": ["X"]}), "child: no layout has the record identifier 'X'"),
    (dict(child={"C": ["A"], "P": ["A"]}), "child: layout 'A' has a parent already"),
    (dict(child={"C": ["A"], "A": ["C"]}), "child: layout 'C' would be its own ancestor"),
    (dict(child={"C": ["A"]}, active="A"), "active does not go with child"),
    (dict(all_layouts=True, columns=["HC-CUST-ID"]), "columns does not go with all_layouts"),
    (dict(max_tree_bytes=100), "max_tree_bytes applies to lyra.open"),
])
def test_shape_options_refused(options, message):
    with pytest.raises(ValueError, match=message):
        lyra.read_pandas(data_file("hierarchy.dat"), **dict(HIERARCHY, **options))
