#include "format/ccb_number_text.h"

#include <charconv>
#include <cstring>
#include <system_error>

namespace {

const int MAX_UINT64_DIGITS = 20;
const int MANTISSA_DIGITS = 19;  // every number of 19 digits fits a uint64

inline bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

inline bool isSign(char c) {
  return c == '+' || c == '-';
}

inline const char* skipBlanks(const char* p, const char* end) {
  while (p < end && *p == ' ') ++p;
  return p;
}

// Skips blanks, then a '+'; the rest of the text is the number.
inline const char* skipLead(const char* p, const char* end) {
  p = skipBlanks(p, end);
  if (p < end && *p == '+') ++p;
  return p;
}

// What numeric editing writes before the digits: blanks, check protection, the
// currency sign and a sign.
inline bool isEditedLead(char c) {
  return c == ' ' || c == '*' || c == '$' || isSign(c);
}

// What numeric editing writes for zero where every digit position may be suppressed:
// blanks, or the check protection '*' with the point.
inline bool isZeroFill(char c) {
  return c == ' ' || c == '*' || c == '.';
}

// The zeros after the point of the zero of an edited text without digits.
const char ZERO_FRACTION[MAX_ZERO_FRACTION + 1] = "000000000000000000";

// Scans digits from p, adding those after the leading zeros to the number's
// mantissa while it has room for them; returns where the digits end.
inline const char* scanDigits(const char* p, const char* end, CCBFixedPointText* number) {
  for (; p < end && isDigit(*p); ++p) {
    if (number->significant == 0 && *p == '0') continue;
    if (number->significant < MANTISSA_DIGITS) {
      number->mantissa = number->mantissa * 10 + static_cast<uint64_t>(*p - '0');
    }
    ++number->significant;
  }
  return p;
}

// The value of count digits at p added to value; false past UINT64_MAX.
bool addDigits(const char* p, int count, uint64_t* value) {
  for (int i = 0; i < count; ++i) {
    const uint64_t digit = static_cast<uint64_t>(p[i] - '0');
    if (*value > (UINT64_MAX - digit) / 10) return false;
    *value = *value * 10 + digit;
  }
  return true;
}

// Where the digits and points that start at p end.
inline const char* skipDigitsAndPoints(const char* p, const char* end) {
  while (p < end && (isDigit(*p) || *p == '.')) ++p;
  return p;
}

// The length of the sign that numeric editing writes after the digits at p: '+', '-',
// "CR" or "DB", the last three for a value below zero; 0 when none starts there.
int trailingSignLength(const char* p, const char* end, bool* negative) {
  if (p < end && isSign(*p)) {
    *negative = *p == '-';
    return 1;
  }
  if (end - p >= 2 && ((p[0] == 'C' && p[1] == 'R') || (p[0] == 'D' && p[1] == 'B'))) {
    *negative = true;
    return 2;
  }
  return 0;
}

// Takes an edited text without digits as zero with fraction zeros after the point
// when it holds nothing but what numeric editing writes for zero; false otherwise.
bool zeroWithoutDigits(const char* text, const char* end, int fraction, CCBFixedPointText* number) {
  if (text == end || fraction < 0 || fraction > MAX_ZERO_FRACTION) return false;
  for (const char* p = text; p < end; ++p) {
    if (!isZeroFill(*p)) return false;
  }
  *number = CCBFixedPointText();
  number->number = number->integer = number->fraction = ZERO_FRACTION;
  number->fractionDigits = fraction;
  number->end = ZERO_FRACTION + fraction;
  return true;
}

}  // namespace

bool scanFixedPoint(const char* text, int length, CCBFixedPointText* number) {
  const char* const end = text + length;
  const char* p = skipLead(text, end);
  number->number = p;  // from the '-', which from_chars takes, unlike a '+'
  number->end = end;
  number->negative = p < end && *p == '-' && (p == text || p[-1] != '+');
  if (number->negative) ++p;
  number->mantissa = 0;
  number->significant = 0;
  const char* digits = p;
  p = scanDigits(p, end, number);
  const int allInteger = static_cast<int>(p - digits);
  number->integerDigits = number->significant;
  number->integer = p - number->integerDigits;
  number->fraction = p;
  number->fractionDigits = 0;
  if (p < end && *p == '.') {
    number->fraction = ++p;
    p = scanDigits(p, end, number);
    number->fractionDigits = static_cast<int>(p - number->fraction);
  }
  number->zero = number->significant == 0;
  return p == end && allInteger + number->fractionDigits > 0;
}

bool scanEditedNumber(const char* text, int length, int zeroFraction, CCBFixedPointText* number) {
  const char* const end = text + length;
  const char* p = text;
  int signs = 0;
  bool negative = false;
  for (; p < end && isEditedLead(*p); ++p) {
    if (!isSign(*p)) continue;
    ++signs;
    negative = *p == '-';
  }
  const char* const digits = p;
  p = skipDigitsAndPoints(p, end);
  if (p == digits || !scanFixedPoint(digits, static_cast<int>(p - digits), number)) {
    return signs == 0 && zeroWithoutDigits(text, end, zeroFraction, number);
  }
  p = skipBlanks(p, end);
  if (signs == 0) p = skipBlanks(p + trailingSignLength(p, end, &negative), end);
  number->negative = negative;
  return p == end && signs <= 1;
}

namespace {

// The value of a number without fraction digits other than zeros ("123.0" is 123), its
// sign left out; false when it has others or is above UINT64_MAX.
bool integerMagnitude(const CCBFixedPointText& number, uint64_t* magnitude) {
  if (number.fractionDigits == 0 && number.significant <= MANTISSA_DIGITS) {
    *magnitude = number.mantissa;
    return true;
  }
  for (int i = 0; i < number.fractionDigits; ++i) {
    if (number.fraction[i] != '0') return false;
  }
  *magnitude = 0;
  return number.integerDigits <= MAX_UINT64_DIGITS &&
         addDigits(number.integer, number.integerDigits, magnitude);
}

// The nearest double of a number's text from number.number, which holds the '-' of a
// plain text but not the sign of an edited one, apart from its digits. Numbers seldom
// need it: kept out of the path of those that do not.
[[gnu::cold]] double parsedDouble(const CCBFixedPointText& number) {
  double value = 0.0;
  std::from_chars(number.number, number.end, value);  // the scan accepted the text
  return number.negative && *number.number != '-' ? -value : value;
}

}  // namespace

bool fixedPointToUint64(const CCBFixedPointText& number, uint64_t* value) {
  uint64_t magnitude = 0;
  int64_t bits = 0;
  if (!integerMagnitude(number, &magnitude) ||
      !integerBits(number.negative, magnitude, false, &bits)) {
    return false;
  }
  *value = static_cast<uint64_t>(bits);
  return true;
}

bool fixedPointToInt64(const CCBFixedPointText& number, int64_t* value) {
  uint64_t magnitude = 0;
  return integerMagnitude(number, &magnitude) &&
         integerBits(number.negative, magnitude, true, value);
}

double fixedPointToDouble(const CCBFixedPointText& number) {
  if (number.zero) return 0.0;
  double value = 0.0;
  if (number.significant <= MANTISSA_DIGITS &&
      exactFixedPointToDouble(number.negative, number.mantissa, number.fractionDigits, &value)) {
    return value;
  }
  return parsedDouble(number);
}

int writeCanonical(const CCBFixedPointText& number, char* out) {
  char* p = out;
  if (number.negative && !number.zero) *p++ = '-';
  if (number.integerDigits == 0) {
    *p++ = '0';
  } else {
    std::memcpy(p, number.integer, static_cast<size_t>(number.integerDigits));
    p += number.integerDigits;
  }
  if (number.fractionDigits > 0) {
    *p++ = '.';
    std::memcpy(p, number.fraction, static_cast<size_t>(number.fractionDigits));
    p += number.fractionDigits;
  }
  return static_cast<int>(p - out);
}

bool parseFloatText(const char* text, int length, bool single, double* value) {
  const char* const end = text + length;
  const char* p = skipLead(text, end);
  const char* first = p < end && *p == '-' && (p == text || p[-1] != '+') ? p + 1 : p;
  if (first == end || !(isDigit(*first) || *first == '.')) return false;  // no "inf", "nan"
  std::from_chars_result result;
  if (single) {
    float narrow = 0.0f;
    result = std::from_chars(p, end, narrow);
    *value = narrow;
  } else {
    result = std::from_chars(p, end, *value);
  }
  return result.ec == std::errc() && result.ptr == end;
}
