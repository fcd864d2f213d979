"""The keyword arguments of lyra's reading functions, checked and sorted.

Every option of the ``lyra read`` tool is a keyword with the tool's name, dashes
made underscores, and the tool's default. ``settings()`` checks them as the tool
checks its command line and sorts them into what the binding takes: the layout
options, the read options and how the layouts are told apart.
"""

import operator
import os

# Read options: keyword and default.
READ_DEFAULTS = {
    "record_format": "layout",
    "record_length": None,  # fixed: the longest layout
    "rdw_little_endian": False,
    "rdw_excludes_header": False,
    "bdw_excludes_header": False,
    "varseq_format": None,  # GnuCOBOL's variable-file form, 0 to 3: rdw records
    "skip": 0,
    "range": None,  # (start, end), either None
    "first_record": None,
    "code_page": None,  # bytes as they stand (latin1)
    "ebcdic": False,
    "comp5_little_endian": False,
    "binary_little_endian": False,
    "zero_bytes": "space",
    "max_errors": None,  # 0, or "all" with rejects
    "rejects": None,
    "index": None,  # the checkpoint index of a compressed data file (lyra splits --index)
}

# Layout options: keyword and default.
LAYOUT_DEFAULTS = {
    "float_format": None,
    "national_utf16": False,
    "strict": False,
    "source_format": "fixed",
    "margin": 72,
    "copy_path": None,  # a folder or a list of folders
    "odo_layout": "shift",  # or "max": OCCURS DEPENDING ON tables at their maximum
}

# What to give back: keyword and default.
OUTPUT_DEFAULTS = {
    "segment": None,  # {identifier: item}: the tool's --segment ITEM=ID, repeated
    "with_position": False,
    "columns": None,
    "strip": True,
    "filler": "keep",  # or "drop": FILLER columns left out
    "decimal": False,
    "limit": None,
    "all_layouts": False,  # every layout's records: a frame per layout
    "child": None,  # {parent identifier: [child identifiers]}: record hierarchies
    "max_tree_bytes": None,  # lyra.open(nested=True, child=...): DEFAULT_MAX_TREE_BYTES
}

DEFAULT_MAX_TREE_BYTES = 64 << 20

# Keywords of pandas' readers, and what lyra has for them.
PANDAS_KEYWORDS = {
    "usecols": "lyra calls it columns",
    "nrows": "lyra calls it limit",
    "encoding": "lyra calls it code_page",
    "skiprows": "lyra has none (skip= counts bytes of file header, not rows)",
}

BOOLEAN_OPTIONS = (
    "rdw_little_endian", "rdw_excludes_header", "bdw_excludes_header", "ebcdic", "comp5_little_endian",
    "binary_little_endian", "national_utf16", "strict", "with_position", "strip",
    "decimal", "all_layouts",
)
DESCRIPTOR_FORMATS = ("rdw", "vb", "vbs", "vs")
BLOCK_FORMATS = ("vb", "vbs")
LAST_VARSEQ_FORMAT = 3
EBCDIC_CODE_PAGE = 37  # what ebcdic=True means

# The ranges of the integer keywords: byte offsets and counts are 64-bit, record
# lengths and offsets in a record end at the library's longest record, columns at the
# largest int.
INT64_MAX = 2**63 - 1
INT_MAX = 2**31 - 1
MAX_RECORD_LENGTH = 256 * 1024 * 1024
SHOWN_LENGTH = 60  # of a value a message quotes


class CopybookText:
    """A copybook given as its text, not as a file: a str (read as the UTF-8 file
    of it would be) or bytes. ``copybook_text=`` takes one; ``copybooks=`` takes
    them among file names, for several layouts: ``copybooks={"H": "hdr.cpy",
    "D": lyra.CopybookText(text)}``. COPY members of the text are looked up on
    ``copy_path`` alone."""

    def __init__(self, text):
        if isinstance(text, str):
            self.data = text.encode("utf-8")
        elif isinstance(text, (bytes, bytearray, memoryview)):
            self.data = bytes(text)
        else:
            raise TypeError("copybook text must be a str or bytes, not %s" % type(text).__name__)

    def label(self, identifier):
        """What a message calls it."""
        return "copybook text" + (" of %r" % identifier if identifier else "")

    def __repr__(self):
        return "lyra.CopybookText(%s)" % shown(self.data)


class Settings:
    """Everything one reading was asked for, checked."""

    def __init__(self):
        self.layouts = []  # (file name or CopybookText, is an XML document, identifier)
        self.active = 0  # index in layouts
        self.id_field = None  # (offset, clauses)
        self.segments = []  # (item, identifier)
        self.layout_options = {}
        self.read_options = {}  # the binding's names: range_start, range_end, ...
        self.rejects = None
        self.index = None  # a checkpoint index file
        self.with_position = False
        self.columns = None
        self.strip = True
        self.drop_filler = False
        self.decimal = False
        self.limit = None
        self.all_layouts = False  # every layout's records (child ones too)
        self.children = []  # (parent identifier, child identifier), in the order given
        self.max_tree_bytes = None  # given, or None

    @property
    def record_format(self):
        return self.read_options["record_format"]

    def paths(self):
        """The files the reading needs, besides the data file."""
        return ([source for source, _, _ in self.layouts if not isinstance(source, CopybookText)]
                + ([self.index] if self.index is not None else []))


def settings(copybook, copybooks, layouts, id_field, active, options):
    """Settings from a reading function's keyword arguments.

    Raises TypeError for an unknown keyword and ValueError for a bad value.
    """
    options = dict(options)
    text = options.pop("copybook_text", None)
    _check_keywords(options, set(READ_DEFAULTS) | set(LAYOUT_DEFAULTS) | set(OUTPUT_DEFAULTS))
    given = dict(READ_DEFAULTS, **LAYOUT_DEFAULTS, **OUTPUT_DEFAULTS)
    given.update(options)
    if given["varseq_format"] is not None and "record_format" not in options:
        given["record_format"] = "rdw"  # a GnuCOBOL variable file holds rdw records
    for name in BOOLEAN_OPTIONS:
        if not isinstance(given[name], bool):
            raise ValueError("%s must be True or False, not %s" % (name, shown(given[name])))
    if text is not None:
        if copybook is not None:
            raise ValueError("give the copybook as copybook= or as copybook_text=, not both")
        copybook = text if isinstance(text, CopybookText) else CopybookText(text)
    result = Settings()
    _layouts(result, copybook, copybooks, layouts)
    _identifier(result, id_field, active, given["segment"])
    _layout_options(result, given)
    _read_options(result, given)
    _output(result, given)
    _shapes(result, given, active)
    return result


def _check_keywords(options, known):
    """TypeError for the first keyword not known; a keyword of pandas' readers is told
    lyra's name for it."""
    unknown = sorted(set(options) - known)
    if not unknown:
        return
    name = unknown[0]
    hint = ": " + PANDAS_KEYWORDS[name] if name in PANDAS_KEYWORDS else ""
    raise TypeError("unexpected keyword argument %r%s" % (name, hint))


def shown(value):
    """repr(value) for a message, cut short: a message never holds a whole buffer."""
    text = repr(value)
    if len(text) <= SHOWN_LENGTH:
        return text
    size = " of length %d" % len(value) if hasattr(value, "__len__") else ""
    return "%s... (a %s%s)" % (text[:SHOWN_LENGTH], type(value).__name__, size)


def integer(value, name, minimum=0, maximum=INT64_MAX, also=""):
    """value as an int (None stays None), or ValueError naming the keyword and its range;
    also names what else the keyword takes."""
    if value is None:
        return None
    try:
        number = None if isinstance(value, bool) else operator.index(value)
    except TypeError:
        number = None
    if number is None or not minimum <= number <= maximum:
        raise ValueError("invalid %s %s: expected a whole number from %d to %d%s"
                         % (name, shown(value), minimum, maximum, also))
    return number


def _path(value, what, text=False):
    """A file name; with text, a CopybookText too."""
    if text and isinstance(value, CopybookText):
        return value
    if not isinstance(value, (str, os.PathLike)):
        raise ValueError("%s must be a file name%s, not %s"
                         % (what, " or a lyra.CopybookText" if text else "", shown(value)))
    return os.fspath(value)


def _layouts(result, copybook, copybooks, layouts):
    if copybook is not None and (copybooks or layouts):
        raise ValueError("give one layout as copybook=, or several as copybooks= and layouts=")
    if copybook is not None:
        result.layouts.append((_path(copybook, "copybook", True), False, ""))
    for value, xml in ((copybooks, False), (layouts, True)):
        what = "layouts" if xml else "copybooks"
        if value is None:
            continue
        if isinstance(value, (str, os.PathLike, CopybookText)):
            result.layouts.append((_path(value, what, not xml), xml, ""))
            continue
        if not isinstance(value, dict):
            raise ValueError("%s must map record identifiers to files, not %s"
                             % (what, shown(value)))
        for identifier, path in value.items():
            result.layouts.append((_path(path, what, not xml), xml, str(identifier)))
    if not result.layouts:
        raise ValueError("no layout: give one with copybook=, copybooks= or layouts=")
    ids = [identifier.upper() for _, _, identifier in result.layouts]
    if len(ids) > 1:
        for index, identifier in enumerate(ids):
            if not identifier:
                raise ValueError("layout %s has no record identifier: give several layouts "
                                 "as {identifier: file}" % shown(result.layouts[index][0]))
            if identifier in ids[:index]:
                raise ValueError("two layouts have the record identifier %r" % identifier)


def _identifier(result, id_field, active, segment):
    if active is not None:
        ids = [identifier.upper() for _, _, identifier in result.layouts]
        if str(active).upper() not in ids:
            raise ValueError("no layout has the record identifier %s" % shown(active))
        result.active = ids.index(str(active).upper())
    if segment is not None:
        if not isinstance(segment, dict):
            raise ValueError("segment must map record identifiers to items, not %s"
                             % shown(segment))
        if len(result.layouts) != 1:
            raise ValueError("segment needs a single layout")
        result.segments = [(str(item), str(identifier)) for identifier, item in segment.items()]
    if id_field is None:
        if len(result.layouts) > 1 or result.segments:
            raise ValueError("%s id_field=(offset, clauses), e.g. '0:PIC X(2)'"
                             % ("segment needs" if result.segments else "several layouts need"))
        return
    if isinstance(id_field, str):
        offset, colon, clauses = id_field.partition(":")
        if not colon or not offset.strip().isdigit() or not clauses.strip():
            raise ValueError("invalid id_field %s: expected 'OFFSET:CLAUSES', e.g. "
                             "'0:PIC X(2)'" % shown(id_field))
        id_field = (int(offset), clauses)
    if not isinstance(id_field, tuple) or len(id_field) != 2 or not isinstance(id_field[1], str):
        raise ValueError("invalid id_field %s: expected (offset, clauses), e.g. "
                         "(0, 'PIC X(2)')" % shown(id_field))
    offset = integer(id_field[0], "id_field offset", 0, MAX_RECORD_LENGTH)
    result.id_field = (offset, id_field[1])


def layout_options(options):
    """The layout options of keyword arguments that may only be layout options."""
    _check_keywords(options, set(LAYOUT_DEFAULTS))
    given = dict(LAYOUT_DEFAULTS, **options)
    for name in ("national_utf16", "strict"):
        if not isinstance(given[name], bool):
            raise ValueError("%s must be True or False, not %s" % (name, shown(given[name])))
    result = Settings()
    _layout_options(result, given)
    return result.layout_options


def _layout_options(result, given):
    options = {name: given[name] for name in LAYOUT_DEFAULTS}
    folders = options["copy_path"]
    if folders is None:
        folders = []
    elif isinstance(folders, (str, os.PathLike)):
        folders = [folders]
    options["copy_path"] = [_path(folder, "copy_path") for folder in folders]
    options["margin"] = integer(options["margin"], "margin", 0, INT_MAX)
    result.layout_options = options


def _read_options(result, given):
    record_format = given["record_format"]
    options = {name: given[name] for name in READ_DEFAULTS
               if name not in ("range", "rejects", "max_errors", "index")}
    options["record_length"] = integer(given["record_length"], "record_length", 0,
                                       MAX_RECORD_LENGTH)
    options["skip"] = integer(given["skip"], "skip")
    options["first_record"] = integer(given["first_record"], "first_record", 1)
    if options["record_length"] is not None and record_format != "fixed":
        raise ValueError("record_length goes with record_format='fixed' only: %s records have "
                         "lengths of their own" % record_format)
    for name in ("rdw_little_endian", "rdw_excludes_header"):
        if given[name] and record_format not in DESCRIPTOR_FORMATS:
            raise ValueError("%s goes with record_format='rdw', 'vb', 'vbs' or 'vs' only" % name)
    if given["bdw_excludes_header"] and record_format not in BLOCK_FORMATS:
        raise ValueError("bdw_excludes_header goes with record_format='vb' or 'vbs' only")
    _varseq_format(options, given)
    _code_page(options, given)
    _range(options, given)
    _bad_records(result, options, given)
    if given["index"] is not None:
        result.index = _path(given["index"], "index")
    result.read_options = options


def _varseq_format(options, given):
    """varseq_format=N: the rdw records of a GnuCOBOL variable file, whose form gives
    the length before each record in place of the rdw options."""
    form = integer(given["varseq_format"], "varseq_format", 0, LAST_VARSEQ_FORMAT)
    options["varseq_format"] = form
    if form is None:
        return
    if given["record_format"] != "rdw":
        raise ValueError("varseq_format goes with record_format='rdw' only, not %r"
                         % given["record_format"])
    for name in ("rdw_little_endian", "rdw_excludes_header"):
        if given[name]:
            raise ValueError("varseq_format gives the form of each record's length: it does "
                             "not go with %s" % name)


def _code_page(options, given):
    code_page = given["code_page"]
    if code_page is not None and not isinstance(code_page, (str, int)):
        raise ValueError("code_page must be a name or a number, not %s" % shown(code_page))
    if given["ebcdic"] and code_page is not None and str(code_page).lstrip("0") != "37":
        raise ValueError("ebcdic=True means code_page='037': it does not go with "
                         "code_page=%s" % shown(code_page))
    if given["ebcdic"]:
        options["code_page"] = EBCDIC_CODE_PAGE
    options.pop("ebcdic")
    options["code_page"] = None if options["code_page"] is None else str(options["code_page"])


def _range(options, given):
    value = given["range"]
    start = end = None
    if value is not None:
        if not isinstance(value, (tuple, list)) or len(value) != 2:
            raise ValueError("invalid range %s: expected (start, end), byte offsets in the "
                             "file, either of which may be None" % shown(value))
        start = integer(value[0], "range start")
        end = integer(value[1], "range end")
    if options["first_record"] is not None:
        if start is None:
            raise ValueError("first_record goes with range=(start, end), a range with a start")
        if given["record_format"] == "fixed":
            raise ValueError("first_record does not go with record_format='fixed': the offset "
                             "of a fixed record gives its number")
    options["range_start"] = -1 if start is None else start
    options["range_end"] = -1 if end is None else end


def _bad_records(result, options, given):
    count = given["max_errors"]
    rejects = given["rejects"]
    if (count is not None or rejects is not None) and given["record_format"] == "layout":
        raise ValueError("max_errors and rejects do not go with record_format='layout': the end "
                         "of a bad record is unknown, so reading cannot go past it")
    if rejects is not None:
        result.rejects = _path(rejects, "rejects")
    if count is None:
        count = "all" if rejects is not None else 0
    options["max_errors"] = -1 if count == "all" else integer(count, "max_errors",
                                                               also=", or 'all'")


def _output(result, given):
    result.with_position = given["with_position"]
    result.strip = given["strip"]
    result.decimal = given["decimal"]
    result.limit = integer(given["limit"], "limit")
    columns = given["columns"]
    if columns is not None:
        if isinstance(columns, str) or not all(isinstance(name, str) for name in columns):
            raise ValueError("columns must be a list of column names, not %s" % shown(columns))
        columns = list(columns)
    result.columns = columns


def _shapes(result, given, active):
    """filler, all_layouts, child and max_tree_bytes, checked as the tool checks its
    --filler, --all-layouts, --child and --max-tree-bytes."""
    if given["filler"] not in ("drop", "keep"):
        raise ValueError("unknown filler %s: use 'drop' or 'keep'" % shown(given["filler"]))
    result.drop_filler = given["filler"] == "drop"
    child = given["child"]
    if child is not None:
        if not isinstance(child, dict):
            raise ValueError("child must map parent identifiers to child identifiers, not %s"
                             % shown(child))
        _children(result, child)
    result.all_layouts = given["all_layouts"] or bool(result.children)
    if active is not None and result.all_layouts:
        raise ValueError("active does not go with %s, which reads every layout's records"
                         % ("child" if result.children else "all_layouts"))
    if result.columns is not None and result.all_layouts:
        raise ValueError("columns does not go with all_layouts: each layout has columns of its own")
    if given["max_tree_bytes"] is not None:
        result.max_tree_bytes = integer(given["max_tree_bytes"], "max_tree_bytes", 1)
    result.read_options["all_layouts"] = result.all_layouts


def _children(result, child):
    """The links of child, each child with one parent and never its own ancestor."""
    ids = [identifier.upper() for _, _, identifier in result.layouts]
    parents = {}
    for parent, children in child.items():
        if isinstance(children, str):
            children = [children]
        for name in [parent] + list(children):
            if str(name).upper() not in ids:
                raise ValueError("child: no layout has the record identifier %s" % shown(name))
        for name in children:
            key = str(name).upper()
            if key in parents:
                raise ValueError("child: layout %r has a parent already" % str(name))
            at = str(parent).upper()
            while at is not None:
                if at == key:
                    raise ValueError("child: layout %r would be its own ancestor" % str(name))
                at = parents.get(at)
            parents[key] = str(parent).upper()
            result.children.append((str(parent), str(name)))
