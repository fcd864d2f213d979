#include "jsonl_writer.h"

#include "output_text.h"

namespace {

const char NULL_VALUE[] = "null";
const char LINE_END[] = "}\n";

void appendValue(const OutputValue& value, bool numeric, std::string* out) {
  if (value.null) {
    out->append(NULL_VALUE, sizeof NULL_VALUE - 1);
  } else if (!numeric) {
    appendJsonString(value.text, out);
  } else if (!appendJsonNumber(value.text, out)) {
    out->append(NULL_VALUE, sizeof NULL_VALUE - 1);
  }
}

}  // namespace

JsonlWriter::JsonlWriter(const std::vector<OutputColumn>& columns, bool typed) {
  for (const OutputColumn& column : columns) {
    std::string key;
    appendJsonString(column.name, &key);
    keys_.push_back(key + ":");
    numeric_.push_back(column.position || (typed && (column.type == QVB_TYPE_INTEGER ||
                                                     column.type == QVB_TYPE_REAL)));
  }
}

void JsonlWriter::write(const std::vector<OutputValue>& values, std::string* out) {
  out->push_back('{');
  for (size_t i = 0; i < values.size() && i < keys_.size(); ++i) {
    if (i > 0) out->push_back(',');
    out->append(keys_[i]);
    appendValue(values[i], numeric_[i], out);
  }
  out->append(LINE_END, sizeof LINE_END - 1);
}
