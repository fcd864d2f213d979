#include "format/ccb_field_encoder.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "format/ccb_float.h"
#include "format/ccb_float_encoder.h"
#include "format/ccb_format.h"
#include "format/ccb_number_text.h"
#include "lyra/ccb_read_options.h"

namespace {

// Room for the digits and the characters of an edited item.
const int MAX_EDITED = CCBNumericEditor::MAX_LENGTH;
// Room on the stack for the digits of a packed item; longer ones take the heap.
const int PACKED_STACK_DIGITS = 64;
// Room for the text of an integer or of the shortest text of a double.
const int NUMBER_TEXT_ROOM = 32;
const int MAX_BINARY_BYTES = 8;

const unsigned char EBCDIC_PLUS_ZONE = 0xC0;
const unsigned char EBCDIC_MINUS_ZONE = 0xD0;
const unsigned char ASCII_MINUS_ZONE = 0x70;  // 'p' to 'y'

// The overpunch letters of ASCII embedded signs: +0 to +9, then -0 to -9.
const char OVERPUNCH_PLUS[] = "{ABCDEFGHI";
const char OVERPUNCH_MINUS[] = "}JKLMNOPQR";

void writeBinary(uint64_t bits, int size, bool littleEndian, unsigned char* out) {
  for (int i = 0; i < size; ++i) {
    const int shift = 8 * (littleEndian ? i : size - 1 - i);
    out[i] = static_cast<unsigned char>(bits >> shift);
  }
}

// The most a binary item of size bytes holds: its magnitude when negative, else its value.
uint64_t binaryLimit(int size, bool isSigned, bool negative) {
  const int bits = 8 * size - (isSigned ? 1 : 0);
  const uint64_t top = bits >= 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1;
  return isSigned && negative ? top + 1 : top;
}

// The length of the text without the blanks that end it.
int trimmedLength(const char* text, int length) {
  while (length > 0 && text[length - 1] == ' ') --length;
  return length;
}

bool holdsDigit(const char* text, int length) {
  for (int i = 0; i < length; ++i) {
    if (text[i] >= '0' && text[i] <= '9') return true;
  }
  return false;
}

std::string codePoint(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

void CCBFieldEncoder::init(const CCBFormat* format, const char* picture, int pictureLength) {
  storage_ = format->storageLength();
  usage_ = format->usage();
  const unsigned flags = format->signFlags();
  signed_ = (flags & SIGNED) != 0;
  leading_ = (flags & SIGN_LEADING) != 0;
  separate_ = (flags & SIGN_SEPARATE) != 0;
  native_ = format->isNative();
  floatFormat_ = format->floatFormat();
  const CCBNumberShape shape = format->numberShape();
  positions_.digits = shape.digits;
  positions_.fraction = shape.fraction;
  positions_.scale = format->scaleCount();
  if (format->isNational()) {
    kind_ = KIND_NATIONAL;
  } else if (format->isDoubleByte()) {
    kind_ = KIND_DOUBLE_BYTE;
  } else if (usage_ == USAGE_FLOAT_SHORT || usage_ == USAGE_FLOAT_LONG) {
    kind_ = KIND_FLOAT;
  } else if (usage_ == USAGE_PACKED) {
    kind_ = KIND_PACKED;
  } else if (usage_ == USAGE_BINARY) {
    kind_ = storage_ <= MAX_BINARY_BYTES ? KIND_BINARY : KIND_NONE;
  } else if (usage_ != USAGE_DISPLAY) {
    kind_ = KIND_NONE;
  } else if (format->isPlainNumber()) {
    kind_ = KIND_ZONED;
  } else if (editor_.init(picture, pictureLength) && editor_.length() == storage_) {
    kind_ = KIND_EDITED;
    signed_ = editor_.hasSign();
    positions_ = CCBDigitPositions();
    positions_.digits = editor_.integerDigits() + editor_.fractionDigits();
    positions_.fraction = editor_.fractionDigits();
  } else {
    kind_ = KIND_TEXT;
  }
}

bool CCBFieldEncoder::encodeText(const char* text, int length, const CCBEncoding& encoding,
                                 unsigned char* out, CCBEncodeFault* fault) const {
  switch (kind_) {
    case KIND_TEXT:
    case KIND_NATIONAL:
    case KIND_DOUBLE_BYTE:
      return encodeCharacters(text, length, encoding, out, fault);
    case KIND_FLOAT:
      switch (encodeFloatText(text, length, storage_, floatFormat_, out)) {
        case FLOAT_WRITTEN:
          return true;
        case FLOAT_NOT_NUMBER:
          fault->problem = ENCODE_NOT_NUMBER;
          return false;
        default:
          fault->problem = ENCODE_FLOAT_RANGE;
          return false;
      }
    case KIND_EDITED:
      return encodeEdited(text, length, encoding, out, fault);
    case KIND_NONE:
      fault->problem = ENCODE_NO_VALUES;
      return false;
    default:
      break;
  }
  CCBDecimal number;
  if (!parseDecimal(text, length, &number)) {
    fault->problem = ENCODE_NOT_NUMBER;
    return false;
  }
  return encodeNumber(number, encoding, out, fault);
}

bool CCBFieldEncoder::encodeInteger(int64_t value, const CCBEncoding& encoding, unsigned char* out,
                                    CCBEncodeFault* fault) const {
  if (kind_ == KIND_FLOAT) return encodeDouble(static_cast<double>(value), encoding, out, fault);
  char text[NUMBER_TEXT_ROOM];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  return encodeText(text, static_cast<int>(result.ptr - text), encoding, out, fault);
}

bool CCBFieldEncoder::encodeUnsigned(uint64_t value, const CCBEncoding& encoding,
                                     unsigned char* out, CCBEncodeFault* fault) const {
  if (kind_ == KIND_FLOAT) return encodeDouble(static_cast<double>(value), encoding, out, fault);
  char text[NUMBER_TEXT_ROOM];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  return encodeText(text, static_cast<int>(result.ptr - text), encoding, out, fault);
}

// A fixed-point item takes the shortest text that reads back to the double: 0.1 is
// 0.1, not the binary fraction nearest it.
bool CCBFieldEncoder::encodeDouble(double value, const CCBEncoding& encoding, unsigned char* out,
                                   CCBEncodeFault* fault) const {
  if (kind_ == KIND_FLOAT) {
    switch (encodeFloatValue(value, storage_, floatFormat_, out)) {
      case FLOAT_WRITTEN:
        return true;
      case FLOAT_NOT_NUMBER:
        fault->problem = ENCODE_NOT_NUMBER;
        return false;
      default:
        fault->problem = ENCODE_FLOAT_RANGE;
        return false;
    }
  }
  char text[NUMBER_TEXT_ROOM];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  if (result.ec != std::errc()) {
    fault->problem = ENCODE_NOT_NUMBER;
    return false;
  }
  return encodeText(text, static_cast<int>(result.ptr - text), encoding, out, fault);
}

void CCBFieldEncoder::encodeDefault(const CCBEncoding& encoding, unsigned char* out) const {
  CCBEncodeFault fault;
  switch (kind_) {
    case KIND_ZONED:
    case KIND_PACKED:
    case KIND_BINARY:
    case KIND_EDITED:
      if (encodeText("0", 1, encoding, out, &fault)) return;
      break;
    case KIND_FLOAT:
      std::memset(out, 0, static_cast<size_t>(storage_));  // zero in IBM and IEEE formats
      return;
    case KIND_NATIONAL:
      for (int i = 0; i + 1 < storage_; i += 2) {
        out[i] = 0x00;
        out[i + 1] = 0x20;
      }
      return;
    default:
      break;
  }
  std::memset(out, encoding.text.blank(), static_cast<size_t>(storage_));
}

bool CCBFieldEncoder::encodeNumber(const CCBDecimal& number, const CCBEncoding& encoding,
                                   unsigned char* out, CCBEncodeFault* fault) const {
  if (number.negative && !number.zero && !signed_) {
    fault->problem = ENCODE_NEGATIVE;
    return false;
  }
  switch (kind_) {
    case KIND_ZONED:
      return encodeZoned(number, encoding, out, fault);
    case KIND_PACKED:
      return encodePacked(number, out, fault);
    case KIND_BINARY:
      return encodeBinary(number, encoding, out, fault);
    default:
      return editNumber(number, encoding, out, fault);
  }
}

// Places the value's digits into the positions; false with the fault when it does not fit.
bool CCBFieldEncoder::fits(const CCBDecimal& number, CCBDigitPositions positions,
                           unsigned char* digits, CCBEncodeFault* fault) const {
  switch (placeDigits(number, positions, digits)) {
    case FIT_OK:
      return true;
    case FIT_INTEGER_DIGITS:
      fault->problem = ENCODE_INTEGER_DIGITS;
      fault->digits = integerDigitsOf(number);
      return false;
    case FIT_FRACTION_DIGITS:
      fault->problem = ENCODE_FRACTION_DIGITS;
      fault->digits = fractionDigitsOf(number);
      return false;
    default:
      fault->problem = ENCODE_SCALE;
      return false;
  }
}

// The byte of an embedded sign over a digit.
unsigned char CCBFieldEncoder::embeddedSign(int digit, bool negative,
                                            const CCBEncoding& encoding) const {
  if (encoding.text.ebcdic()) {
    return static_cast<unsigned char>((negative ? EBCDIC_MINUS_ZONE : EBCDIC_PLUS_ZONE) | digit);
  }
  if (encoding.overpunch) {
    return static_cast<unsigned char>((negative ? OVERPUNCH_MINUS : OVERPUNCH_PLUS)[digit]);
  }
  return negative ? static_cast<unsigned char>(ASCII_MINUS_ZONE | digit)
                  : encoding.text.ascii(static_cast<char>('0' + digit));
}

// The digits straight into the bytes, then the sign: an embedded one over the first or
// last digit, or a byte of its own.
bool CCBFieldEncoder::encodeZoned(const CCBDecimal& number, const CCBEncoding& encoding,
                                  unsigned char* out, CCBEncodeFault* fault) const {
  const bool separate = signed_ && separate_;
  unsigned char* digits = separate && leading_ ? out + 1 : out;
  if (!fits(number, positions_, digits, fault)) return false;
  const int count = positions_.stored();
  const unsigned char zero = encoding.text.ascii('0');
  for (int i = 0; i < count; ++i) digits[i] = static_cast<unsigned char>(zero + digits[i]);
  if (!signed_) return true;
  const bool negative = number.negative;
  if (separate) {
    out[leading_ ? 0 : storage_ - 1] = encoding.text.ascii(negative ? '-' : '+');
    return true;
  }
  if (storage_ == 0) return true;
  unsigned char& sign = out[leading_ ? 0 : storage_ - 1];
  sign = embeddedSign(sign - zero, negative, encoding);
  return true;
}

// Two digits a byte, right-aligned before the sign nibble; an even digit count leaves
// the first nibble 0.
bool CCBFieldEncoder::encodePacked(const CCBDecimal& number, unsigned char* out,
                                   CCBEncodeFault* fault) const {
  const int count = positions_.stored();
  if (count > PACKED_STACK_DIGITS) {
    std::vector<unsigned char> digits(static_cast<size_t>(count));
    return fits(number, positions_, digits.data(), fault) && packDigits(digits.data(), number, out);
  }
  unsigned char digits[PACKED_STACK_DIGITS];
  return fits(number, positions_, digits, fault) && packDigits(digits, number, out);
}

bool CCBFieldEncoder::packDigits(const unsigned char* digits, const CCBDecimal& number,
                                 unsigned char* out) const {
  const int count = positions_.stored();
  const unsigned sign = !signed_ ? 0x0F : (number.negative ? 0x0D : 0x0C);
  // The digits and the sign as nibbles from the end: the last byte holds the last digit
  // and the sign, each byte before it two digits, the first a 0 before an even count.
  int i = count - 1;
  out[storage_ - 1] = static_cast<unsigned char>((i >= 0 ? digits[i] << 4 : 0) | sign);
  --i;
  for (int b = storage_ - 2; b >= 0; --b, i -= 2) {
    const unsigned low = i >= 0 ? digits[i] : 0;
    const unsigned high = i >= 1 ? digits[i - 1] : 0;
    out[b] = static_cast<unsigned char>(high << 4 | low);
  }
  return true;
}

// The stored digits as one integer, in two's complement when negative. With the full
// range, any value the bytes hold; otherwise as many digits as the picture has.
bool CCBFieldEncoder::encodeBinary(const CCBDecimal& number, const CCBEncoding& encoding,
                                   unsigned char* out, CCBEncodeFault* fault) const {
  // COMP-5 holds any value of its bytes, as compilers store it whatever their truncation.
  const bool fullRange = (encoding.binaryFullRange || native_) && positions_.scale >= 0;
  const int room = fullRange ? MAX_BINARY_BYTES * 3 : positions_.stored();
  uint64_t magnitude = 0;
  switch (storedMagnitude(number, positions_, room, &magnitude)) {
    case FIT_OK:
      break;
    case FIT_INTEGER_DIGITS:
      fault->problem = fullRange ? ENCODE_BINARY_RANGE : ENCODE_INTEGER_DIGITS;
      fault->digits = integerDigitsOf(number);
      return false;
    case FIT_FRACTION_DIGITS:
      fault->problem = ENCODE_FRACTION_DIGITS;
      fault->digits = fractionDigitsOf(number);
      return false;
    default:
      fault->problem = ENCODE_SCALE;
      return false;
  }
  const bool negative = number.negative && magnitude != 0;
  if (fullRange && magnitude > binaryLimit(storage_, signed_, negative)) {
    fault->problem = ENCODE_BINARY_RANGE;
    return false;
  }
  const bool little = encoding.binaryLittleEndian || (native_ && encoding.comp5LittleEndian);
  writeBinary(negative ? ~magnitude + 1 : magnitude, storage_, little, out);
  return true;
}

// An edited text that edits back to itself is written as it is; any other text must
// be a plain number, which is edited.
bool CCBFieldEncoder::encodeEdited(const char* text, int length, const CCBEncoding& encoding,
                                   unsigned char* out, CCBEncodeFault* fault) const {
  unsigned char digits[MAX_EDITED];
  char edited[MAX_EDITED];
  bool negative = false;
  // The decoded text of an implied point shows a '.' there, which the bytes do not hold.
  const int point = editor_.impliedPoint();
  char shown[MAX_EDITED + 1];
  const char* read = text;
  int readLength = length;
  if (point >= 0 && length > point && text[point] == '.' && length <= MAX_EDITED + 1) {
    std::memcpy(shown, text, static_cast<size_t>(point));
    std::memcpy(shown + point, text + point + 1, static_cast<size_t>(length - point - 1));
    read = shown;
    readLength = length - 1;
  }
  editor_.read(read, readLength, digits, &negative);
  editor_.edit(digits, negative, edited);
  const int given = trimmedLength(read, readLength);
  if (given == trimmedLength(edited, storage_) && std::memcmp(read, edited, given) == 0) {
    for (int i = 0; i < storage_; ++i) out[i] = encoding.text.ascii(edited[i]);
    return true;
  }
  CCBDecimal number;
  if (parseDecimal(text, length, &number)) return encodeNumber(number, encoding, out, fault);
  // An edited text of another value or picture: what its value edits to tells why.
  CCBFixedPointText stated;
  char canonical[MAX_EDITED + 3];
  fault->problem = ENCODE_NOT_NUMBER;
  if (!holdsDigit(text, length) || length > MAX_EDITED ||
      !scanEditedNumber(text, length, -1, &stated) ||
      !parseDecimal(canonical, writeCanonical(stated, canonical), &number) ||
      !fits(number, positions_, digits, fault)) {
    return false;  // no number, or one the picture does not hold
  }
  editor_.edit(digits, number.negative, edited);
  fault->problem = ENCODE_NOT_EDITED;
  fault->edited.assign(edited, static_cast<size_t>(storage_));
  return false;
}

bool CCBFieldEncoder::editNumber(const CCBDecimal& number, const CCBEncoding& encoding,
                                 unsigned char* out, CCBEncodeFault* fault) const {
  unsigned char digits[MAX_EDITED];
  char edited[MAX_EDITED];
  if (!fits(number, positions_, digits, fault)) return false;
  editor_.edit(digits, number.negative, edited);
  for (int i = 0; i < storage_; ++i) out[i] = encoding.text.ascii(edited[i]);
  return true;
}

bool CCBFieldEncoder::encodeCharacters(const char* text, int length, const CCBEncoding& encoding,
                                       unsigned char* out, CCBEncodeFault* fault) const {
  const bool national = kind_ == KIND_NATIONAL;
  const CCBTextEncoder& encoder = encoding.text;
  int written = 0;
  if (national) {
    written = encoder.encodeUtf16(text, length, out, storage_, &fault->text);
  } else if (kind_ == KIND_DOUBLE_BYTE) {
    written = encoder.encodeDoubleByte(text, length, out, storage_, &fault->text);
  } else {
    written = encoder.encode(text, length, out, storage_, &fault->text);
  }
  if (written < 0) {
    fault->problem = ENCODE_TEXT;
    return false;
  }
  if (!national) {  // the double-byte blank is two single-byte ones
    std::memset(out + written, encoding.text.blank(), static_cast<size_t>(storage_ - written));
    return true;
  }
  for (int i = written; i + 1 < storage_; i += 2) {
    out[i] = 0x00;
    out[i + 1] = 0x20;
  }
  return true;
}

std::string CCBFieldEncoder::reason(const CCBEncodeFault& fault,
                                    const CCBEncoding& encoding) const {
  const int integer = positions_.digits - positions_.fraction;
  switch (fault.problem) {
    case ENCODE_NOT_NUMBER:
      return "is not a number";
    case ENCODE_INTEGER_DIGITS:
      return "has " + std::to_string(fault.digits) + " integer digits, more than the " +
             std::to_string(integer) + " its picture holds";
    case ENCODE_FRACTION_DIGITS:
      return "has " + std::to_string(fault.digits) + " digits after the point, more than the " +
             std::to_string(positions_.fraction) + " its picture holds";
    case ENCODE_SCALE:
      return "has digits where the scaling positions (P) of its picture hold none";
    case ENCODE_NEGATIVE:
      return "is negative, but its picture has no sign";
    case ENCODE_BINARY_RANGE:
      return "is out of the range of its " + std::to_string(storage_) + "-byte binary item";
    case ENCODE_FLOAT_RANGE:
      return std::string("is out of the range of a ") + (storage_ == 4 ? "4" : "8") + "-byte " +
             (floatFormat_ == FLOAT_IBM ? "IBM" : "IEEE") + " float";
    case ENCODE_NOT_EDITED:
      return "does not edit back to itself: its value edits to '" + fault.edited + "'";
    case ENCODE_NO_VALUES:
      return usage_ == USAGE_DISPLAY_1
                 ? "is given for a DISPLAY-1 item, which takes no values"
                 : "is given for a NATIONAL item, which takes values only with national_utf16";
    case ENCODE_TEXT:
      break;
    default:
      return "cannot be written";
  }
  switch (fault.text.problem) {
    case TEXT_TOO_LONG:
      return "takes " + std::to_string(fault.text.needed) + " bytes, more than the " +
             std::to_string(storage_) + " of its field";
    case TEXT_UNENCODABLE: {
      const char* page = ccbCodePageName(encoding.text.ccsid());
      return "holds " + codePoint(fault.text.codePoint) + ", which code page " + page +
             " has no byte for";
    }
    case TEXT_SINGLE_BYTE: {
      const char* page = ccbCodePageName(encoding.text.ccsid());
      return "holds " + codePoint(fault.text.codePoint) + ", which code page " + page +
             " has only as a single byte: a double-byte item takes double-byte characters";
    }
    case TEXT_NO_DOUBLE_BYTE:
      return "is given for a double-byte item, which takes values only in a mixed code page";
    default:
      return "is not valid UTF-8";
  }
}
