#include "format/ccb_text_codec.h"

#include <array>
#include <cstring>

#include "support/np_code_pages.h"

namespace {

const uint32_t REPLACEMENT = 0xFFFD;  // the character of bytes that make none
const char LATIN1_NONE = '?';         // a character ISO-8859-1 lacks

// What a UTF-8 lead byte starts: the sequence's length (0 for a byte no sequence
// starts with) and the range of its second byte. Those ranges are what keep out
// overlong forms, surrogates and code points above U+10FFFF; every later byte of
// a sequence is 0x80-0xBF.
struct Utf8Lead {
  uint8_t length;
  uint8_t low;
  uint8_t high;
};

struct Utf8LeadRange {
  uint8_t first, last;
  Utf8Lead lead;
};

constexpr Utf8LeadRange UTF8_LEAD_RANGES[] = {
    {0x00, 0x7F, {1, 0x00, 0x00}},  // ASCII
    {0xC2, 0xDF, {2, 0x80, 0xBF}},  // U+0080-U+07FF
    {0xE0, 0xE0, {3, 0xA0, 0xBF}},  // U+0800-U+0FFF
    {0xE1, 0xEC, {3, 0x80, 0xBF}},  // U+1000-U+CFFF
    {0xED, 0xED, {3, 0x80, 0x9F}},  // U+D000-U+D7FF
    {0xEE, 0xEF, {3, 0x80, 0xBF}},  // U+E000-U+FFFF
    {0xF0, 0xF0, {4, 0x90, 0xBF}},  // U+10000-U+3FFFF
    {0xF1, 0xF3, {4, 0x80, 0xBF}},  // U+40000-U+FFFFF
    {0xF4, 0xF4, {4, 0x80, 0x8F}},  // U+100000-U+10FFFF
};

constexpr std::array<Utf8Lead, 256> utf8Leads() {
  std::array<Utf8Lead, 256> leads{};
  for (const Utf8LeadRange& range : UTF8_LEAD_RANGES) {
    for (int b = range.first; b <= range.last; ++b) leads[b] = range.lead;
  }
  return leads;
}

constexpr std::array<Utf8Lead, 256> UTF8_LEADS = utf8Leads();

// Reads the UTF-8 sequence at p, which lies before end; returns the number of
// bytes it takes and sets *codePoint. An ill-formed sequence takes its maximal
// subpart (at least its first byte) and gives U+FFFD.
int readUtf8(const unsigned char* p, const unsigned char* end, uint32_t* codePoint) {
  const Utf8Lead lead = UTF8_LEADS[p[0]];
  if (lead.length <= 1) {
    *codePoint = lead.length == 1 ? p[0] : REPLACEMENT;
    return 1;
  }
  uint32_t value = p[0] & (0x7F >> lead.length);
  for (int i = 1; i < lead.length; ++i) {
    const unsigned low = i == 1 ? lead.low : 0x80, high = i == 1 ? lead.high : 0xBF;
    if (end - p <= i || p[i] < low || p[i] > high) {
      *codePoint = REPLACEMENT;
      return i;
    }
    value = value << 6 | (p[i] & 0x3F);
  }
  *codePoint = value;
  return lead.length;
}

// Writes the UTF-8 form of a code point (at most U+10FFFF): 1 to 4 bytes.
char* putUtf8(uint32_t codePoint, char* dst) {
  if (codePoint < 0x80) {
    *dst++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *dst++ = static_cast<char>(0xC0 | codePoint >> 6);
    *dst++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *dst++ = static_cast<char>(0xE0 | codePoint >> 12);
    *dst++ = static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    *dst++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *dst++ = static_cast<char>(0xF0 | codePoint >> 18);
    *dst++ = static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
    *dst++ = static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    *dst++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return dst;
}

inline bool isHighSurrogate(uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool isLowSurrogate(uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
inline uint32_t utf16Unit(const unsigned char* p) {
  return static_cast<uint32_t>(p[0] << 8 | p[1]);
}

const int ASCII_WORD = 8;                          // bytes tested at once for ASCII
const uint64_t HIGH_BITS = 0x8080808080808080ULL;  // the top bit of each byte of a word

}  // namespace

CCBTextCodec::CCBTextCodec()
    : ccsid_(CCSID_LATIN1), ebcdic_(false), utf8Result_(false), asciiKept_(true), mode_(MODE_COPY) {
  init(CCSID_LATIN1, false);
}

bool CCBTextCodec::init(int ccsid, bool utf8Result) {
  if (CCBMixedConverter::isMixedPage(ccsid)) {
    if (!mixed_.open(ccsid)) return false;
    ccsid_ = ccsid;
    ebcdic_ = true;
    utf8Result_ = utf8Result;
    mode_ = MODE_MIXED;
    return true;
  }
  if (ccsid == CCSID_UTF8) {
    ccsid_ = ccsid;
    ebcdic_ = false;
    utf8Result_ = utf8Result;
    mode_ = MODE_UTF8_SOURCE;
    return true;
  }
  const NpCodePage* page = npCodePageFind(ccsid);
  if (page == nullptr) return false;
  ccsid_ = ccsid;
  ebcdic_ = page->ebcdic;
  utf8Result_ = utf8Result;
  if (utf8Result) {
    mode_ = MODE_PAGE_TO_UTF8;
  } else {
    mode_ = ccsid == CCSID_LATIN1 ? MODE_COPY : MODE_PAGE_TO_LATIN1;
  }
  // Bytes copied as they stand need no tables: every layout's codec starts so.
  if (mode_ != MODE_COPY) fillTables(*page);
  return true;
}

void CCBTextCodec::fillTables(const NpCodePage& page) {
  for (int b = 0; b < 256; ++b) {
    const uint32_t codePoint = page.toUnicode[b];
    latin1_[b] = codePoint <= 0xFF ? static_cast<char>(codePoint) : LATIN1_NONE;
    char bytes[4] = {0, 0, 0, 0};  // a 16-bit code point takes at most 3
    utf8_[b].length = static_cast<uint8_t>(putUtf8(codePoint, bytes) - bytes);
    memcpy(utf8_[b].bytes, bytes, sizeof utf8_[b].bytes);
  }
  asciiKept_ = true;
  for (uint32_t b = 0; b < 0x80; ++b) asciiKept_ = asciiKept_ && page.toUnicode[b] == b;
}

char* CCBTextCodec::decode(const unsigned char* src, int n, char* dst) const {
  if (n <= 0) return dst;
  switch (mode_) {
    case MODE_COPY:
      memmove(dst, src, static_cast<size_t>(n));
      return dst + n;
    case MODE_PAGE_TO_LATIN1:
      for (int i = 0; i < n; ++i) dst[i] = latin1_[src[i]];
      return dst + n;
    case MODE_PAGE_TO_UTF8:
      return pageToUtf8(src, n, dst);
    case MODE_UTF8_SOURCE:
      return utf8Source(src, n, dst);
    case MODE_MIXED:
      return mixedSource(src, n, false, dst);
  }
  return dst;
}

char* CCBTextCodec::decodeDoubleByte(const unsigned char* src, int n, char* dst) const {
  return mode_ == MODE_MIXED ? mixedSource(src, n, true, dst) : nullptr;
}

// The converter's UTF-16 units in the result encoding, a surrogate pair as one
// character; at most n * maxExpansion() bytes, as the callers make room for.
char* CCBTextCodec::mixedSource(const unsigned char* src, int n, bool doubleByte, char* dst) const {
  const UChar* units = nullptr;
  const int count = mixed_.decode(src, n, doubleByte, &units);
  const char* const limit = dst + static_cast<int64_t>(n) * maxExpansion();
  char bytes[4];
  for (int i = 0; i < count; ++i) {
    uint32_t codePoint = units[i];
    if (isHighSurrogate(codePoint) && i + 1 < count && isLowSurrogate(units[i + 1])) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    const int length = static_cast<int>(putCodePoint(codePoint, bytes) - bytes);
    if (dst + length > limit) break;
    memcpy(dst, bytes, static_cast<size_t>(length));
    dst += length;
  }
  return dst;
}

// Each byte's entry is copied whole, 3 bytes, and dst moves on by its length: no
// branch per byte, at the price of scribbling up to 2 bytes past the end. On pages
// that keep ASCII, the ASCII words that start the text are copied as they are.
char* CCBTextCodec::pageToUtf8(const unsigned char* src, int n, char* dst) const {
  int i = 0;
  if (asciiKept_) {
    for (uint64_t word; i + ASCII_WORD <= n; i += ASCII_WORD, dst += ASCII_WORD) {
      memcpy(&word, src + i, ASCII_WORD);
      if ((word & HIGH_BITS) != 0) break;
      memcpy(dst, &word, ASCII_WORD);
    }
  }
  for (; i < n; ++i) {
    const Utf8Bytes& entry = utf8_[src[i]];
    memcpy(dst, entry.bytes, sizeof entry.bytes);
    dst += entry.length;
  }
  return dst;
}

char* CCBTextCodec::utf8Source(const unsigned char* src, int n, char* dst) const {
  const unsigned char* end = src + n;
  while (src < end) {
    if (*src < 0x80) {
      *dst++ = static_cast<char>(*src++);
      continue;
    }
    uint32_t codePoint;
    src += readUtf8(src, end, &codePoint);
    dst = putCodePoint(codePoint, dst);
  }
  return dst;
}

char* CCBTextCodec::decodeUtf16(const unsigned char* src, int n, char* dst) const {
  if (n <= 0) return dst;
  const unsigned char* end = src + (n & ~1);
  while (src < end) {
    uint32_t codePoint = utf16Unit(src);
    src += 2;
    if (isHighSurrogate(codePoint) && src < end && isLowSurrogate(utf16Unit(src))) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (utf16Unit(src) - 0xDC00);
      src += 2;
    } else if (isHighSurrogate(codePoint) || isLowSurrogate(codePoint)) {
      codePoint = REPLACEMENT;
    }
    dst = putCodePoint(codePoint, dst);
  }
  if (n & 1) dst = putCodePoint(REPLACEMENT, dst);  // half a unit
  return dst;
}

char* CCBTextCodec::putCodePoint(uint32_t codePoint, char* dst) const {
  if (utf8Result_) return putUtf8(codePoint, dst);
  *dst = codePoint <= 0xFF ? static_cast<char>(codePoint) : LATIN1_NONE;
  return dst + 1;
}
