"""lyra.open: the records of a data file one at a time."""

import math
import weakref

from . import _native, _options
from ._data import Data
from ._errors import RecordError
from ._frame import Targets, bounded_batch, layout_ids, unknown_of

BATCH_RECORDS = 1024
SHAPED_RECORDS = 256  # records (or trees) made at a time of every layout, or nested


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

    def __init__(self, data, settings, as_dict, nested=False):
        data = Data(data)
        self._shaped = nested or settings.all_layouts
        judged = settings.read_options["max_errors"]
        if nested and settings.children:
            # The bad records of trees are judged here, the reader passing over all.
            settings.read_options = dict(settings.read_options, max_errors=-1)
        self._native = _native.open_native(data, settings)
        self._settings = settings
        self._as_dict = as_dict
        self._nested = nested
        self.layout = None
        self.parent = None
        if self._shaped:
            self._prepare_shaped(judged)
        else:
            self._description = self._native.describe()
            self.columns = [column[0] for column in self._description]
            self._batch = bounded_batch(self._description, settings.decimal, BATCH_RECORDS)
        self.errors = {} if self._shaped else {name: 0 for name in self.columns}
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

    def _prepare_shaped(self, judged):
        """Nested records, or every layout's: the layouts described, their names and links."""
        native, settings = self._native, self._settings
        columns = _native.layout_columns(native, settings)
        if self._nested:
            columns = [None] * len(columns)  # the walk leaves FILLER out itself
        descriptions = native.describe_layouts(columns, settings.decimal, settings.strip)
        self._ids = layout_ids(settings) if settings.all_layouts else [
            layout_ids(settings)[settings.active]]
        self._names = [[column[0] for column in description] for description in descriptions]
        self.columns = (dict(zip(self._ids, self._names)) if settings.all_layouts
                        else self._names[settings.active])
        self._batch = SHAPED_RECORDS if settings.limit is None else min(SHAPED_RECORDS,
                                                                         max(settings.limit, 1))
        if not self._nested:
            return
        records = []
        for layout in range(len(settings.layouts)):
            native.set_active_layout(layout)
            records.append(native.record_name().decode("latin-1"))
        upper = [identifier.upper() for identifier in layout_ids(settings)]
        children = [[] for _ in settings.layouts]
        for parent, child in settings.children:
            children[upper.index(parent.upper())].append(upper.index(child.upper()))
        native.set_nested({
            "ids": layout_ids(settings), "records": records, "children": children,
            "layout_key": settings.all_layouts, "with_position": settings.with_position,
            "max_tree_bytes": settings.max_tree_bytes or _options.DEFAULT_MAX_TREE_BYTES,
            "max_errors": judged})

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
        if self._shaped:
            return values
        if self._settings.with_position:
            values = (self.record, self.offset) + values
        if not self._as_dict:
            return values
        names = self.columns
        if self._settings.with_position:
            names = ["_record", "_offset"] + names
        return dict(zip(names, values))

    def _fill(self):
        if self._shaped:
            self._fill_shaped()
            return
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

    def _fill_shaped(self):
        """The next records (or trees), nested or flat, of every layout."""
        self._rows = []
        size = self._batch if self._left is None else min(self._batch, self._left)
        if size == 0:
            self._ended = True
            return
        if self._nested:
            items, failure, unknown, ended = self._native.read_nested(size)
            self._rows = [item for item, _, _ in items]
        else:
            rows, failure, unknown = self._native.read_rows(size)
            items = [(self._flat(*row), row[2], row[3]) for row in rows]
            self._rows = [item for item, _, _ in items]
            ended = len(rows) < size
        self._numbers = [number for _, number, _ in items]
        self._offsets = [offset for _, _, offset in items]
        self._next = 0
        self.unknown_records, self.first_unknown = unknown_of(unknown)
        self._take_rejects()
        if failure is not None:
            message, record, offset = failure
            self._failure = RecordError(record, offset, message)
        elif ended:
            self._ended = True
        if self._left is not None:
            self._left -= len(items)

    def _flat(self, layout, values, number, offset, parent):
        """A record of every layout's, its added values first: _layout, _record and
        _parent (with child layouts), _offset (with with_position)."""
        settings = self._settings
        self.layout = self._ids[layout]
        self.parent = parent if parent >= 0 else None
        names, added = ["_layout"], [self._ids[layout]]
        record = number if number >= 0 else None
        if settings.with_position or settings.children:
            names.append("_record")
            added.append(record)
        if settings.with_position:
            names.append("_offset")
            added.append(offset)
        if settings.children:
            names.append("_parent")
            added.append(self.parent)
        values = tuple(added) + values
        return dict(zip(names + self._names[layout], values)) if self._as_dict else values

    def _take_rejects(self):
        rejects = self._native.take_rejects()
        self._rejects_file.write(rejects)
        self.rejects.extend((record if record >= 0 else None, offset, length, reason)
                            for record, offset, length, reason, _ in rejects)

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
         as_dict=False, nested=False, **options):
    """A Reader of the records of the data at path: a file name, an open binary
    file or bytes, as :func:`lyra.read_pandas` takes them.

    Takes the layouts and options of :func:`lyra.read_pandas` (``copybook_text``
    too), with ``as_dict=True`` for dicts instead of tuples; its values are those
    of the frame's columns as Python objects (None for a null).

    With ``nested=True`` each record is a dict shaped as its copybook: a group a
    dict, an OCCURS a list (as long as its count says), FILLER items left out, as
    ``lyra read --format json-nested`` writes it; with ``child`` each item is a root
    record with its tree, each record's dict holding a list of its children per child
    layout, keyed by that layout's record name, and ``max_tree_bytes`` (64 MiB by
    default; each record's bytes and 64 per value) bounds a tree held: past it the
    root and every record of its tree are bad records. With ``all_layouts`` (or
    ``child``) without ``nested``, the records of every layout come in file order, each
    beginning with ``_layout`` (and ``_record`` and ``_parent`` with ``child``);
    ``reader.layout`` names the current record's layout and ``reader.columns`` maps
    each layout to its columns.
    """
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
    if not isinstance(nested, bool):
        raise ValueError("nested must be True or False, not %s" % _options.shown(nested))
    if settings.max_tree_bytes is not None and not (nested and settings.children):
        raise ValueError("max_tree_bytes applies to nested=True with child")
    return Reader(path, settings, as_dict, nested)
