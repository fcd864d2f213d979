#include "format/ccb_format.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

#include "format/ccb_float.h"
#include "support/np_uchar.h"

namespace {

struct UsageEntry {
  const char* text;
  int code;
  bool native;    // native binary, whose byte order may be chosen apart
  bool tolerant;  // known only to the tolerant rules; the classic rules refuse it
};

// Usage words in lookup order.
// DISPLAY, the usage of most items, first.
const UsageEntry USAGE_TABLE[] = {
    {"DISPLAY", USAGE_DISPLAY, false, false},         // one character per position
    {"BINARY", USAGE_BINARY, false, false},           // big-endian binary
    {"COMP-4", USAGE_BINARY, false, false},           // big-endian binary
    {"COMPUTATIONAL-4", USAGE_BINARY, false, false},  // big-endian binary
    {"COMP-5", USAGE_BINARY, true, false},            // native binary: big-endian unless told
    {"COMPUTATIONAL-5", USAGE_BINARY, true, false},   // native binary: big-endian unless told
    {"COMP", USAGE_BINARY, false, false},             // big-endian binary
    {"COMPUTATIONAL", USAGE_BINARY, false, false},    // big-endian binary
    {"COMP-0", USAGE_BINARY, false, true},            // big-endian binary, older dialects
    {"COMPUTATIONAL-0", USAGE_BINARY, false, true},   // big-endian binary, older dialects
    {"COMP-3", USAGE_PACKED, false, false},           // packed decimal
    {"COMPUTATIONAL-3", USAGE_PACKED, false, false},  // packed decimal
    {"PACKED-DECIMAL", USAGE_PACKED, false, false},   // packed decimal
    {"DISPLAY-1", USAGE_DISPLAY_1, false, false},     // double-byte characters: never decoded
    {"NATIONAL", USAGE_NATIONAL, false, false},       // national characters: UTF-16 when told
    {"COMP-1", USAGE_FLOAT_SHORT, false, false},      // 4-byte float: only with a float format
    {"COMPUTATIONAL-1", USAGE_FLOAT_SHORT, false, false},
    {"COMP-2", USAGE_FLOAT_LONG, false, false},  // 8-byte float: only with a float format
    {"COMPUTATIONAL-2", USAGE_FLOAT_LONG, false, false},
};

// Usages whose items need no picture: their size comes from the usage alone.
const char* const PICTURELESS_USAGES[] = {
    "COMP-1", "COMPUTATIONAL-1", "COMP-2",           "COMPUTATIONAL-2",
    "INDEX",  "POINTER",         "FUNCTION-POINTER", "PROCEDURE-POINTER",
};

// The entry of a usage word that the rules know; null for any other.
const UsageEntry* findUsage(const QvbString& usage, bool tolerant) {
  const unsigned char first = np_uchar_asupper_table[static_cast<unsigned char>(usage.asCstr()[0])];
  for (const UsageEntry& entry : USAGE_TABLE) {
    // The first letters tell most entries apart before the whole words are compared.
    if (first != static_cast<unsigned char>(entry.text[0]) ||
        usage.compare(entry.text, false) != 0) {
      continue;
    }
    return entry.tolerant && !tolerant ? nullptr : &entry;
  }
  return nullptr;
}

inline bool isFloatUsage(int code) {
  return code == USAGE_FLOAT_SHORT || code == USAGE_FLOAT_LONG;
}

// Whether a display picture has the national symbol N.
bool hasNationalSymbol(const QvbString& picture) {
  for (const char* p = picture.asCstr(); *p != '\0'; ++p) {
    if (*p == 'N' || *p == 'n') return true;
  }
  return false;
}

// Symbols that make a display picture alphanumeric (or edited with insertion characters).
const char ALPHANUMERIC_SYMBOLS[] = "ABGNX/,";
// The symbols of a display picture that holds a plain number, neither edited nor text.
const char NUMBER_SYMBOLS[] = "S9VP";
// Single-character symbols that take one character position each in a display picture.
const char POSITION_SYMBOLS[] = "ABGNXZ/,.90+-*$E";

// The shortest text a field has room for: the error text.
const int MIN_OUTPUT_LENGTH = 5;
const char ERROR_TEXT[] = "#ERR#";

// 10^0 to 10^19: the divisors that split a binary value at its implied point, and the
// bounds of each count of decimal digits.
const uint64_t POWERS_OF_TEN[] = {
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
const int MAX_FRACTION_DIGITS = 18;
const int MAX_BINARY_BYTES = 8;
const int MAX_BINARY_DIGITS = 18;  // the most an extended service reads in 8 bytes

// The most digits whose value a uint64 holds whatever they are.
const int MAX_DIRECT_DIGITS = 19;

// Bytes past the text buffer's zero byte, so that short runs of characters can move
// as one fixed block without reaching past the buffer.
const int TEXT_SLACK = 16;

// The digits '0' to '9' of display text are these bytes and the nine after them in
// every ASCII-based page and in every EBCDIC page.
const unsigned char ASCII_ZERO = 0x30;
const unsigned char EBCDIC_ZERO = 0xF0;

// Each byte of packed digits as the number its two nibbles make (0-99), or
// PACKED_BAD when a nibble is no digit.
const unsigned char PACKED_BAD = 0x80;
constexpr std::array<unsigned char, 256> packedPairs() {
  std::array<unsigned char, 256> pairs{};
  for (int b = 0; b < 256; ++b) {
    const int high = b >> 4;
    const int low = b & 0x0F;
    pairs[b] = high > 9 || low > 9 ? PACKED_BAD : static_cast<unsigned char>(high * 10 + low);
  }
  return pairs;
}
constexpr std::array<unsigned char, 256> PACKED_PAIRS = packedPairs();

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

// The most decimal digits an unsigned binary value of n bytes (the index) can have.
const int BINARY_DIGITS[] = {
    1,   // 0 bytes
    3,   // 1 byte: 255
    5,   // 2 bytes: 65535
    8,   // 3 bytes: 16777215
    10,  // 4 bytes: 4294967295
    13,  // 5 bytes: 1099511627775
    15,  // 6 bytes: 281474976710655
    17,  // 7 bytes: 72057594037927935
    20,  // 8 bytes: 18446744073709551615
};

// Sign carried in the zone (high four bits) of an embedded-sign byte.
enum ZoneSign : unsigned char { ZONE_BAD = 0, ZONE_PLUS = 1, ZONE_MINUS = 2 };

// Zones of EBCDIC signed digits, indexed by the zone.
const unsigned char EBCDIC_ZONE_SIGN[16] = {
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD,  ZONE_BAD,    // 0x0-0x3
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD,  ZONE_BAD,    // 0x4-0x7
    ZONE_BAD,  ZONE_BAD,   ZONE_PLUS, ZONE_MINUS,  // 0x8-0xB
    ZONE_PLUS, ZONE_MINUS, ZONE_PLUS, ZONE_PLUS,   // 0xC-0xF
};

// Zones of ASCII signed digits, indexed by the zone: '0'-'9' are positive, 'p'-'y'
// negative, and the EBCDIC-style zones C, D and F keep their meaning.
const unsigned char ASCII_ZONE_SIGN[16] = {
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD, ZONE_PLUS,   // 0x0-0x3
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD, ZONE_MINUS,  // 0x4-0x7
    ZONE_BAD,  ZONE_BAD,   ZONE_BAD, ZONE_BAD,    // 0x8-0xB
    ZONE_PLUS, ZONE_MINUS, ZONE_BAD, ZONE_PLUS,   // 0xC-0xF
};

inline unsigned char upperCase(char c) {
  return np_uchar_asupper_table[static_cast<unsigned char>(c)];
}

inline bool isOneOf(unsigned char c, const char* set) {
  return c != 0 && std::strchr(set, c) != nullptr;
}

inline void setExceedsError(QvbString& error) {
  error = qvbStringFormat("Picture exceeds the maximum field length of %d", MAX_FIELD_LENGTH);
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

inline uint64_t readLittleEndian(const unsigned char* bytes, int n) {
  uint64_t value = 0;
  for (int i = n - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
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

CCBFormat* CCBFormat::create(const QvbString& picture, const QvbString& usage, int signFlags,
                             QvbString& error, const CCBFormatRules& rules) {
  const UsageEntry* entry = findUsage(usage, rules.tolerant);
  const int code = entry != nullptr ? entry->code : USAGE_UNKNOWN;
  if (code == USAGE_UNKNOWN || (isFloatUsage(code) && rules.floatFormat == FLOAT_NONE)) {
    error = "Invalid or unknown usage clause";
    return nullptr;
  }
  // Only the SIGN clause's bits come from the caller; SIGNED is the picture's to set.
  const unsigned flags = static_cast<unsigned>(signFlags) & (SIGN_LEADING | SIGN_SEPARATE);
  std::unique_ptr<CCBFormat> format(new (std::nothrow) CCBFormat(code, flags));
  if (!format) {
    error = "Buffer Allocation failed";
    return nullptr;
  }
  format->native_ = entry->native;
  const bool numeric = code == USAGE_BINARY || code == USAGE_PACKED;
  const bool national =
      rules.nationalUtf16 && (code == USAGE_NATIONAL || hasNationalSymbol(picture));
  if (isFloatUsage(code)) {
    if (!format->buildFloat(rules.floatFormat)) return nullptr;
  } else if (numeric ? !parseNumericPicture(picture, format.get(), error)
                     : !parseDisplayPicture(picture, format.get(), error)) {
    return nullptr;
  }
  if (rules.extended && code == USAGE_BINARY && format->digitCount_ > MAX_BINARY_DIGITS) {
    // Compilers store such items in more than 8 bytes, each in its own way.
    error = qvbStringFormat("Binary picture %s has %d digits: binary items hold at most %d",
                            picture.asCstr(), format->digitCount_, MAX_BINARY_DIGITS);
    return nullptr;
  }
  if (format->outputLength_ < MIN_OUTPUT_LENGTH) format->outputLength_ = MIN_OUTPUT_LENGTH;
  format->plainText_ = code == USAGE_DISPLAY && (format->flags_ & SIGNED) == 0 &&
                       format->decimalPosition_ == -1 && format->scaleCount_ == 0;
  if (national && !format->makeNational(error)) return nullptr;
  format->direct_ = format->directKind();
  format->directFraction_ = format->fixedPointFraction();
  // A binary field can hold more digits than its picture declares; each UTF-16 unit
  // of national text gives up to 3 bytes of UTF-8.
  int capacity = format->outputLength_;
  if (code == USAGE_BINARY && format->binaryTextLength() > capacity) {
    capacity = format->binaryTextLength();
  }
  if (national) capacity = format->storageLength_ / 2 * 3 + MIN_OUTPUT_LENGTH;
  if (!format->allocateBuffers(capacity)) {
    error = "Buffer Allocation failed";
    return nullptr;
  }
  return format.release();
}

CCBFormat::~CCBFormat() = default;

int CCBFormat::lookupUsage(const QvbString& usage) {
  const UsageEntry* entry = findUsage(usage, false);
  return entry != nullptr ? entry->code : USAGE_UNKNOWN;
}

bool CCBFormat::usageNeedsNoPicture(const QvbString& usage) {
  for (const char* word : PICTURELESS_USAGES) {
    if (usage.compare(word, false) == 0) return true;
  }
  return false;
}

bool CCBFormat::allocateBuffers(int capacity) {
  const size_t size = static_cast<size_t>(capacity) + 1 + TEXT_SLACK;
  if (size <= sizeof inlineText_) {
    text_ = inlineText_;
  } else {
    heapText_.reset(new (std::nothrow) char[size]());
    if (!heapText_) return false;
    text_ = heapText_.get();
  }
  text_[0] = '\0';
  textCapacity_ = capacity;
  return true;
}

// A float item: 4 or 8 bytes, whatever its picture says, and a real value.
bool CCBFormat::buildFloat(int floatFormat) {
  floatFormat_ = floatFormat;
  storageLength_ = usage_ == USAGE_FLOAT_SHORT ? 4 : 8;
  outputLength_ = floatTextLength(storageLength_, floatFormat);
  outputType_ = 3;
  return true;
}

// National text: two bytes per character position, as many characters.
bool CCBFormat::makeNational(QvbString& error) {
  if (storageLength_ > MAX_FIELD_LENGTH / 2) {
    setExceedsError(error);
    return false;
  }
  storageLength_ *= 2;
  national_ = true;
  plainText_ = false;
  return true;
}

bool CCBFormat::reserveText(int expansion) {
  if (expansion <= 1 || usage_ != USAGE_DISPLAY || national_) return true;
  const int64_t needed = int64_t{outputLength_} + int64_t{storageLength_} * (expansion - 1);
  if (needed <= textCapacity_) return true;
  return allocateBuffers(static_cast<int>(needed));
}

// The longest text decodeBinary can write: a sign, a leading point with its scaling
// zeros (or the trailing zeros), every digit the storage can hold, and a point followed
// by the single fraction digit 0.
int CCBFormat::binaryTextLength() const {
  if (storageLength_ > MAX_BINARY_BYTES || fractionDigits_ > MAX_FRACTION_DIGITS) return 0;
  const int scale = scaleCount_ < 0 ? -scaleCount_ : scaleCount_;
  return 1 + 1 + scale + BINARY_DIGITS[storageLength_] + 2;
}

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
  return format->finishDisplayPicture(allNumeric, integer, error);
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

CCBNumberShape CCBFormat::numberShape() const {
  CCBNumberShape shape;
  shape.isSigned = (flags_ & SIGNED) != 0;
  shape.binary = usage_ == USAGE_BINARY;
  shape.storageLength = storageLength_;
  const bool stored = usage_ == USAGE_BINARY || usage_ == USAGE_PACKED;
  if (isFloatUsage(usage_)) {
    shape.kind = CCBNumberShape::FLOAT;
    return shape;
  }
  if (!stored && !(usage_ == USAGE_DISPLAY && plainNumber_ && !national_)) return shape;
  shape.kind = CCBNumberShape::FIXED_POINT;
  const bool separateSign =
      !stored && (flags_ & (SIGNED | SIGN_SEPARATE)) == (SIGNED | SIGN_SEPARATE);
  shape.digits = stored ? digitCount_ : storageLength_ - (separateSign ? 1 : 0);
  shape.fraction = fixedPointFraction();
  if (scaleCount_ < 0) {
    shape.digits -= scaleCount_;
    shape.fraction = shape.digits;  // leading scaling positions: every digit follows the point
  } else if (scaleCount_ > 0) {
    shape.digits += scaleCount_;
    if (decimalPosition_ != -1) shape.fraction += scaleCount_;  // zeros after the fraction
  }
  return shape;
}

// The digit positions after V. Binary and packed pictures count V among their digits;
// display pictures among their character positions, where a separate sign, written
// first in the picture, stands before V.
int CCBFormat::fixedPointFraction() const {
  if (decimalPosition_ == -1) return 0;
  const bool stored = usage_ == USAGE_BINARY || usage_ == USAGE_PACKED;
  return (stored ? digitCount_ : storageLength_) - decimalPosition_;
}

int CCBFormat::decodeInto(const unsigned char* bytes, const CCBDecoding& decoding) {
  switch (usage_) {
    case USAGE_DISPLAY:
      return national_ ? decodeNational(bytes, decoding) : decodeDisplay(bytes, decoding);
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

// The magnitude of a binary item's value, and its sign: two's complement when the
// picture is signed. REQUIRES: at most 8 bytes of storage.
uint64_t CCBFormat::readBinary(const unsigned char* data, bool littleEndian, bool* negative) const {
  uint64_t bits =
      littleEndian ? readLittleEndian(data, storageLength_) : readBigEndian(data, storageLength_);
  const bool isSigned = (flags_ & SIGNED) != 0;
  if (isSigned && storageLength_ > 0 && storageLength_ < MAX_BINARY_BYTES) {
    bits = signExtend(bits, storageLength_ * 8);
  }
  *negative = isSigned && (bits >> 63) != 0;
  return *negative ? ~bits + 1 : bits;  // unsigned: no overflow at -2^63
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
