#include "csv_writer.h"

#include "output_text.h"

void CsvWriter::begin(const std::vector<OutputColumn>& columns) {
  for (const OutputColumn& column : columns) appendField(column.name);
  endRow();
}

void CsvWriter::write(const std::vector<QvbDatavar>& values) {
  for (const QvbDatavar& value : values) appendField(value.text().str());
  endRow();
}

void CsvWriter::appendField(const std::string& latin1) {
  if (!row_.empty()) row_.push_back(',');
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
