#include "csv_writer.h"

#include "output_text.h"

void CsvWriter::begin(const std::vector<OutputColumn>& columns) {
  for (size_t i = 0; i < columns.size(); ++i) appendField(i, columns[i].name);
  endRow();
}

void CsvWriter::write(const std::vector<QvbDatavar>& values) {
  for (size_t i = 0; i < values.size(); ++i) appendField(i, values[i].text().str());
  endRow();
}

// A separator goes before every field but the first: an empty first field (a null
// value, or text that ends at once) must still be followed by one.
void CsvWriter::appendField(size_t column, const std::string& latin1) {
  if (column > 0) row_.push_back(',');
  if (latin1.find_first_of(",\"\r\n") == std::string::npos) {
    appendUtf8(latin1, &row_);
    return;
  }
  row_.push_back('"');
  for (char c : latin1) {
    if (c == '"') row_.push_back('"');
    appendUtf8(std::string(1, c), &row_);
  }
  row_.push_back('"');
}

void CsvWriter::endRow() {
  row_.append("\r\n");
  std::fwrite(row_.data(), 1, row_.size(), out_);
  row_.clear();
}
