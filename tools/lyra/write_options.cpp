#include "write_options.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <thread>

#include "layout_options.h"
#include "output_file.h"
#include "record_format_options.h"
#include "rejects_file.h"

namespace {

const OptionDef WRITE_OPTIONS[] = {
    {"copybook", 'c', ARGUMENT_REPEATED, "FILE[=ID]",
     "a copybook (repeatable); ID marks its records\nwhen there are several layouts"},
    {"layout", 'x', ARGUMENT_REPEATED, "FILE[=ID]",
     "an XML layout document (repeatable), as for\n--copybook"},
    {"id-field", 0, ARGUMENT_REQUIRED, "OFFSET:CLAUSES",
     "where the record identifier is, e.g.\n'0:PIC X(2)' (needed with several layouts)"},
    {"segment", 0, ARGUMENT_REPEATED, "ITEM=ID",
     "records whose identifier is ID hold ITEM, one of\nthe redefinitions of one area "
     "(repeatable;\nneeds --id-field and one layout)"},
    {"active", 0, ARGUMENT_REQUIRED, "ID",
     "the layout of the rows that name none (default:\nthe first layout given)"},
    RECORD_FORMAT_OPTION,
    RECORD_LENGTH_OPTION,
    FIXED_OPTION,
    RDW_LITTLE_ENDIAN_OPTION,
    RDW_EXCLUDES_HEADER_OPTION,
    BDW_EXCLUDES_HEADER_OPTION,
    VARSEQ_FORMAT_OPTION,
    {"block-size", 0, ARGUMENT_REQUIRED, "BYTES",
     "vb, vbs: the most bytes of a block, its\ndescriptor word included; vs: of a "
     "segment\n(default 32760)"},
    {"code-page", 0, ARGUMENT_REQUIRED, "NAME",
     "the character set of display text: an EBCDIC\npage (037, 273, 277, 278, 280, 284, 285, 297,\n"
     "500, 871, 1047, 1140 to 1149), a mixed EBCDIC\npage of double-byte text (930, 933, 935, "
     "937,\n"
     "939, 1364, 1371, 1388, 1390, 1399), latin1,\ncp1252 or utf8; without it text is written in\n"
     "latin1"},
    {"ebcdic", 0, ARGUMENT_NONE, "", "the same as --code-page 037 (not with another\n--code-page)"},
    {"comp5-little-endian", 0, ARGUMENT_NONE, "", "COMP-5 (native binary) items are little-endian"},
    {"binary-little-endian", 0, ARGUMENT_NONE, "",
     "every binary item (BINARY, COMP, COMP-4,\nCOMP-5) is little-endian"},
    {"overpunch-signs", 0, ARGUMENT_NONE, "",
     "embedded signs in pages that are not EBCDIC as\noverpunch letters ({, A-I, }, J-R) instead "
     "of\nthe digit and p-y"},
    {"binary-full-range", 0, ARGUMENT_NONE, "",
     "binary items take any value their 2, 4 or 8\nbytes hold, not only their picture's digits"},
    {"zero-bytes", 0, ARGUMENT_REQUIRED, "RULE",
     "how values given for redefinitions were read:\nspace (default), end or keep"},
    LAYOUT_OPTION_ROWS,
    {"max-errors", 0, ARGUMENT_REQUIRED, "N|all",
     "pass over up to N bad rows (default 0; with\n--rejects, all)"},
    {"rejects", 0, ARGUMENT_REQUIRED, "FILE",
     "write each row passed over to FILE, and a JSON\nline about it to FILE.jsonl"},
    {"format", 0, ARGUMENT_REQUIRED, "FORMAT", "the input: csv (default), jsonl or json-nested"},
    {"child", 0, ARGUMENT_REPEATED, "PARENT=CHILD,...",
     "json-nested: each PARENT record's object holds\nits CHILD records (repeatable)"},
    {"output", 'o', ARGUMENT_REQUIRED, "FILE",
     "write the records to FILE (required; - is\nstandard output)"},
    {"quiet", 'q', ARGUMENT_NONE, "", "no progress bar"},
    {"threads", 0, ARGUMENT_REQUIRED, "N", "encode on N threads (default: the machine's\ncores)"},
    {"chunk-size", 0, ARGUMENT_REQUIRED, "BYTES",
     "the bytes of input a thread encodes at a time\n(default 1048576); for testing"},
    {"help", 'h', ARGUMENT_NONE, "", "show this help"},
};

const int64_t MIN_BLOCK_SIZE = 9;  // a block word and a record of one byte behind its word
const int64_t MAX_THREADS = 1024;
const int64_t MAX_CHUNK_BYTES = int64_t{1} << 30;

bool readFraming(const CommandLine& line, WriteOptions* options, std::string* error) {
  if (!parseRecordFormatOptions(line, &options->read.records, error)) return false;
  if (!line.has("block-size")) return true;
  const CCBRecordFormat format = options->read.records.format;
  if (format != CCB_RECORD_VB && format != CCB_RECORD_VBS && format != CCB_RECORD_VS) {
    *error = "--block-size goes with --record-format vb, vbs or vs only";
    return false;
  }
  return parseNumber("block-size", line.value("block-size"), MIN_BLOCK_SIZE, INT_MAX,
                     &options->blockSize, error);
}

// --max-errors N or all; --rejects alone passes over every bad row.
bool readBadRows(const CommandLine& line, WriteOptions* options, std::string* error) {
  const std::string count = line.value("max-errors");
  options->rejects = line.value("rejects");
  options->maxErrors = line.has("rejects") ? -1 : 0;
  if (count == "all") {
    options->maxErrors = -1;
  } else if (line.has("max-errors") && !parseCount64(count, &options->maxErrors)) {
    *error = "invalid --max-errors '" + count + "': expected a number of rows or all";
    return false;
  }
  if (!line.has("rejects") || !options->rejects.empty()) return true;
  *error = "--rejects needs a file name";
  return false;
}

bool readInputAndOutput(const CommandLine& line, WriteOptions* options, std::string* error) {
  const std::string format = line.value("format");
  if (line.has("format") && format != "csv" && format != "jsonl" && format != "json-nested") {
    *error = "unknown --format '" + format + "': use csv, jsonl or json-nested";
    return false;
  }
  options->format = format == "jsonl"         ? INPUT_JSONL
                    : format == "json-nested" ? INPUT_JSON_NESTED
                                              : INPUT_CSV;
  if (line.has("child") && options->format != INPUT_JSON_NESTED) {
    *error = "--child goes with --format json-nested, whose lines hold the children";
    return false;
  }
  if (!line.has("output")) {
    *error = "no output given: write it with -o FILE (- for standard output)";
    return false;
  }
  options->output = line.value("output");
  options->quiet = line.has("quiet");
  int64_t threads = std::max(1u, std::thread::hardware_concurrency());
  if (line.has("threads") &&
      !parseNumber("threads", line.value("threads"), 1, MAX_THREADS, &threads, error)) {
    return false;
  }
  options->read.threads = static_cast<int>(threads);
  return !line.has("chunk-size") || parseNumber("chunk-size", line.value("chunk-size"), 1,
                                                MAX_CHUNK_BYTES, &options->read.chunkBytes, error);
}

}  // namespace

const OptionDef* writeOptionDefs(int* count) {
  *count = static_cast<int>(sizeof WRITE_OPTIONS / sizeof WRITE_OPTIONS[0]);
  return WRITE_OPTIONS;
}

bool parseWriteOptions(const CommandLine& line, WriteOptions* options, std::string* error) {
  if (line.positionals().size() != 1) {
    *error =
        line.positionals().empty() ? line.missingPositional("input") : "more than one input given";
    return false;
  }
  options->input = line.positionals()[0];
  options->overpunchSigns = line.has("overpunch-signs");
  options->binaryFullRange = line.has("binary-full-range");
  options->activeGiven = line.has("active");
  return parseLayoutChoice(line, &options->read, error) &&
         parseChildLinks(line, &options->read, error) && readFraming(line, options, error) &&
         parseTextOptions(line, &options->read, error) && readBadRows(line, options, error) &&
         readInputAndOutput(line, options, error);
}

bool checkWriteOutputs(const WriteOptions& options, const std::vector<std::string>& layoutFiles,
                       std::string* error) {
  std::vector<std::string> inputs = layoutFiles;
  if (options.input != STANDARD_INPUT) inputs.insert(inputs.begin(), options.input);
  std::vector<std::pair<const char*, std::string>> outputs;  // option, file
  if (options.output != STANDARD_OUTPUT) outputs.emplace_back("-o", options.output);
  if (!options.rejects.empty()) {
    outputs.emplace_back("--rejects", options.rejects);
    outputs.emplace_back("--rejects", rejectsNotesPath(options.rejects));
  }
  return checkOutputFiles(outputs, inputs, error);
}

CCBReadOptions writerOptions(const WriteOptions& options) {
  CCBReadOptions writeOptions;
  applyRecordFormatOptions(options.read.records, &writeOptions);
  writeOptions.setCodePage(options.read.codePage);
  writeOptions.setResultEncoding(CCB_RESULT_UTF8);
  writeOptions.setComp5LittleEndian(options.read.comp5LittleEndian);
  writeOptions.setBinaryLittleEndian(options.read.binaryLittleEndian);
  writeOptions.setZeroBytes(options.read.zeroBytes);
  writeOptions.setBlockSize(options.blockSize);
  writeOptions.setOverpunchSigns(options.overpunchSigns);
  writeOptions.setBinaryFullRange(options.binaryFullRange);
  writeOptions.setMaxErrors(-1);
  return writeOptions;
}
