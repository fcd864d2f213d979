#include "py_layout_batches.h"

#include <pybind11/stl.h>

#include "py_options.h"

namespace py = pybind11;

void PyLayoutBatches::describe(CCBRecordReader* reader, const std::vector<py::object>& columns,
                               bool decimal, bool trim) {
  batches_.clear();
  parents_.assign(columns.size(), std::vector<int64_t>());
  for (size_t layout = 0; layout < columns.size(); ++layout) {
    batches_.emplace_back(createCCBRecordBatch());
    CCBRecordBatch* batch = batches_.back().get();
    if (batch == nullptr) throw std::bad_alloc();
    if (columns[layout].is_none()) {
      batch->setColumns(nullptr, -1);
    } else {
      const auto list = columns[layout].cast<std::vector<int>>();
      batch->setColumns(list.data(), static_cast<int>(list.size()));
    }
    batch->setDecimalText(decimal);
    batch->setTrimText(trim);
    if (!reader->setActiveLayout(static_cast<int>(layout)) || !batch->describe(reader)) {
      throw py::value_error(messageText(batch->getErrorMessage()));
    }
  }
}

void PyLayoutBatches::clear(CCBRecordReader* reader) {
  const int active = reader->getActiveLayout();
  for (size_t layout = 0; layout < batches_.size(); ++layout) {
    reader->setActiveLayout(static_cast<int>(layout));
    batches_[layout]->describe(reader);
    parents_[layout].clear();
  }
  if (active >= 0) reader->setActiveLayout(active);
}

bool PyLayoutBatches::readNext(CCBRecordReader* reader, size_t* layout) {
  reader->setBadRecordCallback(this);
  const bool read = reader->readNextRecord(failed_);
  reader->setBadRecordCallback(nullptr);
  if (failed_) {
    message_ = messageText(reader->getErrorMessage());
    number_ = reader->getRecordNumber();
    offset_ = reader->getRecordOffset();
  }
  if (!read) return false;
  *layout = static_cast<size_t>(reader->getActiveLayout());
  if (!batches_[*layout]->append(reader)) {
    throw py::value_error(messageText(batches_[*layout]->getErrorMessage()));
  }
  parents_[*layout].push_back(reader->getParentRecordNumber());
  return true;
}

int PyLayoutBatches::read(CCBRecordReader* reader, int maxRecords) {
  int count = 0;
  size_t layout = 0;
  while (count < maxRecords && readNext(reader, &layout)) ++count;
  return count;
}

py::object PyLayoutBatches::failure() const {
  if (!failed_) return py::none();
  return py::make_tuple(message_, number_, offset_);
}

std::vector<PyBatchPipeline::Reject> PyLayoutBatches::takeRejects() {
  std::vector<PyBatchPipeline::Reject> taken;
  taken.swap(rejects_);
  return taken;
}

// Called by lyra's code, which takes no exception: a reject that finds no memory is not
// kept.
void PyLayoutBatches::badRecord(int64_t number, int64_t offset, const unsigned char* bytes,
                                int length, const QvbString& reason) {
  const bool kept = bytes != nullptr && length > 0;
  try {
    rejects_.push_back(
        {number, offset,
         kept ? std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length))
              : std::string(),
         messageText(reason)});
  } catch (const std::bad_alloc&) {
  }
}

py::object batchValue(CCBRecordBatch* batch, int column, int row, const py::object& decimalType) {
  if (batch->getValidity(column)[row] == 0) return py::none();
  const CCBColumnKind kind = batch->getColumnKind(column);
  const char* text = batch->getTextBytes(column);
  const int64_t* offsets = batch->getTextOffsets(column);
  const auto textOf = [&]() {
    return std::string(text + offsets[row], static_cast<size_t>(offsets[row + 1] - offsets[row]));
  };
  switch (kind) {
    case CCB_COLUMN_INTEGER:
      return py::int_(batch->getIntegers(column)[row]);
    case CCB_COLUMN_UNSIGNED:
      return py::int_(batch->getUnsigned(column)[row]);
    case CCB_COLUMN_FLOAT:
      return py::float_(batch->getReals(column)[row]);
    case CCB_COLUMN_DECIMAL:
      if (text == nullptr) return py::float_(batch->getReals(column)[row]);
      return decimalType(py::str(textOf()));
    case CCB_COLUMN_BIG_DECIMAL:
      return decimalType(py::str(textOf()));
    case CCB_COLUMN_TEXT:
      break;
  }
  const std::string value = textOf();
  PyObject* decoded =
      PyUnicode_DecodeUTF8(value.data(), static_cast<Py_ssize_t>(value.size()), "replace");
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(decoded);
}
