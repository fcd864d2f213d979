// Cuts arbitrary bytes, read in memory as a data file, into ranges at points the
// fuzzer chooses, and checks that the ranges read one after another give every record
// exactly once, as a read of the whole input gives them: the same records at the same
// offsets with the same numbers and values, the same bad records passed over, the same
// records of unknown type stepped over, and a failure at the same record. Fixed
// records and lines may be cut at any byte; records behind descriptor words at the
// split points the split scan finds.
//
// The first input byte chooses the options: bits 0-1 and 4 the record format (fixed,
// rdw, vb, lines; with bit 4 rdw in GnuCOBOL's variable-file form 1, vs, vbs, lines),
// bit 2 little-endian descriptor words, bit 3 record (and block) lengths without the
// descriptor, bits 5-7 the number of cuts. The second byte is the skip. Then two bytes
// per cut: a byte offset into the data (fixed, lines) or the index of a split point
// (the others), each modulo their count. The rest is the data, whose first byte tells
// the layout of each record (A or B); data that starts as gzip, bzip2 or zstd data does
// is decompressed, its offsets and split points those of the bytes it holds.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_layouts.h"

namespace {

const int FIXED_LENGTH = 48;
const int MAX_RECORDS = 2000;

// A read as text: each record's number, offset and values, each bad record, and how
// the read ended.
struct ReadText : CCBBadRecordCallback {
  std::string text;
  void badRecord(int64_t number, int64_t offset, const unsigned char*, int length,
                 const QvbString& reason) override {
    text += "bad " + std::to_string(number) + "@" + std::to_string(offset) + "+" +
            std::to_string(length) + ": " + reason.str() + "\n";
  }
};

struct Fuzz {
  CCBRecordReader* reader = createCCBRecordReader();
  Fuzz() {
    if (reader == nullptr || !reader->setIdentifierField(0, "PIC X") ||
        !addLayoutText(reader, LAYOUT_A, "A", true) ||
        !addLayoutText(reader, LAYOUT_B, "B", false)) {
      abort();
    }
  }
  ~Fuzz() { reader->release(); }

  // Reads the range of data with the options (a range's start past the skip needs the
  // number of its first record, unless lines), appending to out; false when it failed.
  bool read(const std::string& data, CCBReadOptions options, ReadText* out, int64_t* unknown) {
    reader->setBadRecordCallback(out);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    if (!reader->openDataMemory(bytes, data.size(), options)) {
      out->text += "open: " + reader->getErrorMessage().str() + "\n";
      return false;
    }
    bool failed = false;
    for (int n = 0; n < MAX_RECORDS && reader->readNextRecord(failed); ++n) {
      out->text += record();
    }
    *unknown += reader->getUnknownRecordCount();
    if (!failed) return true;
    out->text += "failed " + std::to_string(reader->getRecordOffset()) + ": " +
                 reader->getErrorMessage().str() + "\n";
    return false;
  }

  std::string record() {
    std::string text = std::to_string(reader->getRecordNumber()) + "@" +
                       std::to_string(reader->getRecordOffset()) + ":";
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      const char* bytes = nullptr;
      int length = 0;
      text += reader->getOutputBytes(i, bytes, length)
                  ? std::string(bytes, static_cast<size_t>(length))
                  : std::string("~");
      text += "|";
    }
    return text + "\n";
  }
};

struct Points : CCBSplitCallback {
  std::vector<std::pair<int64_t, int64_t>> points;  // offset, record number
  bool splitPoint(int64_t offset, int64_t number) override {
    points.emplace_back(offset, number);
    return points.size() < MAX_RECORDS;
  }
};

// The cut points: offsets anywhere for fixed records and lines, split points for
// records behind descriptor words; sorted, each once, with the number of the record
// that starts there where it is known (-1 otherwise).
std::vector<std::pair<int64_t, int64_t>> cutsFrom(Fuzz* fuzz, const std::string& data,
                                                  const CCBReadOptions& options,
                                                  const uint8_t* choices, int count) {
  std::vector<std::pair<int64_t, int64_t>> cuts;
  const CCBRecordFormat format = options.getRecordFormat();
  Points split;
  if (format != CCB_RECORD_FIXED && format != CCB_RECORD_LINES) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    fuzz->reader->scanSplitPointsMemory(bytes, data.size(), options, 1, &split);
    if (split.points.empty()) return cuts;
  }
  for (int i = 0; i < count; ++i) {
    const size_t choice = static_cast<size_t>(choices[2 * i] << 8 | choices[2 * i + 1]);
    if (!split.points.empty()) {
      cuts.push_back(split.points[choice % split.points.size()]);
    } else if (!data.empty()) {
      cuts.emplace_back(static_cast<int64_t>(choice % (data.size() + 1)), -1);
    }
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  return cuts;
}

// Record numbers that a lines range past the skip cannot know are left out of both.
std::string withoutNumbers(const std::string& text) {
  std::string result;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    std::string line = text.substr(at, end - at);
    const size_t mark = line.find('@');
    if (mark != std::string::npos && line.compare(0, 4, "bad ") == 0) line.erase(4, mark - 4);
    if (mark != std::string::npos && line.compare(0, 4, "bad ") != 0 &&
        line.compare(0, 6, "failed") != 0) {
      line.erase(0, mark);
    }
    result += line + "\n";
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fuzz fuzz;
  static const CCBRecordFormat FORMATS[] = {CCB_RECORD_FIXED, CCB_RECORD_RDW,  CCB_RECORD_VB,
                                            CCB_RECORD_LINES, CCB_RECORD_RDW,  CCB_RECORD_VS,
                                            CCB_RECORD_VBS,   CCB_RECORD_LINES};
  if (size < 2) return 0;
  const uint8_t bits = data[0];
  const int count = bits >> 5;
  if (size < 2 + 2 * static_cast<size_t>(count)) return 0;
  CCBReadOptions options;
  const int framing = (bits & 3) | (bits & 16) >> 2;
  const bool varseq = framing == 4;
  const CCBRecordFormat format = FORMATS[framing];
  options.setRecordFormat(format);
  options.setRecordLength(FIXED_LENGTH);
  options.setVarseqFormat(varseq ? 1 : -1);
  options.setRdwLittleEndian(!varseq && (bits & 4) != 0);
  options.setRdwExcludesHeader(!varseq && (bits & 8) != 0);
  options.setBdwExcludesHeader((format == CCB_RECORD_VB || format == CCB_RECORD_VBS) &&
                               (bits & 8) != 0);
  options.setSkip(data[1] % 16);
  options.setMaxErrors(-1);
  const std::string bytes(reinterpret_cast<const char*>(data) + 2 + 2 * count,
                          size - 2 - 2 * count);
  ReadText whole, joined;
  int64_t wholeUnknown = 0, joinedUnknown = 0;
  fuzz.read(bytes, options, &whole, &wholeUnknown);
  int64_t start = -1, first = -1;
  for (const auto& [cut, number] : cutsFrom(&fuzz, bytes, options, data + 2, count)) {
    if (cut <= options.getSkip()) continue;  // a range there holds nothing
    CCBReadOptions range = options;
    range.setRange(start, cut);
    range.setFirstRecord(first);
    if (!fuzz.read(bytes, range, &joined, &joinedUnknown)) break;
    start = cut;
    first = number;
  }
  // A compressed input that cannot be decompressed may fail already where a range opens.
  if (joined.text.find("failed ") == std::string::npos &&
      joined.text.find("open: ") == std::string::npos) {
    CCBReadOptions rest = options;
    rest.setRange(start, -1);
    rest.setFirstRecord(first);
    fuzz.read(bytes, rest, &joined, &joinedUnknown);
  }
  const bool lines = options.getRecordFormat() == CCB_RECORD_LINES;
  const std::string expected = lines ? withoutNumbers(whole.text) : whole.text;
  const std::string got = lines ? withoutNumbers(joined.text) : joined.text;
  if (expected != got || wholeUnknown != joinedUnknown) abort();
  return 0;
}
