#include <cerrno>
#include <cstdio>

#include "command_support.h"
#include "commands.h"
#include "hints.h"
#include "layout_source.h"
#include "output_file.h"
#include "record_format_options.h"

namespace {

const CommandHelp SPLITS_HELP = {
    "splits",
    "lyra splits [options] DATAFILE --every BYTES",
    "Prints the split points of a data file of rdw, vb, vbs, vs or lines records:\n"
    "where the ranges of 'lyra read --range' may start, so that parts of one file can\n"
    "be read apart, each record in exactly one part. One line per point: its byte\n"
    "offset, a tab, and the number in the file of the record that starts there (vb,\n"
    "vbs: the first record of the block), for --first-record. A point is the first\n"
    "record (vb, vbs: block) that starts at or after each multiple of BYTES past\n"
    "--skip, the first record included; vbs blocks and vs segments that continue a\n"
    "record are no points.\n"
    "\n"
    "Only record boundaries are read, so no layout is needed. Fixed records need no\n"
    "split points: a range of them may start at any byte and knows its record\n"
    "numbers. Layout records have none: only a read from the start finds them.\n"
    "\n"
    "A compressed data file (gzip, bzip2 or zstd) is read decompressed, and its\n"
    "offsets count decompressed bytes. Decompression can start only at the start of\n"
    "a gzip member, bzip2 stream or zstd frame, so a point is the first record (vb,\n"
    "vbs: block) at or after one of those. --index FILE also notes the state of gzip\n"
    "decompression about every BYTES and writes it, with the points, to FILE, a\n"
    "checkpoint index (some tens of KiB a point): 'lyra read --index FILE' then\n"
    "starts ranges and threads near where they start, and a gzip file has a point\n"
    "about every BYTES.\n"
    "\n"
    "Example: two halves of a file of 5000000 bytes.\n"
    "  $ lyra splits --record-format rdw --every 2500000 data.rdw\n"
    "  0\t1\n"
    "  2500064\t19231\n"
    "  $ lyra read -c rec.cpy --record-format rdw --range :2500064 data.rdw\n"
    "  $ lyra read -c rec.cpy --record-format rdw --range 2500064: \\\n"
    "        --first-record 19231 data.rdw\n"
    "\n"
    "Exit status: 0 on success, 1 on a data error (the points before it are\n"
    "printed), 2 on a usage error.\n",
};

const OptionDef SPLITS_OPTIONS[] = {
    {"record-format", 0, ARGUMENT_REQUIRED, "FORMAT", "rdw, vb, vbs, vs or lines (needed)"},
    RDW_LITTLE_ENDIAN_OPTION,
    RDW_EXCLUDES_HEADER_OPTION,
    BDW_EXCLUDES_HEADER_OPTION,
    VARSEQ_FORMAT_OPTION,
    SKIP_OPTION,
    {"every", 0, ARGUMENT_REQUIRED, "BYTES", "about how many bytes apart the points are"},
    {"index", 0, ARGUMENT_REQUIRED, "FILE",
     "write the checkpoint index of a compressed\ndata file to FILE"},
    {"help", 'h', ARGUMENT_NONE, "", "show this help"},
};

// Prints each split point as a line; stops the scan once standard output fails,
// keeping the error number of that write.
class PointPrinter : public CCBSplitCallback {
 public:
  bool splitPoint(int64_t offset, int64_t number) override {
    errno = 0;
    if (std::printf("%lld\t%lld\n", static_cast<long long>(offset),
                    static_cast<long long>(number)) >= 0 &&
        !std::ferror(stdout)) {
      return true;
    }
    failed_ = true;
    writeError_ = errno;
    return false;
  }
  bool failed() const { return failed_; }
  int writeError() const { return writeError_; }

 private:
  bool failed_ = false;
  int writeError_ = 0;  // 0 where the write set none
};

// What the command line asks for; a usage error otherwise.
struct SplitsRequest {
  RecordFormatOptions records;
  int64_t every = 0;
  std::string dataFile;
  std::string indexFile;  // empty: no index is written
};

std::string checkFormat(CCBRecordFormat format) {
  if (format == CCB_RECORD_FIXED) {
    return "fixed records need no split points: a range of them may start at any byte";
  }
  if (format == CCB_RECORD_LAYOUT) {
    return "split points need --record-format rdw, vb, vbs, vs or lines: layout records are "
           "found only by a read from the start";
  }
  return std::string();
}

bool parseRequest(const CommandLine& line, SplitsRequest* request, std::string* error) {
  if (line.positionals().size() != 1) {
    *error = line.positionals().empty() ? line.missingPositional("data file")
                                        : "more than one data file given";
    return false;
  }
  request->dataFile = line.positionals()[0];
  if (!parseRecordFormatOptions(line, &request->records, error)) return false;
  if (!(*error = checkFormat(request->records.format)).empty()) return false;
  if (!line.has("every")) {
    *error = "give the distance between split points: --every BYTES";
    return false;
  }
  if (!parseNumber("every", line.value("every"), 1, INT64_MAX, &request->every, error)) {
    return false;
  }
  if (request->dataFile == "-") {
    *error = "split points need a data file: ranges cannot read standard input";
    return false;
  }
  request->indexFile = line.value("index");
  if (line.has("index") && request->indexFile.empty()) {
    *error = "--index needs a file name";
    return false;
  }
  *error = line.has("index") ? overwrittenInput("--index", request->indexFile, {request->dataFile})
                             : std::string();
  return error->empty();
}

}  // namespace

int runSplits(const std::vector<std::string>& args) {
  CommandLine line(SPLITS_OPTIONS, sizeof SPLITS_OPTIONS / sizeof SPLITS_OPTIONS[0]);
  std::string error;
  if (!line.parse(args, &error)) return reportUsageError(SPLITS_HELP.name, error);
  if (line.has("help")) return printHelp(SPLITS_HELP, line);
  SplitsRequest request;
  if (!parseRequest(line, &request, &error)) return reportUsageError(SPLITS_HELP.name, error);
  if (!checkSkip(request.dataFile, request.records.skip, &error)) {
    return reportFailure(SPLITS_HELP.name, error);
  }
  RecordReaderPtr reader(createCCBRecordReader());
  if (reader == nullptr) return reportFailure(SPLITS_HELP.name, "cannot create a record reader");
  CCBReadOptions options;
  applyRecordFormatOptions(request.records, &options);
  PointPrinter printer;
  const bool scanned =
      request.indexFile.empty()
          ? reader->scanSplitPoints(request.dataFile.c_str(), options, request.every, &printer)
          : reader->writeIndexFile(request.dataFile.c_str(), options, request.every, &printer,
                                   request.indexFile.c_str());
  if (printer.failed()) return reportWriteFailure(SPLITS_HELP.name, printer.writeError());
  if (!scanned) {
    finishStandardOutput(SPLITS_HELP.name, EXIT_FAILED);  // the points before the failure
    return reportFailure(SPLITS_HELP.name,
                         withHint(request.dataFile + ": " + messageText(reader->getErrorMessage()),
                                  framingHint(request.dataFile, request.records)));
  }
  return finishStandardOutput(SPLITS_HELP.name, EXIT_OK);
}
