#include "format/ccb_text_encoder.h"

#include <unicode/utf16.h>

#include <algorithm>
#include <cstring>

#include "format/ccb_text_codec.h"
#include "support/np_code_pages.h"

namespace {

// The bytes a character takes in UTF-8 and in UTF-16.
int utf8Length(uint32_t codePoint) {
  return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

unsigned char* putUtf8(uint32_t codePoint, unsigned char* out) {
  if (codePoint < 0x80) {
    *out++ = static_cast<unsigned char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<unsigned char>(0xC0 | codePoint >> 6);
    *out++ = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out++ = static_cast<unsigned char>(0xE0 | codePoint >> 12);
    *out++ = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
    *out++ = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<unsigned char>(0xF0 | codePoint >> 18);
    *out++ = static_cast<unsigned char>(0x80 | (codePoint >> 12 & 0x3F));
    *out++ = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
    *out++ = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

unsigned char* putUtf16(uint32_t codePoint, unsigned char* out) {
  if (codePoint >= 0x10000) {
    const uint32_t offset = codePoint - 0x10000;
    out = putUtf16(0xD800 | offset >> 10, out);
    return putUtf16(0xDC00 | (offset & 0x3FF), out);
  }
  *out++ = static_cast<unsigned char>(codePoint >> 8);
  *out++ = static_cast<unsigned char>(codePoint & 0xFF);
  return out;
}

// Reads one well-formed UTF-8 sequence at p (before end): its code point, and the
// bytes it takes; 0 when the bytes are no such sequence (overlong forms, surrogates
// and code points past U+10FFFF included).
int readUtf8(const unsigned char* p, const unsigned char* end, uint32_t* codePoint) {
  const unsigned lead = p[0];
  int length = 0;
  uint32_t value = 0;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (end - p < length) return 0;
  for (int i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    value = value << 6 | (p[i] & 0x3F);
  }
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};  // by length: no overlong forms
  if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  *codePoint = value;
  return length;
}

// The most UTF-16 units of a text a mixed page's converter takes: more than any field
// holds bytes, and few enough that the bytes they may take fit an int.
const int MAX_MIXED_UNITS = 64 * 1024 * 1024;

// Whether the bytes from p to end are blanks only.
bool blanksOnly(const unsigned char* p, const unsigned char* end) {
  for (; p < end; ++p) {
    if (*p != ' ') return false;
  }
  return true;
}

}  // namespace

CCBTextEncoder::CCBTextEncoder()
    : ccsid_(CCSID_LATIN1),
      ebcdic_(false),
      utf8Source_(false),
      utf8Target_(false),
      copyLatin1_(true),
      asciiComplete_(true) {
  init(CCSID_LATIN1, false);
}

bool CCBTextEncoder::init(int ccsid, bool utf8Source) {
  if (CCBMixedConverter::isMixedPage(ccsid)) return initMixed(ccsid, utf8Source);
  const NpCodePage* page = ccsid == CCSID_UTF8 ? nullptr : npCodePageFind(ccsid);
  if (ccsid != CCSID_UTF8 && page == nullptr) return false;
  mixed_ = CCBMixedConverter();  // closed
  ccsid_ = ccsid;
  utf8Source_ = utf8Source;
  utf8Target_ = page == nullptr;
  ebcdic_ = page != nullptr && page->ebcdic;
  copyLatin1_ = ccsid == CCSID_LATIN1 && !utf8Source;
  highBytes_.clear();
  for (int c = 0; c < 256; ++c) lowBytes_[c] = utf8Target_ ? static_cast<uint16_t>(c) : NONE;
  // The first byte of a character wins, should a page give it two.
  for (int b = 255; page != nullptr && b >= 0; --b) {
    const uint16_t codePoint = page->toUnicode[b];
    if (codePoint == 0xFFFD) continue;
    if (codePoint < 0x100) {
      lowBytes_[codePoint] = static_cast<uint16_t>(b);
    } else {
      highBytes_.emplace_back(codePoint, static_cast<unsigned char>(b));
    }
  }
  std::stable_sort(highBytes_.begin(), highBytes_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  asciiComplete_ = true;
  for (int c = 0; c < 128; ++c) {
    asciiBytes_[c] = lowBytes_[c] != NONE ? static_cast<unsigned char>(lowBytes_[c]) : 0;
    asciiComplete_ = asciiComplete_ && lowBytes_[c] != NONE;
  }
  return true;
}

// A mixed page: its converter encodes the text, and the ASCII table holds the bytes
// of the single-byte characters the page has.
bool CCBTextEncoder::initMixed(int ccsid, bool utf8Source) {
  CCBMixedConverter converter;
  if (!converter.open(ccsid)) return false;
  mixed_ = converter;
  ccsid_ = ccsid;
  ebcdic_ = true;
  utf8Source_ = utf8Source;
  utf8Target_ = copyLatin1_ = asciiComplete_ = false;
  highBytes_.clear();
  for (int c = 0; c < 128; ++c) {
    const UChar unit = static_cast<UChar>(c);
    const unsigned char* bytes = nullptr;
    int refused = 0;
    asciiBytes_[c] = mixed_.encode(&unit, 1, false, &bytes, &refused) == 1 ? bytes[0] : 0;
  }
  return true;
}

uint16_t CCBTextEncoder::byteOf(uint32_t codePoint) const {
  if (codePoint < 0x100) return lowBytes_[codePoint];
  const auto found = std::lower_bound(
      highBytes_.begin(), highBytes_.end(), codePoint,
      [](const std::pair<uint16_t, unsigned char>& entry, uint32_t c) { return entry.first < c; });
  return found != highBytes_.end() && found->first == codePoint ? found->second : NONE;
}

bool CCBTextEncoder::nextCharacter(const unsigned char** p, const unsigned char* end,
                                   uint32_t* codePoint) const {
  if (!utf8Source_ || **p < 0x80) {
    *codePoint = *(*p)++;
    return true;
  }
  const int length = readUtf8(*p, end, codePoint);
  *p += length;
  return length > 0;
}

int CCBTextEncoder::encode(const char* text, int length, unsigned char* out, int room,
                           CCBTextFault* fault) const {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const end = p + (length > 0 ? length : 0);
  if (doubleByte()) return encodeMixed(p, end, out, room, false, fault);
  if (copyLatin1_) {  // the bytes as they stand
    const int copied = std::min(static_cast<int>(end - p), room);
    std::memcpy(out, p, static_cast<size_t>(copied));
    if (blanksOnly(p + copied, end)) return copied;
    fault->problem = TEXT_TOO_LONG;
    fault->needed = static_cast<int>(end - p);
    while (fault->needed > 0 && p[fault->needed - 1] == ' ') --fault->needed;
    return -1;
  }
  return encodeCharacters(p, end, out, room, false, fault);
}

int CCBTextEncoder::encodeDoubleByte(const char* text, int length, unsigned char* out, int room,
                                     CCBTextFault* fault) const {
  if (!doubleByte()) {
    fault->problem = TEXT_NO_DOUBLE_BYTE;
    return -1;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  return encodeMixed(p, p + (length > 0 ? length : 0), out, room, true, fault);
}

int CCBTextEncoder::encodeUtf16(const char* text, int length, unsigned char* out, int room,
                                CCBTextFault* fault) const {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  return encodeCharacters(p, p + (length > 0 ? length : 0), out, room, true, fault);
}

// Encodes character by character; once the room is full, the rest may only be blanks.
// A text too long is still read to its end, for the bytes it needs.
int CCBTextEncoder::encodeCharacters(const unsigned char* p, const unsigned char* end,
                                     unsigned char* out, int room, bool utf16,
                                     CCBTextFault* fault) const {
  int written = 0;
  int total = 0;   // the bytes the text takes
  int needed = 0;  // the same up to its last character that is no blank
  bool full = false;
  // ASCII characters, a byte each, straight from the table where the target has them all.
  if (!utf16 && asciiComplete_) {
    const int most = static_cast<int>(end - p) < room ? static_cast<int>(end - p) : room;
    while (written < most && *p < 0x80) {
      out[written++] = asciiBytes_[*p];
      if (*p++ != ' ') needed = written;
    }
    total = written;
  }
  while (p < end) {
    uint32_t codePoint = 0;
    if (!nextCharacter(&p, end, &codePoint)) {
      fault->problem = TEXT_INVALID_UTF8;
      return -1;
    }
    int size = 0;
    uint16_t byte = NONE;
    if (utf16) {
      size = codePoint >= 0x10000 ? 4 : 2;
    } else if (utf8Target_) {
      size = utf8Length(codePoint);
    } else if ((byte = byteOf(codePoint)) != NONE) {
      size = 1;
    } else {
      fault->problem = TEXT_UNENCODABLE;
      fault->codePoint = codePoint;
      return -1;
    }
    total += size;
    if (codePoint != ' ') needed = total;
    if (full || total > room) {
      full = true;
      continue;
    }
    if (utf16) {
      putUtf16(codePoint, out + written);
    } else if (utf8Target_) {
      putUtf8(codePoint, out + written);
    } else {
      out[written] = static_cast<unsigned char>(byte);
    }
    written += size;
  }
  if (!full || needed <= room) return written;
  fault->problem = TEXT_TOO_LONG;
  fault->needed = needed;
  return -1;
}

// The text goes to the page's converter in UTF-16, its trailing blanks aside: they are
// padding. It is written whole or not at all, so no double-byte character is cut and
// no shift-out is left without its shift-in.
int CCBTextEncoder::encodeMixed(const unsigned char* p, const unsigned char* end,
                                unsigned char* out, int room, bool doubleByte,
                                CCBTextFault* fault) const {
  while (end > p && end[-1] == ' ') --end;
  units_.clear();
  while (p < end) {
    uint32_t codePoint = 0;
    if (!nextCharacter(&p, end, &codePoint)) {
      fault->problem = TEXT_INVALID_UTF8;
      return -1;
    }
    if (codePoint >= 0x10000) {
      units_.push_back(U16_LEAD(codePoint));
      units_.push_back(U16_TRAIL(codePoint));
    } else {
      units_.push_back(static_cast<UChar>(codePoint));
    }
  }
  const int count = static_cast<int>(units_.size());
  if (count > MAX_MIXED_UNITS) {  // each unit takes a byte at least
    fault->problem = TEXT_TOO_LONG;
    fault->needed = count;
    return -1;
  }
  const unsigned char* bytes = nullptr;
  int refused = 0;
  const int length = mixed_.encode(units_.data(), count, doubleByte, &bytes, &refused);
  if (length < 0) {
    fault->problem = length == CCBMixedConverter::SINGLE_BYTE ? TEXT_SINGLE_BYTE : TEXT_UNENCODABLE;
    UChar32 codePoint = 0;
    U16_NEXT(units_.data(), refused, count, codePoint);
    fault->codePoint = static_cast<uint32_t>(codePoint);
    return -1;
  }
  if (length > room) {
    fault->problem = TEXT_TOO_LONG;
    fault->needed = length;
    return -1;
  }
  if (length > 0) std::memcpy(out, bytes, static_cast<size_t>(length));
  return length;
}
