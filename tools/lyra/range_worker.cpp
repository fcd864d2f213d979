#include "range_worker.h"

#include "reader_setup.h"

RangeWorker::RangeWorker(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                         ChunkQueue* queue, RecordReaderPtr opened)
    : options_(options),
      reader_(std::move(opened)),
      opened_(reader_ != nullptr),
      rows_(options, layouts),
      queue_(queue) {}

void RangeWorker::run() {
  if (reader_ == nullptr) reader_ = prepareReader(options_, nullptr, &readerError_);
  if (reader_ != nullptr) reader_->setBadRecordCallback(this);
  ReadRange range;
  while (queue_->takeRange(&range, &chunk_)) {
    readRange(range);
    queue_->chunkFilled(chunk_);
  }
}

// Bad records are all passed over here: the writer tells which of them a read by
// one thread would have stopped at. The reader that opened the input reads as opened.
bool RangeWorker::openRange(const ReadRange& range) {
  if (reader_ == nullptr) {
    chunk_->failure = readerError_;
    return false;
  }
  if (opened_) {
    opened_ = false;
    return true;
  }
  if (!range.failure.empty()) {  // reading stops here, the records before it written
    chunk_->failure = range.failure;
    chunk_->inputEnd = range.start;
    return false;
  }
  CCBReadOptions readOptions = readerOptions(options_);
  readOptions.setRange(range.start, range.end);
  readOptions.setFirstRecord(range.firstRecord);
  readOptions.setMaxErrors(-1);
  const bool opened =
      range.bytes != nullptr
          ? reader_->openDataPart(reinterpret_cast<const unsigned char*>(range.bytes->data()),
                                  range.bytes->size(), range.start, readOptions)
          : openInput(reader_.get(), options_, readOptions);
  if (opened) return true;
  chunk_->failure = dataFileName(options_) + ": " + messageText(reader_->getErrorMessage());
  return false;
}

void RangeWorker::readRange(const ReadRange& range) {
  chunk_->clear();
  if (!openRange(range)) {
    chunk_->failed = true;
    return;
  }
  // No range gives the output more rows than the limit: later ones are never written.
  const int64_t limit = options_.limit;
  const int64_t rowsBefore = rows_.rows();
  bool failed = false;
  partBase_ = 0;
  while ((limit < 0 || rows_.rows() - rowsBefore < limit) && !queue_->cancelled() &&
         reader_->readNextRecord(failed)) {
    const int64_t unknowns = unknownsInPart();
    if (unknowns > (chunk_->unknownMarks.empty() ? 0 : chunk_->unknownMarks.back().before)) {
      chunk_->unknownMarks.push_back({chunk_->rowEnds.size(), unknowns});
    }
    rows_.add(reader_.get(), unknowns, chunk_);
    if (mayHandOver() && !handOverPart()) return;
  }
  // Read to its end, the range's last tree is whole.
  rows_.finish(!failed && (limit < 0 || rows_.rows() - rowsBefore < limit), chunk_);
  if (failed) {
    chunk_->failed = true;
    chunk_->failure = readerFailure(options_, reader_.get());
  }
  notePart();
}

// What the writer learns of the part at its end: how far it read, and the records of
// unknown type it stepped over.
void RangeWorker::notePart() {
  chunk_->inputEnd = reader_->getInputPosition();
  UnknownRecords& unknown = chunk_->unknown;
  unknown.count = unknownsInPart();
  QvbString identifier;
  if (partBase_ == 0 &&
      reader_->getFirstUnknownRecord(unknown.number, unknown.offset, identifier)) {
    unknown.identifier = identifier.str();
  }
}

// Hands the part to the writer; the next part starts empty. False once cancelled.
bool RangeWorker::handOverPart() {
  notePart();
  partBase_ += chunk_->unknown.count;
  return queue_->partFilled(chunk_);
}

void RangeWorker::badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                            const QvbString& reason) {
  if (mayHandOver() && !handOverPart()) return;  // nothing more is written
  std::string kept;
  if (length > 0) kept.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  rows_.badRecord({number, offset, std::move(kept), reason, 0, unknownsInPart()}, chunk_);
}

void runRangeWorker(const ReadOptions* options, const std::vector<LayoutColumns>* layouts,
                    ChunkQueue* queue, CCBRecordReader* opened) {
  RangeWorker worker(*options, *layouts, queue, RecordReaderPtr(opened));
  worker.run();
}
