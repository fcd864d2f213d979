#include "csv_writer.h"

#include "output_text.h"

namespace {

const char ROW_END[] = "\r\n";

// The field, quoted with its quotes doubled when it holds a byte that needs it.
void appendQuoted(std::string_view utf8, std::string* out) {
  out->push_back('"');
  size_t from = 0;
  for (size_t quote = utf8.find('"'); quote != std::string_view::npos;
       quote = utf8.find('"', from)) {
    out->append(utf8.data() + from, quote + 1 - from);
    out->push_back('"');
    from = quote + 1;
  }
  out->append(utf8.data() + from, utf8.size() - from);
  out->push_back('"');
}

// A separator goes before every field but the first: an empty first field (a null
// value, or text that ends at once) must still be followed by one.
void appendField(size_t column, std::string_view utf8, std::string* out) {
  if (column > 0) out->push_back(',');
  if (findByteClass(utf8, BYTE_CSV_QUOTED) == utf8.size()) {
    out->append(utf8.data(), utf8.size());
  } else {
    appendQuoted(utf8, out);
  }
}

}  // namespace

CsvWriter::CsvWriter(const std::vector<OutputColumn>& columns) {
  for (const OutputColumn& column : columns) names_.push_back(column.name);
}

void CsvWriter::writeHeader(std::string* out) {
  for (size_t i = 0; i < names_.size(); ++i) appendField(i, names_[i], out);
  out->append(ROW_END, sizeof ROW_END - 1);
}

void CsvWriter::write(const std::vector<OutputValue>& values, std::string* out) {
  for (size_t i = 0; i < values.size(); ++i) appendField(i, values[i].text, out);
  out->append(ROW_END, sizeof ROW_END - 1);
}
