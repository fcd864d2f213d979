// The output formats of `lyra read` on values written by hand, among them null values
// in the first column, which no layout gives there: a repetition count always comes
// before its table, and so does its column.
#include "record_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

QvbDatavar text(const char* value) {
  QvbDatavar datavar;
  datavar.assign(QvbString(value));
  return datavar;
}

const QvbDatavar NUL;  // a repetition that a variable table did not reach

// Everything the writer of the format writes for the columns and records.
std::string written(OutputFormat format, const std::vector<OutputColumn>& columns,
                    const std::vector<std::vector<QvbDatavar>>& records) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  if (out == nullptr) return "open_memstream failed";
  {
    std::unique_ptr<RecordWriter> writer = createRecordWriter(format, false, out);
    writer->begin(columns);
    for (const std::vector<QvbDatavar>& values : records) writer->write(values);
  }
  std::fclose(out);
  const std::string result(buffer, size);
  std::free(buffer);
  return result;
}

// Empty and null values keep their place in every format: first, in between, last
// and all of a row.
TEST(RecordWriterTest, EmptyAndNullValuesKeepTheirColumn) {
  const std::vector<OutputColumn> columns{
      {"A", QVB_TYPE_STRING, 3}, {"B", QVB_TYPE_INTEGER, 5}, {"C", QVB_TYPE_STRING, 2}};
  const std::vector<std::vector<QvbDatavar>> records{
      {NUL, text("42"), text("x")},
      {text(""), text("7"), NUL},
      {NUL, NUL, NUL},
  };
  const struct {
    OutputFormat format;
    const char* want;
  } cases[] = {
      {FORMAT_CSV, "A,B,C\r\n,42,x\r\n,7,\r\n,,\r\n"},
      {FORMAT_JSONL,
       "{\"A\":null,\"B\":\"42\",\"C\":\"x\"}\n"
       "{\"A\":\"\",\"B\":\"7\",\"C\":null}\n"
       "{\"A\":null,\"B\":null,\"C\":null}\n"},
      {FORMAT_TABLE,
       "A        B  C\n"
       "---  -----  --\n"
       "        42  x\n"
       "         7\n"
       "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(c.want, written(c.format, columns, records));
  }
}

}  // namespace
