#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format/ccb_format.h"
#include "lyra/qvb_datavar.h"

namespace {

std::unique_ptr<CCBFormat> makeFormat(const char* picture, const char* usage, int signFlags) {
  QvbString error;
  std::unique_ptr<CCBFormat> format(CCBFormat::create(picture, usage, signFlags, error));
  EXPECT_NE(nullptr, format) << picture << ": " << error.asCstr();
  return format;
}

// Decodes the field bytes with a format of the picture and returns the text, checking
// that the returned length is the text's.
std::string decode(const char* picture, const char* usage, int signFlags, const std::string& bytes,
                   bool noConvert) {
  std::unique_ptr<CCBFormat> format = makeFormat(picture, usage, signFlags);
  if (!format) return "(no format)";
  EXPECT_EQ(static_cast<int>(bytes.size()), format->storageLength()) << picture;
  if (static_cast<int>(bytes.size()) != format->storageLength()) return "(wrong length)";
  std::memcpy(format->dataBuffer(), bytes.data(), bytes.size());
  const int length = format->decodeText(noConvert);
  EXPECT_EQ(std::strlen(format->text()), static_cast<size_t>(length)) << picture;
  return format->text();
}

std::string byteString(const std::vector<unsigned char>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

struct NumberCase {
  const char* picture;
  const char* usage;
  std::vector<unsigned char> bytes;
  const char* text;
};

void expectNumbers(const std::vector<NumberCase>& cases) {
  for (const NumberCase& c : cases) {
    EXPECT_EQ(c.text, decode(c.picture, c.usage, 0, byteString(c.bytes), true)) << c.picture;
  }
}

struct DisplayCase {
  const char* picture;
  int signFlags;
  const char* bytes;
  const char* text;
};

void expectDisplay(const std::vector<DisplayCase>& cases, bool noConvert) {
  for (const DisplayCase& c : cases) {
    EXPECT_EQ(c.text, decode(c.picture, "DISPLAY", c.signFlags, c.bytes, noConvert))
        << c.picture << " sign " << c.signFlags << " bytes " << c.bytes;
  }
}

const unsigned char FF = 0xFF;

TEST(CCBFormatDecodeTest, Binary) {
  expectNumbers({
      {"S9(4)", "BINARY", {0xFF, 0xFE}, "-2"},
      {"9(4)", "BINARY", {0x80, 0x00}, "32768"},
      {"9(4)", "COMP", {0x00, 0x00}, "0"},
      {"S9(9)", "COMP-4", {0x00, 0x00, 0x01, 0x00}, "256"},
      {"S9(9)", "COMP", {0x7F, FF, FF, FF}, "2147483647"},
      {"S9(9)", "COMP", {0x80, 0x00, 0x00, 0x00}, "-2147483648"},
      {"9(9)", "COMP-5", {0x80, 0x00, 0x00, 0x00}, "2147483648"},
      {"S9(18)", "COMP", {FF, FF, FF, FF, FF, FF, FF, FF}, "-1"},
      {"S9(18)", "COMP", {0x80, 0, 0, 0, 0, 0, 0, 0}, "-9223372036854775808"},
      {"9(18)", "COMP", {0x80, 0, 0, 0, 0, 0, 0, 0}, "9223372036854775808"},
      {"9(18)", "COMP", {FF, FF, FF, FF, FF, FF, FF, FF}, "18446744073709551615"},
  });
}

TEST(CCBFormatDecodeTest, BinaryImpliedPointAndScaling) {
  expectNumbers({
      {"S9(2)V99", "BINARY", {0x04, 0xB5}, "12.05"},
      {"S9(2)V99", "BINARY", {0xFF, 0xFB}, "-0.05"},
      {"S9(2)V99", "BINARY", {0xFB, 0x4B}, "-12.05"},
      {"S9(2)V99", "BINARY", {0x00, 0x00}, "0.00"},
      {"SV9(4)", "BINARY", {0xFF, 0xFB}, "-0.0005"},
      {"S9(4)V", "BINARY", {0x04, 0xB5}, "1205.0"},
      {"S9(16)V99", "COMP", {FF, FF, FF, FF, FF, FF, FF, FF}, "-0.01"},
      {"S99PP", "BINARY", {0xFF, 0x9D}, "-9900"},
      {"9P(3)", "BINARY", {0x00, 0x07}, "7000"},
      {"PP99", "BINARY", {0x00, 0x0C}, ".0012"},
      {"SPP99", "BINARY", {0xFF, 0xF4}, "-.0012"},
      {"P(3)9", "BINARY", {0x00, 0x05}, ".0005"},
  });
}

// The text buffer holds every text the storage can give, also beyond outputLength.
TEST(CCBFormatDecodeTest, BinaryTextsLongerThanTheirPictureComeOutWhole) {
  const struct {
    const char* picture;
    std::vector<unsigned char> bytes;
    int outputLength;
    const char* text;
  } cases[] = {
      {"9", {FF, FF}, 5, "65535"},
      {"9V9", {FF, FF}, 5, "6553.5"},
      {"99V", {FF, FF}, 5, "65535.0"},
      {"P(5)9", {FF, FF}, 9, ".0000065535"},
      {"S9P(3)", {0x80, 0x00}, 6, "-32768000"},
      {"S9(5)", {0x80, 0x00, 0x00, 0x00}, 7, "-2147483648"},
      {"V9(18)", {FF, FF, FF, FF, FF, FF, FF, FF}, 20, "18.446744073709551615"},
      {"S9(18)V", {0x80, 0, 0, 0, 0, 0, 0, 0}, 20, "-9223372036854775808.0"},
      {"9(10)", {FF, FF, FF, FF, FF, FF, FF, FF}, 12, "18446744073709551615"},
      {"P(3)9(10)", {FF, FF, FF, FF, FF, FF, FF, FF}, 16, ".00018446744073709551615"},
      {"9(10)P(3)", {FF, FF, FF, FF, FF, FF, FF, FF}, 15, "18446744073709551615000"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<CCBFormat> format = makeFormat(c.picture, "COMP", 0);
    ASSERT_NE(nullptr, format);
    EXPECT_EQ(c.outputLength, format->outputLength()) << c.picture;
    EXPECT_EQ(c.text, decode(c.picture, "COMP", 0, byteString(c.bytes), true)) << c.picture;
  }
}

TEST(CCBFormatDecodeTest, Packed) {
  expectNumbers({
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x5C}, "12345"},
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x5D}, "-12345"},
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x5F}, "12345"},
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x5B}, "-12345"},
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x5A}, "12345"},
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x5E}, "12345"},
      {"9(4)", "COMP-3", {0x01, 0x23, 0x4F}, "1234"},  // the pad nibble is not shown
      {"9(2)", "PACKED-DECIMAL", {0x01, 0x2F}, "12"},
      {"9(3)", "COMPUTATIONAL-3", {0x00, 0x0F}, "000"},
      {"S9(5)V9", "COMP-3", {0x01, 0x23, 0x45, 0x6C}, "12345.6"},
      {"S9(3)V99", "COMP-3", {0x12, 0x34, 0x5C}, "123.45"},
      {"S9(3)V99", "COMP-3", {0x12, 0x34, 0x5D}, "-123.45"},
      {"S9V9(4)", "COMP-3", {0x12, 0x34, 0x5C}, "1.2345"},
      {"SV9(4)", "COMP-3", {0x01, 0x23, 0x4D}, "-.1234"},
      {"S9(4)V", "COMP-3", {0x01, 0x23, 0x4C}, "1234"},  // no digit after V: no point
      {"PP999", "COMP-3", {0x12, 0x3C}, ".00123"},
      {"S999PP", "COMP-3", {0x12, 0x3D}, "-12300"},
      {"S9(3)P(2)", "COMP-3", {0x12, 0x3D}, "-12300"},
      {"SP(2)9(3)", "COMP-3", {0x12, 0x3D}, "-.00123"},
  });
}

TEST(CCBFormatDecodeTest, UndecodablePackedBytesGiveTheErrorText) {
  expectNumbers({
      {"S9(5)", "COMP-3", {0x12, 0x1A, 0x5C}, "#ERR#"},  // digit nibble A
      {"9(3)", "COMP-3", {0x12, 0xAC}, "#ERR#"},         // A in the last byte
      {"9(4)", "COMP-3", {0xF1, 0x23, 0x4C}, "#ERR#"},   // the pad nibble too
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x55}, "#ERR#"},  // a digit as the sign
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x50}, "#ERR#"},
      {"S9(5)", "COMP-3", {0x12, 0x34, 0x59}, "#ERR#"},
  });
}

TEST(CCBFormatDecodeTest, Display) {
  expectDisplay(
      {
          {"X(5)", 0, "HELLO", "HELLO"},
          {"ZZ,ZZ9.99", 0, " 1,234.50", " 1,234.50"},
          {"9(3)V99", 0, "12345", "123.45"},
          {"V99", 0, "12", ".12"},
          {"PP99", 0, "12", ".0012"},
          {"99PP", 0, "12", "1200"},
          {"S9(3)V99", SIGN_SEPARATE, "12345-", "-123.45"},
          {"S9(3)", SIGN_SEPARATE, "123+", "+123"},
          {"S9(3)V99", SIGN_LEADING | SIGN_SEPARATE, "+12345", "+123.45"},
          {"S9(3)V99", 0, "12345", " 123.45"},
          {"S9(3)V99", 0, "1234u", "-123.45"},
          {"S9(3)V99", SIGN_LEADING, "J2345", "-123.45"},
          {"S9V9", SIGN_LEADING, "12", " 1.2"},
          {"SPP99", 0, "1r", "-.0012"},
          {"S99PP", 0, "1B", " 1200"},
          {"S", 0, "", "#ERR#"},  // no byte to carry the sign
      },
      true);
}

// ASCII data: overpunch characters, digits and the zones of negative digits.
TEST(CCBFormatDecodeTest, EmbeddedSignsOfAsciiData) {
  expectDisplay(
      {
          {"S9(3)", 0, "12{", " 120"},     {"S9(3)", 0, "12A", " 121"},
          {"S9(3)", 0, "12I", " 129"},     {"S9(3)", 0, "12}", "-120"},
          {"S9(3)", 0, "12J", "-121"},     {"S9(3)", 0, "12R", "-129"},
          {"S9(3)", 0, "12p", "-120"},     {"S9(3)", 0, "12y", "-129"},
          {"S9(3)", 0, "123", " 123"},     {"S9(3)", 0, "12\xC5", " 125"},
          {"S9(3)", 0, "12\xF5", " 125"},  {"S9(3)", 0, "12\xD5", "-125"},
          {"S9(3)", 0, "12:", "#ERR#"},    {"S9(3)", 0, "12S", "#ERR#"},
          {"S9(3)", 0, "12a", "#ERR#"},    {"S9(3)", 0, "12 ", "#ERR#"},
          {"S9(3)", 0, "12z", "#ERR#"},    {"S9(3)", 0, "12\xB5", "#ERR#"},
          {"S9(3)", 0, "12\xCA", "#ERR#"},
      },
      true);
}

// EBCDIC data: zones C, F, A and E are positive, D and B negative.
TEST(CCBFormatDecodeTest, EmbeddedSignsOfEbcdicData) {
  expectDisplay(
      {
          {"S9(3)", 0, "\xF1\xF2\xC3", " 123"},
          {"S9(3)", 0, "\xF1\xF2\xF3", " 123"},
          {"S9(3)", 0, "\xF1\xF2\xA3", " 123"},
          {"S9(3)", 0, "\xF1\xF2\xE3", " 123"},
          {"S9(3)", 0, "\xF1\xF2\xC0", " 120"},
          {"S9(3)", 0, "\xF1\xF2\xD3", "-123"},
          {"S9(3)", 0, "\xF1\xF2\xB3", "-123"},
          {"S9(3)", 0, "\xF1\xF2\xD0", "-120"},
          {"S9(3)", SIGN_LEADING, "\xD1\xF2\xF3", "-123"},
          {"S9(3)V99", 0, "\xF1\xF2\xF3\xF4\xD5", "-123.45"},
          {"S9(3)", 0, "\xF1\xF2\x33", "#ERR#"},
          {"S9(3)", 0, "\xF1\xF2\x73", "#ERR#"},
          {"S9(3)", 0, "\xF1\xF2\x40", "#ERR#"},
          {"S9(3)", 0, "\xF1\xF2\xCA", "#ERR#"},
          {"S9(3)", 0, "\xF1\xF2\xFA", "#ERR#"},
      },
      false);
}

TEST(CCBFormatDecodeTest, ConvertsEbcdicDisplayCharacters) {
  expectDisplay(
      {
          {"X(5)", 0, "\xC8\xC5\xD3\xD3\xD6", "HELLO"},
          {"X(6)", 0, "\x81\x82\x40\xF1\x4B\x5B", "ab 1.$"},
          {"9(3)V99", 0, "\xF1\xF2\xF3\xF4\xF5", "123.45"},
          {"S9(3)V99", SIGN_SEPARATE, "\xF1\xF2\xF3\xF4\xF5\x60", "-123.45"},
          {"S9(3)V99", SIGN_LEADING | SIGN_SEPARATE, "\x4E\xF1\xF2\xF3\xF4\xF5", "+123.45"},
      },
      false);
}

// A zero byte ends the value of a copied display text.
TEST(CCBFormatDecodeTest, ZeroByteEndsACopiedDisplayValue) {
  const struct {
    const char* picture;
    std::string bytes;
    const char* value;
  } cases[] = {
      {"X(5)", std::string("HE\0LO", 5), "HE"},
      {"9(3)V99",
       std::string("1\0"
                   "345",
                   5),
       "1"},
      {"X(3)", std::string("\0AB", 3), ""},
  };
  for (const auto& c : cases) {
    std::unique_ptr<CCBFormat> format = makeFormat(c.picture, "DISPLAY", 0);
    ASSERT_NE(nullptr, format);
    std::memcpy(format->dataBuffer(), c.bytes.data(), c.bytes.size());
    const int length = format->decodeText(true);
    EXPECT_STREQ(c.value, format->text()) << c.picture;
    QvbDatavar value;  // what a field's value keeps of the text
    value.assignBytes(format->text(), length);
    EXPECT_STREQ(c.value, value.asString().asCstr()) << c.picture;
  }
}

TEST(CCBFormatDecodeTest, NationalAndDisplay1GiveTheErrorText) {
  EXPECT_EQ("#ERR#", decode("N(4)", "NATIONAL", 0, "abcd", true));
  EXPECT_EQ("#ERR#", decode("G(2)", "DISPLAY-1", 0, "ab", false));
}

// Each decoder answers "#ERR#" for a format of another usage instead of misreading it.
TEST(CCBFormatDecodeTest, DecodersRefuseFormatsOfOtherUsages) {
  std::unique_ptr<CCBFormat> display = makeFormat("X(3)", "DISPLAY", 0);
  std::unique_ptr<CCBFormat> packed = makeFormat("9(3)", "COMP-3", 0);
  ASSERT_TRUE(display && packed);
  std::memcpy(display->dataBuffer(), "123", 3);
  EXPECT_EQ(5, display->decodeBinary());
  EXPECT_STREQ("#ERR#", display->text());
  EXPECT_EQ(5, display->decodePacked());
  EXPECT_STREQ("#ERR#", display->text());
  EXPECT_EQ(5, packed->decodeDisplay(true));
  EXPECT_STREQ("#ERR#", packed->text());
}

TEST(CCBFormatDecodeTest, DecodesAFieldOfTheLargestSize) {
  std::unique_ptr<CCBFormat> format = makeFormat("X(16777216)", "DISPLAY", 0);
  ASSERT_NE(nullptr, format);
  std::memset(format->dataBuffer(), 'A', MAX_FIELD_LENGTH);
  ASSERT_EQ(MAX_FIELD_LENGTH, format->decodeText(true));
  EXPECT_EQ('A', format->text()[MAX_FIELD_LENGTH - 1]);
  EXPECT_EQ('\0', format->text()[MAX_FIELD_LENGTH]);
}

}  // namespace
