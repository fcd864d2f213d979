// QvbDatavar is a typed value: null, or an integer, real or string value held as
// its text. Decoded field values are string values; a column holds a null value
// until its field is decoded. A QvbDatavar owns its text; one thread uses an object
// at a time. Copies are as cheap as copies of the text (see QvbString).
#ifndef LYRA_QVB_DATAVAR_H_
#define LYRA_QVB_DATAVAR_H_

#include "lyra/export.h"
#include "lyra/qvb_string.h"

// Value type codes (qvbType).
enum QvbType {
  QVB_TYPE_NULL = 0,
  QVB_TYPE_INTEGER = 2,
  QVB_TYPE_REAL = 3,
  QVB_TYPE_STRING = 4,
};

class LYRA_API QvbDatavar {
 public:
  QvbDatavar() { text_.setNull(); }  // a null value
  QvbDatavar(const QvbDatavar& other) = default;
  QvbDatavar(QvbDatavar&& other) noexcept = default;
  QvbDatavar& operator=(const QvbDatavar& other) = default;
  QvbDatavar& operator=(QvbDatavar&& other) noexcept = default;
  virtual ~QvbDatavar() = default;

  void setNull() {
    text_.setNull();
    type_ = QVB_TYPE_NULL;
  }
  bool isNull() const { return type_ == QVB_TYPE_NULL; }
  int getType() const { return type_; }

  void assign(const QvbString& text) {  // a string value; a null text gives a null value
    text_ = text;
    type_ = text.isNull() ? QVB_TYPE_NULL : QVB_TYPE_STRING;
  }
  // A string value holding the bytes up to the first zero byte among the first count.
  void assignBytes(const char* bytes, int count) {
    text_.assign(bytes != nullptr ? bytes : "", bytes != nullptr ? count : 0);
    type_ = QVB_TYPE_STRING;
  }
  // Converts the value: to 4 keeps the text; to 2 or 3 keeps it when it reads as a
  // number of that type and makes the value null otherwise. Other codes are ignored.
  void setType(int type);

  QvbString asString() const { return text_; }  // a null value gives a null string
  const QvbString& text() const { return text_; }
  // The integer the text holds; *failed (when not null) is set when it holds none.
  int asInt(bool* failed = nullptr) const { return text_.asInt(failed); }

 private:
  QvbString text_;
  int type_ = QVB_TYPE_NULL;
};

#endif  // LYRA_QVB_DATAVAR_H_
