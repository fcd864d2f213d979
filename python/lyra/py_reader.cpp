#include "py_reader.h"

#include "py_options.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

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

template <typename T>
py::array_t<T> copyArray(const T* values, int count) {
  py::array_t<T> array(count);
  if (count > 0) std::memcpy(array.mutable_data(), values, sizeof(T) * static_cast<size_t>(count));
  return array;
}

}  // namespace

PyReader::PyReader() : reader_(createCCBRecordReader()), batch_(createCCBRecordBatch()) {
  if (reader_ == nullptr || batch_ == nullptr) throw std::bad_alloc();
  reader_->setBadRecordCallback(&rejects_);
}

void PyReader::fail() const {
  throw py::value_error(messageText(reader_->getErrorMessage()));
}

void PyReader::setLayoutOptions(const py::dict& options) {
  reader_->setLayoutOptions(layoutOptionsFrom(options));
}

void PyReader::addLayout(const std::string& path, bool xml, const std::string& recordId,
                         bool active) {
  const bool added = xml ? reader_->addLayoutFile(path.c_str(), recordId.c_str(), active)
                         : reader_->addCopybook(path.c_str(), recordId.c_str(), active);
  if (!added) throw py::value_error(path + ": " + messageText(reader_->getErrorMessage()));
}

void PyReader::setIdentifierField(int offset, const std::string& clauses) {
  if (!reader_->setIdentifierField(offset, clauses.c_str())) fail();
}

void PyReader::addSegment(const std::string& item, const std::string& recordId) {
  if (!reader_->addSegment(item.c_str(), recordId.c_str())) fail();
}

int PyReader::recordLength() {
  return reader_->getMaxRecordLength();
}

void PyReader::open(const std::string& path, const py::dict& options) {
  const CCBReadOptions read = readOptionsFrom(options);
  rejects_.rejects.clear();
  if (!reader_->openData(path.c_str(), read)) fail();
}

py::list PyReader::scanSplitPoints(const std::string& path, const py::dict& options,
                                   int64_t every) {
  const CCBReadOptions read = readOptionsFrom(options);
  SplitCollector collector;
  bool scanned = false;
  {
    py::gil_scoped_release release;
    scanned = reader_->scanSplitPoints(path.c_str(), read, every, &collector);
  }
  if (!scanned) fail();
  py::list points;
  for (const auto& [offset, number] : collector.points)
    points.append(py::make_tuple(offset, number));
  return points;
}

void PyReader::setColumns(const py::object& indexes, bool decimal, bool strip) {
  if (indexes.is_none()) {
    batch_->setColumns(nullptr, -1);
  } else {
    const auto list = indexes.cast<std::vector<int>>();
    batch_->setColumns(list.data(), static_cast<int>(list.size()));
  }
  batch_->setDecimalText(decimal);
  batch_->setTrimText(strip);
  columns_.setDecimal(decimal);
}

py::list PyReader::describe() {
  if (!batch_->describe(reader_.get()))
    throw py::value_error(messageText(batch_->getErrorMessage()));
  py::list columns;
  for (int c = 0; c < batch_->getColumnCount(); ++c) {
    columns.append(py::make_tuple(batch_->getColumnName(c).str(),
                                  ccbColumnKindName(batch_->getColumnKind(c)),
                                  batch_->getColumnDigits(c), batch_->getColumnFractionDigits(c)));
  }
  return columns;
}

py::list PyReader::columnNames() {
  py::list names;
  for (int i = 0; i < reader_->getOutputCount(); ++i) {
    QvbString name;
    int type = 0, length = 0;
    reader_->getOutputInfo(i, name, type, length);
    names.append(name.str());
  }
  return names;
}

py::tuple PyReader::read(int maxRecords) {
  if (!batch_->describe(reader_.get()))
    throw py::value_error(messageText(batch_->getErrorMessage()));
  bool failed = false;
  int count = 0;
  {
    py::gil_scoped_release release;
    count = batch_->read(reader_.get(), maxRecords, failed);
  }
  py::list errors;
  for (int c = 0; c < batch_->getColumnCount(); ++c) errors.append(batch_->getErrorCount(c));
  py::object failure = py::none();
  if (failed) {
    failure = py::make_tuple(messageText(batch_->getErrorMessage()), reader_->getRecordNumber(),
                             reader_->getRecordOffset());
  }
  return py::make_tuple(columns_.arrays(batch_.get()), copyArray(batch_->getRecordNumbers(), count),
                        copyArray(batch_->getRecordOffsets(), count), errors, failure);
}

py::list PyReader::takeRejects() {
  py::list list;
  for (const RejectsCollector::Reject& r : rejects_.rejects) {
    list.append(py::make_tuple(r.number, r.offset, static_cast<int64_t>(r.bytes.size()), r.reason,
                               py::bytes(r.bytes)));
  }
  rejects_.rejects.clear();
  return list;
}

void PyReader::RejectsCollector::badRecord(int64_t number, int64_t offset,
                                           const unsigned char* bytes, int length,
                                           const QvbString& reason) {
  const bool kept = bytes != nullptr && length > 0;
  rejects.push_back(
      Reject{number, offset,
             kept ? std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length))
                  : std::string(),
             messageText(reason)});
}
