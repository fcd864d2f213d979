#include "sample_evaluation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "output_text.h"
#include "reader_setup.h"
#include "text_plausibility.h"

namespace {

// A failure this close to the end of a piece that ends before the file does is taken
// for the piece's end: the record there is cut by the sample, not by the file. A
// descriptor word's record or block is at most 64 KiB.
const int64_t CUT_TOLERANCE = 64 * 1024 + 8;
const size_t SHOWN_RECORD_BYTES = 32;  // of a bad record, in its problem
const size_t SHOWN_FIELD_BYTES = 64;   // of a bad field
const int DESCRIPTOR_SIZE = 4;
const int SEGMENT_LAST = 2;  // segment codes of the segments after a record's first
const int SEGMENT_MIDDLE = 3;
const int64_t MIN_RECORDS = 4;  // an evaluation reads of each piece at least
// The bytes of record an evaluation reads per value of its budget, at most: records of
// few and wide values (a line of thousands of characters) are read by their bytes.
const int64_t BYTES_PER_VALUE = 128;

// Where byte `offset` of a spanned record's data stands in bytes, the record's first
// segment descriptor word at `start`: past the words of the segments before the one
// that holds it, and in vbs of their blocks, since each segment after a record's first
// opens a block. *room: the bytes from there to the end of that segment. -1 where the
// words cannot be followed: one where a later segment's should be holds no code of a
// last or middle segment.
int64_t spannedOffset(const std::string& bytes, int64_t start, int64_t offset,
                      const RecordFormatOptions& records, int64_t* room) {
  for (int64_t at = start;; at += records.format == CCB_RECORD_VBS ? DESCRIPTOR_SIZE : 0) {
    if (at < 0 || at + DESCRIPTOR_SIZE > static_cast<int64_t>(bytes.size())) return -1;
    const auto byte = [&](int index) {
      return int64_t{static_cast<unsigned char>(bytes[static_cast<size_t>(at + index)])};
    };
    const int64_t code = records.rdwLittleEndian ? byte(1) : byte(2);
    const int64_t counted =
        records.rdwLittleEndian ? byte(2) | byte(3) << 8 : byte(0) << 8 | byte(1);
    const int64_t length = records.rdwExcludesHeader ? counted : counted - DESCRIPTOR_SIZE;
    const bool later = at != start;
    if (length <= 0 || (later && code != SEGMENT_LAST && code != SEGMENT_MIDDLE)) return -1;
    if (offset < length) {
      *room = length - offset;
      return at + DESCRIPTOR_SIZE + offset;
    }
    offset -= length;
    at += DESCRIPTOR_SIZE + length;
  }
}

// How far a float lies from 1 in powers of ten: a wrong float format makes values
// tiny or huge.
double floatMagnitude(std::string_view text) {
  const double value = std::strtod(std::string(text).c_str(), nullptr);
  return value == 0 || !std::isfinite(value) ? 0 : std::fabs(std::log10(std::fabs(value)));
}

}  // namespace

bool SampleProblem::precedes(const SampleProblem& other) const {
  if (!other.found) return found;
  if (!found) return false;
  if (recordOffset != other.recordOffset) return recordOffset < other.recordOffset;
  return fieldOffset < other.fieldOffset;
}

double SampleTally::share() const {
  return judged() > 0 ? static_cast<double>(clean + unusual) / static_cast<double>(judged()) : 0;
}

// One read of one piece of the sample with one layout active. A bad record is counted
// by the first pass that meets it (the framing's are met by every pass); records of no
// layout are counted by the first layout's passes.
class SampleEvaluator::Pass : public CCBBadRecordCallback {
 public:
  Pass(LayoutReader* layout, const PieceRead& read, const Setting& setting, bool scoreText,
       SampleTally* tally, std::set<int64_t>* badOffsets)
      : layout_(layout),
        read_(read),
        setting_(setting),
        scoreText_(scoreText),
        tally_(tally),
        badOffsets_(badOffsets) {}

  CCBRecordReader* reader() const { return layout_->reader.get(); }

  void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                 const QvbString& reason) override {
    const int64_t at = read_.piece->offset + offset;
    if (!badOffsets_->insert(at).second) return;
    ++tally_->badRecords;
    ++tally_->records;
    tally_->bad += static_cast<int64_t>(layout_->names.size());
    SampleProblem problem;
    problem.found = true;
    problem.record = fileNumber(number);
    problem.recordOffset = at;
    problem.bytes.assign(reinterpret_cast<const char*>(bytes),
                         std::min(static_cast<size_t>(std::max(length, 0)), SHOWN_RECORD_BYTES));
    problem.expected = messageText(reason);
    note(problem);
  }

  // The record just read, checked value by value.
  void record(CCBRecordCheck* check) {
    ++tally_->records;
    const unsigned char* states = check->getStates();
    for (int i = 0; i < check->getColumnCount(); ++i) {
      switch (states[i]) {
        case CCB_VALUE_NULL:
          ++tally_->null;
          continue;
        case CCB_VALUE_BAD:
          ++tally_->bad;
          if (!tally_->first.found || tally_->first.recordOffset > recordOffset()) {
            badField(check, i);
          }
          continue;
        case CCB_VALUE_UNUSUAL:
          ++tally_->unusual;
          break;
        default:
          ++tally_->clean;
          break;
      }
      weigh(i);
    }
  }

  // Reading stopped at a record: where the piece ends before the file, a record cut
  // by the piece's end ends the piece; any other stop is where the framing fails.
  void failed(int64_t recordLength) {
    const int64_t offset = reader()->getRecordOffset();
    const int64_t tolerance = std::max(CUT_TOLERANCE, recordLength + DESCRIPTOR_SIZE * 2);
    if (read_.cut && static_cast<int64_t>(read_.usable) - offset <= tolerance) return;
    tally_->holds = false;
    SampleProblem problem;
    problem.found = true;
    problem.record = fileNumber(reader()->getRecordNumber());
    problem.recordOffset = read_.piece->offset + offset;
    problem.bytes = bytesAt(offset);
    problem.expected = messageText(reader()->getErrorMessage());
    note(problem);
  }

  // The records of no layout that the framing stepped over.
  void unknownRecords() {
    int64_t number = -1, offset = 0;
    QvbString identifier;
    if (!reader()->getFirstUnknownRecord(number, offset, identifier)) return;
    const int64_t count = reader()->getUnknownRecordCount();
    tally_->badRecords += count;
    tally_->records += count;
    tally_->bad += count * static_cast<int64_t>(layout_->names.size());
    SampleProblem problem;
    problem.found = true;
    problem.record = fileNumber(number);
    problem.recordOffset = read_.piece->offset + offset;
    problem.bytes = bytesAt(offset);
    problem.expected = "its identifier '" + identifier.str() + "' is no layout's";
    note(problem);
  }

 private:
  int64_t fileNumber(int64_t number) const {
    return read_.numberBase >= 0 && number >= 0 ? read_.numberBase + number : -1;
  }
  int64_t recordOffset() const { return read_.piece->offset + reader()->getRecordOffset(); }
  // The first bytes of the piece from offset on, for a problem's report.
  std::string bytesAt(int64_t offset) const {
    const std::string& bytes = read_.piece->bytes;
    if (offset < 0 || static_cast<size_t>(offset) > bytes.size()) return std::string();
    return bytes.substr(static_cast<size_t>(offset), SHOWN_RECORD_BYTES);
  }
  int64_t dataOffset() const { return recordOffset() + descriptorWordSize(setting_.records); }
  // The piece offset of byte `offset` of the current record's data, or -1; *room: the
  // bytes from there that stand together in the file (a spanned record's go on in its
  // next segment).
  int64_t fieldPlace(int64_t offset, int64_t* room) const {
    const int64_t start = reader()->getRecordOffset();
    if (!isSpannedFormat(setting_.records.format)) {
      return start + descriptorWordSize(setting_.records) + offset;
    }
    return spannedOffset(read_.piece->bytes, start, offset, setting_.records, room);
  }

  void note(const SampleProblem& problem) {
    if (problem.precedes(tally_->first)) tally_->first = problem;
  }

  // The float values' sizes, and the display text's plausibility.
  void weigh(int column) {
    const bool isFloat = layout_->usages[static_cast<size_t>(column)] == CCB_USAGE_FLOAT;
    const bool text = scoreText_ && layout_->text[static_cast<size_t>(column)];
    const char* bytes = nullptr;
    int length = 0;
    if ((!isFloat && !text) || !reader()->getOutputBytes(column, bytes, length)) return;
    const std::string_view value(bytes, static_cast<size_t>(length));
    if (isFloat) tally_->magnitude += floatMagnitude(value);
    if (text) tally_->textScore += textPlausibility(value);
  }

  void badField(CCBRecordCheck* check, int column) {
    SampleProblem problem;
    problem.found = true;
    problem.record = fileNumber(reader()->getRecordNumber());
    problem.recordOffset = recordOffset();
    problem.column = layout_->names[static_cast<size_t>(column)];
    int64_t offset = check->getFieldOffset(column);
    if (offset < 0) offset = layout_->offsets[static_cast<size_t>(column)];
    const int length = check->getFieldLength(column);
    const unsigned char* record = reader()->getRecordBytes();
    int64_t room = length;
    const int64_t at =
        offset >= 0 && record != nullptr && offset + length <= reader()->getRecordSize()
            ? fieldPlace(offset, &room)
            : -1;
    if (at >= 0) {
      problem.fieldOffset = read_.piece->offset + at;
      problem.bytes.assign(
          reinterpret_cast<const char*>(record) + offset,
          std::min({static_cast<size_t>(length), static_cast<size_t>(room), SHOWN_FIELD_BYTES}));
    } else {
      problem.fieldOffset = dataOffset();
    }
    problem.expected = check->getExpected(column).str();
    for (int i = 0; i < column; ++i) {
      const char* bytes = nullptr;
      int size = 0;
      if (check->getStates()[i] == CCB_VALUE_BAD || !reader()->getOutputBytes(i, bytes, size)) {
        continue;
      }
      problem.before.emplace_back(layout_->names[static_cast<size_t>(i)],
                                  std::string(bytes, static_cast<size_t>(size)));
    }
    note(problem);
  }

  LayoutReader* layout_;
  const PieceRead& read_;
  const Setting& setting_;
  const bool scoreText_;
  SampleTally* tally_;
  std::set<int64_t>* badOffsets_;
};

SampleEvaluator::SampleEvaluator(const ReadOptions& options, const FileSample& sample,
                                 const LayoutFacts& facts)
    : options_(options),
      sample_(sample),
      facts_(facts),
      check_(createCCBRecordCheck(), [](CCBRecordCheck* c) {
        if (c != nullptr) c->release();
      }) {}

SampleEvaluator::LayoutReader* SampleEvaluator::readerFor(const Setting& setting, size_t layout) {
  const auto key = std::make_tuple(static_cast<int>(setting.floatFormat), setting.odoMax, layout);
  auto& slot = readers_[key];
  if (slot != nullptr) return slot.get();
  ReadOptions options = options_;
  options.activeLayout = layout;
  options.layout.setFloatFormat(setting.floatFormat);
  if (setting.odoMax) options.layout.setOdoLayout(CCB_ODO_MAX);
  RecordReaderPtr reader = prepareReader(options, nullptr, &error_);
  if (reader == nullptr || check_ == nullptr) {
    readers_.erase(key);
    return nullptr;
  }
  slot.reset(new LayoutReader);
  const int columns = reader->getOutputCount();
  for (int i = 0; i < columns; ++i) {
    QvbString name;
    int type = 0, length = 0;
    reader->getOutputInfo(i, name, type, length);
    int64_t offset = 0;
    int storage = 0;
    CCBColumnUsage usage = CCB_USAGE_DISPLAY;
    bool variable = false;
    reader->getColumnLayout(i, offset, storage, usage, variable);
    slot->usages.push_back(usage);
    slot->text.push_back(usage == CCB_USAGE_DISPLAY && type == QVB_TYPE_STRING);
    slot->names.push_back(toUtf8(name.str()));
    slot->offsets.push_back(variable ? -1 : offset);
  }
  slot->reader = std::move(reader);
  return slot.get();
}

// The start piece from the skip on; where the sample is not the whole file, fixed
// records and lines are also read in the other pieces, from their first whole record
// on. Each piece read ends with its last whole record or line.
std::vector<SampleEvaluator::PieceRead> SampleEvaluator::pieceReads(const Setting& setting,
                                                                    bool startOnly) const {
  const RecordFormatOptions& records = setting.records;
  const bool cut = !sample_.whole();
  const int64_t length = records.recordLength > 0 ? records.recordLength : facts_.recordLength;
  std::vector<PieceRead> reads;
  for (const SamplePiece& piece : sample_.pieces()) {
    const int64_t size = static_cast<int64_t>(piece.bytes.size());
    PieceRead read = {&piece, records.skip - piece.offset, piece.bytes.size(), 0, cut};
    if (&piece != &sample_.start()) {
      if (startOnly) break;
      if (records.format == CCB_RECORD_FIXED && length > 0) {
        const int64_t before = (piece.offset - records.skip + length - 1) / length;
        read.skip = records.skip + before * length - piece.offset;
        read.numberBase = before;
      } else if (records.format == CCB_RECORD_LINES) {
        const size_t end = piece.bytes.find('\n');  // of the line the piece cuts
        if (end == std::string::npos) continue;
        read.skip = static_cast<int64_t>(end) + 1;
        read.numberBase = -1;
      } else {
        break;
      }
    }
    if (read.skip < 0 || read.skip >= size) continue;
    if (cut && records.format == CCB_RECORD_FIXED && length > 0) {
      read.usable = static_cast<size_t>(read.skip + (size - read.skip) / length * length);
    } else if (cut && records.format == CCB_RECORD_LINES) {
      read.usable = piece.bytes.rfind('\n') + 1;
    }
    reads.push_back(read);
  }
  return reads;
}

CCBReadOptions SampleEvaluator::readOptionsOf(const Setting& setting) const {
  CCBReadOptions readOptions;
  applyRecordFormatOptions(setting.records, &readOptions);
  readOptions.setCodePage(setting.codePage);
  readOptions.setResultEncoding(CCB_RESULT_UTF8);
  readOptions.setComp5LittleEndian(setting.comp5LittleEndian);
  readOptions.setBinaryLittleEndian(setting.binaryLittleEndian);
  readOptions.setZeroBytes(options_.zeroBytes);
  readOptions.setMaxErrors(-1);
  return readOptions;
}

bool SampleEvaluator::openPiece(CCBRecordReader* reader, CCBReadOptions readOptions,
                                const PieceRead& read) {
  readOptions.setSkip(read.skip);
  return reader->openDataMemory(reinterpret_cast<const unsigned char*>(read.piece->bytes.data()),
                                read.usable, readOptions);
}

SampleTally SampleEvaluator::evaluate(const Setting& setting, int64_t startValues,
                                      int64_t otherValues, bool scoreText) {
  SampleTally tally;
  std::set<int64_t> badOffsets;
  const std::vector<PieceRead> reads = pieceReads(setting, false);
  for (size_t layout = 0; layout < options_.layouts.size(); ++layout) {
    LayoutReader* entry = readerFor(setting, layout);
    if (entry == nullptr) {
      tally.holds = false;
      return tally;
    }
    for (size_t i = 0; i < reads.size(); ++i) {
      Pass pass(entry, reads[i], setting, scoreText, &tally, &badOffsets);
      CCBRecordReader* reader = entry->reader.get();
      reader->setBadRecordCallback(&pass);
      if (!openPiece(reader, readOptionsOf(setting), reads[i])) {
        reader->setBadRecordCallback(nullptr);
        tally.holds = false;
        return tally;
      }
      bool failed = false;
      const int64_t values = i == 0 ? startValues : otherValues;
      const int64_t columns = std::max<int64_t>(1, static_cast<int64_t>(entry->names.size()));
      const int64_t length = std::max<int64_t>(1, facts_.recordLength);
      const int64_t most =
          std::max(MIN_RECORDS, std::min(values / columns, values * BYTES_PER_VALUE / length));
      for (int64_t n = 0; n < most && reader->readNextRecord(failed); ++n) {
        if (check_->check(reader)) pass.record(check_.get());
      }
      reader->setBadRecordCallback(nullptr);
      if (failed) pass.failed(facts_.recordLength);
      if (layout == 0) pass.unknownRecords();
    }
  }
  return tally;
}

int64_t SampleEvaluator::firstWalkingSkip(const Setting& setting, const std::vector<bool>& skips,
                                          int maxRecords) {
  LayoutReader* entry = readerFor(setting, 0);
  if (entry == nullptr) return -1;
  const CCBReadOptions readOptions = readOptionsOf(setting);
  const SamplePiece& start = sample_.start();
  PieceRead read = {&start, 0, start.bytes.size(), 0, !sample_.whole()};
  for (size_t skip = 0; skip < skips.size() && skip < start.bytes.size(); ++skip) {
    read.skip = static_cast<int64_t>(skip);
    if (skips[skip] && walkHolds(entry->reader.get(), readOptions, read, maxRecords)) {
      return read.skip;
    }
  }
  return -1;
}

bool SampleEvaluator::walkHolds(CCBRecordReader* reader, const CCBReadOptions& readOptions,
                                const PieceRead& read, int maxRecords) {
  if (!openPiece(reader, readOptions, read)) return false;
  bool failed = false;
  int records = 0;
  while (records < maxRecords && reader->readNextRecord(failed)) ++records;
  if (!failed) return records > 0;
  const int64_t left = static_cast<int64_t>(read.usable) - reader->getRecordOffset();
  return records > 0 && read.cut &&
         left <= std::max(CUT_TOLERANCE, facts_.recordLength + int64_t{DESCRIPTOR_SIZE});
}

std::vector<double> SampleEvaluator::recordShares(const Setting& setting, int count) {
  std::vector<double> shares;
  const std::vector<PieceRead> reads = pieceReads(setting, true);
  if (reads.empty()) return shares;
  for (size_t layout = 0; layout < options_.layouts.size(); ++layout) {
    LayoutReader* entry = readerFor(setting, layout);
    if (entry == nullptr || !openPiece(entry->reader.get(), readOptionsOf(setting), reads[0])) {
      return shares;
    }
    CCBRecordReader* reader = entry->reader.get();
    bool failed = false;
    while (reader->readNextRecord(failed)) {
      const int64_t number = reader->getRecordNumber();
      if (number < 1 || number > count || !check_->check(reader)) break;
      if (shares.size() < static_cast<size_t>(number)) shares.resize(static_cast<size_t>(number));
      const int bad = check_->getStateCount(CCB_VALUE_BAD);
      const int good =
          check_->getStateCount(CCB_VALUE_CLEAN) + check_->getStateCount(CCB_VALUE_UNUSUAL);
      shares[static_cast<size_t>(number - 1)] =
          good + bad > 0 ? static_cast<double>(good) / (good + bad) : 0;
    }
  }
  return shares;
}
