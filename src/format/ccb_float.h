// Floating-point items: COMP-1 (4 bytes) and COMP-2 (8 bytes) in IBM hexadecimal
// floating point or IEEE 754 of either byte order, turned into the shortest text
// that reads back to the same value. Free functions over the item's bytes; nothing
// is kept between calls.
#ifndef LYRA_FORMAT_CCB_FLOAT_H_
#define LYRA_FORMAT_CCB_FLOAT_H_

// Float formats, numbered as CCBFloatFormat numbers them.
enum FloatFormat {
  FLOAT_NONE = 0,
  FLOAT_IBM = 1,
  FLOAT_IEEE = 2,     // big-endian
  FLOAT_IEEE_LE = 3,  // little-endian
};

// The longest text writeFloatText gives for an item of size bytes (4 or 8).
int floatTextLength(int size, int format);

// Writes the text of the size-byte (4 or 8) item at bytes, held in format, to out,
// which has room for floatTextLength(size, format) characters; returns its length,
// or -1 for an IEEE NaN or infinity. An IEEE 4-byte item is written at single
// precision; every other item, IBM 4-byte items included (their range is far wider
// than a single's), at double precision.
int writeFloatText(const unsigned char* bytes, int size, int format, char* out);

#endif  // LYRA_FORMAT_CCB_FLOAT_H_
