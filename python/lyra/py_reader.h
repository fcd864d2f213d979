// PyReader is the binding's record reader: one lyra record reader (CCBRecordReader)
// whose records it reads as typed columns through a pipeline of record batches
// (PyBatchPipeline), and the bad records that reading passed over since the input
// was opened. It owns the reader and the pipeline and releases them when it goes,
// and so the input it reads: a Python buffer it holds a view of (which keeps its
// bytes where they are) or a descriptor it closes.
// Failures of lyra come out as ValueError with lyra's message; a failed read is
// returned, not raised, so that the Python side can raise its RecordError with the
// record's place.
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

#include "py_batch_pipeline.h"
#include "py_columns.h"
#include "py_layout_batches.h"
#include "py_nested.h"

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
  // A copybook given as text; name says what it is in a message.
  void addLayoutText(const pybind11::bytes& text, const std::string& name,
                     const std::string& recordId, bool active);
  void setIdentifierField(int offset, const std::string& clauses);
  void addSegment(const std::string& item, const std::string& recordId);
  // The longest layout's record length (0 without one).
  int recordLength();
  // Every file the layouts were read from: each one's copybook or XML layout document
  // and the COPY members it included, as bytes (file names need not be UTF-8).
  pybind11::list layoutFiles();
  // Opens the data file with the read options of the dictionary (see
  // readOptionsFrom in py_reader.cpp).
  void open(const std::string& path, const pybind11::dict& options);
  // Opens the bytes of a buffer (a one-dimensional, contiguous buffer of bytes),
  // holding a view of it until the reader goes or opens another input.
  void openMemory(const pybind11::buffer& data, const pybind11::dict& options);
  // Opens a descriptor, read forward from where it stands; the reader takes it over
  // and closes it when it goes or opens another input.
  void openDescriptor(int descriptor, const pybind11::dict& options);
  // The split points of the file, or of the buffer's bytes, about every `every`
  // bytes: (offset, number) pairs.
  pybind11::list scanSplitPoints(const std::string& path, const pybind11::dict& options,
                                 int64_t every);
  pybind11::list scanSplitPointsMemory(const pybind11::buffer& data, const pybind11::dict& options,
                                       int64_t every);
  // The checkpoint index of the compressed data files opened next ("": none).
  void setIndexFile(const std::string& path);
  // The compression of the input open: "none", "gzip", "bzip2" or "zstd".
  std::string compression();

  // The batch's settings: the reader's columns to fill (None: all), whether decimal
  // columns give exact Decimal values, whether text loses trailing blanks.
  void setColumns(const pybind11::object& indexes, bool decimal, bool strip);
  // (name, kind, digits, fraction digits, length) of each column the next read fills;
  // length: the characters of its longest text.
  pybind11::list describe();
  // The names of every column of the active layout.
  pybind11::list columnNames();
  // Reads up to maxRecords records into the targets from row start on: the columns
  // into targets (see PyColumns), the record numbers and offsets into int64 arrays
  // (None: not wanted). Returns (records read, error counts, failure, unknown),
  // failure None or (message, record number, offset), unknown the records of no
  // layout stepped over since the input was opened as (count, first), first None or
  // (record number, offset, identifier). With ahead above 0, the next call's
  // records, ahead of them (its maxRecords), are read meanwhile (see
  // PyBatchPipeline).
  pybind11::tuple readInto(const pybind11::list& targets, const pybind11::object& numbers,
                           const pybind11::object& offsets, int64_t start, int maxRecords,
                           int ahead);
  // The bad records passed over since the last call: (record, offset, length,
  // reason, bytes) each.
  pybind11::list takeRejects();

  // Every layout's records (all_layouts, child layouts). Makes layout index the active
  // one; whether each column of the active layout is a FILLER's; the child layouts, as
  // (parent identifier, child identifier) pairs.
  void setActiveLayout(int index);
  pybind11::list fillerColumns();
  // The name of the active layout's record: its first top-level item's.
  std::string recordName();
  void setChildren(const pybind11::list& links);
  // Describes each layout's columns as describe() does, columns[layout] None for all of
  // them, for readLayouts: a list of descriptions, one per layout.
  pybind11::list describeLayouts(const pybind11::list& columns, bool decimal, bool strip);
  // Reads up to maxRecords records of every layout, each into its layout's batch; returns
  // (records read, each layout's of them, failure, unknown) as readInto does.
  pybind11::tuple readLayouts(int maxRecords);
  // Writes the records that readLayouts read of the layout into the targets from row
  // start on, with their numbers, offsets and parents' numbers (each None: not wanted);
  // returns (records, error counts).
  pybind11::tuple fillLayout(int layout, const pybind11::list& targets,
                             const pybind11::object& numbers, const pybind11::object& offsets,
                             const pybind11::object& parents, int64_t start);
  // Up to maxRecords records of every layout, one at a time: (list of (layout, values,
  // record, offset, parent), failure, unknown), values a tuple as read_pandas types them.
  pybind11::tuple readRows(int maxRecords);
  // Nested records (PyNestedRecords): settings ids, records, children (lists of layout
  // indexes), layout_key, with_position, max_tree_bytes, max_errors; then up to
  // maxItems records or trees at a time: (list of (object, record, offset), failure,
  // unknown, ended).
  void setNested(const pybind11::dict& settings);
  pybind11::tuple readNested(int maxItems);

 private:
  struct Release {
    void operator()(CCBRecordReader* reader) const { reader->release(); }
  };
  struct Descriptor {
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    void reset(int descriptor = -1);
    int fd = -1;
  };

  [[noreturn]] void fail() const;
  // Lets the input go; REQUIRES: nothing reads it (the pipeline stopped).
  void closeInput();
  template <typename Scan>
  pybind11::list collectSplitPoints(Scan scan);

  // The input; declared before the reader and the pipeline, which use it until they go.
  std::unique_ptr<pybind11::buffer_info> memory_;  // the view of the buffer read
  Descriptor descriptor_;
  // Declared before the pipeline, whose thread may use the reader until it stops.
  std::unique_ptr<CCBRecordReader, Release> reader_;
  PyBatchPipeline pipeline_;
  std::vector<PyBatchPipeline::Reject> rejects_;  // of the batches handed out
  PyColumns columns_;
  PyLayoutBatches layouts_;  // every layout's records
  std::unique_ptr<PyNestedRecords> nested_;
  pybind11::object decimalType_;  // decimal.Decimal
};

#endif  // LYRA_PYTHON_PY_READER_H_
