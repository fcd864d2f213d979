// QvbString is the text type of every name, message and value that crosses the
// library's interface: a string of 8-bit characters (ISO-8859-1 for decoded data)
// with a null state that is distinct from the empty string. Copies are deep and
// carry the null state. A QvbString owns its characters; one thread uses an object
// at a time.
//
// Texts of up to INLINE_CAPACITY characters live inside the object, so copying the
// value of a typical field allocates nothing; longer ones live on the heap. The
// characters are always followed by a zero byte.
#ifndef LYRA_QVB_STRING_H_
#define LYRA_QVB_STRING_H_

#include <cstring>
#include <string>

#include "lyra/export.h"

class LYRA_API QvbString {
 public:
  static const int INLINE_CAPACITY = 63;

  QvbString() noexcept { inline_[0] = '\0'; }  // empty, not null
  // Holds the characters of text; a null pointer gives a null string. The flag is
  // kept for interface compatibility and has no effect.
  QvbString(const char* text, bool flag = true);  // NOLINT(google-explicit-constructor)
  QvbString(const QvbString& other) : QvbString() { copyFrom(other); }
  QvbString(QvbString&& other) noexcept : QvbString() { moveFrom(other); }
  QvbString& operator=(const QvbString& other) {
    if (this != &other) copyFrom(other);
    return *this;
  }
  QvbString& operator=(QvbString&& other) noexcept {
    if (this != &other) {
      releaseHeap();
      moveFrom(other);
    }
    return *this;
  }
  virtual ~QvbString() { releaseHeap(); }

  void assign(const char* text);  // a null pointer makes the string null
  // The first n characters (fewer at a zero byte); a null pointer makes it null.
  void assign(const char* text, int n) {
    if (text == nullptr) {
      setNull();
      return;
    }
    const void* zero = n > 0 ? std::memchr(text, 0, static_cast<size_t>(n)) : nullptr;
    setChars(text, zero != nullptr ? static_cast<int>(static_cast<const char*>(zero) - text)
                                   : (n > 0 ? n : 0));
    null_ = false;
  }
  void assign(int number);  // decimal text, '-' in front when negative
  void append(const char* text, bool* unused = nullptr);
  void append(const QvbString& text, bool* unused = nullptr);

  // The characters, zero-terminated; never a null pointer (a null string gives "").
  const char* asCstr() const { return data_; }
  int length() const { return length_; }
  bool isNull() const { return null_; }
  void setNull() {
    setChars("", 0);
    null_ = true;
  }

  void truncate(int n);  // keeps at most the first n characters
  // Removes spaces, tabs and line ends at the chosen ends; returns this string.
  QvbString& trim(bool left, bool right);
  // The characters from 0-based start; count -1 means to the end. Out-of-range
  // arguments are clipped to the text.
  QvbString mid(int start, int count = -1) const;
  QvbString right(int n) const;  // the last n characters

  // 0 when equal, otherwise negative or positive: a total order in which a null
  // string sorts before every other string. With exact false, letters compare
  // without regard to case; with exact true, byte by byte.
  int compare(const char* other, bool exact) const;
  int compare(const QvbString& other, bool exact) const;

  // The decimal integer the text holds (surrounding blanks and one leading sign
  // allowed). When the text is not such an integer, or is out of the 32-bit range,
  // *failed is set to true (when failed is not null); the result is then the value of
  // the leading digits, or 0 when there are none or they are out of range.
  int asInt(bool* failed = nullptr) const;

  std::string str() const { return std::string(data_, static_cast<size_t>(length_)); }

 private:
  // Replaces the characters with n characters at chars (which may lie in this string).
  void setChars(const char* chars, int n) {
    if (n > capacity_) reserve(n);
    std::memmove(data_, chars, static_cast<size_t>(n));
    data_[n] = '\0';
    length_ = n;
  }
  void copyFrom(const QvbString& other) {
    if (other.data_ != other.inline_ || data_ != inline_) {
      copyLong(other);
      return;
    }
    std::memcpy(inline_, other.inline_, sizeof inline_);  // one fixed-size copy
    length_ = other.length_;
    null_ = other.null_;
  }
  void copyLong(const QvbString& other);  // copyFrom where a text lies on the heap
  // Takes other's characters, leaving other empty. REQUIRES: this holds no heap text.
  void moveFrom(QvbString& other) noexcept {
    null_ = other.null_;
    length_ = other.length_;
    if (other.data_ == other.inline_) {
      data_ = inline_;
      capacity_ = INLINE_CAPACITY;
      std::memcpy(inline_, other.inline_, static_cast<size_t>(length_) + 1);
    } else {
      data_ = other.data_;
      capacity_ = other.capacity_;
      other.data_ = other.inline_;
      other.capacity_ = INLINE_CAPACITY;
    }
    other.length_ = 0;
    other.inline_[0] = '\0';
  }
  void releaseHeap() noexcept {
    if (data_ != inline_) delete[] data_;
  }
  // Makes room for at least n characters, keeping none of the current ones.
  void reserve(int n);

  char* data_ = inline_;
  int length_ = 0;
  int capacity_ = INLINE_CAPACITY;
  bool null_ = false;
  char inline_[INLINE_CAPACITY + 1];
};

// Text made by C-style formatting (%s takes asCstr() of a string).
LYRA_API QvbString qvbStringFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif  // LYRA_QVB_STRING_H_
