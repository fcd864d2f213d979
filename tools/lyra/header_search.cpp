#include "header_search.h"

#include <algorithm>

#include "reader_setup.h"

namespace {

const int CONFIRMING_RECORDS = 4;  // records after a header that must decode cleanly
// A record of which fewer values than this share decode cleanly may be part of a header.
const double POOR_RECORD_SHARE = 0.5;
const int WALK_RECORDS = 2000;  // records a walk reads at most to hold
const int DESCRIPTOR_SIZE = 4;
// GnuCOBOL's variable-file forms (COB_VARSEQ_FORMAT) that are not rdw words of a kind.
const int VARSEQ_LONG = 1;         // a 4-byte big-endian length
const int VARSEQ_LONG_LITTLE = 2;  // a 4-byte little-endian length
const int VARSEQ_SHORT = 3;        // a 2-byte length alone
// Segment codes: a whole record, its first segment, ..., a middle one.
const int SEGMENT_FIRST = 1;
const int LAST_SEGMENT_CODE = 3;
// A scan that fails this close to the end of a sample that is not the whole file has
// met a record cut by the sample: a descriptor word's record or block is at most
// 64 KiB.
const int64_t CUT_TOLERANCE = 64 * 1024 + 8;
// Repeats: the bytes of the sample's start compared, the longest record length looked
// at beyond the layout's, and by how much more often the bytes must repeat at it.
const size_t PERIOD_BYTES = 16 * 1024;
const int64_t MAX_PERIOD_EXTRA = 4096;
const double PERIOD_MARGIN = 0.1;

// Counts the split points of a scan and keeps the last.
struct ChainEnd : CCBSplitCallback {
  int64_t points = 0;
  int64_t last = 0;
  bool splitPoint(int64_t offset, int64_t) override {
    ++points;
    last = offset;
    return true;
  }
};

int wordAt(const std::string& bytes, int64_t at, int index) {
  return static_cast<unsigned char>(bytes[static_cast<size_t>(at + index)]);
}

// The data length a GnuCOBOL variable file's length word at `at` gives, in the form
// COB_VARSEQ_FORMAT chose; -1 where form 0's zero bytes are not zero.
int64_t varseqLength(const std::string& bytes, int64_t at, int form) {
  const auto w = [&](int index) { return int64_t{wordAt(bytes, at, index)}; };
  switch (form) {
    case VARSEQ_LONG:
      return w(0) << 24 | w(1) << 16 | w(2) << 8 | w(3);
    case VARSEQ_LONG_LITTLE:
      return w(3) << 24 | w(2) << 16 | w(1) << 8 | w(0);
    case VARSEQ_SHORT:
      return w(0) << 8 | w(1);
    default:
      return (w(2) | w(3)) != 0 ? -1 : w(0) << 8 | w(1);
  }
}

// The bytes that a record (segment) descriptor word at `at` spans with its record, or
// -1 where it can be none; a record of no data too, which no file starts with. *code:
// a segment's place in its record, in the reserved byte next to the length (0 where
// records are not spanned); a code past the last is none.
int64_t rdwSpan(const std::string& bytes, int64_t at, const RecordFormatOptions& records,
                int* code) {
  const int size = descriptorWordSize(records);
  *code = 0;
  if (at + size > static_cast<int64_t>(bytes.size())) return -1;
  int64_t data = 0;
  if (records.varseqFormat >= 0) {
    data = varseqLength(bytes, at, records.varseqFormat);
  } else {
    const bool little = records.rdwLittleEndian;
    const bool spanned = isSpannedFormat(records.format);
    if (spanned) *code = little ? wordAt(bytes, at, 1) : wordAt(bytes, at, 2);
    const int reserved = little ? wordAt(bytes, at, 0) | (spanned ? 0 : wordAt(bytes, at, 1))
                                : wordAt(bytes, at, 3) | (spanned ? 0 : wordAt(bytes, at, 2));
    const int length = little ? wordAt(bytes, at, 2) | wordAt(bytes, at, 3) << 8
                              : wordAt(bytes, at, 0) << 8 | wordAt(bytes, at, 1);
    if (reserved != 0 || *code > LAST_SEGMENT_CODE) return -1;
    data = records.rdwExcludesHeader ? length : length - DESCRIPTOR_SIZE;
  }
  return data <= 0 ? -1 : data + size;
}

// The bytes a block descriptor word at `at` spans with its block, or -1.
int64_t bdwSpan(const std::string& bytes, int64_t at, bool excludesHeader) {
  if (at + DESCRIPTOR_SIZE > static_cast<int64_t>(bytes.size())) return -1;
  int64_t length = 0;
  if ((wordAt(bytes, at, 0) & 0x80) != 0) {
    length = int64_t{wordAt(bytes, at, 0) & 0x7F} << 24 | wordAt(bytes, at, 1) << 16 |
             wordAt(bytes, at, 2) << 8 | wordAt(bytes, at, 3);
  } else if ((wordAt(bytes, at, 2) | wordAt(bytes, at, 3)) != 0) {
    return -1;
  } else {
    length = wordAt(bytes, at, 0) << 8 | wordAt(bytes, at, 1);
  }
  return excludesHeader ? length + DESCRIPTOR_SIZE : length;
}

// Whether the bytes at `at` can start the descriptor-word file: two record
// descriptor words one after the other, or a block descriptor word with one before
// its first record; a segment that starts a record (whole, or the first of several).
// A cheap look that spares most skips the scan.
bool plausibleStart(const std::string& bytes, int64_t at, const RecordFormatOptions& records) {
  int code = 0;
  if (records.format == CCB_RECORD_VB || records.format == CCB_RECORD_VBS) {
    const int64_t block = bdwSpan(bytes, at, records.bdwExcludesHeader);
    const int64_t record = rdwSpan(bytes, at + DESCRIPTOR_SIZE, records, &code);
    return block > DESCRIPTOR_SIZE && record > 0 && record <= block - DESCRIPTOR_SIZE &&
           code <= SEGMENT_FIRST;
  }
  const int64_t first = rdwSpan(bytes, at, records, &code);
  if (first < 0 || code > SEGMENT_FIRST) return false;
  const int64_t next = at + first;
  return next + descriptorWordSize(records) > static_cast<int64_t>(bytes.size()) ||
         rdwSpan(bytes, next, records, &code) >= 0 || next == static_cast<int64_t>(bytes.size());
}

// Whether the chain of descriptor words from the setting's skip holds through the
// sample's start: to its end exactly, or, where the sample is not the whole file, to a
// record the sample cuts.
bool chainHolds(CCBRecordReader* scanner, const FileSample& sample, const Setting& setting) {
  CCBReadOptions options;
  applyRecordFormatOptions(setting.records, &options);
  ChainEnd end;
  const std::string& bytes = sample.start().bytes;
  const bool complete = scanner->scanSplitPointsMemory(
      reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), options, 1, &end);
  if (complete) return end.points > 0;
  return !sample.whole() && end.points > 1 &&
         static_cast<int64_t>(bytes.size()) - end.last <= CUT_TOLERANCE;
}

// The first skip up to MAX_HEADER_BYTES at which the row's chain holds; -1 for none.
int64_t chainHeader(CCBRecordReader* scanner, const FileSample& sample, Setting setting) {
  const int64_t last =
      std::min<int64_t>(MAX_HEADER_BYTES, static_cast<int64_t>(sample.start().bytes.size()) - 1);
  for (int64_t skip = 0; skip <= last; ++skip) {
    if (!plausibleStart(sample.start().bytes, skip, setting.records)) continue;
    setting.records.skip = skip;
    if (chainHolds(scanner, sample, setting)) return skip;
  }
  return -1;
}

Setting withProbe(const Setting& framing, const Setting& probe) {
  Setting setting = probe;
  setting.records = framing.records;
  return setting;
}

// The first record from which CONFIRMING_RECORDS records (or every one left, one at
// least) decode cleanly, and before which every record decodes poorly: bytes that
// hardly decode as records are a header, while records that mostly decode are records,
// which a header never swallows. -1 for none.
int firstCleanRun(const std::vector<double>& shares) {
  const int count = static_cast<int>(shares.size());
  for (int first = 0; first < count; ++first) {
    const int end = std::min(count, first + CONFIRMING_RECORDS);
    if (std::all_of(shares.begin() + first, shares.begin() + end,
                    [](double share) { return share == 1; })) {
      return first;
    }
    if (shares[static_cast<size_t>(first)] >= POOR_RECORD_SHARE) return -1;
  }
  return -1;
}

// The first record, under any probe, from which records decode cleanly; -1 for none.
int firstCleanRecord(SampleEvaluator* evaluator, const Setting& framing,
                     const std::vector<Setting>& probes, int count) {
  int best = -1;
  for (const Setting& probe : probes) {
    const int first = firstCleanRun(evaluator->recordShares(withProbe(framing, probe), count));
    if (first >= 0 && (best < 0 || first < best)) best = first;
  }
  return best;
}

// How often the bytes of the sample's start repeat at a distance: the share of bytes
// equal to the byte that far on.
double repeatShare(const std::string& bytes, size_t distance) {
  const size_t size = std::min(bytes.size(), PERIOD_BYTES);
  if (distance >= size) return 0;
  size_t same = 0;
  for (size_t i = 0; i + distance < size; ++i) same += bytes[i] == bytes[i + distance];
  return static_cast<double>(same) / static_cast<double>(size - distance);
}

// The layout's length, and the length beyond it at which the bytes repeat most when
// they repeat clearly more than at the layout's: records padded past their layout.
std::vector<int64_t> fixedLengths(const FileSample& sample, int64_t layoutLength) {
  std::vector<int64_t> lengths = {layoutLength};
  const std::string& bytes = sample.start().bytes;
  const int64_t last = std::min(2 * layoutLength, layoutLength + MAX_PERIOD_EXTRA);
  double best = repeatShare(bytes, static_cast<size_t>(layoutLength)) + PERIOD_MARGIN;
  int64_t found = 0;
  for (int64_t length = layoutLength + 1; length <= last; ++length) {
    const double share = repeatShare(bytes, static_cast<size_t>(length));
    if (share > best) {
      best = share;
      found = length;
    }
  }
  if (found > 0) lengths.push_back(found);
  return lengths;
}

// Fixed records of the length: the header that the data's size leaves (none where
// the size is unknown), or a longer one by whole records, the first after which
// records decode cleanly.
bool fixedHeader(const FileSample& sample, int64_t length, const std::vector<Setting>& probes,
                 SampleEvaluator* evaluator, Setting* setting) {
  if (length <= 0) return false;
  const int64_t size = sample.dataSize() >= 0 ? sample.dataSize()
                                              : static_cast<int64_t>(sample.start().bytes.size());
  const int64_t least = sample.dataSize() >= 0 ? size % length : 0;
  if (least > MAX_HEADER_BYTES || size < least + length) return false;
  setting->records.skip = least;
  const int64_t inStart = (static_cast<int64_t>(sample.start().bytes.size()) - least) / length;
  const int64_t count =
      std::min(inStart, (MAX_HEADER_BYTES - least) / length + 1 + CONFIRMING_RECORDS);
  const int first = firstCleanRecord(evaluator, *setting, probes, static_cast<int>(count));
  if (first > 0 && least + first * length <= MAX_HEADER_BYTES) {
    setting->records.skip = least + first * length;
  }
  return true;
}

// Lines: no header, the first line, or the bytes by which the first line is longer
// than the layout; the first of them after which lines decode cleanly.
int64_t linesHeader(const FileSample& sample, int64_t layoutLength,
                    const std::vector<Setting>& probes, SampleEvaluator* evaluator,
                    const Setting& framing) {
  const std::string& bytes = sample.start().bytes;
  const size_t end = bytes.find('\n');
  const int64_t content = static_cast<int64_t>(end) - (end > 0 && bytes[end - 1] == '\r' ? 1 : 0);
  std::vector<int64_t> skips = {0, static_cast<int64_t>(end) + 1};
  if (content > layoutLength) skips.push_back(content - layoutLength);
  std::sort(skips.begin(), skips.end());
  for (int64_t skip : skips) {
    if (skip >= static_cast<int64_t>(bytes.size()) || skip > MAX_HEADER_BYTES) continue;
    Setting setting = framing;
    setting.records.skip = skip;
    if (firstCleanRecord(evaluator, setting, probes, CONFIRMING_RECORDS) == 0) return skip;
  }
  return 0;
}

// The bytes of letters, digits and the blank in the EBCDIC pages, which all agree on
// them: the identifiers of record types are written in them.
unsigned char ebcdicByte(unsigned char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned char>(0xF0 + (c - '0'));
  const unsigned char upper = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
  if (upper >= 'A' && upper <= 'I') return static_cast<unsigned char>(0xC1 + (upper - 'A'));
  if (upper >= 'J' && upper <= 'R') return static_cast<unsigned char>(0xD1 + (upper - 'J'));
  if (upper >= 'S' && upper <= 'Z') return static_cast<unsigned char>(0xE2 + (upper - 'S'));
  return c == ' ' ? 0x40 : 0;
}

bool sameLetter(unsigned char byte, unsigned char c) {
  const auto upper = [](unsigned char x) { return x >= 'a' && x <= 'z' ? x - 32 : x; };
  return upper(byte) == upper(c);
}

// Whether an identifier in text (an alphanumeric clause) stands at `at` in the bytes, as
// ASCII or EBCDIC letters and digits, letter case ignored; the EBCDIC letters of both
// cases share their zone's low nibble.
bool identifierAt(const std::string& bytes, size_t at, const std::string& id) {
  if (at + id.size() > bytes.size() || id.empty()) return false;
  bool ascii = true, ebcdic = true;
  for (size_t i = 0; i < id.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(bytes[at + i]);
    const unsigned char c = static_cast<unsigned char>(id[i]);
    ascii = ascii && sameLetter(byte, c);
    const unsigned char e = ebcdicByte(c);
    ebcdic = ebcdic && e != 0 && (byte == e || (e >= 0xC1 && e <= 0xE9 && byte == e - 0x40));
  }
  return ascii || ebcdic;
}

// The skips at which a record may start: with several layouts told apart by an
// identifier in text, those where one of their identifiers stands; otherwise all.
std::vector<bool> recordStarts(const std::string& bytes, const ReadOptions& options) {
  const int64_t last = std::min<int64_t>(MAX_HEADER_BYTES, static_cast<int64_t>(bytes.size()) - 1);
  std::vector<bool> starts(static_cast<size_t>(last + 1), true);
  std::string clauses = options.idClauses;
  std::transform(clauses.begin(), clauses.end(), clauses.begin(), ::toupper);
  const bool text = clauses.find('X') != std::string::npos &&
                    clauses.find("COMP") == std::string::npos &&
                    clauses.find("BINARY") == std::string::npos;
  if (options.layouts.size() < 2 || !text) return starts;
  for (size_t skip = 0; skip < starts.size(); ++skip) {
    const size_t at = skip + static_cast<size_t>(options.idOffset);
    starts[skip] =
        std::any_of(options.layouts.begin(), options.layouts.end(),
                    [&](const LayoutSource& layout) { return identifierAt(bytes, at, layout.id); });
  }
  return starts;
}

// The layout's walk: the first skip from which it holds under a probe; -1 for none.
int64_t walkHeader(const FileSample& sample, const ReadOptions& options,
                   const std::vector<Setting>& probes, SampleEvaluator* evaluator,
                   const Setting& framing) {
  const std::vector<bool> starts = recordStarts(sample.start().bytes, options);
  int64_t best = -1;
  for (const Setting& probe : probes) {
    std::vector<bool> skips = starts;
    if (best >= 0) skips.resize(static_cast<size_t>(best));  // only an earlier one matters
    const int64_t skip =
        evaluator->firstWalkingSkip(withProbe(framing, probe), skips, WALK_RECORDS);
    if (skip >= 0 && (best < 0 || skip < best)) best = skip;
  }
  return best;
}

}  // namespace

std::vector<Setting> findFramings(const FileSample& sample, const LayoutFacts& facts,
                                  const ReadOptions& options, const std::vector<Setting>& probes,
                                  const std::vector<Setting>& walkProbes,
                                  SampleEvaluator* evaluator) {
  std::vector<Setting> framings;
  RecordReaderPtr scanner(createCCBRecordReader());
  const std::string& start = sample.start().bytes;
  for (int row = 0; row < FRAMING_ROW_COUNT && !start.empty(); ++row) {
    Setting setting = framingSetting(FRAMING_ROWS[row]);
    switch (FRAMING_ROWS[row].header) {
      case HEADER_BY_SIZE:
        for (int64_t length : fixedLengths(sample, facts.recordLength)) {
          setting.records.recordLength =
              length == facts.recordLength ? 0 : static_cast<int>(length);
          if (fixedHeader(sample, length, probes, evaluator, &setting)) framings.push_back(setting);
        }
        break;
      case HEADER_BY_CHAIN:
        setting.records.skip =
            scanner != nullptr ? chainHeader(scanner.get(), sample, setting) : -1;
        if (setting.records.skip >= 0) framings.push_back(setting);
        break;
      case HEADER_BY_LINES:
        if (start.find('\n') == std::string::npos) break;
        setting.records.skip = linesHeader(sample, facts.recordLength, probes, evaluator, setting);
        framings.push_back(setting);
        break;
      case HEADER_BY_WALK:
        // Where every record has the one layout's length, fixed records read it alike.
        if (!facts.variable && options.layouts.size() < 2) break;
        setting.records.skip = walkHeader(sample, options, walkProbes, evaluator, setting);
        if (setting.records.skip >= 0) framings.push_back(setting);
        break;
    }
  }
  return framings;
}
