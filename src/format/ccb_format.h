// CCBFormat is the compiled form of an elementary field's PICTURE, USAGE and SIGN
// clauses: how many bytes the field occupies in a record, where its implied point
// and scaling positions are, how it is signed, how long its decoded text is and
// which value type its output column has. It also owns the buffer that decoding
// reuses for every record's text of the field.
//
// A format is built by create() and owned by one field node, which destroys it
// before building another. After create() it is immutable except for the contents
// of its text buffer. One thread uses a format at a time.
#ifndef LYRA_FORMAT_CCB_FORMAT_H_
#define LYRA_FORMAT_CCB_FORMAT_H_

#include <memory>

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
};

// The largest number of bytes, and of decoded characters, one field may have.
const int MAX_FIELD_LENGTH = 16 * 1024 * 1024;

class CCBFormat {
 public:
  // Builds the format of a picture, a usage text and sign flags (SIGN_LEADING plus
  // SIGN_SEPARATE as the SIGN clause asks). Returns null on failure with the reason in
  // error, or with error unchanged for the failures that carry no message.
  static CCBFormat* create(const QvbString& picture, const QvbString& usage, int signFlags,
                           QvbString& error);
  // The usage code of a usage word (letter case ignored); USAGE_UNKNOWN when unknown.
  static int lookupUsage(const QvbString& usage);
  // The picture rules: fill the picture-dependent fields of a format.
  static bool parseNumericPicture(const QvbString& picture, CCBFormat* format, QvbString& error);
  static bool parseDisplayPicture(const QvbString& picture, CCBFormat* format, QvbString& error);

  ~CCBFormat();
  CCBFormat(const CCBFormat&) = delete;
  CCBFormat& operator=(const CCBFormat&) = delete;

  // Decodes the field's storageLength() bytes at bytes (they may lie anywhere, such
  // as in the data-file window) and returns the characters of its text, *length of
  // them; the value is these characters up to the first zero byte. The text of a plain
  // display field (no sign, point or scaling) read without conversion is its bytes
  // themselves; every other text is written into the format's text buffer,
  // zero-terminated. With noConvert false, display characters are converted from
  // EBCDIC. Undecodable bytes give "#ERR#".
  const char* decodeText(const unsigned char* bytes, bool noConvert, int* length) {
    if (plainText_ && noConvert) {
      *length = storageLength_;
      return reinterpret_cast<const char*>(bytes);
    }
    *length = decodeInto(bytes, noConvert);
    return textBuffer_.get();
  }
  // The decoders: each writes the text into the text buffer and returns its length.
  int decodeDisplay(const unsigned char* bytes, bool noConvert);
  int decodeBinary(const unsigned char* bytes);
  int decodePacked(const unsigned char* bytes);

  int decimalPosition() const { return decimalPosition_; }
  int scaleCount() const { return scaleCount_; }
  int storageLength() const { return storageLength_; }
  int outputLength() const { return outputLength_; }
  int outputType() const { return outputType_; }

 private:
  CCBFormat(int usage, unsigned flags) : flags_(flags), usage_(usage) {}
  bool allocateBuffers();
  int binaryTextLength() const;
  bool addDigits(int count, QvbString& error);
  bool addStorage(int count, QvbString& error);
  bool addScale(bool trailing, int count, QvbString& error);
  bool setDecimalPosition(int position);
  bool finishNumericPicture(QvbString& error);
  bool finishDisplayPicture(bool allNumeric, bool integer, QvbString& error);
  int decodeInto(const unsigned char* bytes, bool noConvert);
  char* writeDisplaySign(const unsigned char* data, char* out, bool noConvert, int* signIndex,
                         int* signDigit) const;
  char* writeDisplayCharacters(const unsigned char* data, char* out, bool noConvert, int signIndex,
                               int signDigit) const;
  char* writePackedDigits(const unsigned char* data, char* out) const;

  unsigned flags_;
  int usage_;
  int decimalPosition_ = -1;
  int fractionDigits_ = -1;
  int scaleCount_ = 0;
  int digitCount_ = 0;
  int storageLength_ = 0;
  std::unique_ptr<char[]> textBuffer_;
  int textCapacity_ = 0;  // characters the text buffer holds before its zero byte
  int outputLength_ = 0;
  int outputType_ = 0;
  bool plainText_ = false;  // display without sign, point or scaling: the text is the bytes
};

#endif  // LYRA_FORMAT_CCB_FORMAT_H_
