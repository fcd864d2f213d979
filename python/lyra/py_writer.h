// PyWriter is the binding's record writer: one lyra record writer (CCBRecordWriter)
// that writes the columns of a frame, as numpy arrays, through its column-batch side.
// It owns the writer and releases it when it goes, which abandons an output not
// closed. Failures of lyra come out as ValueError with lyra's message; a bad record
// that stops writing is returned, not raised, so that the Python side can raise its
// RecordError with the record's place.
//
// The Python module lyra/_write.py checks the keyword arguments and calls this class;
// it is not meant for users. One Python thread uses a writer at a time.
#ifndef LYRA_PYTHON_PY_WRITER_H_
#define LYRA_PYTHON_PY_WRITER_H_

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

#include <lyra/lyra.h>

class PyWriter {
 public:
  PyWriter();
  PyWriter(const PyWriter&) = delete;
  PyWriter& operator=(const PyWriter&) = delete;

  // As PyReader's: the layout options, layouts, identifier field and segments.
  void setLayoutOptions(const pybind11::dict& options);
  void addLayout(const std::string& path, bool xml, const std::string& recordId, bool active);
  void addLayoutText(const pybind11::bytes& text, const std::string& name,
                     const std::string& recordId, bool active);
  void setIdentifierField(int offset, const std::string& clauses);
  void addSegment(const std::string& item, const std::string& recordId);
  // The output names of a layout's columns, as bytes (ISO-8859-1).
  pybind11::list columnNames(int layout);
  // Opens the file with the options of the dictionary: those of readOptionsFrom, and
  // block_size, overpunch_signs and binary_full_range.
  void open(const std::string& path, const pybind11::dict& options);
  // Writes count records of the layout from the columns, each (column index, kind,
  // values, validity or None, offsets or None): kind "integer" (int64 values),
  // "unsigned" (uint64), "real" (float64) or "text" (uint8 bytes with int64 offsets).
  // Returns (records written, failure): failure None, or (record, column name, value,
  // reason) of the bad record that stopped writing (record counted from 1 over all
  // records given, column name None for the whole record).
  pybind11::tuple writeBatch(int layout, const pybind11::list& columns, int64_t count);
  // Writes out the last block and puts the file in place.
  void close();

 private:
  struct Release {
    void operator()(CCBRecordWriter* writer) const { writer->release(); }
  };
  [[noreturn]] void fail() const;
  std::unique_ptr<CCBRecordWriter, Release> writer_;
};

#endif  // LYRA_PYTHON_PY_WRITER_H_
