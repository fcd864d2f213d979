// CCBFieldEncoder writes the bytes of one elementary item from a value: the reverse
// of CCBFormat's decoders, for every usage they decode. A value is text (what the
// decoders give, or a plain number such as "1", "-12.5", "1e-3", "007"), an integer
// or a double. The bytes are canonical:
//
//   display text      through the code page, padded with blanks; in a mixed page a
//                     shift-out before each run of double-byte characters, a shift-in
//                     after it
//   double-byte text  PIC G, USAGE DISPLAY-1: a mixed page's pairs without shift
//                     bytes, padded with the double-byte blank 40 40
//   zoned numbers     digits of the page; an embedded sign in EBCDIC pages by zone C
//                     (signed, positive), D (negative) or F (unsigned); in the others
//                     the plain digit when positive and 0x70 + digit ('p'-'y') when
//                     negative, or the overpunch letters ({, A-I, }, J-R) when asked;
//                     a separate sign '+' or '-' where the SIGN clause puts it
//   packed decimal    sign nibble C or D for signed pictures, F for unsigned
//   binary            two's complement when signed, 2, 4 or 8 bytes, in the byte order
//                     of the encoding; COMP-5, and every binary item when asked, holds any
//                     value of its bytes, other items the digits of their picture
//   floats            IBM or IEEE, rounded to the nearest value the format holds
//   national          UTF-16 big-endian, padded with U+0020
//   numeric-edited    the edited text of the value, as a COBOL MOVE edits it
//
// A value that does not fit is refused, never cut or wrapped: more integer digits than
// the picture holds, more digits after the point than it has, a negative value for an
// unsigned picture, text longer than the field, a character the page cannot encode, a
// float out of the format's range. "-0" keeps its negative sign where the bytes can
// hold one (display and packed); "0" is positive.
//
// An encoder is built from a field's format and picture, which it reads but does not
// own (the format must outlive it), and is then only read: const methods may be
// called from many threads at once.
#ifndef LYRA_FORMAT_CCB_FIELD_ENCODER_H_
#define LYRA_FORMAT_CCB_FIELD_ENCODER_H_

#include <cstdint>
#include <string>

#include "format/ccb_decimal.h"
#include "format/ccb_numeric_editor.h"
#include "format/ccb_text_encoder.h"

class CCBFormat;

// How values become bytes: the character set of display text (and the host text's
// encoding), the byte order of binary items, and two choices only writing has.
struct CCBEncoding {
  CCBTextEncoder text;
  bool binaryLittleEndian = false;  // every binary item
  bool comp5LittleEndian = false;   // COMP-5 items
  bool overpunch = false;        // pages that are not EBCDIC: embedded signs as overpunch letters
  bool binaryFullRange = false;  // binary items take any value their bytes hold
};

enum CCBEncodeProblem : uint8_t {
  ENCODE_OK = 0,
  ENCODE_NOT_NUMBER,       // no number
  ENCODE_INTEGER_DIGITS,   // more integer digits than the picture holds
  ENCODE_FRACTION_DIGITS,  // more digits after the point than the picture has
  ENCODE_SCALE,            // digits where the picture's scaling positions hold none
  ENCODE_NEGATIVE,         // below zero, for a picture without a sign
  ENCODE_BINARY_RANGE,     // beyond what the binary item's bytes hold
  ENCODE_TEXT,             // text that cannot be encoded (see the text fault)
  ENCODE_FLOAT_RANGE,      // out of the float format's range
  ENCODE_NOT_EDITED,       // an edited text that does not edit back to itself
  ENCODE_NO_VALUES,        // an item that takes no values: DISPLAY-1, NATIONAL as bytes
};

// What went wrong with a value: the problem, and what the reason text tells of it.
struct CCBEncodeFault {
  CCBEncodeProblem problem = ENCODE_OK;
  CCBTextFault text;   // ENCODE_TEXT
  int digits = 0;      // ENCODE_INTEGER_DIGITS, ENCODE_FRACTION_DIGITS: what the value has
  std::string edited;  // ENCODE_NOT_EDITED: the text the value edits to
};

class CCBFieldEncoder {
 public:
  // Prepares the encoder of a format and the picture it was built from.
  void init(const CCBFormat* format, const char* picture, int pictureLength);

  int storageLength() const { return storage_; }
  // Whether the item holds a number whose value a double or an integer gives: zoned,
  // packed, binary, float and numeric-edited items.
  bool takesNumbers() const {
    return kind_ != KIND_TEXT && kind_ != KIND_NATIONAL && kind_ != KIND_DOUBLE_BYTE;
  }

  // Writes the storageLength() bytes of the value to out; false with the fault, out
  // scribbled, when the value does not fit.
  bool encodeText(const char* text, int length, const CCBEncoding& encoding, unsigned char* out,
                  CCBEncodeFault* fault) const;
  bool encodeInteger(int64_t value, const CCBEncoding& encoding, unsigned char* out,
                     CCBEncodeFault* fault) const;
  bool encodeUnsigned(uint64_t value, const CCBEncoding& encoding, unsigned char* out,
                      CCBEncodeFault* fault) const;
  bool encodeDouble(double value, const CCBEncoding& encoding, unsigned char* out,
                    CCBEncodeFault* fault) const;
  // Writes the value of a null field, as COBOL's INITIALIZE gives it: blanks for text
  // and national items, zero for numbers.
  void encodeDefault(const CCBEncoding& encoding, unsigned char* out) const;

  // Why the value was refused, as a message goes on: "has 4 integer digits, more than
  // the 3 its picture holds".
  std::string reason(const CCBEncodeFault& fault, const CCBEncoding& encoding) const;

 private:
  enum Kind : uint8_t {
    KIND_TEXT,   // display text, as the page encodes it
    KIND_ZONED,  // a display number of S, 9, V and P
    KIND_PACKED,
    KIND_BINARY,
    KIND_FLOAT,
    KIND_NATIONAL,     // UTF-16
    KIND_DOUBLE_BYTE,  // a mixed page's double-byte text, without shift bytes
    KIND_EDITED,       // numeric-edited
    KIND_NONE,         // no values: blanks only
  };

  bool encodeNumber(const CCBDecimal& number, const CCBEncoding& encoding, unsigned char* out,
                    CCBEncodeFault* fault) const;
  bool encodeZoned(const CCBDecimal& number, const CCBEncoding& encoding, unsigned char* out,
                   CCBEncodeFault* fault) const;
  bool encodePacked(const CCBDecimal& number, unsigned char* out, CCBEncodeFault* fault) const;
  bool packDigits(const unsigned char* digits, const CCBDecimal& number, unsigned char* out) const;
  bool encodeBinary(const CCBDecimal& number, const CCBEncoding& encoding, unsigned char* out,
                    CCBEncodeFault* fault) const;
  bool encodeEdited(const char* text, int length, const CCBEncoding& encoding, unsigned char* out,
                    CCBEncodeFault* fault) const;
  bool editNumber(const CCBDecimal& number, const CCBEncoding& encoding, unsigned char* out,
                  CCBEncodeFault* fault) const;
  bool encodeCharacters(const char* text, int length, const CCBEncoding& encoding,
                        unsigned char* out, CCBEncodeFault* fault) const;
  bool fits(const CCBDecimal& number, CCBDigitPositions positions, unsigned char* digits,
            CCBEncodeFault* fault) const;
  unsigned char embeddedSign(int digit, bool negative, const CCBEncoding& encoding) const;

  Kind kind_ = KIND_NONE;
  int storage_ = 0;
  CCBDigitPositions positions_;  // numbers: the picture's digit positions
  bool signed_ = false;          // the picture has S (edited: a sign symbol)
  bool leading_ = false;         // the sign is at the start
  bool separate_ = false;        // the sign has a byte of its own
  bool native_ = false;          // COMP-5
  int floatFormat_ = 0;
  int usage_ = 0;
  CCBNumericEditor editor_;  // KIND_EDITED
};

#endif  // LYRA_FORMAT_CCB_FIELD_ENCODER_H_
