#include "hints.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int DEFAULT_MARGIN = 72;
const size_t TEXT_PROBE = 4096;  // bytes looked at to tell text lines

// A change of layout options that may load a copybook, and the hint that names it.
struct LayoutFix {
  bool (*applies)(const CCBLayoutOptions& options);
  void (*apply)(CCBLayoutOptions* options);
  const char* hint;
};

const LayoutFix LAYOUT_FIXES[] = {
    {[](const CCBLayoutOptions& o) { return o.getSourceFormat() == CCB_SOURCE_FIXED; },
     [](CCBLayoutOptions* o) { o->setSourceFormat(CCB_SOURCE_FREE); },
     "this copybook looks like free form: add --source-format free"},
    {[](const CCBLayoutOptions& o) { return o.getMargin() == DEFAULT_MARGIN; },
     [](CCBLayoutOptions* o) { o->setMargin(0); }, "text stands past column 72: add --margin none"},
    {[](const CCBLayoutOptions& o) { return o.getFloatFormat() == CCB_FLOAT_NONE; },
     [](CCBLayoutOptions* o) { o->setFloatFormat(CCB_FLOAT_IBM); },
     "COMP-1 and COMP-2 items hold floats: add --float-format ibm, ieee or ieee-le"},
};

bool loads(const std::string& copybook, const CCBLayoutOptions& options) {
  std::unique_ptr<CCBLayoutService, void (*)(CCBLayoutService*)> service(
      createCCBLayoutService(), [](CCBLayoutService* s) { s->release(); });
  if (service == nullptr) return false;
  service->setLayoutOptions(options);
  return service->loadCopybook(copybook.c_str()) && service->getOutputCount() > 0;
}

// Ends a split scan once it passes the end of the probe.
struct ProbeEnd : CCBSplitCallback {
  int64_t limit;
  int64_t points = 0;
  explicit ProbeEnd(int64_t end) : limit(end) {}
  bool splitPoint(int64_t offset, int64_t) override {
    ++points;
    return offset < limit;
  }
};

// Whether the options frame the records of the file's first FRAMING_PROBE bytes.
bool framesProbe(const std::string& dataFile, const RecordFormatOptions& records) {
  std::unique_ptr<CCBRecordReader, void (*)(CCBRecordReader*)> reader(
      createCCBRecordReader(), [](CCBRecordReader* r) { r->release(); });
  if (reader == nullptr) return false;
  CCBReadOptions options;
  applyRecordFormatOptions(records, &options);
  ProbeEnd probe(records.skip + FRAMING_PROBE);
  return reader->scanSplitPoints(dataFile.c_str(), options, 1, &probe) && probe.points > 0;
}

// The framing options as a command line gives them.
std::string framingOptions(const RecordFormatOptions& records) {
  std::string text = std::string("--record-format ") + ccbRecordFormatName(records.format);
  if (records.rdwLittleEndian) text += " --rdw-little-endian";
  if (records.rdwExcludesHeader) text += " --rdw-excludes-header";
  if (records.bdwExcludesHeader) text += " --bdw-excludes-header";
  if (records.varseqFormat >= 0) text += " --varseq-format " + std::to_string(records.varseqFormat);
  return text;
}

// Every framing by descriptor words but the one given, those that change least first.
std::vector<RecordFormatOptions> otherFramings(const RecordFormatOptions& given) {
  std::vector<std::pair<int, RecordFormatOptions>> ranked;
  for (const CCBRecordFormat format : {CCB_RECORD_RDW, CCB_RECORD_VB}) {
    for (int bits = 0; bits < (format == CCB_RECORD_VB ? 8 : 4); ++bits) {
      RecordFormatOptions candidate = given;
      candidate.format = format;
      candidate.varseqFormat = -1;
      candidate.rdwLittleEndian = (bits & 1) != 0;
      candidate.rdwExcludesHeader = (bits & 2) != 0;
      candidate.bdwExcludesHeader = (bits & 4) != 0;
      const int changes = (format != given.format) + (given.varseqFormat >= 0) +
                          (candidate.rdwLittleEndian != given.rdwLittleEndian) +
                          (candidate.rdwExcludesHeader != given.rdwExcludesHeader) +
                          (candidate.bdwExcludesHeader != given.bdwExcludesHeader);
      if (changes > 0) ranked.emplace_back(changes, candidate);
    }
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<RecordFormatOptions> framings;
  for (const auto& entry : ranked) framings.push_back(entry.second);
  return framings;
}

// Up to count bytes of the file from offset.
std::string bytesAt(const std::string& dataFile, int64_t offset, size_t count) {
  std::string bytes(count, '\0');
  std::FILE* file = std::fopen(dataFile.c_str(), "rb");
  if (file == nullptr) return std::string();
  const bool placed = fseeko(file, offset, SEEK_SET) == 0;
  bytes.resize(placed ? std::fread(&bytes[0], 1, count, file) : 0);
  std::fclose(file);
  return bytes;
}

// Text lines: printable bytes, tabs and line ends only, and at least one line end.
bool looksLikeLines(const std::string& bytes) {
  const bool printable = std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x20 || byte == '\n' || byte == '\r' || byte == '\t';
  });
  return printable && bytes.find('\n') != std::string::npos;
}

int64_t fileSize(const std::string& dataFile) {
  struct stat info;
  return stat(dataFile.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : -1;
}

}  // namespace

std::string layoutHint(const std::string& copybook, const CCBLayoutOptions& options) {
  if (options.getStrict()) return std::string();
  for (const LayoutFix& fix : LAYOUT_FIXES) {
    if (!fix.applies(options)) continue;
    CCBLayoutOptions changed = options;
    fix.apply(&changed);
    if (loads(copybook, changed)) return fix.hint;
  }
  return std::string();
}

std::string framingHint(const std::string& dataFile, const RecordFormatOptions& records) {
  const CCBRecordFormat format = records.format;
  if ((format != CCB_RECORD_RDW && format != CCB_RECORD_VB) || fileSize(dataFile) < 0 ||
      framesProbe(dataFile, records)) {
    return std::string();
  }
  for (const RecordFormatOptions& candidate : otherFramings(records)) {
    if (framesProbe(dataFile, candidate)) {
      return "these options frame the file's records: " + framingOptions(candidate);
    }
  }
  if (looksLikeLines(bytesAt(dataFile, records.skip, TEXT_PROBE))) {
    return "the file holds text lines: use --record-format lines";
  }
  return std::string();
}

std::string fixedLengthHint(const std::string& dataFile, const RecordFormatOptions& records,
                            int recordLength) {
  const int64_t size = fileSize(dataFile);
  const int64_t after = size - records.skip;
  if (records.format != CCB_RECORD_FIXED || recordLength <= 0 || after <= 0 ||
      after % recordLength == 0) {
    return std::string();
  }
  for (const std::string end : {"\n", "\r\n"}) {
    const int64_t framed = recordLength + static_cast<int64_t>(end.size());
    if (after % framed == 0 && bytesAt(dataFile, records.skip + recordLength, end.size()) == end) {
      return "each record of " + std::to_string(recordLength) +
             " bytes ends in a line end: use --record-format lines";
    }
  }
  const int64_t left = after % recordLength;
  return std::to_string(left) + " bytes are left over after the last whole record of " +
         std::to_string(recordLength) + " bytes: a header of " + std::to_string(left) +
         " bytes would be --skip " + std::to_string(records.skip + left) +
         "; otherwise check --record-length";
}

std::string diagnoseHint(const std::string& hint) {
  if (hint.empty())
    return "lyra diagnose, given the same layouts, names the options that read the file";
  return hint + "; lyra diagnose names every option the file needs";
}

std::string withHint(const std::string& message, const std::string& hint) {
  return hint.empty() ? message : message + "\nhint: " + hint;
}
