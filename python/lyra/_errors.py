"""The exception of a record that cannot be read."""


class RecordError(ValueError):
    """A record that reading stopped at: a bad descriptor word, a record cut short,
    a repetition count out of range, a record of no known layout.

    ``record`` is its number in the file (from 1; None where it cannot be known),
    ``offset`` the byte offset where it starts, ``reason`` lyra's message.
    """

    def __init__(self, record, offset, reason):
        record = record if record is not None and record >= 0 else None
        where = "record %d" % record if record is not None else "a record"
        super().__init__("%s at byte offset %d: %s" % (where, offset, reason))
        self.record = record
        self.offset = offset
        self.reason = reason

    def __reduce__(self):
        # Made again from its parts where it is unpickled (a Dask worker's error).
        return (RecordError, (self.record, self.offset, self.reason))
