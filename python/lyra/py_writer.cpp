#include "py_writer.h"

#include <pybind11/numpy.h>

#include <string_view>

#include "py_options.h"

namespace py = pybind11;

namespace {

// The values of key, or fallback when it is absent or None.
template <typename T>
T valueOr(const py::dict& options, const char* key, T fallback) {
  if (!options.contains(key) || options[key].is_none()) return fallback;
  return options[key].cast<T>();
}

// A one-dimensional array of T, as given (the Python side makes them contiguous).
template <typename T>
const T* dataOf(const py::object& array, int64_t count) {
  const py::array_t<T, py::array::c_style> typed = py::reinterpret_borrow<py::array>(array);
  if (typed.ndim() != 1 || typed.shape(0) < count) {
    throw py::value_error("a column's array is shorter than the records written");
  }
  return typed.data();
}

}  // namespace

PyWriter::PyWriter() : writer_(createCCBRecordWriter()) {
  if (writer_ == nullptr) throw std::bad_alloc();
}

void PyWriter::fail() const {
  throw py::value_error(messageText(writer_->getErrorMessage()));
}

void PyWriter::setLayoutOptions(const py::dict& options) {
  writer_->setLayoutOptions(layoutOptionsFrom(options));
}

void PyWriter::addLayout(const std::string& path, bool xml, const std::string& recordId,
                         bool active) {
  const bool added = xml ? writer_->addLayoutFile(path.c_str(), recordId.c_str(), active)
                         : writer_->addCopybook(path.c_str(), recordId.c_str(), active);
  if (!added) throw py::value_error(path + ": " + messageText(writer_->getErrorMessage()));
}

void PyWriter::addLayoutText(const py::bytes& text, const std::string& name,
                             const std::string& recordId, bool active) {
  const std::string_view source = text;
  if (!writer_->addCopybookText(source.data(), source.size(), recordId.c_str(), active)) {
    throw py::value_error(name + ": " + messageText(writer_->getErrorMessage()));
  }
}

void PyWriter::setIdentifierField(int offset, const std::string& clauses) {
  if (!writer_->setIdentifierField(offset, clauses.c_str())) fail();
}

void PyWriter::addSegment(const std::string& item, const std::string& recordId) {
  if (!writer_->addSegment(item.c_str(), recordId.c_str())) fail();
}

py::list PyWriter::columnNames(int layout) {
  if (!writer_->setActiveLayout(layout)) fail();
  py::list names;
  for (int i = 0; i < writer_->getOutputCount(); ++i) {
    QvbString name;
    int type = 0;
    int length = 0;
    writer_->getOutputInfo(i, name, type, length);
    names.append(py::bytes(name.str()));
  }
  return names;
}

void PyWriter::open(const std::string& path, const py::dict& options) {
  CCBReadOptions write = readOptionsFrom(options);
  write.setBlockSize(valueOr<int64_t>(options, "block_size", write.getBlockSize()));
  write.setOverpunchSigns(valueOr(options, "overpunch_signs", false));
  write.setBinaryFullRange(valueOr(options, "binary_full_range", false));
  if (!writer_->openFile(path.c_str(), write)) fail();
}

py::tuple PyWriter::writeBatch(int layout, const py::list& columns, int64_t count) {
  if (!writer_->setActiveLayout(layout)) fail();
  for (const py::handle& entry : columns) {
    const py::tuple column = py::reinterpret_borrow<py::tuple>(entry);
    const int index = column[0].cast<int>();
    const std::string kind = column[1].cast<std::string>();
    const py::object validity = column[3];
    const unsigned char* valid =
        validity.is_none() ? nullptr : dataOf<unsigned char>(validity, count);
    bool set = false;
    if (kind == "integer") {
      set = writer_->setBatchIntegers(index, dataOf<int64_t>(column[2], count), valid);
    } else if (kind == "unsigned") {
      set = writer_->setBatchUnsigned(index, dataOf<uint64_t>(column[2], count), valid);
    } else if (kind == "real") {
      set = writer_->setBatchReals(index, dataOf<double>(column[2], count), valid);
    } else {
      const int64_t* offsets = dataOf<int64_t>(column[4], count + 1);
      set = writer_->setBatchTexts(
          index, reinterpret_cast<const char*>(dataOf<unsigned char>(column[2], 0)), offsets,
          valid);
    }
    if (!set) throw py::value_error("column " + std::to_string(index) + " is out of range");
  }
  bool failed = false;
  int64_t written = 0;
  {
    py::gil_scoped_release release;  // the arrays are held by the caller meanwhile
    written = writer_->writeBatch(count, failed);
  }
  if (!failed) return py::make_tuple(written, py::none());
  int64_t record = 0;
  int column = -1;
  QvbString value;
  QvbString reason;
  if (!writer_->getBadValue(record, column, value, reason) ||
      record != writer_->getRecordsGiven()) {
    fail();  // the output failed: no bad record
  }
  py::object name = py::none();
  if (column >= 0) {
    QvbString text;
    int type = 0;
    int length = 0;
    writer_->getOutputInfo(column, text, type, length);
    name = py::bytes(text.str());
  }
  return py::make_tuple(
      written, py::make_tuple(record, name, py::bytes(value.str()), py::str(reason.str())));
}

void PyWriter::close() {
  if (!writer_->close()) fail();
}
