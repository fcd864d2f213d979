#include <cstdio>
#include <memory>
#include <vector>

#include "code_page_hint.h"
#include "command_support.h"
#include "commands.h"
#include "hints.h"
#include "output_file.h"
#include "read_options.h"
#include "read_records.h"
#include "reader_setup.h"
#include "record_formatter.h"
#include "rejects_file.h"
#include "trace_callback.h"

namespace {

const CommandHelp READ_HELP = {
    "read",
    "lyra read [options] DATAFILE",
    "Decodes every record of a data file with one or more layouts and writes the\n"
    "records of one layout, or of every layout, one row or line per record, in\n"
    "UTF-8.\n"
    "\n"
    "Record formats (--record-format):\n"
    "  layout  a record ends where its layout ends (the default).\n"
    "  fixed   every record is --record-length bytes (default: the longest layout).\n"
    "  rdw     a 4-byte record descriptor word before each record: its length in 2\n"
    "          big-endian bytes, counting the 4 bytes, then 2 zero bytes.\n"
    "  vb      blocks, each after a 4-byte block descriptor word, of rdw records.\n"
    "  vbs     spanned records: blocks of segments, each after a segment descriptor\n"
    "          word, an rdw whose segment code (0 whole, 1 first, 2 last, 3 middle)\n"
    "          stands in its third byte (little-endian: its second); a record is\n"
    "          joined from its segments.\n"
    "  vs      spanned records without blocks.\n"
    "  lines   text lines ended by LF or CRLF.\n"
    "--varseq-format N reads GnuCOBOL's variable files (rdw records) in the form its\n"
    "COB_VARSEQ_FORMAT N writes: 0 a 2-byte big-endian length and 2 zero bytes, 1 a\n"
    "4-byte big-endian length, 2 a 4-byte little-endian one, 3 a 2-byte length.\n"
    "Fields past the end of a shorter record with a descriptor word are null; a\n"
    "shorter line reads as if padded with blanks.\n"
    "\n"
    "A DATAFILE of - is standard input, read strictly forward: no --range.\n"
    "\n"
    "Text (--code-page): display text and the identifier field are read in the code\n"
    "page given and written in UTF-8; --ebcdic is --code-page 037 (with another page\n"
    "it is an error). Without either, bytes are read as they stand, as ISO-8859-1.\n"
    "A byte the page has no character for, and ill-formed UTF-8, gives U+FFFD. A\n"
    "zero byte (low-value) in display text reads as a blank by default (--zero-bytes\n"
    "space). Binary and packed bytes are never converted:\n"
    "binary items are big-endian unless --comp5-little-endian (COMP-5 items) or\n"
    "--binary-little-endian (every binary item) says otherwise. The mixed pages 930,\n"
    "933, 935, 937, 939, 1364, 1371, 1388, 1390 and 1399 switch to double-byte text\n"
    "at a shift-out byte (0E) and back at a shift-in (0F); PIC G and USAGE\n"
    "DISPLAY-1 items hold double-byte text without them, two bytes a position (one\n"
    "with --strict), and are #ERR# in any other page.\n"
    "\n"
    "COMP-1 and COMP-2 items are read only with --float-format, as real columns\n"
    "holding the shortest decimal text that reads back to the same float (0.1,\n"
    "1e-20). --national-utf16 reads PIC N and USAGE NATIONAL items as UTF-16 text,\n"
    "two bytes per character position; this changes the layout: later fields move.\n"
    "--odo-layout max lays every OCCURS DEPENDING ON table out at its maximum,\n"
    "whatever its count, as files that store such tables at full size hold them;\n"
    "repetitions past the count are null all the same.\n"
    "Copybooks are read tolerantly, as 'lyra columns --help' says: --source-format,\n"
    "--margin and --copy-path say how they are written, --strict keeps the classic\n"
    "rules alone.\n"
    "\n"
    "Ranges (--range START:END): the records that start at a byte offset from START\n"
    "up to END are read, so ranges that meet give every record once. Ranges of fixed\n"
    "records and lines may start at any byte; ranges of rdw, vb, vbs and vs records\n"
    "start at a split point that 'lyra splits' prints, with --first-record set to the\n"
    "record number it prints beside it. A lines range that starts past --skip\n"
    "without --first-record does not know its record numbers.\n"
    "\n"
    "With several layouts, each given as FILE=ID, the identifier field (--id-field)\n"
    "tells the layout of each record: its trimmed text is compared with the IDs,\n"
    "letter case ignored. Only the records of the active layout are written, but\n"
    "with --all-layouts or --child.\n"
    "\n"
    "Output formats (--format):\n"
    "  csv    RFC 4180: a header row of the output names, then one row per record;\n"
    "         rows end in CRLF; fields holding a comma, quote or line end are quoted.\n"
    "  jsonl  one JSON object per record and line, keyed by output name; values are\n"
    "         strings. With --typed, integer and real columns are JSON numbers: the\n"
    "         decoded text loses a leading blank or '+' and leading zeros, and a\n"
    "         point without a digit before it gets one (\" 007.50\" gives 7.50,\n"
    "         \"-.05\" gives -0.05), an exponent stays (1e-20), an edited text\n"
    "         gives its value (1234- gives -1234, 12.50CR -12.50); text that holds no\n"
    "         number (\"#ERR#\", blanks) gives null.\n"
    "  table  aligned columns for reading on screen, widths counted in characters;\n"
    "         control characters are shown as '?'.\n"
    "  json-nested  one JSON object per record and line, shaped as its copybook: a\n"
    "         group is an object keyed by its name, an OCCURS an array (as long as\n"
    "         its count says), an elementary item a value (a number with --typed);\n"
    "         FILLER items are left out, each REDEFINES is a key of its own.\n"
    "Columns of repetitions that a variable table (OCCURS DEPENDING ON) did not reach\n"
    "are null: empty in csv and table, null in jsonl.\n"
    "\n"
    "Columns (csv, jsonl, table): --columns NAME,... writes those columns in that\n"
    "order, named as 'lyra columns' lists them; --filler drop leaves out FILLER\n"
    "columns (kept by default). --strip (any format) writes clean values: text\n"
    "without trailing blanks, numbers in their shortest form keeping their picture's\n"
    "digits after the point (\" 00350.00\" as 350.00, -0007 as -7, 12.50CR as -12.50),\n"
    "and a number its text does not state (\"#ERR#\") as null.\n"
    "\n"
    "Every layout (--all-layouts): the records of every layout are written, each as\n"
    "its own layout's; JSON lines get a first key, _layout, holding its identifier;\n"
    "csv and table write one file per layout, -o FILE holding {layout}, which each\n"
    "layout's identifier replaces (-o out-{layout}.csv).\n"
    "\n"
    "Hierarchies (--child PARENT=CHILD,..., repeatable, identifiers of layouts, any\n"
    "depth; implies --all-layouts): a layout that no --child names as a child is a\n"
    "root. A root record starts a tree, which ends at the next root; a child record\n"
    "belongs to the nearest record of its parent layout before it in the tree, and\n"
    "one without such a record is a bad record. Flat formats give each record\n"
    "_layout, _record (its number) and _parent (its parent's number, null for a\n"
    "root). json-nested writes each root with its tree in one line: each record's\n"
    "object gains, per child layout, a key named as that layout's record holding the\n"
    "array of its children, in file order; --limit counts these lines. A tree is held\n"
    "in memory up to --max-tree-bytes (64 MiB); past it the root and every record of\n"
    "its tree are bad records. A range holds the trees of the roots that start in it.\n"
    "\n"
    "A data file that holds nothing after --skip holds no records: csv and table\n"
    "write their header alone. A record that cannot be read stops the command after\n"
    "every record before it has been written; the message gives the record number,\n"
    "counting every record of the file from 1, and the byte offset where it starts.\n"
    "\n"
    "With several layouts, a record whose identifier matches none of them is stepped\n"
    "over, as the records of other layouts are, in the fixed, rdw, vb and lines\n"
    "formats: it is no bad record. Their count and the first of them are the last\n"
    "message; the exit status stays 0. In the layout format, where only a layout\n"
    "finds the end of a record, such a record is a bad record.\n"
    "\n"
    "Bad records (a line longer than its layout, a descriptor word record of zero\n"
    "length, a fixed record cut short, a repetition count that is no number or out\n"
    "of range) stop the command, unless --max-errors lets it pass over them. With\n"
    "--rejects FILE the bytes of each go to FILE and a JSON line, {\"record\": N,\n"
    "\"offset\": N, \"length\": N, \"reason\": \"...\"}, to FILE.jsonl (record null\n"
    "where unknown). The last message gives the count of the records passed over. A\n"
    "descriptor word that cannot be trusted always stops the command,\n"
    "and so does any bad record of the layout format.\n"
    "\n"
    "Threads (--threads N, by default one per core): a data file of fixed, rdw, vb,\n"
    "vbs, vs or lines records is cut into ranges of about --chunk-size bytes (all but\n"
    "fixed at split points), which N threads decode and format side by side. The\n"
    "output is written in file order, the same byte for byte as with --threads 1,\n"
    "and so are the messages, --limit, --max-errors and --rejects. Standard input,\n"
    "the layout format and --trace are read on one thread.\n"
    "\n"
    "Compressed data files (gzip, bzip2, zstd, told by their first bytes) are read\n"
    "decompressed: offsets, --skip, --range and split points count decompressed\n"
    "bytes. Without an index, a range decompresses from the start, and threads are\n"
    "fed ranges of records by one decompressing thread; --index FILE, the checkpoint\n"
    "index 'lyra splits --index' writes, lets each range and thread start at its\n"
    "checkpoint before it. A file cut short or damaged stops the command with the\n"
    "decompressed offset where it ends, after the records before it.\n"
    "\n"
    "With -o, the records go to a temporary file in the folder of FILE, which\n"
    "replaces FILE when the command ends, also after a record that cannot be read.\n"
    "When nothing could be read or writing failed, FILE stays as it was. The rejects\n"
    "files are written the same way.\n"
    "\n"
    "Exit status: 0 on success; 3 when the command read to the end but passed over\n"
    "bad records; 1 when it stopped at a data or layout error (or could not write);\n"
    "2 on a usage error.\n",
};

std::string skippedMessage(int64_t count) {
  return std::to_string(count) + (count == 1 ? " bad record" : " bad records") + " skipped";
}

// "2 records of no layout stepped over; the first, record 4 at byte offset 26, has the
// identifier 'Z'".
std::string unknownMessage(const UnknownRecords& unknown) {
  const std::string where =
      (unknown.number >= 0 ? "record " + std::to_string(unknown.number) + " " : "") +
      "at byte offset " + std::to_string(unknown.offset);
  return std::to_string(unknown.count) + (unknown.count == 1 ? " record" : " records") +
         " of no layout stepped over; the first, " + where + ", has the identifier '" +
         unknown.identifier + "'";
}

// What would have read a data file that reading stopped in: other framing options, or
// records that end in line ends; and lyra diagnose, which finds every option. Alone it
// is named where records are framed by descriptor words or the layout's walk, whose
// failures are the framing's; fixed records and lines stop at bad records.
std::string failureHint(const ReadOptions& options, int recordLength) {
  // The hints read the file's bytes as they stand, which a compressed file's are not.
  if (options.dataFile == STANDARD_INPUT || options.dataBytes != nullptr ||
      options.compression != CCB_COMPRESSION_NONE) {
    return std::string();
  }
  std::string hint = framingHint(options.dataFile, options.records);
  if (hint.empty()) hint = fixedLengthHint(options.dataFile, options.records, recordLength);
  const CCBRecordFormat format = options.records.format;
  const bool framing = format != CCB_RECORD_FIXED && format != CCB_RECORD_LINES;
  return hint.empty() && !framing ? hint : diagnoseHint(hint);
}

// Copies the records to the output; returns the exit status. After a failure the
// records before it are written out and put in place, and so are the rejects; when
// writing fails, nothing is put in place. A data file without records gets the
// header alone. Records passed over make the status EXIT_PASSED_OVER where the read
// went on to the end, and their count is the last message.
int copyRecords(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                RecordReaderPtr reader, const std::vector<OutputFile*>& outputs,
                RejectsFile* rejects) {
  const int recordLength = reader->getMaxRecordLength();
  bool reopened = true;
  const std::string pageHint = codePageHint(options, reader.get(), &reopened);
  if (!reopened) return reportFailure(READ_HELP.name, readerFailure(options, reader.get()));
  const ReadOutcome outcome = writeRecords(options, layouts, std::move(reader), outputs, rejects);
  std::string error;
  bool committed = true;
  for (OutputFile* output : outputs) committed = committed && output->commit(&error);
  if (!committed || (rejects != nullptr && !rejects->commit(&error))) {
    return error.empty() ? EXIT_FAILED : reportFailure(READ_HELP.name, error);
  }
  if (outcome.failed) {
    reportFailure(READ_HELP.name, withHint(outcome.failure, failureHint(options, recordLength)));
  }
  if (outcome.skipped > 0) reportFailure(READ_HELP.name, skippedMessage(outcome.skipped));
  if (outcome.unknown.count > 0) reportFailure(READ_HELP.name, unknownMessage(outcome.unknown));
  if (!outcome.failed && !pageHint.empty()) std::fprintf(stderr, "hint: %s\n", pageHint.c_str());
  if (outcome.failed) return EXIT_FAILED;
  return outcome.skipped > 0 ? EXIT_PASSED_OVER : EXIT_OK;
}

}  // namespace

int runRead(const std::vector<std::string>& args) {
  int count = 0;
  const OptionDef* defs = readOptionDefs(&count);
  CommandLine line(defs, count);
  std::string error;
  if (!line.parse(args, &error)) return reportUsageError(READ_HELP.name, error);
  if (line.has("help")) return printHelp(READ_HELP, line);
  ReadOptions options;
  // A clause text the reader refuses is a wrong option value too.
  if (!parseReadOptions(line, &options, &error) || createReader(options, &error) == nullptr) {
    return reportUsageError(READ_HELP.name, error);
  }
  TraceCallback trace;
  RecordReaderPtr reader = openReader(options, options.trace ? &trace : nullptr, &error);
  if (reader == nullptr) return reportFailure(READ_HELP.name, error);
  options.compression = reader->getCompression();
  std::vector<LayoutColumns> layouts;
  if (!checkOutputs(options, layoutFiles(reader.get()), &error) ||
      !describeLayouts(options, reader.get(), &layouts, &error)) {
    return reportUsageError(READ_HELP.name, error);
  }
  // Only now that the layouts and the data file are open is anything written.
  std::vector<std::unique_ptr<OutputFile>> files;
  std::vector<OutputFile*> outputs;
  for (const std::string& path : outputPaths(options)) {
    files.emplace_back(new OutputFile(path));
    outputs.push_back(files.back().get());
    if (!files.back()->open(&error)) return reportFailure(READ_HELP.name, error);
  }
  std::unique_ptr<RejectsFile> rejects;
  if (!options.rejects.empty()) {
    rejects.reset(new RejectsFile(options.rejects));
    if (!rejects->open(&error)) return reportFailure(READ_HELP.name, error);
  }
  return copyRecords(options, layouts, std::move(reader), outputs, rejects.get());
}
