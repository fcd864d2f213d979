#include "format/ccb_format.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "format/ccb_float.h"
#include "format/ccb_stored_numbers.h"
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
    {"DISPLAY-1", USAGE_DISPLAY_1, false, false},     // double-byte characters, when told
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

// Whether a display picture has the symbol (an upper-case letter), in either case.
bool hasSymbol(const QvbString& picture, char symbol) {
  for (const char* p = picture.asCstr(); *p != '\0'; ++p) {
    if (np_uchar_asupper_table[static_cast<unsigned char>(*p)] == symbol) return true;
  }
  return false;
}

// Whether a display picture is a number without S: 9, V and P alone, repetition counts
// aside, with a 9 among them.
bool isUnsignedNumber(const QvbString& picture) {
  bool digit = false;
  bool inCount = false;
  for (const char* p = picture.asCstr(); *p != '\0'; ++p) {
    if (inCount) {
      inCount = *p != ')';
    } else if (*p == '(') {
      inCount = true;
    } else if (*p == '9') {
      digit = true;
    } else if (std::strchr("VvPp", *p) == nullptr) {
      return false;
    }
  }
  return digit;
}

// The picture a display item is built from. A SIGN SEPARATE clause gives the sign a
// character position of its own, which COBOL allows only where the picture has S; the
// tolerant rules read such a clause on a number without S as if the picture had it,
// so that the sign's byte counts in the record instead of being read as a digit. The
// classic and strict rules read the picture as written.
QvbString displayPicture(const QvbString& picture, unsigned signFlags,
                         const CCBFormatRules& rules) {
  if (!rules.tolerant || (signFlags & SIGN_SEPARATE) == 0 || !isUnsignedNumber(picture)) {
    return picture;
  }
  QvbString signedPicture("S");
  signedPicture.append(picture);
  return signedPicture;
}

// The shortest text a field has room for: the error text.
const int MIN_OUTPUT_LENGTH = 5;
const int MAX_BINARY_DIGITS = 18;  // the most an extended service reads in 8 bytes

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
  const bool doubleByte = rules.doubleByte && (code == USAGE_DISPLAY_1 ||
                                               (code == USAGE_DISPLAY && hasSymbol(picture, 'G')));
  const bool national =
      rules.nationalUtf16 && !doubleByte && (code == USAGE_NATIONAL || hasSymbol(picture, 'N'));
  if (isFloatUsage(code)) {
    if (!format->buildFloat(rules.floatFormat)) return nullptr;
  } else if (numeric ? !parseNumericPicture(picture, format.get(), error)
                     : !parseDisplayPicture(displayPicture(picture, flags, rules), format.get(),
                                            error)) {
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
  if (doubleByte && !format->makeDoubleByte(error)) return nullptr;
  format->direct_ = format->directKind();
  format->directFraction_ = format->fixedPointFraction();
  // A binary field can hold more digits than its picture declares; each UTF-16 unit
  // of national text gives up to 3 bytes of UTF-8.
  int capacity = format->outputLength_;
  if (code == USAGE_BINARY && format->binaryTextLength() > capacity) {
    capacity = format->binaryTextLength();
  }
  if (national) capacity = format->storageLength_ / 2 * 3 + MIN_OUTPUT_LENGTH;
  // Double-byte text is decoded with the room of display text in UTF-8.
  if (doubleByte) capacity = format->storageLength_ * 3 + MIN_OUTPUT_LENGTH;
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

// Double-byte text: two bytes per character position, as many characters.
bool CCBFormat::makeDoubleByte(QvbString& error) {
  if (storageLength_ > MAX_FIELD_LENGTH / 2) {
    setExceedsError(error);
    return false;
  }
  storageLength_ *= 2;
  doubleByte_ = true;
  plainText_ = false;
  return true;
}

bool CCBFormat::reserveText(int expansion) {
  if (expansion <= 1 || usage_ != USAGE_DISPLAY || national_ || doubleByte_) return true;
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
  if (editedDigits_ > 0 && usage_ == USAGE_DISPLAY && !national_) {
    shape.kind = CCBNumberShape::EDITED;
    shape.digits = editedDigits_;
    shape.fraction = editedFraction_;
    shape.zeroWithoutDigits = editedZeroWithoutDigits_;
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
