#include "record_format_options.h"

#include <sys/stat.h>

#include <climits>

namespace {

const int LAST_VARSEQ_FORMAT = 3;
const int SHORT_VARSEQ_FORMAT = 3;  // a 2-byte length alone
const int DESCRIPTOR_SIZE = 4;
const int SHORT_DESCRIPTOR_SIZE = 2;

// The formats whose records carry descriptor words.
bool hasDescriptorWords(CCBRecordFormat format) {
  return format == CCB_RECORD_RDW || format == CCB_RECORD_VB || format == CCB_RECORD_VBS ||
         format == CCB_RECORD_VS;
}

bool hasBlocks(CCBRecordFormat format) {
  return format == CCB_RECORD_VB || format == CCB_RECORD_VBS;
}

bool readFormat(const CommandLine& line, RecordFormatOptions* options, std::string* error) {
  const std::string name = line.value("record-format");
  if (line.has("record-format") && !ccbRecordFormatFromName(name.c_str(), &options->format)) {
    *error = "unknown --record-format '" + name + "': use fixed, layout, rdw, vb, vbs, vs or lines";
    return false;
  }
  if (line.has("varseq-format") && !line.has("record-format")) options->format = CCB_RECORD_RDW;
  if (!line.has("fixed")) return true;
  if (line.has("record-format") && options->format != CCB_RECORD_FIXED) {
    *error = "--fixed means --record-format fixed: it does not go with --record-format " + name;
    return false;
  }
  options->format = CCB_RECORD_FIXED;
  return true;
}

// --record-length N, or --fixed LENGTH; --fixed alone leaves the longest layout.
bool readLength(const CommandLine& line, RecordFormatOptions* options, std::string* error) {
  const bool fixedLength = !line.value("fixed").empty();
  if (!fixedLength && !line.has("record-length")) return true;
  if (fixedLength && line.has("record-length")) {
    *error = "give the record length once: --fixed LENGTH or --record-length N";
    return false;
  }
  const char* name = fixedLength ? "fixed" : "record-length";
  int64_t length = 0;
  if (!parseNumber(name, line.value(name), 0, INT_MAX, &length, error)) return false;
  if (options->format != CCB_RECORD_FIXED) {
    *error = std::string("--record-length goes with --record-format fixed only: ") +
             ccbRecordFormatName(options->format) + " records have lengths of their own";
    return false;
  }
  options->recordLength = static_cast<int>(length);
  return true;
}

bool readDescriptorWords(const CommandLine& line, RecordFormatOptions* options,
                         std::string* error) {
  options->rdwLittleEndian = line.has("rdw-little-endian");
  options->rdwExcludesHeader = line.has("rdw-excludes-header");
  options->bdwExcludesHeader = line.has("bdw-excludes-header");
  if (options->bdwExcludesHeader && !hasBlocks(options->format)) {
    *error = "--bdw-excludes-header goes with --record-format vb or vbs only";
    return false;
  }
  const bool rdwOptions = options->rdwLittleEndian || options->rdwExcludesHeader;
  const std::string rdwOption =
      options->rdwLittleEndian ? "rdw-little-endian" : "rdw-excludes-header";
  if (rdwOptions && !hasDescriptorWords(options->format)) {
    *error = "--" + rdwOption + " goes with --record-format rdw, vb, vbs or vs only";
    return false;
  }
  if (!line.has("varseq-format")) return true;
  int64_t form = 0;
  if (!parseNumber("varseq-format", line.value("varseq-format"), 0, LAST_VARSEQ_FORMAT, &form,
                   error)) {
    return false;
  }
  options->varseqFormat = static_cast<int>(form);
  if (options->format != CCB_RECORD_RDW) {
    *error = std::string("--varseq-format goes with --record-format rdw only, not ") +
             ccbRecordFormatName(options->format);
    return false;
  }
  if (!rdwOptions) return true;
  *error =
      "--varseq-format gives the form of each record's length: it does not go with --" + rdwOption;
  return false;
}

}  // namespace

bool parseRecordFormatOptions(const CommandLine& line, RecordFormatOptions* options,
                              std::string* error) {
  if (line.has("skip") &&
      !parseNumber("skip", line.value("skip"), 0, INT64_MAX, &options->skip, error)) {
    return false;
  }
  return readFormat(line, options, error) && readLength(line, options, error) &&
         readDescriptorWords(line, options, error);
}

bool isSpannedFormat(CCBRecordFormat format) {
  return format == CCB_RECORD_VBS || format == CCB_RECORD_VS;
}

int descriptorWordSize(const RecordFormatOptions& options) {
  if (!hasDescriptorWords(options.format)) return 0;
  return options.varseqFormat == SHORT_VARSEQ_FORMAT ? SHORT_DESCRIPTOR_SIZE : DESCRIPTOR_SIZE;
}

void applyRecordFormatOptions(const RecordFormatOptions& options, CCBReadOptions* readOptions) {
  readOptions->setRecordFormat(options.format);
  readOptions->setRecordLength(options.recordLength);
  readOptions->setRdwLittleEndian(options.rdwLittleEndian);
  readOptions->setRdwExcludesHeader(options.rdwExcludesHeader);
  readOptions->setBdwExcludesHeader(options.bdwExcludesHeader);
  readOptions->setVarseqFormat(options.varseqFormat);
  readOptions->setSkip(options.skip);
}

bool checkSkip(const std::string& dataFile, int64_t skip, std::string* error) {
  struct stat info;
  if (stat(dataFile.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size >= skip) {
    return true;
  }
  *error = dataFile + ": the file is " + std::to_string(info.st_size) +
           " bytes long, shorter than --skip " + std::to_string(skip);
  return false;
}
