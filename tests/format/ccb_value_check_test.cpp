// The check of a field's value against its picture and usage: hand-made bytes of every
// usage, in ASCII-based and EBCDIC pages, each judged as its bytes were worked out to be.
#include "format/ccb_value_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "format/ccb_float.h"
#include "format/ccb_format.h"

namespace {

using namespace std::string_literals;

struct Case {
  const char* picture;
  const char* usage;
  int sign;   // SIGN_LEADING, SIGN_SEPARATE
  int ccsid;  // of the text
  int floatFormat;
  std::string bytes;
  CCBValueFault fault;
};

const int LATIN1 = 819, EBCDIC = 37, CP1252 = 1252, UTF8 = 1208;
const int TRAILING = 0, LEADING_SEPARATE = SIGN_LEADING | SIGN_SEPARATE;

// Decodes the bytes as the reader would (UTF-8 results, zero bytes read as blanks) and
// checks the value, with its bytes at hand or, where bytes is false, without them. Where
// the bytes alone tell, they must tell the same.
CCBValueFault check(const Case& c, bool bytes = true, bool binaryLittleEndian = false) {
  CCBFormatRules rules;
  rules.extended = rules.tolerant = true;
  rules.floatFormat = c.floatFormat;
  rules.nationalUtf16 = true;
  QvbString error;
  std::unique_ptr<CCBFormat> format(CCBFormat::create(c.picture, c.usage, c.sign, error, rules));
  EXPECT_NE(nullptr, format) << c.picture << " " << c.usage << ": " << error.asCstr();
  if (format == nullptr) return VALUE_CLEAN;
  CCBDecoding decoding;
  EXPECT_TRUE(decoding.codec.init(c.ccsid, true));
  decoding.zeroBytes = CCB_ZERO_BYTES_SPACE;
  decoding.binaryLittleEndian = binaryLittleEndian;
  EXPECT_TRUE(format->reserveText(decoding.codec.maxExpansion()));
  EXPECT_EQ(static_cast<size_t>(format->storageLength()), c.bytes.size()) << c.picture;
  const unsigned char* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
  int length = 0;
  const char* text = format->decodeText(data, decoding, &length);
  const CCBValueFault fault = format->checkValue(text, length, bytes ? data : nullptr, decoding);
  CCBByteClasses classes;
  classifyBytes(c.ccsid, &classes);
  CCBValueFault fromBytes = VALUE_CLEAN;
  if (bytes && format->checkBytes(data, decoding, classes, &fromBytes)) {
    EXPECT_EQ(fault, fromBytes) << "judged from the bytes";
  }
  return fault;
}

// Every usage's values judged as their bytes were worked out to be; without the bytes, a
// check leaves out what only they tell (a packed pad nibble, a binary range); native
// binary in either byte order.
TEST(ValueCheckTest, ValuesOfEveryUsageInTheirPage) {
  const Case cases[] = {
      // Display numbers: digits and signs of their page.
      {"9(5)", "DISPLAY", TRAILING, LATIN1, 0, "01234", VALUE_CLEAN},
      {"9(5)", "DISPLAY", TRAILING, LATIN1, 0, "01A34", VALUE_BAD_ZONED},
      {"9(5)", "DISPLAY", TRAILING, LATIN1, 0, "     ", VALUE_BAD_ZONED},  // no value at all
      {"9(5)", "DISPLAY", TRAILING, LATIN1, 0, "01\00034"s, VALUE_BAD_ZONED},
      {"9(3)V99", "DISPLAY", TRAILING, LATIN1, 0, "12345", VALUE_CLEAN},
      {"S9(3)", "DISPLAY", TRAILING, LATIN1, 0, "12p", VALUE_CLEAN},  // -120 as GnuCOBOL writes it
      {"S9(3)", "DISPLAY", TRAILING, LATIN1, 0, "12}", VALUE_CLEAN},  // -120 as an overpunch
      {"S9(3)", "DISPLAY", TRAILING, LATIN1, 0, "12#", VALUE_BAD_ZONED},
      {"S9(3)", "DISPLAY", LEADING_SEPARATE, LATIN1, 0, "+123", VALUE_CLEAN},
      {"S9(3)", "DISPLAY", LEADING_SEPARATE, LATIN1, 0, " 123", VALUE_BAD_SIGN},
      {"S9(3)", "DISPLAY", LEADING_SEPARATE, LATIN1, 0, "-1x3", VALUE_BAD_ZONED},
      {"S9(3)V99", "DISPLAY", SIGN_SEPARATE, LATIN1, 0, "12345-", VALUE_CLEAN},
      {"9(5)", "DISPLAY", TRAILING, EBCDIC, 0, "\xF0\xF1\xF2\xF3\xF4", VALUE_CLEAN},
      {"9(5)", "DISPLAY", TRAILING, EBCDIC, 0, "\xF0\xF1\xC2\xF3\xF4", VALUE_BAD_ZONED},
      {"9(5)", "DISPLAY", TRAILING, EBCDIC, 0, "01234", VALUE_BAD_ZONED},      // ASCII digits
      {"S9(3)", "DISPLAY", TRAILING, EBCDIC, 0, "\xF1\xF2\xD3", VALUE_CLEAN},  // -123
      {"S9(3)", "DISPLAY", TRAILING, EBCDIC, 0, "\xF1\xF2\x33", VALUE_BAD_ZONED},
      {"S9(3)", "DISPLAY", LEADING_SEPARATE, EBCDIC, 0, "\x60\xF1\xF2\xF3", VALUE_CLEAN},
      {"S9(3)", "DISPLAY", LEADING_SEPARATE, EBCDIC, 0, "\x40\xF1\xF2\xF3", VALUE_BAD_SIGN},
      // Packed: digit nibbles, a sign last, a zero pad.
      {"S9(5)", "COMP-3", TRAILING, LATIN1, 0, "\x12\x34\x5C", VALUE_CLEAN},
      {"9(5)", "COMP-3", TRAILING, LATIN1, 0, "\x12\x34\x5F", VALUE_CLEAN},
      {"S9(5)", "COMP-3", TRAILING, LATIN1, 0, "\x12\x3A\x5C", VALUE_BAD_PACKED},
      {"S9(5)", "COMP-3", TRAILING, LATIN1, 0, "\x12\x34\x55", VALUE_BAD_PACKED},
      {"S9(4)", "COMP-3", TRAILING, EBCDIC, 0, "\x01\x23\x4D", VALUE_CLEAN},
      {"S9(4)", "COMP-3", TRAILING, EBCDIC, 0, "\x11\x23\x4D", VALUE_BAD_PACKED},  // 5 digits
      // Binary: within the picture's digits unless native.
      {"S9(4)", "COMP", TRAILING, LATIN1, 0, "\x27\x0F", VALUE_CLEAN},       // 9999
      {"S9(4)", "COMP", TRAILING, LATIN1, 0, "\x27\x10", VALUE_BAD_BINARY},  // 10000
      {"S9(4)", "COMP", TRAILING, LATIN1, 0, "\xD8\xF1", VALUE_CLEAN},       // -9999
      {"S9(4)", "BINARY", TRAILING, LATIN1, 0, "\xD8\xF0", VALUE_BAD_BINARY},
      {"9(4)", "COMP-5", TRAILING, LATIN1, 0, "\x27\x10", VALUE_UNUSUAL_BINARY},
      {"9(18)", "COMP", TRAILING, LATIN1, 0, "\x0D\xE0\xB6\xB3\xA7\x63\xFF\xFF", VALUE_CLEAN},
      {"9(18)", "COMP", TRAILING, LATIN1, 0, "\x0D\xE0\xB6\xB3\xA7\x64\x00\x00"s,
       VALUE_BAD_BINARY},  // 10^18
      // Floats: finite, unusual far from short decimals.
      {"", "COMP-2", 0, LATIN1, FLOAT_IEEE, "\x3F\xF8\0\0\0\0\0\0"s, VALUE_CLEAN},  // 1.5
      {"", "COMP-2", 0, LATIN1, FLOAT_IEEE, "\x3F\xB9\x99\x99\x99\x99\x99\x9A", VALUE_CLEAN},
      // 0.1 one step nearer zero: 0.09999999999999999, which no short decimal gives
      {"", "COMP-2", 0, LATIN1, FLOAT_IEEE, "\x3F\xB9\x99\x99\x99\x99\x99\x99",
       VALUE_UNUSUAL_FLOAT},
      {"", "COMP-2", 0, LATIN1, FLOAT_IEEE, "\x7E\x37\xE4\x3C\x88\x00\x75\x9C"s,
       VALUE_UNUSUAL_FLOAT},                                                            // 1e300
      {"", "COMP-2", 0, LATIN1, FLOAT_IEEE, "\x7F\xF0\0\0\0\0\0\0"s, VALUE_BAD_FLOAT},  // inf
      {"", "COMP-2", 0, LATIN1, FLOAT_IEEE, "\x7F\xF8\0\0\0\0\0\0"s, VALUE_BAD_FLOAT},  // NaN
      {"", "COMP-1", 0, LATIN1, FLOAT_IEEE, "\x3D\xCC\xCC\xCD", VALUE_CLEAN},           // 0.1
      {"", "COMP-1", 0, LATIN1, FLOAT_IEEE, "\x3F\x80\x00\x01"s, VALUE_UNUSUAL_FLOAT},
      {"", "COMP-1", 0, LATIN1, FLOAT_IEEE_LE, "\xCD\xCC\xCC\x3D", VALUE_CLEAN},
      {"", "COMP-1", 0, LATIN1, FLOAT_IBM, "\x41\x10\x00\x00"s, VALUE_CLEAN},  // 1
      {"", "COMP-1", 0, LATIN1, FLOAT_IBM, "\x40\x19\x99\x9A", VALUE_CLEAN},   // 0.1
      {"", "COMP-1", 0, LATIN1, FLOAT_IBM, "\x40\x01\x11\x11",
       VALUE_UNUSUAL_FLOAT},  // unnormalised
      {"", "COMP-2", 0, LATIN1, FLOAT_IBM, "\x40\x19\x99\x99\x99\x99\x99\x9A", VALUE_CLEAN},
      {"", "COMP-2", 0, LATIN1, FLOAT_IBM, "\x40\x19\x99\x99\x99\x12\x34\x56", VALUE_UNUSUAL_FLOAT},
      {"", "COMP-2", 0, LATIN1, FLOAT_IBM, "\x00\0\0\0\0\0\0\0"s, VALUE_CLEAN},  // zero
      // Text printable in its page; edited texts; double-byte text nowhere but in a mixed page.
      {"X(5)", "DISPLAY", 0, LATIN1, 0, "ABCDE", VALUE_CLEAN},
      {"X(5)", "DISPLAY", 0, LATIN1, 0, "AB\1DE", VALUE_BAD_TEXT},
      {"X(5)", "DISPLAY", 0, LATIN1, 0, "AB\205DE", VALUE_BAD_TEXT},  // a C1 control
      {"X(5)", "DISPLAY", 0, LATIN1, 0, "AB\0\0\0"s, VALUE_CLEAN},    // low-values
      {"X(5)", "DISPLAY", 0, LATIN1, 0, "AB\374DE", VALUE_CLEAN},     // ü
      {"X(3)", "DISPLAY", 0, CP1252, 0, "1\x80 ", VALUE_CLEAN},       // the euro sign
      {"X(3)", "DISPLAY", 0, CP1252, 0, "1\x81 ", VALUE_BAD_TEXT},    // none at 81
      {"X(2)", "DISPLAY", 0, EBCDIC, 0, "\xC1\xC2", VALUE_CLEAN},
      {"X(2)", "DISPLAY", 0, EBCDIC, 0, "\xC1\x01", VALUE_BAD_TEXT},
      {"X(2)", "DISPLAY", 0, UTF8, 0, "\xC3\xBC", VALUE_CLEAN},  // ü
      {"X(2)", "DISPLAY", 0, UTF8, 0, "\303A", VALUE_BAD_TEXT},  // ill-formed
      {"N(2)", "NATIONAL", 0, LATIN1, 0, "\x00\x41\x00\x42"s, VALUE_CLEAN},
      {"N(2)", "NATIONAL", 0, LATIN1, 0, "\x00\x41\xD8\x00"s, VALUE_BAD_TEXT},  // a lone surrogate
      {"ZZZ9.99-", "DISPLAY", 0, LATIN1, 0, "  12.50-", VALUE_CLEAN},
      {"ZZZ9.99-", "DISPLAY", 0, LATIN1, 0, "  1A.50-", VALUE_BAD_EDITED},
      {"ZZZZ", "DISPLAY", 0, LATIN1, 0, "    ", VALUE_CLEAN},  // zero, every digit suppressed
      {"G(2)", "DISPLAY-1", 0, LATIN1, 0, "\x42\x40", VALUE_BAD_UNDECODED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.usage + " [" + c.bytes + "]");
    EXPECT_EQ(c.fault, check(c));
  }
  EXPECT_EQ(VALUE_CLEAN,
            check({"S9(4)", "COMP-3", TRAILING, EBCDIC, 0, "\x11\x23\x4D", {}}, false));
  EXPECT_EQ(VALUE_CLEAN, check({"S9(4)", "COMP", TRAILING, LATIN1, 0, "\x27\x10", {}}, false));
  EXPECT_EQ(VALUE_CLEAN, check({"S9(4)", "COMP", TRAILING, LATIN1, 0, "\x0F\x27", {}}, true, true));
}

}  // namespace
