// TableWriter writes records as a text table for people: a header row of the output
// names, a rule, then one row per record. Each column is as wide as its name or its
// output length (the longest text its field gives), whichever is wider, counted in
// characters (a character that a terminal shows double-wide counts once), so the
// widths are known before the first record; a longer value makes its row wider.
// Numbers are right-aligned, text left-aligned, control characters shown as '?' and
// null values left blank. A row ends without trailing blanks.
#ifndef LYRA_TOOLS_TABLE_WRITER_H_
#define LYRA_TOOLS_TABLE_WRITER_H_

#include "record_writer.h"

class TableWriter : public RecordWriter {
 public:
  explicit TableWriter(const std::vector<OutputColumn>& columns);
  void writeHeader(OutputBuffer* out) override;
  void write(const std::vector<OutputValue>& values, OutputBuffer* out) override;

 private:
  void appendCell(size_t column, std::string_view utf8, OutputBuffer* out) const;

  const std::vector<OutputColumn>& columns_;
  std::vector<size_t> widths_;
  std::vector<bool> rightAligned_;
};

#endif  // LYRA_TOOLS_TABLE_WRITER_H_
