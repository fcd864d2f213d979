#include "py_batch_pipeline.h"

#include <new>
#include <stdexcept>
#include <system_error>

#include "py_options.h"

namespace {

void releaseBatch(CCBRecordBatch* batch) {
  batch->release();
}

}  // namespace

PyBatchPipeline::PyBatchPipeline() {
  for (Batch& batch : batches_) {
    batch.records = {createCCBRecordBatch(), releaseBatch};
    if (batch.records == nullptr) throw std::bad_alloc();
  }
}

void PyBatchPipeline::setColumns(const int* indexes, int count) {
  stop();
  for (Batch& batch : batches_) batch.records->setColumns(indexes, count);
}

void PyBatchPipeline::setDecimalText(bool decimalText) {
  stop();
  for (Batch& batch : batches_) batch.records->setDecimalText(decimalText);
}

void PyBatchPipeline::setTrimText(bool trim) {
  stop();
  for (Batch& batch : batches_) batch.records->setTrimText(trim);
}

void PyBatchPipeline::stop() {
  if (thread_.joinable()) thread_.join();
  ahead_ = false;
}

// Reads a batch, noting where reading failed and the records passed over meanwhile.
void PyBatchPipeline::read(CCBRecordReader* reader, Batch* batch, int maxRecords) const {
  batch->rejects.clear();
  batch->wanted = maxRecords;
  reader->setBadRecordCallback(batch);
  batch->count = batch->records->read(reader, maxRecords, batch->failed);
  reader->setBadRecordCallback(nullptr);
  batch->unknownCount = reader->getUnknownRecordCount();
  QvbString identifier;
  if (reader->getFirstUnknownRecord(batch->firstUnknownNumber, batch->firstUnknownOffset,
                                    identifier)) {
    batch->firstUnknownId = identifier.str();
  }
  if (!batch->failed) return;
  batch->message = messageText(batch->records->getErrorMessage());
  batch->number = reader->getRecordNumber();
  batch->offset = reader->getRecordOffset();
}

const PyBatchPipeline::Batch& PyBatchPipeline::next(CCBRecordReader* reader, int maxRecords,
                                                    int ahead) {
  const bool readAhead = ahead_;
  if (thread_.joinable()) thread_.join();
  ahead_ = false;
  current_ = 1 - current_;
  Batch& batch = batches_[current_];
  if (readAhead && batch.wanted != maxRecords) {
    throw std::logic_error("the batch read ahead is not the size asked for");
  }
  if (!readAhead) read(reader, &batch, maxRecords);
  if (ahead > 0 && !batch.failed && batch.count == maxRecords) {
    Batch* following = &batches_[1 - current_];
    try {
      thread_ = std::thread([this, reader, following, ahead] {
        try {
          read(reader, following, ahead);
        } catch (const std::bad_alloc&) {  // lyra's reads throw nothing else
          following->failed = true;
          following->message = "Buffer Allocation failed";
        }
      });
      ahead_ = true;
    } catch (const std::system_error&) {
      // No thread to be had: the next batch is read when it is asked for.
    }
  }
  return batch;
}

void PyBatchPipeline::Batch::badRecord(int64_t number, int64_t offset, const unsigned char* bytes,
                                       int length, const QvbString& reason) {
  const bool kept = bytes != nullptr && length > 0;
  // Called by lyra's code, which takes no exception: a reject that finds no memory is
  // not kept.
  try {
    rejects.push_back(
        Reject{number, offset,
               kept ? std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length))
                    : std::string(),
               messageText(reason)});
  } catch (const std::bad_alloc&) {
  }
}
