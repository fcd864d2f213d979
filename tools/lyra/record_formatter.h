// RecordFormatter writes the record a reader holds as a row or line of a flat output
// format (csv, jsonl, table): the columns the tool adds first (_layout, _record,
// _offset, _parent, as the options ask), then the chosen columns of the record's
// layout, whose texts it takes as views of the reader's own, stripped with --strip. It
// owns its record writer; each thread that formats records has its own formatters.
//
// LayoutColumns describes what is written of one layout, for flat and nested output
// alike; describeLayouts makes them once, on the reader that opened the input.
#ifndef LYRA_TOOLS_RECORD_FORMATTER_H_
#define LYRA_TOOLS_RECORD_FORMATTER_H_

#include <memory>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "read_options.h"
#include "record_writer.h"

// Where a column's value comes from: a column of the layout (0 and up), or one of these
// that the tool adds.
enum ColumnSource : int {
  SOURCE_LAYOUT = -1,  // the layout's identifier
  SOURCE_RECORD = -2,  // the record's number in the file; null where unknown
  SOURCE_OFFSET = -3,  // the byte offset of its first byte
  SOURCE_PARENT = -4,  // its parent record's number; null for a root
};

struct LayoutColumns {
  int layout = 0;             // the reader's index of the layout
  std::string id;             // its identifier, UTF-8
  std::string record;         // its record's name (the level-01 item's), UTF-8
  OutputColumns output;       // the flat outputs' columns
  std::vector<int> sources;   // per output column: a ColumnSource or a column index
  std::vector<char> numeric;  // per column of the layout: an integer or real column
};

class RecordFormatter {
 public:
  // columns: as describeLayouts gives them for the options; they outlive the formatter.
  RecordFormatter(const ReadOptions& options, const LayoutColumns& columns);

  // Appends the lines before the first record.
  void writeHeader(OutputBuffer* out) { writer_->writeHeader(out); }
  // Appends the record that reader has just read. REQUIRES: the reader's active
  // layout is the one the columns describe.
  void write(CCBRecordReader* reader, OutputBuffer* out);

 private:
  static const int POSITION_DIGITS = 24;  // room for any 64-bit number

  OutputValue position(int64_t number, int slot);

  const LayoutColumns& columns_;
  bool strip_;
  std::unique_ptr<RecordWriter> writer_;
  std::vector<OutputValue> values_;
  char positions_[3][POSITION_DIGITS];  // the texts of the record's number, offset, parent
};

// The layouts the options write, as the reader (which has the input open) has them:
// every layout with --all-layouts, else the active one; their columns after those the
// tool adds, those of --columns alone, in its order, and without FILLER with --filler
// drop. False with a message (a usage error) for a name in --columns that no column
// has, naming those that come close.
// The name of the active layout's record: its level-01 item's; empty without one.
QvbString layoutRecordName(CCBRecordReader* reader);

bool describeLayouts(const ReadOptions& options, CCBRecordReader* reader,
                     std::vector<LayoutColumns>* layouts, std::string* error);

#endif  // LYRA_TOOLS_RECORD_FORMATTER_H_
