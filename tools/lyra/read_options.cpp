#include "read_options.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>

#include "layout_options.h"
#include "output_file.h"
#include "rejects_file.h"

namespace {

const OptionDef READ_OPTIONS[] = {
    {"copybook", 'c', ARGUMENT_REPEATED, "FILE[=ID]",
     "a copybook (repeatable); ID marks its records\nwhen there are several layouts"},
    {"layout", 'x', ARGUMENT_REPEATED, "FILE[=ID]",
     "an XML layout document (repeatable), as for\n--copybook"},
    {"id-field", 0, ARGUMENT_REQUIRED, "OFFSET:CLAUSES",
     "where the record identifier is, e.g.\n'0:PIC X(2)' (needed with several layouts)"},
    {"segment", 0, ARGUMENT_REPEATED, "ITEM=ID",
     "records whose identifier is ID hold ITEM, one of\nthe redefinitions of one area; the "
     "others are\nnull (repeatable; needs --id-field and one\nlayout)"},
    {"active", 0, ARGUMENT_REQUIRED, "ID",
     "write the records of this layout (default: the\nfirst layout given)"},
    RECORD_FORMAT_OPTION,
    RECORD_LENGTH_OPTION,
    FIXED_OPTION,
    RDW_LITTLE_ENDIAN_OPTION,
    RDW_EXCLUDES_HEADER_OPTION,
    BDW_EXCLUDES_HEADER_OPTION,
    VARSEQ_FORMAT_OPTION,
    SKIP_OPTION,
    {"range", 0, ARGUMENT_REQUIRED, "START:END",
     "read the records that start at a byte offset\nfrom START up to END (either may be empty);\n"
     "rdw, vb, vbs and vs ranges start at a split\npoint (lyra splits)"},
    {"first-record", 0, ARGUMENT_REQUIRED, "N",
     "the number of the record at the start of\n--range, as lyra splits prints it"},
    {"index", 0, ARGUMENT_REQUIRED, "FILE",
     "the checkpoint index of a compressed data file\n(lyra splits --index): ranges and threads\n"
     "start decompressing near where they start"},
    {"code-page", 0, ARGUMENT_REQUIRED, "NAME",
     "the character set of display text: an EBCDIC\npage (037, 273, 277, 278, 280, 284, 285, 297,\n"
     "500, 871, 1047, 1140 to 1149), a mixed EBCDIC\npage of double-byte text (930, 933, 935, "
     "937,\n"
     "939, 1364, 1371, 1388, 1390, 1399), latin1,\ncp1252 or utf8; without it bytes are read as\n"
     "they stand (latin1)"},
    {"ebcdic", 0, ARGUMENT_NONE, "", "the same as --code-page 037 (not with another\n--code-page)"},
    {"comp5-little-endian", 0, ARGUMENT_NONE, "", "COMP-5 (native binary) items are little-endian"},
    {"binary-little-endian", 0, ARGUMENT_NONE, "",
     "every binary item (BINARY, COMP, COMP-4,\nCOMP-5) is little-endian"},
    {"zero-bytes", 0, ARGUMENT_REQUIRED, "RULE",
     "a zero byte (low-value) in text: space (the\ndefault) reads it as a blank, end ends the\n"
     "text there, keep writes it as it is"},
    LAYOUT_OPTION_ROWS,
    {"max-errors", 0, ARGUMENT_REQUIRED, "N|all",
     "pass over up to N bad records (default 0; with\n--rejects, all)"},
    {"rejects", 0, ARGUMENT_REQUIRED, "FILE",
     "write the bytes of each bad record passed over\nto FILE, and a JSON line about it to "
     "FILE.jsonl"},
    {"format", 0, ARGUMENT_REQUIRED, "FORMAT", "csv (default), jsonl, json-nested or table"},
    {"typed", 0, ARGUMENT_NONE, "",
     "jsonl, json-nested: integer and real columns as\nJSON numbers"},
    {"columns", 0, ARGUMENT_REQUIRED, "NAME,...",
     "write these columns, in this order, named as\n'lyra columns' lists them (not json-nested)"},
    {"filler", 0, ARGUMENT_REQUIRED, "drop|keep",
     "FILLER columns are kept (the default) or\ndropped; json-nested drops them always"},
    {"strip", 0, ARGUMENT_NONE, "",
     "text without its trailing blanks, numbers in\ntheir shortest form (\" 00350.00\" as 350.00)"},
    {"all-layouts", 0, ARGUMENT_NONE, "",
     "write the records of every layout: JSON lines\nwith _layout; csv and table one file per "
     "layout\n"
     "(-o FILE holding {layout})"},
    {"child", 0, ARGUMENT_REPEATED, "PARENT=CHILD,...",
     "records of the CHILD layouts belong to the\nPARENT record before them (repeatable; implies\n"
     "--all-layouts)"},
    {"max-tree-bytes", 0, ARGUMENT_REQUIRED, "N",
     "json-nested with --child: the most one root's\ntree may hold (default 67108864)"},
    {"with-position", 0, ARGUMENT_NONE, "",
     "two first columns: _record, the record's number\nin the file (null where unknown), and "
     "_offset,\nthe byte offset where it starts; numbers in jsonl"},
    {"limit", 0, ARGUMENT_REQUIRED, "N", "stop after N records"},
    {"output", 'o', ARGUMENT_REQUIRED, "FILE",
     "write to FILE instead of standard output (not\nto an input; - is standard output)"},
    {"trace", 0, ARGUMENT_NONE, "",
     "the reader's debug messages on standard error,\ninstead of the progress bar"},
    {"quiet", 'q', ARGUMENT_NONE, "", "no progress bar"},
    {"threads", 0, ARGUMENT_REQUIRED, "N",
     "decode and format on N threads (default: the\nmachine's cores)"},
    {"chunk-size", 0, ARGUMENT_REQUIRED, "BYTES",
     "the bytes of input a thread reads at a time\n(default 1048576); for testing"},
    {"help", 'h', ARGUMENT_NONE, "", "show this help"},
};

struct FormatName {
  const char* name;
  OutputFormat format;
};

const int EBCDIC_CODE_PAGE = 37;  // what --ebcdic means
const int64_t MAX_THREADS = 1024;
const int64_t MAX_CHUNK_BYTES = int64_t{1} << 30;

const FormatName FORMAT_NAMES[] = {
    {"csv", FORMAT_CSV},                  // RFC 4180
    {"jsonl", FORMAT_JSONL},              // one JSON object per line
    {"json-nested", FORMAT_JSON_NESTED},  // one JSON object per record and line, nested
    {"table", FORMAT_TABLE},              // aligned text
};

bool isFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// "FILE=ID": the identifier follows the last '=', unless the whole text names a file.
LayoutSource layoutSource(LayoutKind kind, const std::string& text) {
  const size_t equals = text.rfind('=');
  if (equals == std::string::npos || isFile(text)) return {kind, text, "", ""};
  return {kind, text.substr(0, equals), text.substr(equals + 1), ""};
}

// Identifiers compare without regard to letter case, as the reader matches them.
bool sameId(const std::string& a, const std::string& b) {
  return QvbString(a.c_str()).compare(b.c_str(), false) == 0;
}

bool readLayouts(const CommandLine& line, ReadOptions* options, std::string* error) {
  for (const OptionOccurrence& o : line.occurrences()) {
    if (std::strcmp(o.def->longName, "copybook") == 0) {
      options->layouts.push_back(layoutSource(LAYOUT_COPYBOOK, o.value));
    } else if (std::strcmp(o.def->longName, "layout") == 0) {
      options->layouts.push_back(layoutSource(LAYOUT_XML, o.value));
    }
  }
  if (options->layouts.empty()) {
    *error = "no layout: give one with --copybook or --layout";
    return false;
  }
  if (options->layouts.size() == 1) return true;
  for (size_t i = 0; i < options->layouts.size(); ++i) {
    const LayoutSource& layout = options->layouts[i];
    if (layout.id.empty()) {
      *error = "layout '" + layout.path + "' has no record identifier: write FILE=ID";
      return false;
    }
    for (size_t j = 0; j < i; ++j) {
      if (sameId(layout.id, options->layouts[j].id)) {
        *error = "two layouts have the record identifier '" + layout.id + "'";
        return false;
      }
    }
  }
  return true;
}

// --segment ITEM=ID, for a single layout.
bool readSegments(const CommandLine& line, ReadOptions* options, std::string* error) {
  for (const OptionOccurrence& o : line.occurrences()) {
    if (std::strcmp(o.def->longName, "segment") != 0) continue;
    const size_t equals = o.value.find('=');
    if (equals == 0 || equals == std::string::npos || equals + 1 == o.value.size()) {
      *error = "invalid --segment '" + o.value + "': expected ITEM=ID";
      return false;
    }
    options->segments.emplace_back(o.value.substr(0, equals), o.value.substr(equals + 1));
  }
  if (options->segments.empty() || options->layouts.size() == 1) return true;
  *error = "--segment needs a single layout";
  return false;
}

bool readIdentifier(const CommandLine& line, ReadOptions* options, std::string* error) {
  if (line.has("active")) {
    const std::string active = line.value("active");
    size_t i = 0;
    while (i < options->layouts.size() && !sameId(options->layouts[i].id, active)) ++i;
    if (i == options->layouts.size()) {
      *error = "no layout has the record identifier '" + active + "'";
      return false;
    }
    options->activeLayout = i;
  }
  if (!readSegments(line, options, error)) return false;
  if (!line.has("id-field")) {
    if (options->layouts.size() == 1 && options->segments.empty()) return true;
    *error = options->segments.empty() ? "several layouts need --id-field OFFSET:CLAUSES"
                                       : "--segment needs --id-field OFFSET:CLAUSES";
    return false;
  }
  const std::string field = line.value("id-field");
  const size_t colon = field.find(':');
  if (colon == std::string::npos || !parseCount(field.substr(0, colon), &options->idOffset) ||
      field.find_first_not_of(' ', colon + 1) == std::string::npos) {
    *error = "invalid --id-field '" + field + "': expected OFFSET:CLAUSES, e.g. '0:PIC X(2)'";
    return false;
  }
  options->idClauses = field.substr(colon + 1);
  return true;
}

bool readRecordShape(const CommandLine& line, ReadOptions* options, std::string* error) {
  if (!parseRecordFormatOptions(line, &options->records, error)) return false;
  if (line.has("limit") &&
      !parseNumber("limit", line.value("limit"), 0, INT64_MAX, &options->limit, error)) {
    return false;
  }
  return true;
}

// --code-page NAME, or --ebcdic for page 037; both only when they name one page.
bool readCodePage(const CommandLine& line, ReadOptions* options, std::string* error) {
  const std::string name = line.value("code-page");
  if (line.has("code-page") && !ccbCodePageFromName(name.c_str(), &options->codePage)) {
    *error = "unknown --code-page '" + name +
             "': use an EBCDIC page (037, 273, 277, 278, 280, 284, 285, 297, 500, 871, 1047, "
             "1140 to 1149), a mixed page (930, 933, 935, 937, 939, 1364, 1371, 1388, 1390, "
             "1399), latin1, cp1252 or utf8";
    return false;
  }
  if (!line.has("ebcdic")) return true;
  if (line.has("code-page") && options->codePage != EBCDIC_CODE_PAGE) {
    *error = "--ebcdic means --code-page 037: it does not go with --code-page " + name;
    return false;
  }
  options->codePage = EBCDIC_CODE_PAGE;
  return true;
}

// How display text, binary items and the copybooks are read.
bool readEncoding(const CommandLine& line, ReadOptions* options, std::string* error) {
  options->comp5LittleEndian = line.has("comp5-little-endian");
  options->binaryLittleEndian = line.has("binary-little-endian");
  const std::string zeroBytes = line.value("zero-bytes");
  if (line.has("zero-bytes") && !ccbZeroBytesFromName(zeroBytes.c_str(), &options->zeroBytes)) {
    *error = "unknown --zero-bytes '" + zeroBytes + "': use space, end or keep";
    return false;
  }
  return readCodePage(line, options, error) && parseLayoutOptions(line, &options->layout, error);
}

// START:END, either side empty for the skip and the end of the file.
bool readRange(const CommandLine& line, ReadOptions* options, std::string* error) {
  const std::string range = line.value("range");
  const size_t colon = range.find(':');
  const std::string start = range.substr(0, colon);
  const std::string end = colon == std::string::npos ? "" : range.substr(colon + 1);
  if (colon == std::string::npos ||
      (!start.empty() && !parseCount64(start, &options->rangeStart)) ||
      (!end.empty() && !parseCount64(end, &options->rangeEnd))) {
    *error = "invalid --range '" + range +
             "': expected START:END, byte offsets in the file, either of which may be empty";
    return false;
  }
  std::string problem;
  if (options->rangeEnd >= 0 && options->rangeEnd < options->rangeStart) {
    problem = "invalid --range '" + range + "': its end comes before its start";
  } else if (options->records.format == CCB_RECORD_LAYOUT) {
    problem =
        "--range does not go with --record-format layout: only a read from the start "
        "finds where its records end";
  } else if (options->dataFile == STANDARD_INPUT) {
    problem = "--range needs a data file: standard input cannot seek";
  }
  if (problem.empty()) return true;
  *error = problem;
  return false;
}

bool readIndex(const CommandLine& line, ReadOptions* options, std::string* error) {
  options->indexFile = line.value("index");
  if (options->indexFile.empty()) {
    *error = "--index needs a file name";
    return false;
  }
  if (options->dataFile != STANDARD_INPUT) return true;
  *error = "--index needs a data file: standard input cannot seek";
  return false;
}

bool readFirstRecord(const CommandLine& line, ReadOptions* options, std::string* error) {
  if (!parseNumber("first-record", line.value("first-record"), 1, INT64_MAX, &options->firstRecord,
                   error)) {
    return false;
  }
  const char* problem = nullptr;
  if (options->rangeStart < 0) {
    problem = "--first-record goes with --range START:END, a range with a start";
  } else if (options->records.format == CCB_RECORD_FIXED) {
    problem =
        "--first-record does not go with --record-format fixed: the offset of a fixed record "
        "gives its number";
  }
  if (problem == nullptr) return true;
  *error = problem;
  return false;
}

// --max-errors N or all; --rejects alone passes over every bad record.
bool readBadRecords(const CommandLine& line, ReadOptions* options, std::string* error) {
  const std::string count = line.value("max-errors");
  options->rejects = line.value("rejects");
  options->maxErrors = line.has("rejects") ? -1 : 0;
  const char* problem = nullptr;
  if (line.has("max-errors") && count != "all" && !parseCount64(count, &options->maxErrors)) {
    *error = "invalid --max-errors '" + count + "': expected a number of records or all";
    return false;
  }
  if (count == "all") options->maxErrors = -1;
  if (line.has("rejects") && options->rejects.empty()) {
    problem = "--rejects needs a file name";
  } else if (options->records.format == CCB_RECORD_LAYOUT &&
             (line.has("max-errors") || line.has("rejects"))) {
    problem =
        "--max-errors and --rejects do not go with --record-format layout: the end of a bad "
        "record is unknown, so reading cannot go past it";
  }
  if (problem == nullptr) return true;
  *error = problem;
  return false;
}

bool readOutput(const CommandLine& line, ReadOptions* options, std::string* error) {
  if (line.has("format")) {
    const std::string name = line.value("format");
    bool known = false;
    for (const FormatName& f : FORMAT_NAMES) {
      if (name == f.name) {
        options->format = f.format;
        known = true;
      }
    }
    if (!known) {
      *error = "unknown --format '" + name + "': use csv, jsonl, json-nested or table";
      return false;
    }
  }
  options->typed = line.has("typed");
  if (options->typed && options->format != FORMAT_JSONL && options->format != FORMAT_JSON_NESTED) {
    *error = "--typed applies to --format jsonl and json-nested only";
    return false;
  }
  options->withPosition = line.has("with-position");
  options->output = line.value("output") == STANDARD_OUTPUT ? "" : line.value("output");
  options->trace = line.has("trace");
  options->quiet = line.has("quiet");
  return true;
}

// --threads N, by default one per core; --chunk-size BYTES.
bool readThreads(const CommandLine& line, ReadOptions* options, std::string* error) {
  int64_t threads = std::max(1u, std::thread::hardware_concurrency());
  if (line.has("threads") &&
      !parseNumber("threads", line.value("threads"), 1, MAX_THREADS, &threads, error)) {
    return false;
  }
  options->threads = static_cast<int>(threads);
  return !line.has("chunk-size") || parseNumber("chunk-size", line.value("chunk-size"), 1,
                                                MAX_CHUNK_BYTES, &options->chunkBytes, error);
}

// The parts of text between commas; false when one is empty.
bool splitList(const std::string& text, std::vector<std::string>* parts) {
  size_t start = 0;
  for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    parts->push_back(text.substr(start, comma - start));
  }
  parts->push_back(text.substr(start));
  for (const std::string& part : *parts) {
    if (part.empty()) return false;
  }
  return true;
}

// The index in layouts of the layout with the identifier; the count when none has it.
size_t layoutWithId(const ReadOptions& options, const std::string& id) {
  size_t i = 0;
  while (i < options.layouts.size() && !sameId(options.layouts[i].id, id)) ++i;
  return i;
}

// A child's parent link by index; false with a message when an identifier names no
// layout, the child has a parent already or would be its own ancestor.
bool addChildLink(const std::string& parent, const std::string& child, ReadOptions* options,
                  std::vector<size_t>* parents, std::string* error) {
  const size_t count = options->layouts.size();
  const size_t p = layoutWithId(*options, parent), c = layoutWithId(*options, child);
  if (p == count || c == count) {
    *error = "--child: no layout has the record identifier '" + (p == count ? parent : child) + "'";
    return false;
  }
  std::string problem = (*parents)[c] < count ? "has a parent already" : "";
  for (size_t at = p; problem.empty() && at < count; at = (*parents)[at]) {
    if (at == c) problem = "would be its own ancestor";
  }
  if (!problem.empty()) {
    *error = "--child: layout '" + child + "' " + problem;
    return false;
  }
  (*parents)[c] = p;
  options->children.push_back({options->layouts[p].id, options->layouts[c].id});
  return true;
}

// Where each layout's records go with --all-layouts: one stream of JSON lines, or a
// file per layout, as -o says.
bool checkLayoutOutputs(ReadOptions* options, std::string* error) {
  const bool perLayout = options->output.find(LAYOUT_PLACEHOLDER) != std::string::npos;
  const char* problem = nullptr;
  if (perLayout && !options->allLayouts) {
    problem = "-o holds {layout}, which is for --all-layouts: one file per layout";
  } else if (perLayout && options->format == FORMAT_JSON_NESTED && !options->children.empty()) {
    problem = "-o holds {layout}: json-nested with --child writes each root's tree in one line";
  } else if (!perLayout && options->allLayouts &&
             (options->format == FORMAT_CSV || options->format == FORMAT_TABLE)) {
    problem =
        "--all-layouts writes csv and table as one file per layout: give -o FILE holding "
        "{layout}, which each layout's identifier replaces (-o out-{layout}.csv)";
  }
  if (problem == nullptr) return true;
  *error = problem;
  return false;
}

// --columns, --filler, --strip, --all-layouts, --child and --max-tree-bytes.
bool readShapes(const CommandLine& line, ReadOptions* options, std::string* error) {
  const std::string filler = line.value("filler");
  if (line.has("filler") && filler != "drop" && filler != "keep") {
    *error = "unknown --filler '" + filler + "': use drop or keep";
    return false;
  }
  options->dropFiller = filler == "drop" || options->format == FORMAT_JSON_NESTED;
  options->strip = line.has("strip");
  if (line.has("columns") && !splitList(line.value("columns"), &options->columns)) {
    *error = "invalid --columns '" + line.value("columns") + "': expected NAME,NAME,...";
    return false;
  }
  if (!parseChildLinks(line, options, error)) return false;
  options->allLayouts = line.has("all-layouts") || !options->children.empty();
  const bool nestedTrees = options->format == FORMAT_JSON_NESTED && !options->children.empty();
  const char* problem = nullptr;
  if (line.has("columns") && options->format == FORMAT_JSON_NESTED) {
    problem = "--columns does not go with --format json-nested, which writes whole records";
  } else if (line.has("columns") && options->allLayouts) {
    problem = "--columns does not go with --all-layouts: each layout has columns of its own";
  } else if (line.has("active") && options->allLayouts) {
    problem = options->children.empty()
                  ? "--active does not go with --all-layouts, which writes every layout's records"
                  : "--active does not go with --child, which writes every layout's records";
  } else if (line.has("max-tree-bytes") && !nestedTrees) {
    problem = "--max-tree-bytes applies to --format json-nested with --child";
  }
  if (problem != nullptr) {
    *error = problem;
    return false;
  }
  if (line.has("max-tree-bytes") && !parseNumber("max-tree-bytes", line.value("max-tree-bytes"), 1,
                                                 INT64_MAX, &options->maxTreeBytes, error)) {
    return false;
  }
  return checkLayoutOutputs(options, error);
}

}  // namespace

bool parseChildLinks(const CommandLine& line, ReadOptions* options, std::string* error) {
  std::vector<size_t> parents(options->layouts.size(), options->layouts.size());
  for (const OptionOccurrence& o : line.occurrences()) {
    if (std::strcmp(o.def->longName, "child") != 0) continue;
    const size_t equals = o.value.find('=');
    std::vector<std::string> children;
    if (equals == 0 || equals == std::string::npos ||
        !splitList(o.value.substr(equals + 1), &children)) {
      *error = "invalid --child '" + o.value + "': expected PARENT=CHILD[,CHILD...]";
      return false;
    }
    for (const std::string& child : children) {
      if (!addChildLink(o.value.substr(0, equals), child, options, &parents, error)) return false;
    }
  }
  return true;
}

const OptionDef* readOptionDefs(int* count) {
  *count = static_cast<int>(sizeof READ_OPTIONS / sizeof READ_OPTIONS[0]);
  return READ_OPTIONS;
}

bool parseReadOptions(const CommandLine& line, ReadOptions* options, std::string* error) {
  return parseReadInput(line, options, error) && readOutput(line, options, error) &&
         readShapes(line, options, error) && readThreads(line, options, error);
}

bool parseReadInput(const CommandLine& line, ReadOptions* options, std::string* error) {
  if (line.positionals().size() != 1) {
    *error = line.positionals().empty() ? line.missingPositional("data file")
                                        : "more than one data file given";
    return false;
  }
  options->dataFile = line.positionals()[0];
  return readLayouts(line, options, error) && readIdentifier(line, options, error) &&
         readRecordShape(line, options, error) && readEncoding(line, options, error) &&
         (!line.has("range") || readRange(line, options, error)) &&
         (!line.has("first-record") || readFirstRecord(line, options, error)) &&
         (!line.has("index") || readIndex(line, options, error)) &&
         readBadRecords(line, options, error);
}

bool parseThreadOptions(const CommandLine& line, ReadOptions* options, std::string* error) {
  return readThreads(line, options, error);
}

bool checkOutputs(const ReadOptions& options, const std::vector<std::string>& layoutFiles,
                  std::string* error) {
  std::vector<std::string> inputs = layoutFiles;
  if (options.dataFile != STANDARD_INPUT) inputs.insert(inputs.begin(), options.dataFile);
  if (!options.indexFile.empty()) inputs.push_back(options.indexFile);
  std::vector<std::pair<const char*, std::string>> outputs;  // option, file
  for (const std::string& path : outputPaths(options)) {
    if (!path.empty()) outputs.emplace_back("-o", path);
  }
  if (!options.rejects.empty()) {
    outputs.emplace_back("--rejects", options.rejects);
    outputs.emplace_back("--rejects", rejectsNotesPath(options.rejects));
  }
  return checkOutputFiles(outputs, inputs, error);
}

std::vector<std::string> outputPaths(const ReadOptions& options) {
  if (options.output.find(LAYOUT_PLACEHOLDER) == std::string::npos) return {options.output};
  std::vector<std::string> paths;
  for (const LayoutSource& layout : options.layouts) {
    paths.push_back(layoutOutputPath(options.output, layout.id));
  }
  return paths;
}

std::string layoutOutputPath(const std::string& output, const std::string& id) {
  const size_t at = output.find(LAYOUT_PLACEHOLDER);
  if (at == std::string::npos) return output;
  return output.substr(0, at) + id + output.substr(at + sizeof LAYOUT_PLACEHOLDER - 1);
}

std::string dataFileName(const ReadOptions& options) {
  return options.dataFile == STANDARD_INPUT ? "standard input" : options.dataFile;
}

CCBReadOptions readerOptions(const ReadOptions& options) {
  CCBReadOptions readOptions;
  applyRecordFormatOptions(options.records, &readOptions);
  readOptions.setRange(options.rangeStart, options.rangeEnd);
  readOptions.setFirstRecord(options.firstRecord);
  readOptions.setCodePage(options.codePage);
  readOptions.setResultEncoding(CCB_RESULT_UTF8);  // written as it comes
  readOptions.setComp5LittleEndian(options.comp5LittleEndian);
  readOptions.setBinaryLittleEndian(options.binaryLittleEndian);
  readOptions.setZeroBytes(options.zeroBytes);
  // Reading every layout's records, the ranges' workers note every bad record, and the
  // writer judges them (threaded_read.h).
  readOptions.setMaxErrors(readsAllLayouts(options) ? -1 : options.maxErrors);
  readOptions.setAllLayouts(options.allLayouts);
  return readOptions;
}

bool parseLayoutChoice(const CommandLine& line, ReadOptions* options, std::string* error) {
  return readLayouts(line, options, error) && readIdentifier(line, options, error);
}

bool parseTextOptions(const CommandLine& line, ReadOptions* options, std::string* error) {
  return readEncoding(line, options, error);
}
