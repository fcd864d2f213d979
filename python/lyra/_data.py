"""The data a reading reads: a data file by name, an open binary file, or bytes.

An open file is read from its position on, forward (a range needs a file name or
bytes). A plain file open for reading (as ``open(name, "rb")`` gives it, buffered
or not) is read through a descriptor of its own, opened again from the file's
(/proc/self/fd), so that it need not fit in memory and the file object is left as
it was. Any other binary file (a compressed file, a member of an archive, a
BytesIO, a pipe), and a plain one that cannot be opened again, is read to its end
into memory first. Bytes (bytes, bytearray, memoryview and any other contiguous
buffer of bytes) are read where they are: the reading holds a view of them, which
keeps a bytearray from changing size meanwhile. Offsets count from the first byte
read: the file's position, or the buffer's start.
"""

import errno
import io
import os
import stat

# File objects whose descriptor holds the very bytes they give.
BUFFERED_FILES = (io.BufferedReader, io.BufferedRandom)
TEXT_FILE = "the data file must be open in binary mode ('rb'): lyra reads bytes"


def check_file(path, what="data file"):
    """Raises FileNotFoundError for a file that is not there."""
    if not os.path.exists(path):
        raise FileNotFoundError(errno.ENOENT, "no such %s" % what, path)


class Data:
    """The input of one reading, from the value given for it; opened by open()."""

    def __init__(self, value):
        self.path = None  # a data file by name
        self.memory = None  # a view of the bytes read from memory
        self.file = None  # an open file, read when opened
        self.name = None  # the data file's name, where it has one
        self.info = None  # os.stat_result of the data file, where it is one (once open)
        self.size = 0  # the bytes there are to read, once open
        if isinstance(value, (str, os.PathLike)):
            self.path = self.name = os.fspath(value)
        elif hasattr(value, "read"):
            self._take_file(value)
        else:
            self.memory = bytes_of(value)

    @property
    def seeks(self):
        """Whether a range can be read: not of an open file, read forward."""
        return self.file is None

    def _take_file(self, file):
        if isinstance(file, io.TextIOBase):
            raise TypeError(TEXT_FILE)
        name = getattr(file, "name", None)
        self.name = name if isinstance(name, str) else None
        self.info = _file_info(file)
        self.file = file

    def open(self, native, read_options):
        """Opens the data in the binding reader native."""
        if self.path is not None:
            native.open(self.path, read_options)
            self.info = os.stat(self.path)
            self.size = self.info.st_size
            return
        if self.file is not None and _is_plain(self.file, self.info):
            position = self.file.tell()
            descriptor = _reopened(self.file, position)
            if descriptor is not None:
                self.size = max(self.info.st_size - position, 0)
                native.open_descriptor(descriptor, read_options)  # which takes it over
                return
        if self.file is not None:
            data = self.file.read()
            if not isinstance(data, (bytes, bytearray)):
                raise TypeError(TEXT_FILE)
            self.memory = memoryview(data)
        native.open_memory(self.memory, read_options)
        self.size = len(self.memory)


def bytes_of(value):
    """A view of value's bytes; TypeError for anything else than a contiguous buffer."""
    try:
        view = memoryview(value)
    except TypeError:
        raise TypeError("the data must be a file name, an open binary file or bytes, not %s"
                        % type(value).__name__) from None
    if not view.c_contiguous:
        raise TypeError("the data must be contiguous bytes")
    return view.cast("B") if view.format != "B" or view.ndim != 1 else view


def _file_info(file):
    """os.stat_result of the file's descriptor; None where it has none."""
    try:
        return os.fstat(file.fileno())
    except (AttributeError, OSError, ValueError):  # io.UnsupportedOperation is an OSError
        return None


def _reopened(file, position):
    """A descriptor of the file's own, at position; None where it cannot be opened."""
    try:
        descriptor = os.open("/proc/self/fd/%d" % file.fileno(), os.O_RDONLY | os.O_CLOEXEC)
    except OSError:
        return None
    try:
        os.lseek(descriptor, position, os.SEEK_SET)
    except OSError:
        os.close(descriptor)
        return None
    return descriptor


def _is_plain(file, info):
    """Whether file is a regular file open for reading whose descriptor gives its bytes."""
    raw = file.raw if isinstance(file, BUFFERED_FILES) else file
    return (isinstance(raw, io.FileIO) and info is not None and stat.S_ISREG(info.st_mode)
            and file.readable() and file.seekable())
