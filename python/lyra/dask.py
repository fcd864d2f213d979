"""lyra.dask.read_dask: a data file, or bytes, as a Dask DataFrame whose partitions
are byte ranges of the data, each read as lyra.read_pandas reads it, where Dask runs
it (a thread, a process, a worker of a cluster). lyra schedules nothing itself."""

import os

import dask
import dask.dataframe as dd
from dask.utils import parse_bytes

from . import _data, _native, _options
from ._frame import read_frame, read_pandas

# The options that read_dask sets itself for each partition.
PARTITION_OPTIONS = ("range", "first_record")

# Records per batch of a partition. Dask's workers hand freed memory back to the
# system at once (MALLOC_TRIM_THRESHOLD_), so every partition touches its batch
# buffers afresh, a page fault for each of their pages: batches of this size keep
# them to a few pages, and cost no more to read.
PARTITION_BATCH_RECORDS = 4096


class PartitionReader:
    """Reads one partition, a (start, end, first record) range of the file at path or
    of the bytes given, with the options read_dask was given. Picklable, for Dask's
    workers."""

    def __init__(self, path, layouts, options):
        self.path = path  # None for bytes
        self.layouts = layouts  # copybook, copybooks, layouts, id_field, active
        self.options = options

    def __call__(self, part, data=None):
        start, end, first = part
        options = dict(self.options, range=(start, end))
        if first is not None:
            options["first_record"] = first
        copybook, copybooks, layouts, id_field, active = self.layouts
        settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
        # No read-ahead thread: a worker runs one partition on each of its threads, and
        # the cluster has as many as the machine has cores, so a second thread for each
        # partition only takes turns with the others (a quarter slower on two cores).
        return read_frame(self.path if data is None else data, settings, read_ahead=False,
                          batch_records=PARTITION_BATCH_RECORDS)


def read_dask(path, copybook=None, copybooks=None, layouts=None, id_field=None, active=None,
              blocksize="64MiB", **options):
    """The records of the data file at path, or of bytes given in its place, as a
    dask.dataframe.DataFrame.

    Takes the layouts and options of :func:`lyra.read_pandas` (not range and
    first_record, which it sets for each partition, nor limit and rejects) and
    splits the data into partitions of about ``blocksize`` bytes (a number or a
    text such as "64MiB"): fixed records and text lines by the data's size, records
    with descriptor words (rdw, vb, vbs, vs) at the split points a scan of the data
    finds, and text lines the same way when ``with_position`` asks for their numbers.
    The layout record format cannot start mid-file: such data is one partition, and so
    is compressed data (gzip, bzip2, zstd), unless ``index`` names its checkpoint index
    (``lyra splits --index``), whose split points the partitions start at.
    ``ddf.compute()`` equals ``read_pandas`` with the same arguments, values and
    order, once both indexes are reset; ``_record`` numbers are the file's. Each
    partition counts its own bad records against ``max_errors``. With ``all_layouts``
    or ``child``, a dict of Dask DataFrames by layout identifier, as read_pandas gives
    a dict of frames; a partition then holds the trees of the roots that start in it.

    Bytes (bytes, bytearray, memoryview) are put in Dask's graph once, as one key
    that every partition reads (a bytes copy of them, unless they are bytes): a
    cluster sends them to each worker that reads a partition, once. An open file is
    refused (TypeError): the workers read the partitions, and an open file cannot
    go to them.
    """
    if hasattr(path, "read"):
        raise TypeError("read_dask takes a file name or bytes, not an open file: Dask's "
                        "workers read the partitions, and an open file cannot go to them; give "
                        "its name, or its bytes (file.read())")
    for name in PARTITION_OPTIONS:
        if options.get(name) is not None:
            raise ValueError("read_dask sets %s itself, for each partition" % name)
    if options.get("rejects") is not None:
        raise ValueError("read_dask takes no rejects: its partitions are read apart, where Dask "
                         "runs them; read_pandas and lyra.open write a rejects file")
    if options.get("limit") is not None:
        raise ValueError("read_dask takes no limit, which each partition would apply: "
                         "take the frame's head() instead")
    every = _options.integer(parse_bytes(blocksize) if isinstance(blocksize, str) else blocksize,
                             "blocksize", 1, also=" bytes, or a text such as '64MiB'")
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
    data = _data.Data(path)
    if data.path is not None:
        _data.check_file(data.path)
    parts = _partitions(data, settings, every)
    meta = read_pandas(data.path or data.memory, copybook, copybooks, layouts, id_field, active,
                       **dict(options, limit=0))
    reader = PartitionReader(data.path, (copybook, copybooks, layouts, id_field, active), options)
    if data.path is not None and not settings.all_layouts:
        return dd.from_map(reader, parts, meta=meta, label="read-lyra", enforce_metadata=False)
    read = dask.delayed(reader)
    if data.path is not None:
        frames = [read(part) for part in parts]
    else:
        shared = dask.delayed(path if type(path) is bytes else data.memory.tobytes())
        frames = [read(part, shared) for part in parts]
    if not settings.all_layouts:
        return dd.from_delayed(frames, meta=meta, verify_meta=False, prefix="read-lyra")
    # Every layout's records: each partition read once, a frame per layout taken from it.
    return {identifier: dd.from_delayed([frame[identifier] for frame in frames],
                                        meta=meta[identifier], verify_meta=False,
                                        prefix="read-lyra-" + identifier)
            for identifier in meta}


def _partitions(data, settings, every):
    """The (start, end, first record) ranges of the partitions of the data (a
    _data.Data); None for an open end and for a first record the range's start gives.
    Compressed data is one partition, unless a checkpoint index gives its split points."""
    record_format = settings.record_format
    skip = settings.read_options["skip"] or 0
    size = os.path.getsize(data.path) if data.path is not None else len(data.memory)
    whole = [(None, None, None)]
    if record_format == "layout":
        return whole  # the layout format: the whole file
    if _compressed(data, settings):
        if settings.index is None or record_format == "fixed":
            return whole  # read by one decompressing reader from the start
        return _scanned(data, settings, every) or whole
    if record_format == "fixed":
        length = settings.read_options["record_length"]
        length = length or _native.prepare(settings).record_length()
        return _fixed_ranges(skip, max(size - skip, 0), length, every)
    if record_format == "lines" and not settings.with_position:
        starts = range(skip, max(size, skip + 1), every)
        return _ranges(list(starts), [None] * len(starts))
    return _scanned(data, settings, every) or whole


def _compressed(data, settings):
    """Whether the data is compressed (gzip, bzip2, zstd), as the reader finds it."""
    native = _native.prepare(settings)
    options = dict(settings.read_options, range_start=-1, range_end=-1)
    if data.path is not None:
        native.open(data.path, options)
    else:
        native.open_memory(data.memory, options)
    return native.compression() != "none"


def _scanned(data, settings, every):
    """The ranges between the split points of a scan (of a compressed file's index);
    none when it finds none."""
    scan_options = dict(settings.read_options, range_start=-1, range_end=-1)
    native = _native.prepare(settings)
    points = (native.scan_split_points(data.path, scan_options, every) if data.path
              else native.scan_split_points_memory(data.memory, scan_options, every))
    if not points:
        return None
    starts, firsts = zip(*points)
    return _ranges(list(starts), list(firsts))


def _fixed_ranges(skip, data, length, every):
    """As many partitions as blocks of every bytes the data holds, the records shared
    out evenly among them; a record cut short at the end goes with the last."""
    records = max(-(-data // length), 1)
    count = min(max(-(-data // every), 1), records)
    starts = [skip + (index * records // count) * length for index in range(count)]
    return _ranges(starts, [None] * count)


def _ranges(starts, firsts):
    ends = starts[1:] + [None]
    return [(start, end, first) for start, end, first in zip(starts, ends, firsts)]
