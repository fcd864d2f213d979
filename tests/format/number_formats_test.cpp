// The extended field formats: floats in each format, binary byte orders, national
// text and the room UTF-8 results need. Expected float texts are the shortest
// decimal forms of values worked out by hand from the bit patterns.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "format/ccb_float.h"
#include "format/ccb_format.h"
#include "lyra/qvb_datavar.h"

namespace {

CCBFormatRules floats(int format) {
  CCBFormatRules rules;
  rules.floatFormat = format;
  return rules;
}

std::unique_ptr<CCBFormat> make(const char* picture, const char* usage,
                                const CCBFormatRules& rules) {
  QvbString error;
  std::unique_ptr<CCBFormat> format(CCBFormat::create(picture, usage, 0, error, rules));
  EXPECT_NE(nullptr, format) << picture << " " << usage << ": " << error.asCstr();
  return format;
}

std::string decode(CCBFormat* format, const std::string& bytes, const CCBDecoding& decoding) {
  int length = 0;
  const char* text =
      format->decodeText(reinterpret_cast<const unsigned char*>(bytes.data()), decoding, &length);
  QvbDatavar value;
  value.assignBytes(text, length);
  return value.asString().asCstr();
}

struct FloatCase {
  int format;
  const char* usage;
  const char* picture;  // null: none
  std::string bytes;
  const char* text;
};

}  // namespace

TEST(NumberFormatsTest, FloatsInEachFormat) {
  const FloatCase cases[] = {
      // IBM hexadecimal: 0.F x 16^(E-64).
      {FLOAT_IBM, "COMP-1", nullptr, std::string("\x41\x10\x00\x00", 4), "1"},
      {FLOAT_IBM, "COMP-1", "S9(5)V99", std::string("\xC2\x76\xA0\x00", 4), "-118.625"},
      {FLOAT_IBM, "COMP-1", nullptr, std::string(4, '\0'), "0"},
      {FLOAT_IBM, "COMP-1", nullptr, std::string("\x00\x10\x00\x00", 4),
       "5.397605346934028e-79"},  // the smallest normalised value, 16^-65 = 2^-260
      {FLOAT_IBM, "COMP-1", nullptr, "\x7F\xFF\xFF\xFF",
       "7.2370051459731155e+75"},  // the largest: (1 - 2^-24) x 2^252
      {FLOAT_IBM, "COMPUTATIONAL-1", nullptr, std::string("\x40\x00\x10\x00", 4),
       "0.000244140625"},  // unnormalised: 0x001000 / 2^24 = 2^-12
      {FLOAT_IBM, "COMP-2", nullptr, std::string("\x41\x10\x00\x00\x00\x00\x00\x00", 8), "1"},
      {FLOAT_IBM, "COMP-2", nullptr, "\x40\x19\x99\x99\x99\x99\x99\x9A", "0.1"},
      {FLOAT_IBM, "COMP-2", nullptr, std::string("\x00\x00\x00\x00\x00\x00\x00\x01", 8),
       "1.1985091468012028e-94"},  // unnormalised: 2^-56 x 16^-64
      // IEEE 754: singles at single precision.
      {FLOAT_IEEE, "COMP-1", nullptr, std::string("\x3F\x80\x00\x00", 4), "1"},
      {FLOAT_IEEE, "COMP-1", nullptr, "\x1E\x3C\xE5\x08", "1e-20"},
      {FLOAT_IEEE, "COMP-1", nullptr, "\x7F\x7F\xFF\xFF", "3.4028235e+38"},
      {FLOAT_IEEE, "COMP-1", nullptr, std::string("\x7F\x80\x00\x00", 4), "#ERR#"},  // infinity
      {FLOAT_IEEE, "COMP-1", nullptr, std::string("\x7F\xC0\x00\x00", 4), "#ERR#"},  // NaN
      {FLOAT_IEEE_LE, "COMP-1", nullptr, std::string("\x00\x40\xED\xC2", 4), "-118.625"},
      {FLOAT_IEEE, "COMP-2", nullptr, "\x3B\xC7\x9C\xA1\x0C\x92\x42\x23", "1e-20"},
      {FLOAT_IEEE_LE, "COMP-2", "9(3)", "\x23\x42\x92\x0C\xA1\x9C\xC7\x3B", "1e-20"},
      {FLOAT_IEEE, "COMP-2", nullptr, std::string("\xFF\xF0\x00\x00\x00\x00\x00\x00", 8), "#ERR#"},
  };
  for (const FloatCase& c : cases) {
    SCOPED_TRACE(std::string(c.usage) + " " + c.text);
    std::unique_ptr<CCBFormat> format = make(c.picture, c.usage, floats(c.format));
    ASSERT_NE(nullptr, format);
    EXPECT_EQ(static_cast<int>(c.bytes.size()), format->storageLength());
    EXPECT_EQ(3, format->outputType());
    EXPECT_GE(format->outputLength(), static_cast<int>(std::string(c.text).size()));
    EXPECT_EQ(c.text, decode(format.get(), c.bytes, classicDecoding(true)));
  }
}

// Column lengths are the longest texts: 15 for IEEE singles, 24 for IEEE doubles
// (three exponent digits), 23 for IBM items.
TEST(NumberFormatsTest, FloatColumnLengthsAndRefusal) {
  EXPECT_EQ(15, make(nullptr, "COMP-1", floats(FLOAT_IEEE))->outputLength());
  EXPECT_EQ(24, make(nullptr, "COMP-2", floats(FLOAT_IEEE_LE))->outputLength());
  EXPECT_EQ(23, make(nullptr, "COMP-1", floats(FLOAT_IBM))->outputLength());
  EXPECT_EQ(23, make(nullptr, "COMP-2", floats(FLOAT_IBM))->outputLength());
  for (const char* usage : {"COMP-1", "COMP-2", "INDEX"}) {
    QvbString error;
    EXPECT_EQ(nullptr, CCBFormat::create(QvbString(), usage, 0, error));
    EXPECT_STREQ("Invalid or unknown usage clause", error.asCstr());
  }
}

TEST(NumberFormatsTest, BinaryByteOrders) {
  const std::string minus2("\xFE\xFF", 2);  // -2 little-endian, 0xFEFF = -257 big-endian
  CCBDecoding comp5;
  comp5.comp5LittleEndian = true;
  CCBDecoding every;
  every.binaryLittleEndian = true;
  const CCBFormatRules classic;
  std::unique_ptr<CCBFormat> native = make("S9(4)", "COMP-5", classic);
  std::unique_ptr<CCBFormat> binary = make("S9(4)", "BINARY", classic);
  EXPECT_EQ("-257", decode(native.get(), minus2, classicDecoding(true)));
  EXPECT_EQ("-2", decode(native.get(), minus2, comp5));
  EXPECT_EQ("-257", decode(binary.get(), minus2, comp5));
  EXPECT_EQ("-2", decode(binary.get(), minus2, every));
  std::unique_ptr<CCBFormat> wide = make("S9(16)V99", "COMPUTATIONAL-5", classic);
  EXPECT_EQ("-0.01", decode(wide.get(), std::string(8, '\xFF'), comp5));
  EXPECT_EQ("0.01", decode(wide.get(), std::string("\x01\0\0\0\0\0\0\0", 8), comp5));
}
