// TableWriter writes records as a text table for people: a header row of the output
// names, a rule, then one row per record. Each column is as wide as its name or its
// longest value, whichever is wider, counted in characters (a character that a
// terminal shows double-wide counts once); numbers are right-aligned, text
// left-aligned, control characters shown as '?' and null values left blank.
#ifndef LYRA_TOOLS_TABLE_WRITER_H_
#define LYRA_TOOLS_TABLE_WRITER_H_

#include "record_writer.h"

class TableWriter : public RecordWriter {
 public:
  explicit TableWriter(std::FILE* out) : out_(out) {}
  void begin(const std::vector<OutputColumn>& columns) override;
  void write(const std::vector<OutputValue>& values) override;

 private:
  void appendCell(size_t column, std::string_view utf8);
  void endRow();

  std::FILE* out_;
  std::vector<size_t> widths_;
  std::vector<bool> rightAligned_;
  std::string row_;
};

#endif  // LYRA_TOOLS_TABLE_WRITER_H_
