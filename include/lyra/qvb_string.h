// QvbString is the text type of every name, message and value that crosses the
// library's interface: a string of 8-bit characters (ISO-8859-1 for decoded data)
// with a null state that is distinct from the empty string. Copies are deep and
// carry the null state. A QvbString owns its characters; one thread uses an object
// at a time.
#ifndef LYRA_QVB_STRING_H_
#define LYRA_QVB_STRING_H_

#include <string>

#include "lyra/export.h"

class LYRA_API QvbString {
 public:
  QvbString();  // empty, not null
  // Holds the characters of text; a null pointer gives a null string. The flag is
  // kept for interface compatibility and has no effect.
  QvbString(const char* text, bool flag = true);  // NOLINT(google-explicit-constructor)
  QvbString(const QvbString& other);
  QvbString(QvbString&& other) noexcept;
  QvbString& operator=(const QvbString& other);
  QvbString& operator=(QvbString&& other) noexcept;
  virtual ~QvbString();

  void assign(const char* text);         // a null pointer makes the string null
  void assign(const char* text, int n);  // the first n characters (fewer at a zero byte)
  void assign(int number);               // decimal text, '-' in front when negative
  void append(const char* text, bool* unused = nullptr);
  void append(const QvbString& text, bool* unused = nullptr);

  // The characters, zero-terminated; never a null pointer (a null string gives "").
  const char* asCstr() const { return text_.c_str(); }
  int length() const { return static_cast<int>(text_.size()); }
  bool isNull() const { return null_; }
  void setNull();

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

  const std::string& str() const { return text_; }

 private:
  std::string text_;
  bool null_ = false;
};

// Text made by C-style formatting (%s takes asCstr() of a string).
LYRA_API QvbString qvbStringFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif  // LYRA_QVB_STRING_H_
