// Character tables: upper-casing of ISO-8859-1 text and the conversions of data
// bytes between character sets. The tables are constant data.
#ifndef LYRA_SUPPORT_NP_UCHAR_H_
#define LYRA_SUPPORT_NP_UCHAR_H_

// Conversion numbers of np_uchar_encode.
enum NpUcharConversion {
  NP_UCHAR_EBCDIC037_TO_LATIN1 = 10,  // EBCDIC code page 037 to ISO-8859-1
};

// The upper-case form of each ISO-8859-1 character, indexed by its byte value.
extern const unsigned char np_uchar_asupper_table[256];

// Converts count bytes from src to dst by the numbered conversion; src and dst may
// be the same. Returns the number of bytes converted, or -1 (dst untouched) for an
// unknown conversion number.
int np_uchar_encode(int conversion, const unsigned char* src, unsigned char* dst, int count);

#endif  // LYRA_SUPPORT_NP_UCHAR_H_
