#include "table_writer.h"

#include <algorithm>

#include "output_text.h"

namespace {

const char* const COLUMN_GAP = "  ";

// Characters that would move the cursor or ring the terminal.
std::string printable(const std::string& latin1) {
  std::string shown = latin1;
  for (char& c : shown) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte < 0xA0)) c = '?';
  }
  return shown;
}

}  // namespace

void TableWriter::begin(const std::vector<OutputColumn>& columns) {
  for (const OutputColumn& column : columns) {
    widths_.push_back(std::max<size_t>(column.name.size(), std::max(column.length, 1)));
    rightAligned_.push_back(column.type == QVB_TYPE_INTEGER || column.type == QVB_TYPE_REAL);
  }
  for (size_t i = 0; i < columns.size(); ++i) appendCell(i, columns[i].name);
  endRow();
  for (size_t i = 0; i < columns.size(); ++i) appendCell(i, std::string(widths_[i], '-'));
  endRow();
}

void TableWriter::write(const std::vector<QvbDatavar>& values) {
  for (size_t i = 0; i < values.size() && i < widths_.size(); ++i) {
    appendCell(i, values[i].text().str());
  }
  endRow();
}

// Widths count characters: one per byte of ISO-8859-1 text.
void TableWriter::appendCell(size_t column, const std::string& latin1) {
  if (column > 0) row_.append(COLUMN_GAP);
  const std::string shown = printable(latin1);
  const size_t pad = widths_[column] > shown.size() ? widths_[column] - shown.size() : 0;
  if (rightAligned_[column]) row_.append(pad, ' ');
  appendUtf8(shown, &row_);
  if (!rightAligned_[column]) row_.append(pad, ' ');
}

void TableWriter::endRow() {
  row_.erase(row_.find_last_not_of(' ') + 1);
  row_.push_back('\n');
  std::fwrite(row_.data(), 1, row_.size(), out_);
  row_.clear();
}
