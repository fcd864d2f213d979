#include "support/np_uchar.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace {

// Conversion 10 agrees with iconv's IBM037 for every byte value.
TEST(NpUcharTest, Ebcdic037MatchesIconvForEveryByte) {
  iconv_t cd = iconv_open("ISO-8859-1", "IBM037");
  ASSERT_NE(reinterpret_cast<iconv_t>(-1), cd) << "iconv lacks IBM037";
  unsigned char in[256];
  unsigned char expected[256];
  for (int i = 0; i < 256; ++i) in[i] = static_cast<unsigned char>(i);
  char* src = reinterpret_cast<char*>(in);
  char* dst = reinterpret_cast<char*>(expected);
  size_t inLeft = sizeof in;
  size_t outLeft = sizeof expected;
  ASSERT_NE(static_cast<size_t>(-1), iconv(cd, &src, &inLeft, &dst, &outLeft));
  iconv_close(cd);
  ASSERT_EQ(0u, outLeft);

  unsigned char actual[256];
  EXPECT_EQ(256, np_uchar_encode(NP_UCHAR_EBCDIC037_TO_LATIN1, in, actual, 256));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(expected[i], actual[i]) << "EBCDIC byte " << i;
  }
}

TEST(NpUcharTest, ConvertsInPlaceAndRefusesUnknownConversions) {
  unsigned char text[] = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x40, 0xF1, 0x60};
  np_uchar_encode(NP_UCHAR_EBCDIC037_TO_LATIN1, text, text, 8);
  EXPECT_EQ(0, memcmp("HELLO 1-", text, 8));
  unsigned char out[1] = {'k'};
  EXPECT_EQ(-1, np_uchar_encode(3, text, out, 1));
  EXPECT_EQ('k', out[0]);
}

TEST(NpUcharTest, UpperTableCoversAsciiAndLatin1Letters) {
  EXPECT_EQ('S', np_uchar_asupper_table['s']);
  EXPECT_EQ('V', np_uchar_asupper_table['V']);
  EXPECT_EQ('9', np_uchar_asupper_table['9']);
  EXPECT_EQ(0xC9, np_uchar_asupper_table[0xE9]);  // é
  EXPECT_EQ(0xF7, np_uchar_asupper_table[0xF7]);  // ÷ has no upper case
  EXPECT_EQ(0xFF, np_uchar_asupper_table[0xFF]);  // ÿ has none in ISO-8859-1
}

}  // namespace
