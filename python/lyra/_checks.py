"""lyra.diagnose and lyra.verify: the tool's diagnose and verify commands in Python.

Both take the data and the layouts as read_pandas takes them, make the command's
arguments of their keywords (the tool's option names, dashes made underscores) and
read the JSON document the command writes with ``--format json``. The data is a file
name, or bytes; an open binary file is read to its end into memory first.
"""

import json
import os

from . import _lyra, _options
from ._data import bytes_of, check_file
from ._options import CopybookText

# What verify does not take of read_pandas' keywords: it writes nothing.
VERIFY_LEFT_OUT = ("columns", "strip", "decimal", "limit", "rejects", "max_errors",
                   "with_position")
# The arguments of diagnose's candidates that take a value, and the type of the value.
VALUE_ARGUMENTS = {"record-format": str, "record-length": int, "varseq-format": int, "skip": int,
                   "code-page": str, "float-format": str, "odo-layout": str}
DATA_NAME = "bytes"  # what messages call data given as bytes


def diagnose(path, copybook=None, copybooks=None, layouts=None, id_field=None, active=None,
             **layout_options):
    """The ways of reading the data at path with the layouts, best first, as `lyra
    diagnose` ranks them: a list of {"share": float, "options": dict}, share the part
    of the sampled values that decode cleanly (1.0: all of them), options what to add
    to the layout options for read_pandas to read the data so (record_format,
    varseq_format, skip, code_page, float_format, odo_layout, binary_little_endian and
    the like). Compressed data (gzip, bzip2, zstd) is diagnosed by the start of its
    decompressed bytes; read_pandas decompresses it with no option.

    The layouts are given as read_pandas takes them (copybook, copybooks, layouts,
    id_field, active), from files; the other keywords are the layout options
    (float_format and odo_layout, which are then kept, national_utf16, strict,
    source_format, margin, copy_path). Raises FileNotFoundError for a missing file,
    ValueError for a bad option, a layout that does not load or data that cannot be
    read, TypeError for an unknown keyword.
    """
    _options._check_keywords(layout_options,
                             set(_options.LAYOUT_DEFAULTS) | {"segment", "copybook_text"})
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, layout_options)
    args = _layout_arguments(settings, active)
    name, data = _data(path)
    document = json.loads(_lyra.diagnose_report(args + [name], data))
    return [{"share": float(candidate["share"]), "options": _read_options(candidate["arguments"])}
            for candidate in document["candidates"]]


def verify(path, copybook=None, copybooks=None, layouts=None, id_field=None, active=None,
           threads=None, **options):
    """Every value of the data at path checked against its field's picture and usage,
    as `lyra verify` checks it: a pandas DataFrame with a row per column of the
    layouts checked (every layout, unless active names one) and the columns name,
    clean, bad, null and first_bad (None, or a dict of the first bad value's record,
    offset, field_offset, hex and expected).

    It takes read_pandas' arguments but those that shape what it returns (columns,
    strip, decimal, limit, rejects, max_errors, with_position), and threads (the
    tool's default: one per core). attrs["records"] counts the records read,
    attrs["bad_records"] the bad ones and those of no layout; attrs["rejects"] lists
    the first bad records as (record, offset, length, reason);
    attrs["unknown_records"] is None or a dict of the records of no layout (count,
    record, offset, identifier); attrs["stopped"] is None or the message of the
    record at which reading stopped. Raises as diagnose does.
    """
    import pandas as pd

    for name in VERIFY_LEFT_OUT:
        if name in options:
            raise TypeError("unexpected keyword argument %r: verify writes no records" % name)
    settings = _options.settings(copybook, copybooks, layouts, id_field, active, options)
    args = _layout_arguments(settings, active) + _read_arguments(settings.read_options)
    if settings.index is not None:
        args += ["--index", settings.index]
    if threads is not None:
        args += ["--threads", str(_options.integer(threads, "threads", 1, 1024))]
    name, data = _data(path)
    document = json.loads(_lyra.verify_report(args + [name], data))
    frame = pd.DataFrame(document["columns"], columns=["name", "clean", "bad", "null", "first_bad"])
    frame.attrs["records"] = document["records"]
    frame.attrs["bad_records"] = document["bad_records"]
    frame.attrs["rejects"] = [(note["record"], note["offset"], note["length"], note["reason"])
                              for note in document["rejects"]]
    frame.attrs["unknown_records"] = document["unknown_records"]
    frame.attrs["stopped"] = document["stopped"]
    return frame


def _data(path):
    """The data file's name and no bytes, or a name for messages and the bytes."""
    if isinstance(path, (str, os.PathLike)):
        name = os.fspath(path)
        check_file(name)
        return name, None
    if hasattr(path, "read"):
        path = path.read()
        if not isinstance(path, (bytes, bytearray)):
            raise TypeError("the data file must be open in binary mode ('rb'): lyra reads bytes")
    return DATA_NAME, bytes_of(path)


def _layout_arguments(settings, active):
    """The tool's arguments of the layouts, the identifier and the layout options."""
    args = []
    for source, xml, identifier in settings.layouts:
        if isinstance(source, CopybookText):
            raise ValueError("diagnose and verify read copybooks from files: give copybook='FILE'")
        check_file(source, "layout file")
        args += ["-x" if xml else "-c", source + ("=" + identifier if identifier else "")]
    if active is not None:
        args += ["--active", settings.layouts[settings.active][2]]
    if settings.id_field is not None:
        args += ["--id-field", "%d:%s" % settings.id_field]
    for item, identifier in settings.segments:
        args += ["--segment", "%s=%s" % (item, identifier)]
    layout = settings.layout_options
    if layout["float_format"] is not None:
        args += ["--float-format", str(layout["float_format"])]
    for flag in ("national_utf16", "strict"):
        if layout[flag]:
            args.append("--" + flag.replace("_", "-"))
    if layout["source_format"] != _options.LAYOUT_DEFAULTS["source_format"]:
        args += ["--source-format", str(layout["source_format"])]
    if layout["odo_layout"] != _options.LAYOUT_DEFAULTS["odo_layout"]:
        args += ["--odo-layout", str(layout["odo_layout"])]
    if layout["margin"] != _options.LAYOUT_DEFAULTS["margin"]:
        args += ["--margin", str(layout["margin"]) if layout["margin"] else "none"]
    for folder in layout["copy_path"]:
        args += ["--copy-path", folder]
    return args


def _read_arguments(read):
    """The tool's arguments of read options as _options.settings checked them."""
    args = ["--record-format", read["record_format"]]
    for name in ("record_length", "varseq_format", "first_record"):
        if read[name] is not None:
            args += ["--" + name.replace("_", "-"), str(read[name])]
    for flag in ("rdw_little_endian", "rdw_excludes_header", "bdw_excludes_header",
                 "comp5_little_endian", "binary_little_endian"):
        if read[flag]:
            args.append("--" + flag.replace("_", "-"))
    if read["skip"]:
        args += ["--skip", str(read["skip"])]
    if read["range_start"] >= 0 or read["range_end"] >= 0:
        ends = [str(end) if end >= 0 else "" for end in (read["range_start"], read["range_end"])]
        args += ["--range", ":".join(ends)]
    if read["code_page"] is not None:
        args += ["--code-page", read["code_page"]]
    if read["zero_bytes"] != _options.READ_DEFAULTS["zero_bytes"]:
        args += ["--zero-bytes", str(read["zero_bytes"])]
    return args


def _read_options(arguments):
    """read_pandas' keywords of a candidate's arguments: ["--skip", "37"] is skip=37,
    a flag True."""
    options = {}
    at = 0
    while at < len(arguments):
        name = arguments[at][2:]
        kind = VALUE_ARGUMENTS.get(name)
        options[name.replace("-", "_")] = True if kind is None else kind(arguments[at + 1])
        at += 1 if kind is None else 2
    return options
