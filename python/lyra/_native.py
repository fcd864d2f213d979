"""Readers of the binding (lyra._lyra.Reader) set up as Settings ask."""

import errno
import os

from . import _lyra, _rejects


def check_file(path, what="data file"):
    """Raises FileNotFoundError for a file that is not there."""
    if not os.path.exists(path):
        raise FileNotFoundError(errno.ENOENT, "no such %s" % what, path)


def prepare(settings):
    """A binding reader with the layouts, identifier field and segments of the
    settings, its batch set to the columns asked for; no data file is open."""
    for path in settings.paths():
        check_file(path, "layout file")
    native = _lyra.Reader()
    native.set_layout_options(settings.layout_options)
    if settings.id_field is not None:
        native.set_identifier_field(*settings.id_field)
    for index, (path, xml, identifier) in enumerate(settings.layouts):
        native.add_layout(path, xml, identifier, index == settings.active)
    for item, identifier in settings.segments:
        native.add_segment(item, identifier)
    names = native.column_names()
    if not names:
        raise ValueError("%s: the layout has no fields" % settings.layouts[settings.active][0])
    native.set_columns(_indexes(names, settings.columns), settings.decimal, settings.strip)
    return native


def open_native(path, settings):
    """A prepared binding reader with the data file open."""
    path = os.fspath(path)
    check_file(path)
    native = prepare(settings)
    native.open(path, settings.read_options)
    return native


def open_rejects(native, path, settings):
    """The rejects file of the settings, open; it may be none of the files the reading
    reads: the data file at path and every file a layout was read from."""
    layout_files = [os.fsdecode(name) for name in native.layout_files()]
    inputs = _rejects.input_stats([path] + layout_files)
    return _rejects.open_rejects(settings.rejects, inputs)


def _indexes(names, columns):
    if columns is None:
        return None
    where = {name: index for index, name in enumerate(names)}
    for name in columns:
        if name not in where:
            raise ValueError("no column is named %r" % name)
    return [where[name] for name in columns]
