"""Readers of the binding (lyra._lyra.Reader) set up as Settings ask."""

import os

from . import _lyra, _rejects
from ._data import check_file
from ._options import CopybookText


def prepare(settings):
    """A binding reader with the layouts, identifier field and segments of the
    settings, its batch set to the columns asked for; no data file is open."""
    for path in settings.paths():
        check_file(path, "index file" if path == settings.index else "layout file")
    native = _lyra.Reader()
    native.set_layout_options(settings.layout_options)
    if settings.index is not None:
        native.set_index_file(settings.index)
    if settings.id_field is not None:
        native.set_identifier_field(*settings.id_field)
    for index, (source, xml, identifier) in enumerate(settings.layouts):
        if isinstance(source, CopybookText):
            native.add_layout_text(source.data, source.label(identifier), identifier,
                                   index == settings.active)
        else:
            native.add_layout(source, xml, identifier, index == settings.active)
    for item, identifier in settings.segments:
        native.add_segment(item, identifier)
    native.set_children(settings.children)
    names = native.column_names()
    if not names:
        source, _, identifier = settings.layouts[settings.active]
        name = source.label(identifier) if isinstance(source, CopybookText) else source
        raise ValueError("%s: the layout has no fields" % name)
    native.set_columns(_indexes(native, names, settings), settings.decimal, settings.strip)
    return native


def layout_columns(native, settings):
    """The columns read of each layout, for every layout's records: None for all of
    them, else their indexes (FILLER columns left out with filler='drop')."""
    columns = []
    for layout in range(len(settings.layouts)):
        native.set_active_layout(layout)
        columns.append(_indexes(native, native.column_names(), settings))
    native.set_active_layout(settings.active)
    return columns


def open_native(data, settings):
    """A prepared binding reader with the data (a _data.Data) open."""
    if not data.seeks and (settings.read_options["range_start"] >= 0
                           or settings.read_options["range_end"] >= 0):
        raise ValueError("range goes with a file name or bytes: an open file is read forward, "
                         "from its position on")
    if data.path is not None:
        check_file(data.path)
    native = prepare(settings)
    data.open(native, settings.read_options)
    return native


def open_rejects(native, data, settings):
    """The rejects file of the settings, open; it may be none of the files the reading
    reads: the data file, where the data is one, and every file a layout was read from."""
    inputs = _rejects.input_stats([os.fsdecode(name) for name in native.layout_files()]
                                  + ([settings.index] if settings.index is not None else []))
    if data.info is not None:
        inputs.append((data.name or "the open data file", data.info))
    return _rejects.open_rejects(settings.rejects, inputs)


def _indexes(native, names, settings):
    """The indexes of the columns read of the active layout's names; None for all."""
    columns = settings.columns
    if columns is None:
        if not settings.drop_filler:
            return None
        filler = native.filler_columns()
        return [index for index in range(len(names)) if not filler[index]]
    where = {name: index for index, name in enumerate(names)}
    for name in columns:
        if name not in where:
            raise ValueError("no column is named %r" % name)
    return [where[name] for name in columns]
