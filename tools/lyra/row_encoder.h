// RowEncoder turns the rows of a chunk of input into record bytes with a record writer
// of its own, so that threads can encode chunks side by side: each row's record, or
// why the row is bad (its column, value and reason), or the names it gives that no
// layout has (a usage error). The command frames the records in input order.
//
// A json-nested row (a record shaped as its layout, with --child a root and its tree)
// becomes its records one after another.
//
// ColumnNames, built once and then only read, tells each input name's column in each
// layout; a RowEncoder owns its writer and the layouts' shapes, and reuses its buffers
// from chunk to chunk.
#ifndef LYRA_TOOLS_ROW_ENCODER_H_
#define LYRA_TOOLS_ROW_ENCODER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <lyra/lyra.h>

#include "input_rows.h"
#include "nested_records.h"
#include "write_options.h"

struct ReleaseWriter {
  void operator()(CCBRecordWriter* writer) const { writer->release(); }
};
using RecordWriterPtr = std::unique_ptr<CCBRecordWriter, ReleaseWriter>;

// A writer with the layouts, identifier field and segments of the options; null with a
// message.
RecordWriterPtr createWriter(const WriteOptions& options, std::string* error);

// The output names of every layout (in UTF-8) and their column in each.
class ColumnNames {
 public:
  void build(CCBRecordWriter* writer);
  int layoutCount() const { return layouts_; }
  // The columns of a name, one per layout (-1 where it has none); null for a name no
  // layout has.
  const std::vector<int>* find(const std::string& name) const;
  std::string layoutId(int layout) const { return ids_[static_cast<size_t>(layout)]; }
  // The layout of an identifier value (letter case ignored); -1 for none.
  int findLayout(const std::string& id) const;

 private:
  int layouts_ = 0;
  std::vector<std::string> ids_;
  std::unordered_map<std::string, std::vector<int>> columns_;
};

// What became of a row: its record (at offset in the chunk's records), or why it is bad.
struct RowOutcome {
  int64_t row = 0;            // from 1, within its chunk
  size_t begin = 0, end = 0;  // its text in the chunk
  int64_t offset = -1;        // of its record; -1 for none (a blank row: nothing)
  int length = 0;
  std::vector<int> lengths;  // a json-nested tree's records, one after another from offset
                             // (length bytes in all); empty for a row of one record
  bool bad = false;
  bool usage = false;  // it names columns no layout has: reason lists them
  std::string column, value, reason;
};

// A chunk of rows and what became of them.
struct EncodedChunk {
  std::string text;
  std::vector<unsigned char> records;
  std::vector<RowOutcome> rows;
  std::string failure;  // the chunk could not be encoded at all
};

class RowEncoder {
 public:
  // header: the CSV header's names (empty for JSON lines); names: every layout's.
  RowEncoder(const WriteOptions& options, const ColumnNames& names,
             const std::vector<std::string>& header)
      : options_(options), names_(names), header_(header) {}
  // Creates the writer; false with a message.
  bool prepare(std::string* error);
  void encode(EncodedChunk* chunk);

 private:
  void encodeRow(const std::vector<InputField>& fields, RowOutcome* outcome, EncodedChunk* chunk);
  void encodeNested(char* line, RowOutcome* outcome, EncodedChunk* chunk);
  bool chooseNestedLayout(const rapidjson::Value& line, RowOutcome* outcome, int* layout);
  bool takeRecords(const rapidjson::Value& line, int layout, RowOutcome* outcome);
  void setRecordValues(const NestedRecord& record);
  void appendRecords(RowOutcome* outcome, EncodedChunk* chunk);
  bool chooseLayout(const std::vector<InputField>& fields, RowOutcome* outcome, int* layout);
  bool setValues(const std::vector<InputField>& fields, int layout, RowOutcome* outcome);
  const std::vector<int>* columnsOf(const InputField& field, size_t index);
  void badValue(RowOutcome* outcome);
  static void bad(RowOutcome* outcome, const std::string& reason);

  const WriteOptions& options_;
  const ColumnNames& names_;
  const std::vector<std::string>& header_;
  RecordWriterPtr writer_;
  std::vector<const std::vector<int>*> headerColumns_;  // CSV: each header name's columns
  int layoutField_ = -1;                                // CSV: the index of _layout
  std::vector<InputField> fields_;
  std::string key_;  // the name of the member columnsOf was last asked for
  std::vector<std::pair<std::string, const std::vector<int>*>> keyCache_;  // by place
  NestedRecords nested_;               // json-nested: the layouts' shapes
  std::vector<NestedRecord> records_;  // json-nested: the records of the row
};

#endif  // LYRA_TOOLS_ROW_ENCODER_H_
