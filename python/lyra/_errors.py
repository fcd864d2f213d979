"""The exception of a record that cannot be read or written."""


class RecordError(ValueError):
    """A record that reading or writing stopped at.

    Reading: a bad descriptor word, a record cut short, a repetition count out of
    range, a record of no known layout; ``record`` is its number in the file (from 1;
    None where it cannot be known), ``offset`` the byte offset where it starts.
    Writing: a value that does not fit its field; ``record`` is the row (from 1),
    ``column`` the column's name (None for the whole record), ``value`` the value as
    text, and ``offset`` None. ``reason`` is lyra's message.
    """

    def __init__(self, record, offset, reason, column=None, value=None):
        record = record if record is not None and record >= 0 else None
        where = "record %d" % record if record is not None else "a record"
        if offset is not None:
            where += " at byte offset %d" % offset
        if column is not None:
            where += ", column %s, value %r" % (column, value)
        super().__init__("%s: %s" % (where, reason))
        self.record = record
        self.offset = offset
        self.reason = reason
        self.column = column
        self.value = value

    def __reduce__(self):
        # Made again from its parts where it is unpickled (a Dask worker's error).
        return (RecordError, (self.record, self.offset, self.reason, self.column, self.value))
