#include "range_worker.h"

#include "reader_setup.h"

RangeWorker::RangeWorker(const ReadOptions& options, const std::vector<OutputColumn>& columns,
                         ChunkQueue* queue)
    : options_(options), formatter_(options, columns), queue_(queue) {}

void RangeWorker::run() {
  reader_ = prepareReader(options_, nullptr, &readerError_);
  if (reader_ != nullptr) reader_->setBadRecordCallback(this);
  ReadRange range;
  while (queue_->takeRange(&range, &chunk_)) {
    readRange(range);
    queue_->chunkFilled(chunk_);
  }
}

// Bad records are all passed over here: the writer tells which of them a read by
// one thread would have stopped at.
void RangeWorker::readRange(const ReadRange& range) {
  chunk_->clear();
  if (reader_ == nullptr) {
    chunk_->failed = true;
    chunk_->failure = readerError_;
    return;
  }
  if (!range.failure.empty()) {  // reading stops here, the records before it written
    chunk_->failed = true;
    chunk_->failure = range.failure;
    chunk_->inputEnd = range.start;
    return;
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
  if (!opened) {
    chunk_->failed = true;
    chunk_->failure = dataFileName(options_) + ": " + messageText(reader_->getErrorMessage());
    return;
  }
  // No range gives the output more rows than the limit: later ones are never written.
  const int64_t limit = options_.limit;
  bool failed = false;
  partBase_ = 0;
  for (int64_t rows = 0;
       (limit < 0 || rows < limit) && !queue_->cancelled() && reader_->readNextRecord(failed);
       ++rows) {
    const int64_t unknowns = unknownsInPart();
    if (unknowns > (chunk_->unknownMarks.empty() ? 0 : chunk_->unknownMarks.back().before)) {
      chunk_->unknownMarks.push_back({chunk_->rowEnds.size(), unknowns});
    }
    formatter_.write(reader_.get(), &chunk_->text);
    chunk_->rowEnds.push_back(chunk_->text.size());
    if (chunk_->heldBytes() >= PART_BYTES && !handOverPart()) return;
  }
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
  if (chunk_->heldBytes() >= PART_BYTES && !handOverPart()) return;  // nothing more is written
  std::string kept;
  if (length > 0) kept.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  chunk_->badBytes += kept.size() + sizeof(BadRecordNote);
  chunk_->badRecords.push_back(
      {number, offset, std::move(kept), reason, chunk_->rowEnds.size(), unknownsInPart()});
}

void runRangeWorker(const ReadOptions* options, const std::vector<OutputColumn>* columns,
                    ChunkQueue* queue) {
  RangeWorker worker(*options, *columns, queue);
  worker.run();
}
