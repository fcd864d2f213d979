"""lyra.open: the records of a data file one at a time."""

import math
import weakref

from . import _native, _options
from ._data import Data
from ._errors import RecordError
from ._frame import Targets, bounded_batch, unknown_of

BATCH_RECORDS = 1024


def _values(kind, column, count):
    """The first count values of a column's target as Python values, None for none."""
    if kind in ("integer", "unsigned"):
        values, mask = column
        return [None if missing else value
                for value, missing in zip(values[:count].tolist(), mask[:count].tolist())]
    values = column[:count].tolist()
    if column.dtype.kind == "f":  # NaN stands for a value that is none
        return [None if math.isnan(value) else value for value in values]
    return values


class Reader:
    """An iterator over the records of the active layout: each a tuple of its
    values in column order or, with ``as_dict``, a dict by column name; with
    ``with_position``, the record's number and offset come first (``_record`` and
    ``_offset``). ``record`` and ``offset`` say where the current record is;
    ``columns`` names the columns; ``errors`` counts the undecodable values per
    column so far and ``rejects`` lists the bad records passed over (also written
    to the rejects file, when one is given); ``unknown_records`` counts the records
    of no layout stepped over (with several layouts, a record whose identifier
    matches none of them, where the record format finds its end) and
    ``first_unknown`` is the first of them, (record, offset, identifier), or None;
    both as far as reading has gone, which is a batch of records ahead of the
    iteration.

    Made by :func:`lyra.open`. Use it as a context manager, or call ``close``, to
    let the data file go and put the rejects file in place: that happens when
    iteration ends (a RecordError included) and when ``close`` is called or the
    ``with`` block ends, but not when it ends with another exception, nor when the
    reader is collected unclosed; then the rejects file stays as it was.
    """

    def __init__(self, data, settings, as_dict):
        data = Data(data)
        self._native = _native.open_native(data, settings)
        self._description = self._native.describe()
        self._settings = settings
        self._as_dict = as_dict
        self.columns = [column[0] for column in self._description]
        self._batch = bounded_batch(self._description, settings.decimal, BATCH_RECORDS)
        self.errors = {name: 0 for name in self.columns}
        self.rejects = []
        self.unknown_records = 0
        self.first_unknown = None
        self.record = None
        self.offset = None
        self._rows = []
        self._numbers = []
        self._offsets = []
        self._next = 0
        self._left = settings.limit
        self._failure = None
        self._ended = False
        self._rejects_file = _native.open_rejects(self._native, data, settings)
        weakref.finalize(self, self._rejects_file.discard)

    def __iter__(self):
        return self

    def __next__(self):
        while self._next >= len(self._rows):
            if self._failure is not None:
                failure, self._failure = self._failure, None
                self.close()
                raise failure
            if self._ended or self._native is None:
                self.close()
                raise StopIteration
            self._fill()
        index = self._next
        self._next += 1
        number = self._numbers[index]
        self.record = number if number >= 0 else None
        self.offset = self._offsets[index]
        values = self._rows[index]
        if self._settings.with_position:
            values = (self.record, self.offset) + values
        if not self._as_dict:
            return values
        names = self.columns
        if self._settings.with_position:
            names = ["_record", "_offset"] + names
        return dict(zip(names, values))

    def _fill(self):
        self._rows = []  # the last batch's values go before the next batch's are made
        batch = self._batch
        size = batch if self._left is None else min(batch, self._left)
        if size == 0:
            self._ended = True
            return
        ahead = batch if self._left is None else min(batch, self._left - size)
        targets = Targets(self._description, self._settings.decimal, size)
        count, errors, failure, unknown = self._native.read_into(
            targets.columns, targets.numbers, targets.offsets, 0, size, ahead)
        self.unknown_records, self.first_unknown = unknown_of(unknown)
        columns = [_values(kind, column, count)
                   for kind, column in zip(targets.kinds, targets.columns)]
        self._rows = list(zip(*columns))
        self._numbers = targets.numbers[:count].tolist()
        self._offsets = targets.offsets[:count].tolist()
        self._next = 0
        for name, errors_of_column in zip(self.columns, errors):
            self.errors[name] += errors_of_column
        rejects = self._native.take_rejects()
        self._rejects_file.write(rejects)
        self.rejects.extend((record if record >= 0 else None, offset, length, reason)
                            for record, offset, length, reason, _ in rejects)
        if failure is not None:
            message, record, offset = failure
            self._failure = RecordError(record, offset, message)
        elif count < size:
            self._ended = True
        if self._left is not None:
            self._left -= count

    def close(self):
        """Lets the data file and the layouts go and puts the rejects file in place;
        iteration ends."""
        self._native = None
        self._rows = []
        self._rejects_file.commit()

    def __enter__(self):
        return self

    def __exit__(self, kind, value, traceback):
        if kind is not None and not issubclass(kind, RecordError):
            self._rejects_file.discard()
        self.close()
        return False


def open(path, copybook=None, copybooks=None, layouts=None, id_field=None, active=None,
         as_dict=False, **options):
    """A Reader of the records of the data at path: a file name, an open binary
    file or bytes, as :func:`lyra.read_pandas` takes them.

    Takes the layouts and options of :func:`lyra.read_pandas` (``copybook_text``
    too), with ``as_dict=True`` for dicts instead of tuples; its values are those
    of the frame's columns as Python objects (None for a null).
    """
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
    return Reader(path, settings, as_dict)
