#include "lyra/qvb_datavar.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

QvbDatavar::QvbDatavar() {
  text_.setNull();
}
QvbDatavar::QvbDatavar(const QvbDatavar& other) = default;
QvbDatavar::QvbDatavar(QvbDatavar&& other) noexcept = default;
QvbDatavar& QvbDatavar::operator=(const QvbDatavar& other) = default;
QvbDatavar& QvbDatavar::operator=(QvbDatavar&& other) noexcept = default;
QvbDatavar::~QvbDatavar() = default;

void QvbDatavar::setNull() {
  text_.setNull();
  type_ = QVB_TYPE_NULL;
}

void QvbDatavar::assign(const QvbString& text) {
  text_ = text;
  type_ = text.isNull() ? QVB_TYPE_NULL : QVB_TYPE_STRING;
}

void QvbDatavar::assignBytes(const char* bytes, int count) {
  if (bytes == nullptr || count < 0) count = 0;
  text_.assign(bytes == nullptr ? "" : bytes, count);
  type_ = QVB_TYPE_STRING;
}

void QvbDatavar::setType(int type) {
  if (isNull() || type == type_) return;
  if (type == QVB_TYPE_STRING) {
    type_ = type;
  } else if (type == QVB_TYPE_INTEGER) {
    bool failed = false;
    const int value = text_.asInt(&failed);
    if (failed) {
      setNull();
    } else {
      text_.assign(value);
      type_ = type;
    }
  } else if (type == QVB_TYPE_REAL) {
    QvbString copy = text_;
    copy.trim(true, true);
    char* end = nullptr;
    errno = 0;
    std::strtod(copy.asCstr(), &end);
    if (copy.length() == 0 || *end != '\0' || errno == ERANGE) {
      setNull();
    } else {
      text_ = copy;
      type_ = type;
    }
  }
}

QvbString QvbDatavar::asString() const {
  return text_;
}

int QvbDatavar::asInt(bool* failed) const {
  return text_.asInt(failed);
}
