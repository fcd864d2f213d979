// PyColumns turns the columns of a record batch (CCBRecordBatch) into numpy arrays,
// one per column, by the column's kind:
//
//   integer, unsigned   (values, mask): int64 or uint64 values, a bool array true
//                       where a value is none
//   decimal             float64 with NaN where a value is none; with decimal on,
//                       objects: decimal.Decimal values and None
//   big_decimal         objects: decimal.Decimal values and None
//   float               float64 with NaN where a value is none
//   text                objects: str values and None
//
// Texts are UTF-8. Short texts that repeat in a column (codes, blank fields) are
// made into str objects once: each column keeps the last few it made, by their bytes,
// and hands out the same object again. It holds references to those objects; one
// Python thread uses it, with the GIL held.
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
  // The arrays of every column of the batch.
  pybind11::list arrays(CCBRecordBatch* batch);

 private:
  // The str objects last made for one column, by slot: a slot is chosen by a hash of
  // the text's bytes.
  struct TextCache {
    std::vector<std::string> bytes;
    std::vector<pybind11::object> texts;
  };

  pybind11::array objectArray(int count) const;
  pybind11::object maskedArray(CCBRecordBatch* batch, int column, bool isUnsigned) const;
  pybind11::object realArray(CCBRecordBatch* batch, int column) const;
  pybind11::object textArray(CCBRecordBatch* batch, int column, TextCache* cache) const;
  pybind11::object decimalArray(CCBRecordBatch* batch, int column) const;
  PyObject* text(const char* bytes, int64_t length, TextCache* cache) const;

  pybind11::object numpyEmpty_;   // numpy.empty
  pybind11::object decimalType_;  // decimal.Decimal
  bool decimal_ = false;
  std::vector<TextCache> caches_;  // one per column
};

#endif  // LYRA_PYTHON_PY_COLUMNS_H_
