// The value decoders of CCBFormat: the fixed-point value of a binary, packed or
// zoned field taken straight from its bytes, without writing its text.
#include <cstdint>
#include <cstring>

#include "format/ccb_format.h"
#include "format/ccb_stored_numbers.h"

namespace {

// The most digits whose value a uint64 holds whatever they are.
const int MAX_DIRECT_DIGITS = 19;

// The digits '0' to '9' of display text are these bytes and the nine after them in
// every ASCII-based page and in every EBCDIC page.
const unsigned char ASCII_ZERO = 0x30;
const unsigned char EBCDIC_ZERO = 0xF0;

// The value of the eight display digits at data, each zero plus 0 to 9, all at once:
// the bytes of a word made the digits themselves, checked, then joined in pairs, fours
// and eights; false at any other byte. The first digit is the word's lowest byte,
// which is where a little-endian load puts it.
inline bool eightPlainDigits(const unsigned char* data, unsigned char zero, uint64_t* value) {
  const uint64_t ones = 0x0101010101010101ULL;
  uint64_t word = 0;
  std::memcpy(&word, data, sizeof word);
  word ^= zero * ones;  // a digit's byte is now the digit: zeros are 0x30 and 0xF0
  // Bytes of 0 to 15 stay in their byte when 6 is added: 10 to 15 reach 0x10.
  if ((word & 0xF0 * ones) != 0 || ((word + 6 * ones) & 0x10 * ones) != 0) return false;
  word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFULL;
  word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFULL;
  *value = (word * 10000 + (word >> 32)) & 0xFFFFFFFFULL;
  return true;
}

// Adds the digits of count whole pairs at data, 0 to 9 of them, to *magnitude; false
// at a nibble above 9.
inline bool addPackedPairs(const unsigned char* data, int count, uint64_t* magnitude) {
  uint64_t value = *magnitude;
  unsigned bad = 0;
  const auto add = [&]() {
    const unsigned pair = PACKED_PAIRS[*data++];
    bad |= pair;
    value = value * 100 + pair;
  };
  if (!repeatFew(count, add)) return false;
  *magnitude = value;
  return (bad & PACKED_BAD) == 0;
}

// Adds count display digits at data, each zero plus 0 to 9, to *magnitude; false at
// any other byte. At most MAX_DIRECT_DIGITS digits in all.
inline bool addPlainDigits(const unsigned char* data, int count, unsigned char zero,
                           uint64_t* magnitude) {
  uint64_t value = *magnitude;
  unsigned bad = 0;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  for (uint64_t eight = 0; count >= 8; count -= 8, data += 8) {
    if (!eightPlainDigits(data, zero, &eight)) return false;
    value = value * 100000000 + eight;
  }
#endif
  for (int i = 0; i < count; ++i) {
    const unsigned digit = static_cast<unsigned char>(data[i] - zero);
    bad |= static_cast<unsigned>(digit > 9);
    value = value * 10 + digit;
  }
  *magnitude = value;
  return bad == 0;
}

}  // namespace

// Binary items of up to 8 bytes, packed and display numbers of up to 19 digits, all
// without scaling positions. A binary V after the last digit is left out: its text
// ends in ".0", a fraction digit the picture does not have.
CCBFormat::DirectKind CCBFormat::directKind() const {
  if (scaleCount_ != 0) return DIRECT_NONE;
  const bool separateSign = (flags_ & (SIGNED | SIGN_SEPARATE)) == (SIGNED | SIGN_SEPARATE);
  switch (usage_) {
    case USAGE_BINARY:
      return storageLength_ >= 1 && storageLength_ <= MAX_BINARY_BYTES && fractionDigits_ != 0 &&
                     fractionDigits_ <= MAX_FRACTION_DIGITS
                 ? DIRECT_BINARY
                 : DIRECT_NONE;
    case USAGE_PACKED:
      return digitCount_ >= 1 && digitCount_ <= MAX_DIRECT_DIGITS ? DIRECT_PACKED : DIRECT_NONE;
    case USAGE_DISPLAY:
      return plainNumber_ && !national_ && !separateSign && storageLength_ <= MAX_DIRECT_DIGITS
                 ? DIRECT_ZONED
                 : DIRECT_NONE;
    default:
      return DIRECT_NONE;
  }
}

bool CCBFormat::binaryFixedPoint(const unsigned char* data, bool littleEndian,
                                 CCBFixedPointValue* value) const {
  value->magnitude = readBinary(data, littleEndian, &value->negative);
  value->fraction = directFraction_;
  return true;
}

// Two digits a byte, the sign in the last nibble. The first nibble of an even digit
// count pads: the text leaves it out when it is a digit, whichever, and fails when not.
bool CCBFormat::packedFixedPoint(const unsigned char* data, CCBFixedPointValue* value) const {
  const int last = storageLength_ - 1;
  int i = 0;
  uint64_t magnitude = 0;
  unsigned bad = 0;
  if (digitCount_ % 2 == 0) {
    bad = PACKED_PAIRS[data[0]];
    magnitude = data[0] & 0x0Fu;
    i = 1;
  }
  if (!addPackedPairs(data + i, last - i, &magnitude)) bad = PACKED_BAD;
  const unsigned high = data[last] >> 4;
  const unsigned sign = data[last] & 0x0Fu;
  if ((bad & PACKED_BAD) != 0 || high > 9 || sign <= 9) return false;
  magnitude = magnitude * 10 + high;
  value->negative = (sign == 0x0D || sign == 0x0B) && magnitude != 0;
  value->magnitude = magnitude;
  value->fraction = directFraction_;
  return true;
}

// Plain digits of the character set, with the embedded sign byte, when signed, read
// as the text path reads it.
bool CCBFormat::zonedFixedPoint(const unsigned char* data, bool ebcdic,
                                CCBFixedPointValue* value) const {
  const bool isSigned = (flags_ & SIGNED) != 0;
  const bool leading = (flags_ & SIGN_LEADING) != 0;
  const int before = !isSigned ? storageLength_ : (leading ? 0 : storageLength_ - 1);
  const unsigned char zero = ebcdic ? EBCDIC_ZERO : ASCII_ZERO;
  uint64_t magnitude = 0;
  if (!addPlainDigits(data, before, zero, &magnitude)) return false;
  bool negative = false;
  if (isSigned) {
    int digit = 0;
    if (!readZonedDigit(data[before], ebcdic, &digit, &negative)) return false;
    magnitude = magnitude * 10 + static_cast<unsigned>(digit);
    if (!addPlainDigits(data + before + 1, storageLength_ - before - 1, zero, &magnitude)) {
      return false;
    }
  }
  value->negative = negative && magnitude != 0;
  value->magnitude = magnitude;
  value->fraction = directFraction_;
  return true;
}
