// Reading back the numbers that the decoders write as text, for hosts that want
// typed values: fixed-point texts such as "-00012.50", " 123", "+123", ".0012" and
// "45600", the texts of numeric-edited items such as "1234-", " $12.50CR" or
// "**0.05", and float texts such as "1e-20" or "-118.625". Nothing here allocates:
// a fixed-point text is taken apart in place (CCBFixedPointText points into it) and
// its value or canonical text is made from the parts. A text that is no such number
// (the error text "#ERR#", bytes that are no digits) is refused.
#ifndef LYRA_FORMAT_CCB_NUMBER_TEXT_H_
#define LYRA_FORMAT_CCB_NUMBER_TEXT_H_

#include <cstdint>

// A fixed-point text taken apart: an optional sign, digits, an optional point and
// digits, with at least one digit. The pointers lie in the text read (or, for the zero
// of an edited text without digits, in a constant text of zeros); an edited number
// starts at its first digit or point, its sign apart.
struct CCBFixedPointText {
  bool negative = false;
  const char* number = nullptr;   // the sign or first digit or point: where the number starts
  const char* end = nullptr;      // just past the number
  const char* integer = nullptr;  // the integer digits, leading zeros left out
  int integerDigits = 0;
  const char* fraction = nullptr;  // the digits after the point
  int fractionDigits = 0;
  bool zero = true;  // every digit is 0
  // The digits from the first that is not 0, integer and fraction digits together,
  // and, while there are at most 19 of them, their value.
  int significant = 0;
  uint64_t mantissa = 0;
};

// False when the length characters at text are no fixed-point number: blanks, then an
// optional sign ('+' or '-'), digits, an optional point and digits.
bool scanFixedPoint(const char* text, int length, CCBFixedPointText* number);

// The most fraction digits the zero of an edited text without digits has.
const int MAX_ZERO_FRACTION = 18;

// False when the length characters at text are no numeric-edited number: digits with
// one optional point, as scanFixedPoint reads them, after blanks, check-protection '*'
// and the currency sign '$', with one sign before them ('+' or '-', also apart from
// them) or after them ('+', '-', "CR" or "DB", the last three for a value below zero,
// or blanks for a value above it), and blanks after them ("1234-" is -1234,
// "  $1.50CR" -1.50, "-   7" -7, "**0.05" 0.05). Where zeroFraction is 0 to
// MAX_ZERO_FRACTION, a text without a digit that holds nothing but blanks, '*' and
// the point is zero with zeroFraction zeros after the point: what numeric editing
// writes for zero where every digit position may be suppressed ("    " for ZZZZ,
// "**.**" for **.**). A negative zeroFraction refuses such texts.
bool scanEditedNumber(const char* text, int length, int zeroFraction, CCBFixedPointText* number);

// The value of a number without fraction digits (a point with none after it is
// allowed); false when it has some or is out of range.
bool fixedPointToInt64(const CCBFixedPointText& number, int64_t* value);
bool fixedPointToUint64(const CCBFixedPointText& number, uint64_t* value);

// The 64 bits of the integer of a sign and magnitude: an int64 (isSigned), or a
// uint64's bits; false when the value is out of that type's range.
inline bool integerBits(bool negative, uint64_t magnitude, bool isSigned, int64_t* bits) {
  const uint64_t int64Magnitude = uint64_t{1} << 63;  // of -2^63, the most negative
  const uint64_t limit = isSigned ? int64Magnitude - (negative ? 0 : 1) : UINT64_MAX;
  if (magnitude > limit || (!isSigned && negative && magnitude != 0)) return false;
  // Two's complement negation of the magnitude; -2^63 has no positive counterpart.
  *bits = static_cast<int64_t>(negative ? ~magnitude + 1 : magnitude);
  return true;
}

// The nearest double. Zero is never negative.
double fixedPointToDouble(const CCBFixedPointText& number);
// The same for a number given as the magnitude of all its digits, fraction of them
// after the point, where one division by an exact power of ten gives it (a magnitude
// up to 2^53 and at most 22 fraction digits); false otherwise.
inline bool exactFixedPointToDouble(bool negative, uint64_t magnitude, int fraction,
                                    double* value) {
  // 10^0 to 10^22: the powers of ten that a double holds exactly.
  static constexpr double EXACT_POWERS_OF_TEN[] = {
      1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
  };
  const int maxPower = sizeof EXACT_POWERS_OF_TEN / sizeof EXACT_POWERS_OF_TEN[0] - 1;
  const uint64_t maxInteger = uint64_t{1} << 53;  // every integer up to it is a double
  if (magnitude > maxInteger || fraction < 0 || fraction > maxPower) return false;
  *value = static_cast<double>(magnitude) / EXACT_POWERS_OF_TEN[fraction];
  if (negative && magnitude != 0) *value = -*value;
  return true;
}

// The longest canonical text of a number: sign, point and a zero before the point
// besides its digits.
inline int canonicalLength(const CCBFixedPointText& number) {
  return number.integerDigits + number.fractionDigits + 3;
}
// Writes the canonical text of the number at out and returns its length: '-' for a
// number below zero, the integer digits without leading zeros (at least one), then
// the point and the fraction digits as the text has them, when it has any ("-12.50",
// "0.0012", "45600"). REQUIRES: room for canonicalLength(number) characters.
int writeCanonical(const CCBFixedPointText& number, char* out);

// The value of a float text (blanks and a '+' before it allowed); single: the text is
// a COMP-1 value, read as the nearest binary32 value, which a double holds exactly.
// False when the text is no number.
bool parseFloatText(const char* text, int length, bool single, double* value);

#endif  // LYRA_FORMAT_CCB_NUMBER_TEXT_H_
