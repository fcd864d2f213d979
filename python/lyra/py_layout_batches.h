// PyLayoutBatches reads records of every layout of a reader (all_layouts, child
// layouts) into one record batch (CCBRecordBatch) per layout, appending each record to
// its layout's batch as it is read, with the number of its parent record. The values of
// a batch's rows then go to numpy arrays (PyColumns) or, one at a time, to Python
// objects (value()), typed as read_pandas types them. It owns its batches; the reader
// stays the caller's. Bad records passed over while it reads are kept until taken, as
// is where and why reading failed. One thread at a time.
#ifndef LYRA_PYTHON_PY_LAYOUT_BATCHES_H_
#define LYRA_PYTHON_PY_LAYOUT_BATCHES_H_

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "py_batch_pipeline.h"

class PyLayoutBatches : public CCBBadRecordCallback {
 public:
  // Describes each layout of the reader with the columns of columns[layout] (None: all of
  // them), decimal text and text trimmed of trailing blanks as read_pandas takes them.
  // Raises ValueError when a layout cannot be described.
  void describe(CCBRecordReader* reader, const std::vector<pybind11::object>& columns, bool decimal,
                bool trim);
  size_t layoutCount() const { return batches_.size(); }
  CCBRecordBatch* batch(size_t layout) { return batches_[layout].get(); }
  const std::vector<int64_t>& parents(size_t layout) const { return parents_[layout]; }

  // Empties every batch, keeping its description.
  void clear(CCBRecordReader* reader);
  // Reads the next record into its layout's batch; false at the end or at a failure
  // (failed()). *layout: the record's layout.
  bool readNext(CCBRecordReader* reader, size_t* layout);
  // Reads up to maxRecords records; returns how many.
  int read(CCBRecordReader* reader, int maxRecords);

  bool failed() const { return failed_; }
  // (message, record number, offset) of the failure; None when reading did not fail.
  pybind11::object failure() const;
  // The bad records passed over since last taken, as PyBatchPipeline keeps them.
  std::vector<PyBatchPipeline::Reject> takeRejects();
  // A bad record the reader passed over: kept.
  void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                 const QvbString& reason) override;
  // A bad record of the caller's own judging.
  void addReject(PyBatchPipeline::Reject reject) { rejects_.push_back(std::move(reject)); }
  // The bad records kept, and dropping those from index count on.
  const std::vector<PyBatchPipeline::Reject>& rejects() const { return rejects_; }
  void keepRejects(size_t count) { rejects_.resize(count); }

 private:
  struct Release {
    void operator()(CCBRecordBatch* batch) const { batch->release(); }
  };
  std::vector<std::unique_ptr<CCBRecordBatch, Release>> batches_;
  std::vector<std::vector<int64_t>> parents_;  // per layout, per row
  std::vector<PyBatchPipeline::Reject> rejects_;
  bool failed_ = false;
  std::string message_;
  int64_t number_ = -1, offset_ = -1;
};

// The value of row of the batch's column as read_pandas gives it: None for none, int,
// float, decimal.Decimal (big decimals; decimals with decimal text) or str.
pybind11::object batchValue(CCBRecordBatch* batch, int column, int row,
                            const pybind11::object& decimalType);

#endif  // LYRA_PYTHON_PY_LAYOUT_BATCHES_H_
