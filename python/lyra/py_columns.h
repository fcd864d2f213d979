// PyColumns writes the columns of a record batch (CCBRecordBatch) into numpy arrays
// that the caller made, at a given row, so that a frame's columns are filled batch
// after batch in place. The target of each column, by the column's kind:
//
//   integer, unsigned   (values, mask): int64 or uint64 values, and a bool array
//                       set true where a value is none
//   decimal             float64, NaN where a value is none; with decimal on, an
//                       object array of decimal.Decimal values
//   big_decimal         an object array of decimal.Decimal values
//   float               float64, NaN where a value is none
//   text                an object array of str values
//
// In object arrays a value that is none is None.
// Texts are UTF-8. Short texts that repeat in a column (codes, names, blank fields)
// are made into str objects once: each column keeps the last few hundred it made
// (no more than its batch has records, none for a batch of a few), by their bytes,
// and hands out the same object again; a column whose texts hardly repeat
// (identifiers) skips that. It holds references to those objects; one Python
// thread uses it, with the GIL held.
#ifndef LYRA_PYTHON_PY_COLUMNS_H_
#define LYRA_PYTHON_PY_COLUMNS_H_

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>

class PyColumns {
 public:
  PyColumns();  // REQUIRES: the GIL
  PyColumns(const PyColumns&) = delete;
  PyColumns& operator=(const PyColumns&) = delete;

  void setDecimal(bool decimal) { decimal_ = decimal; }
  // Writes every column of the batch into its target (one per column, in order) from
  // row start on. Raises TypeError for a target of the wrong kind, type or size.
  void fill(CCBRecordBatch* batch, const pybind11::list& targets, int64_t start);

 private:
  // The str objects last made for one column, by slot: a slot is chosen by a hash of
  // the text's bytes.
  struct TextCache {
    std::vector<std::string> bytes;
    std::vector<pybind11::object> texts;
    int lookups = 0;  // of the batch's first texts
    int hits = 0;
  };

  void fillMasked(CCBRecordBatch* batch, int column, const pybind11::handle& target,
                  int64_t start) const;
  void fillText(CCBRecordBatch* batch, int column, const pybind11::handle& target, int64_t start,
                TextCache* cache) const;
  void fillDecimal(CCBRecordBatch* batch, int column, const pybind11::handle& target,
                   int64_t start) const;
  PyObject* text(const char* bytes, int64_t length, TextCache* cache) const;

  pybind11::object decimalType_;  // decimal.Decimal
  bool decimal_ = false;
  std::vector<TextCache> caches_;  // one per column
};

// Where count values go in a target array from row start: its data, after checking
// that it is a one-dimensional, contiguous, writeable array of T (Python objects for
// PyObject*) with room for them. Raises TypeError otherwise.
template <typename T>
T* targetRows(const pybind11::handle& target, int64_t start, int count);

#endif  // LYRA_PYTHON_PY_COLUMNS_H_
