// Writing floating-point items: COMP-1 (4 bytes) and COMP-2 (8 bytes) in IBM
// hexadecimal floating point or IEEE 754 of either byte order, from a value's text or
// a double, rounded to the nearest value the format holds. The reverse of ccb_float.h:
// the text writeFloatText gives of an item writes back its bytes. Free functions over
// the item's bytes; nothing is kept between calls.
#ifndef LYRA_FORMAT_CCB_FLOAT_ENCODER_H_
#define LYRA_FORMAT_CCB_FLOAT_ENCODER_H_

enum CCBFloatProblem {
  FLOAT_WRITTEN = 0,
  FLOAT_NOT_NUMBER,    // no decimal number, an infinity or a NaN
  FLOAT_OUT_OF_RANGE,  // too large for the format, or too small to be anything but zero
};

// Writes the value of the length characters at text (blanks and a '+' before it and
// blanks after it allowed; "-0" is a negative zero) as an item of size bytes (4 or 8)
// in format (a FloatFormat) to out. An IEEE 4-byte item takes the binary32 nearest the
// text; every other item the double nearest the text, rounded to the format.
CCBFloatProblem encodeFloatText(const char* text, int length, int size, int format,
                                unsigned char* out);
// The same for a double.
CCBFloatProblem encodeFloatValue(double value, int size, int format, unsigned char* out);

#endif  // LYRA_FORMAT_CCB_FLOAT_ENCODER_H_
