// CsvWriter writes records as RFC 4180 CSV: a header row of the output names, then
// one row per record, rows ending in CRLF. A field holding a comma, a double quote,
// CR or LF is quoted, with its quotes doubled; a null value is an empty field.
#ifndef LYRA_TOOLS_CSV_WRITER_H_
#define LYRA_TOOLS_CSV_WRITER_H_

#include "record_writer.h"

class CsvWriter : public RecordWriter {
 public:
  explicit CsvWriter(const std::vector<OutputColumn>& columns) : columns_(columns) {}
  void writeHeader(OutputBuffer* out) override;
  void write(const std::vector<OutputValue>& values, OutputBuffer* out) override;

 private:
  const std::vector<OutputColumn>& columns_;
};

#endif  // LYRA_TOOLS_CSV_WRITER_H_
