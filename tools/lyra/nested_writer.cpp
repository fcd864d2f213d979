#include "nested_writer.h"

#include <charconv>
#include <cstring>

#include "output_text.h"

namespace {

const char NULL_VALUE[] = "null";
const size_t NULL_LENGTH = sizeof NULL_VALUE - 1;
const size_t NUMBER_DIGITS = 24;  // room for any 64-bit number

void appendString(std::string_view utf8, OutputBuffer* out) {
  char* at = out->room(jsonStringMost(utf8.size()));
  out->commit(writeJsonString(utf8, at));
}

void appendNumber(int64_t number, OutputBuffer* out) {
  if (number < 0) {
    out->append(std::string_view(NULL_VALUE, NULL_LENGTH));
    return;
  }
  char* at = out->room(NUMBER_DIGITS);
  out->commit(std::to_chars(at, at + NUMBER_DIGITS, number).ptr);
}

}  // namespace

NestedWriter::NestedWriter(const ReadOptions& options, const std::vector<LayoutColumns>& layouts)
    : layouts_(layouts),
      typed_(options.typed),
      strip_(options.strip),
      withPosition_(options.withPosition),
      layoutKey_(options.allLayouts),
      keys_(layouts.size()) {}

void NestedWriter::write(CCBRecordReader* reader, size_t layout, bool top, OutputBuffer* out) {
  out_ = out;
  itemKeys_ = &keys_[layout];
  numeric_ = &layouts_[layout].numeric;
  out->push_back('{');
  writeAdded(reader, layouts_[layout], top);
  inArray_.clear();
  reader->walkRecord(this, strip_);
  out_ = nullptr;
}

// The keys the tool adds, first in the object.
void NestedWriter::writeAdded(CCBRecordReader* reader, const LayoutColumns& layout, bool top) {
  comma_ = false;
  if (top && layoutKey_) {
    out_->append("\"_layout\":");
    appendString(layout.id, out_);
    comma_ = true;
  }
  if (!withPosition_) return;
  out_->append(comma_ ? ",\"_record\":" : "\"_record\":");
  appendNumber(reader->getRecordNumber(), out_);
  out_->append(",\"_offset\":");
  appendNumber(reader->getRecordOffset(), out_);
  comma_ = true;
}

// A key is the item's name in UTF-8 (the copybook's bytes read as ISO-8859-1) as a JSON
// string and a colon, made the first time the item is written.
void NestedWriter::open(int item, const QvbString& name) {
  if (comma_) out_->push_back(',');
  comma_ = true;
  if (!inArray_.empty() && inArray_.back()) return;
  std::vector<std::string>& keys = *itemKeys_;
  const size_t at = static_cast<size_t>(item);
  if (at >= keys.size()) keys.resize(at + 1);
  std::string& key = keys[at];
  if (key.empty()) {
    appendJsonString(toUtf8(name.str()), &key);
    key += ':';
  }
  out_->append(key);
}

void NestedWriter::beginGroup(int item, const QvbString& name) {
  if (item == 0) return;  // the record's own object, open already
  open(item, name);
  out_->push_back('{');
  inArray_.push_back(0);
  comma_ = false;
}

void NestedWriter::endGroup(int item) {
  if (item == 0) return;
  out_->push_back('}');
  inArray_.pop_back();
  comma_ = true;
}

void NestedWriter::beginArray(int item, const QvbString& name, int) {
  open(item, name);
  out_->push_back('[');
  inArray_.push_back(1);
  comma_ = false;
}

void NestedWriter::endArray(int) {
  out_->push_back(']');
  inArray_.pop_back();
  comma_ = true;
}

void NestedWriter::value(int item, const QvbString& name, int column, const char* text,
                         int length) {
  open(item, name);
  const std::string_view bytes(text != nullptr ? text : "", static_cast<size_t>(length));
  char* at = out_->room(jsonStringMost(bytes.size()) + NULL_LENGTH);
  const bool number = typed_ && (*numeric_)[static_cast<size_t>(column)] != 0;
  if (text != nullptr && !number) {
    at = writeJsonString(bytes, at);
  } else if (text == nullptr || !writeJsonNumber(bytes, &at)) {
    std::memcpy(at, NULL_VALUE, NULL_LENGTH);
    at += NULL_LENGTH;
  }
  out_->commit(at);
}
