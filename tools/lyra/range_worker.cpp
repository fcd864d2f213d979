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
  CCBReadOptions readOptions = readerOptions(options_);
  readOptions.setRange(range.start, range.end);
  readOptions.setFirstRecord(range.firstRecord);
  readOptions.setMaxErrors(-1);
  if (!openInput(reader_.get(), options_, readOptions)) {
    chunk_->failed = true;
    chunk_->failure = dataFileName(options_) + ": " + messageText(reader_->getErrorMessage());
    return;
  }
  // No range gives the output more rows than the limit: later ones are never written.
  const int64_t limit = options_.limit;
  bool failed = false;
  for (int64_t rows = 0;
       (limit < 0 || rows < limit) && !queue_->cancelled() && reader_->readNextRecord(failed);
       ++rows) {
    formatter_.write(reader_.get(), &chunk_->text);
    chunk_->rowEnds.push_back(chunk_->text.size());
    if (chunk_->heldBytes() < PART_BYTES) continue;
    chunk_->inputEnd = reader_->getInputPosition();
    if (!queue_->partFilled(chunk_)) return;
  }
  if (failed) {
    chunk_->failed = true;
    chunk_->failure = readerFailure(options_, reader_.get());
  }
  chunk_->inputEnd = reader_->getInputPosition();
}

void RangeWorker::badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                            const QvbString& reason) {
  if (chunk_->heldBytes() >= PART_BYTES) {
    chunk_->inputEnd = reader_->getInputPosition();
    if (!queue_->partFilled(chunk_)) return;  // the read ends: nothing more is written
  }
  std::string kept;
  if (length > 0) kept.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  chunk_->badBytes += kept.size() + sizeof(BadRecordNote);
  chunk_->badRecords.push_back({number, offset, std::move(kept), reason, chunk_->rowEnds.size()});
}

void runRangeWorker(const ReadOptions* options, const std::vector<OutputColumn>* columns,
                    ChunkQueue* queue) {
  RangeWorker worker(*options, *columns, queue);
  worker.run();
}
