"""read_pandas: the records of a data file as a pandas DataFrame.

The binding writes batch after batch of records into numpy arrays, one or two per
column (see py_columns.h), made once with room for the records the file should
hold, so that the frame's columns are those arrays: no batch is copied again.
"""

import numpy as np

from . import _lyra, _native, _options
from ._data import Data
from ._errors import RecordError

BATCH_RECORDS = 16384
# What one batch may hold, besides the frame it fills: the binding's two batches (one
# read ahead) and the Python objects made of one each hold about so much at most.
BATCH_BYTES = 16 << 20
VALUE_BYTES = 32  # a value's share of a batch besides its text: flags, numbers, slots
CHARACTER_BYTES = 3  # the most UTF-8 bytes a character of a value's text takes

# The dtype of each kind's joined values; object for exact decimals and text.
KIND_DTYPES = {
    "integer": np.int64,
    "unsigned": np.uint64,
    "decimal": np.float64,
    "big_decimal": object,
    "float": np.float64,
    "text": object,
}


class Targets:
    """The arrays a reading fills, the columns' (see py_columns.h) and the records'
    numbers and offsets, with room for capacity records; grow() makes more room,
    keeping what they hold."""

    def __init__(self, description, decimal, capacity, positions=True, parents=False):
        self.kinds = [column[1] for column in description]
        self.dtypes = [object if kind == "decimal" and decimal else KIND_DTYPES[kind]
                       for kind in self.kinds]
        self.capacity = capacity
        self.columns = [self._new(kind, dtype, capacity)
                        for kind, dtype in zip(self.kinds, self.dtypes)]
        self.numbers = _numbers(np.int64, capacity) if positions else None
        self.offsets = _numbers(np.int64, capacity) if positions else None
        self.parents = _numbers(np.int64, capacity) if parents else None

    @staticmethod
    def _new(kind, dtype, capacity):
        if kind in ("integer", "unsigned"):
            return _numbers(dtype, capacity), _numbers(np.bool_, capacity)
        if dtype is object:
            return _lyra.object_array(capacity)  # its slots are filled before use
        return _numbers(dtype, capacity)

    @staticmethod
    def _grown(array, capacity):
        if array is None:
            return None
        if isinstance(array, tuple):
            return tuple(Targets._grown(part, capacity) for part in array)
        grown = (_lyra.object_array(capacity) if array.dtype == object
                 else _numbers(array.dtype, capacity))
        grown[:len(array)] = array
        return grown

    def grow(self):
        self.capacity = max(2 * self.capacity, BATCH_RECORDS)
        self.columns = [self._grown(column, self.capacity) for column in self.columns]
        self.numbers = self._grown(self.numbers, self.capacity)
        self.offsets = self._grown(self.offsets, self.capacity)
        self.parents = self._grown(self.parents, self.capacity)

    def values(self, count):
        """Each column's first count values, typed."""
        import pandas as pd  # only where frames are made: lyra.open needs no pandas

        values = []
        for kind, column in zip(self.kinds, self.columns):
            if kind in ("integer", "unsigned"):
                values.append(pd.arrays.IntegerArray(column[0][:count], column[1][:count]))
            else:
                values.append(column[:count])
        return values


def _numbers(dtype, capacity):
    """An array of capacity values of dtype, not set: large ones on huge pages."""
    return _lyra.number_array(np.dtype(dtype), capacity)


class Collected:
    """What one reading gathered: the filled targets and how many records they hold,
    the undecodable values per column and the bad records passed over."""

    def __init__(self, description, targets):
        self.description = description  # (name, kind, digits, fraction digits, length) each
        self.targets = targets
        self.count = 0
        self.errors = [0] * len(description)
        self.rejects = []  # (record, offset, length, reason) each
        self.unknown_records = 0  # records of no layout stepped over
        self.first_unknown = None  # (record, offset, identifier) of the first

    def note_unknown(self, unknown):
        """Takes the binding's (count, first) of the records of no layout."""
        self.unknown_records, self.first_unknown = unknown_of(unknown)


def unknown_of(unknown):
    """The binding's (count, first) of the records of no layout, the first's record
    number None where it is unknown."""
    count, first = unknown
    if first is not None:
        record, offset, identifier = first
        first = (record if record >= 0 else None, offset, identifier)
    return count, first


def bounded_batch(description, decimal, wanted):
    """How many records a batch may hold: wanted, fewer when records are wide, so that a
    batch holds about BATCH_BYTES at most with every text at its longest; at least one."""
    record = sum(VALUE_BYTES + (CHARACTER_BYTES * length if _has_text(kind, decimal) else 0)
                 for _, kind, _, _, length in description)
    return max(1, min(wanted, BATCH_BYTES // max(record, 1)))


def _has_text(kind, decimal):
    return kind in ("text", "big_decimal") or (kind == "decimal" and decimal)


def read_batches(native, settings, collected, rejects_file, batch_records=BATCH_RECORDS,
                 read_ahead=True):
    """Reads every record (up to settings.limit) into collected, the bad records passed
    over also into rejects_file; raises RecordError at a record reading stops at. With
    read_ahead, the binding reads each next batch on a thread of its own while this one
    takes in the last."""
    targets = collected.targets
    while settings.limit is None or collected.count < settings.limit:
        if targets.capacity - collected.count < 1:
            targets.grow()
        size = _batch_size(settings, targets, collected.count, batch_records)
        # The next batch, read meanwhile: what this loop asks for next if this batch
        # comes whole; none when the targets must grow first.
        ahead = (_batch_size(settings, targets, collected.count + size, batch_records)
                 if read_ahead else 0)
        count, errors, failure, unknown = native.read_into(
            targets.columns, targets.numbers, targets.offsets, collected.count, size,
            ahead)
        collected.note_unknown(unknown)
        collected.count += count
        collected.errors = [a + b for a, b in zip(collected.errors, errors)]
        _take_rejects(native, rejects_file, [collected], failure)
        if count < size:
            break


def _take_rejects(native, rejects_file, collected, failure):
    """The bad records a batch passed over, into the rejects file and each collected's
    list; raises RecordError at the record reading stopped at."""
    rejects = native.take_rejects()
    rejects_file.write(rejects)
    for gathered in collected:
        gathered.rejects.extend((record if record >= 0 else None, offset, length, reason)
                                for record, offset, length, reason, _ in rejects)
    if failure is not None:
        message, record, offset = failure
        raise RecordError(record, offset, message)


def _batch_size(settings, targets, count, batch_records):
    """How many records to read when count are read: as many as fit, up to the limit."""
    size = min(batch_records, targets.capacity - count)
    if settings.limit is not None:
        size = min(size, settings.limit - count)
    return max(size, 0)


def expected_records(size, settings, record_length):
    """About how many records size bytes of data hold for the settings: exactly for
    fixed records, at least as many as the longest layout fits in the bytes otherwise."""
    read = settings.read_options
    start = max(read["skip"] or 0, read["range_start"])
    end = size if read["range_end"] < 0 else min(read["range_end"], size)
    length = read["record_length"] or record_length
    records = -(-max(end - start, 0) // length) if length else 0
    return records if settings.limit is None else min(records, settings.limit)


def frame_of(collected, settings):
    import pandas as pd  # only where frames are made: lyra.open needs no pandas

    columns = {}
    count = collected.count
    targets = collected.targets
    if settings.with_position or settings.children:
        numbers = targets.numbers[:count]
        columns["_record"] = pd.arrays.IntegerArray(numbers, numbers < 0)
    if settings.with_position:
        columns["_offset"] = targets.offsets[:count]
    if settings.children:
        parents = targets.parents[:count]
        columns["_parent"] = pd.arrays.IntegerArray(parents, parents < 0)
    names = [column[0] for column in collected.description]
    columns.update(zip(names, collected.targets.values(count)))
    frame = pd.DataFrame(columns, copy=False)
    frame.attrs["errors"] = dict(zip(names, collected.errors))
    frame.attrs["rejects"] = collected.rejects
    frame.attrs["unknown_records"] = collected.unknown_records
    frame.attrs["first_unknown"] = collected.first_unknown
    return frame


def read_pandas(path, copybook=None, copybooks=None, layouts=None, id_field=None, active=None,
                **options):
    """The records of the data at path as a pandas DataFrame.

    The data (path): a file name; an open binary file, read from its position on (a plain
    file through a descriptor of its own, leaving the file object as it was; any
    other, such as a gzip.GzipFile, read to its end into memory first); or bytes
    (bytes, bytearray, memoryview), read where they are. Offsets count from the
    first byte read. ``range`` needs a file name or bytes. Data compressed with
    gzip, bzip2 or zstd is decompressed as it is read, its offsets those of the
    bytes it holds; ``index`` names its checkpoint index (``lyra splits
    --index``), from which a ``range`` starts decompressing.

    The layouts: one copybook as ``copybook="rec.cpy"``, or as its text,
    ``copybook_text=text`` (a str, read as its UTF-8 file would be, or bytes);
    several as ``copybooks={"H": "hdr.cpy", "D": "det.cpy"}`` (record identifiers
    to copybooks, the tool's ``-c FILE=ID``; ``lyra.CopybookText(text)`` in place
    of a file name gives one as text), XML layout documents as ``layouts={...}``
    (the tool's ``-x``); with several, ``id_field="0:PIC X(2)"`` says where the
    identifier is and ``active`` whose records to read (the first layout's by
    default). Every other option of ``lyra read`` is a keyword with its name and
    default: ``record_format="layout"`` (also ``vbs``, ``vs``), ``record_length``,
    ``varseq_format``, ``skip``, ``range``, ``index``, ``code_page``,
    ``float_format``, ``odo_layout``, ``zero_bytes``, ``max_errors``, ``rejects``,
    ``with_position`` and the others (see the README). Besides them:
    ``columns`` (names, in the order wanted), ``strip=True`` (text loses its
    trailing blanks), ``filler="keep"`` (``"drop"`` leaves FILLER columns out),
    ``decimal=False`` (True: numbers with digits after the point are exact
    ``decimal.Decimal`` values), ``limit`` (at most so many records). With
    ``all_layouts=True``, or ``child={"OH": ["OL", "OT"]}`` (record hierarchies:
    the child layouts' records belong to the record of their parent layout before
    them), a dict of frames by layout identifier, each with ``_record`` and
    ``_parent`` (the parent record's number, null for a root) first with child.

    Columns are typed by their pictures: integers of up to 18 digits are
    ``Int64`` (unsigned binary items of 8 bytes ``UInt64``), numbers with digits
    after the point ``float64``, longer numbers ``decimal.Decimal``, floats
    ``float64``, text ``str``. Missing values and undecodable ones are null;
    ``attrs["errors"]`` counts the undecodable ones per column and
    ``attrs["rejects"]`` lists the bad records passed over (record, offset,
    length, reason). With several layouts, a record whose identifier matches
    none of them is stepped over where the record format finds its end (fixed,
    rdw, vb, lines) and is no bad record: ``attrs["unknown_records"]`` counts
    them and ``attrs["first_unknown"]`` is the first, (record, offset,
    identifier), or None. Raises FileNotFoundError for a missing file, ValueError for
    a bad option or layout (or an integer out of its range), RecordError for a bad
    record that max_errors does not allow, TypeError for an unknown keyword (those
    of pandas' readers are told lyra's: ``usecols`` is ``columns``, ``nrows``
    ``limit``, ``encoding`` ``code_page``) and for data of another type. The
    rejects file may be no input of the reading (ValueError) and is put in place
    when reading ends, also at a RecordError, but not at another exception.
    """
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
    if settings.max_tree_bytes is not None:
        raise ValueError("max_tree_bytes applies to lyra.open(nested=True, child=...)")
    return read_frame(path, settings)


def read_frame(data, settings, read_ahead=True, batch_records=BATCH_RECORDS):
    """read_pandas with its settings made (see _options.settings) of the data (a file
    name, an open binary file or bytes); read_ahead and batch_records as read_batches
    takes them. With every layout's records, a dict of frames by layout identifier."""
    if settings.all_layouts:
        return read_layout_frames(data, settings, batch_records)
    data = Data(data)
    native = _native.open_native(data, settings)
    description = native.describe()
    # One record more than expected: the read that finds the end needs room for one.
    capacity = expected_records(data.size, settings, native.record_length()) + 1
    targets = Targets(description, settings.decimal, capacity, settings.with_position)
    collected = Collected(description, targets)
    batch_records = bounded_batch(description, settings.decimal, batch_records)
    with _native.open_rejects(native, data, settings) as rejects_file:
        read_batches(native, settings, collected, rejects_file, batch_records, read_ahead)
    return frame_of(collected, settings)


def layout_ids(settings):
    """The identifier of each layout, as given."""
    return [identifier for _, _, identifier in settings.layouts]


def read_layout_frames(data, settings, batch_records=BATCH_RECORDS):
    """The records of every layout of the data, a frame per layout by its identifier:
    each with _record and _parent first with child layouts."""
    data = Data(data)
    native = _native.open_native(data, settings)
    descriptions = native.describe_layouts(_native.layout_columns(native, settings),
                                           settings.decimal, settings.strip)
    batch = min(bounded_batch(description, settings.decimal, batch_records)
                for description in descriptions)
    collected = [Collected(description, Targets(description, settings.decimal, batch, True,
                                                bool(settings.children)))
                 for description in descriptions]
    with _native.open_rejects(native, data, settings) as rejects_file:
        read = 0
        while settings.limit is None or read < settings.limit:
            size = batch if settings.limit is None else min(batch, settings.limit - read)
            count, counts, failure, unknown = native.read_layouts(size)
            read += count
            for layout, (gathered, got) in enumerate(zip(collected, counts)):
                _take_layout(native, layout, gathered, got, unknown)
            _take_rejects(native, rejects_file, collected, failure)
            if count < size:
                break
    return {identifier: frame_of(gathered, settings)
            for identifier, gathered in zip(layout_ids(settings), collected)}


def _take_layout(native, layout, collected, count, unknown):
    """The count records read of the layout into its targets."""
    collected.note_unknown(unknown)
    if count == 0:
        return
    targets = collected.targets
    while targets.capacity - collected.count < count:
        targets.grow()
    _, errors = native.fill_layout(layout, targets.columns, targets.numbers, targets.offsets,
                                   targets.parents, collected.count)
    collected.count += count
    collected.errors = [a + b for a, b in zip(collected.errors, errors)]
