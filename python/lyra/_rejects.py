"""The rejects file: the bytes of each bad record reading passed over, one after
another, and beside it (its name and ".jsonl") a JSON line about each, as the
``lyra read --rejects`` tool writes them.

Both files are written as the tool writes them: a new file, or an existing regular
one, as a temporary file in the same folder, renamed into place at the end with the
permissions a new file gets or those of the file it replaces; until then, and for
good when reading fails otherwise than at a bad record, the named files stay as they
were. Any other kind of file (a device, a pipe) is written directly. Neither file may
be an input of the reading, nor may the two be one file.
"""

import errno
import json
import os
import secrets
import stat

from ._errors import RecordError

TEMPORARY_PREFIX = ".lyra-"  # in the folder of the output, as the tool names them
CREATE_MODE = 0o666  # what a plain create asks for; the umask applies
TEMPORARY_TRIES = 100


def open_rejects(path, inputs):
    """An open RejectsFile for path (None: for none), which must be none of the inputs,
    (name, os.stat_result) each."""
    if path is not None:
        check_outputs(path, inputs)
    return RejectsFile(path).open()


def notes_path(path):
    """The file of the JSON lines that go with the rejects file at path."""
    return path + ".jsonl"


def check_outputs(rejects, inputs):
    """Raises ValueError, in the tool's words, when the rejects file or its notes would
    overwrite an input, or name one file. inputs: (name, os.stat_result) each."""
    outputs = [rejects, notes_path(rejects)]
    for output in outputs:
        for name, info in inputs:
            if _is_file(output, info):
                raise ValueError("rejects '%s' would overwrite the input file '%s'"
                                 % (output, name))
    if _is_file(outputs[1], _stat(outputs[0])):
        raise ValueError("rejects '%s' and rejects '%s' name one file" % (outputs[1], outputs[0]))


def _stat(path):
    try:
        return os.stat(path)
    except (OSError, ValueError):
        return None


def _is_file(path, info):
    """Whether path names the existing file info describes (the same device and inode)."""
    mine = _stat(path)
    return (mine is not None and info is not None
            and (mine.st_dev, mine.st_ino) == (info.st_dev, info.st_ino))


def input_stats(names):
    """(name, os.stat_result) of each named file that exists."""
    stats = [(name, _stat(name)) for name in names]
    return [(name, info) for name, info in stats if info is not None]


class OutputFile:
    """One output, written as the module's opening comment says."""

    def __init__(self, path):
        self.path = path
        self.stream = None
        self._target = None  # the file renamed over: the path, or where its links lead
        self._temporary = None  # None when writing directly or once committed

    def open(self):
        info = _stat(self.path)
        if info is not None and not stat.S_ISREG(info.st_mode):
            self.stream = open(self.path, "wb")
            return
        self._target = os.path.realpath(self.path) if info is not None else self.path
        descriptor = self._create(os.path.dirname(self._target) or ".")
        try:
            if info is not None:
                os.fchmod(descriptor, stat.S_IMODE(info.st_mode))
            self.stream = os.fdopen(descriptor, "wb")
        except BaseException:
            os.close(descriptor)
            self.discard()
            raise

    def _create(self, folder):
        """A new temporary file in folder, open for writing; its name in _temporary."""
        for _ in range(TEMPORARY_TRIES):
            name = os.path.join(folder, TEMPORARY_PREFIX + secrets.token_hex(3))
            try:
                descriptor = os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC,
                                     CREATE_MODE)
            except FileExistsError:
                continue
            except OSError as error:
                raise type(error)(error.errno, "cannot create %s: %s"
                                  % (self.path, error.strerror), self.path) from None
            self._temporary = name
            return descriptor
        raise FileExistsError(errno.EEXIST, "cannot create %s: no free temporary name"
                              % self.path, self.path)

    def commit(self):
        """Writes out what is buffered and puts the file in place; on a failure the
        temporary file is removed and the OSError raised."""
        try:
            self.stream.close()
            if self._temporary is not None:
                os.replace(self._temporary, self._target)
                self._temporary = None
        finally:
            self.discard()

    def discard(self):
        """Closes the file and removes the temporary file, if any; the named file stays."""
        if self.stream is not None:
            try:
                self.stream.close()
            except OSError:
                pass  # what it held is not kept anyway
            self.stream = None
        if self._temporary is not None:
            try:
                os.unlink(self._temporary)
            except OSError:
                pass
            self._temporary = None


class RejectsFile:
    """Writes the rejects of a reading to path and path + ".jsonl"; with no path, to
    nowhere. As a context manager it puts them in place when the block ends normally
    or with a RecordError (the records passed over before it stay told), and leaves
    the named files as they were on any other exception."""

    def __init__(self, path):
        self._files = [] if path is None else [OutputFile(path), OutputFile(notes_path(path))]

    def open(self):
        try:
            for output in self._files:
                output.open()
        except BaseException:
            self.discard()
            raise
        return self

    def __enter__(self):
        return self

    def __exit__(self, kind, value, traceback):
        if kind is None or issubclass(kind, RecordError):
            self.commit()
        else:
            self.discard()
        return False

    def write(self, rejects):
        """Writes (record, offset, length, reason, bytes) tuples."""
        if not self._files:
            return
        data, notes = (output.stream for output in self._files)
        for record, offset, length, reason, record_bytes in rejects:
            data.write(record_bytes)
            note = {"record": record if record >= 0 else None, "offset": offset,
                    "length": length, "reason": reason}
            notes.write(json.dumps(note, ensure_ascii=False).encode("utf-8") + b"\n")

    def commit(self):
        """Puts both files in place, one after the other (see OutputFile.commit)."""
        try:
            for output in self._files:
                output.commit()
        finally:
            self.discard()

    def discard(self):
        for output in self._files:
            output.discard()
        self._files = []
