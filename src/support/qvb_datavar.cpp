#include "lyra/qvb_datavar.h"

#include <cerrno>
#include <cstdlib>

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
