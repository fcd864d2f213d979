#include "table_writer.h"

#include <algorithm>

#include "output_text.h"

namespace {

const char* const COLUMN_GAP = "  ";

// The text with its control characters (C0, DEL and C1, U+0080 to U+009F, which
// UTF-8 writes C2 80 to C2 9F) shown as '?': they would move the cursor or ring the
// terminal.
std::string printable(std::string_view utf8) {
  std::string shown;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(utf8[i]);
    const unsigned char next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    if (byte == 0xC2 && next >= 0x80 && next < 0xA0) {
      shown.push_back('?');
      ++i;
    } else {
      shown.push_back(byte < 0x20 || byte == 0x7F ? '?' : utf8[i]);
    }
  }
  return shown;
}

}  // namespace

void TableWriter::begin(const std::vector<OutputColumn>& columns) {
  for (const OutputColumn& column : columns) {
    widths_.push_back(std::max<size_t>(utf8Length(column.name), std::max(column.length, 1)));
    rightAligned_.push_back(column.type == QVB_TYPE_INTEGER || column.type == QVB_TYPE_REAL);
  }
  for (size_t i = 0; i < columns.size(); ++i) appendCell(i, columns[i].name);
  endRow();
  for (size_t i = 0; i < columns.size(); ++i) appendCell(i, std::string(widths_[i], '-'));
  endRow();
}

void TableWriter::write(const std::vector<OutputValue>& values) {
  for (size_t i = 0; i < values.size() && i < widths_.size(); ++i) appendCell(i, values[i].text);
  endRow();
}

// Widths count characters, not the bytes of their UTF-8 form.
void TableWriter::appendCell(size_t column, std::string_view utf8) {
  if (column > 0) row_.append(COLUMN_GAP);
  const std::string shown = printable(utf8);
  const size_t length = utf8Length(shown);
  const size_t pad = widths_[column] > length ? widths_[column] - length : 0;
  if (rightAligned_[column]) row_.append(pad, ' ');
  row_.append(shown);
  if (!rightAligned_[column]) row_.append(pad, ' ');
}

void TableWriter::endRow() {
  row_.erase(row_.find_last_not_of(' ') + 1);
  row_.push_back('\n');
  std::fwrite(row_.data(), 1, row_.size(), out_);
  row_.clear();
}
