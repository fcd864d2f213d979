#include "lyra/qvb_string.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

#include "support/np_uchar.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int sign(int value) {
  return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// Compares a (an characters) with b (bn characters), byte by byte or with letters
// folded to upper case.
int compareChars(const char* a, int an, const char* b, int bn, bool exact) {
  const int n = an < bn ? an : bn;
  for (int i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (!exact) {
      x = np_uchar_asupper_table[x];
      y = np_uchar_asupper_table[y];
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return sign(an - bn);
}

// A null string sorts before every other string and equals another null string.
int compareNulls(bool aNull, bool bNull) {
  return aNull == bNull ? 0 : (aNull ? -1 : 1);
}

}  // namespace

QvbString::QvbString(const char* text, bool /*flag*/) : QvbString() {
  assign(text);
}

void QvbString::reserve(int n) {
  const long long doubled = 2LL * capacity_;
  const int grown = doubled >= n && doubled <= INT_MAX ? static_cast<int>(doubled) : n;
  char* chars = new char[static_cast<size_t>(grown) + 1];
  releaseHeap();
  data_ = chars;
  capacity_ = grown;
  data_[0] = '\0';
  length_ = 0;
}

void QvbString::copyLong(const QvbString& other) {
  setChars(other.data_, other.length_);
  null_ = other.null_;
}

void QvbString::assign(const char* text) {
  if (text == nullptr) {
    setNull();
    return;
  }
  setChars(text, static_cast<int>(std::strlen(text)));
  null_ = false;
}

// The digits are written from the end of a buffer, the magnitude unsigned so that
// INT_MIN has one too.
void QvbString::assign(int number) {
  char digits[16];
  char* p = digits + sizeof digits;
  unsigned magnitude =
      number < 0 ? 0u - static_cast<unsigned>(number) : static_cast<unsigned>(number);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (number < 0) *--p = '-';
  setChars(p, static_cast<int>(digits + sizeof digits - p));
  null_ = false;
}

void QvbString::append(const char* text, bool* /*unused*/) {
  if (text == nullptr) return;
  const int n = static_cast<int>(std::strlen(text));
  if (length_ + n > capacity_) {  // text may lie in this string: join into a new one
    QvbString joined;
    joined.reserve(length_ + n);
    std::memcpy(joined.data_, data_, static_cast<size_t>(length_));
    std::memcpy(joined.data_ + length_, text, static_cast<size_t>(n));
    joined.length_ = length_ + n;
    joined.data_[joined.length_] = '\0';
    *this = std::move(joined);
    return;
  }
  std::memmove(data_ + length_, text, static_cast<size_t>(n));
  length_ += n;
  data_[length_] = '\0';
  null_ = false;
}

void QvbString::append(const QvbString& text, bool* unused) {
  if (!text.null_) append(text.data_, unused);
}

void QvbString::truncate(int n) {
  if (n < 0) n = 0;
  if (n < length_) {
    length_ = n;
    data_[n] = '\0';
  }
}

QvbString& QvbString::trim(bool left, bool right) {
  int end = length_;
  if (right) {
    while (end > 0 && isBlank(data_[end - 1])) --end;
  }
  int start = 0;
  if (left) {
    while (start < end && isBlank(data_[start])) ++start;
  }
  setChars(data_ + start, end - start);
  return *this;
}

QvbString QvbString::mid(int start, int count) const {
  QvbString result;
  result.null_ = null_;
  if (start < 0) start = 0;
  if (start >= length_) return result;
  const int available = length_ - start;
  result.setChars(data_ + start, count < 0 || count > available ? available : count);
  return result;
}

QvbString QvbString::right(int n) const {
  if (n <= 0) return mid(length());
  return n >= length() ? *this : mid(length() - n);
}

int QvbString::compare(const char* other, bool exact) const {
  if (other == nullptr || null_) return compareNulls(null_, other == nullptr);
  return compareChars(data_, length_, other, static_cast<int>(std::strlen(other)), exact);
}

int QvbString::compare(const QvbString& other, bool exact) const {
  if (other.null_ || null_) return compareNulls(null_, other.null_);
  return compareChars(data_, length_, other.data_, other.length_, exact);
}

int QvbString::asInt(bool* failed) const {
  const char* p = data_;
  const char* end = p + length_;
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
