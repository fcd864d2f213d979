// The text decoders of CCBFormat: each writes a field's text from its bytes into the
// format's text buffer, by its usage.
#include <array>
#include <cstdint>
#include <cstring>

#include "format/ccb_float.h"
#include "format/ccb_format.h"
#include "format/ccb_stored_numbers.h"

namespace {

const char ERROR_TEXT[] = "#ERR#";

// Each byte of packed digits as the two characters of its nibbles ('0' plus each;
// whatever they are for a nibble above 9), then PACKED_BAD when a nibble is no digit:
// one entry gives a pair's text and its check.
constexpr std::array<std::array<unsigned char, 3>, 256> packedChars() {
  std::array<std::array<unsigned char, 3>, 256> chars{};
  for (int b = 0; b < 256; ++b) {
    chars[b][0] = static_cast<unsigned char>('0' + (b >> 4));
    chars[b][1] = static_cast<unsigned char>('0' + (b & 0x0F));
    chars[b][2] = PACKED_PAIRS[b] & PACKED_BAD;
  }
  return chars;
}
constexpr std::array<std::array<unsigned char, 3>, 256> PACKED_CHARS = packedChars();

inline int writeError(char* text) {
  std::memcpy(text, ERROR_TEXT, sizeof ERROR_TEXT);
  return static_cast<int>(sizeof ERROR_TEXT) - 1;
}

// Makes every zero byte from text to end a space.
inline void zerosToSpaces(char* text, const char* end) {
  for (char* zero = text;
       (zero = static_cast<char*>(std::memchr(zero, 0, end - zero))) != nullptr;) {
    *zero++ = ' ';
  }
}

// Copies n display characters: as they stand or decoded by the codec. A zero byte
// stays, or becomes a space, or (the classic rule, for bytes as they stand) ends
// the stretch, which is filled with zero bytes. Returns the end of the copy.
inline char* copyChars(const unsigned char* src, int n, char* dst, const CCBDecoding& decoding) {
  const size_t size = static_cast<size_t>(n);
  char* end = dst + n;
  if (!decoding.codec.passThrough()) {
    end = decoding.codec.decode(src, n, dst);
  } else if (decoding.zeroBytes != CCB_ZERO_BYTES_END) {
    std::memcpy(dst, src, size);
  } else {
    const void* zero = std::memchr(src, 0, size);
    const size_t kept = zero == nullptr ? size : static_cast<const unsigned char*>(zero) - src;
    std::memcpy(dst, src, kept);
    if (kept < size) std::memset(dst + kept, 0, size - kept);
  }
  if (decoding.zeroBytes == CCB_ZERO_BYTES_SPACE) zerosToSpaces(dst, end);
  return end;
}

// Copies the characters from..to of data as copyChars does, with the embedded sign
// byte at signIndex (when inside) written as its digit.
inline char* copyWithDigit(const unsigned char* data, int from, int to, int signIndex,
                           int signDigit, char* out, const CCBDecoding& decoding) {
  if (signIndex < from || signIndex >= to) return copyChars(data + from, to - from, out, decoding);
  out = copyChars(data + from, signIndex - from, out, decoding);
  *out++ = static_cast<char>('0' + signDigit);
  return copyChars(data + signIndex + 1, to - signIndex - 1, out, decoding);
}

inline char* writeZeros(char* out, int n) {
  std::memset(out, '0', static_cast<size_t>(n));
  return out + n;
}

// Leading scaling positions: a point and one zero per position, before the digits.
inline char* writeLeadingScale(char* out, int scaleCount) {
  if (scaleCount >= 0) return out;
  *out++ = '.';
  return writeZeros(out, -scaleCount);
}

// Trailing scaling positions: one zero per position, after the digits.
inline char* writeTrailingScale(char* out, int scaleCount) {
  return scaleCount > 0 ? writeZeros(out, scaleCount) : out;
}

// "00" to "99": the decimal digits of the numbers below 100, two characters each.
const char DIGIT_PAIRS[] =
    "00010203040506070809"   // 0-9
    "10111213141516171819"   // 10-19
    "20212223242526272829"   // 20-29
    "30313233343536373839"   // 30-39
    "40414243444546474849"   // 40-49
    "50515253545556575859"   // 50-59
    "60616263646566676869"   // 60-69
    "70717273747576777879"   // 70-79
    "80818283848586878889"   // 80-89
    "90919293949596979899";  // 90-99

// The count of decimal digits of value, 1 for 0: the bit length gives it or one less.
inline int decimalDigits(uint64_t value) {
  const uint64_t odd = value | 1;  // as many digits, and a bit length of at least 1
  const int estimate = (64 - __builtin_clzll(odd)) * 1233 >> 12;  // 1233 / 4096 ~ log10(2)
  return estimate + (odd >= POWERS_OF_TEN[estimate] ? 1 : 0);
}

// Writes value in decimal, padded on the left with '0' to at least width digits.
inline char* writeDecimal(char* out, uint64_t value, int width) {
  const int count = decimalDigits(value);
  if (width > count) out = writeZeros(out, width - count);
  char* const end = out + count;
  char* at = end;  // written backwards, two digits per division
  while (value >= 100) {
    at -= 2;
    std::memcpy(at, DIGIT_PAIRS + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    std::memcpy(at - 2, DIGIT_PAIRS + 2 * value, 2);
  } else {
    at[-1] = static_cast<char>('0' + value);
  }
  return end;
}

// Moves the characters from at to end one place on and puts '.' at at; returns the
// new end. Up to TEXT_SLACK characters move as one fixed block, which may carry the
// bytes after end along into the text buffer's slack.
inline char* insertPoint(char* at, char* end) {
  if (end - at <= TEXT_SLACK) {
    char moved[TEXT_SLACK];
    std::memcpy(moved, at, sizeof moved);
    std::memcpy(at + 1, moved, sizeof moved);
  } else {
    std::memmove(at + 1, at, static_cast<size_t>(end - at));
  }
  *at = '.';
  return end + 1;
}

// Finishes the digits written from digits to end: drops the first one when it is a
// pad, then inserts '.' before the digit that follows the first point digits (none
// when point is -1 or no digit follows). Returns the new end.
inline char* finishDigits(char* digits, char* end, bool pad, int point) {
  if (pad) {
    std::memmove(digits, digits + 1, static_cast<size_t>(end - digits - 1));
    --end;
  }
  const int count = static_cast<int>(end - digits);
  if (point < 0 || point >= count) return end;
  return insertPoint(digits + point, end);
}

// Writes the characters of count whole pairs at data from out, two a byte, and
// returns the end; ORs PACKED_BAD into *bad at a nibble above 9.
inline char* writePackedPairs(const unsigned char* data, int count, char* out, unsigned* bad) {
  unsigned flags = *bad;
  const auto write = [&]() {
    const auto& chars = PACKED_CHARS[*data++];
    std::memcpy(out, chars.data(), 2);
    flags |= chars[2];
    out += 2;
  };
  if (!repeatFew(count, write)) {
    for (int i = 0; i < count; ++i) write();
  }
  *bad = flags;
  return out;
}

}  // namespace

int CCBFormat::decodeInto(const unsigned char* bytes, const CCBDecoding& decoding) {
  switch (usage_) {
    case USAGE_DISPLAY:
      if (national_) return decodeNational(bytes, decoding);
      return doubleByte_ ? decodeDoubleByte(bytes, decoding) : decodeDisplay(bytes, decoding);
    case USAGE_DISPLAY_1:
      return decodeDoubleByte(bytes, decoding);
    case USAGE_BINARY:
      return decodeBinary(bytes,
                          decoding.binaryLittleEndian || (native_ && decoding.comp5LittleEndian));
    case USAGE_PACKED:
      return decodePacked(bytes);
    case USAGE_FLOAT_SHORT:
    case USAGE_FLOAT_LONG:
      return decodeFloat(bytes);
    case USAGE_NATIONAL:
      if (national_) return decodeNational(bytes, decoding);
      return writeError(text_);
    default:
      return writeError(text_);
  }
}

int CCBFormat::decodeDisplay(const unsigned char* data, const CCBDecoding& decoding) {
  char* const text = text_;
  if (usage_ == USAGE_BINARY || usage_ == USAGE_PACKED || isFloatUsage(usage_)) {
    return writeError(text);
  }
  if (plainText_) {
    char* const end = copyChars(data, storageLength_, text, decoding);  // plain characters
    *end = '\0';
    return static_cast<int>(end - text);
  }
  int signIndex = -1;
  int signDigit = 0;
  char* out = writeDisplaySign(data, text, decoding, &signIndex, &signDigit);
  if (out == nullptr) return writeError(text);
  out = writeLeadingScale(out, scaleCount_);
  out = writeDisplayCharacters(data, out, decoding, signIndex, signDigit);
  out = writeTrailingScale(out, scaleCount_);
  *out = '\0';
  return static_cast<int>(out - text);
}

// Writes the sign character that opens a signed display text: the last byte of a
// separate trailing sign, or '-' or ' ' for an embedded sign, whose byte index and
// digit are returned. Returns null when there is no sign byte or an embedded sign byte
// is no signed digit. An EBCDIC sign is read from its zone, whatever character the
// code page makes of the byte.
char* CCBFormat::writeDisplaySign(const unsigned char* data, char* out, const CCBDecoding& decoding,
                                  int* signIndex, int* signDigit) const {
  if ((flags_ & SIGNED) == 0) return out;
  const bool leading = (flags_ & SIGN_LEADING) != 0;
  if ((flags_ & SIGN_SEPARATE) != 0 && leading) return out;  // it leads the characters
  if (storageLength_ == 0) return nullptr;
  if ((flags_ & SIGN_SEPARATE) != 0) {
    return copyChars(data + storageLength_ - 1, 1, out, decoding);
  }
  *signIndex = leading ? 0 : storageLength_ - 1;
  bool negative = false;
  if (!readZonedDigit(data[*signIndex], decoding.codec.ebcdic(), signDigit, &negative)) {
    return nullptr;
  }
  *out++ = negative ? '-' : ' ';
  return out;
}

// Writes the field's characters with '.' after those standing before V. The picture
// writes a separate sign first, so decimalPosition counts it; a trailing separate sign
// byte has already been written and is not among the characters here. An embedded
// sign byte is written as its digit.
char* CCBFormat::writeDisplayCharacters(const unsigned char* data, char* out,
                                        const CCBDecoding& decoding, int signIndex,
                                        int signDigit) const {
  const bool trailingSeparate =
      (flags_ & (SIGNED | SIGN_SEPARATE | SIGN_LEADING)) == (SIGNED | SIGN_SEPARATE);
  const int count = trailingSeparate ? storageLength_ - 1 : storageLength_;
  const bool point = decimalPosition_ != -1;
  int pointAt = count;
  if (point) {
    pointAt = trailingSeparate ? decimalPosition_ - 1 : decimalPosition_;
    if (pointAt < 0) pointAt = 0;
    if (pointAt > count) pointAt = count;
  }
  if (count > 0 && decoding.codec.passThrough() &&
      std::memchr(data, 0, static_cast<size_t>(count)) == nullptr) {
    // Bytes as they stand with no zero byte: every zero-byte rule copies them as they
    // are, so they go in one copy, the sign byte made its digit, then the point put in.
    std::memcpy(out, data, static_cast<size_t>(count));
    if (signIndex >= 0 && signIndex < count) out[signIndex] = static_cast<char>('0' + signDigit);
    char* const end = out + count;
    return point ? insertPoint(out + pointAt, end) : end;
  }
  out = copyWithDigit(data, 0, pointAt, signIndex, signDigit, out, decoding);
  if (point) *out++ = '.';
  return copyWithDigit(data, pointAt, count, signIndex, signDigit, out, decoding);
}

int CCBFormat::decodeBinary(const unsigned char* data, bool littleEndian) {
  char* const text = text_;
  if (usage_ != USAGE_BINARY || storageLength_ > MAX_BINARY_BYTES ||
      fractionDigits_ > MAX_FRACTION_DIGITS) {
    return writeError(text);
  }
  bool negative = false;
  const uint64_t magnitude = readBinary(data, littleEndian, &negative);
  char* out = text;
  if (negative) *out++ = '-';
  out = writeLeadingScale(out, scaleCount_);
  if (fractionDigits_ < 0) {
    // After leading scaling positions every digit position of the picture shows:
    // PP99 holding 1 is .0001.
    out = writeDecimal(out, magnitude, scaleCount_ < 0 ? digitCount_ : 0);
  } else {
    const uint64_t divisor = POWERS_OF_TEN[fractionDigits_];
    out = writeDecimal(out, magnitude / divisor, 0);
    *out++ = '.';
    out = writeDecimal(out, magnitude % divisor, fractionDigits_);
  }
  out = writeTrailingScale(out, scaleCount_);
  *out = '\0';
  return static_cast<int>(out - text);
}

// Two digits a byte, the sign in the last nibble, with '.' before the digit that
// follows the first decimalPosition digits. The first nibble pads an even digit count:
// checked, not shown.
int CCBFormat::decodePacked(const unsigned char* data) {
  char* const text = text_;
  const int last = storageLength_ - 1;
  if (usage_ != USAGE_PACKED || last < 0) return writeError(text);
  const unsigned high = data[last] >> 4;
  const unsigned sign = data[last] & 0x0Fu;
  if (sign <= 9 || high > 9) return writeError(text);  // no sign last, or no digit before it
  char* out = text;
  if (sign == 0x0D || sign == 0x0B) *out++ = '-';
  out = writeLeadingScale(out, scaleCount_);
  char* const digits = out;
  const bool pad = digitCount_ % 2 == 0;
  unsigned bad = 0;
  const int first = pad && last > 0 ? 1 : 0;
  if (first == 1) {
    bad = PACKED_CHARS[data[0]][2];
    *out++ = static_cast<char>(PACKED_CHARS[data[0]][1]);
  }
  out = writePackedPairs(data + first, last - first, out, &bad);
  *out++ = static_cast<char>('0' + high);
  if (bad != 0) return writeError(text);
  out = finishDigits(digits, out, pad && last == 0, decimalPosition_);
  out = writeTrailingScale(out, scaleCount_);
  *out = '\0';
  return static_cast<int>(out - text);
}

int CCBFormat::decodeFloat(const unsigned char* data) {
  char* const text = text_;
  if (!isFloatUsage(usage_)) return writeError(text);
  const int length = writeFloatText(data, storageLength_, floatFormat_, text);
  if (length < 0) return writeError(text);  // NaN or infinity
  text[length] = '\0';
  return length;
}

int CCBFormat::decodeNational(const unsigned char* data, const CCBDecoding& decoding) {
  char* const text = text_;
  if (!national_) return writeError(text);
  char* const end = decoding.codec.decodeUtf16(data, storageLength_, text);
  if (decoding.zeroBytes == CCB_ZERO_BYTES_SPACE) zerosToSpaces(text, end);
  *end = '\0';
  return static_cast<int>(end - text);
}

// Double-byte text reads only through a mixed page; any other gives "#ERR#".
int CCBFormat::decodeDoubleByte(const unsigned char* data, const CCBDecoding& decoding) {
  char* const text = text_;
  char* const end =
      doubleByte_ ? decoding.codec.decodeDoubleByte(data, storageLength_, text) : nullptr;
  if (end == nullptr) return writeError(text);
  if (decoding.zeroBytes == CCB_ZERO_BYTES_SPACE) zerosToSpaces(text, end);
  *end = '\0';
  return static_cast<int>(end - text);
}
