#include "jsonl_writer.h"

#include <algorithm>
#include <cstring>

#include "output_text.h"

namespace {

const char NULL_VALUE[] = {'n', 'u', 'l', 'l'};
const char LINE_END[] = {'}', '\n'};

char* writeBytes(std::string_view bytes, char* out) {
  std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

// The most a value of text of `bytes` bytes takes, as a string, a number or null.
size_t valueMost(size_t bytes) {
  return std::max({jsonStringMost(bytes), jsonNumberMost(bytes), sizeof NULL_VALUE});
}

char* writeNull(char* out) {
  return writeBytes(std::string_view(NULL_VALUE, sizeof NULL_VALUE), out);
}

char* writeValue(const OutputValue& value, bool numeric, char* out) {
  if (value.null) return writeNull(out);
  if (!numeric) return writeJsonString(value.text, out);
  return writeJsonNumber(value.text, &out) ? out : writeNull(out);
}

}  // namespace

JsonlWriter::JsonlWriter(const std::vector<OutputColumn>& columns, bool typed) {
  keyEnds_.reserve(columns.size());
  for (const OutputColumn& column : columns) {
    if (!keyEnds_.empty()) keys_ += ',';
    appendJsonString(column.name, &keys_);
    keys_ += ':';
    keyEnds_.push_back(keys_.size());
    numeric_.push_back(column.position || (typed && (column.type == QVB_TYPE_INTEGER ||
                                                     column.type == QVB_TYPE_REAL)));
  }
}

void JsonlWriter::write(const std::vector<OutputValue>& values, OutputBuffer* out) {
  const size_t count = std::min(values.size(), keyEnds_.size());
  size_t most = 1 + sizeof LINE_END + (count > 0 ? keyEnds_[count - 1] : 0);
  for (size_t i = 0; i < count; ++i) most += valueMost(values[i].text.size());
  char* at = out->room(most);
  *at++ = '{';
  for (size_t i = 0; i < count; ++i) {
    at = writeBytes(key(i), at);
    at = writeValue(values[i], numeric_[i], at);
  }
  at = writeBytes(std::string_view(LINE_END, sizeof LINE_END), at);
  out->commit(at);
}
