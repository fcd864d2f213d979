#include "csv_writer.h"

#include "output_text.h"

namespace {

const char ROW_END[] = {'\r', '\n'};

// The most a field takes: every byte a quote, doubled, between quotes, and the
// separator before it.
size_t fieldMost(size_t bytes) {
  return 2 * bytes + 3;
}

// Writes the field at out, quoted with its quotes doubled when it holds a byte that
// needs it; returns the end. The bytes are copied as they are classified, and
// written again, quoted, in the rare field that needs it.
char* writeField(std::string_view utf8, char* out) {
  if ((copyClassified(utf8, out) & BYTE_CSV_QUOTED) == 0) return out + utf8.size();
  *out++ = '"';
  for (char c : utf8) {
    if (c == '"') *out++ = '"';
    *out++ = c;
  }
  *out++ = '"';
  return out;
}

// A separator goes before every field but the first: an empty first field (a null
// value, or text that ends at once) must still be followed by one.
void writeRow(const std::vector<OutputValue>& values, OutputBuffer* out) {
  size_t most = sizeof ROW_END;
  for (const OutputValue& value : values) most += fieldMost(value.text.size());
  char* at = out->room(most);
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) *at++ = ',';
    at = writeField(values[i].text, at);
  }
  for (char c : ROW_END) *at++ = c;
  out->commit(at);
}

}  // namespace

// Room is taken a name at a time: the header is written once, and a layout may have
// millions of columns.
void CsvWriter::writeHeader(OutputBuffer* out) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    char* at = out->room(fieldMost(columns_[i].name.size()));
    if (i > 0) *at++ = ',';
    out->commit(writeField(columns_[i].name, at));
  }
  char* at = out->room(sizeof ROW_END);
  for (char c : ROW_END) *at++ = c;
  out->commit(at);
}

void CsvWriter::write(const std::vector<OutputValue>& values, OutputBuffer* out) {
  writeRow(values, out);
}
