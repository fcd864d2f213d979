#include "jsonl_writer.h"

#include "output_text.h"

void JsonlWriter::begin(const std::vector<OutputColumn>& columns) {
  for (const OutputColumn& column : columns) {
    std::string key;
    appendJsonString(column.name, &key);
    keys_.push_back(key + ":");
    numeric_.push_back(column.position || (typed_ && (column.type == QVB_TYPE_INTEGER ||
                                                      column.type == QVB_TYPE_REAL)));
  }
}

void JsonlWriter::write(const std::vector<OutputValue>& values) {
  line_.assign("{");
  for (size_t i = 0; i < values.size() && i < keys_.size(); ++i) {
    if (i > 0) line_.push_back(',');
    line_.append(keys_[i]);
    appendValue(values[i], numeric_[i]);
  }
  line_.append("}\n");
  std::fwrite(line_.data(), 1, line_.size(), out_);
}

void JsonlWriter::appendValue(const OutputValue& value, bool numeric) {
  if (value.null) {
    line_.append("null");
  } else if (!numeric) {
    appendJsonString(value.text, &line_);
  } else if (toJsonNumber(value.text, &number_)) {
    line_.append(number_);
  } else {
    line_.append("null");
  }
}
