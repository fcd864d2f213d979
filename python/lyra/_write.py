"""write_records: a pandas DataFrame written as the records of a layout.

Each column of the frame goes to the binding whole, as numpy arrays (integers,
floats, or texts as UTF-8 bytes with offsets), and the binding writes the records
through lyra's column-batch side: no value is handled one by one in Python but for
text, Decimal and other objects, which become their text.
"""

import decimal
import math
import operator
import os

import numpy as np

from . import _lyra, _options
from ._data import check_file
from ._errors import RecordError
from ._options import CopybookText

# Options only writing has: keyword and default.
WRITE_DEFAULTS = {
    "block_size": 32760,
    "overpunch_signs": False,
    "binary_full_range": False,
}

# Keywords of read_pandas that say how to read, not how to write.
READING_ONLY = ("skip", "range", "first_record", "rejects", "with_position", "columns",
                "strip", "decimal", "limit")

LAYOUT_KEY = "_layout"
IGNORED_KEYS = ("_record", "_offset")  # what read_pandas(with_position=True) adds
MAX_BLOCK_SIZE = 2**31 - 1
MIN_BLOCK_SIZE = 9  # a block word and a record of one byte behind its word


def write_records(frame, path, copybook=None, copybooks=None, layouts=None, id_field=None,
                  active=None, **options):
    """Writes the rows of a pandas DataFrame to the file at path as the records of a
    layout, and returns how many were written.

    The layouts and options have read_pandas's keywords: ``copybook=`` (or
    ``copybook_text=``, ``copybooks=``, ``layouts=`` with ``id_field`` and
    ``active``), ``record_format``, ``record_length``, ``rdw_little_endian``,
    ``rdw_excludes_header``, ``bdw_excludes_header``, ``code_page`` (the mixed pages of
    double-byte text too), ``ebcdic``, ``comp5_little_endian``, ``binary_little_endian``,
    ``zero_bytes``, ``float_format``, ``national_utf16``, ``segment``, ``max_errors`` and the
    copybook dialect's; besides them ``block_size`` (vb, vbs: the most bytes of a block;
    vs: of a segment; 32760), ``overpunch_signs`` and ``binary_full_range``, as ``lyra write`` takes
    them. Those only reading has (``skip``, ``range``, ``columns``, ...) are refused.

    Columns are named as read_pandas names them; ``_record`` and ``_offset`` are
    ignored, and with several layouts ``_layout`` names each row's layout (the active
    one where it is null or absent). Values: the dtypes read_pandas gives (Int64,
    UInt64, float64, str, Decimal) and plain int, float, str and Decimal; a null value
    (None, NaN, pd.NA) takes its field's default, blanks for text and zero for
    numbers. A value that does not fit its field raises RecordError, with ``record``
    (the row, from 1), ``column``, ``value`` and ``reason``, and the file stays as it
    was, unless ``max_errors`` (a number or "all") lets the row be passed over. The
    file is written aside and put in place at the end.
    """
    options = dict(options)
    write = {name: options.pop(name, default) for name, default in WRITE_DEFAULTS.items()}
    for name in READING_ONLY:
        if name in options:
            raise TypeError("unexpected keyword argument %r: it says how to read, not how to "
                            "write" % name)
    max_errors = options.pop("max_errors", 0)
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
    write_options = dict(settings.read_options, **_write_options(write))
    write_options["max_errors"] = -1 if max_errors == "all" else _options.integer(
        max_errors, "max_errors", also=", or 'all'")
    writer, names = _prepare(settings)
    rows = _layout_of_rows(frame, settings, len(names))
    columns = _columns(frame, names)
    path = os.fspath(path)
    writer.open(path, write_options)
    written = 0
    start = 0
    while start < len(frame):
        layout = rows[start]
        end = start + 1
        while end < len(frame) and rows[end] == layout:
            end += 1
        count, failure = writer.write_batch(layout, _slices(columns, layout, start, end),
                                            end - start)
        written += count
        if failure is not None:
            record, column, value, reason = failure
            raise RecordError(record, None, reason,
                              column=None if column is None else column.decode("latin-1"),
                              value=value.decode("utf-8", "replace"))
        start = end
    writer.close()
    return written


def _write_options(write):
    for name in ("overpunch_signs", "binary_full_range"):
        if not isinstance(write[name], bool):
            raise ValueError("%s must be True or False, not %s"
                             % (name, _options.shown(write[name])))
    write["block_size"] = _options.integer(write["block_size"], "block_size", MIN_BLOCK_SIZE,
                                           MAX_BLOCK_SIZE)
    return write


def _prepare(settings):
    """A binding writer with the settings' layouts; the names of each layout's columns."""
    for source in settings.paths():
        check_file(source, "layout file")
    writer = _lyra.Writer()
    writer.set_layout_options(settings.layout_options)
    for index, (source, xml, identifier) in enumerate(settings.layouts):
        if isinstance(source, CopybookText):
            writer.add_layout_text(source.data, source.label(identifier), identifier,
                                   index == settings.active)
        else:
            writer.add_layout(source, xml, identifier, index == settings.active)
    if settings.id_field is not None:
        writer.set_identifier_field(*settings.id_field)
    for item, identifier in settings.segments:
        writer.add_segment(item, identifier)
    names = [[name.decode("latin-1") for name in writer.column_names(layout)]
             for layout in range(len(settings.layouts))]
    return writer, names


def _layout_of_rows(frame, settings, count):
    """Each row's layout index: the one its _layout names, else the active one."""
    rows = np.full(len(frame), settings.active, dtype=np.int64)
    if LAYOUT_KEY not in frame.columns or count == 1:
        return rows
    ids = {identifier.strip().upper(): index
           for index, (_, _, identifier) in enumerate(settings.layouts)}
    for row, value in enumerate(frame[LAYOUT_KEY].tolist()):
        if _is_null(value):
            continue
        key = str(value).strip().upper()
        if key not in ids:
            raise RecordError(row + 1, None, "no layout has the record identifier %r" % value,
                              column=LAYOUT_KEY, value=str(value))
        rows[row] = ids[key]
    return rows


def _columns(frame, names):
    """The frame's columns as arrays, each with its column in every layout (-1: none)."""
    unknown = [str(name) for name in frame.columns
               if name != LAYOUT_KEY and name not in IGNORED_KEYS
               and not any(name in layout for layout in names)]
    if unknown:
        raise ValueError("the layout has no columns %s" % ", ".join(unknown))
    columns = []
    for name in frame.columns:
        if name == LAYOUT_KEY or name in IGNORED_KEYS:
            continue
        indexes = [layout.index(name) if name in layout else -1 for layout in names]
        columns.append((name, indexes, _arrays(frame[name])))
    return columns


def _slices(columns, layout, start, end):
    """The binding's columns of rows start to end of one layout."""
    given = []
    for name, indexes, (kind, values, validity, offsets) in columns:
        index = indexes[layout]
        part = None if validity is None else validity[start:end]
        if index < 0:
            if part is None or part.any():
                raise ValueError("column %s is no column of the layout of rows %d to %d"
                                 % (name, start + 1, end))
            continue
        if kind == "text":
            given.append((index, kind, values, part, offsets[start:end + 1]))
        else:
            given.append((index, kind, values[start:end], part, None))
    return given


def _is_null(value):
    if value is None or value is _pandas().NA:
        return True
    return isinstance(value, (float, np.floating)) and math.isnan(value)


def _pandas():
    import pandas as pd  # a frame was given: pandas is there
    return pd


def _arrays(series):
    """A column as (kind, values, validity or None, offsets or None): integer, unsigned,
    real or text."""
    pd = _pandas()
    dtype = series.dtype
    types = pd.api.types
    if types.is_bool_dtype(dtype):
        raise TypeError("column %s holds True and False, which are neither text nor numbers"
                        % series.name)
    if types.is_datetime64_any_dtype(dtype) or types.is_timedelta64_dtype(dtype):
        raise TypeError("column %s holds times: give them as text or numbers" % series.name)
    missing = series.isna().to_numpy()
    validity = (~missing).astype(np.uint8) if missing.any() else None
    if types.is_integer_dtype(dtype):
        unsigned = types.is_unsigned_integer_dtype(dtype) and np.dtype(
            getattr(dtype, "numpy_dtype", dtype)).itemsize == 8
        target = np.uint64 if unsigned else np.int64
        values = np.ascontiguousarray(series.to_numpy(dtype=target, na_value=0))
        return ("unsigned" if unsigned else "integer"), values, validity, None
    if types.is_float_dtype(dtype):
        values = np.ascontiguousarray(series.to_numpy(dtype=np.float64, na_value=np.nan))
        return "real", values, validity, None
    return _texts(series)


def _texts(series):
    """Values of any kind as UTF-8 texts: str as it is, numbers as their shortest text."""
    parts = []
    offsets = np.zeros(len(series) + 1, dtype=np.int64)
    validity = np.ones(len(series), dtype=np.uint8)
    at = 0
    for row, value in enumerate(series.tolist()):
        if _is_null(value) or (isinstance(value, decimal.Decimal) and value.is_nan()):
            validity[row] = 0
        else:
            text = _text(value, series.name).encode("utf-8")
            parts.append(text)
            at += len(text)
        offsets[row + 1] = at
    data = np.frombuffer(b"".join(parts), dtype=np.uint8) if parts else np.zeros(1, np.uint8)
    return "text", data, (None if validity.all() else validity), offsets


def _text(value, name):
    if isinstance(value, str):
        return value
    if isinstance(value, (bool, np.bool_)):
        raise TypeError("column %s holds True or False, which is neither text nor a number"
                        % name)
    if isinstance(value, (int, np.integer)):
        return str(operator.index(value))
    if isinstance(value, (float, np.floating)):
        return repr(float(value))
    if isinstance(value, decimal.Decimal):
        return str(value)
    raise TypeError("column %s holds %s, which is neither text nor a number"
                    % (name, type(value).__name__))
