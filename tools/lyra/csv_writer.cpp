#include "csv_writer.h"

void CsvWriter::begin(const std::vector<OutputColumn>& columns) {
  for (size_t i = 0; i < columns.size(); ++i) appendField(i, columns[i].name);
  endRow();
}

void CsvWriter::write(const std::vector<OutputValue>& values) {
  for (size_t i = 0; i < values.size(); ++i) appendField(i, values[i].text);
  endRow();
}

// A separator goes before every field but the first: an empty first field (a null
// value, or text that ends at once) must still be followed by one.
void CsvWriter::appendField(size_t column, std::string_view utf8) {
  if (column > 0) row_.push_back(',');
  if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) {
    row_.append(utf8);
    return;
  }
  row_.push_back('"');
  for (char c : utf8) {
    if (c == '"') row_.push_back('"');
    row_.push_back(c);
  }
  row_.push_back('"');
}

void CsvWriter::endRow() {
  row_.append("\r\n");
  std::fwrite(row_.data(), 1, row_.size(), out_);
  row_.clear();
}
