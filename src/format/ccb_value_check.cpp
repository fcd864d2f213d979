// CCBFormat::checkValue: whether a field's decoded value is one its picture and usage
// allow. Most rules read the text the decoders wrote, so that a value is judged as
// lyra reads it (in the code page of the input); the rules that the text cannot tell
// (a binary value beyond the picture, a packed pad nibble, the precision of an IBM
// float) read the bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "format/ccb_float.h"
#include "format/ccb_format.h"
#include "format/ccb_number_text.h"
#include "format/ccb_stored_numbers.h"
#include "format/ccb_value_check.h"
#include "support/np_code_pages.h"

namespace {

const char ERROR_TEXT[] = "#ERR#";
const int ERROR_TEXT_LENGTH = sizeof ERROR_TEXT - 1;

// Floats of a magnitude outside these bounds are unusual, zero aside.
const double SMALLEST_USUAL_FLOAT = 1e-30;
const double LARGEST_USUAL_FLOAT = 1e30;
// The significant digits of the longest decimal that a float of 4 or 8 bytes holds
// apart from its neighbours: a decimal of at most so many digits reads back to the
// float it became, while a value no decimal gave needs more.
const int SHORT_DECIMAL_DIGITS_4 = 7;
const int SHORT_DECIMAL_DIGITS_8 = 15;
const int IBM_FRACTION_BITS_PER_BYTE = 8;

// A binary value of a picture of n digits is below 10^n (POWERS_OF_TEN), for n up to 18,
// whose limit a signed 64-bit value holds.
const int MAX_LIMITED_DIGITS = 18;

bool isErrorText(const char* text, int length) {
  return length == ERROR_TEXT_LENGTH && std::memcmp(text, ERROR_TEXT, ERROR_TEXT_LENGTH) == 0;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether the text holds only characters a code page prints: no C0 or C1 control
// character, no DEL, and, in UTF-8, no U+FFFD (which stands for a byte the page has no
// character for, or for ill-formed UTF-8). A zero byte is low-value padding, which
// the zero-byte rule keep leaves in the text.
bool printableText(const char* text, int length, bool utf8) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const end = p + length;
  for (; p < end; ++p) {
    const unsigned char c = *p;
    if (c < 0x80) {
      if ((c < 0x20 && c != 0) || c == 0x7F) return false;
    } else if (!utf8) {
      if (c < 0xA0) return false;  // C1 controls of ISO-8859-1
    } else if (c == 0xC2 && end - p > 1 && p[1] < 0xA0) {
      return false;  // U+0080 to U+009F
    } else if (c == 0xEF && end - p > 2 && p[1] == 0xBF && p[2] == 0xBD) {
      return false;  // U+FFFD
    }
  }
  return true;
}

// A display number's text as decodeDisplay writes it: the sign first where the picture
// has S ('-' or a blank for an embedded sign, the sign byte itself for a separate one),
// then digits with at most one point among them.
CCBValueFault zonedTextFault(const char* text, int length, bool isSigned, bool separate) {
  const char* p = text;
  const char* const end = text + length;
  if (isSigned) {
    const bool sign = p < end && (*p == '-' || *p == '+' || (*p == ' ' && !separate));
    if (!sign) return separate ? VALUE_BAD_SIGN : VALUE_BAD_ZONED;
    ++p;
  }
  bool digit = false;
  bool point = false;
  for (; p < end; ++p) {
    if (isDigit(*p)) {
      digit = true;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      return VALUE_BAD_ZONED;
    }
  }
  return digit ? VALUE_CLEAN : VALUE_BAD_ZONED;
}

// The digits of a float text from its first significant digit to its last, the
// exponent left out: 1 for "1e-20", 6 for "-118.625".
int significantDigits(const char* text, int length) {
  int first = -1, last = -1, count = 0;
  for (int i = 0; i < length && text[i] != 'e' && text[i] != 'E'; ++i) {
    if (!isDigit(text[i])) continue;
    if (text[i] != '0') {
      if (first < 0) first = count;
      last = count;
    }
    ++count;
  }
  return first < 0 ? 0 : last - first + 1;
}

// Whether the IBM float of size bytes, whose value is value, is what a decimal of at
// most digits significant digits becomes: the decimal lies within half a unit of the
// fraction's last place (or of a double's, where the double is coarser). A nonzero
// fraction whose first hexadecimal digit is 0 is no normalised float, which programs
// write: never short.
bool ibmShortDecimal(const unsigned char* bytes, int size, double value, int digits) {
  if ((bytes[1] >> 4) == 0) return false;
  const int exponent = (bytes[0] & 0x7F) - 64;
  const int fractionBits = IBM_FRACTION_BITS_PER_BYTE * (size - 1);
  const double unit = std::ldexp(1.0, 4 * exponent - fractionBits);
  char text[32];
  std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
  const double decimal = std::strtod(text, nullptr);
  const double doubleUnit = std::fabs(value) * std::ldexp(1.0, -52);
  return std::fabs(value - decimal) <= std::fmax(unit / 2, doubleUnit);
}

// The bytes of a text of the page are all printable (or zero).
bool printableBytes(const unsigned char* bytes, int length, const CCBByteClasses& classes) {
  for (int i = 0; i < length; ++i) {
    if ((classes.classes[bytes[i]] & BYTE_PRINTABLE) == 0) return false;
  }
  return true;
}

unsigned char classOf(uint32_t codePoint) {
  const bool control = (codePoint < 0x20 && codePoint != 0) ||
                       (codePoint >= 0x7F && codePoint < 0xA0) || codePoint == 0xFFFD;
  unsigned char classes = control ? 0 : BYTE_PRINTABLE;
  if (codePoint >= '0' && codePoint <= '9') classes |= BYTE_DIGIT;
  if (codePoint == '+' || codePoint == '-') classes |= BYTE_SIGN;
  return classes;
}

}  // namespace

void classifyBytes(int ccsid, CCBByteClasses* classes) {
  const NpCodePage* page = npCodePageFind(ccsid);
  classes->singleByte = page != nullptr;
  for (int byte = 0; byte < 256; ++byte) {
    const bool known = page != nullptr || byte < 0x80;  // UTF-8: its ASCII bytes
    classes->classes[byte] = known ? classOf(page != nullptr ? page->toUnicode[byte] : byte) : 0;
  }
}

bool CCBFormat::checkBytes(const unsigned char* bytes, const CCBDecoding& decoding,
                           const CCBByteClasses& classes, CCBValueFault* fault) const {
  switch (usage_) {
    case USAGE_BINARY:
      if (storageLength_ > MAX_BINARY_BYTES) return false;  // "#ERR#"
      *fault = binaryFault(bytes, decoding);
      return true;
    case USAGE_PACKED:
      *fault = packedFault(bytes);
      return true;
    case USAGE_DISPLAY:
      // Edited numbers are read from their text.
      if (national_ ||
          !(plainNumber_ || (plainText_ && classes.singleByte && editedDigits_ == 0))) {
        return false;
      }
      if (plainNumber_) {
        *fault = zonedFault(bytes, decoding.codec.ebcdic(), classes);
      } else {
        *fault = printableBytes(bytes, storageLength_, classes) ? VALUE_CLEAN : VALUE_BAD_TEXT;
      }
      return true;
    default:
      return false;
  }
}

// Every nibble a digit but the last, which is a sign (A to F); an even digit count
// leaves the first nibble unused, 0.
CCBValueFault CCBFormat::packedFault(const unsigned char* bytes) const {
  const int last = storageLength_ - 1;
  if (last < 0) return VALUE_BAD_PACKED;
  const bool pad = digitCount_ % 2 == 0;
  if ((bytes[last] & 0x0F) <= 9 || (bytes[last] >> 4) > 9 || (pad && (bytes[0] >> 4) != 0)) {
    return VALUE_BAD_PACKED;
  }
  for (int i = 0; i < last; ++i) {
    if (PACKED_PAIRS[bytes[i]] == PACKED_BAD) return VALUE_BAD_PACKED;
  }
  return VALUE_CLEAN;
}

// Every byte a digit of the page but the sign's: a separate sign byte '+' or '-', an
// embedded sign a signed digit as the decoders read it.
CCBValueFault CCBFormat::zonedFault(const unsigned char* bytes, bool ebcdic,
                                    const CCBByteClasses& classes) const {
  const bool isSigned = (flags_ & SIGNED) != 0;
  const bool separate = isSigned && (flags_ & SIGN_SEPARATE) != 0;
  const int signAt = !isSigned ? -1 : (flags_ & SIGN_LEADING) != 0 ? 0 : storageLength_ - 1;
  if (storageLength_ == 0) return VALUE_BAD_ZONED;
  for (int i = 0; i < storageLength_; ++i) {
    if (i == signAt && separate) {
      if ((classes.classes[bytes[i]] & BYTE_SIGN) == 0) return VALUE_BAD_SIGN;
      continue;
    }
    int digit = 0;
    bool negative = false;
    const bool valid = i == signAt ? readZonedDigit(bytes[i], ebcdic, &digit, &negative)
                                   : (classes.classes[bytes[i]] & BYTE_DIGIT) != 0;
    if (!valid) return VALUE_BAD_ZONED;
  }
  return VALUE_CLEAN;
}

CCBValueFault CCBFormat::checkValue(const char* text, int length, const unsigned char* bytes,
                                    const CCBDecoding& decoding) const {
  if (canFailAsText() && isErrorText(text, length)) {
    if (usage_ == USAGE_PACKED) return VALUE_BAD_PACKED;
    return isFloatUsage(usage_) ? VALUE_BAD_FLOAT : VALUE_BAD_UNDECODED;
  }
  const bool utf8 = decoding.codec.utf8Result();
  switch (usage_) {
    case USAGE_BINARY:
      return bytes != nullptr ? binaryFault(bytes, decoding) : VALUE_CLEAN;
    case USAGE_PACKED:
      // An even digit count leaves the first nibble unused: anything there but 0 is a
      // value beyond the picture.
      return bytes != nullptr && digitCount_ % 2 == 0 && (bytes[0] >> 4) != 0 ? VALUE_BAD_PACKED
                                                                              : VALUE_CLEAN;
    case USAGE_FLOAT_SHORT:
    case USAGE_FLOAT_LONG:
      return floatFault(text, length, bytes);
    case USAGE_DISPLAY:
      if (!national_) return displayFault(text, length, bytes, utf8);
      break;
    default:
      break;
  }
  return printableText(text, length, utf8) ? VALUE_CLEAN : VALUE_BAD_TEXT;
}

CCBValueFault CCBFormat::displayFault(const char* text, int length, const unsigned char* bytes,
                                      bool utf8) const {
  if (plainNumber_) {
    // A zero byte may have ended the text or become a blank in it: never a digit.
    if (bytes != nullptr && std::memchr(bytes, 0, static_cast<size_t>(storageLength_))) {
      return VALUE_BAD_ZONED;
    }
    return zonedTextFault(text, length, (flags_ & SIGNED) != 0, (flags_ & SIGN_SEPARATE) != 0);
  }
  if (editedDigits_ > 0) {
    CCBFixedPointText number;
    const int zeroFraction = editedZeroWithoutDigits_ ? editedFraction_ : -1;
    return scanEditedNumber(text, length, zeroFraction, &number) ? VALUE_CLEAN : VALUE_BAD_EDITED;
  }
  return printableText(text, length, utf8) ? VALUE_CLEAN : VALUE_BAD_TEXT;
}

// A binary value beyond the picture's digits is bad, unless the item is native binary,
// which holds the whole range of its storage.
CCBValueFault CCBFormat::binaryFault(const unsigned char* bytes,
                                     const CCBDecoding& decoding) const {
  if (digitCount_ > MAX_LIMITED_DIGITS || storageLength_ > MAX_BINARY_BYTES) return VALUE_CLEAN;
  bool negative = false;
  const bool littleEndian = decoding.binaryLittleEndian || (native_ && decoding.comp5LittleEndian);
  if (readBinary(bytes, littleEndian, &negative) < POWERS_OF_TEN[digitCount_]) return VALUE_CLEAN;
  return native_ ? VALUE_UNUSUAL_BINARY : VALUE_BAD_BINARY;
}

// A float is unusual when it lies outside the usual magnitudes or when no short decimal
// gives it.
CCBValueFault CCBFormat::floatFault(const char* text, int length,
                                    const unsigned char* bytes) const {
  const bool single = floatFormat_ != FLOAT_IBM && storageLength_ == 4;
  double value = 0;
  // The decoders write every finite float as a number; one that does not read back
  // lies at the edge of the range (a subnormal), far from the usual magnitudes.
  if (!parseFloatText(text, length, single, &value)) return VALUE_UNUSUAL_FLOAT;
  if (value == 0) return VALUE_CLEAN;
  const double magnitude = std::fabs(value);
  if (magnitude < SMALLEST_USUAL_FLOAT || magnitude > LARGEST_USUAL_FLOAT) {
    return VALUE_UNUSUAL_FLOAT;
  }
  const int digits = storageLength_ == 4 ? SHORT_DECIMAL_DIGITS_4 : SHORT_DECIMAL_DIGITS_8;
  if (floatFormat_ != FLOAT_IBM) {
    return significantDigits(text, length) <= digits ? VALUE_CLEAN : VALUE_UNUSUAL_FLOAT;
  }
  if (bytes == nullptr) return VALUE_CLEAN;
  return ibmShortDecimal(bytes, storageLength_, value, digits) ? VALUE_CLEAN : VALUE_UNUSUAL_FLOAT;
}
