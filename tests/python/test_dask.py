"""lyra.dask.read_dask: the rows of read_pandas from 1, 2 or 7 partitions, also on a
local cluster of two worker processes."""

import logging
import math
import os
import subprocess

import pandas as pd
import pytest

import lyra
import lyra.dask
from conftest import copybook, data_file, framed_options, patched

distributed = pytest.importorskip("distributed")
# Tornado, under distributed, warns of its own deprecated calls.
pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")

FILES = {"customers.dat": dict(copybook=copybook("custmast.cpy"), record_format="fixed"),
         "customers_rdw.dat": framed_options("customers_rdw.dat"),
         "payroll.txt": framed_options("payroll.txt")}


def read_both(name, partitions, path=None, **options):
    """read_pandas of a file of FILES (or of its copy at path), and read_dask of it in so many
    partitions."""
    path = path or data_file(name)
    options.update(FILES[name])
    return (lyra.read_pandas(path, **options),
            lyra.dask.read_dask(path, blocksize=math.ceil(os.path.getsize(path) / partitions),
                                **options))


def computed(frame):
    """The rows of a dask frame, computed on this thread and numbered from 0."""
    return frame.compute(scheduler="synchronous").reset_index(drop=True)


@pytest.mark.parametrize("name", sorted(FILES))
@pytest.mark.parametrize("partitions", [1, 2, 7])
@pytest.mark.parametrize("with_position", [True, False])
def test_partitions_hold_the_rows_of_read_pandas(name, partitions, with_position):
    whole, frame = read_both(name, partitions, with_position=with_position)
    assert frame.npartitions == partitions
    assert list(frame.dtypes) == list(whole.dtypes)
    pd.testing.assert_frame_equal(computed(frame), whole)


def test_partitions_of_many_batches(tmp_path):
    # Partitions longer than a batch: each joins its batches in order.
    (tmp_path / "many.dat").write_bytes(open(data_file("customers.dat"), "rb").read() * 1500)
    whole, frame = read_both("customers.dat", 2, str(tmp_path / "many.dat"), with_position=True)
    assert len(whole) > 2 * lyra.dask.PARTITION_BATCH_RECORDS
    assert frame.npartitions == 2
    pd.testing.assert_frame_equal(computed(frame), whole)


def test_partitions_of_the_layout_format_and_bad_blocksizes():
    options = dict(copybook=copybook("acctrec.cpy"))
    frame = lyra.dask.read_dask(data_file("accounts.dat"), blocksize=100, **options)
    assert frame.npartitions == 1  # records found only by walking them from the start
    for wrong, message in [({"blocksize": 0}, "invalid blocksize 0"),
                           ({"range": (0, 100)}, "read_dask sets range itself"),
                           ({"limit": 5}, "read_dask takes no limit"),
                           ({"rejects": "r"}, "read_dask takes no rejects")]:
        with pytest.raises(ValueError, match=message):
            lyra.dask.read_dask(data_file("accounts.dat"), **wrong, **options)


COMPRESSED = ["customers_rdw.dat.gz", "customers_rdw.dat.bz2", "customers_rdw.dat.zst"]


def index_of(path, tmp_path, every):
    """The checkpoint index of a compressed file of customers_rdw.dat's records, made by
    lyra splits --index; its split points."""
    index = str(tmp_path / (os.path.basename(path) + ".idx"))
    run = subprocess.run([os.environ["LYRA_TOOL"], "splits", "--record-format", "rdw", "--every",
                          str(every), "--index", index, path], capture_output=True, check=True)
    return index, [tuple(map(int, line.split())) for line in run.stdout.decode().splitlines()]


@pytest.mark.skipif("LYRA_TOOL" not in os.environ, reason="the lyra tool makes the indexes")
@pytest.mark.parametrize("name", COMPRESSED)
def test_compressed_partitions_start_at_the_index(name, tmp_path):
    """Without an index a compressed file is one partition; with one, a partition starts
    at each of its split points (in gzip, after checkpoints inside a member too)."""
    options = FILES["customers_rdw.dat"]
    whole = lyra.read_pandas(data_file("customers_rdw.dat"), with_position=True, **options)
    path = data_file(name)
    frame = lyra.dask.read_dask(path, blocksize=1, with_position=True, **options)
    assert frame.npartitions == 1
    pd.testing.assert_frame_equal(computed(frame), whole)
    index, points = index_of(path, tmp_path, 1)
    frame = lyra.dask.read_dask(path, blocksize=1, index=index, with_position=True, **options)
    assert frame.npartitions == len(points) >= {"customers_rdw.dat.zst": 3}.get(name, 2)
    pd.testing.assert_frame_equal(computed(frame), whole)
    # A range of the index, read on its own.
    start, first = points[1]
    part = lyra.read_pandas(path, index=index, range=(start, None), first_record=first,
                            with_position=True, **options)
    pd.testing.assert_frame_equal(part, whole[whole["_record"] >= first].reset_index(drop=True))


@pytest.fixture(scope="module")
def client():
    logging.getLogger("distributed").setLevel(logging.ERROR)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


def test_local_cluster_reads_the_partitions(client, tmp_path):
    whole, frame = read_both("customers_rdw.dat", 7, with_position=True)
    pd.testing.assert_frame_equal(client.compute(frame).result().reset_index(drop=True), whole)
    # Bytes and copybook text go to the workers too.
    options = dict(FILES["customers_rdw.dat"], with_position=True)
    with open(options.pop("copybook"), encoding="utf-8") as text:
        options["copybook_text"] = text.read()
    with open(data_file("customers_rdw.dat"), "rb") as data:
        frame = lyra.dask.read_dask(data.read(), blocksize=1024, **options)
    pd.testing.assert_frame_equal(client.compute(frame).result().reset_index(drop=True), whole)
    # A bad record on a worker comes back as the RecordError it raised.
    broken = patched(tmp_path, "customers_rdw.dat", 204, b"\0\4\0\0")  # a record of no bytes
    with pytest.raises(lyra.RecordError) as raised:
        client.compute(lyra.dask.read_dask(broken, blocksize=1024,
                                           **FILES["customers_rdw.dat"])).result()
    assert (raised.value.record, raised.value.offset) == (2, 204)


@pytest.mark.skipif("LYRA_TOOL" not in os.environ, reason="the lyra tool makes the indexes")
def test_local_cluster_reads_a_gzip_file_in_index_ranges(client, tmp_path):
    options = dict(FILES["customers_rdw.dat"], with_position=True)
    whole = lyra.read_pandas(data_file("customers_rdw.dat"), **options)
    index, points = index_of(data_file("customers_rdw.dat.gz"), tmp_path, 400)
    frame = lyra.dask.read_dask(data_file("customers_rdw.dat.gz"), index=index, blocksize=400,
                                **options)
    assert frame.npartitions == len(points) > 2
    pd.testing.assert_frame_equal(client.compute(frame).result().reset_index(drop=True), whole)
