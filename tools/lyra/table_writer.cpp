#include "table_writer.h"

#include <algorithm>

#include "output_text.h"

namespace {

const char COLUMN_GAP[] = "  ";
const unsigned char C1_LEAD = 0xC2;  // C1 controls, U+0080 to U+009F, are C2 80 to C2 9F
const unsigned char C1_FIRST = 0x80;
const unsigned char C1_LAST = 0x9F;

// The length of the C1 control that starts at utf8[at]: 2, or 0 for none.
size_t c1Length(std::string_view utf8, size_t at) {
  if (static_cast<unsigned char>(utf8[at]) != C1_LEAD || at + 1 >= utf8.size()) return 0;
  const unsigned char next = static_cast<unsigned char>(utf8[at + 1]);
  return next >= C1_FIRST && next <= C1_LAST ? 2 : 0;
}

// The characters the text shows: a C1 control counts once, as the '?' it shows as.
size_t shownLength(std::string_view utf8) {
  size_t count = 0;
  for (size_t i = 0; i < utf8.size();) {
    const size_t c1 = c1Length(utf8, i);
    if (c1 > 0 || !isByteClass(utf8[i], BYTE_CONTINUATION)) ++count;
    i += c1 > 0 ? c1 : 1;
  }
  return count;
}

// Appends the text with its control characters (C0, DEL and C1) shown as '?': they
// would move the cursor or ring the terminal. A C2 byte that leads no C1 control
// stays.
void appendShown(std::string_view utf8, OutputBuffer* out) {
  size_t from = 0;
  for (size_t at = findByteClass(utf8, BYTE_CONTROL); at < utf8.size();
       at = findByteClass(utf8, BYTE_CONTROL, from)) {
    out->append(utf8.substr(from, at - from));
    const bool lead = static_cast<unsigned char>(utf8[at]) == C1_LEAD;
    const size_t c1 = c1Length(utf8, at);
    out->push_back(lead && c1 == 0 ? utf8[at] : '?');
    from = at + (c1 > 0 ? c1 : 1);
  }
  out->append(utf8.substr(from));
}

// Ends the row that starts at rowStart: its trailing blanks go.
void endRow(size_t rowStart, OutputBuffer* out) {
  out->trimBlanks(rowStart);
  out->push_back('\n');
}

}  // namespace

TableWriter::TableWriter(const std::vector<OutputColumn>& columns) : columns_(columns) {
  for (const OutputColumn& column : columns) {
    widths_.push_back(std::max<size_t>(utf8Length(column.name), std::max(column.length, 1)));
    rightAligned_.push_back(column.type == QVB_TYPE_INTEGER || column.type == QVB_TYPE_REAL);
  }
}

void TableWriter::writeHeader(OutputBuffer* out) {
  size_t rowStart = out->size();
  for (size_t i = 0; i < columns_.size(); ++i) appendCell(i, columns_[i].name, out);
  endRow(rowStart, out);
  rowStart = out->size();
  for (size_t i = 0; i < columns_.size(); ++i) appendCell(i, std::string(widths_[i], '-'), out);
  endRow(rowStart, out);
}

void TableWriter::write(const std::vector<OutputValue>& values, OutputBuffer* out) {
  const size_t rowStart = out->size();
  for (size_t i = 0; i < values.size() && i < widths_.size(); ++i) {
    appendCell(i, values[i].text, out);
  }
  endRow(rowStart, out);
}

// Widths count characters, not the bytes of their UTF-8 form.
void TableWriter::appendCell(size_t column, std::string_view utf8, OutputBuffer* out) const {
  if (column > 0) out->append(COLUMN_GAP);
  const size_t length = shownLength(utf8);
  const size_t pad = widths_[column] > length ? widths_[column] - length : 0;
  if (rightAligned_[column]) out->append(pad, ' ');
  appendShown(utf8, out);
  if (!rightAligned_[column]) out->append(pad, ' ');
}
