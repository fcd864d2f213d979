// RecordFormatter writes the record a reader holds as a row or line of the output
// format: with --with-position its number and offset first, then the columns of the
// active layout, whose texts it takes as views of the reader's own. It owns its
// record writer; each thread that formats records has its own formatter.
#ifndef LYRA_TOOLS_RECORD_FORMATTER_H_
#define LYRA_TOOLS_RECORD_FORMATTER_H_

#include <memory>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "read_options.h"
#include "record_writer.h"

class RecordFormatter {
 public:
  // columns: as describeColumns gives them for the options.
  RecordFormatter(const ReadOptions& options, const std::vector<OutputColumn>& columns);

  // Appends the lines before the first record.
  void writeHeader(OutputBuffer* out) { writer_->writeHeader(out); }
  // Appends the record that reader has just read. REQUIRES: the reader's active
  // layout is the one the columns describe.
  void write(CCBRecordReader* reader, OutputBuffer* out);

 private:
  static const int POSITION_DIGITS = 24;  // room for any 64-bit number

  bool withPosition_;
  std::unique_ptr<RecordWriter> writer_;
  std::vector<OutputValue> values_;
  char positions_[2][POSITION_DIGITS];  // the texts of the record's number and offset
};

// The columns of the active layout of the reader, which has the data file open,
// after the position columns with --with-position.
OutputColumns describeColumns(const ReadOptions& options, CCBRecordReader* reader);

#endif  // LYRA_TOOLS_RECORD_FORMATTER_H_
