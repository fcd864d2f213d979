#include "verify_run.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "chunk_queue.h"
#include "output_text.h"
#include "progress_meter.h"
#include "range_planner.h"
#include "reader_setup.h"
#include "threaded_read.h"

namespace {

const size_t CHUNKS_PER_WORKER = 2;
const size_t SHOWN_VALUE_BYTES = 64;  // of a bad value, in its report
const int DESCRIPTOR_SIZE = 4;
const int SHORT_VARSEQ_FORM = 3;  // GnuCOBOL's 2-byte length word

using CheckPtr = std::unique_ptr<CCBRecordCheck, void (*)(CCBRecordCheck*)>;

CheckPtr makeCheck() {
  return CheckPtr(createCCBRecordCheck(), [](CCBRecordCheck* c) {
    if (c != nullptr) c->release();
  });
}

// What the reading of one layout's records comes to: on one thread, then summed.
class PassTally : public CCBBadRecordCallback {
 public:
  PassTally(const ReadOptions& options, CCBRecordReader* reader) : options_(&options) {
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      QvbString name;
      int type = 0, length = 0;
      reader->getOutputInfo(i, name, type, length);
      int64_t offset = 0;
      int storage = 0;
      CCBColumnUsage usage;
      bool variable = false;
      reader->getColumnLayout(i, offset, storage, usage, variable);
      columns_.emplace_back();
      columns_.back().name = toUtf8(name.str());
      fixedOffsets_.push_back(variable ? -1 : offset);
    }
  }

  // A record of the layout, checked.
  void record(CCBRecordReader* reader, CCBRecordCheck* check) {
    ++records_;
    const unsigned char* states = check->getStates();
    const size_t count = std::min(columns_.size(), static_cast<size_t>(check->getColumnCount()));
    for (size_t i = 0; i < count; ++i) {
      ColumnReport& column = columns_[i];
      switch (states[i]) {
        case CCB_VALUE_NULL:
          ++column.null;
          break;
        case CCB_VALUE_BAD:
          if (column.bad++ == 0 || reader->getRecordOffset() < column.first.offset) {
            column.first = badValue(reader, check, static_cast<int>(i));
          }
          break;
        default:
          ++column.clean;
          break;
      }
    }
  }

  // Ranges come to a thread in any order: the first bad records of the file are the
  // first LISTED_REJECTS of those kept, which are cut back to them now and then.
  void badRecord(int64_t number, int64_t offset, const unsigned char*, int length,
                 const QvbString& reason) override {
    badOffsets_.push_back(offset);
    rejects_.push_back({number, offset, length, reason.str()});
    if (rejects_.size() >= 2 * LISTED_REJECTS) keepFirstRejects();
  }

  // After a read: the record it stopped at, and the records of no layout it stepped over.
  void endRead(CCBRecordReader* reader, bool failed) {
    if (failed && (!stopped_ || reader->getRecordOffset() < stopOffset_)) {
      stopped_ = true;
      stopOffset_ = reader->getRecordOffset();
      stop_ = readerFailure(*options_, reader);
    }
    int64_t number = -1, offset = 0;
    QvbString identifier;
    if (!reader->getFirstUnknownRecord(number, offset, identifier)) return;
    if (unknown_.count == 0 || offset < unknown_.offset) {
      unknown_.number = number;
      unknown_.offset = offset;
      unknown_.identifier = identifier.str();
    }
    unknown_.count += reader->getUnknownRecordCount();
  }

  void add(const PassTally& other) {
    records_ += other.records_;
    for (size_t i = 0; i < columns_.size(); ++i) {
      ColumnReport& column = columns_[i];
      const ColumnReport& more = other.columns_[i];
      if (more.bad > 0 && (column.bad == 0 || more.first.offset < column.first.offset)) {
        column.first = more.first;
      }
      column.clean += more.clean;
      column.bad += more.bad;
      column.null += more.null;
    }
    badOffsets_.insert(badOffsets_.end(), other.badOffsets_.begin(), other.badOffsets_.end());
    rejects_.insert(rejects_.end(), other.rejects_.begin(), other.rejects_.end());
    if (other.stopped_ && (!stopped_ || other.stopOffset_ < stopOffset_)) {
      stopped_ = true;
      stopOffset_ = other.stopOffset_;
      stop_ = other.stop_;
    }
    if (other.unknown_.count > 0 &&
        (unknown_.count == 0 || other.unknown_.offset < unknown_.offset)) {
      const int64_t count = unknown_.count;
      unknown_ = other.unknown_;
      unknown_.count += count;
    } else {
      unknown_.count += other.unknown_.count;
    }
  }

  // Adds the pass to the report; the first pass counts the records of no layout, and
  // each bad record is counted by the first pass that meets it.
  void report(bool firstPass, std::vector<int64_t>* seen, VerifyReport* report) {
    std::sort(badOffsets_.begin(), badOffsets_.end());
    keepFirstRejects();
    std::vector<int64_t> fresh;
    std::set_difference(badOffsets_.begin(), badOffsets_.end(), seen->begin(), seen->end(),
                        std::back_inserter(fresh));
    for (const RejectNote& note : rejects_) {
      if (std::binary_search(seen->begin(), seen->end(), note.offset)) continue;
      report->rejects.push_back(note);
    }
    std::vector<int64_t> merged;
    std::merge(seen->begin(), seen->end(), fresh.begin(), fresh.end(), std::back_inserter(merged));
    seen->swap(merged);
    report->records += records_ + static_cast<int64_t>(fresh.size());
    report->badRecords += static_cast<int64_t>(fresh.size());
    report->columns.insert(report->columns.end(), columns_.begin(), columns_.end());
    if (firstPass) {
      report->unknown = unknown_;
      report->records += unknown_.count;
      report->badRecords += unknown_.count;
    }
    if (stopped_ && !report->stopped) {
      report->stopped = true;
      report->stop = stop_;
    }
  }

 private:
  BadPlace badValue(CCBRecordReader* reader, CCBRecordCheck* check, int column) const {
    BadPlace place;
    place.record = reader->getRecordNumber();
    place.offset = reader->getRecordOffset();
    place.expected = check->getExpected(column).str();
    int64_t offset = check->getFieldOffset(column);
    if (offset < 0) offset = fixedOffsets_[static_cast<size_t>(column)];
    const int length = check->getFieldLength(column);
    const unsigned char* record = reader->getRecordBytes();
    if (offset < 0 || record == nullptr || offset + length > reader->getRecordSize()) return place;
    place.fieldOffset = inputOffset(reader, offset, length);
    place.bytes.assign(reinterpret_cast<const char*>(record) + offset,
                       std::min(static_cast<size_t>(length), SHOWN_VALUE_BYTES));
    return place;
  }

  // Where bytes [offset, offset + length) of the record stand in the input: behind its
  // descriptor word (2 bytes in GnuCOBOL's short form 3), and in a spanned record only
  // where they lie in its first segment, the others standing apart; -1 otherwise.
  int64_t inputOffset(CCBRecordReader* reader, int64_t offset, int length) const {
    const RecordFormatOptions& records = options_->records;
    const int64_t start = reader->getRecordOffset();
    switch (records.format) {
      case CCB_RECORD_RDW:
        return start + (records.varseqFormat == SHORT_VARSEQ_FORM ? 2 : DESCRIPTOR_SIZE) + offset;
      case CCB_RECORD_VB:
        return start + DESCRIPTOR_SIZE + offset;
      case CCB_RECORD_VBS:
      case CCB_RECORD_VS:
        break;
      default:
        return start + offset;
    }
    int raw = 0;
    const unsigned char* word = reader->getRecordInputBytes(raw);
    if (word == nullptr || raw < DESCRIPTOR_SIZE) return -1;
    const int counted = records.rdwLittleEndian ? word[2] | word[3] << 8 : word[0] << 8 | word[1];
    const int data = counted - (records.rdwExcludesHeader ? 0 : DESCRIPTOR_SIZE);
    return offset + length <= data ? start + DESCRIPTOR_SIZE + offset : -1;
  }

  void keepFirstRejects() {
    std::sort(rejects_.begin(), rejects_.end(),
              [](const RejectNote& a, const RejectNote& b) { return a.offset < b.offset; });
    if (rejects_.size() > LISTED_REJECTS) rejects_.resize(LISTED_REJECTS);
  }

  const ReadOptions* options_;
  std::vector<ColumnReport> columns_;
  std::vector<int64_t> fixedOffsets_;  // of each column in the record; -1 where it varies
  int64_t records_ = 0;
  std::vector<int64_t> badOffsets_;  // of every bad record met
  std::vector<RejectNote> rejects_;  // the first met, LISTED_REJECTS and a few more at most
  bool stopped_ = false;
  int64_t stopOffset_ = 0;
  std::string stop_;
  UnknownRecords unknown_;
};

// Reads the reader's open input to its end (or the record it stops at) into the tally.
void checkRecords(CCBRecordReader* reader, CCBRecordCheck* check, PassTally* tally,
                  std::atomic<int64_t>* records) {
  reader->setBadRecordCallback(tally);
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    if (check->check(reader)) tally->record(reader, check);
    records->fetch_add(1, std::memory_order_relaxed);
  }
  reader->setBadRecordCallback(nullptr);
  tally->endRead(reader, failed);
}

// One thread of a threaded pass: ranges from the queue, read with a reader of its own.
void runWorker(const ReadOptions* options, ChunkQueue* queue, std::unique_ptr<PassTally>* out,
               std::atomic<int64_t>* records) {
  std::string error;
  RecordReaderPtr reader = prepareReader(*options, nullptr, &error);
  CheckPtr check = makeCheck();
  ReadRange range;
  ChunkOutput* chunk = nullptr;
  while (queue->takeRange(&range, &chunk)) {
    chunk->clear();
    if (reader != nullptr && check != nullptr) {
      if (*out == nullptr) out->reset(new PassTally(*options, reader.get()));
      CCBReadOptions readOptions = readerOptions(*options);
      readOptions.setRange(range.start, range.end);
      readOptions.setFirstRecord(range.firstRecord);
      readOptions.setMaxErrors(-1);
      if (openInput(reader.get(), *options, readOptions)) {
        checkRecords(reader.get(), check.get(), out->get(), records);
        chunk->inputEnd = reader->getInputPosition();
      }
    }
    queue->chunkFilled(chunk);
  }
}

// The pass on --threads threads; false when a thread cannot start.
bool threadedPass(const ReadOptions& options, int64_t fileSize, ProgressMeter* meter,
                  PassTally* tally, std::string* error) {
  const size_t count = static_cast<size_t>(std::max(1, options.threads));
  ChunkQueue queue(CHUNKS_PER_WORKER * count);
  RangePlanner planner(options, fileSize, 0, false, &queue, false);
  std::vector<std::unique_ptr<PassTally>> tallies(count);
  std::atomic<int64_t> records{0};
  std::vector<std::thread> threads;
  try {
    threads.emplace_back(&RangePlanner::run, &planner);
    for (size_t i = 0; i < count; ++i) {
      threads.emplace_back(runWorker, &options, &queue, &tallies[i], &records);
    }
  } catch (const std::system_error& e) {
    queue.cancel();
    *error = std::string("cannot start a thread: ") + e.what();
  }
  for (const ChunkOutput* chunk; error->empty() && (chunk = queue.nextChunk()) != nullptr;) {
    meter->update(chunk->inputEnd, records.load(std::memory_order_relaxed));
    queue.chunkWritten();
  }
  queue.cancel();
  for (std::thread& thread : threads) thread.join();
  for (const auto& part : tallies) {
    if (part != nullptr) tally->add(*part);
  }
  return error->empty();
}

// One layout's pass over the input: on threads where `lyra read` would use them.
bool checkPass(const ReadOptions& options, bool showProgress, bool firstPass,
               std::vector<int64_t>* seen, VerifyReport* report, std::string* error) {
  RecordReaderPtr reader = openReader(options, nullptr, error);
  CheckPtr check = makeCheck();
  if (reader == nullptr) return false;
  if (check == nullptr) {
    *error = "cannot create a record check";
    return false;
  }
  PassTally tally(options, reader.get());
  const int64_t fileSize = reader->getDataFileSize();
  ProgressMeter meter(stderr, showProgress, fileSize);
  bool done = true;
  // A compressed file that `lyra read` would feed to its threads is checked on one
  // thread, which decompresses it once, in order.
  ReadOptions opened = options;
  opened.compression = reader->getCompression();
  if (!fedToThreads(opened) && canReadThreaded(opened, fileSize)) {
    reader.reset();
    done = threadedPass(options, fileSize, &meter, &tally, error);
  } else {
    std::atomic<int64_t> records{0};
    checkRecords(reader.get(), check.get(), &tally, &records);
  }
  meter.finish();
  if (done) tally.report(firstPass, seen, report);
  return done;
}

}  // namespace

bool VerifyReport::clean() const {
  if (stopped || badRecords > 0) return false;
  return std::all_of(columns.begin(), columns.end(),
                     [](const ColumnReport& column) { return column.bad == 0; });
}

bool verifyData(const ReadOptions& options, bool allLayouts, bool showProgress,
                VerifyReport* report, std::string* error) {
  // Standard input is read once: its active layout alone is checked.
  const bool every = allLayouts && options.dataFile != STANDARD_INPUT;
  std::vector<int64_t> seen;  // the offsets of the bad records counted
  for (size_t layout = 0; layout < options.layouts.size(); ++layout) {
    if (!every && layout != options.activeLayout) continue;
    ReadOptions pass = options;
    pass.activeLayout = layout;
    pass.maxErrors = -1;
    if (!checkPass(pass, showProgress, report->columns.empty(), &seen, report, error)) {
      return false;
    }
  }
  std::sort(report->rejects.begin(), report->rejects.end(),
            [](const RejectNote& a, const RejectNote& b) { return a.offset < b.offset; });
  if (report->rejects.size() > LISTED_REJECTS) report->rejects.resize(LISTED_REJECTS);
  return true;
}
