// PyReader is the binding's record reader: one lyra record reader (CCBRecordReader)
// with a record batch (CCBRecordBatch) that reads its records as typed columns, and
// the bad records that reading passed over since the input was opened. It owns the
// reader and the batch and releases them when it goes. Failures of lyra come out as
// ValueError with lyra's message; a failed read is returned, not raised, so that the
// Python side can raise its RecordError with the record's place.
//
// The Python modules (lyra/__init__.py and the modules beside it) check the keyword
// arguments and call this class; it is not meant for users. One Python thread uses a
// reader at a time.
#ifndef LYRA_PYTHON_PY_READER_H_
#define LYRA_PYTHON_PY_READER_H_

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "py_columns.h"

class PyReader {
 public:
  PyReader();
  PyReader(const PyReader&) = delete;
  PyReader& operator=(const PyReader&) = delete;

  // float_format, national_utf16, strict, source_format, margin, copy_path (a list);
  // for the layouts added after.
  void setLayoutOptions(const pybind11::dict& options);
  // A copybook (xml false) or an XML layout document for the records whose
  // identifier is recordId.
  void addLayout(const std::string& path, bool xml, const std::string& recordId, bool active);
  void setIdentifierField(int offset, const std::string& clauses);
  void addSegment(const std::string& item, const std::string& recordId);
  // The longest layout's record length (0 without one).
  int recordLength();
  // Opens the data file with the read options of the dictionary (see
  // readOptionsFrom in py_reader.cpp).
  void open(const std::string& path, const pybind11::dict& options);
  // The split points of the file, about every `every` bytes: (offset, number) pairs.
  pybind11::list scanSplitPoints(const std::string& path, const pybind11::dict& options,
                                 int64_t every);

  // The batch's settings: the reader's columns to fill (None: all), whether decimal
  // columns give exact Decimal values, whether text loses trailing blanks.
  void setColumns(const pybind11::object& indexes, bool decimal, bool strip);
  // (name, kind, digits, fraction digits) of each column the next read fills.
  pybind11::list describe();
  // The names of every column of the active layout.
  pybind11::list columnNames();
  // Reads up to maxRecords records: (columns, record numbers, offsets, error counts,
  // failure), failure None or (message, record number, offset). See PyColumns for
  // the columns.
  pybind11::tuple read(int maxRecords);
  // The bad records passed over since the last call: (record, offset, length,
  // reason, bytes) each.
  pybind11::list takeRejects();

 private:
  struct Release {
    void operator()(CCBRecordReader* reader) const { reader->release(); }
    void operator()(CCBRecordBatch* batch) const { batch->release(); }
  };
  // Keeps each bad record reading passes over until takeRejects.
  class RejectsCollector : public CCBBadRecordCallback {
   public:
    void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                   const QvbString& reason) override;
    struct Reject {
      int64_t number;
      int64_t offset;
      std::string bytes;
      std::string reason;
    };
    std::vector<Reject> rejects;
  };

  [[noreturn]] void fail() const;

  std::unique_ptr<CCBRecordReader, Release> reader_;
  std::unique_ptr<CCBRecordBatch, Release> batch_;
  RejectsCollector rejects_;
  PyColumns columns_;
};

#endif  // LYRA_PYTHON_PY_READER_H_
