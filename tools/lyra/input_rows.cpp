#include "input_rows.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

namespace {

const size_t READ_BLOCK = 1 << 20;

// Collects the members of a JSON object of strings, numbers and nulls.
struct RowHandler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, RowHandler> {
  std::vector<InputField>* fields;
  InputField pending;
  int depth = 0;
  const char* refused = nullptr;  // what the line holds that a row cannot

  bool add(const char* text, rapidjson::SizeType length, bool null) {
    if (depth != 1) return refuse("a value that is no object");
    pending.text = text;
    pending.length = static_cast<int>(length);
    pending.null = null;
    fields->push_back(pending);
    return true;
  }
  bool refuse(const char* what) {
    refused = what;
    return false;
  }
  bool Null() { return add(nullptr, 0, true); }
  bool Bool(bool) { return refuse("true or false, which is neither text nor a number"); }
  bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
    return add(text, length, false);
  }
  bool String(const char* text, rapidjson::SizeType length, bool) {
    return add(text, length, false);
  }
  bool StartObject() { return ++depth == 1 || refuse("an object inside the row"); }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    pending.key = text;
    pending.keyLength = static_cast<int>(length);
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    --depth;
    return true;
  }
  bool StartArray() { return refuse("an array"); }
  bool Default() { return refuse("a value that is neither text nor a number"); }
};

}  // namespace

bool InputChunker::fill(std::string* error) {
  const size_t size = buffer_.size();
  buffer_.resize(size + READ_BLOCK);
  ssize_t n = 0;
  do {
    n = ::read(descriptor_, &buffer_[size], READ_BLOCK);
  } while (n < 0 && errno == EINTR);
  buffer_.resize(size + (n > 0 ? static_cast<size_t>(n) : 0));
  if (n < 0) {
    *error = std::strerror(errno);
    return false;
  }
  ended_ = n == 0;
  return true;
}

// Scans the buffer up to `to` for row ends: LF, outside quotes in CSV, where the quotes
// are counted from the start of the buffer on. rowEnd_ becomes the last row end seen.
void InputChunker::scanTo(size_t to) {
  const char* data = buffer_.data();
  size_t p = scanned_;
  while (p < to) {
    const void* quote = format_ == INPUT_CSV ? std::memchr(data + p, '"', to - p) : nullptr;
    const size_t stop = quote != nullptr ? static_cast<const char*>(quote) - data : to;
    if (!quoted_) {
      const void* end = memrchr(data + p, '\n', stop - p);
      if (end != nullptr) rowEnd_ = static_cast<size_t>(static_cast<const char*>(end) - data) + 1;
    }
    if (quote == nullptr) break;
    quoted_ = !quoted_;
    p = stop + 1;
  }
  if (to > scanned_) scanned_ = to;
}

// Hands out the bytes up to end, which end a row.
void InputChunker::handOut(size_t end, std::string* text) {
  text->assign(buffer_, 0, end);
  buffer_.erase(0, end);
  consumed_ += static_cast<int64_t>(end);
  scanned_ = scanned_ > end ? scanned_ - end : 0;
  rowEnd_ = 0;
}

bool InputChunker::readHeader(std::string* header, std::vector<InputField>* fields,
                              std::string* error) {
  error->clear();
  size_t end = std::string::npos;
  bool quoted = false;
  for (size_t p = 0;;) {
    for (; p < buffer_.size() && end == std::string::npos; ++p) {
      if (buffer_[p] == '"') quoted = !quoted;
      if (buffer_[p] == '\n' && !quoted) end = p + 1;
    }
    if (end != std::string::npos || ended_) break;
    if (!fill(error)) return false;
  }
  if (end == std::string::npos) end = buffer_.size();
  if (end == 0) return false;
  std::string row;
  handOut(end, &row);
  headerFields_ = row;
  CsvRows rows(&headerFields_);
  size_t begin = 0;
  size_t rowEnd = 0;
  rows.next(fields, &begin, &rowEnd);
  header->assign(row, 0, rowEnd);
  return true;
}

bool InputChunker::next(std::string* text, std::string* error) {
  error->clear();
  const size_t wanted = static_cast<size_t>(chunkBytes_);
  for (;;) {
    if (buffer_.size() >= wanted || ended_) {
      scanTo(std::min(buffer_.size(), std::max(scanned_, wanted)));
      if (rowEnd_ == 0) scanTo(buffer_.size());  // a row longer than a chunk
      if (rowEnd_ > 0 || ended_) break;
    }
    if (!fill(error)) return false;
  }
  const size_t end = rowEnd_ > 0 ? rowEnd_ : buffer_.size();
  if (end == 0) return false;
  handOut(end, text);
  return true;
}

bool CsvRows::next(std::vector<InputField>* fields, size_t* begin, size_t* end) {
  std::string& text = *text_;
  fields->clear();
  if (at_ >= text.size()) return false;
  *begin = at_;
  char* data = &text[0];
  const size_t size = text.size();
  size_t p = at_;
  for (;;) {
    InputField field;
    if (p < size && data[p] == '"') {  // quoted: doubled quotes become one, in place
      size_t out = ++p;
      field.text = data + out;
      while (p < size && !(data[p] == '"' && (p + 1 >= size || data[p + 1] != '"'))) {
        if (data[p] == '"') ++p;
        data[out++] = data[p++];
      }
      field.length = static_cast<int>(data + out - field.text);
      if (p < size) ++p;  // the closing quote
    } else {
      const size_t start = p;
      while (p < size && data[p] != ',' && data[p] != '\n') ++p;
      size_t stop = p;
      if (stop > start && data[stop - 1] == '\r' && (p >= size || data[p] == '\n')) --stop;
      field.text = data + start;
      field.length = static_cast<int>(stop - start);
    }
    field.null = field.length == 0;
    while (p < size && data[p] != ',' && data[p] != '\n') ++p;  // after a closing quote
    fields->push_back(field);
    if (p >= size || data[p] == '\n') break;
    ++p;  // the comma
  }
  *end = p > *begin && data[p - 1] == '\r' ? p - 1 : p;
  at_ = p < size ? p + 1 : size;
  if (*end == *begin) fields->clear();  // a blank line
  return true;
}

bool JsonRows::nextLine(size_t* begin, size_t* end, bool* blank) {
  std::string& text = *text_;
  if (at_ >= text.size()) return false;
  *begin = at_;
  const void* lineEnd = std::memchr(&text[at_], '\n', text.size() - at_);
  size_t stop = lineEnd != nullptr ? static_cast<const char*>(lineEnd) - text.data() : text.size();
  at_ = stop < text.size() ? stop + 1 : stop;
  if (stop > *begin && text[stop - 1] == '\r') --stop;
  *end = stop;
  size_t first = *begin;
  while (first < stop && (text[first] == ' ' || text[first] == '\t')) ++first;
  *blank = first == stop;
  if (stop < text.size()) text[stop] = '\0';  // a parse ends there
  return true;
}

bool JsonRows::next(std::vector<InputField>* fields, size_t* begin, size_t* end,
                    std::string* error) {
  fields->clear();
  error->clear();
  bool blank = false;
  if (!nextLine(begin, end, &blank)) return false;
  if (blank) return true;
  RowHandler handler;
  handler.fields = fields;
  rapidjson::InsituStringStream stream(&(*text_)[*begin]);
  rapidjson::Reader reader;
  // Strings are not validated here: the writer refuses ill-formed UTF-8 where it
  // encodes text, and a number or a name that holds some is no number or name.
  const unsigned FLAGS = rapidjson::kParseInsituFlag | rapidjson::kParseNumbersAsStringsFlag;
  if (!reader.Parse<FLAGS>(stream, handler)) {
    *error = handler.refused != nullptr
                 ? std::string("holds ") + handler.refused
                 : std::string("is no JSON object: ") +
                       rapidjson::GetParseError_En(reader.GetParseErrorCode());
    fields->clear();
  }
  return true;
}
