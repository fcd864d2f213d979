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
  void writeHeader(std::string*) override {}
  void write(const std::vector<OutputValue>& values, std::string* out) override;

 private:
  std::vector<std::string> keys_;  // each name as a JSON string followed by ':'
  std::vector<bool> numeric_;      // per column: written as a number
};

#endif  // LYRA_TOOLS_JSONL_WRITER_H_
