// A strict JSON syntax check for the tests of the JSON lines output: one value per
// text (RFC 8259), strings in valid UTF-8 with valid escapes, numbers in the JSON
// number grammar. It only says whether the text is valid, and where it is not.
#ifndef LYRA_TESTS_TOOLS_JSON_CHECK_H_
#define LYRA_TESTS_TOOLS_JSON_CHECK_H_

#include <cstring>
#include <string>

namespace test_support {

class JsonCheck {
 public:
  // True when text is exactly one JSON value, blanks around it allowed.
  static bool isValid(const std::string& text, size_t* errorAt = nullptr) {
    JsonCheck check(text);
    check.blanks();
    const bool valid = check.value(0) && (check.blanks(), check.at_ == text.size());
    if (errorAt != nullptr) *errorAt = check.at_;
    return valid;
  }

 private:
  explicit JsonCheck(const std::string& text) : text_(text) {}

  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool take(char c) {
    if (peek() != c) return false;
    ++at_;
    return true;
  }
  void blanks() {
    while (std::strchr(" \t\r\n", peek()) != nullptr && at_ < text_.size()) ++at_;
  }
  bool word(const char* w) {
    if (text_.compare(at_, std::strlen(w), w) != 0) return false;
    at_ += std::strlen(w);
    return true;
  }
  bool digits() {
    const size_t start = at_;
    while (peek() >= '0' && peek() <= '9') ++at_;
    return at_ > start;
  }

  bool value(int depth) {
    if (depth > 64) return false;
    switch (peek()) {
      case '{':
        return object(depth);
      case '[':
        return array(depth);
      case '"':
        return string();
      case 't':
        return word("true");
      case 'f':
        return word("false");
      case 'n':
        return word("null");
      default:
        return number();
    }
  }

  bool object(int depth) {
    take('{');
    blanks();
    if (take('}')) return true;
    do {
      blanks();
      if (!string()) return false;
      blanks();
      if (!take(':')) return false;
      blanks();
      if (!value(depth + 1)) return false;
      blanks();
    } while (take(','));
    return take('}');
  }

  bool array(int depth) {
    take('[');
    blanks();
    if (take(']')) return true;
    do {
      blanks();
      if (!value(depth + 1)) return false;
      blanks();
    } while (take(','));
    return take(']');
  }

  // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
  bool number() {
    take('-');
    if (!take('0')) {
      if (peek() < '1' || peek() > '9') return false;
      digits();
    }
    if (take('.') && !digits()) return false;
    if (take('e') || take('E')) {
      if (!take('+')) take('-');
      if (!digits()) return false;
    }
    return true;
  }

  bool string() {
    if (!take('"')) return false;
    for (;;) {
      const unsigned char c = static_cast<unsigned char>(peek());
      if (at_ >= text_.size() || c < 0x20) return false;
      ++at_;
      if (c == '"') return true;
      if (c == '\\' && !escape()) return false;
      if (c >= 0x80 && !utf8Tail(c)) return false;
    }
  }

  bool escape() {
    const char c = peek();
    ++at_;
    if (std::strchr("\"\\/bfnrt", c) != nullptr && c != '\0') return true;
    if (c != 'u') return false;
    for (int i = 0; i < 4; ++i, ++at_) {
      if (std::strchr("0123456789abcdefABCDEF", peek()) == nullptr || peek() == '\0') return false;
    }
    return true;
  }

  // The continuation bytes of a multi-byte UTF-8 sequence that began with lead.
  bool utf8Tail(unsigned char lead) {
    int more = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (more < 0 || lead > 0xF4) return false;
    for (; more > 0; --more, ++at_) {
      const unsigned char c = static_cast<unsigned char>(peek());
      if (at_ >= text_.size() || (c & 0xC0) != 0x80) return false;
    }
    return true;
  }

  const std::string& text_;
  size_t at_ = 0;
};

}  // namespace test_support

#endif  // LYRA_TESTS_TOOLS_JSON_CHECK_H_
