// Field formats: what each picture and usage make of a field, every refusal, the texts of
// hand-made bytes (floats worked out from the bits), and direct values against the texts.
#include "format/ccb_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "format/ccb_float.h"
#include "format/ccb_number_text.h"
#include "lyra/qvb_datavar.h"
#include "support/np_code_pages.h"

namespace {

using namespace std::string_literals;

// The format of a picture (null: none) under rules; a refusal fails the test.
std::unique_ptr<CCBFormat> make(const char* picture, const char* usage, int sign = 0,
                                const CCBFormatRules& rules = CCBFormatRules()) {
  QvbString error;
  std::unique_ptr<CCBFormat> format(CCBFormat::create(picture, usage, sign, error, rules));
  EXPECT_NE(nullptr, format) << usage << ": " << error.asCstr();
  return format;
}

// The text a value keeps of bytes decoded with format.
std::string decode(CCBFormat* format, const std::string& bytes, const CCBDecoding& decoding) {
  int length = 0;
  const char* text =
      format->decodeText(reinterpret_cast<const unsigned char*>(bytes.data()), decoding, &length);
  QvbDatavar value;
  value.assignBytes(text, length);
  return value.asString().asCstr();
}

// Usage words that no data file holds: those the data files hold are read value by value.
TEST(CCBFormatTest, UsageWords) {
  EXPECT_EQ(USAGE_DISPLAY, CCBFormat::lookupUsage("DISPLAY"));
  EXPECT_EQ(USAGE_DISPLAY_1, CCBFormat::lookupUsage("display-1"));
  for (const char* word : {"INDEX", "POINTER"})
    EXPECT_EQ(USAGE_UNKNOWN, CCBFormat::lookupUsage(word));
}

// "storage output type point scale" of each format, or the message of its refusal.
TEST(CCBFormatTest, PicturesGiveLengthsTypesPointsAndScalesOrAreRefused) {
  const char* const tooLong = "Picture exceeds the maximum field length of 16777216";
  const char* const badCount = "Invalid number of repetitions";
  const char* const bothZeros = "Can't have both leading and trailing zeros";
  std::string manyCounts;
  for (int i = 0; i < 2000; ++i) manyCounts += "X(9999)";
  const std::tuple<const char*, const char*, int, const char*> cases[] = {
      {"S9(4)", "BINARY", 0, "2 6 2 -1 0"},
      {"9(5)", "COMP", 0, "4 7 2 -1 0"},
      {"9(10)", "COMP", 0, "8 12 3 -1 0"},
      {"S9(16)", "COMP", 0, "8 18 4 -1 0"},
      {"S9(11)V99", "COMP-5", 0, "8 15 3 11 0"},
      {"9(4)", "COMP-3", 0, "3 6 2 -1 0"},
      {"s9v99", "computational-3", 0, "2 5 3 1 0"},
      {"9(05)", "COMP", 0, "4 7 2 -1 0"},
      {"99(3)", "COMP-3", 0, "3 6 2 -1 0"},   // 9 and 9(3)
      {"PP99", "COMP", 0, "2 7 3 -1 -2"},     // leading P: real
      {"S99PP", "COMP", 0, "2 6 2 -1 2"},     // trailing P
      {"P(3)9", "COMP-3", 0, "1 7 3 -1 -3"},  // P(n) is n scaling positions
      {"9(8)PP", "COMP", 0, "4 12 3 -1 2"},   // up to 9999999900: real
      {"S9(5)V99", "DISPLAY", SIGN_LEADING | SIGN_SEPARATE, "8 9 3 6 0"},
      {"9(4)db", "DISPLAY", 0, "6 6 2 -1 0"},
      {"PPP999", "DISPLAY", 0, "3 7 3 -1 -3"},
      {"999PPP", "DISPLAY", 0, "3 6 2 -1 3"},
      {"9(10)", "DISPLAY", 0, "10 10 3 -1 0"},  // typed by digit positions
      {"9(16)", "DISPLAY", 0, "16 16 4 -1 0"},
      {"N(10)", "NATIONAL", 0, "10 10 4 -1 0"},
      {"X(16777216)", "DISPLAY", 0, "16777216 16777216 4 -1 0"},
      {"S", "COMP-3", 0, "Insufficient information in picture"},
      {"", "BINARY", 0, "Insufficient information in picture"},
      {"9(0)", "DISPLAY", 0, badCount},
      {"9(-3)", "COMP-3", 0, badCount},
      {"X(A)", "DISPLAY", 0, badCount},
      {"9(99999999999)", "COMP", 0, badCount},
      {"X(16777217)", "DISPLAY", 0, badCount},
      {"9(3)K", "DISPLAY", 0, "Unrecognized character 'K' found"},
      {"P9P", "DISPLAY", 0, bothZeros},
      {"P(2)9P", "COMP-3", 0, bothZeros},
      {"(3)", "DISPLAY", 0, "Unexpected parentheses found"},
      {"X(2)(3)", "DISPLAY", 0, "Unexpected parentheses found"},
      {"X(16777216)X", "DISPLAY", 0, tooLong},
      {"9(16777216)", "COMP-3", 0, tooLong},  // sign and point make the text longer
      {manyCounts.c_str(), "DISPLAY", 0, tooLong},
      {"9(3", "DISPLAY", 0, "(unchanged)"},  // refused without a message
      {"9V9V9", "DISPLAY", 0, "(unchanged)"},
      // Float usages take no picture, and a float format.
      {nullptr, "COMP-1", 0, "Invalid or unknown usage clause"},
      {nullptr, "COMP-2", 0, "Invalid or unknown usage clause"},
      {nullptr, "INDEX", 0, "Invalid or unknown usage clause"},
  };
  for (const auto& [picture, usage, sign, expected] : cases) {
    QvbString error("(unchanged)");
    std::unique_ptr<CCBFormat> f(CCBFormat::create(picture, usage, sign, error));
    if (f != nullptr) {
      error = qvbStringFormat("%d %d %d %d %d", f->storageLength(), f->outputLength(),
                              f->outputType(), f->decimalPosition(), f->scaleCount());
    }
    EXPECT_EQ(expected, error.str())
        << std::string(picture != nullptr ? picture : "").substr(0, 20) << " " << usage;
  }
}

// picture, usage, sign flags, the field's bytes, their text
using DecodeCase = std::tuple<const char*, const char*, int, std::string, const char*>;

void expectTexts(const std::vector<DecodeCase>& cases, bool noConvert) {
  for (const auto& [picture, usage, sign, bytes, text] : cases) {
    SCOPED_TRACE(std::string(picture) + " " + usage);
    std::unique_ptr<CCBFormat> f = make(picture, usage, sign);
    ASSERT_NE(nullptr, f);
    ASSERT_EQ(static_cast<int>(bytes.size()), f->storageLength());
    EXPECT_EQ(text, decode(f.get(), bytes, classicDecoding(noConvert)));
  }
}

const std::string FF8(8, '\xFF');

// Binary, packed, and display bytes: of ASCII data, overpunch characters, digits and 'p'-'y'
// for negatives; of EBCDIC data, zones C, F, A, E positive, D and B negative. (The field
// encoder's tests read back the bytes they write: binary values with a point or scaling
// positions among them.)
TEST(CCBFormatTest, DecodesFieldBytes) {
  const std::vector<DecodeCase> ascii = {
      {"9(4)", "BINARY", 0, "\x80\x00"s, "32768"},
      {"S9(9)", "COMP", 0, "\x00\x00\x01\x00"s, "256"},
      {"S9(18)", "COMP", 0, "\x80" + std::string(7, '\0'), "-9223372036854775808"},
      {"S9(2)V99", "BINARY", 0, "\x04\xB5", "12.05"},
      {"PP99", "BINARY", 0, "\x00\x01"s, ".0001"},  // every digit position
      // Texts longer than the picture declares come out whole.
      {"9", "COMP", 0, "\xFF\xFF", "65535"},
      {"V9(18)", "COMP", 0, FF8, "18.446744073709551615"},
      {"9(10)P(3)", "COMP", 0, FF8, "18446744073709551615000"},
      {"S9(5)", "COMP-3", 0, "\x12\x34\x5B", "-12345"},
      {"S9(5)", "COMP-3", 0, "\x12\x34\x5F", "12345"},
      {"9(4)", "COMP-3", 0, "\x91\x23\x4F", "1234"},  // pad nibble not shown
      {"S9(5)V9", "COMP-3", 0, "\x01\x23\x45\x6C"s, "12345.6"},
      {"S9(4)V", "COMP-3", 0, "\x01\x23\x4C"s, "1234"},  // no digit after V
      {"PP999", "COMP-3", 0, "\x12\x3C", ".00123"},
      {"S9(5)", "COMP-3", 0, "\x12\x1A\x5C", "#ERR#"},  // a digit nibble above 9
      {"9(4)", "COMP-3", 0, "\xF1\x23\x4C", "#ERR#"},   // the pad nibble too
      {"S9(5)", "COMP-3", 0, "\x12\x34\x55", "#ERR#"},  // a digit as the sign
      {"N(2)", "NATIONAL", 0, "ab", "#ERR#"},
      {"X(5)", "DISPLAY", 0, "HE\0LO"s, "HE"},  // a zero byte ends it
      {"S9(3)V99", "DISPLAY", SIGN_LEADING | SIGN_SEPARATE, "+12345", "+123.45"},
      {"S9(3)V99", "DISPLAY", 0, "12345", " 123.45"},
      {"S9(3)V99", "DISPLAY", SIGN_LEADING, "J2345", "-123.45"},
      {"SPP99", "DISPLAY", 0, "1r", "-.0012"},
      {"S9(3)", "DISPLAY", 0, "12}", "-120"},
      {"S9(3)", "DISPLAY", 0, "12\xD5", "-125"},
      {"S9(3)", "DISPLAY", 0, "12 ", "#ERR#"},
      {"S9(3)", "DISPLAY", 0, "12S", "#ERR#"},
      {"S9(3)", "DISPLAY", 0, "12\xCA", "#ERR#"},  // zone C, digit above 9
  };
  const std::vector<DecodeCase> ebcdic = {
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\xA3", " 123"},
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\xB3", "-123"},
      {"S9(3)", "DISPLAY", SIGN_LEADING, "\xD1\xF2\xF3", "-123"},
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\x33", "#ERR#"},  // an ASCII digit is no EBCDIC sign
      {"S9(3)", "DISPLAY", 0, "\xF1\xF2\xFA", "#ERR#"},
  };
  expectTexts(ascii, true);
  expectTexts(ebcdic, false);
}

// SIGN SEPARATE on a display number without S: the tolerant rules give the sign its byte
// and read it, as if the picture had S; the classic and strict rules read the picture as
// written, the sign byte as a digit. Pictures with S, edited ones, text and embedded signs
// are alike under every rule.
TEST(CCBFormatTest, SeparateSignWithoutS) {
  const int LEADING = SIGN_LEADING | SIGN_SEPARATE;
  const int TRAILING = SIGN_SEPARATE;
  const struct {
    const char* picture;
    int sign;
    bool ebcdic;
    std::string bytes;  // those the tolerant rules read; the others read all but the last
    const char* tolerant;
    const char* classic;  // the text of the classic and strict rules
  } cases[] = {
      {"99V99", LEADING, false, "-3050", "-30.50", "-3.05"},
      {"99V99", TRAILING, false, "3050-", "-30.50", "30.50"},
      {"99V99", LEADING, false, "+0007", "+00.07", "+0.00"},
      {"9(3)", TRAILING, false, "123+", "+123", "123"},
      {"v99", LEADING, false, "-05", "-.05", ".-0"},
      {"99V99", LEADING, true, "\x60\xF3\xF0\xF5\xF0", "-30.50", "-3.05"},
      {"S99V99", LEADING, false, "-3050", "-30.50", "-30.50"},
      {"99V99", SIGN_LEADING, false, "3050", "30.50", "30.50"},  // embedded: no own byte
      {"ZZ9.99", LEADING, false, " 12.50", " 12.50", " 12.50"},
      {"X(3)", TRAILING, false, "AB-", "AB-", "AB-"},
  };
  CCBFormatRules strict;
  strict.extended = true;
  CCBFormatRules tolerant = strict;
  tolerant.tolerant = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.bytes);
    const CCBDecoding decoding = classicDecoding(!c.ebcdic);
    std::unique_ptr<CCBFormat> f = make(c.picture, "DISPLAY", c.sign, tolerant);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(static_cast<int>(c.bytes.size()), f->storageLength());
    EXPECT_EQ(c.tolerant, decode(f.get(), c.bytes, decoding));
    const bool changed = std::strcmp(c.tolerant, c.classic) != 0;
    const std::string shorter = c.bytes.substr(0, c.bytes.size() - (changed ? 1 : 0));
    for (const CCBFormatRules& rules : {CCBFormatRules(), strict}) {
      std::unique_ptr<CCBFormat> g = make(c.picture, "DISPLAY", c.sign, rules);
      ASSERT_NE(nullptr, g);
      EXPECT_EQ(static_cast<int>(shorter.size()), g->storageLength());
      EXPECT_EQ(c.classic, decode(g.get(), shorter, decoding));
    }
  }
  // The sign byte is no digit position: 4 digits, 2 after the point, signed.
  const CCBNumberShape shape = make("99V99", "DISPLAY", TRAILING, tolerant)->numberShape();
  EXPECT_EQ("4 2 1", std::to_string(shape.digits) + " " + std::to_string(shape.fraction) + " " +
                         std::to_string(shape.isSigned));
}

// The shape of numeric-edited pictures whose output type is a number: their digit positions
// (9, Z, *, a floating string's symbols but its first; trailing P), those after the point
// ('.' or V), and whether zero may show no digit. Those whose text is no plain statement of
// the value, or whose output type is text, stay text.
TEST(CCBFormatTest, NumericEditedPicturesCountTheirDigitPositions) {
  const char* const kinds[] = {"text", "fixed", "edited", "float"};
  const std::pair<const char*, const char*> cases[] = {
      {"9(4)-", "edited 4 0 0"},     {"-9(4)", "edited 4 0 0"},
      {"----9", "edited 4 0 0"},  // a floating string of 4 holds 3 digits
      {"-(4)9", "edited 4 0 0"},  // counted alike
      {"-ZZZ9", "edited 4 0 0"},  // a fixed sign holds none
      {"ZZ9.99CR", "edited 5 2 0"},  {"99.99DB", "edited 4 2 0"},
      {"$$$9.99-", "edited 5 2 0"},                                  // a floating $, a fixed sign
      {"$ZZ9.99", "edited 5 2 0"},   {"$**9.99CR", "edited 5 2 0"},  // check protection
      {"ZZ9V99-", "edited 5 2 0"},                                   // an implied point
      {".99+", "edited 2 2 0"},      {"+++9.99", "edited 5 2 0"},
      {"ZZ9PP", "edited 5 0 0"},  // trailing scaling positions
      {"ZZZZ", "edited 4 0 1"},   // every digit position suppressed: zero shows none
      {"$$$$", "edited 3 0 1"},      {"**.**", "edited 4 2 1"},
      {"----.--", "edited 5 2 1"},   {"9(4)", "fixed 4 0 0"},  // no editing: a plain number
      {"ZZZ,ZZ9.99-", "text 0 0 0"},                           // a comma: text by the output type
      {"-(15)9", "text 0 0 0"},     // 16 positions: text by the output type
      {"9(3)0", "text 0 0 0"},      // an inserted 0 reads as a digit
      {"+9.99E+99", "text 0 0 0"},  // an exponent
      {"ZZ9PP-", "text 0 0 0"},     // the scaling zeros would follow the sign
      {"ZZZPP", "text 0 0 0"},      // leading scaling positions by the rules: before Z
      {"PP99-", "text 0 0 0"},       {"X(4)", "text 0 0 0"},
  };
  for (const auto& [picture, want] : cases) {
    const std::unique_ptr<CCBFormat> format = make(picture, "DISPLAY");
    ASSERT_NE(nullptr, format) << picture;
    const CCBNumberShape shape = format->numberShape();
    EXPECT_EQ(want, std::string(kinds[shape.kind]) + " " + std::to_string(shape.digits) + " " +
                        std::to_string(shape.fraction) + " " +
                        std::to_string(shape.zeroWithoutDigits))
        << picture;
  }
  // National items are text, whatever their picture.
  CCBFormatRules utf16;
  utf16.nationalUtf16 = true;
  EXPECT_EQ(CCBNumberShape::TEXT, make("ZZ9.99-", "NATIONAL", 0, utf16)->numberShape().kind);
}

// PIC G and USAGE DISPLAY-1 items take two bytes per position where the rules read
// double-byte text, one where they do not (the classic and strict rules), and read
// through a mixed page: "storage output usage text" of each; "#ERR#" in any other page.
TEST(CCBFormatTest, DoubleByteItemsTakeTwoBytesPerPosition) {
  CCBFormatRules doubleByte, both;
  doubleByte.doubleByte = both.doubleByte = both.nationalUtf16 = true;
  CCBDecoding mixed, single;
  ASSERT_TRUE(mixed.codec.init(930, true));
  ASSERT_TRUE(single.codec.init(37, true));
  mixed.zeroBytes = single.zeroBytes = CCB_ZERO_BYTES_SPACE;
  // 45 41 and 45 42 are two kanji in 930, as glibc's iconv reads them: U+4E00, U+4E8C.
  const std::string kanji = "\x45\x41\x45\x42", text = "\xE4\xB8\x80\xE4\xBA\x8C";
  const struct {
    const char *picture, *usage;
    const CCBFormatRules& rules;
    int storage, output;
    bool doubleByte;
  } cases[] = {
      {"G(2)", "DISPLAY", doubleByte, 4, 5, true},
      {"N(2)", "DISPLAY-1", both, 4, 5, true},  // DISPLAY-1 wins over UTF-16
      {"G(2)", "DISPLAY-1", doubleByte, 4, 5, true},
      {"G(2)", "DISPLAY", CCBFormatRules(), 2, 5, false},
      {"N(2)", "DISPLAY-1", CCBFormatRules(), 2, 5, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.usage);
    const std::unique_ptr<CCBFormat> format = make(c.picture, c.usage, 0, c.rules);
    ASSERT_NE(nullptr, format);
    EXPECT_EQ(c.storage, format->storageLength());
    EXPECT_EQ(c.output, format->outputLength());
    EXPECT_EQ(c.doubleByte, format->isDoubleByte());
    EXPECT_FALSE(format->isNational());
    EXPECT_EQ(CCBNumberShape::TEXT, format->numberShape().kind);
    if (!c.doubleByte) continue;
    ASSERT_TRUE(format->reserveText(3));
    EXPECT_EQ(text, decode(format.get(), kanji, mixed));
    EXPECT_EQ("#ERR#", decode(format.get(), kanji, single));
  }
}

// Every count of digits on each side of the point: the digit count of a binary value at
// each power of ten (up to 10^19, unsigned above 2^63), and the point put in packed and
// zoned texts from the first place to the last, beyond the short moves too.
TEST(CCBFormatTest, NumbersOfEveryLengthAndPoint) {
  uint64_t power = 1;
  for (int k = 1; k <= 19; ++k) {
    power *= 10;
    for (uint64_t value : {power - 1, power}) {
      std::string bytes(8, '\0');
      for (int i = 0; i < 8; ++i) bytes[7 - i] = static_cast<char>(value >> (8 * i) & 0xFF);
      expectTexts({{"9(18)", "COMP", 0, bytes, std::to_string(value).c_str()}}, true);
    }
  }
  const std::string digits = "9876543210123456789012345678901";
  for (int count = 1; count <= 31; ++count) {
    for (int fraction = 0; fraction <= count; ++fraction) {
      const int whole = count - fraction;
      const std::string picture = "S" + (whole > 0 ? "9(" + std::to_string(whole) + ")" : "") +
                                  (fraction > 0 ? "V9(" + std::to_string(fraction) + ")" : "");
      const std::string shown = digits.substr(0, count);
      std::string text = shown;
      if (fraction > 0) text.insert(static_cast<size_t>(whole), ".");
      // Packed: a pad nibble of 0 before an even count, the sign D ('0' + 13) after.
      const std::string nibbles = (count % 2 == 0 ? "0" : "") + shown + "=";
      std::string packed;
      for (size_t i = 0; i < nibbles.size(); i += 2)
        packed += static_cast<char>((nibbles[i] - '0') << 4 | (nibbles[i + 1] - '0'));
      // Zoned: the last digit overpunched positive.
      std::string zoned = shown;
      zoned.back() = "{ABCDEFGHI"[shown.back() - '0'];
      expectTexts({{picture.c_str(), "COMP-3", 0, packed, ("-" + text).c_str()},
                   {picture.c_str(), "DISPLAY", 0, zoned, (" " + text).c_str()}},
                  true);
    }
  }
}

// Column lengths hold the longest texts: 23 characters for IBM floats, 15 for IEEE
// singles, 24 for IEEE doubles (three exponent digits).
TEST(NumberFormatsTest, FloatsInEachFormat) {
  const std::tuple<int, const char*, const char*, std::string, const char*> cases[] = {
      // IBM hexadecimal: 0.F x 16^(E-64).
      {FLOAT_IBM, "COMP-1", nullptr, "\x41\x10\x00\x00"s, "1"},
      {FLOAT_IBM, "COMP-1", "S9(5)V99", "\xC2\x76\xA0\x00"s, "-118.625"},
      {FLOAT_IBM, "COMP-1", nullptr, std::string(4, '\0'), "0"},
      {FLOAT_IBM, "COMP-1", nullptr, "\x00\x10\x00\x00"s,
       "5.397605346934028e-79"},  // the smallest normalised value, 16^-65 = 2^-260
      {FLOAT_IBM, "COMP-1", nullptr, "\x7F\xFF\xFF\xFF",
       "7.2370051459731155e+75"},  // the largest: (1 - 2^-24) x 2^252
      {FLOAT_IBM, "COMPUTATIONAL-1", nullptr, "\x40\x00\x10\x00"s,
       "0.000244140625"},  // unnormalised: 0x001000 / 2^24 = 2^-12
      {FLOAT_IBM, "COMP-2", nullptr, "\x41\x10\x00\x00\x00\x00\x00\x00"s, "1"},
      {FLOAT_IBM, "COMP-2", nullptr, "\x40\x19\x99\x99\x99\x99\x99\x9A", "0.1"},
      {FLOAT_IBM, "COMP-2", nullptr, "\x00\x00\x00\x00\x00\x00\x00\x01"s,
       "1.1985091468012028e-94"},  // unnormalised: 2^-56 x 16^-64
      // IEEE 754: singles at single precision.
      {FLOAT_IEEE, "COMP-1", nullptr, "\x3F\x80\x00\x00"s, "1"},
      {FLOAT_IEEE, "COMP-1", nullptr, "\x1E\x3C\xE5\x08", "1e-20"},
      {FLOAT_IEEE, "COMP-1", nullptr, "\x7F\x7F\xFF\xFF", "3.4028235e+38"},
      {FLOAT_IEEE, "COMP-1", nullptr, "\x7F\x80\x00\x00"s, "#ERR#"},  // infinity
      {FLOAT_IEEE, "COMP-1", nullptr, "\x7F\xC0\x00\x00"s, "#ERR#"},  // NaN
      {FLOAT_IEEE_LE, "COMP-1", nullptr, "\x00\x40\xED\xC2"s, "-118.625"},
      {FLOAT_IEEE, "COMP-2", nullptr, "\x3B\xC7\x9C\xA1\x0C\x92\x42\x23", "1e-20"},
      {FLOAT_IEEE_LE, "COMP-2", "9(3)", "\x23\x42\x92\x0C\xA1\x9C\xC7\x3B", "1e-20"},
      {FLOAT_IEEE, "COMP-2", nullptr, "\xFF\xF0\x00\x00\x00\x00\x00\x00"s, "#ERR#"},
  };
  for (const auto& [format, usage, picture, bytes, text] : cases) {
    SCOPED_TRACE(std::string(usage) + " " + text);
    std::unique_ptr<CCBFormat> f = make(picture, usage, 0, CCBFormatRules{format});
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(static_cast<int>(bytes.size()), f->storageLength());
    EXPECT_EQ(3, f->outputType());
    EXPECT_EQ(format == FLOAT_IBM ? 23 : bytes.size() == 4 ? 15 : 24, f->outputLength());
    EXPECT_EQ(text, decode(f.get(), bytes, classicDecoding(true)));
  }
}

TEST(NumberFormatsTest, BinaryByteOrders) {
  const std::string minus2("\xFE\xFF", 2);  // -2 little-endian, 0xFEFF = -257 big-endian
  CCBDecoding comp5, every;
  comp5.comp5LittleEndian = true;
  every.binaryLittleEndian = true;
  std::unique_ptr<CCBFormat> native = make("S9(4)", "COMP-5"), binary = make("S9(4)", "BINARY");
  EXPECT_EQ("-257", decode(native.get(), minus2, classicDecoding(true)));
  EXPECT_EQ("-2", decode(native.get(), minus2, comp5));
  EXPECT_EQ("-257", decode(binary.get(), minus2, comp5));
  EXPECT_EQ("-2", decode(binary.get(), minus2, every));
  std::unique_ptr<CCBFormat> wide = make("S9(16)V99", "COMPUTATIONAL-5");
  EXPECT_EQ("-0.01", decode(wide.get(), FF8, comp5));
  EXPECT_EQ("0.01", decode(wide.get(), "\x01\0\0\0\0\0\0\0"s, comp5));
}

enum Kind { BINARY, PACKED, ZONED };

// Binary: any bits. Packed: digit nibbles, a sign nibble A-F. Zoned: digits of the
// page, a sign byte of the usual ones. One value in eight is all zero digits.
std::string validBytes(Kind kind, bool sign, bool leading, int n, bool ebcdic, std::mt19937& r) {
  const unsigned top = r() % 8 == 0 ? 1 : 10;
  std::string bytes(static_cast<size_t>(n), '\0');
  for (char& b : bytes) {
    const uint_fast32_t bits[] = {top == 1 ? 0 : r(), r() % top << 4 | r() % top,
                                  (ebcdic ? 0xF0u : 0x30u) + r() % top};
    b = static_cast<char>(bits[kind]);
  }
  if (kind == PACKED) bytes[n - 1] = static_cast<char>(r() % top << 4 | (0xA + r() % 6));
  const std::string signs = ebcdic ? "\xC0\xC9\xD0\xD5\xD9\xF0\xF7" : "0{}AIJRpy";
  if (kind == ZONED && sign)
    bytes[leading ? 0 : n - 1] = top == 1 ? signs[0] : signs[r() % signs.size()];
  return bytes;
}

// The canonical text of a direct value, as writeCanonical writes that of a text.
std::string canonical(const CCBFixedPointValue& value) {
  std::string digits = std::to_string(value.magnitude);
  const size_t fraction = static_cast<size_t>(value.fraction);
  if (digits.size() <= fraction) digits.insert(0, fraction + 1 - digits.size(), '0');
  if (fraction > 0) digits.insert(digits.size() - fraction, ".");
  return (value.negative ? "-" : "") + digits;
}

// How a direct value differs from the text's; empty when it does not or there is none.
std::string compare(CCBFormat* format, const CCBDecoding& decoding, const unsigned char* data,
                    bool* direct) {
  int length = 0;
  const char* text = format->decodeText(data, decoding, &length);
  if (decoding.zeroBytes == CCB_ZERO_BYTES_END) {
    length = static_cast<int>(strnlen(text, static_cast<size_t>(length)));  // the value's end
  }
  CCBFixedPointText number;
  const bool scanned = scanFixedPoint(text, length, &number);
  CCBFixedPointValue value;
  if (!(*direct = format->decodeFixedPoint(data, decoding, &value))) return "";
  const std::string shown = "text \"" + std::string(text, static_cast<size_t>(length)) + "\"";
  if (!scanned) return shown + " reads as no number";
  std::string expected(static_cast<size_t>(canonicalLength(number)), '\0');
  expected.resize(static_cast<size_t>(writeCanonical(number, &expected[0])));
  int64_t integer = 0;
  const bool differs =
      canonical(value) != expected || value.fraction != number.fractionDigits ||
      std::stod(canonical(value)) != fixedPointToDouble(number) ||
      (value.fraction == 0 && fixedPointToInt64(number, &integer) &&
       static_cast<uint64_t>(integer) != (value.negative ? 0 - value.magnitude : value.magnitude));
  return differs ? shown + " read directly as " + canonical(value) : "";
}

// A format per direct decoder path: valid values decode directly unless '!' ('<' leading, '|'
// separate sign), under each byte order, zero-byte rule, UTF-8 result and code page.
TEST(FixedPointDirectTest, DirectValuesAreTheTextValues) {
  const char* const formats[] = {
      "COMP S9(4)",     "COMP 9(5)V9(4)",   "COMP S9(18)",      "COMP 9(18)",
      "COMP SV9(18)",   "COMP !S9(4)V",     "COMP !S9(3)PP",    "COMP-5 9(9)V99",
      "COMP-3 S9(5)",   "COMP-3 9(4)",      "COMP-3 S9(4)V99",  "COMP-3 S9(3)V",
      "COMP-3 S9",      "COMP-3 9(19)",     "COMP-3 !9(20)",    "COMP-3 !PP9(3)",
      "DISPLAY 9(5)",   "DISPLAY S9(3)V99", "DISPLAY <S9(3)V9", "DISPLAY S9",
      "DISPLAY S9(19)", "DISPLAY !9(20)",   "DISPLAY !|S99",    "DISPLAY !9PP",
      "DISPLAY !Z(3)9", "DISPLAY 9(8)",     "DISPLAY <S9(12)",  "COMP-3 S9(13)V99",
      "COMP-3 9(14)",
  };
  std::vector<CCBDecoding> decodings(5);
  decodings[1].binaryLittleEndian = true;
  decodings[1].zeroBytes = CCB_ZERO_BYTES_SPACE;
  decodings[2].comp5LittleEndian = true;
  decodings[2].zeroBytes = CCB_ZERO_BYTES_KEEP;
  decodings[3].codec.init(CCSID_EBCDIC037, true);
  decodings[4].codec.init(CCSID_UTF8, true);
  int count = 0;
  const NpCodePage* pages = npCodePages(&count);
  for (int i = 0; i < count; ++i) decodings.emplace_back().codec.init(pages[i].ccsid, false);
  std::mt19937 random(20240611);
  const int perKind = 100;
  for (const std::string item : formats) {
    const std::string usage = item.substr(0, item.find(' '));
    const Kind kind = usage == "COMP-3" ? PACKED : usage == "DISPLAY" ? ZONED : BINARY;
    const char* picture = item.c_str() + usage.size() + 1;
    const bool direct = *picture != '!';
    picture += direct ? 0 : 1;
    const int flags = *picture == '<' ? SIGN_LEADING : *picture == '|' ? SIGN_SEPARATE : 0;
    picture += flags != 0 ? 1 : 0;
    std::unique_ptr<CCBFormat> format = make(picture, usage.c_str(), flags);
    ASSERT_TRUE(format && format->reserveText(3)) << item;
    for (const CCBDecoding& decoding : decodings) {
      SCOPED_TRACE(item + " " + std::to_string(decoding.codec.ccsid()));
      int directValid = 0;
      for (int i = 0; i < 3 * perKind; ++i) {  // valid, one byte spoilt, random
        std::string bytes = validBytes(kind, *picture == 'S', flags == SIGN_LEADING,
                                       format->storageLength(), decoding.codec.ebcdic(), random);
        if (i >= perKind) bytes[random() % bytes.size()] = static_cast<char>(random());
        for (char& b : bytes) b = i >= 2 * perKind ? static_cast<char>(random()) : b;
        bool isDirect = false;
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        ASSERT_EQ("", compare(format.get(), decoding, data, &isDirect));
        directValid += i < perKind && isDirect;
      }
      EXPECT_EQ(direct ? perKind : 0, directValid);
    }
  }
}

}  // namespace
