// The code page tables: the list of pages, and every byte of every page against
// glibc's iconv.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <string>

#include "support/np_code_pages.h"
#include "support/np_uchar.h"

namespace {

// The code point iconv gives one byte of a page on its own; 0xFFFD when it refuses
// the byte, -1 when it gives anything but one character.
long iconvCodePoint(iconv_t cd, unsigned char byte) {
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[8];
  char* src = in;
  char* dst = reinterpret_cast<char*>(out);
  size_t inLeft = sizeof in, outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh state per byte
  if (iconv(cd, &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) return 0xFFFD;
  if (sizeof out - outLeft != 4) return -1;
  return static_cast<long>(out[0]) << 24 | out[1] << 16 | out[2] << 8 | out[3];
}

TEST(NpCodePagesTest, ListsEveryPageInCcsidOrder) {
  struct Want {
    int ccsid;
    const char* name;
    bool ebcdic;
  };
  const Want PAGES[] = {
      {37, "IBM037", true},       {273, "IBM273", true},   {277, "IBM277", true},
      {278, "IBM278", true},      {280, "IBM280", true},   {284, "IBM284", true},
      {285, "IBM285", true},      {297, "IBM297", true},   {500, "IBM500", true},
      {819, "ISO-8859-1", false}, {871, "IBM871", true},   {1047, "IBM1047", true},
      {1140, "IBM1140", true},    {1141, "IBM1141", true}, {1142, "IBM1142", true},
      {1143, "IBM1143", true},    {1144, "IBM1144", true}, {1145, "IBM1145", true},
      {1146, "IBM1146", true},    {1147, "IBM1147", true}, {1148, "IBM1148", true},
      {1149, "IBM1149", true},    {1252, "CP1252", false},
  };
  int count = 0;
  const NpCodePage* pages = npCodePages(&count);
  ASSERT_EQ(static_cast<int>(sizeof PAGES / sizeof PAGES[0]), count);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(PAGES[i].ccsid, pages[i].ccsid);
    EXPECT_STREQ(PAGES[i].name, pages[i].iconvName);
    EXPECT_EQ(PAGES[i].ebcdic, pages[i].ebcdic);
    EXPECT_EQ(&pages[i], npCodePageFind(PAGES[i].ccsid));
  }
  for (int unknown : {0, -37, 1208, 1200, 1250, 65535}) EXPECT_EQ(nullptr, npCodePageFind(unknown));
}

// Bytes iconv refuses (five in CP1252) must be U+FFFD in the tables.
TEST(NpCodePagesTest, EveryByteOfEveryPageMatchesIconv) {
  int count = 0;
  const NpCodePage* pages = npCodePages(&count);
  for (int p = 0; p < count; ++p) {
    SCOPED_TRACE(pages[p].iconvName);
    iconv_t cd = iconv_open("UTF-32BE", pages[p].iconvName);
    ASSERT_NE(reinterpret_cast<iconv_t>(-1), cd) << "iconv lacks the page";
    for (int b = 0; b < 256; ++b) {
      EXPECT_EQ(iconvCodePoint(cd, static_cast<unsigned char>(b)), pages[p].toUnicode[b])
          << "byte " << b;
    }
    iconv_close(cd);
  }
}

// A few bytes known from the published code charts, so that the tables are right
// even if iconv were not.
TEST(NpCodePagesTest, KnownCharactersOfThePages) {
  struct Known {
    int ccsid;
    unsigned char byte;
    uint16_t codePoint;
  };
  const Known KNOWN[] = {
      {37, 0xC1, 'A'},      {37, 0xF0, '0'},      {37, 0x40, ' '},      {37, 0x00, 0},
      {273, 0x4A, 0xC4},    {273, 0xA1, 0xDF},    {273, 0xD0, 0xFC},     // Ä ß ü
      {1047, 0xAD, '['},    {37, 0xBA, '['},      {1140, 0x9F, 0x20AC},  // euro
      {1141, 0x9F, 0x20AC}, {1252, 0x80, 0x20AC}, {1252, 0x81, 0xFFFD}, {819, 0xE9, 0xE9},
  };
  for (const Known& k : KNOWN) {
    EXPECT_EQ(k.codePoint, npCodePageFind(k.ccsid)->toUnicode[k.byte])
        << k.ccsid << " byte " << int(k.byte);
  }
}

// The older 037 to ISO-8859-1 conversion and the 037 table give the same characters.
TEST(NpCodePagesTest, Page037AgreesWithTheLatin1Conversion) {
  unsigned char bytes[256], latin1[256];
  for (int b = 0; b < 256; ++b) bytes[b] = static_cast<unsigned char>(b);
  ASSERT_EQ(256, np_uchar_encode(NP_UCHAR_EBCDIC037_TO_LATIN1, bytes, latin1, 256));
  const uint16_t* table = npCodePageFind(37)->toUnicode;
  for (int b = 0; b < 256; ++b) EXPECT_EQ(latin1[b], table[b]) << "byte " << b;
}

}  // namespace
