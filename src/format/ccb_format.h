// CCBFormat is the compiled form of an elementary field's PICTURE, USAGE and SIGN
// clauses: how many bytes the field occupies in a record, where its implied point
// and scaling positions are, how it is signed, how long its decoded text is and
// which value type its output column has. It also owns the buffer that decoding
// reuses for every record's text of the field.
//
// A format is built by create() and owned by one field node, which destroys it
// before building another. After create() it is immutable except for the contents
// of its text buffer. One thread uses a format at a time.
//
// Its parts: the format and its usages (ccb_format.cpp), the picture rules
// (ccb_picture_rules.cpp), the text decoders (ccb_text_decoders.cpp) and the value
// decoders (ccb_value_decoders.cpp), which share the byte readers of
// ccb_stored_numbers.h.
#ifndef LYRA_FORMAT_CCB_FORMAT_H_
#define LYRA_FORMAT_CCB_FORMAT_H_

#include <cstdint>
#include <cstring>
#include <memory>

#include "format/ccb_text_codec.h"
#include "format/ccb_value_check.h"
#include "lyra/ccb_read_options.h"
#include "lyra/qvb_string.h"

// Sign flag bits.
const unsigned SIGN_LEADING = 0x001;   // the sign is at the start of the field, else at its end
const unsigned SIGN_SEPARATE = 0x002;  // the sign has a character position of its own
const unsigned SIGNED = 0x200;         // the picture has S

// Usage codes.
enum CCBUsage {
  USAGE_UNKNOWN = 0,
  USAGE_DISPLAY = 1,
  USAGE_BINARY = 2,
  USAGE_PACKED = 3,
  USAGE_DISPLAY_1 = 4,
  USAGE_NATIONAL = 5,
  USAGE_FLOAT_SHORT = 6,  // COMP-1: 4 bytes
  USAGE_FLOAT_LONG = 7,   // COMP-2: 8 bytes
};

// The rules a format is built by: the classic ones by default. The extended
// services refuse binary pictures longer than an 8-byte word holds (extended) and,
// unless parsing strictly, read COMP-0 as binary and give a separate sign its byte
// where the picture lacks the S that the SIGN clause needs (tolerant); their layout options
// give the float format of COMP-1 and COMP-2 items (a FloatFormat; FLOAT_NONE
// refuses them) and whether national items hold UTF-16 text, two bytes per
// character position (else one byte, as display). Unless parsing strictly they read
// PIC G and USAGE DISPLAY-1 items as double-byte text, two bytes per character
// position (doubleByte; else one byte, as the classic rules count). A rule of the
// layout rather than of its formats rides along: whether OCCURS DEPENDING ON tables
// always take their maximum size (odoMax).
struct CCBFormatRules {
  int floatFormat = 0;
  bool nationalUtf16 = false;
  bool extended = false;
  bool tolerant = false;
  bool doubleByte = false;
  bool odoMax = false;
};

// EBCDIC code page 037, the one the classic reader knows.
const int CCSID_EBCDIC037 = 37;

// How the bytes of an input are decoded: the character set of its text and of the
// results, and the byte order of its binary items.
struct CCBDecoding {
  CCBTextCodec codec;
  bool binaryLittleEndian = false;  // every binary item
  bool comp5LittleEndian = false;   // COMP-5 items
  // A zero byte in display and national text: ends the text (the classic rule),
  // reads as a space, or stays.
  CCBZeroBytes zeroBytes = CCB_ZERO_BYTES_END;
};

// The classic reader's decoding: bytes as they stand (noConvert) or EBCDIC 037, to
// ISO-8859-1, binary big-endian.
inline CCBDecoding classicDecoding(bool noConvert) {
  CCBDecoding decoding;
  decoding.codec.init(noConvert ? CCSID_LATIN1 : CCSID_EBCDIC037, false);
  return decoding;
}

// What a field's value is by its picture and usage, for hosts that type values by
// it: text, a fixed-point number, a numeric-edited one or a floating-point one. A
// fixed-point number has digits digit positions, scaling positions included, fraction
// of them after the point (S9(5)V99: 7 and 2; 9(3)PP: 5 and 0; PP99: 4 and 4). An
// edited number is the value its printed text states (scanEditedNumber reads it),
// counted alike: its digit positions are 9, Z, * and each symbol of a floating $, +
// or - string but the first ($$$9.99-: 5 and 2; ZZ9PP: 5 and 0).
struct CCBNumberShape {
  enum Kind { TEXT, FIXED_POINT, EDITED, FLOAT };
  Kind kind = TEXT;
  int digits = 0;
  int fraction = 0;
  bool isSigned = false;  // the picture has S
  bool binary = false;    // stored as a binary integer
  int storageLength = 0;  // bytes in the record
  // Edited: every digit position may be suppressed (no 9), so that the text of zero
  // holds no digit, only blanks, or '*' and the point of check protection.
  bool zeroWithoutDigits = false;
};

// A fixed-point value taken straight from a field's bytes: the sign, the magnitude of
// all its digits as one integer, and how many of them follow the point. Zero is never
// negative.
struct CCBFixedPointValue {
  bool negative = false;
  uint64_t magnitude = 0;
  int fraction = 0;
};

// The largest number of bytes, and of decoded characters, one field may have.
const int MAX_FIELD_LENGTH = 16 * 1024 * 1024;

class CCBFormat {
 public:
  // Builds the format of a picture, a usage text and sign flags (SIGN_LEADING plus
  // SIGN_SEPARATE as the SIGN clause asks), by the rules given. Returns null on
  // failure with the reason in error, or with error unchanged for the failures that
  // carry no message. A float usage takes no picture; it is refused without a float
  // format.
  static CCBFormat* create(const QvbString& picture, const QvbString& usage, int signFlags,
                           QvbString& error, const CCBFormatRules& rules = CCBFormatRules());
  // The usage code of a usage word by the classic rules (letter case ignored);
  // USAGE_UNKNOWN when unknown.
  static int lookupUsage(const QvbString& usage);
  // Whether a usage word stands for an item that needs no picture (COMP-1, COMP-2,
  // INDEX, POINTER and their kind): such an entry is an elementary item.
  static bool usageNeedsNoPicture(const QvbString& usage);
  // The picture rules: fill the picture-dependent fields of a format.
  static bool parseNumericPicture(const QvbString& picture, CCBFormat* format, QvbString& error);
  static bool parseDisplayPicture(const QvbString& picture, CCBFormat* format, QvbString& error);

  ~CCBFormat();
  CCBFormat(const CCBFormat&) = delete;
  CCBFormat& operator=(const CCBFormat&) = delete;

  // Decodes the field's storageLength() bytes at bytes (they may lie anywhere, such
  // as in the data-file window) and returns the characters of its text, *length of
  // them; the value is these characters up to the first zero byte. The text of a plain
  // display field (no sign, point or scaling) whose bytes stand as they are is those
  // bytes themselves; every other text is written into the format's text buffer,
  // zero-terminated. Undecodable bytes give "#ERR#". The text buffer must have room
  // for the decoding's expansion (reserveText).
  const char* decodeText(const unsigned char* bytes, const CCBDecoding& decoding, int* length) {
    if (textIsBytes(decoding) &&
        (decoding.zeroBytes != CCB_ZERO_BYTES_SPACE ||
         std::memchr(bytes, 0, static_cast<size_t>(storageLength_)) == nullptr)) {
      *length = storageLength_;
      return reinterpret_cast<const char*>(bytes);
    }
    *length = decodeInto(bytes, decoding);
    return text_;
  }
  // Whether the text is the field's bytes as they stand, zero bytes aside: a plain
  // display field (no sign, point or scaling) whose characters need no conversion.
  bool textIsBytes(const CCBDecoding& decoding) const {
    return plainText_ && decoding.codec.passThrough();
  }
  // Makes room in the text buffer for text whose characters take up to expansion
  // bytes each (1 for ISO-8859-1 results, 3 for UTF-8); false when it cannot.
  bool reserveText(int expansion);
  // The decoders: each writes the text into the text buffer and returns its length.
  int decodeDisplay(const unsigned char* bytes, const CCBDecoding& decoding);
  int decodeBinary(const unsigned char* bytes, bool littleEndian);
  int decodePacked(const unsigned char* bytes);
  int decodeFloat(const unsigned char* bytes);
  int decodeNational(const unsigned char* bytes, const CCBDecoding& decoding);
  int decodeDoubleByte(const unsigned char* bytes, const CCBDecoding& decoding);

  // The value that decodeText's text read by scanFixedPoint gives (the same digits, as
  // many after the point, the same sign but for zero, which is never negative), taken
  // from the bytes without writing the text. False where the text path must judge:
  // bytes that are no plain digits of their kind, scaling positions, a separate sign,
  // display items that are no plain number, floats, national items, a binary V with
  // no digit after it, more digits than a uint64 surely holds.
  bool decodeFixedPoint(const unsigned char* bytes, const CCBDecoding& decoding,
                        CCBFixedPointValue* value) const {
    switch (direct_) {
      case DIRECT_BINARY:
        return binaryFixedPoint(
            bytes, decoding.binaryLittleEndian || (native_ && decoding.comp5LittleEndian), value);
      case DIRECT_PACKED:
        return packedFixedPoint(bytes, value);
      case DIRECT_ZONED:
        return zonedFixedPoint(bytes, decoding.codec.ebcdic(), value);
      default:
        return false;
    }
  }

  // A fixed-point number for binary and packed items and display pictures of S, 9, V
  // and P alone; an edited number for numeric-edited display pictures whose output
  // type is a number and whose text states the value (no 0 or E insertion, no S, P
  // only at the end, after a digit position, of a picture without a point); a float for
  // COMP-1 and COMP-2; otherwise text (any other display picture, national and
  // DISPLAY-1 items).
  CCBNumberShape numberShape() const;
  // Whether a decoded text of "#ERR#" tells that the bytes could not be decoded: for
  // every item but display text, which holds any characters.
  bool canFailAsText() const { return usage_ != USAGE_DISPLAY || national_ || doubleByte_; }
  // How the value whose text decodeText gave (length characters at text, in the
  // decoding's result encoding) stands with the picture and usage. bytes are the
  // field's bytes it was decoded from, or null where they are not at hand: the
  // checks that need them (binary ranges, pad nibbles, IBM float precision) are then
  // left out. In ccb_value_check.cpp.
  CCBValueFault checkValue(const char* text, int length, const unsigned char* bytes,
                           const CCBDecoding& decoding) const;
  // The same judged from the field's bytes alone, without decoding them, where they
  // tell it: binary, packed, display numbers, and text of a single-byte page. False,
  // with *fault unchanged, where the value must be decoded for checkValue.
  bool checkBytes(const unsigned char* bytes, const CCBDecoding& decoding,
                  const CCBByteClasses& classes, CCBValueFault* fault) const;

  int decimalPosition() const { return decimalPosition_; }
  int scaleCount() const { return scaleCount_; }
  int storageLength() const { return storageLength_; }
  int outputLength() const { return outputLength_; }
  int outputType() const { return outputType_; }
  int usage() const { return usage_; }  // a CCBUsage code
  bool isNational() const { return national_; }
  bool isDoubleByte() const { return doubleByte_; }
  int floatFormat() const { return floatFormat_; }  // a FloatFormat; FLOAT_NONE for no float
  // For the encoders: the sign flags (SIGNED, SIGN_LEADING, SIGN_SEPARATE), whether the
  // item is native binary (COMP-5) and whether it is a display number of S, 9, V and P.
  unsigned signFlags() const { return flags_; }
  bool isNative() const { return native_; }
  bool isPlainNumber() const { return plainNumber_; }

 private:
  CCBFormat(int usage, unsigned flags) : flags_(flags), usage_(usage) {}
  bool allocateBuffers(int capacity);
  bool buildFloat(int floatFormat);
  bool makeNational(QvbString& error);
  bool makeDoubleByte(QvbString& error);
  int binaryTextLength() const;
  bool addDigits(int count, QvbString& error);
  bool addStorage(int count, QvbString& error);
  bool addScale(bool trailing, int count, QvbString& error);
  bool setDecimalPosition(int position);
  bool finishNumericPicture(QvbString& error);
  bool finishDisplayPicture(bool allNumeric, bool integer, QvbString& error);
  void setEditedNumber(int digits, int fraction, bool zeroWithoutDigits);
  int fixedPointFraction() const;
  int decodeInto(const unsigned char* bytes, const CCBDecoding& decoding);
  char* writeDisplaySign(const unsigned char* data, char* out, const CCBDecoding& decoding,
                         int* signIndex, int* signDigit) const;
  char* writeDisplayCharacters(const unsigned char* data, char* out, const CCBDecoding& decoding,
                               int signIndex, int signDigit) const;
  uint64_t readBinary(const unsigned char* data, bool littleEndian, bool* negative) const;
  // How decodeFixedPoint reads the bytes: which decoder, or none.
  enum DirectKind : unsigned char { DIRECT_NONE, DIRECT_BINARY, DIRECT_PACKED, DIRECT_ZONED };
  DirectKind directKind() const;
  bool binaryFixedPoint(const unsigned char* data, bool littleEndian,
                        CCBFixedPointValue* value) const;
  bool packedFixedPoint(const unsigned char* data, CCBFixedPointValue* value) const;
  bool zonedFixedPoint(const unsigned char* data, bool ebcdic, CCBFixedPointValue* value) const;
  // The parts of checkValue.
  CCBValueFault displayFault(const char* text, int length, const unsigned char* bytes,
                             bool utf8) const;
  CCBValueFault binaryFault(const unsigned char* bytes, const CCBDecoding& decoding) const;
  CCBValueFault floatFault(const char* text, int length, const unsigned char* bytes) const;
  CCBValueFault packedFault(const unsigned char* bytes) const;
  CCBValueFault zonedFault(const unsigned char* bytes, bool ebcdic,
                           const CCBByteClasses& classes) const;

  unsigned flags_;
  int usage_;
  int decimalPosition_ = -1;
  int fractionDigits_ = -1;
  int scaleCount_ = 0;
  int digitCount_ = 0;
  int storageLength_ = 0;
  // Bytes of text buffer inside the format: the common short texts take no allocation.
  static const int INLINE_TEXT = 48;
  char* text_ = inlineText_;          // the text buffer: inlineText_ or heapText_
  std::unique_ptr<char[]> heapText_;  // for longer texts
  int textCapacity_ = 0;              // characters the text buffer holds before its zero byte
  int outputLength_ = 0;
  int outputType_ = 0;
  bool plainText_ = false;    // display without sign, point or scaling: the text is the bytes
  bool plainNumber_ = false;  // display of S, 9, V and P only, with a 9
  bool native_ = false;       // COMP-5: its byte order may differ from other binary items
  bool national_ = false;     // UTF-16 text, two bytes per character position
  bool doubleByte_ = false;   // double-byte text of a mixed page, two bytes per position
  int floatFormat_ = 0;       // a FloatFormat, for the float usages
  DirectKind direct_ = DIRECT_NONE;
  int directFraction_ = 0;  // the digits after the point of a value decodeFixedPoint gives
  // A numeric-edited display picture whose text states its value: its digit positions
  // (trailing scaling positions included), those after the point, and whether zero
  // may be written without a digit. Digits 0: no such picture.
  int editedDigits_ = 0;
  int editedFraction_ = 0;
  bool editedZeroWithoutDigits_ = false;
  char inlineText_[INLINE_TEXT] = {};
};

#endif  // LYRA_FORMAT_CCB_FORMAT_H_
