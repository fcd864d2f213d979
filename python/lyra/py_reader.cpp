#include "py_reader.h"

#include "py_options.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <unistd.h>

#include <cstring>
#include <utility>

namespace py = pybind11;

namespace {

// Collects every split point a scan reports.
class SplitCollector : public CCBSplitCallback {
 public:
  bool splitPoint(int64_t offset, int64_t number) override {
    points.emplace_back(offset, number);
    return true;
  }
  std::vector<std::pair<int64_t, int64_t>> points;
};

// The bytes of a buffer: one-dimensional and contiguous, of one byte each.
std::unique_ptr<py::buffer_info> bytesOf(const py::buffer& data) {
  auto view = std::make_unique<py::buffer_info>(data.request());
  if (view->ndim != 1 || view->itemsize != 1 || (view->size > 1 && view->strides[0] != 1)) {
    throw py::type_error("the data must be contiguous bytes");
  }
  return view;
}

const unsigned char* bytePointer(const py::buffer_info& view) {
  return static_cast<const unsigned char*>(view.ptr);
}

}  // namespace

void PyReader::Descriptor::reset(int descriptor) {
  if (fd >= 0) close(fd);
  fd = descriptor;
}

PyReader::PyReader() : reader_(createCCBRecordReader()) {
  if (reader_ == nullptr) throw std::bad_alloc();
}

void PyReader::fail() const {
  throw py::value_error(messageText(reader_->getErrorMessage()));
}

void PyReader::setLayoutOptions(const py::dict& options) {
  pipeline_.stop();
  reader_->setLayoutOptions(layoutOptionsFrom(options));
}

void PyReader::addLayout(const std::string& path, bool xml, const std::string& recordId,
                         bool active) {
  pipeline_.stop();
  const bool added = xml ? reader_->addLayoutFile(path.c_str(), recordId.c_str(), active)
                         : reader_->addCopybook(path.c_str(), recordId.c_str(), active);
  if (!added) throw py::value_error(path + ": " + messageText(reader_->getErrorMessage()));
}

void PyReader::setIdentifierField(int offset, const std::string& clauses) {
  pipeline_.stop();
  if (!reader_->setIdentifierField(offset, clauses.c_str())) fail();
}

void PyReader::addSegment(const std::string& item, const std::string& recordId) {
  pipeline_.stop();
  if (!reader_->addSegment(item.c_str(), recordId.c_str())) fail();
}

int PyReader::recordLength() {
  pipeline_.stop();
  return reader_->getMaxRecordLength();
}

void PyReader::addLayoutText(const py::bytes& text, const std::string& name,
                             const std::string& recordId, bool active) {
  pipeline_.stop();
  const std::string_view source = text;
  if (!reader_->addCopybookText(source.data(), source.size(), recordId.c_str(), active)) {
    throw py::value_error(name + ": " + messageText(reader_->getErrorMessage()));
  }
}

py::list PyReader::layoutFiles() {
  pipeline_.stop();
  py::list files;
  for (int layout = 0; layout < reader_->getCopybookCount(); ++layout) {
    for (int i = 0; i < reader_->getLayoutFileCount(layout); ++i) {
      files.append(py::bytes(reader_->getLayoutFile(layout, i).str()));
    }
  }
  return files;
}

// The reader keeps no hold on an input it no longer reads: every opening, failed
// ones too, starts by ending the reading of the last.
void PyReader::closeInput() {
  rejects_.clear();
  descriptor_.reset();
  memory_.reset();
}

void PyReader::open(const std::string& path, const py::dict& options) {
  pipeline_.stop();
  const CCBReadOptions read = readOptionsFrom(options);
  closeInput();
  if (!reader_->openData(path.c_str(), read)) fail();
}

void PyReader::openMemory(const py::buffer& data, const py::dict& options) {
  pipeline_.stop();
  const CCBReadOptions read = readOptionsFrom(options);
  std::unique_ptr<py::buffer_info> view = bytesOf(data);
  closeInput();
  memory_ = std::move(view);
  if (!reader_->openDataMemory(bytePointer(*memory_), static_cast<size_t>(memory_->size), read)) {
    fail();
  }
}

void PyReader::openDescriptor(int descriptor, const py::dict& options) {
  pipeline_.stop();
  closeInput();
  descriptor_.reset(descriptor);
  if (!reader_->openDataDescriptor(descriptor, readOptionsFrom(options))) fail();
}

py::list PyReader::scanSplitPoints(const std::string& path, const py::dict& options,
                                   int64_t every) {
  const CCBReadOptions read = readOptionsFrom(options);
  return collectSplitPoints([&](SplitCollector* collector) {
    return reader_->scanSplitPoints(path.c_str(), read, every, collector);
  });
}

py::list PyReader::scanSplitPointsMemory(const py::buffer& data, const py::dict& options,
                                         int64_t every) {
  const CCBReadOptions read = readOptionsFrom(options);
  const std::unique_ptr<py::buffer_info> view = bytesOf(data);
  return collectSplitPoints([&](SplitCollector* collector) {
    return reader_->scanSplitPointsMemory(bytePointer(*view), static_cast<size_t>(view->size), read,
                                          every, collector);
  });
}

void PyReader::setIndexFile(const std::string& path) {
  pipeline_.stop();
  if (!reader_->setIndexFile(path.c_str())) fail();
}

std::string PyReader::compression() {
  pipeline_.stop();
  return ccbCompressionName(reader_->getCompression());
}

// Runs a split scan without the GIL and lists the points it found.
template <typename Scan>
py::list PyReader::collectSplitPoints(Scan scan) {
  pipeline_.stop();
  SplitCollector collector;
  bool scanned = false;
  {
    py::gil_scoped_release release;
    scanned = scan(&collector);
  }
  if (!scanned) fail();
  py::list points;
  for (const auto& [offset, number] : collector.points)
    points.append(py::make_tuple(offset, number));
  return points;
}

void PyReader::setColumns(const py::object& indexes, bool decimal, bool strip) {
  if (indexes.is_none()) {
    pipeline_.setColumns(nullptr, -1);
  } else {
    const auto list = indexes.cast<std::vector<int>>();
    pipeline_.setColumns(list.data(), static_cast<int>(list.size()));
  }
  pipeline_.setDecimalText(decimal);
  pipeline_.setTrimText(strip);
  columns_.setDecimal(decimal);
}

py::list PyReader::describe() {
  pipeline_.stop();
  CCBRecordBatch* batch = pipeline_.describer();
  if (!batch->describe(reader_.get())) throw py::value_error(messageText(batch->getErrorMessage()));
  py::list columns;
  for (int c = 0; c < batch->getColumnCount(); ++c) {
    QvbString name;
    int type = 0, length = 0;
    reader_->getOutputInfo(batch->getColumnIndex(c), name, type, length);
    columns.append(
        py::make_tuple(batch->getColumnName(c).str(), ccbColumnKindName(batch->getColumnKind(c)),
                       batch->getColumnDigits(c), batch->getColumnFractionDigits(c), length));
  }
  return columns;
}

py::list PyReader::columnNames() {
  pipeline_.stop();
  py::list names;
  for (int i = 0; i < reader_->getOutputCount(); ++i) {
    QvbString name;
    int type = 0, length = 0;
    reader_->getOutputInfo(i, name, type, length);
    names.append(name.str());
  }
  return names;
}

py::tuple PyReader::readInto(const py::list& targets, const py::object& numbers,
                             const py::object& offsets, int64_t start, int maxRecords, int ahead) {
  const PyBatchPipeline::Batch* batch = nullptr;
  {
    py::gil_scoped_release release;
    batch = &pipeline_.next(reader_.get(), maxRecords, ahead);
  }
  CCBRecordBatch* records = batch->records.get();
  columns_.fill(records, targets, start);
  const int count = batch->count;
  const size_t positions = sizeof(int64_t) * static_cast<size_t>(count);
  if (!numbers.is_none() && count > 0) {
    std::memcpy(targetRows<int64_t>(numbers, start, count), records->getRecordNumbers(), positions);
  }
  if (!offsets.is_none() && count > 0) {
    std::memcpy(targetRows<int64_t>(offsets, start, count), records->getRecordOffsets(), positions);
  }
  rejects_.insert(rejects_.end(), batch->rejects.begin(), batch->rejects.end());
  py::list errors;
  for (int c = 0; c < records->getColumnCount(); ++c) errors.append(records->getErrorCount(c));
  py::object failure = py::none();
  if (batch->failed) failure = py::make_tuple(batch->message, batch->number, batch->offset);
  py::object first = py::none();
  if (batch->unknownCount > 0) {
    first = py::make_tuple(batch->firstUnknownNumber, batch->firstUnknownOffset,
                           batch->firstUnknownId);
  }
  return py::make_tuple(count, errors, failure, py::make_tuple(batch->unknownCount, first));
}

py::list PyReader::takeRejects() {
  py::list list;
  for (const PyBatchPipeline::Reject& r : rejects_) {
    list.append(py::make_tuple(r.number, r.offset, static_cast<int64_t>(r.bytes.size()), r.reason,
                               py::bytes(r.bytes)));
  }
  rejects_.clear();
  return list;
}
