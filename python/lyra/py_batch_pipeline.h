// PyBatchPipeline reads a record reader's records batch after batch into two record
// batches (CCBRecordBatch) in turn: while the caller takes the records of one, a
// thread of its own may already read the next batch into the other, so that
// decoding and the making of Python objects go on at once.
//
// It owns its two batches and its thread; the reader stays the caller's, and only
// the pipeline's thread uses it while a batch is read ahead: stop() waits for that
// and forgets the batch, so call it before using the reader otherwise (the
// destructor does). The thread runs lyra's code only, never Python's. One thread
// calls the pipeline.
#ifndef LYRA_PYTHON_PY_BATCH_PIPELINE_H_
#define LYRA_PYTHON_PY_BATCH_PIPELINE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <lyra/lyra.h>

class PyBatchPipeline {
 public:
  // A bad record reading passed over.
  struct Reject {
    int64_t number;
    int64_t offset;
    std::string bytes;
    std::string reason;
  };
  // One batch's reading: the batch, and where and why reading failed, if it did.
  struct Batch : CCBBadRecordCallback {
    void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                   const QvbString& reason) override;

    std::unique_ptr<CCBRecordBatch, void (*)(CCBRecordBatch*)> records{nullptr, nullptr};
    int wanted = 0;  // records asked for
    int count = 0;   // records read
    bool failed = false;
    std::string message;  // of the failure
    int64_t number = -1;  // of the record reading failed at
    int64_t offset = -1;
    std::vector<Reject> rejects;  // passed over while this batch was read
    // Records of no layout stepped over since the input was opened, as this batch
    // ended, and the first of them.
    int64_t unknownCount = 0;
    int64_t firstUnknownNumber = -1;
    int64_t firstUnknownOffset = -1;
    std::string firstUnknownId;
  };

  PyBatchPipeline();  // throws std::bad_alloc when a batch cannot be made
  ~PyBatchPipeline() { stop(); }
  PyBatchPipeline(const PyBatchPipeline&) = delete;
  PyBatchPipeline& operator=(const PyBatchPipeline&) = delete;

  // The settings of CCBRecordBatch, for both batches.
  void setColumns(const int* indexes, int count);
  void setDecimalText(bool decimalText);
  void setTrimText(bool trim);
  // A batch for describing the reader's columns (see CCBRecordBatch::describe).
  CCBRecordBatch* describer() { return batches_[0].records.get(); }

  // The next batch of up to maxRecords records: the one read ahead (which must have
  // been asked for with maxRecords), or one read now. Then, when ahead is above 0 and
  // this batch was read whole, the batch after it, of ahead records, is read ahead.
  // The batch stays valid until the next call or stop().
  const Batch& next(CCBRecordReader* reader, int maxRecords, int ahead);
  // Waits for a batch read ahead and forgets it.
  void stop();

 private:
  void read(CCBRecordReader* reader, Batch* batch, int maxRecords) const;

  Batch batches_[2];
  int current_ = 1;     // the batch last handed out
  bool ahead_ = false;  // the other batch is being read, or was, ahead
  std::thread thread_;
};

#endif  // LYRA_PYTHON_PY_BATCH_PIPELINE_H_
