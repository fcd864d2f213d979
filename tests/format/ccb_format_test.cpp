// Field formats: what each picture and usage make of a field, every refusal, and the
// text each decoder gives for hand-made field bytes.
#include "format/ccb_format.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "lyra/qvb_datavar.h"

namespace {

const int LEAD = SIGN_LEADING;
const int SEP = SIGN_SEPARATE;

std::unique_ptr<CCBFormat> build(const std::string& picture, const char* usage, int sign,
                                 QvbString& error) {
  return std::unique_ptr<CCBFormat>(CCBFormat::create(picture.c_str(), usage, sign, error));
}

// Usage words that no data file holds: those the data files hold are read value by value.
TEST(CCBFormatTest, UsageWords) {
  const std::pair<const char*, int> cases[] = {{"DISPLAY", USAGE_DISPLAY},
                                               {"display-1", USAGE_DISPLAY_1},
                                               {"INDEX", USAGE_UNKNOWN},
                                               {"POINTER", USAGE_UNKNOWN}};
  for (const auto& [word, code] : cases) EXPECT_EQ(code, CCBFormat::lookupUsage(word)) << word;
}

TEST(CCBFormatTest, PicturesGiveLengthsTypesPointsAndScales) {
  const struct {
    const char* picture;
    const char* usage;
    int sign;
    int storage, output, type, point, scale;
  } cases[] = {
      {"S9(4)", "BINARY", 0, 2, 6, 2, -1, 0},
      {"9(5)", "COMP", 0, 4, 7, 2, -1, 0},
      {"9(10)", "COMP", 0, 8, 12, 3, -1, 0},
      {"S9(16)", "COMP", 0, 8, 18, 4, -1, 0},
      {"S9(11)V99", "COMP-5", 0, 8, 15, 3, 11, 0},
      {"9(4)", "COMP-3", 0, 3, 6, 2, -1, 0},
      {"s9v99", "computational-3", 0, 2, 5, 3, 1, 0},
      {"9(05)", "COMP", 0, 4, 7, 2, -1, 0},
      {"99(3)", "COMP-3", 0, 3, 6, 2, -1, 0},   // 9 and 9(3)
      {"PP99", "COMP", 0, 2, 7, 3, -1, -2},     // leading P: real
      {"S99PP", "COMP", 0, 2, 6, 2, -1, 2},     // trailing P
      {"P(3)9", "COMP-3", 0, 1, 7, 3, -1, -3},  // P(n) is n scaling positions
      {"9(8)PP", "COMP", 0, 4, 12, 3, -1, 2},   // up to 9999999900: real
      {"S9(5)V99", "DISPLAY", LEAD | SEP, 8, 9, 3, 6, 0},
      {"9(4)db", "DISPLAY", 0, 6, 6, 2, -1, 0},
      {"PPP999", "DISPLAY", 0, 3, 7, 3, -1, -3},
      {"999PPP", "DISPLAY", 0, 3, 6, 2, -1, 3},
      {"9(10)", "DISPLAY", 0, 10, 10, 3, -1, 0},  // typed by digit positions
      {"9(16)", "DISPLAY", 0, 16, 16, 4, -1, 0},
      {"N(10)", "NATIONAL", 0, 10, 10, 4, -1, 0},
      {"X(16777216)", "DISPLAY", 0, 16777216, 16777216, 4, -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.usage);
    QvbString error;
    std::unique_ptr<CCBFormat> f = build(c.picture, c.usage, c.sign, error);
    ASSERT_NE(nullptr, f) << error.asCstr();
    EXPECT_EQ(c.storage, f->storageLength());
    EXPECT_EQ(c.output, f->outputLength());
    EXPECT_EQ(c.type, f->outputType());
    EXPECT_EQ(c.point, f->decimalPosition());
    EXPECT_EQ(c.scale, f->scaleCount());
  }
}

TEST(CCBFormatTest, RefusedPicturesAndTheirMessages) {
  const char* const tooLong = "Picture exceeds the maximum field length of 16777216";
  std::string manyCounts;
  for (int i = 0; i < 2000; ++i) manyCounts += "X(9999)";
  const struct {
    std::string picture;
    const char* usage;
    const char* message;  // "(unchanged)": refused without a message
  } cases[] = {
      {"S", "COMP-3", "Insufficient information in picture"},
      {"", "BINARY", "Insufficient information in picture"},
      {"9(0)", "DISPLAY", "Invalid number of repetitions"},
      {"9(-3)", "COMP-3", "Invalid number of repetitions"},
      {"X(A)", "DISPLAY", "Invalid number of repetitions"},
      {"9(99999999999)", "COMP", "Invalid number of repetitions"},
      {"X(16777217)", "DISPLAY", "Invalid number of repetitions"},
      {"9(3)K", "DISPLAY", "Unrecognized character 'K' found"},
      {"P9P", "DISPLAY", "Can't have both leading and trailing zeros"},
      {"P(2)9P", "COMP-3", "Can't have both leading and trailing zeros"},
      {"(3)", "DISPLAY", "Unexpected parentheses found"},
      {"X(2)(3)", "DISPLAY", "Unexpected parentheses found"},
      {"X(16777216)X", "DISPLAY", tooLong},
      {"9(16777216)", "COMP-3", tooLong},  // sign and point make the text longer
      {manyCounts, "DISPLAY", tooLong},
      {"9(3", "DISPLAY", "(unchanged)"},
      {"9V9V9", "DISPLAY", "(unchanged)"},
  };
  for (const auto& c : cases) {
    QvbString error("(unchanged)");
    EXPECT_EQ(nullptr, build(c.picture, c.usage, 0, error)) << c.picture;
    EXPECT_STREQ(c.message, error.asCstr()) << c.picture.substr(0, 20) << " " << c.usage;
  }
}

struct DecodeCase {
  const char* picture;
  const char* usage;
  int sign;
  std::string bytes;
  const char* text;
};

// Decodes the bytes with a format of the picture; the text is what a value keeps.
template <size_t N>
void expectTexts(const DecodeCase (&cases)[N], bool noConvert) {
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.usage);
    QvbString error;
    std::unique_ptr<CCBFormat> f = build(c.picture, c.usage, c.sign, error);
    ASSERT_NE(nullptr, f) << error.asCstr();
    ASSERT_EQ(static_cast<int>(c.bytes.size()), f->storageLength());
    int length = 0;
    const char* text = f->decodeText(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                     classicDecoding(noConvert), &length);
    QvbDatavar value;
    value.assignBytes(text, length);
    EXPECT_STREQ(c.text, value.asString().asCstr());
  }
}

const std::string FF8(8, '\xFF');

// Binary and packed bytes; display bytes of ASCII data (noConvert true): overpunch
// characters, digits and 'p'-'y' for negatives; and of EBCDIC data (noConvert false):
// zones C, F, A, E positive, D and B negative. The data files hold the common signs.
TEST(CCBFormatTest, DecodesFieldBytes) {
  const DecodeCase ascii[] = {
      {"S9(4)", "BINARY", 0, "\xFF\xFE", "-2"},
      {"9(4)", "BINARY", 0, std::string("\x80\x00", 2), "32768"},
      {"S9(9)", "COMP", 0, std::string("\x00\x00\x01\x00", 4), "256"},
      {"S9(18)", "COMP", 0, "\x80" + std::string(7, '\0'), "-9223372036854775808"},
      {"9(18)", "COMP", 0, FF8, "18446744073709551615"},  // unsigned above 2^63
      {"S9(2)V99", "BINARY", 0, "\x04\xB5", "12.05"},
      {"S9(2)V99", "BINARY", 0, "\xFF\xFB", "-0.05"},
      {"S9(4)V", "BINARY", 0, "\x04\xB5", "1205.0"},
      {"S99PP", "BINARY", 0, "\xFF\x9D", "-9900"},
      {"PP99", "BINARY", 0, std::string("\x00\x0C", 2), ".0012"},
      {"PP99", "BINARY", 0, std::string("\x00\x01", 2), ".0001"},  // every digit position
      // Texts longer than the picture declares come out whole.
      {"9", "COMP", 0, "\xFF\xFF", "65535"},
      {"V9(18)", "COMP", 0, FF8, "18.446744073709551615"},
      {"9(10)P(3)", "COMP", 0, FF8, "18446744073709551615000"},
      {"S9(5)", "COMP-3", 0, "\x12\x34\x5B", "-12345"},
      {"S9(5)", "COMP-3", 0, "\x12\x34\x5F", "12345"},
      {"9(4)", "COMP-3", 0, std::string("\x01\x23\x4F", 3), "1234"},  // pad nibble not shown
      {"S9(5)V9", "COMP-3", 0, std::string("\x01\x23\x45\x6C", 4), "12345.6"},
      {"S9(4)V", "COMP-3", 0, std::string("\x01\x23\x4C", 3), "1234"},  // no digit after V
      {"PP999", "COMP-3", 0, "\x12\x3C", ".00123"},
      {"S9(3)P(2)", "COMP-3", 0, "\x12\x3D", "-12300"},
      {"S9(5)", "COMP-3", 0, "\x12\x1A\x5C", "#ERR#"},  // a digit nibble above 9
      {"9(4)", "COMP-3", 0, "\xF1\x23\x4C", "#ERR#"},   // the pad nibble too
      {"S9(5)", "COMP-3", 0, "\x12\x34\x55", "#ERR#"},  // a digit as the sign
      {"N(2)", "NATIONAL", 0, "ab", "#ERR#"},
      {"X(5)", "DISPLAY", 0, std::string("HE\0LO", 5), "HE"},  // a zero byte ends it
      {"S9(3)V99", "DISPLAY", LEAD | SEP, "+12345", "+123.45"},
      {"S9(3)V99", "DISPLAY", 0, "12345", " 123.45"},
      {"S9(3)V99", "DISPLAY", LEAD, "J2345", "-123.45"},
      {"SPP99", "DISPLAY", 0, "1r", "-.0012"},
      {"S9(3)", "DISPLAY", 0, "12{", " 120"},
      {"S9(3)", "DISPLAY", 0, "12I", " 129"},
      {"S9(3)", "DISPLAY", 0, "12}", "-120"},
      {"S9(3)", "DISPLAY", 0, "12\xD5", "-125"},
      {"S9(3)", "DISPLAY", 0, "12 ", "#ERR#"},
      {"S9(3)", "DISPLAY", 0, "12S", "#ERR#"},
      {"S9(3)", "DISPLAY", 0, "12\xCA", "#ERR#"},  // zone C, digit above 9
  };
  const DecodeCase ebcdic[] = {
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\xA3", " 123"},
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\xB3", "-123"},
      {"S9(3)", "DISPLAY", LEAD, "\xD1\xF2\xF3", "-123"},
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\x33", "#ERR#"},  // an ASCII digit is no EBCDIC sign
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\xFA", "#ERR#"},
  };
  expectTexts(ascii, true);
  expectTexts(ebcdic, false);
}

// A plain text is the field's bytes themselves: no copy is made.
TEST(CCBFormatTest, PlainTextIsTheBytesThemselves) {
  QvbString error;
  std::unique_ptr<CCBFormat> f = build("X(4)", "DISPLAY", 0, error);
  const unsigned char bytes[] = {'A', 'B', 'C', 'D'};
  int length = 0;
  EXPECT_EQ(reinterpret_cast<const char*>(bytes),
            f->decodeText(bytes, classicDecoding(true), &length));
  EXPECT_EQ(4, length);
  EXPECT_NE(reinterpret_cast<const char*>(bytes),
            f->decodeText(bytes, classicDecoding(false), &length));
}

}  // namespace
