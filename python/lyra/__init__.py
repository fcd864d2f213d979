"""lyra: records of mainframe data files, described by COBOL copybooks, in Python.

``read_pandas`` gives a file's records as a pandas DataFrame, ``open`` one record
at a time, ``Layout`` a copybook's columns; ``lyra.dask.read_dask`` reads a file
in byte ranges as the partitions of a Dask DataFrame; ``write_records`` writes a
DataFrame's rows as records. Bad records raise ``RecordError``. ``diagnose`` tells
how a file is laid out, ``verify`` checks every value of it.
"""

import importlib

from ._checks import diagnose, verify
from ._errors import RecordError
from ._frame import read_pandas
from ._layout import Layout
from ._options import CopybookText
from ._reader import Reader, open  # noqa: A001 (lyra.open is the reader's name)
from ._write import write_records

__all__ = ["CopybookText", "Layout", "Reader", "RecordError", "diagnose", "open", "read_pandas",
           "verify", "write_records"]
__version__ = "0.1.0"


def __getattr__(name):
    # lyra.dask is imported when first used, so that lyra needs no Dask otherwise.
    if name == "dask":
        return importlib.import_module(".dask", __name__)
    raise AttributeError("module 'lyra' has no attribute %r" % name)
