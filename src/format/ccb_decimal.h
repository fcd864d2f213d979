// Decimal numbers as the encoders take them: a value given as text ("1", "-12.5",
// "1e-3", "007", " 123", "+0.50", "-.0012", "1205.0"), taken apart in place into its
// sign and digits, each digit standing for a power of ten, and placed into the digit
// positions of a picture without rounding: a value that needs more integer digits or
// more digits after the point than the picture has does not fit. Nothing here
// allocates or keeps anything.
#ifndef LYRA_FORMAT_CCB_DECIMAL_H_
#define LYRA_FORMAT_CCB_DECIMAL_H_

#include <cstdint>

// A decimal number taken apart: the digits before and after the point as written
// (pointers into the text read), times ten to the exponent. Every digit has a weight,
// the power of ten it stands for; high and low are those of the first and last digit
// that is not 0.
struct CCBDecimal {
  bool negative = false;  // a '-' was written, also before zero
  const char* integer = nullptr;
  int integerDigits = 0;
  const char* fraction = nullptr;
  int fractionDigits = 0;
  int exponent = 0;
  bool zero = true;  // every digit is 0
  int high = 0;      // unless zero
  int low = 0;       // unless zero
  // Unless zero: the places of the first and last digit that is not 0 among all the
  // digits, integer ones first.
  int first = 0;
  int last = 0;

  // The digit at place k of all the digits (0 <= k < integerDigits + fractionDigits).
  int digitAtPlace(int k) const {
    return (k < integerDigits ? integer[k] : fraction[k - integerDigits]) - '0';
  }
  // The digit (0 to 9) of weight 10^weight.
  int digitAt(int weight) const {
    const int64_t k = int64_t{integerDigits} - 1 + exponent - weight;
    if (k < 0 || k >= int64_t{integerDigits} + fractionDigits) return 0;
    return digitAtPlace(static_cast<int>(k));
  }
};

// Takes apart a number written as blanks, an optional sign, digits with an optional
// point (at least one digit), an optional exponent (e or E, an optional sign, digits)
// and blanks. False for any other text.
bool parseDecimal(const char* text, int length, CCBDecimal* number);

// The digit positions of a picture: digits positions in all (scaling positions
// included), fraction of them after the point, and scale scaling positions that hold no
// digit of their own: a positive scale is that many positions at the low end (9(3)PP:
// 5 digits, 0 after the point, scale 2), a negative one at the high end (PP99: 4
// digits, 4 after the point, scale -2). The stored digits are the others.
struct CCBDigitPositions {
  int digits = 0;
  int fraction = 0;
  int scale = 0;
  int stored() const { return digits - (scale < 0 ? -scale : scale); }
};

// Why a value does not fit its digit positions.
enum CCBFitProblem : uint8_t {
  FIT_OK = 0,
  FIT_INTEGER_DIGITS,   // more integer digits than the positions have
  FIT_FRACTION_DIGITS,  // more digits after the point than the positions have
  FIT_SCALE,            // digits where scaling positions hold none
};

// The number of integer digits of the value (0 for a value below 1) and of digits
// after the point up to its last digit that is not 0.
inline int integerDigitsOf(const CCBDecimal& number) {
  return number.zero || number.high < 0 ? 0 : number.high + 1;
}
inline int fractionDigitsOf(const CCBDecimal& number) {
  return number.zero || number.low >= 0 ? 0 : -number.low;
}

// Writes the stored digits of the value (positions.stored() of them, most significant
// first, each 0 to 9) to out; the sign is the caller's. A problem when it does not fit.
CCBFitProblem placeDigits(const CCBDecimal& number, const CCBDigitPositions& positions,
                          unsigned char* out);

// The magnitude of the stored digits of the value as an integer, as placeDigits would
// place them into positions with room for more stored digits (up to 20 in all); a
// problem when the value has digits that no stored digit holds, or more than 20.
CCBFitProblem storedMagnitude(const CCBDecimal& number, const CCBDigitPositions& positions,
                              int storedRoom, uint64_t* magnitude);

#endif  // LYRA_FORMAT_CCB_DECIMAL_H_
