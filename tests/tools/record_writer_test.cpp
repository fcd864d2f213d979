// The output formats of `lyra read` on values written by hand, among them a null value in
// the first column, which no layout gives: a table's count column always comes before it.
#include "record_writer.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

OutputValue text(std::string_view value) {
  return OutputValue{value, false};
}

// What the writer of the format writes for the columns and records.
std::string written(OutputFormat format, const std::vector<OutputColumn>& columns,
                    const std::vector<std::vector<OutputValue>>& records) {
  std::unique_ptr<RecordWriter> writer = createRecordWriter(format, false, columns);
  OutputBuffer out;
  writer->writeHeader(&out);
  for (const std::vector<OutputValue>& values : records) writer->write(values, &out);
  return std::string(out.view());
}

TEST(RecordWriterTest, EmptyAndNullValuesKeepTheirColumn) {
  const OutputValue null;  // a repetition that a variable table did not reach
  const std::vector<OutputColumn> columns{
      {"A", QVB_TYPE_STRING, 3}, {"B", QVB_TYPE_INTEGER, 5}, {"C", QVB_TYPE_STRING, 2}};
  const std::vector<std::vector<OutputValue>> records{
      {null, text("42"), text("x")}, {text(""), text("7"), null}, {null, null, null}};
  const std::pair<OutputFormat, const char*> cases[] = {
      {FORMAT_CSV, "A,B,C\r\n,42,x\r\n,7,\r\n,,\r\n"},
      {FORMAT_JSONL,
       "{\"A\":null,\"B\":\"42\",\"C\":\"x\"}\n{\"A\":\"\",\"B\":\"7\",\"C\":null}\n"
       "{\"A\":null,\"B\":null,\"C\":null}\n"},
      {FORMAT_TABLE, "A        B  C\n---  -----  --\n        42  x\n         7\n\n"},
  };
  for (const auto& [format, want] : cases) EXPECT_EQ(want, written(format, columns, records));
}

// UTF-8 passes through. Table widths count characters (Müß pads to NÄME's 4 with one blank)
// and show the controls U+0085 and U+0001 as '?'; JSON escapes U+0001 alone.
TEST(RecordWriterTest, Utf8TextPassesThrough) {
  const std::vector<OutputColumn> columns{{"N\xC3\x84ME", QVB_TYPE_STRING, 3},
                                          {"B", QVB_TYPE_INTEGER, 2}};
  const std::vector<std::vector<OutputValue>> records{
      {text("M\xC3\xBC\xC3\x9F"), text("7")},
      {text("a\xC2\x85\x01"), text("12")},
      {text("\xE2\x82\xAC\xF0\x9F\x98\x80"), text("3")}};
  const std::pair<OutputFormat, const char*> cases[] = {
      {FORMAT_CSV,
       "N\xC3\x84ME,B\r\nM\xC3\xBC\xC3\x9F,7\r\na\xC2\x85\x01,12\r\n"
       "\xE2\x82\xAC\xF0\x9F\x98\x80,3\r\n"},
      {FORMAT_JSONL,
       "{\"N\xC3\x84ME\":\"M\xC3\xBC\xC3\x9F\",\"B\":\"7\"}\n"
       "{\"N\xC3\x84ME\":\"a\xC2\x85\\u0001\",\"B\":\"12\"}\n"
       "{\"N\xC3\x84ME\":\"\xE2\x82\xAC\xF0\x9F\x98\x80\",\"B\":\"3\"}\n"},
      {FORMAT_TABLE,
       "N\xC3\x84ME   B\n----  --\nM\xC3\xBC\xC3\x9F    7\na??   12\n"
       "\xE2\x82\xAC\xF0\x9F\x98\x80     3\n"},
  };
  for (const auto& [format, want] : cases) EXPECT_EQ(want, written(format, columns, records));
}

// A byte that needs quoting or escaping (format, value, output) is found wherever it
// stands in a longer text: in the first eight bytes, the next four, or the last one.
TEST(RecordWriterTest, SpecialBytesAnywhereInLongerText) {
  const std::vector<OutputColumn> columns{{"A", QVB_TYPE_STRING, 13}};
  const std::tuple<OutputFormat, const char*, const char*> cases[] = {
      {FORMAT_CSV, "abcdefghijklm", "A\r\nabcdefghijklm\r\n"},
      {FORMAT_CSV, "abc,efghijklm", "A\r\n\"abc,efghijklm\"\r\n"},
      {FORMAT_CSV, "abcdefghi\"klm", "A\r\n\"abcdefghi\"\"klm\"\r\n"},
      {FORMAT_CSV, "abcdefghijkl\n", "A\r\n\"abcdefghijkl\n\"\r\n"},
      {FORMAT_JSONL, "abc\\efghijklm", "{\"A\":\"abc\\\\efghijklm\"}\n"},
      {FORMAT_JSONL, "abcdefghi\x1Fklm", "{\"A\":\"abcdefghi\\u001fklm\"}\n"},
      {FORMAT_JSONL, "abcdefghijkl\x7F", "{\"A\":\"abcdefghijkl\\u007f\"}\n"},
      {FORMAT_TABLE, "abcdefghijkl\x7F", "A\n-------------\nabcdefghijkl?\n"},
  };
  for (const auto& [format, value, want] : cases) {
    EXPECT_EQ(want, written(format, columns, {{text(value)}})) << value;
  }
}

}  // namespace
