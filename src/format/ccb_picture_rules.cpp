// The picture rules of CCBFormat: the symbols of a PICTURE string, counted into the
// format's digit positions, storage length, implied point, scaling positions, sign and
// output length and type.
#include <cstdint>
#include <cstring>

#include "format/ccb_format.h"
#include "format/ccb_stored_numbers.h"
#include "lyra/qvb_datavar.h"
#include "support/np_uchar.h"

namespace {

// Symbols that make a display picture alphanumeric (or edited with insertion characters).
const char ALPHANUMERIC_SYMBOLS[] = "ABGNX/,";
// The symbols of a display picture that holds a plain number, neither edited nor text.
const char NUMBER_SYMBOLS[] = "S9VP";
// Single-character symbols that take one character position each in a display picture.
const char POSITION_SYMBOLS[] = "ABGNXZ/,.90+-*$E";
// The symbols of a numeric-edited picture that hold a digit each, and those of which a
// string holds a digit in each symbol but the first (a floating string: $$$9 holds
// three digits, like ZZ99, and -9 none but its 9).
const char EDITED_DIGIT_SYMBOLS[] = "9Z*";
const char FLOATING_SYMBOLS[] = "$+-";
// Symbols that make a numeric-edited text no plain statement of its value: an
// inserted 0 reads as a digit, E starts an exponent, and S belongs to no edited picture.
const char UNSTATED_EDITED_SYMBOLS[] = "0ES";

inline unsigned char upperCase(char c) {
  return np_uchar_asupper_table[static_cast<unsigned char>(c)];
}

inline bool isOneOf(unsigned char c, const char* set) {
  return c != 0 && std::strchr(set, c) != nullptr;
}

// Reads the repetition count whose '(' is at text[open]: the decimal number at the start
// of the text before ')', read by a plain conversion that stops at the first non-digit
// (so "05" is 5). Sets *count and *next, the position after ')'. A missing ')' fails
// without a message; a count of 0, no number or a count above MAX_FIELD_LENGTH fails
// with one.
bool readRepetitionCount(const char* text, int length, int open, int* count, int* next,
                         QvbString& error) {
  const void* close = std::memchr(text + open, ')', static_cast<size_t>(length - open));
  if (close == nullptr) return false;
  const char* end = static_cast<const char*>(close);
  int value = 0;
  for (const char* p = text + open + 1; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > MAX_FIELD_LENGTH) break;  // too large already; stops before any overflow
  }
  if (value == 0 || value > MAX_FIELD_LENGTH) {
    error = "Invalid number of repetitions";
    return false;
  }
  *count = value;
  *next = static_cast<int>(end - text) + 1;
  return true;
}

// The value type of a number with that many significant digits (scaling positions
// after the digits included), and with digits after its point or not: integers up to
// 9 digits, reals up to 15, text beyond.
inline int numericOutputType(int64_t digits, bool fractional) {
  if (digits > 15) return 4;
  return digits > 9 || fractional ? 3 : 2;
}

// The digit positions of a numeric-edited picture, counted symbol by symbol, and what
// tells whether its text states its value.
struct EditedDigits {
  int digits = 0;
  int fraction = 0;     // digit positions after the point
  bool point = false;   // '.' or V seen
  bool nine = false;    // a 9: some digit always shows
  bool stated = true;   // no symbol of UNSTATED_EDITED_SYMBOLS
  unsigned floats = 0;  // bit i: FLOATING_SYMBOLS[i] seen
  int digitEnd = 0;     // character positions up to the end of the last digit position
  int firstScale = -1;  // character positions before the first P; -1 for none

  // Counts a symbol of the picture, count times; storage: the positions before it.
  void add(unsigned char symbol, int count, int storage) {
    const char* floating = symbol != 0 ? std::strchr(FLOATING_SYMBOLS, symbol) : nullptr;
    int held = 0;
    if (isOneOf(symbol, EDITED_DIGIT_SYMBOLS)) {
      held = count;
      nine = nine || symbol == '9';
    } else if (floating != nullptr) {
      const unsigned bit = 1u << (floating - FLOATING_SYMBOLS);
      held = (floats & bit) != 0 ? count : count - 1;
      floats |= bit;
    } else if (symbol == '.' || symbol == 'V') {
      point = true;
    } else if (symbol == 'P') {
      if (firstScale < 0) firstScale = storage;
    } else if (isOneOf(symbol, UNSTATED_EDITED_SYMBOLS)) {
      stated = false;
    }
    if (held == 0) return;
    digits += held;
    if (point) fraction += held;
    digitEnd = storage + count;
  }

  // Whether the text of a picture of storage positions and scaling positions scale
  // states its value. The text gets the zeros of trailing scaling positions after all
  // its characters and the point and zeros of leading ones before them, so scaling
  // reads right only where trailing positions end a picture without a point right
  // after a digit position.
  bool statesValue(int storage, int scale) const {
    if (!stated || digits == 0) return false;
    return scale == 0 || (scale > 0 && !point && firstScale == storage && digitEnd == storage);
  }
};

}  // namespace

bool CCBFormat::addDigits(int count, QvbString& error) {
  if (count > MAX_FIELD_LENGTH - digitCount_) {
    setExceedsError(error);
    return false;
  }
  digitCount_ += count;
  return true;
}

bool CCBFormat::addStorage(int count, QvbString& error) {
  if (count > MAX_FIELD_LENGTH - storageLength_) {
    setExceedsError(error);
    return false;
  }
  storageLength_ += count;
  return true;
}

// Counts count scaling positions P: leading ones (before any digit) lower scaleCount,
// trailing ones raise it. A picture cannot have both.
bool CCBFormat::addScale(bool trailing, int count, QvbString& error) {
  if (trailing && scaleCount_ < 0) {
    error = "Can't have both leading and trailing zeros";
    return false;
  }
  const int scale = scaleCount_ < 0 ? -scaleCount_ : scaleCount_;
  if (count > MAX_FIELD_LENGTH - scale) {
    setExceedsError(error);
    return false;
  }
  scaleCount_ += trailing ? count : -count;
  return true;
}

// Notes V at position; a second V is refused (without a message).
bool CCBFormat::setDecimalPosition(int position) {
  if (decimalPosition_ != -1) return false;
  decimalPosition_ = position;
  return true;
}

bool CCBFormat::parseNumericPicture(const QvbString& picture, CCBFormat* format, QvbString& error) {
  const char* text = picture.asCstr();
  const int length = picture.length();
  int pos = 0;
  if (length > 0 && upperCase(text[0]) == 'S') {
    format->flags_ |= SIGNED;
    pos = 1;
  }
  if (pos >= length) {
    error = "Insufficient information in picture";
    return false;
  }
  while (pos < length) {
    const unsigned char symbol = upperCase(text[pos]);
    int count = 1;
    int next = pos + 1;
    const bool counted = next < length && text[next] == '(';
    if (counted && !readRepetitionCount(text, length, next, &count, &next, error)) return false;
    bool ok;
    if (symbol == 'P') {
      ok = format->addScale(format->digitCount_ > 0, count, error);
    } else if (counted || symbol == '9') {
      ok = format->addDigits(count, error);  // any symbol with a count stands for digits
    } else if (symbol == 'V') {
      ok = format->setDecimalPosition(format->digitCount_);
    } else {
      error = qvbStringFormat("Unrecognized character '%c' found", text[pos]);
      ok = false;
    }
    if (!ok) return false;
    pos = next;
  }
  return format->finishNumericPicture(error);
}

// Storage, output length, fraction digits and output type of a binary or packed picture.
bool CCBFormat::finishNumericPicture(QvbString& error) {
  if (usage_ == USAGE_PACKED) {
    storageLength_ = digitCount_ / 2 + 1;
  } else {
    storageLength_ = digitCount_ <= 4 ? 2 : (digitCount_ <= 9 ? 4 : 8);
  }
  const int scale = scaleCount_ < 0 ? -scaleCount_ : scaleCount_;
  const int64_t output = int64_t{digitCount_} + 2 + scale + (scaleCount_ < 0 ? 1 : 0);
  if (output > MAX_FIELD_LENGTH) {
    setExceedsError(error);
    return false;
  }
  outputLength_ = static_cast<int>(output);
  if (decimalPosition_ != -1) fractionDigits_ = digitCount_ - decimalPosition_;
  outputType_ = numericOutputType(int64_t{digitCount_} + (scaleCount_ > 0 ? scaleCount_ : 0),
                                  decimalPosition_ != -1 || scaleCount_ < 0);
  return true;
}

bool CCBFormat::parseDisplayPicture(const QvbString& picture, CCBFormat* format, QvbString& error) {
  const char* text = picture.asCstr();
  const int length = picture.length();
  bool allNumeric = true;
  bool integer = true;
  bool nineSeen = false;
  bool numberOnly = true;  // S, 9, V and P alone
  EditedDigits edited;
  int pos = 0;
  while (pos < length) {
    const unsigned char symbol = upperCase(text[pos]);
    const unsigned char second = pos + 1 < length ? upperCase(text[pos + 1]) : 0;
    const bool twoPositions = (symbol == 'C' && second == 'R') || (symbol == 'D' && second == 'B');
    if (symbol == '(' || symbol == ')') {
      error = "Unexpected parentheses found";
      return false;
    }
    int count = 1;
    int next = pos + (twoPositions ? 2 : 1);
    if (next < length && text[next] == '(' &&
        !readRepetitionCount(text, length, next, &count, &next, error)) {
      return false;
    }
    if (isOneOf(symbol, ALPHANUMERIC_SYMBOLS)) allNumeric = integer = false;
    if (symbol == '.') integer = false;
    if (symbol == '9') nineSeen = true;
    if (!isOneOf(symbol, NUMBER_SYMBOLS)) numberOnly = false;
    if (symbol == 'S') format->flags_ |= SIGNED;
    edited.add(symbol, count, format->storageLength_);
    bool ok = true;
    if (twoPositions) {
      ok = format->addStorage(count, error) && format->addStorage(1, error);
    } else if (isOneOf(symbol, POSITION_SYMBOLS) ||
               (symbol == 'S' && (format->flags_ & SIGN_SEPARATE) != 0)) {
      ok = format->addStorage(count, error);
    } else if (symbol == 'P') {
      ok = format->addScale(nineSeen, count, error);
    } else if (symbol == 'V') {
      ok = format->setDecimalPosition(format->storageLength_);
    } else if (symbol != 'S') {  // an embedded sign S takes no position
      error = qvbStringFormat("Unrecognized character '%c' found", text[pos]);
      ok = false;
    }
    if (!ok) return false;
    pos = next;
  }
  format->plainNumber_ = numberOnly && nineSeen;
  if (!format->finishDisplayPicture(allNumeric, integer, error)) return false;
  const int type = format->outputType_;
  if (!numberOnly && (type == QVB_TYPE_INTEGER || type == QVB_TYPE_REAL) &&
      edited.statesValue(format->storageLength_, format->scaleCount_)) {
    format->setEditedNumber(edited.digits + format->scaleCount_, edited.fraction, !edited.nine);
  }
  return true;
}

// Output length and output type of a display picture. A numeric picture is typed
// like a binary or packed one of as many digit positions: V, a leading P or an
// inserted point make it real, and long ones real or text.
bool CCBFormat::finishDisplayPicture(bool allNumeric, bool integer, QvbString& error) {
  const int scale = scaleCount_ < 0 ? -scaleCount_ : scaleCount_;
  const bool embeddedSign = (flags_ & SIGNED) != 0 && (flags_ & SIGN_SEPARATE) == 0;
  const bool separateSign = (flags_ & SIGNED) != 0 && !embeddedSign;
  const int64_t digits =
      int64_t{storageLength_} - (separateSign ? 1 : 0) + (scaleCount_ > 0 ? scaleCount_ : 0);
  outputType_ = !allNumeric ? 4
                            : numericOutputType(
                                  digits, !integer || decimalPosition_ != -1 || scaleCount_ < 0);
  const int64_t output = int64_t{storageLength_} + scale + (scaleCount_ < 0 ? 1 : 0) +
                         (decimalPosition_ != -1 ? 1 : 0) + (embeddedSign ? 1 : 0);
  if (output > MAX_FIELD_LENGTH) {
    setExceedsError(error);
    return false;
  }
  outputLength_ = static_cast<int>(output);
  return true;
}

void CCBFormat::setEditedNumber(int digits, int fraction, bool zeroWithoutDigits) {
  editedDigits_ = digits;
  editedFraction_ = fraction;
  editedZeroWithoutDigits_ = zeroWithoutDigits;
}
