#include "py_columns.h"

#include <pybind11/numpy.h>

#include <cstring>

namespace py = pybind11;

namespace {

const size_t CACHE_SLOTS = 512;  // the most str objects kept per column
// Batches of fewer records make every str directly, and a column keeps no more slots
// than its batch has records: a layout of millions of columns read a few records at
// a time would otherwise keep far more slots than values.
const int MIN_CACHED_RECORDS = 16;
const int64_t CACHED_LENGTH = 32;  // the longest text kept
// A batch's first texts try the cache; when fewer than one in HIT_SHARE of them is
// found there, the column's values hardly repeat and the rest are made directly.
const int TRIAL_TEXTS = 256;
const int HIT_SHARE = 4;
const uint64_t FNV_OFFSET = 0xCBF29CE484222325ULL;
const uint64_t FNV_PRIME = 0x100000001B3ULL;

size_t slotOf(const char* bytes, int64_t length, size_t slots) {
  uint64_t hash = FNV_OFFSET;
  for (int64_t i = 0; i < length; ++i) {
    hash = (hash ^ static_cast<unsigned char>(bytes[i])) * FNV_PRIME;
  }
  return static_cast<size_t>(hash % slots);
}

// The slots a column's cache has for a batch of count records: a power of two.
size_t slotsFor(int count) {
  if (count < MIN_CACHED_RECORDS) return 0;
  size_t slots = 1;
  while (slots < static_cast<size_t>(count) && slots < CACHE_SLOTS) slots <<= 1;
  return slots;
}

// Puts value (a new reference, taken over) into an object array's slot.
inline void setObject(PyObject** slot, PyObject* value) {
  PyObject* old = *slot;
  *slot = value;
  Py_XDECREF(old);
}

template <typename T>
py::dtype dtypeOf() {
  return py::dtype::of<T>();
}
template <>
py::dtype dtypeOf<PyObject*>() {
  return py::dtype("O");
}

}  // namespace

template <typename T>
T* targetRows(const py::handle& target, int64_t start, int count) {
  if (!py::isinstance<py::array>(target))
    throw py::type_error("a column's target must be an array");
  py::array array = py::reinterpret_borrow<py::array>(target);
  if (!array.dtype().is(dtypeOf<T>()) || array.ndim() != 1 || !array.writeable() ||
      (array.flags() & py::array::c_style) == 0 || start < 0 || array.shape(0) < start + count) {
    throw py::type_error("a column's target array has the wrong type or too few rows");
  }
  return static_cast<T*>(array.mutable_data()) + start;
}

template int64_t* targetRows<int64_t>(const py::handle& target, int64_t start, int count);

PyColumns::PyColumns() : decimalType_(py::module_::import("decimal").attr("Decimal")) {}

void PyColumns::fill(CCBRecordBatch* batch, const py::list& targets, int64_t start) {
  const int columns = batch->getColumnCount();
  if (static_cast<int>(targets.size()) != columns) {
    throw py::type_error("one target is needed for each column");
  }
  if (caches_.size() != static_cast<size_t>(columns)) {
    caches_.assign(static_cast<size_t>(columns), TextCache());
  }
  const int count = batch->getRecordCount();
  for (int c = 0; c < columns; ++c) {
    const py::handle target = targets[static_cast<size_t>(c)];
    const CCBColumnKind kind = batch->getColumnKind(c);
    if (kind == CCB_COLUMN_INTEGER || kind == CCB_COLUMN_UNSIGNED) {
      fillMasked(batch, c, target, start);
    } else if (kind == CCB_COLUMN_BIG_DECIMAL || (kind == CCB_COLUMN_DECIMAL && decimal_)) {
      fillDecimal(batch, c, target, start);
    } else if (kind == CCB_COLUMN_TEXT) {
      fillText(batch, c, target, start, &caches_[static_cast<size_t>(c)]);
    } else if (count > 0) {
      std::memcpy(targetRows<double>(target, start, count), batch->getReals(c),
                  sizeof(double) * static_cast<size_t>(count));
    }
  }
}

void PyColumns::fillMasked(CCBRecordBatch* batch, int column, const py::handle& target,
                           int64_t start) const {
  const int count = batch->getRecordCount();
  if (!py::isinstance<py::tuple>(target) || py::len(target) != 2) {
    throw py::type_error("an integer column's target must be (values, mask)");
  }
  const py::tuple pair = py::reinterpret_borrow<py::tuple>(target);
  bool* missing = targetRows<bool>(pair[1], start, count);
  const unsigned char* validity = batch->getValidity(column);
  for (int i = 0; i < count; ++i) missing[i] = validity[i] == 0;
  if (count == 0) return;
  const size_t bytes = sizeof(int64_t) * static_cast<size_t>(count);
  if (batch->getColumnKind(column) == CCB_COLUMN_UNSIGNED) {
    std::memcpy(targetRows<uint64_t>(pair[0], start, count), batch->getUnsigned(column), bytes);
  } else {
    std::memcpy(targetRows<int64_t>(pair[0], start, count), batch->getIntegers(column), bytes);
  }
}

void PyColumns::fillText(CCBRecordBatch* batch, int column, const py::handle& target, int64_t start,
                         TextCache* cache) const {
  const int count = batch->getRecordCount();
  PyObject** slots = targetRows<PyObject*>(target, start, count);
  const unsigned char* validity = batch->getValidity(column);
  const char* bytes = batch->getTextBytes(column);
  const int64_t* offsets = batch->getTextOffsets(column);
  cache->lookups = cache->hits = 0;
  const size_t cacheSlots = slotsFor(count);
  if (cache->texts.size() != cacheSlots) {
    cache->bytes.assign(cacheSlots, std::string());
    cache->texts.assign(cacheSlots, py::object());
  }
  for (int i = 0; i < count; ++i) {
    if (validity[i] == 0) {
      setObject(slots + i, Py_NewRef(Py_None));
      continue;
    }
    PyObject* value = text(bytes + offsets[i], offsets[i + 1] - offsets[i], cache);
    if (value == nullptr) throw py::error_already_set();
    setObject(slots + i, value);
  }
}

void PyColumns::fillDecimal(CCBRecordBatch* batch, int column, const py::handle& target,
                            int64_t start) const {
  const int count = batch->getRecordCount();
  PyObject** slots = targetRows<PyObject*>(target, start, count);
  const unsigned char* validity = batch->getValidity(column);
  const char* bytes = batch->getTextBytes(column);
  const int64_t* offsets = batch->getTextOffsets(column);
  for (int i = 0; i < count; ++i) {
    if (validity[i] == 0) {
      setObject(slots + i, Py_NewRef(Py_None));
      continue;
    }
    py::str digits(bytes + offsets[i], static_cast<size_t>(offsets[i + 1] - offsets[i]));
    setObject(slots + i, decimalType_(digits).release().ptr());
  }
}

// A new reference to the str of the UTF-8 bytes; null with a Python error set.
PyObject* PyColumns::text(const char* bytes, int64_t length, TextCache* cache) const {
  const bool tried = cache->lookups >= TRIAL_TEXTS;
  if (cache->texts.empty() || length > CACHED_LENGTH ||
      (tried && cache->hits * HIT_SHARE < cache->lookups)) {
    return PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(length), "replace");
  }
  if (!tried) ++cache->lookups;
  const size_t slot = slotOf(bytes, length, cache->texts.size());
  std::string& kept = cache->bytes[slot];
  py::object& made = cache->texts[slot];
  if (made && kept.size() == static_cast<size_t>(length) &&
      std::memcmp(kept.data(), bytes, static_cast<size_t>(length)) == 0) {
    if (!tried) ++cache->hits;
    return made.inc_ref().ptr();
  }
  PyObject* value = PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(length), "replace");
  if (value == nullptr) return nullptr;
  made = py::reinterpret_borrow<py::object>(value);
  kept.assign(bytes, static_cast<size_t>(length));
  return value;
}
