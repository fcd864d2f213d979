// How a field's value stands with its picture and usage, as CCBFormat::checkValue
// judges it (ccb_value_check.cpp): clean, clean but unusual, or bad in one of the
// ways a field's bytes can be. Tools that check a whole file count them; tools that
// guess how a file is laid out rank their guesses by them. Constant data and plain
// values: nothing here owns anything.
#ifndef LYRA_FORMAT_CCB_VALUE_CHECK_H_
#define LYRA_FORMAT_CCB_VALUE_CHECK_H_

enum CCBValueFault : unsigned char {
  VALUE_CLEAN = 0,
  // Clean, but unlike what programs store: a native binary (COMP-5) value beyond its
  // picture's digits (native binary holds the whole range of its storage), a float
  // that is neither zero nor between 1e-30 and 1e30 in magnitude, or that no short
  // decimal gives (a decimal value becomes a float that reads back in a few digits).
  VALUE_UNUSUAL_BINARY,
  VALUE_UNUSUAL_FLOAT,
  // Bad: what lyra reads from the bytes is not what the picture and usage allow.
  VALUE_BAD_ZONED,      // a display number: a byte that is no digit, a bad embedded sign
  VALUE_BAD_SIGN,       // a separate sign byte that is neither '+' nor '-'
  VALUE_BAD_PACKED,     // a nibble above 9, a sign nibble that is a digit, a pad nibble not 0
  VALUE_BAD_BINARY,     // a binary value with more digits than the picture
  VALUE_BAD_FLOAT,      // an IEEE NaN or infinity
  VALUE_BAD_EDITED,     // a numeric-edited text that states no number
  VALUE_BAD_TEXT,       // a character the code page has none for, or a control character
  VALUE_BAD_UNDECODED,  // bytes the usage cannot be decoded from ("#ERR#")
};

// What each byte is in the code page of an input, for the checks that read a field's
// bytes without decoding them: bit flags by byte. Where the page is no single-byte one
// (UTF-8), only its ASCII bytes are classed and text must be judged decoded.
enum CCBByteClass : unsigned char {
  BYTE_PRINTABLE = 1,  // a character the page prints, or the zero byte (low-value)
  BYTE_DIGIT = 2,      // '0' to '9'
  BYTE_SIGN = 4,       // '+' or '-'
};

struct CCBByteClasses {
  unsigned char classes[256] = {};
  bool singleByte = false;  // every byte is classed: text can be judged from its bytes
};

// The classes of the bytes of the page of a CCSID (see CCBTextCodec).
void classifyBytes(int ccsid, CCBByteClasses* classes);

inline bool isUnusualValue(CCBValueFault fault) {
  return fault == VALUE_UNUSUAL_BINARY || fault == VALUE_UNUSUAL_FLOAT;
}
inline bool isBadValue(CCBValueFault fault) {
  return fault != VALUE_CLEAN && !isUnusualValue(fault);
}

#endif  // LYRA_FORMAT_CCB_VALUE_CHECK_H_
