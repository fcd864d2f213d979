// RecordWriter is the output format of `lyra read`: made for the columns of the
// active layout, it appends what comes before the first record, then each record
// given as its values in column order, to a text buffer the caller owns and writes
// out (a whole buffer at a time, not a row). Names and values are UTF-8 and are
// written as they are. A null value is a column of a repetition that a variable
// table did not reach. createRecordWriter picks one by format. A writer keeps
// scratch space: one thread at a time, one writer per thread.
#ifndef LYRA_TOOLS_RECORD_WRITER_H_
#define LYRA_TOOLS_RECORD_WRITER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <lyra/lyra.h>

#include "output_buffer.h"

enum OutputFormat {
  FORMAT_CSV,
  FORMAT_JSONL,
  FORMAT_TABLE,
  FORMAT_JSON_NESTED,  // JSON lines of records shaped as their copybooks (nested_writer.h)
};

struct OutputColumn {
  std::string_view name;  // UTF-8, like the values; kept by whoever made the column
  int type;               // QVB_TYPE_INTEGER, QVB_TYPE_REAL or QVB_TYPE_STRING
  int length;             // the longest text the column's field gives
  bool position = false;  // a record position the tool adds: a number in JSON lines, typed or not
};

// A value as the writers take it: a view of its text, which may hold zero bytes,
// valid while the record is written.
struct OutputValue {
  std::string_view text;
  bool null = true;  // a repetition that a variable table did not reach
};

class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  // Appends the lines before the first record: the header row of csv, the names
  // and rule of table, nothing for jsonl.
  virtual void writeHeader(OutputBuffer* out) = 0;
  // Appends one record's row or line.
  virtual void write(const std::vector<OutputValue>& values, OutputBuffer* out) = 0;
};

// The columns of a read, whose names are views of names: a layout may have millions
// of columns, and one block of names costs a few bytes each.
struct OutputColumns {
  std::vector<char> names;  // a vector keeps its block when the columns move
  std::vector<OutputColumn> list;
};

// typed applies to FORMAT_JSONL: integer and real columns become JSON numbers. The
// columns stay the caller's, and must outlive the writer.
std::unique_ptr<RecordWriter> createRecordWriter(OutputFormat format, bool typed,
                                                 const std::vector<OutputColumn>& columns);

#endif  // LYRA_TOOLS_RECORD_WRITER_H_
