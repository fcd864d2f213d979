#include "interface/ccb_column_type.h"

#include <cstring>

#include "format/ccb_float.h"
#include "format/ccb_format.h"
#include "format/ccb_number_text.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_output_array.h"

namespace {

const int MAX_INT64_DIGITS = 18;  // every number of 18 digits fits an int64
const char ERROR_TEXT[] = "#ERR#";
const int ERROR_TEXT_LENGTH = sizeof ERROR_TEXT - 1;

// Fixed-point and edited numbers by their digits.
CCBColumnKind kindOf(const CCBNumberShape& shape) {
  if (shape.kind == CCBNumberShape::FLOAT) return CCB_COLUMN_FLOAT;
  if (shape.kind == CCBNumberShape::TEXT) return CCB_COLUMN_TEXT;
  if (shape.digits > MAX_INT64_DIGITS) return CCB_COLUMN_BIG_DECIMAL;
  if (shape.fraction > 0) return CCB_COLUMN_DECIMAL;
  // Binary items hold any value of their storage: 8 unsigned bytes reach 2^64 - 1.
  const bool unsignedWord = shape.binary && !shape.isSigned && shape.storageLength == 8;
  return unsignedWord ? CCB_COLUMN_UNSIGNED : CCB_COLUMN_INTEGER;
}

bool isErrorText(const char* text, int length) {
  return length == ERROR_TEXT_LENGTH && std::memcmp(text, ERROR_TEXT, ERROR_TEXT_LENGTH) == 0;
}

// An integer column holds only what its kind's 64 bits hold.
bool fitsKind(const CCBColumnType& type, const CCBFixedPointText& number) {
  int64_t value = 0;
  uint64_t bits = 0;
  if (type.kind == CCB_COLUMN_INTEGER) return fixedPointToInt64(number, &value);
  if (type.kind == CCB_COLUMN_UNSIGNED) return fixedPointToUint64(number, &bits);
  return true;
}

}  // namespace

CCBColumnType columnTypeOf(const CCBOutputEntry& entry) {
  CCBColumnType type;
  const CCBData* node = entry.node();
  const CCBFormat* format =
      node->isField() ? static_cast<const CCBDataField*>(node)->format() : nullptr;
  const CCBNumberShape shape = format != nullptr ? format->numberShape() : CCBNumberShape();
  type.kind = kindOf(shape);
  type.edited = shape.kind == CCBNumberShape::EDITED;
  const bool fixedPoint = shape.kind == CCBNumberShape::FIXED_POINT || type.edited;
  type.digits = fixedPoint ? shape.digits : 0;
  type.fraction = fixedPoint ? shape.fraction : 0;
  type.zeroFraction = type.edited && shape.zeroWithoutDigits ? shape.fraction : -1;
  // An IBM COMP-1 reaches 7.2e75 and 5.4e-79, far past a binary32: its text is read
  // as a double.
  type.single = shape.kind == CCBNumberShape::FLOAT && shape.storageLength == 4 &&
                format->floatFormat() != FLOAT_IBM;
  type.errorText = format == nullptr || format->canFailAsText();
  return type;
}

bool stripValue(const CCBColumnType& type, const char** text, int* length, char* scratch) {
  const char* bytes = *text;
  int size = *length;
  if (type.kind == CCB_COLUMN_TEXT) {
    if (type.errorText && isErrorText(bytes, size)) return false;
    while (size > 0 && bytes[size - 1] == ' ') --size;
    *length = size;
    return true;
  }
  if (type.kind == CCB_COLUMN_FLOAT) {
    double value = 0.0;
    if (!parseFloatText(bytes, size, type.single, &value)) return false;
    while (size > 0 && bytes[size - 1] == ' ') --size;
    while (size > 0 && (*bytes == ' ' || *bytes == '+')) {
      ++bytes;
      --size;
    }
    *text = bytes;
    *length = size;
    return true;
  }
  CCBFixedPointText number;
  const bool scanned = type.edited ? scanEditedNumber(bytes, size, type.zeroFraction, &number)
                                   : scanFixedPoint(bytes, size, &number);
  if (!scanned || !fitsKind(type, number)) return false;
  *length = writeCanonical(number, scratch);
  *text = scratch;
  return true;
}
