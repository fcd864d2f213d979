"""lyra.Layout: a copybook or an XML layout document, and the columns it gives."""

import os

from . import _lyra, _options
from ._data import check_file


class Layout:
    """The layout of a copybook or of an XML layout document, told apart by their
    content as the lyra tool does. Takes the layout options as keywords
    (float_format, national_utf16, strict, source_format, margin, copy_path).

    ``columns`` lists (name, type, length) of each output column, type "integer",
    "real" or "string"; ``record_length`` is the furthest byte its records reach;
    ``to_xml()`` gives the layout as an XML layout document. Raises
    FileNotFoundError for a missing file and ValueError for a layout that fails.
    """

    def __init__(self, path, **options):
        path = os.fspath(path)
        layout_options = _options.layout_options(options)
        check_file(path, "layout file")
        self._native = _lyra.Layout(path, layout_options)
        self.path = path

    @property
    def columns(self):
        return self._native.columns()

    @property
    def record_length(self):
        return self._native.record_length()

    def to_xml(self):
        return self._native.to_xml()

    def __repr__(self):
        return "lyra.Layout(%r)" % self.path
