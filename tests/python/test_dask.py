"""lyra.dask.read_dask: the same rows from 1, 2 and 7 partitions as read_pandas
gives, for fixed, rdw and text-line files; then on a local cluster of two worker
processes."""

import logging
import math
import os

import pandas as pd
import pytest

import lyra
import lyra.dask
from conftest import copybook, data_file, framed_options, table

distributed = pytest.importorskip("distributed")
# Tornado, under distributed, warns of its own deprecated calls.
pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")

FILES = {
    "fixed": ("customers.dat", dict(copybook=copybook("custmast.cpy"), record_format="fixed")),
    "rdw": ("customers_rdw.dat", framed_options(table("framed.tsv")[3])),
    "lines": ("payroll.txt", framed_options(table("framed.tsv")[5])),
}


def blocksize(name, partitions):
    """A block size that splits the file into so many partitions."""
    return math.ceil(os.path.getsize(data_file(name)) / partitions)


@pytest.mark.parametrize("kind", sorted(FILES))
@pytest.mark.parametrize("partitions", [1, 2, 7])
@pytest.mark.parametrize("with_position", [True, False])
def test_partitions_hold_the_rows_of_read_pandas(kind, partitions, with_position):
    name, options = FILES[kind]
    whole = lyra.read_pandas(data_file(name), with_position=with_position, **options)
    frame = lyra.dask.read_dask(data_file(name), blocksize=blocksize(name, partitions),
                                with_position=with_position, **options)
    assert frame.npartitions == partitions
    assert list(frame.dtypes) == list(whole.dtypes)
    computed = frame.compute(scheduler="synchronous").reset_index(drop=True)
    pd.testing.assert_frame_equal(computed, whole)


def test_partitions_of_the_layout_format_and_bad_blocksizes():
    options = dict(copybook=copybook("acctrec.cpy"))
    frame = lyra.dask.read_dask(data_file("accounts.dat"), blocksize=100, **options)
    assert frame.npartitions == 1  # records found only by walking them from the start
    with pytest.raises(ValueError, match="invalid blocksize 0"):
        lyra.dask.read_dask(data_file("accounts.dat"), blocksize=0, **options)
    with pytest.raises(ValueError, match="read_dask sets range itself"):
        lyra.dask.read_dask(data_file("accounts.dat"), range=(0, 100), **options)
    with pytest.raises(ValueError, match="read_dask takes no limit"):
        lyra.dask.read_dask(data_file("accounts.dat"), limit=5, **options)


@pytest.fixture(scope="module")
def client():
    logging.getLogger("distributed").setLevel(logging.ERROR)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


def test_local_cluster_reads_the_partitions(client, tmp_path):
    name, options = FILES["rdw"]
    whole = lyra.read_pandas(data_file(name), with_position=True, **options)
    frame = lyra.dask.read_dask(data_file(name), blocksize=blocksize(name, 7),
                                with_position=True, **options)
    pd.testing.assert_frame_equal(client.compute(frame).result().reset_index(drop=True), whole)
    # A bad record on a worker comes back as the RecordError it raised.
    data = open(data_file(name), "rb").read()
    broken = tmp_path / name
    broken.write_bytes(data[:204] + b"\x00\x04\x00\x00" + data[204:])  # a record of no bytes
    with pytest.raises(lyra.RecordError) as raised:
        client.compute(lyra.dask.read_dask(str(broken), blocksize=1024, **options)).result()
    assert (raised.value.record, raised.value.offset) == (2, 204)
