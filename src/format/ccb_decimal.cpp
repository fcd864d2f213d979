#include "format/ccb_decimal.h"

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

inline const char* skipDigits(const char* p, const char* end) {
  while (p < end && isDigit(*p)) ++p;
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

// Sets high, low and zero from the digits.
void findNonZeroDigits(CCBDecimal* number) {
  const int count = number->integerDigits + number->fractionDigits;
  const int top = number->integerDigits - 1 + number->exponent;  // the first digit's weight
  int first = -1;
  int last = -1;
  for (int k = 0; k < count; ++k) {
    const char c = k < number->integerDigits ? number->integer[k]
                                             : number->fraction[k - number->integerDigits];
    if (c == '0') continue;
    if (first < 0) first = k;
    last = k;
  }
  number->zero = first < 0;
  number->high = first < 0 ? 0 : top - first;
  number->low = first < 0 ? 0 : top - last;
}

}  // namespace

bool parseDecimal(const char* text, int length, CCBDecimal* number) {
  const char* const end = text + (length > 0 ? length : 0);
  const char* p = skipBlanks(text, end);
  *number = CCBDecimal();
  if (p < end && (*p == '+' || *p == '-')) number->negative = *p++ == '-';
  number->integer = p;
  p = skipDigits(p, end);
  number->integerDigits = static_cast<int>(p - number->integer);
  number->fraction = p;
  if (p < end && *p == '.') {
    number->fraction = ++p;
    p = skipDigits(p, end);
    number->fractionDigits = static_cast<int>(p - number->fraction);
  }
  if (number->integerDigits + number->fractionDigits == 0) return false;
  if (p < end && (*p == 'e' || *p == 'E') && !readExponent(p + 1, end, &p, &number->exponent)) {
    return false;
  }
  if (skipBlanks(p, end) != end) return false;
  findNonZeroDigits(number);
  return true;
}

CCBFitProblem placeDigits(const CCBDecimal& number, const CCBDigitPositions& positions,
                          unsigned char* out) {
  const int scale = positions.scale;
  const int lowest = -positions.fraction + (scale > 0 ? scale : 0);  // of a stored digit
  const int highest = positions.digits - 1 - positions.fraction + (scale < 0 ? scale : 0);
  if (!number.zero) {
    if (number.low < -positions.fraction) return FIT_FRACTION_DIGITS;
    if (number.low < lowest) return FIT_SCALE;
    if (number.high > positions.digits - 1 - positions.fraction) return FIT_INTEGER_DIGITS;
    if (number.high > highest) return FIT_SCALE;
  }
  const int stored = positions.stored();
  for (int k = 0; k < stored; ++k) {
    out[k] = static_cast<unsigned char>(number.zero ? 0 : number.digitAt(highest - k));
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
  for (int weight = number.high; weight >= lowest; --weight) {
    const uint64_t digit = static_cast<uint64_t>(number.digitAt(weight));
    if (value > (UINT64_MAX - digit) / 10) return FIT_INTEGER_DIGITS;
    value = value * 10 + digit;
  }
  *magnitude = value;
  return FIT_OK;
}
