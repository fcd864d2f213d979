"""Speed of the Python package on the benchmark's mixed records (txnrec.cpy, 200
bytes each), in MB/s of file (10^6 bytes):

- read_pandas of a 200 MB file, every column, in one process;
- the sum of one numeric column over a 1 GB file: read_dask(columns=[column]) on
  an already running local cluster of two worker processes, against
  read_pandas(columns=[column]) in this process (cluster start-up not counted);
  beside it, what two processes give without Dask, each summing half of the file
  with read_pandas (pool start-up not counted): the most this machine allows;
  and what Dask gives the same shape of graph with no lyra in it: as many tasks as
  read_dask's partitions, each hashing in memory (no GIL, no file) for as long as
  one partition takes to read in one process, summed in the same way, against
  the same tasks run one after another here.

Each figure is the best of a few runs. The files are written with
lyra_bench_data into the given folder and removed at the end.

    python_bench.py BENCH_DATA_TOOL FOLDER
"""

import concurrent.futures
import hashlib
import logging
import os
import subprocess
import sys
import time
import uuid

import lyra
import lyra.dask

COPYBOOK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "txnrec.cpy")
COLUMN = "TXN-AMOUNT"  # PIC S9(9)V99 COMP-3
RECORD_LENGTH = 200
FRAME_MIB = 191  # 200 MB
SUM_MIB = 954  # 1 GB
RUNS = 3


def write_file(tool, folder, mib):
    path = os.path.join(folder, "bench_python_mixed_%d.dat" % mib)
    subprocess.run([tool, "write", "mixed", path, str(mib)], check=True)
    return path


def best_seconds(action, runs=RUNS):
    """The shortest time of a few runs of action, and its last result."""
    best, result = None, None
    for _ in range(runs):
        start = time.perf_counter()
        result = action()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best, result


def megabytes_per_second(path, seconds):
    return os.path.getsize(path) / 1e6 / seconds


def bench_frame(path):
    seconds, frame = best_seconds(
        lambda: lyra.read_pandas(path, copybook=COPYBOOK, record_format="fixed"))
    print("read_pandas, every column, %.0f MB file: %d records x %d columns in %.2f s: "
          "%.0f MB/s" % (os.path.getsize(path) / 1e6, len(frame), frame.shape[1], seconds,
                         megabytes_per_second(path, seconds)))


def bench_sum(path):
    import distributed

    options = dict(copybook=COPYBOOK, record_format="fixed", columns=[COLUMN])
    pandas_seconds, pandas_sum = best_seconds(
        lambda: lyra.read_pandas(path, **options)[COLUMN].sum())
    logging.getLogger("distributed").setLevel(logging.ERROR)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            def dask_sum():
                return cluster_sum(client, lyra.dask.read_dask(path, **options)[COLUMN])
            dask_sum()  # the workers import lyra once
            dask_seconds, dask_total = best_seconds(dask_sum)
            partitions = lyra.dask.read_dask(path, **options).npartitions
            ceiling = dask_ceiling(client, partitions, pandas_seconds / partitions)
    assert abs(dask_total - pandas_sum) <= 1e-6 * abs(pandas_sum), (dask_total, pandas_sum)
    pair_seconds = halves_seconds(path, options)
    size = os.path.getsize(path) / 1e6
    print("sum of %s, %.0f MB file: read_pandas in one process %.2f s (%.0f MB/s); "
          "read_dask on 2 local worker processes %.2f s (%.0f MB/s): %.2fx; "
          "2 processes without Dask, half the file each: %.2f s: %.2fx; "
          "Dask alone, %d tasks of %.0f ms of hashing: %.2fx"
          % (COLUMN, size, pandas_seconds, megabytes_per_second(path, pandas_seconds),
             dask_seconds, megabytes_per_second(path, dask_seconds),
             pandas_seconds / dask_seconds, pair_seconds, pandas_seconds / pair_seconds,
             partitions, pandas_seconds / partitions * 1e3, ceiling))


def cluster_sum(client, series):
    """The sum of a Dask series, computed on the cluster, as series.sum() computes it
    but under keys of its own each time: the same graph again would find a held
    result, and cancelling one races with the next computation of its keys, which the
    scheduler may then cancel."""
    total = series.reduction(lambda part: part.sum(), aggregate=lambda sums: sums.sum(),
                             meta=series.dtype, token="sum-" + uuid.uuid4().hex)
    return client.compute(total).result()


HASHED = 64 * 1024  # bytes hashed at a time; hashlib lets go of the GIL for them


def hash_for(rounds):
    """A one-row frame, after hashing HASHED bytes rounds times: a task of pure CPU
    work that touches no file and little memory."""
    import pandas as pd

    data = bytes(HASHED)
    for _ in range(rounds):
        hashlib.sha1(data).digest()
    return pd.DataFrame({"A": [1.0]})


def dask_ceiling(client, tasks, seconds_each):
    """How much faster the cluster runs a read_dask-shaped graph of the given number
    of hashing tasks, each taking seconds_each here, than this process runs the
    tasks one after another."""
    import dask.dataframe as dd

    start = time.perf_counter()
    hash_for(1000)
    rounds = max(int(seconds_each / ((time.perf_counter() - start) / 1000)), 1)
    sequential, _ = best_seconds(lambda: sum(hash_for(rounds)["A"].sum() for _ in range(tasks)))

    def dask_sum():
        frame = dd.from_map(hash_for, [rounds] * tasks, meta=hash_for(0).iloc[:0],
                            enforce_metadata=False)
        return cluster_sum(client, frame["A"])
    dask_sum()
    parallel, _ = best_seconds(dask_sum)
    return sequential / parallel


def sum_range(path, options, start, end):
    return lyra.read_pandas(path, range=(start, end), **options)[COLUMN].sum()


def halves_seconds(path, options):
    """The best time of two processes summing the column over half of the file each."""
    middle = os.path.getsize(path) // RECORD_LENGTH // 2 * RECORD_LENGTH
    with concurrent.futures.ProcessPoolExecutor(max_workers=2) as pool:
        def both():
            halves = [pool.submit(sum_range, path, options, 0, middle),
                      pool.submit(sum_range, path, options, middle, None)]
            return sum(half.result() for half in halves)
        both()  # the processes import lyra once
        seconds, _ = best_seconds(both)
    return seconds


def main(tool, folder):
    for mib, bench in ((FRAME_MIB, bench_frame), (SUM_MIB, bench_sum)):
        path = write_file(tool, folder, mib)
        try:
            bench(path)
        finally:
            os.remove(path)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
