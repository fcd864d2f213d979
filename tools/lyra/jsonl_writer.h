// JsonlWriter writes one JSON object per record and line, keyed by output name in
// column order. Values are strings, null for a null value. With typed output,
// integer and real columns are JSON numbers, and null when their text holds no
// number ("#ERR#", blanks); position columns are numbers always.
#ifndef LYRA_TOOLS_JSONL_WRITER_H_
#define LYRA_TOOLS_JSONL_WRITER_H_

#include "record_writer.h"

class JsonlWriter : public RecordWriter {
 public:
  JsonlWriter(const std::vector<OutputColumn>& columns, bool typed);
  void writeHeader(OutputBuffer*) override {}
  void write(const std::vector<OutputValue>& values, OutputBuffer* out) override;

 private:
  std::string_view key(size_t column) const {
    const size_t start = column > 0 ? keyEnds_[column - 1] : 0;
    return std::string_view(keys_.data() + start, keyEnds_[column] - start);
  }

  // Each name as a JSON string followed by ':', after a ',' from the second on, one
  // after the other, and where each ends.
  std::string keys_;
  std::vector<size_t> keyEnds_;
  std::vector<bool> numeric_;  // per column: written as a number
};

#endif  // LYRA_TOOLS_JSONL_WRITER_H_
