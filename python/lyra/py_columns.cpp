#include "py_columns.h"

#include <pybind11/numpy.h>

#include <cstring>

namespace py = pybind11;

namespace {

const size_t CACHE_SLOTS = 64;     // str objects kept per column
const int64_t CACHED_LENGTH = 32;  // the longest text kept
const uint64_t FNV_OFFSET = 0xCBF29CE484222325ULL;
const uint64_t FNV_PRIME = 0x100000001B3ULL;

size_t slotOf(const char* bytes, int64_t length) {
  uint64_t hash = FNV_OFFSET;
  for (int64_t i = 0; i < length; ++i) {
    hash = (hash ^ static_cast<unsigned char>(bytes[i])) * FNV_PRIME;
  }
  return static_cast<size_t>(hash % CACHE_SLOTS);
}

// Puts value (a new reference, taken over) into slot i of an object array.
void setObject(py::array& array, int i, PyObject* value) {
  PyObject** slots = static_cast<PyObject**>(array.mutable_data());
  PyObject* old = slots[i];
  slots[i] = value;
  Py_XDECREF(old);
}

template <typename T>
py::array_t<T> copyArray(const T* values, int count) {
  py::array_t<T> array(count);
  if (count > 0) std::memcpy(array.mutable_data(), values, sizeof(T) * static_cast<size_t>(count));
  return array;
}

}  // namespace

PyColumns::PyColumns()
    : numpyEmpty_(py::module_::import("numpy").attr("empty")),
      decimalType_(py::module_::import("decimal").attr("Decimal")) {}

// A numpy array of count Python objects, each None.
py::array PyColumns::objectArray(int count) const {
  return numpyEmpty_(count, py::arg("dtype") = "object");
}

py::list PyColumns::arrays(CCBRecordBatch* batch) {
  const int columns = batch->getColumnCount();
  if (caches_.size() != static_cast<size_t>(columns)) {
    caches_.assign(static_cast<size_t>(columns), TextCache());
  }
  py::list result;
  for (int c = 0; c < columns; ++c) {
    switch (batch->getColumnKind(c)) {
      case CCB_COLUMN_INTEGER:
      case CCB_COLUMN_UNSIGNED:
        result.append(maskedArray(batch, c, batch->getColumnKind(c) == CCB_COLUMN_UNSIGNED));
        break;
      case CCB_COLUMN_DECIMAL:
        result.append(decimal_ ? decimalArray(batch, c) : realArray(batch, c));
        break;
      case CCB_COLUMN_BIG_DECIMAL:
        result.append(decimalArray(batch, c));
        break;
      case CCB_COLUMN_FLOAT:
        result.append(realArray(batch, c));
        break;
      default:
        result.append(textArray(batch, c, &caches_[static_cast<size_t>(c)]));
    }
  }
  return result;
}

py::object PyColumns::maskedArray(CCBRecordBatch* batch, int column, bool isUnsigned) const {
  const int count = batch->getRecordCount();
  const unsigned char* validity = batch->getValidity(column);
  py::array_t<bool> mask(count);
  bool* missing = mask.mutable_data();
  for (int i = 0; i < count; ++i) missing[i] = validity[i] == 0;
  py::object values = isUnsigned ? py::object(copyArray(batch->getUnsigned(column), count))
                                 : py::object(copyArray(batch->getIntegers(column), count));
  return py::make_tuple(values, mask);
}

py::object PyColumns::realArray(CCBRecordBatch* batch, int column) const {
  return copyArray(batch->getReals(column), batch->getRecordCount());
}

py::object PyColumns::textArray(CCBRecordBatch* batch, int column, TextCache* cache) const {
  const int count = batch->getRecordCount();
  const unsigned char* validity = batch->getValidity(column);
  const char* bytes = batch->getTextBytes(column);
  const int64_t* offsets = batch->getTextOffsets(column);
  py::array array = objectArray(count);
  for (int i = 0; i < count; ++i) {
    if (validity[i] == 0) continue;
    PyObject* value = text(bytes + offsets[i], offsets[i + 1] - offsets[i], cache);
    if (value == nullptr) throw py::error_already_set();
    setObject(array, i, value);
  }
  return array;
}

py::object PyColumns::decimalArray(CCBRecordBatch* batch, int column) const {
  const int count = batch->getRecordCount();
  const unsigned char* validity = batch->getValidity(column);
  const char* bytes = batch->getTextBytes(column);
  const int64_t* offsets = batch->getTextOffsets(column);
  py::array array = objectArray(count);
  for (int i = 0; i < count; ++i) {
    if (validity[i] == 0) continue;
    py::str digits(bytes + offsets[i], static_cast<size_t>(offsets[i + 1] - offsets[i]));
    setObject(array, i, decimalType_(digits).release().ptr());
  }
  return array;
}

// A new reference to the str of the UTF-8 bytes; null with a Python error set.
PyObject* PyColumns::text(const char* bytes, int64_t length, TextCache* cache) const {
  if (length > CACHED_LENGTH) {
    return PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(length), "replace");
  }
  if (cache->texts.empty()) {
    cache->bytes.resize(CACHE_SLOTS);
    cache->texts.resize(CACHE_SLOTS);
  }
  const size_t slot = slotOf(bytes, length);
  std::string& kept = cache->bytes[slot];
  py::object& made = cache->texts[slot];
  if (!made || kept.size() != static_cast<size_t>(length) ||
      std::memcmp(kept.data(), bytes, static_cast<size_t>(length)) != 0) {
    PyObject* value = PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(length), "replace");
    if (value == nullptr) return nullptr;
    made = py::reinterpret_steal<py::object>(value);
    kept.assign(bytes, static_cast<size_t>(length));
  }
  return made.inc_ref().ptr();
}
