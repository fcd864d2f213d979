#include "strict_readers.h"

#include <cstdint>

namespace {

// The multi-byte forms of UTF-8: the lead bytes that open each, its length, the
// bits of the lead byte that carry the character, and the least character it may
// hold (anything less is an overlong form).
struct Utf8Form {
  unsigned char firstLead;
  unsigned char lastLead;
  size_t length;
  unsigned char leadBits;
  uint32_t least;
};

const Utf8Form UTF8_FORMS[] = {
    {0xC2, 0xDF, 2, 0x1F, 0x80},     // U+0080 to U+07FF
    {0xE0, 0xEF, 3, 0x0F, 0x800},    // U+0800 to U+FFFF
    {0xF0, 0xF4, 4, 0x07, 0x10000},  // U+10000 to U+10FFFF
};

const uint32_t LAST_CHARACTER = 0x10FFFF;
const uint32_t FIRST_SURROGATE = 0xD800;
const uint32_t LAST_SURROGATE = 0xDFFF;

const Utf8Form* formOf(unsigned char lead) {
  for (const Utf8Form& form : UTF8_FORMS) {
    if (lead >= form.firstLead && lead <= form.lastLead) return &form;
  }
  return nullptr;
}

// Decodes the character that starts at text[at] into *code; its length in bytes,
// or 0 when the bytes there are no well-formed UTF-8.
size_t decodeUtf8(const std::string& text, size_t at, uint32_t* code) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) {
    *code = lead;
    return 1;
  }
  const Utf8Form* form = formOf(lead);
  if (form == nullptr || at + form->length > text.size()) return 0;
  *code = lead & form->leadBits;
  for (size_t k = 1; k < form->length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return 0;
    *code = (*code << 6) | (next & 0x3F);
  }
  const bool surrogate = *code >= FIRST_SURROGATE && *code <= LAST_SURROGATE;
  if (*code < form->least || *code > LAST_CHARACTER || surrogate) return 0;
  return form->length;
}

// Appends a character of the Basic Multilingual Plane (what a \u escape holds), no
// surrogate, in UTF-8.
void appendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
    return;
  }
  if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
  }
  out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The JSON escapes of one character after the backslash, and what each stands for.
const char SIMPLE_ESCAPES[][2] = {
    {'"', '"'},  {'\\', '\\'}, {'/', '/'},  {'b', '\b'},
    {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
};

// Reads one CSV record after another from the start of a text.
class CsvReader {
 public:
  explicit CsvReader(const std::string& text) : text_(text) {}

  bool atEnd() const { return pos_ == text_.size(); }
  bool readRecord(std::vector<std::string>* fields);

 private:
  bool take(const char* expected);
  bool readField(std::string* field);
  bool readQuoted(std::string* field);

  const std::string& text_;
  size_t pos_ = 0;
};

bool CsvReader::take(const char* expected) {
  const size_t length = std::char_traits<char>::length(expected);
  if (text_.compare(pos_, length, expected) != 0) return false;
  pos_ += length;
  return true;
}

bool CsvReader::readRecord(std::vector<std::string>* fields) {
  fields->clear();
  for (;;) {
    fields->emplace_back();
    if (!readField(&fields->back())) return false;
    if (take("\r\n")) return true;
    if (!take(",")) return false;
  }
}

// An unquoted field ends before the first comma, double quote, CR or LF; what may
// follow it is for the record to check.
bool CsvReader::readField(std::string* field) {
  if (take("\"")) return readQuoted(field);
  const size_t end = text_.find_first_of(",\"\r\n", pos_);
  const size_t stop = end == std::string::npos ? text_.size() : end;
  field->assign(text_, pos_, stop - pos_);
  pos_ = stop;
  return true;
}

bool CsvReader::readQuoted(std::string* field) {
  while (pos_ < text_.size()) {
    const char c = text_[pos_++];
    if (c != '"') {
      field->push_back(c);
    } else if (take("\"")) {
      field->push_back('"');
    } else {
      return true;
    }
  }
  return false;  // no closing quote
}

// Reads the object of one line, text[begin, end).
class JsonLineReader {
 public:
  JsonLineReader(const std::string& text, size_t begin, size_t end)
      : text_(text), pos_(begin), end_(end) {}

  bool readObject(std::vector<JsonMember>* members);

 private:
  char peek() const { return pos_ < end_ ? text_[pos_] : '\0'; }
  bool take(char c);
  bool takeWord(const char* word);
  void skipSpace();
  size_t skipDigits();
  bool readMember(JsonMember* member);
  bool readValue(JsonMember* member);
  bool readString(std::string* out);
  bool readEscape(std::string* out);
  bool readUnicodeEscape(std::string* out);
  bool readNumber(std::string* out);

  const std::string& text_;
  size_t pos_;
  size_t end_;
};

bool JsonLineReader::take(char c) {
  if (pos_ >= end_ || text_[pos_] != c) return false;
  ++pos_;
  return true;
}

bool JsonLineReader::takeWord(const char* word) {
  const size_t length = std::char_traits<char>::length(word);
  if (end_ - pos_ < length || text_.compare(pos_, length, word) != 0) return false;
  pos_ += length;
  return true;
}

void JsonLineReader::skipSpace() {
  while (pos_ < end_ && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) {
    ++pos_;
  }
}

size_t JsonLineReader::skipDigits() {
  const size_t start = pos_;
  while (pos_ < end_ && isDigit(text_[pos_])) ++pos_;
  return pos_ - start;
}

bool JsonLineReader::readObject(std::vector<JsonMember>* members) {
  members->clear();
  skipSpace();
  if (!take('{')) return false;
  skipSpace();
  if (!take('}')) {
    do {
      members->emplace_back();
      if (!readMember(&members->back())) return false;
      skipSpace();
    } while (take(','));
    if (!take('}')) return false;
  }
  skipSpace();
  return pos_ == end_;
}

bool JsonLineReader::readMember(JsonMember* member) {
  skipSpace();
  if (!readString(&member->key)) return false;
  skipSpace();
  if (!take(':')) return false;
  skipSpace();
  return readValue(member);
}

bool JsonLineReader::readValue(JsonMember* member) {
  const char c = peek();
  if (c == '"') {
    member->kind = JSON_STRING;
    return readString(&member->text);
  }
  if (c == '-' || isDigit(c)) {
    member->kind = JSON_NUMBER;
    return readNumber(&member->text);
  }
  member->kind = JSON_NULL;
  return takeWord("null");
}

bool JsonLineReader::readString(std::string* out) {
  if (!take('"')) return false;
  while (pos_ < end_) {
    const char c = text_[pos_++];
    if (c == '"') return true;
    if (c == '\\') {
      if (!readEscape(out)) return false;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      return false;
    } else {
      out->push_back(c);
    }
  }
  return false;  // no closing quote
}

bool JsonLineReader::readEscape(std::string* out) {
  if (take('u')) return readUnicodeEscape(out);
  for (const char* escape : SIMPLE_ESCAPES) {
    if (take(escape[0])) {
      out->push_back(escape[1]);
      return true;
    }
  }
  return false;
}

bool JsonLineReader::readUnicodeEscape(std::string* out) {
  uint32_t code = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = hexValue(peek());
    if (digit < 0) return false;
    code = code * 16 + static_cast<uint32_t>(digit);
    ++pos_;
  }
  if (code >= FIRST_SURROGATE && code <= LAST_SURROGATE) return false;
  appendUtf8(code, out);
  return true;
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool JsonLineReader::readNumber(std::string* out) {
  const size_t start = pos_;
  take('-');
  if (!take('0') && (!isDigit(peek()) || skipDigits() == 0)) return false;
  if (take('.') && skipDigits() == 0) return false;
  if (take('e') || take('E')) {
    if (!take('+')) take('-');
    if (skipDigits() == 0) return false;
  }
  out->assign(text_, start, pos_ - start);
  return true;
}

}  // namespace

bool isValidUtf8(const std::string& text) {
  uint32_t code = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t length = decodeUtf8(text, at, &code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

bool readCsv(const std::string& text, std::vector<std::vector<std::string>>* records) {
  records->clear();
  CsvReader reader(text);
  while (!reader.atEnd()) {
    records->emplace_back();
    if (!reader.readRecord(&records->back())) return false;
  }
  return true;
}

bool readJsonLines(const std::string& utf8, std::vector<std::vector<JsonMember>>* lines) {
  lines->clear();
  for (size_t begin = 0; begin < utf8.size();) {
    const size_t end = utf8.find('\n', begin);
    if (end == std::string::npos) return false;  // the last line must end in LF
    lines->emplace_back();
    if (!JsonLineReader(utf8, begin, end).readObject(&lines->back())) return false;
    begin = end + 1;
  }
  return true;
}
