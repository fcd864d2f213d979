#include "format/ccb_format.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const unsigned SIGNED_TRAILING = SIGNED;
const unsigned SIGNED_LEADING = SIGNED | SIGN_LEADING;
const unsigned SIGNED_SEPARATE = SIGNED | SIGN_SEPARATE;
const unsigned SIGNED_LEADING_SEPARATE = SIGNED | SIGN_LEADING | SIGN_SEPARATE;

struct FormatCase {
  const char* picture;
  const char* usage;
  int signFlags;
  int storageLength;
  int outputLength;
  int outputType;
  unsigned flags;
  int decimalPosition;
  int fractionDigits;
  int scaleCount;
  int digitCount;
};

void expectFormat(const FormatCase& c) {
  SCOPED_TRACE(std::string(c.picture) + " " + c.usage + " sign " + std::to_string(c.signFlags));
  QvbString error;
  std::unique_ptr<CCBFormat> format(CCBFormat::create(c.picture, c.usage, c.signFlags, error));
  ASSERT_NE(nullptr, format) << error.asCstr();
  EXPECT_EQ(c.storageLength, format->storageLength());
  EXPECT_EQ(c.outputLength, format->outputLength());
  EXPECT_EQ(c.outputType, format->outputType());
  EXPECT_EQ(c.flags, format->flags());
  EXPECT_EQ(c.decimalPosition, format->decimalPosition());
  EXPECT_EQ(c.fractionDigits, format->fractionDigits());
  EXPECT_EQ(c.scaleCount, format->scaleCount());
  EXPECT_EQ(c.digitCount, format->digitCount());
  EXPECT_EQ(0, format->dataBuffer()[format->storageLength()]);
}

// Returns the message of a picture that must fail; "(unchanged)" when it left the error
// text as it was.
std::string failure(const std::string& picture, const char* usage, int signFlags = 0) {
  QvbString error("(unchanged)");
  std::unique_ptr<CCBFormat> format(CCBFormat::create(picture.c_str(), usage, signFlags, error));
  EXPECT_EQ(nullptr, format) << picture;
  return error.asCstr();
}

TEST(CCBFormatTest, LooksUsageWordsUpIgnoringCase) {
  const struct {
    const char* text;
    int code;
  } cases[] = {
      {"BINARY", USAGE_BINARY},          {"comp-4", USAGE_BINARY},
      {"Computational-4", USAGE_BINARY}, {"COMP-5", USAGE_BINARY},
      {"COMPUTATIONAL-5", USAGE_BINARY}, {"comp", USAGE_BINARY},
      {"COMPUTATIONAL", USAGE_BINARY},   {"COMP-3", USAGE_PACKED},
      {"computational-3", USAGE_PACKED}, {"Packed-Decimal", USAGE_PACKED},
      {"DISPLAY", USAGE_DISPLAY},        {"display-1", USAGE_DISPLAY_1},
      {"NATIONAL", USAGE_NATIONAL},      {"COMP-1", USAGE_UNKNOWN},
      {"COMP-2", USAGE_UNKNOWN},         {"COMPUTATIONAL-1", USAGE_UNKNOWN},
      {"INDEX", USAGE_UNKNOWN},          {"POINTER", USAGE_UNKNOWN},
      {"DISPLAY ", USAGE_UNKNOWN},       {"", USAGE_UNKNOWN},
  };
  for (const auto& c : cases) EXPECT_EQ(c.code, CCBFormat::lookupUsage(c.text)) << c.text;
  QvbString null;
  null.setNull();
  EXPECT_EQ(USAGE_UNKNOWN, CCBFormat::lookupUsage(null));
}

TEST(CCBFormatTest, NumericPictures) {
  const FormatCase cases[] = {
      // picture, usage, sign: storage, output, type, flags, point, fraction, scale, digits
      {"S9(4)", "BINARY", 0, 2, 6, 2, SIGNED, -1, -1, 0, 4},
      {"9(5)", "COMP", 0, 4, 7, 2, 0, -1, -1, 0, 5},
      {"9(9)", "COMPUTATIONAL", 0, 4, 11, 2, 0, -1, -1, 0, 9},
      {"9(10)", "COMP", 0, 8, 12, 3, 0, -1, -1, 0, 10},
      {"9(15)", "BINARY", 0, 8, 17, 3, 0, -1, -1, 0, 15},
      {"S9(16)", "COMP", 0, 8, 18, 4, SIGNED, -1, -1, 0, 16},
      {"9(18)", "COMP-4", 0, 8, 20, 4, 0, -1, -1, 0, 18},
      {"SV9(18)", "COMP", 0, 8, 20, 4, SIGNED, 0, 18, 0, 18},
      {"S9(11)V99", "COMP-5", 0, 8, 15, 3, SIGNED, 11, 2, 0, 13},
      {"S9(7)V99", "COMP-3", 0, 5, 11, 3, SIGNED, 7, 2, 0, 9},
      {"9(4)", "COMP-3", 0, 3, 6, 2, 0, -1, -1, 0, 4},
      {"9(5)", "COMP-3", 0, 3, 7, 2, 0, -1, -1, 0, 5},
      {"s9v99", "computational-3", 0, 2, 5, 3, SIGNED, 1, 2, 0, 3},
      {"9(05)", "COMP", 0, 4, 7, 2, 0, -1, -1, 0, 5},
      {"99(3)", "COMP-3", 0, 3, 6, 2, 0, -1, -1, 0, 4},     // 9 and 9(3)
      {"X(3)", "COMP-3", 0, 2, 5, 2, 0, -1, -1, 0, 3},      // a counted symbol counts digits
      {"V", "COMP-3", 0, 1, 5, 3, 0, 0, 0, 0, 0},           // output 2 raised to 5
      {"PP99", "COMP", 0, 2, 7, 3, 0, -1, -1, -2, 2},       // .00 and 2 digits, sign
      {"S99PP", "COMP", 0, 2, 6, 2, SIGNED, -1, -1, 2, 2},  // 2 digits, 00, sign
      {"P(3)9", "COMP-3", 0, 1, 7, 3, 0, -1, -1, -3, 1},
      {"9P(3)", "PACKED-DECIMAL", 0, 1, 6, 2, 0, -1, -1, 3, 1},
      {"9pp", "COMP", 0, 2, 5, 2, 0, -1, -1, 2, 1},
      {"9(8)PP", "COMP", 0, 4, 12, 3, 0, -1, -1, 2, 8},  // up to 9999999900
      {"S9(3)", "COMP-3", 3, 2, 5, 2, SIGNED_LEADING_SEPARATE, -1, -1, 0, 3},
      {"9(3)", "COMP-3", 0x203, 2, 5, 2, SIGN_LEADING | SIGN_SEPARATE, -1, -1, 0, 3},
  };
  for (const FormatCase& c : cases) expectFormat(c);
}

TEST(CCBFormatTest, DisplayPictures) {
  const FormatCase cases[] = {
      // picture, usage, sign: storage, output, type, flags, point, fraction, scale, digits
      {"X(10)", "DISPLAY", 0, 10, 10, 4, 0, -1, -1, 0, 0},
      {"x(3)", "display", 0, 3, 5, 4, 0, -1, -1, 0, 0},
      {"X", "DISPLAY", 0, 1, 5, 4, 0, -1, -1, 0, 0},
      {"", "DISPLAY", 0, 0, 5, 2, 0, -1, -1, 0, 0},
      {"S9(5)V99", "DISPLAY", 0, 7, 9, 3, SIGNED_TRAILING, 5, -1, 0, 0},
      {"S9(5)V99", "DISPLAY", 3, 8, 9, 3, SIGNED_LEADING_SEPARATE, 6, -1, 0, 0},
      {"S9(3)V99", "DISPLAY", 2, 6, 7, 3, SIGNED_SEPARATE, 4, -1, 0, 0},
      {"S9(3)", "DISPLAY", 1, 3, 5, 2, SIGNED_LEADING, -1, -1, 0, 0},
      {"9(3)v9(2)", "DISPLAY", 0, 5, 6, 3, 0, 3, -1, 0, 0},
      {"9(3)V", "DISPLAY", 0, 3, 5, 3, 0, 3, -1, 0, 0},
      {"ZZZZ9.99-", "DISPLAY", 0, 9, 9, 3, 0, -1, -1, 0, 0},
      {"+9(3).99", "DISPLAY", 0, 7, 7, 3, 0, -1, -1, 0, 0},
      {"9.99E+99", "DISPLAY", 0, 8, 8, 3, 0, -1, -1, 0, 0},
      {"ZZ,ZZ9", "DISPLAY", 0, 6, 6, 4, 0, -1, -1, 0, 0},
      {"$,$$9.99", "DISPLAY", 0, 8, 8, 4, 0, -1, -1, 0, 0},
      {"99B99/99", "DISPLAY", 0, 8, 8, 4, 0, -1, -1, 0, 0},
      {"-ZZZ9", "DISPLAY", 0, 5, 5, 2, 0, -1, -1, 0, 0},
      {"*(4)0", "DISPLAY", 0, 5, 5, 2, 0, -1, -1, 0, 0},
      {"9(3)CR", "DISPLAY", 0, 5, 5, 2, 0, -1, -1, 0, 0},
      {"9(3)cr", "DISPLAY", 0, 5, 5, 2, 0, -1, -1, 0, 0},
      {"9(4)DB", "DISPLAY", 0, 6, 6, 2, 0, -1, -1, 0, 0},
      {"PPP999", "DISPLAY", 0, 3, 7, 3, 0, -1, -1, -3, 0},
      {"999PPP", "DISPLAY", 0, 3, 6, 2, 0, -1, -1, 3, 0},
      {"P(3)999", "DISPLAY", 0, 3, 7, 3, 0, -1, -1, -3, 0},
      {"999P(3)", "DISPLAY", 0, 3, 6, 2, 0, -1, -1, 3, 0},
      {"N(10)", "NATIONAL", 0, 10, 10, 4, 0, -1, -1, 0, 0},
      {"G(4)", "DISPLAY-1", 0, 4, 5, 4, 0, -1, -1, 0, 0},
      // Long numbers are typed by their digit positions, as binary and packed ones are.
      {"9(10)", "DISPLAY", 0, 10, 10, 3, 0, -1, -1, 0, 0},
      {"S9(15)", "DISPLAY", 2, 16, 16, 3, SIGNED_SEPARATE, -1, -1, 0, 0},
      {"9(16)", "DISPLAY", 0, 16, 16, 4, 0, -1, -1, 0, 0},
      {"9(8)PP", "DISPLAY", 0, 8, 10, 3, 0, -1, -1, 2, 0},
  };
  for (const FormatCase& c : cases) expectFormat(c);
}

TEST(CCBFormatTest, RejectsBadPicturesWithTheirMessages) {
  const struct {
    const char* picture;
    const char* usage;
    const char* message;
  } cases[] = {
      {"9(3)", "COMP-1", "Invalid or unknown usage clause"},
      {"9(3)", "INDEX", "Invalid or unknown usage clause"},
      {"9(3)", "", "Invalid or unknown usage clause"},
      {"S", "COMP-3", "Insufficient information in picture"},
      {"", "BINARY", "Insufficient information in picture"},
      {"9(0)", "DISPLAY", "Invalid number of repetitions"},
      {"9(0)", "COMP", "Invalid number of repetitions"},
      {"9(00)", "COMP-3", "Invalid number of repetitions"},
      {"9(-3)", "DISPLAY", "Invalid number of repetitions"},
      {"9(-3)", "COMP-3", "Invalid number of repetitions"},
      {"X()", "DISPLAY", "Invalid number of repetitions"},
      {"X(A)", "DISPLAY", "Invalid number of repetitions"},
      {"P(0)9", "COMP", "Invalid number of repetitions"},
      {"9(3)K", "DISPLAY", "Unrecognized character 'K' found"},
      {"9(3)k", "DISPLAY", "Unrecognized character 'k' found"},
      {"9C", "DISPLAY", "Unrecognized character 'C' found"},
      {"9D", "DISPLAY", "Unrecognized character 'D' found"},
      {"9K", "COMP", "Unrecognized character 'K' found"},
      {"99S", "COMP-3", "Unrecognized character 'S' found"},
      {"9.99", "COMP-3", "Unrecognized character '.' found"},
      {"(3)", "COMP", "Unrecognized character '(' found"},
      {"P9P", "DISPLAY", "Can't have both leading and trailing zeros"},
      {"P9P", "COMP", "Can't have both leading and trailing zeros"},
      {"P(2)9P", "COMP-3", "Can't have both leading and trailing zeros"},
      {"PP99P(2)", "DISPLAY", "Can't have both leading and trailing zeros"},
      {"(3)", "DISPLAY", "Unexpected parentheses found"},
      {"9(3))", "DISPLAY", "Unexpected parentheses found"},
      {"X(2)(3)", "DISPLAY", "Unexpected parentheses found"},
      // Silent failures: the error text stays as it was.
      {"9(3", "DISPLAY", "(unchanged)"},
      {"X(", "DISPLAY", "(unchanged)"},
      {"9(3", "COMP-3", "(unchanged)"},
      {"9V9V9", "DISPLAY", "(unchanged)"},
      {"9V9V9", "COMP-3", "(unchanged)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.message, failure(c.picture, c.usage)) << c.picture << " " << c.usage;
  }
}

TEST(CCBFormatTest, RefusesPicturesBeyondTheFieldLimit) {
  const std::string tooLong = "Picture exceeds the maximum field length of 16777216";
  const struct {
    std::string picture;
    const char* usage;
    const char* message;
  } cases[] = {
      {"9(99999999999)", "DISPLAY", "Invalid number of repetitions"},
      {"9(99999999999)", "COMP", "Invalid number of repetitions"},
      {"X(16777217)", "DISPLAY", "Invalid number of repetitions"},
      {"X(16777216)X", "DISPLAY", tooLong.c_str()},
      {"9(16777216)CR", "DISPLAY", tooLong.c_str()},
      {"S9(16777216)", "DISPLAY", tooLong.c_str()},  // the embedded sign makes it one longer
      {"9(16777216)V", "DISPLAY", tooLong.c_str()},
      {"P(16777216)P", "DISPLAY", tooLong.c_str()},
      {"9(16777216)9", "COMP-3", tooLong.c_str()},
      {"9(16777216)", "COMP-3", tooLong.c_str()},  // sign and point make it two longer
      {"P(16777216)9", "COMP", tooLong.c_str()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.message, failure(c.picture, c.usage)) << c.picture << " " << c.usage;
  }
  std::string accumulated;
  for (int i = 0; i < 2000; ++i) accumulated += "X(9999)";  // 19,998,000 positions
  EXPECT_EQ(tooLong, failure(accumulated, "DISPLAY"));
  std::string scaled;
  for (int i = 0; i < 2000; ++i) scaled += "P(9999)";
  EXPECT_EQ(tooLong, failure(scaled + "9", "COMP-3"));
}

TEST(CCBFormatTest, AcceptsPicturesUpToTheFieldLimit) {
  const FormatCase cases[] = {
      {"X(16777216)", "DISPLAY", 0, 16777216, 16777216, 4, 0, -1, -1, 0, 0},
      {"9(16777214)", "COMP-3", 0, 8388608, 16777216, 4, 0, -1, -1, 0, 16777214},
  };
  for (const FormatCase& c : cases) expectFormat(c);
}

TEST(CCBFormatTest, ReadsPicturesOfThousandsOfCharacters) {
  QvbString error;
  std::unique_ptr<CCBFormat> text(
      CCBFormat::create(std::string(5000, 'X').c_str(), "DISPLAY", 0, error));
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(5000, text->storageLength());
  std::unique_ptr<CCBFormat> packed(
      CCBFormat::create(std::string(5000, '9').c_str(), "COMP-3", 0, error));
  ASSERT_NE(nullptr, packed);
  EXPECT_EQ(2501, packed->storageLength());
  EXPECT_EQ(5002, packed->outputLength());
  std::unique_ptr<CCBFormat> scaled(
      CCBFormat::create((std::string(5000, 'P') + "9").c_str(), "DISPLAY", 0, error));
  ASSERT_NE(nullptr, scaled);
  EXPECT_EQ(-5000, scaled->scaleCount());
  EXPECT_EQ(5002, scaled->outputLength());

  EXPECT_EQ("Unexpected parentheses found", failure(std::string(4000, '('), "DISPLAY"));
  EXPECT_EQ("(unchanged)", failure(std::string(4000, '('), "COMP"));
  std::string everyByte;
  for (int i = 0; i < 4000; ++i) everyByte += static_cast<char>(1 + i % 255);
  failure(everyByte, "DISPLAY");
  failure(everyByte, "COMP-3");
}

}  // namespace
