// Reading the bytes of stored numbers, shared by CCBFormat's text decoders and value
// decoders: binary words in either byte order, the embedded sign of a display digit,
// packed digit pairs, and the limits of binary items. Constant tables and inline
// functions over bytes: nothing here owns or keeps anything.
#ifndef LYRA_FORMAT_CCB_STORED_NUMBERS_H_
#define LYRA_FORMAT_CCB_STORED_NUMBERS_H_

#include <array>
#include <cstdint>
#include <cstring>

#include "format/ccb_format.h"

const int MAX_FRACTION_DIGITS = 18;
const int MAX_BINARY_BYTES = 8;

// 10^0 to 10^19, every power of ten an unsigned 64-bit value holds: the divisors that
// split a binary value at its implied point, and the bounds of each count of digits.
inline constexpr uint64_t POWERS_OF_TEN[] = {
    1ULL,                     // 10^0
    10ULL,                    // 10^1
    100ULL,                   // 10^2
    1000ULL,                  // 10^3
    10000ULL,                 // 10^4
    100000ULL,                // 10^5
    1000000ULL,               // 10^6
    10000000ULL,              // 10^7
    100000000ULL,             // 10^8
    1000000000ULL,            // 10^9
    10000000000ULL,           // 10^10
    100000000000ULL,          // 10^11
    1000000000000ULL,         // 10^12
    10000000000000ULL,        // 10^13
    100000000000000ULL,       // 10^14
    1000000000000000ULL,      // 10^15
    10000000000000000ULL,     // 10^16
    100000000000000000ULL,    // 10^17
    1000000000000000000ULL,   // 10^18
    10000000000000000000ULL,  // 10^19
};

// Bytes past the text buffer's zero byte, so that short runs of characters can move
// as one fixed block without reaching past the buffer.
const int TEXT_SLACK = 16;

inline bool isFloatUsage(int code) {
  return code == USAGE_FLOAT_SHORT || code == USAGE_FLOAT_LONG;
}

inline void setExceedsError(QvbString& error) {
  error = qvbStringFormat("Picture exceeds the maximum field length of %d", MAX_FIELD_LENGTH);
}

// Each byte of packed digits as the number its two nibbles make (0-99), or
// PACKED_BAD when a nibble is no digit.
inline constexpr unsigned char PACKED_BAD = 0x80;
constexpr std::array<unsigned char, 256> packedPairs() {
  std::array<unsigned char, 256> pairs{};
  for (int b = 0; b < 256; ++b) {
    const int high = b >> 4;
    const int low = b & 0x0F;
    pairs[b] = high > 9 || low > 9 ? PACKED_BAD : static_cast<unsigned char>(high * 10 + low);
  }
  return pairs;
}
inline constexpr std::array<unsigned char, 256> PACKED_PAIRS = packedPairs();

// Sign carried in the zone (high four bits) of an embedded-sign byte.
enum ZoneSign : unsigned char { ZONE_BAD = 0, ZONE_PLUS = 1, ZONE_MINUS = 2 };

// Zones of EBCDIC signed digits, indexed by the zone.
inline constexpr unsigned char EBCDIC_ZONE_SIGN[16] = {
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD,  ZONE_BAD,    // 0x0-0x3
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD,  ZONE_BAD,    // 0x4-0x7
    ZONE_BAD,  ZONE_BAD,   ZONE_PLUS, ZONE_MINUS,  // 0x8-0xB
    ZONE_PLUS, ZONE_MINUS, ZONE_PLUS, ZONE_PLUS,   // 0xC-0xF
};

// Zones of ASCII signed digits, indexed by the zone: '0'-'9' are positive, 'p'-'y'
// negative, and the EBCDIC-style zones C, D and F keep their meaning.
inline constexpr unsigned char ASCII_ZONE_SIGN[16] = {
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD, ZONE_PLUS,   // 0x0-0x3
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD, ZONE_MINUS,  // 0x4-0x7
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD, ZONE_BAD,    // 0x8-0xB
    ZONE_PLUS, ZONE_MINUS, ZONE_BAD, ZONE_PLUS,   // 0xC-0xF
};

inline uint64_t readLittleEndian(const unsigned char* bytes, int n) {
  uint64_t value = 0;
  for (int i = n - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

inline uint64_t readBigEndian(const unsigned char* bytes, int n) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // The usual storage lengths, in one load each.
  uint16_t two = 0;
  uint32_t four = 0;
  uint64_t eight = 0;
  switch (n) {
    case 2:
      std::memcpy(&two, bytes, sizeof two);
      return __builtin_bswap16(two);
    case 4:
      std::memcpy(&four, bytes, sizeof four);
      return __builtin_bswap32(four);
    case 8:
      std::memcpy(&eight, bytes, sizeof eight);
      return __builtin_bswap64(eight);
    default:
      break;
  }
#endif
  uint64_t value = 0;
  for (int i = 0; i < n; ++i) value = value << 8 | bytes[i];
  return value;
}

// Widens a two's-complement number of bits bits (1 to 63) to 64 bits.
inline uint64_t signExtend(uint64_t value, int bits) {
  return (value >> (bits - 1) & 1) != 0 ? value | ~uint64_t{0} << bits : value;
}

// ASCII overpunch characters: '{' and 'A'-'I' are +0 to +9, '}' and 'J'-'R' -0 to -9.
inline bool readOverpunch(unsigned char byte, int* digit, bool* negative) {
  if (byte == '{' || byte == '}') {
    *digit = 0;
    *negative = byte == '}';
  } else if (byte >= 'A' && byte <= 'I') {
    *digit = byte - 'A' + 1;
    *negative = false;
  } else if (byte >= 'J' && byte <= 'R') {
    *digit = byte - 'J' + 1;
    *negative = true;
  } else {
    return false;
  }
  return true;
}

// Reads the digit and sign of an embedded-sign byte, EBCDIC or ASCII. False when the
// byte is no signed digit of that character set.
inline bool readZonedDigit(unsigned char byte, bool ebcdic, int* digit, bool* negative) {
  const unsigned zone = byte >> 4;
  const unsigned low = byte & 0x0F;
  if (!ebcdic && readOverpunch(byte, digit, negative)) return true;
  const unsigned char sign = (ebcdic ? EBCDIC_ZONE_SIGN : ASCII_ZONE_SIGN)[zone];
  *digit = static_cast<int>(low);
  *negative = sign == ZONE_MINUS;
  return sign != ZONE_BAD && *digit <= 9;
}

// Calls step count times, 0 to 9, in a straight run entered at the count, which
// costs less than a loop over so few; false, with no call made, for a larger count.
template <typename Step>
inline bool repeatFew(int count, const Step& step) {
  // clang-format off
  switch (count) {
    case 9: step(); [[fallthrough]];
    case 8: step(); [[fallthrough]];
    case 7: step(); [[fallthrough]];
    case 6: step(); [[fallthrough]];
    case 5: step(); [[fallthrough]];
    case 4: step(); [[fallthrough]];
    case 3: step(); [[fallthrough]];
    case 2: step(); [[fallthrough]];
    case 1: step(); [[fallthrough]];
    case 0: return true;
    default: return false;
  }
  // clang-format on
}

// The magnitude of a binary item's value, and its sign: two's complement when the
// picture is signed. REQUIRES: at most 8 bytes of storage.
inline uint64_t CCBFormat::readBinary(const unsigned char* data, bool littleEndian,
                                      bool* negative) const {
  uint64_t bits =
      littleEndian ? readLittleEndian(data, storageLength_) : readBigEndian(data, storageLength_);
  const bool isSigned = (flags_ & SIGNED) != 0;
  if (isSigned && storageLength_ > 0 && storageLength_ < MAX_BINARY_BYTES) {
    bits = signExtend(bits, storageLength_ * 8);
  }
  *negative = isSigned && (bits >> 63) != 0;
  return *negative ? ~bits + 1 : bits;  // unsigned: no overflow at -2^63
}

#endif  // LYRA_FORMAT_CCB_STORED_NUMBERS_H_
