#include "py_reader.h"

#include "py_options.h"
#include "record_formatter.h"

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

// The records of no layout stepped over since the input was opened: (count, first), first
// None or (record number, offset, identifier).
py::tuple unknownOf(CCBRecordReader* reader) {
  int64_t number = -1, offset = -1;
  QvbString identifier;
  py::object first = py::none();
  if (reader->getFirstUnknownRecord(number, offset, identifier)) {
    first = py::make_tuple(number, offset, identifier.str());
  }
  return py::make_tuple(reader->getUnknownRecordCount(), first);
}

py::list describeBatch(CCBRecordReader* reader, CCBRecordBatch* batch) {
  py::list columns;
  for (int c = 0; c < batch->getColumnCount(); ++c) {
    QvbString name;
    int type = 0, length = 0;
    reader->getOutputInfo(batch->getColumnIndex(c), name, type, length);
    columns.append(
        py::make_tuple(batch->getColumnName(c).str(), ccbColumnKindName(batch->getColumnKind(c)),
                       batch->getColumnDigits(c), batch->getColumnFractionDigits(c), length));
  }
  return columns;
}

}  // namespace

void PyReader::Descriptor::reset(int descriptor) {
  if (fd >= 0) close(fd);
  fd = descriptor;
}

PyReader::PyReader()
    : reader_(createCCBRecordReader()),
      decimalType_(py::module_::import("decimal").attr("Decimal")) {
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
  return describeBatch(reader_.get(), batch);
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
    first =
        py::make_tuple(batch->firstUnknownNumber, batch->firstUnknownOffset, batch->firstUnknownId);
  }
  return py::make_tuple(count, errors, failure, py::make_tuple(batch->unknownCount, first));
}

py::list PyReader::takeRejects() {
  py::list list;
  for (PyBatchPipeline::Reject& r : layouts_.takeRejects()) rejects_.push_back(std::move(r));
  for (const PyBatchPipeline::Reject& r : rejects_) {
    list.append(py::make_tuple(r.number, r.offset, static_cast<int64_t>(r.bytes.size()), r.reason,
                               py::bytes(r.bytes)));
  }
  rejects_.clear();
  return list;
}

void PyReader::setActiveLayout(int index) {
  pipeline_.stop();
  if (!reader_->setActiveLayout(index)) fail();
}

py::list PyReader::fillerColumns() {
  pipeline_.stop();
  py::list filler;
  for (int i = 0; i < reader_->getOutputCount(); ++i) filler.append(reader_->isFillerColumn(i));
  return filler;
}

std::string PyReader::recordName() {
  pipeline_.stop();
  return layoutRecordName(reader_.get()).str();
}

void PyReader::setChildren(const py::list& links) {
  pipeline_.stop();
  reader_->clearChildLayouts();
  for (const py::handle link : links) {
    const auto pair = link.cast<std::pair<std::string, std::string>>();
    if (!reader_->addChildLayout(pair.first.c_str(), pair.second.c_str())) fail();
  }
}

py::list PyReader::describeLayouts(const py::list& columns, bool decimal, bool strip) {
  pipeline_.stop();
  const int active = reader_->getActiveLayout();
  std::vector<py::object> chosen;
  for (const py::handle c : columns) chosen.push_back(py::reinterpret_borrow<py::object>(c));
  layouts_.describe(reader_.get(), chosen, decimal, strip);
  py::list descriptions;
  for (size_t layout = 0; layout < layouts_.layoutCount(); ++layout) {
    reader_->setActiveLayout(static_cast<int>(layout));
    descriptions.append(describeBatch(reader_.get(), layouts_.batch(layout)));
  }
  reader_->setActiveLayout(active);
  return descriptions;
}

py::tuple PyReader::readLayouts(int maxRecords) {
  pipeline_.stop();
  layouts_.clear(reader_.get());
  int count = 0;
  {
    py::gil_scoped_release release;
    count = layouts_.read(reader_.get(), maxRecords);
  }
  py::list counts;
  for (size_t layout = 0; layout < layouts_.layoutCount(); ++layout) {
    counts.append(layouts_.batch(layout)->getRecordCount());
  }
  return py::make_tuple(count, counts, layouts_.failure(), unknownOf(reader_.get()));
}

py::tuple PyReader::fillLayout(int layout, const py::list& targets, const py::object& numbers,
                               const py::object& offsets, const py::object& parents,
                               int64_t start) {
  if (layout < 0 || static_cast<size_t>(layout) >= layouts_.layoutCount()) {
    throw py::value_error("no such layout");
  }
  CCBRecordBatch* records = layouts_.batch(static_cast<size_t>(layout));
  columns_.fill(records, targets, start);
  const int count = records->getRecordCount();
  const size_t bytes = sizeof(int64_t) * static_cast<size_t>(count);
  const int64_t* sources[] = {records->getRecordNumbers(), records->getRecordOffsets(),
                              layouts_.parents(static_cast<size_t>(layout)).data()};
  const py::object* targetsOf[] = {&numbers, &offsets, &parents};
  for (size_t i = 0; i < 3; ++i) {
    if (!targetsOf[i]->is_none() && count > 0) {
      std::memcpy(targetRows<int64_t>(*targetsOf[i], start, count), sources[i], bytes);
    }
  }
  py::list errors;
  for (int c = 0; c < records->getColumnCount(); ++c) errors.append(records->getErrorCount(c));
  return py::make_tuple(count, errors);
}

void PyReader::setNested(const py::dict& settings) {
  pipeline_.stop();
  PyNestedRecords::Settings nested;
  nested.ids = settings["ids"].cast<std::vector<std::string>>();
  nested.records = settings["records"].cast<std::vector<std::string>>();
  nested.children = settings["children"].cast<std::vector<std::vector<int>>>();
  nested.layoutKey = settings["layout_key"].cast<bool>();
  nested.withPosition = settings["with_position"].cast<bool>();
  nested.maxTreeBytes = settings["max_tree_bytes"].cast<int64_t>();
  nested.maxErrors = settings["max_errors"].cast<int64_t>();
  nested_.reset(new PyNestedRecords(std::move(nested)));
}

py::tuple PyReader::readNested(int maxItems) {
  pipeline_.stop();
  if (nested_ == nullptr) throw py::value_error("the reader gives no nested records");
  py::list made = nested_->read(reader_.get(), &layouts_, maxItems);
  return py::make_tuple(made, nested_->failure(), unknownOf(reader_.get()), nested_->ended());
}

py::tuple PyReader::readRows(int maxRecords) {
  pipeline_.stop();
  layouts_.clear(reader_.get());
  py::list rows;
  size_t layout = 0;
  for (int n = 0; n < maxRecords && layouts_.readNext(reader_.get(), &layout); ++n) {
    CCBRecordBatch* batch = layouts_.batch(layout);
    const int row = batch->getRecordCount() - 1;
    py::tuple values(static_cast<size_t>(batch->getColumnCount()));
    for (int c = 0; c < batch->getColumnCount(); ++c) {
      values[static_cast<size_t>(c)] = batchValue(batch, c, row, decimalType_);
    }
    rows.append(py::make_tuple(layout, values, reader_->getRecordNumber(),
                               reader_->getRecordOffset(), reader_->getParentRecordNumber()));
  }
  return py::make_tuple(rows, layouts_.failure(), unknownOf(reader_.get()));
}
