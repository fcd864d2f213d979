// CCBTextEncoder turns a host's text, ISO-8859-1 or UTF-8, into the bytes of
// display text in a record's character set (a single-byte page of np_code_pages,
// ISO-8859-1, UTF-8 or one of IBM's mixed single- and double-byte pages) or into
// UTF-16 big-endian national text: the reverse of CCBTextCodec. In a mixed page,
// display text has a shift-out before each run of double-byte characters and a
// shift-in after it, and double-byte text (PIC G, USAGE DISPLAY-1) is the pairs alone.
// A character the target has no byte for is refused, never replaced.
//
// An encoder of a single-byte target is a value of a few KB: init() fills its tables,
// and encoding is then table lookups with no allocation. Of a mixed page, it owns the
// page's converter (CCBMixedConverter; a copy opens one of its own) and a buffer.
// Const methods may be called from many threads at once, but for a mixed page, whose
// converter they use: then one thread at a time. init() needs external locking.
#ifndef LYRA_FORMAT_CCB_TEXT_ENCODER_H_
#define LYRA_FORMAT_CCB_TEXT_ENCODER_H_

#include <cstdint>
#include <vector>

#include "format/ccb_mixed_converter.h"

// Why a text could not be encoded.
enum CCBTextProblem : uint8_t {
  TEXT_OK = 0,
  TEXT_TOO_LONG,        // more bytes than the field has (trailing blanks past it aside)
  TEXT_UNENCODABLE,     // a character the target has no byte for
  TEXT_INVALID_UTF8,    // the host's UTF-8 is ill-formed
  TEXT_SINGLE_BYTE,     // double-byte text: a character the page has only as a single byte
  TEXT_NO_DOUBLE_BYTE,  // double-byte text in a page that has none
};

// What went wrong, with the character that could not be encoded.
struct CCBTextFault {
  CCBTextProblem problem = TEXT_OK;
  uint32_t codePoint = 0;  // TEXT_UNENCODABLE, TEXT_SINGLE_BYTE: the character
  int needed = 0;          // TEXT_TOO_LONG: the bytes the text takes, trailing blanks aside
};

class CCBTextEncoder {
 public:
  CCBTextEncoder();  // ISO-8859-1 text to ISO-8859-1 bytes

  // Sets the target CCSID (819, 1208, any page of np_code_pages or a mixed page) and
  // the host's encoding (utf8Source false: ISO-8859-1). False, encoder unchanged, for
  // an unknown CCSID (or a mixed page that ICU cannot open).
  bool init(int ccsid, bool utf8Source);

  int ccsid() const { return ccsid_; }
  bool ebcdic() const { return ebcdic_; }
  // Whether the target is a mixed page, which writes double-byte text.
  bool doubleByte() const { return mixed_.isOpen(); }
  bool utf8Source() const { return utf8Source_; }
  // The target's byte of an ASCII character that every page has: digits, blank, signs,
  // the point and the letters of the edited signs. REQUIRES: c < 0x80.
  unsigned char ascii(char c) const { return asciiBytes_[static_cast<unsigned char>(c) & 0x7F]; }
  unsigned char blank() const { return ascii(' '); }

  // Encodes the length bytes of host text at text into out, which has room bytes, and
  // returns the bytes written; room - written bytes are left for the caller to pad.
  // Blanks that end the text may fall past the room: they are padding. -1 with fault
  // set when the text cannot be encoded.
  int encode(const char* text, int length, unsigned char* out, int room, CCBTextFault* fault) const;
  // The same as double-byte text without shift bytes, two bytes a character, for the
  // caller to pad with blank() (in a mixed page, 40 40 is the double-byte blank).
  int encodeDoubleByte(const char* text, int length, unsigned char* out, int room,
                       CCBTextFault* fault) const;
  // The same into UTF-16 big-endian: two bytes a unit, a surrogate pair for a character
  // past U+FFFF; room is in bytes.
  int encodeUtf16(const char* text, int length, unsigned char* out, int room,
                  CCBTextFault* fault) const;

 private:
  static const uint16_t NONE = 0xFFFF;  // no byte for the character

  // The next character of the host's text at *p (before end), moving *p past it; false
  // for ill-formed UTF-8.
  bool nextCharacter(const unsigned char** p, const unsigned char* end, uint32_t* codePoint) const;
  // The target's byte of a character; NONE when it has none. Single-byte targets only.
  uint16_t byteOf(uint32_t codePoint) const;
  int encodeCharacters(const unsigned char* p, const unsigned char* end, unsigned char* out,
                       int room, bool utf16, CCBTextFault* fault) const;
  bool initMixed(int ccsid, bool utf8Source);
  int encodeMixed(const unsigned char* p, const unsigned char* end, unsigned char* out, int room,
                  bool doubleByte, CCBTextFault* fault) const;

  int ccsid_;
  bool ebcdic_;
  bool utf8Source_;
  bool utf8Target_;     // UTF-8 bytes out
  bool copyLatin1_;     // ISO-8859-1 in and out: the bytes as they stand
  bool asciiComplete_;  // every ASCII character has a byte of its own
  unsigned char asciiBytes_[128];
  uint16_t lowBytes_[256];  // the byte of each code point below 0x100, or NONE
  // The byte of each code point from 0x100 on that the page has, by code point.
  std::vector<std::pair<uint16_t, unsigned char>> highBytes_;
  mutable CCBMixedConverter mixed_;   // open for a mixed page
  mutable std::vector<UChar> units_;  // a mixed page's text in UTF-16
};

#endif  // LYRA_FORMAT_CCB_TEXT_ENCODER_H_
