"""read_pandas: the records of a data file as a pandas DataFrame.

The binding reads batches of records as numpy arrays, one per column (see
py_columns.h); the arrays of all batches are joined into the frame's columns, typed
by the columns' kinds.
"""

import numpy as np
import pandas as pd

from . import _native, _options
from ._errors import RecordError
from ._rejects import RejectsFile

BATCH_RECORDS = 65536

# The dtype of each kind's joined values; object for exact decimals and text.
KIND_DTYPES = {
    "integer": np.int64,
    "unsigned": np.uint64,
    "decimal": np.float64,
    "big_decimal": object,
    "float": np.float64,
    "text": object,
}


class Collected:
    """What the batches of one reading held, column by column."""

    def __init__(self, description):
        self.description = description  # (name, kind, digits, fraction digits) each
        self.chunks = [[] for _ in description]
        self.numbers = []
        self.offsets = []
        self.errors = [0] * len(description)
        self.rejects = []  # (record, offset, length, reason) each


def read_batches(native, settings, collected, batch_records=BATCH_RECORDS):
    """Reads every record (up to settings.limit) into collected; raises RecordError at
    a record reading stops at."""
    remaining = settings.limit
    with RejectsFile(settings.rejects) as rejects_file:
        while remaining is None or remaining > 0:
            size = batch_records if remaining is None else min(batch_records, remaining)
            arrays, numbers, offsets, errors, failure = native.read(size)
            for chunks, array in zip(collected.chunks, arrays):
                chunks.append(array)
            collected.numbers.append(numbers)
            collected.offsets.append(offsets)
            collected.errors = [a + b for a, b in zip(collected.errors, errors)]
            rejects = native.take_rejects()
            rejects_file.write(rejects)
            collected.rejects.extend(
                (record if record >= 0 else None, offset, length, reason)
                for record, offset, length, reason, _ in rejects)
            if failure is not None:
                message, record, offset = failure
                raise RecordError(record, offset, message)
            if len(numbers) < size:
                break
            if remaining is not None:
                remaining -= len(numbers)


def _join(arrays, dtype):
    if not arrays:
        return np.empty(0, dtype=dtype)
    return arrays[0] if len(arrays) == 1 else np.concatenate(arrays)


def column_values(kind, chunks, decimal):
    """One column's values from its batches' arrays."""
    if kind in ("integer", "unsigned"):
        values = _join([values for values, _ in chunks], KIND_DTYPES[kind])
        mask = _join([mask for _, mask in chunks], np.bool_)
        return pd.arrays.IntegerArray(values, mask)
    dtype = object if kind == "decimal" and decimal else KIND_DTYPES[kind]
    return _join(chunks, dtype)


def frame_of(collected, settings):
    columns = {}
    if settings.with_position:
        numbers = _join(collected.numbers, np.int64)
        columns["_record"] = pd.arrays.IntegerArray(numbers, numbers < 0)
        columns["_offset"] = _join(collected.offsets, np.int64)
    for (name, kind, _, _), chunks in zip(collected.description, collected.chunks):
        columns[name] = column_values(kind, chunks, settings.decimal)
    frame = pd.DataFrame(columns, copy=False)
    frame.attrs["errors"] = {name: count for (name, _, _, _), count
                             in zip(collected.description, collected.errors)}
    frame.attrs["rejects"] = collected.rejects
    return frame


def read_pandas(path, copybook=None, copybooks=None, layouts=None, id_field=None, active=None,
                **options):
    """The records of the data file at path as a pandas DataFrame.

    The layouts: one copybook as ``copybook="rec.cpy"``, several as
    ``copybooks={"H": "hdr.cpy", "D": "det.cpy"}`` (record identifiers to copybooks,
    the tool's ``-c FILE=ID``), XML layout documents as ``layouts={...}`` (the
    tool's ``-x``); with several, ``id_field="0:PIC X(2)"`` says where the
    identifier is and ``active`` whose records to read (the first layout's by
    default). Every other option of ``lyra read`` is a keyword with its name and
    default: ``record_format="layout"``, ``record_length``, ``skip``, ``range``,
    ``code_page``, ``float_format``, ``zero_bytes``, ``max_errors``, ``rejects``,
    ``with_position`` and the others (see the README). Besides them:
    ``columns`` (names, in the order wanted), ``strip=True`` (text loses its
    trailing blanks), ``decimal=False`` (True: numbers with digits after the
    point are exact ``decimal.Decimal`` values), ``limit`` (at most so many
    records).

    Columns are typed by their pictures: integers of up to 18 digits are
    ``Int64`` (unsigned binary items of 8 bytes ``UInt64``), numbers with digits
    after the point ``float64``, longer numbers ``decimal.Decimal``, floats
    ``float64``, text ``str``. Missing values and undecodable ones are null;
    ``attrs["errors"]`` counts the undecodable ones per column and
    ``attrs["rejects"]`` lists the bad records passed over (record, offset,
    length, reason). Raises FileNotFoundError for a missing file, ValueError for
    a bad option or layout, RecordError for a bad record that max_errors does not
    allow.
    """
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
    native = _native.open_native(path, settings)
    collected = Collected(native.describe())
    read_batches(native, settings, collected)
    return frame_of(collected, settings)
