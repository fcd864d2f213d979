"""Data as bytes and open files, copybooks as text, and the keywords of pandas."""

import gzip
import io
import re

import numpy as np
import pandas as pd
import pytest

import lyra
import lyra.dask
from conftest import (TXN_OPTIONS, assert_matches, copybook, data_file, expected, framed_options,
                      table)

RDW = "customers_rdw.dat"
PAYROLL = dict(copybook=copybook("payroll.cpy"), record_format="fixed")
PAYROLL_LENGTH = 138


def file_bytes(name):
    with open(data_file(name), "rb") as data:
        return data.read()


# Each way to give a file's bytes: a name for the test, and what makes the input of them.
INPUTS = {
    "bytes": lambda name: file_bytes(name),
    "bytearray": lambda name: bytearray(file_bytes(name)),
    "memoryview": lambda name: memoryview(file_bytes(name)),
    "numpy array": lambda name: np.frombuffer(file_bytes(name), dtype=np.uint8),
    "file": lambda name: open(data_file(name), "rb"),
    "unbuffered file": lambda name: open(data_file(name), "rb", buffering=0),
    "BytesIO": lambda name: io.BytesIO(file_bytes(name)),
    "gzip file": lambda name: gzip.GzipFile(fileobj=io.BytesIO(gzip.compress(file_bytes(name)))),
    # Compressed bytes as they stand, which lyra decompresses.
    "gzip file name": lambda name: data_file(name + ".gz"),
    "bzip2 bytes": lambda name: file_bytes(name + ".bz2"),
    "zstd file": lambda name: open(data_file(name + ".zst"), "rb"),
    "gzip bytes": lambda name: gzip.compress(file_bytes(name)),
}


def records_of(read, data, **options):
    """The frame read_pandas makes of data, or lyra.open's records made one."""
    if read == "read_pandas":
        return lyra.read_pandas(data, **options)
    with lyra.open(data, as_dict=True, **options) as reader:
        return pd.DataFrame(list(reader))


@pytest.mark.parametrize("read", ["read_pandas", "open"])
@pytest.mark.parametrize("kind", sorted(INPUTS))
def test_each_input_gives_its_records(kind, read):
    data = INPUTS[kind](RDW)
    frame = records_of(read, data, with_position=True, **framed_options(RDW))
    if hasattr(data, "close"):
        data.close()
    assert_matches(frame, expected(RDW))
    places = [tuple(map(int, place[:2])) for place in table(RDW + ".offsets")]
    assert list(zip(frame["_record"], frame["_offset"])) == places


@pytest.mark.parametrize("buffering", [-1, 0])
def test_an_open_file_is_read_from_its_position(buffering):
    """Offsets and numbers count from the file's position; a plain file is left there."""
    want = expected("payroll.dat")
    with open(data_file("payroll.dat"), "rb", buffering=buffering) as data:
        data.read(PAYROLL_LENGTH)
        frame = lyra.read_pandas(data, with_position=True, **PAYROLL)
        assert data.tell() == PAYROLL_LENGTH
        assert data.read(6) == file_bytes("payroll.dat")[PAYROLL_LENGTH:PAYROLL_LENGTH + 6]
    assert frame["_offset"].tolist() == [PAYROLL_LENGTH * index for index in range(len(want) - 1)]
    assert frame["PAY-EMP-ID"].tolist() == [int(want[number]["PAY-EMP-ID"])
                                            for number in range(2, len(want) + 1)]


def test_inputs_that_are_refused(tmp_path):
    (tmp_path / "t.dat").write_bytes(file_bytes("payroll.dat"))
    big = bytes(1 << 20)
    refused = [
        (lambda: open(tmp_path / "t.dat"), TypeError,
         "the data file must be open in binary mode ('rb')"),
        (lambda: 12, TypeError,
         "the data must be a file name, an open binary file or bytes, not int"),
        (lambda: np.zeros(20, dtype=np.uint8)[::2], TypeError, "the data must be contiguous bytes"),
        (lambda: open(tmp_path / "t.dat", "rb"), ValueError,
         "range goes with a file name or bytes"),
    ]
    for make, error, message in refused:
        data = make()
        with pytest.raises(error, match=re.escape(message)):
            lyra.read_pandas(data, range=(0, 276), **PAYROLL)
        if hasattr(data, "close"):
            data.close()
    with pytest.raises(ValueError) as raised:
        lyra.read_pandas(big, copybook=big)
    assert len(str(raised.value)) < 200  # a message never holds a whole buffer
    with open(tmp_path / "t.dat", "rb") as data:
        with pytest.raises(TypeError, match="read_dask takes a file name or bytes, not an open "
                                            "file"):
            lyra.dask.read_dask(data, **PAYROLL)


def test_rejects_never_overwrite_an_open_data_file(tmp_path):
    (tmp_path / "t.dat").write_bytes(file_bytes("payroll.dat"))
    with open(tmp_path / "t.dat", "rb") as data:
        with pytest.raises(ValueError, match=re.escape(
                "rejects '%s' would overwrite the input file '%s'" % (tmp_path / "t.dat",
                                                                        tmp_path / "t.dat"))):
            lyra.read_pandas(data, rejects=str(tmp_path / "t.dat"), **PAYROLL)
    assert (tmp_path / "t.dat").read_bytes() == file_bytes("payroll.dat")


@pytest.mark.parametrize("name, options", [
    (RDW, framed_options(RDW)),
    ("payroll.txt", framed_options("payroll.txt")),
    ("payroll.dat", PAYROLL),
])
@pytest.mark.parametrize("with_position", [True, False])
def test_dask_partitions_of_bytes(name, options, with_position):
    data = file_bytes(name)
    frame = lyra.dask.read_dask(memoryview(data), blocksize=-(-len(data) // 3),
                                with_position=with_position, **options)
    assert frame.npartitions == 3
    graph = dict(frame.__dask_graph__())
    assert [value for value in graph.values() if isinstance(value, bytes)] == [data]  # once
    whole = lyra.read_pandas(data_file(name), with_position=with_position, **options)
    assert frame.compute(scheduler="synchronous").reset_index(drop=True).equals(whole)


def test_copybooks_as_text():
    with open(copybook("payroll.cpy"), encoding="utf-8") as source:
        text = source.read()
    want = lyra.read_pandas(data_file("payroll.dat"), **PAYROLL)
    for given in (text, text.encode("utf-8"), lyra.CopybookText(text)):
        frame = lyra.read_pandas(data_file("payroll.dat"), copybook_text=given,
                                 record_format="fixed")
        assert frame.equals(want)
    # Several layouts: text among files.
    books = TXN_OPTIONS["copybooks"]
    with open(books["DT"], encoding="utf-8") as source:
        mixed = dict(books, DT=lyra.CopybookText(source.read()))
    frames = [lyra.read_pandas(data_file("txn_var.dat"), copybooks=layouts, id_field="0:PIC X(2)",
                               active="DT") for layouts in (books, mixed)]
    assert frames[0].equals(frames[1]) and len(frames[0]) > 0
    refused = [
        (dict(copybook_text="       01  R.\n           05  A  PIC 9().\n"),
         "copybook text: Invalid number of repetitions, Line: 2"),
        (dict(copybooks=dict(books, DT=lyra.CopybookText("       01  R.\n           05  A  X.\n")),
              id_field="0:PIC X(2)"), "copybook text of 'DT': "),
        (dict(copybook_text=text, copybook=copybook("payroll.cpy")),
         "give the copybook as copybook= or as copybook_text=, not both"),
    ]
    for options, message in refused:
        with pytest.raises(ValueError, match="^" + re.escape(message)):
            lyra.read_pandas(data_file("txn_var.dat"), **options)
    with pytest.raises(TypeError, match="copybook text must be a str or bytes, not int"):
        lyra.CopybookText(12)


@pytest.mark.parametrize("keyword, message", [
    ("usecols", "unexpected keyword argument 'usecols': lyra calls it columns"),
    ("nrows", "unexpected keyword argument 'nrows': lyra calls it limit"),
    ("encoding", "unexpected keyword argument 'encoding': lyra calls it code_page"),
    ("skiprows", "unexpected keyword argument 'skiprows': lyra has none (skip= counts bytes"),
])
def test_keywords_of_pandas_name_lyras(keyword, message):
    for read in (lyra.read_pandas, lyra.open, lyra.dask.read_dask):
        with pytest.raises(TypeError, match="^" + re.escape(message)):
            read(data_file("payroll.dat"), **{keyword: 1}, **PAYROLL)
