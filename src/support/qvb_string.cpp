#include "lyra/qvb_string.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "support/np_uchar.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int compareFolded(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = np_uchar_asupper_table[static_cast<unsigned char>(a[i])];
    const unsigned char y = np_uchar_asupper_table[static_cast<unsigned char>(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// A null string sorts before every other string and equals another null string.
int compareNulls(bool aNull, bool bNull) {
  return aNull == bNull ? 0 : (aNull ? -1 : 1);
}

}  // namespace

QvbString::QvbString() = default;

QvbString::QvbString(const char* text, bool /*flag*/) {
  assign(text);
}

QvbString::QvbString(const QvbString& other) = default;
QvbString::QvbString(QvbString&& other) noexcept = default;
// A text copied over one of the same length, as a field's value is from record to
// record, overwrites the characters in place.
QvbString& QvbString::operator=(const QvbString& other) {
  if (other.text_.size() == text_.size()) {
    std::memmove(&text_[0], other.text_.data(), text_.size());
  } else {
    text_ = other.text_;
  }
  null_ = other.null_;
  return *this;
}

QvbString& QvbString::operator=(QvbString&& other) noexcept = default;
QvbString::~QvbString() = default;

void QvbString::assign(const char* text) {
  null_ = text == nullptr;
  if (null_) {
    text_.clear();
  } else {
    text_.assign(text);
  }
}

void QvbString::assign(const char* text, int n) {
  null_ = text == nullptr;
  const size_t length = text != nullptr && n > 0 ? strnlen(text, static_cast<size_t>(n)) : 0;
  if (length == text_.size()) {
    if (length != 0) std::memmove(&text_[0], text, length);  // in place, as operator= does
  } else {
    text_.assign(text != nullptr ? text : "", length);
  }
}

void QvbString::assign(int number) {
  char digits[16];
  const int n = snprintf(digits, sizeof digits, "%d", number);
  text_.assign(digits, static_cast<size_t>(n));
  null_ = false;
}

void QvbString::append(const char* text, bool* /*unused*/) {
  if (text == nullptr) return;
  text_.append(text);
  null_ = false;
}

void QvbString::append(const QvbString& text, bool* /*unused*/) {
  if (text.null_) return;
  text_.append(text.text_);
  null_ = false;
}

void QvbString::setNull() {
  text_.clear();
  null_ = true;
}

void QvbString::truncate(int n) {
  if (n < 0) n = 0;
  if (static_cast<size_t>(n) < text_.size()) text_.resize(static_cast<size_t>(n));
}

QvbString& QvbString::trim(bool left, bool right) {
  if (right) {
    size_t end = text_.size();
    while (end > 0 && isBlank(text_[end - 1])) --end;
    text_.resize(end);
  }
  if (left) {
    size_t start = 0;
    while (start < text_.size() && isBlank(text_[start])) ++start;
    text_.erase(0, start);
  }
  return *this;
}

QvbString QvbString::mid(int start, int count) const {
  QvbString result;
  result.null_ = null_;
  if (start < 0) start = 0;
  if (static_cast<size_t>(start) >= text_.size()) return result;
  const size_t available = text_.size() - static_cast<size_t>(start);
  const size_t take = count < 0 || static_cast<size_t>(count) > available ? available : count;
  result.text_.assign(text_, static_cast<size_t>(start), take);
  return result;
}

QvbString QvbString::right(int n) const {
  if (n <= 0) return mid(length());
  return n >= length() ? *this : mid(length() - n);
}

int QvbString::compare(const char* other, bool exact) const {
  if (other == nullptr || null_) return compareNulls(null_, other == nullptr);
  if (exact) {
    const int c = std::strcmp(text_.c_str(), other);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  return compareFolded(text_, std::string(other));
}

int QvbString::compare(const QvbString& other, bool exact) const {
  if (other.null_ || null_) return compareNulls(null_, other.null_);
  if (exact) {
    const int c = text_.compare(other.text_);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  return compareFolded(text_, other.text_);
}

int QvbString::asInt(bool* failed) const {
  const char* p = text_.c_str();
  const char* end = p + text_.size();
  while (p < end && isBlank(*p)) ++p;
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  const char* digits = p;
  long long magnitude = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (*p - '0');  // stops once out of range
  }
  const char* rest = p;
  while (p < end && isBlank(*p)) ++p;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  const bool inRange = magnitude <= limit;
  const bool ok = !null_ && rest != digits && p == end && inRange;
  if (failed != nullptr && !ok) *failed = true;
  if (!inRange) return 0;
  return static_cast<int>(negative ? -magnitude : magnitude);
}

QvbString qvbStringFormat(const char* format, ...) {
  QvbString result;
  if (format == nullptr) return result;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  char small[256];
  const int n = vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return result;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    result.assign(small);
  } else {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(&big[0], big.size(), format, again);
    big.resize(static_cast<size_t>(n));
    result.assign(big.c_str());
  }
  va_end(again);
  return result;
}
