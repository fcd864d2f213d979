"""The rejects file: the bytes of each bad record reading passed over, one after
another, and beside it (its name and ".jsonl") a JSON line about each, as the
``lyra read --rejects`` tool writes them."""

import json


class RejectsFile:
    """Writes the rejects of a reading to path and path + ".jsonl"; with no path, to
    nowhere. Use it as a context manager."""

    def __init__(self, path):
        self._path = path
        self._bytes = None
        self._notes = None

    def __enter__(self):
        if self._path is not None:
            self._bytes = open(self._path, "wb")
            self._notes = open(self._path + ".jsonl", "w", encoding="utf-8")
        return self

    def __exit__(self, *exc):
        for stream in (self._bytes, self._notes):
            if stream is not None:
                stream.close()
        return False

    def write(self, rejects):
        """Writes (record, offset, length, reason, bytes) tuples."""
        if self._bytes is None:
            return
        for record, offset, length, reason, data in rejects:
            self._bytes.write(data)
            note = {"record": record if record >= 0 else None, "offset": offset,
                    "length": length, "reason": reason}
            self._notes.write(json.dumps(note, ensure_ascii=False) + "\n")
