#include "format/ccb_decimal.h"

#include <cstring>

namespace {

// Exponents beyond this are refused: no picture has that many digit positions.
const int MAX_EXPONENT = 100000000;
const int MAX_MAGNITUDE_DIGITS = 20;  // a uint64 holds every number of 19 digits, some of 20

inline bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

inline const char* skipBlanks(const char* p, const char* end) {
  while (p < end && *p == ' ') ++p;
  return p;
}

// Reads an exponent's optional sign and digits from p; false when there are none or
// it is out of range.
bool readExponent(const char* p, const char* end, const char** next, int* exponent) {
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* digits = p;
  int value = 0;
  for (; p < end && isDigit(*p); ++p) {
    if (value > MAX_EXPONENT) return false;
    value = value * 10 + (*p - '0');
  }
  if (p == digits || value > MAX_EXPONENT) return false;
  *exponent = negative ? -value : value;
  *next = p;
  return true;
}

}  // namespace

inline const char* skipDigits(const char* p, const char* end) {
  while (p < end && isDigit(*p)) ++p;
  return p;
}

// Sets first, last, high, low and zero from the digits: leading and trailing zeros are
// few, so they are counted from the ends rather than tested digit by digit.
void findNonZeroDigits(CCBDecimal* number) {
  const char* integer = number->integer;
  const char* fraction = number->fraction;
  const int integers = number->integerDigits;
  const int fractions = number->fractionDigits;
  int first = 0;
  while (first < integers && integer[first] == '0') ++first;
  if (first == integers) {
    int k = 0;
    while (k < fractions && fraction[k] == '0') ++k;
    first = integers + k;
  }
  number->zero = first == integers + fractions;
  if (number->zero) return;
  int last = integers + fractions - 1;
  while (last >= integers && fraction[last - integers] == '0') --last;
  if (last < integers) {
    while (integer[last] == '0') --last;
  }
  const int top = integers - 1 + number->exponent;  // the first digit's weight
  number->first = first;
  number->last = last;
  number->high = top - first;
  number->low = top - last;
}

bool parseDecimal(const char* text, int length, CCBDecimal* number) {
  const char* const end = text + (length > 0 ? length : 0);
  const char* p = skipBlanks(text, end);
  // Field by field: a whole new value copied in would stall on its own stores.
  number->negative = false;
  number->fractionDigits = 0;
  number->exponent = 0;
  number->first = number->last = number->high = number->low = 0;
  if (p < end && (*p == '+' || *p == '-')) number->negative = *p++ == '-';
  number->integer = p;
  p = skipDigits(p, end);
  const int integers = static_cast<int>(p - number->integer);
  number->integerDigits = integers;
  number->fraction = p;
  if (p < end && *p == '.') {
    number->fraction = ++p;
    p = skipDigits(p, end);
    number->fractionDigits = static_cast<int>(p - number->fraction);
  }
  if (integers + number->fractionDigits == 0) return false;
  if (p < end && (*p == 'e' || *p == 'E') && !readExponent(p + 1, end, &p, &number->exponent)) {
    return false;
  }
  if (p < end && skipBlanks(p, end) != end) return false;
  findNonZeroDigits(number);
  return true;
}

CCBFitProblem placeDigits(const CCBDecimal& number, const CCBDigitPositions& positions,
                          unsigned char* out) {
  const int scale = positions.scale;
  const int lowest = -positions.fraction + (scale > 0 ? scale : 0);  // of a stored digit
  const int highest = positions.digits - 1 - positions.fraction + (scale < 0 ? scale : 0);
  const int stored = positions.stored();
  std::memset(out, 0, static_cast<size_t>(stored > 0 ? stored : 0));
  if (number.zero) return FIT_OK;
  if (number.low < -positions.fraction) return FIT_FRACTION_DIGITS;
  if (number.low < lowest) return FIT_SCALE;
  if (number.high > positions.digits - 1 - positions.fraction) return FIT_INTEGER_DIGITS;
  if (number.high > highest) return FIT_SCALE;
  // The digit at place k has weight high - (k - first): it goes to highest - weight.
  unsigned char* at = out + (highest - number.high) - number.first;
  const int integers = number.integerDigits;
  for (int k = number.first; k <= number.last && k < integers; ++k) {
    at[k] = static_cast<unsigned char>(number.integer[k] - '0');
  }
  for (int k = number.first > integers ? number.first : integers; k <= number.last; ++k) {
    at[k] = static_cast<unsigned char>(number.fraction[k - integers] - '0');
  }
  return FIT_OK;
}

CCBFitProblem storedMagnitude(const CCBDecimal& number, const CCBDigitPositions& positions,
                              int storedRoom, uint64_t* magnitude) {
  *magnitude = 0;
  if (number.zero) return FIT_OK;
  const int scale = positions.scale;
  const int lowest = -positions.fraction + (scale > 0 ? scale : 0);
  if (number.low < -positions.fraction) return FIT_FRACTION_DIGITS;
  if (number.low < lowest) return FIT_SCALE;
  if (storedRoom > MAX_MAGNITUDE_DIGITS) storedRoom = MAX_MAGNITUDE_DIGITS;
  if (number.high > lowest + storedRoom - 1) return FIT_INTEGER_DIGITS;
  uint64_t value = 0;
  const int zeros = number.low - lowest;  // after the last digit that is not 0
  for (int k = number.first; k <= number.last + zeros; ++k) {
    const uint64_t digit = k <= number.last ? static_cast<uint64_t>(number.digitAtPlace(k)) : 0;
    if (value > (UINT64_MAX - digit) / 10) return FIT_INTEGER_DIGITS;
    value = value * 10 + digit;
  }
  *magnitude = value;
  return FIT_OK;
}
