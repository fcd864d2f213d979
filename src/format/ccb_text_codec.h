// CCBTextCodec turns the display text of records into the result encoding,
// ISO-8859-1 or UTF-8. The source is a single-byte code page of np_code_pages (by
// CCSID; 819 is ISO-8859-1, whose bytes are their own code points), UTF-8 (CCSID
// 1208, passed through and validated) or one of IBM's mixed single- and double-byte
// pages (CCBMixedConverter). UTF-16 big-endian text decodes the same way whatever the
// source page; double-byte text without shift bytes only in a mixed page.
//
// A codec is a value of a few KB: init() fills its tables once per open data file
// (none for ISO-8859-1 to ISO-8859-1), and decoding is then table lookups with no
// allocation. It owns its tables and, for a mixed page, its converter (a copy opens
// one of its own); the object that opens a data file owns the codec. Const methods
// may be called from many threads at once, but for a mixed page, whose converter
// they use: then one thread at a time. init() needs external locking.
//
// Result rules: in ISO-8859-1 a code point above 0xFF, U+FFFD included, becomes '?'.
// A byte a page has no character for is U+FFFD. Ill-formed UTF-8 gives one U+FFFD
// for each maximal subpart of an ill-formed sequence, as Unicode recommends. The
// zero byte is the zero byte in every source.
#ifndef LYRA_FORMAT_CCB_TEXT_CODEC_H_
#define LYRA_FORMAT_CCB_TEXT_CODEC_H_

#include <cstdint>

#include "format/ccb_mixed_converter.h"

struct NpCodePage;

const int CCSID_LATIN1 = 819;  // ISO-8859-1
const int CCSID_UTF8 = 1208;   // UTF-8

class CCBTextCodec {
 public:
  CCBTextCodec();  // ISO-8859-1 source, ISO-8859-1 result: bytes as they stand

  // Sets the source CCSID (819, 1208, any page of np_code_pages or a mixed page) and
  // the result encoding (utf8Result false: ISO-8859-1). False, codec unchanged, for an
  // unknown CCSID (or a mixed page that ICU cannot open).
  bool init(int ccsid, bool utf8Result);

  int ccsid() const { return ccsid_; }
  bool ebcdic() const { return ebcdic_; }  // zoned signs are then in the zone nibble
  bool utf8Result() const { return utf8Result_; }
  bool passThrough() const { return mode_ == MODE_COPY; }  // the text is the bytes
  // The byte of a blank in the source: 0x40 in every EBCDIC page, else 0x20.
  unsigned char blank() const { return ebcdic_ ? 0x40 : 0x20; }

  // The most result bytes one source byte can become: 3 for a UTF-8 result, else 1.
  int maxExpansion() const { return utf8Result_ ? 3 : 1; }

  // Decodes n bytes of display text at src into dst (nothing for n <= 0); returns
  // the end of what it wrote. REQUIRES: room for n * maxExpansion() bytes at dst,
  // which may be scribbled past the returned end but not past that room; dst does
  // not overlap src unless the codec is pass-through or has an ISO-8859-1 result
  // from a single-byte page, where dst may equal src.
  char* decode(const unsigned char* src, int n, char* dst) const;

  // Decodes n bytes of UTF-16 big-endian text at src into dst in the result
  // encoding (nothing for n <= 0); returns the end. A surrogate pair is one
  // character; an unpaired surrogate, and an odd last byte, is U+FFFD. REQUIRES:
  // room for n / 2 * 3 + 3 bytes at dst, which does not overlap src.
  char* decodeUtf16(const unsigned char* src, int n, char* dst) const;

  // Whether the source is a mixed page, which reads double-byte text.
  bool doubleByte() const { return mode_ == MODE_MIXED; }
  // Decodes n bytes of double-byte text without shift bytes (two bytes a character)
  // as the mixed page reads the text between a shift-out and a shift-in; returns the
  // end, or null, writing nothing, where the source is no mixed page. REQUIRES: room
  // for n * maxExpansion() bytes at dst, which does not overlap src.
  char* decodeDoubleByte(const unsigned char* src, int n, char* dst) const;

 private:
  enum Mode : uint8_t {
    MODE_COPY,            // ISO-8859-1 to ISO-8859-1
    MODE_PAGE_TO_LATIN1,  // single-byte page, one byte of latin1_ per byte
    MODE_PAGE_TO_UTF8,    // single-byte page, one entry of utf8_ per byte
    MODE_UTF8_SOURCE,     // validated, each character put in the result encoding
    MODE_MIXED,           // a mixed page, through its converter
  };

  struct Utf8Bytes {
    uint8_t length;  // 1 to 3
    char bytes[3];   // the UTF-8 form, then the unused bytes
  };

  void fillTables(const NpCodePage& page);
  char* pageToUtf8(const unsigned char* src, int n, char* dst) const;
  char* utf8Source(const unsigned char* src, int n, char* dst) const;
  char* putCodePoint(uint32_t codePoint, char* dst) const;
  char* mixedSource(const unsigned char* src, int n, bool doubleByte, char* dst) const;

  int ccsid_;
  bool ebcdic_;
  bool utf8Result_;
  bool asciiKept_;  // the page gives every byte below 0x80 its ASCII character
  Mode mode_;
  // Filled for the modes that read them.
  char latin1_[256] = {};            // each byte's character in ISO-8859-1, '?' for none
  Utf8Bytes utf8_[256] = {};         // each byte's character in UTF-8
  mutable CCBMixedConverter mixed_;  // open for a mixed page
};

#endif  // LYRA_FORMAT_CCB_TEXT_CODEC_H_
