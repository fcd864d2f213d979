// Field encoders: the bytes each usage writes for a value (worked out by hand), each
// read back by its decoder; every refusal with its reason; numeric editing against the
// texts GnuCOBOL wrote (edited.dat); and random values through every encoder and back.
#include "format/ccb_field_encoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "format/ccb_float.h"
#include "format/ccb_format.h"
#include "test_util.h"

namespace {

using namespace std::string_literals;

const int LATIN1 = 819;
const int EBCDIC = 37;

struct Field {
  std::unique_ptr<CCBFormat> format;
  CCBFieldEncoder encoder;
};

// The format and encoder of a picture by the rules the writer's layouts use.
std::unique_ptr<Field> field(const char* picture, const char* usage, int sign = 0,
                             int floatFormat = FLOAT_NONE, bool national = false,
                             bool doubleByte = false) {
  CCBFormatRules rules;
  rules.extended = rules.tolerant = true;
  rules.floatFormat = floatFormat;
  rules.nationalUtf16 = national;
  rules.doubleByte = doubleByte;
  QvbString error;
  std::unique_ptr<Field> f(new Field);
  f->format.reset(CCBFormat::create(picture, usage, sign, error, rules));
  EXPECT_NE(nullptr, f->format) << picture << ": " << error.asCstr();
  if (f->format == nullptr) return nullptr;
  f->encoder.init(f->format.get(), picture, static_cast<int>(std::strlen(picture)));
  return f;
}

CCBEncoding encodingFor(int ccsid, bool utf8 = true) {
  CCBEncoding encoding;
  encoding.text.init(ccsid, utf8);
  return encoding;
}

CCBDecoding decodingFor(int ccsid) {
  CCBDecoding decoding;
  decoding.codec.init(ccsid, true);
  decoding.zeroBytes = CCB_ZERO_BYTES_KEEP;
  return decoding;
}

std::string hex(const std::string& bytes) {
  std::string text;
  char two[4];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02X", b);
    text += two;
  }
  return text;
}

// Encodes text; the bytes, or "!" and the reason.
std::string encode(Field* f, const std::string& text, const CCBEncoding& encoding) {
  std::string bytes(static_cast<size_t>(f->encoder.storageLength()), '\0');
  CCBEncodeFault fault;
  if (!f->encoder.encodeText(text.data(), static_cast<int>(text.size()), encoding,
                             reinterpret_cast<unsigned char*>(&bytes[0]), &fault)) {
    return "!" + f->encoder.reason(fault, encoding);
  }
  return bytes;
}

std::string decode(Field* f, const std::string& bytes, const CCBDecoding& decoding) {
  f->format->reserveText(decoding.codec.maxExpansion());
  int length = 0;
  const char* text = f->format->decodeText(reinterpret_cast<const unsigned char*>(bytes.data()),
                                           decoding, &length);
  return std::string(text, static_cast<size_t>(length));
}

struct EncodeCase {
  const char* picture;
  const char* usage;
  int sign;
  int ccsid;
  std::string value;
  std::string bytes;  // in hex
  std::string read;   // what the decoder gives of them
};

const int LEAD = SIGN_LEADING;
const int SEP = SIGN_SEPARATE;

// Bytes worked out by hand from the rules of each usage.
TEST(FieldEncoderTest, WritesCanonicalBytesThatReadBack) {
  const EncodeCase cases[] = {
      {"X(5)", "DISPLAY", 0, LATIN1, "AB", "4142202020", "AB   "},
      {"X(3)", "DISPLAY", 0, LATIN1, "ABC   ", "414243", "ABC"},  // trailing blanks past it
      {"X(3)", "DISPLAY", 0, EBCDIC, "Ab", "C18240", "Ab "},
      {"X(6)", "DISPLAY", 0, 1208, "é€", "C3A9E282AC20", "é€ "},
      {"9(5)", "DISPLAY", 0, LATIN1, "42", "3030303432", "00042"},
      {"9(5)", "DISPLAY", 0, LATIN1, "4.2e1", "3030303432", "00042"},
      {"9(3)", "DISPLAY", 0, EBCDIC, "123", "F1F2F3", "123"},
      // Embedded signs: ASCII plain digit or 'p'-'y', EBCDIC zones C and D.
      {"S9(3)", "DISPLAY", 0, LATIN1, "123", "313233", " 123"},
      {"S9(3)", "DISPLAY", 0, LATIN1, "-123", "313273", "-123"},
      {"S9(3)", "DISPLAY", 0, LATIN1, "-0", "303070", "-000"},
      {"S9(3)", "DISPLAY", LEAD, LATIN1, "-123", "713233", "-123"},
      {"S9(3)", "DISPLAY", 0, EBCDIC, "+123", "F1F2C3", " 123"},
      {"S9(3)", "DISPLAY", 0, EBCDIC, "-123", "F1F2D3", "-123"},
      {"S9(3)", "DISPLAY", LEAD, EBCDIC, "-7", "D0F0F7", "-007"},
      {"S9(3)V99", "DISPLAY", LEAD | SEP, LATIN1, "-12.5", "2D3031323530", "-012.50"},
      {"S9(3)V99", "DISPLAY", SEP, LATIN1, "12.5",
       "3031323530"
       "2B",
       "+012.50"},
      {"S9(3)", "DISPLAY", LEAD | SEP, EBCDIC, "+12", "4EF0F1F2", "+012"},
      {"SV99", "DISPLAY", SEP, LATIN1, "-.05", "30352D", "-.05"},
      {"9(3)PP", "DISPLAY", 0, LATIN1, "45600", "343536", "45600"},
      {"PP99", "DISPLAY", 0, LATIN1, "0.0012", "3132", ".0012"},
      // Packed: C, D or F, an even digit count padded with a 0 nibble.
      {"S9(5)V99", "COMP-3", 0, LATIN1, "-12.5", "0001250D", "-00012.50"},
      {"S9(5)V99", "COMP-3", 0, LATIN1, "-0.00", "0000000D", "-00000.00"},
      {"9(4)", "COMP-3", 0, LATIN1, "1234", "01234F", "1234"},
      {"S9(3)", "PACKED-DECIMAL", 0, LATIN1, "7", "007C", "007"},
      {"S9(3)P(2)", "COMP-3", 0, LATIN1, "-12300", "123D", "-12300"},
      // Binary: two's complement, 2, 4 or 8 bytes, big-endian.
      {"S9(4)", "COMP", 0, LATIN1, "-2", "FFFE", "-2"},
      {"S9(9)", "BINARY", 0, LATIN1, "256", "00000100", "256"},
      {"9(18)", "COMP", 0, LATIN1, "999999999999999999", "0DE0B6B3A763FFFF", "999999999999999999"},
      {"S99PP", "BINARY", 0, LATIN1, "-9900", "FF9D", "-9900"},
      {"PP99", "BINARY", 0, LATIN1, ".0012", "000C", ".0012"},
      {"S9(2)V99", "COMP-4", 0, LATIN1, "-0.05", "FFFB", "-0.05"},
      {"S9(4)V", "BINARY", 0, LATIN1, "1205.0", "04B5", "1205.0"},
      // Numeric-edited: the value edited as a MOVE edits it, or its edited text.
      {"ZZ9.99CR", "DISPLAY", 0, LATIN1, "-12.5", " 12.50CR"s, " 12.50CR"},
      {"ZZ9.99CR", "DISPLAY", 0, LATIN1, " 12.50CR", " 12.50CR"s, " 12.50CR"},
      {"$$$9.99", "DISPLAY", 0, EBCDIC, "5", "40405BF54BF0F0", "  $5.00"},
      {"ZZZ,ZZ9.99-", "DISPLAY", 0, LATIN1, "-1234.5", "  1,234.50-"s, "  1,234.50-"},
      {"ZZZZ", "DISPLAY", 0, LATIN1, "0", "    "s, "    "},
      {"**,**9", "DISPLAY", 0, LATIN1, "123", "***123"s, "***123"},
      {"99/99/99", "DISPLAY", 0, LATIN1, "123199", "12/31/99"s, "12/31/99"},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.usage + " [" + c.value + "]");
    std::unique_ptr<Field> f = field(c.picture, c.usage, c.sign);
    ASSERT_NE(nullptr, f);
    const std::string bytes = encode(f.get(), c.value, encodingFor(c.ccsid));
    const bool isHex = c.bytes.find_first_not_of("0123456789ABCDEF") == std::string::npos;
    EXPECT_EQ(isHex ? c.bytes : hex(c.bytes), hex(bytes)) << bytes;
    EXPECT_EQ(c.read, decode(f.get(), bytes, decodingFor(c.ccsid)));
  }
}

// GnuCOBOL's convention for embedded signs in ASCII with -fsign=EBCDIC: overpunch letters.
TEST(FieldEncoderTest, OverpunchSigns) {
  std::unique_ptr<Field> f = field("S9(3)", "DISPLAY");
  CCBEncoding encoding = encodingFor(LATIN1);
  encoding.overpunch = true;
  EXPECT_EQ("12C", encode(f.get(), "123", encoding));
  EXPECT_EQ("12L", encode(f.get(), "-123", encoding));
  EXPECT_EQ("00{", encode(f.get(), "0", encoding));
  EXPECT_EQ("00}", encode(f.get(), "-0", encoding));
  EXPECT_EQ("-123", decode(f.get(), "12L", decodingFor(LATIN1)));
}

TEST(FieldEncoderTest, BinaryByteOrdersAndFullRange) {
  std::unique_ptr<Field> comp5 = field("S9(4)", "COMP-5");
  std::unique_ptr<Field> comp = field("9(4)", "COMP");
  CCBEncoding encoding = encodingFor(LATIN1);
  encoding.comp5LittleEndian = true;
  EXPECT_EQ("3412", hex(encode(comp5.get(), "4660", encoding)));
  EXPECT_EQ("1234", hex(encode(comp.get(), "4660", encoding)));
  encoding.binaryLittleEndian = true;
  EXPECT_EQ("3412", hex(encode(comp.get(), "4660", encoding)));
  // The picture's digits by default; the bytes' range when asked (TRUNC(BIN), -fnotrunc).
  EXPECT_EQ("!has 5 integer digits, more than the 4 its picture holds",
            encode(comp.get(), "65535", encoding));
  encoding.binaryFullRange = true;
  encoding.binaryLittleEndian = false;
  EXPECT_EQ("FFFF", hex(encode(comp.get(), "65535", encoding)));
  EXPECT_EQ("!is out of the range of its 2-byte binary item",
            encode(comp.get(), "65536", encoding));
  std::unique_ptr<Field> wide = field("S9(18)", "COMP");
  EXPECT_EQ("8000000000000000", hex(encode(wide.get(), "-9223372036854775808", encoding)));
  EXPECT_EQ("!is out of the range of its 8-byte binary item",
            encode(wide.get(), "9223372036854775808", encoding));
  std::unique_ptr<Field> unsignedWide = field("9(18)", "COMP");
  EXPECT_EQ("FFFFFFFFFFFFFFFF", hex(encode(unsignedWide.get(), "18446744073709551615", encoding)));
}

// IBM fractions and IEEE bits worked out by hand: 118.625 is 0x76.A, 0.1's double is
// 0x1.999999999999Ap-4.
TEST(FieldEncoderTest, FloatsRoundToTheirFormat) {
  const struct {
    const char* usage;
    int format;
    const char* value;
    const char* bytes;
    const char* read;
  } cases[] = {
      {"COMP-1", FLOAT_IEEE, "1", "3F800000", "1"},
      {"COMP-1", FLOAT_IEEE_LE, "-118.625", "0040EDC2", "-118.625"},
      {"COMP-1", FLOAT_IEEE, "0.1", "3DCCCCCD", "0.1"},
      {"COMP-1", FLOAT_IEEE, "1e-45", "00000001", "1e-45"},
      {"COMP-2", FLOAT_IEEE, "-0", "8000000000000000", "-0"},
      {"COMP-2", FLOAT_IEEE, " +2.5 ", "4004000000000000", "2.5"},
      {"COMP-1", FLOAT_IBM, "1", "41100000", "1"},
      {"COMP-1", FLOAT_IBM, "-118.625", "C276A000", "-118.625"},
      {"COMP-2", FLOAT_IBM, "0.1", "401999999999999A", "0.1"},
      {"COMP-2", FLOAT_IBM, "0", "0000000000000000", "0"},
      {"COMP-1", FLOAT_IBM, "0.1", "4019999A", "0.10000002384185791"},  // rounded up
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.usage) + " " + c.value);
    std::unique_ptr<Field> f = field("", c.usage, 0, c.format);
    ASSERT_NE(nullptr, f);
    const std::string bytes = encode(f.get(), c.value, encodingFor(LATIN1));
    EXPECT_EQ(c.bytes, hex(bytes));
    EXPECT_EQ(c.read, decode(f.get(), bytes, decodingFor(LATIN1)));
  }
}

// National text in UTF-16, a pair of surrogates beyond U+FFFF. Double-byte items in a
// mixed page (930: 4541 and 4542 are the kanji U+4E00 and U+4E8C, 4040 the double-byte
// blank U+3000): the pairs without shift bytes, padded with 40 40; display text with its
// shift bytes, padded with single blanks. Refusals with their reasons.
TEST(FieldEncoderTest, NationalAndDoubleByteItems) {
  const struct {
    const char* picture;
    const char* usage;
    int ccsid;
    std::string value;
    std::string bytes;  // in hex, or "!" and the reason
    std::string read;
  } cases[] = {
      {"N(3)", "NATIONAL", LATIN1, "Aé", "004100E90020", "Aé "},
      {"N(2)", "NATIONAL", LATIN1, "\xF0\x9F\x98\x80", "D83DDE00", "\xF0\x9F\x98\x80"},
      {"G(3)", "DISPLAY", 930, "一二", "454145424040", "一二　"},
      {"G(3)", "DISPLAY", 930, "一二  ", "454145424040", "一二　"},
      {"N(2)", "DISPLAY-1", 930, "一二", "45414542", "一二"},
      {"N(2)", "DISPLAY-1", 930, "", "40404040", "　　"},
      {"X(6)", "DISPLAY", 930, "A一", "C10E45410F40", "A一 "},
      {"X(6)", "DISPLAY", 930, "一二", "0E454145420F", "一二"},
      {"G(2)", "DISPLAY", 930, "一二一", "!takes 6 bytes, more than the 4 of its field", ""},
      {"G(2)", "DISPLAY", 930, "一A",
       "!holds U+0041, which code page 930 has only as a single byte: a double-byte item "
       "takes double-byte characters",
       ""},
      {"G(2)", "DISPLAY", EBCDIC, "一",
       "!is given for a double-byte item, which takes values only in a mixed code page", ""},
      {"X(5)", "DISPLAY", 930, "一二", "!takes 6 bytes, more than the 5 of its field", ""},
      {"X(5)", "DISPLAY", 930, "한", "!holds U+D55C, which code page 930 has no byte for", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.value);
    std::unique_ptr<Field> f = field(c.picture, c.usage, 0, FLOAT_NONE, true, true);
    ASSERT_NE(nullptr, f);
    EXPECT_FALSE(f->encoder.takesNumbers());
    const std::string bytes = encode(f.get(), c.value, encodingFor(c.ccsid));
    if (c.bytes[0] == '!') {
      EXPECT_EQ(c.bytes, bytes);
      continue;
    }
    EXPECT_EQ(c.bytes, hex(bytes));
    EXPECT_EQ(c.read, decode(f.get(), bytes, decodingFor(c.ccsid)));
  }
}

// Every refusal, with the reason the bad record's message gives.
TEST(FieldEncoderTest, RefusesValuesThatDoNotFit) {
  const struct {
    const char* picture;
    const char* usage;
    int ccsid;
    std::string value;
    const char* reason;
  } cases[] = {
      {"S9(3)", "DISPLAY", LATIN1, "1234",
       "has 4 integer digits, more than the 3 its picture holds"},
      {"S9(3)V99", "COMP-3", LATIN1, "1.234",
       "has 3 digits after the point, more than the 2 its picture holds"},
      {"S9(4)", "COMP", LATIN1, "0.5",
       "has 1 digits after the point, more than the 0 its picture holds"},
      {"9(3)", "DISPLAY", LATIN1, "-1", "is negative, but its picture has no sign"},
      {"9(3)", "COMP-3", LATIN1, "-5", "is negative, but its picture has no sign"},
      {"99PP", "DISPLAY", LATIN1, "1250",
       "has digits where the scaling positions (P) of its picture hold none"},
      {"9(3)", "DISPLAY", LATIN1, "12a", "is not a number"},
      {"9(3)", "DISPLAY", LATIN1, "   ", "is not a number"},
      {"S9(3)", "COMP", LATIN1, "1e", "is not a number"},
      {"X(3)", "DISPLAY", LATIN1, "ABCD", "takes 4 bytes, more than the 3 of its field"},
      {"X(3)", "DISPLAY", 1208, "ééé", "takes 6 bytes, more than the 3 of its field"},
      {"X(3)", "DISPLAY", EBCDIC, "€", "holds U+20AC, which code page 037 has no byte for"},
      {"X(3)", "DISPLAY", EBCDIC, "\xC3", "is not valid UTF-8"},
      {"ZZ9.99CR", "DISPLAY", LATIN1, "12.50CR",
       "does not edit back to itself: its value edits to ' 12.50CR'"},
      {"ZZ9.99", "DISPLAY", LATIN1, "-1", "is negative, but its picture has no sign"},
      {"ZZ9", "DISPLAY", LATIN1, "1000", "has 4 integer digits, more than the 3 its picture holds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.value);
    std::unique_ptr<Field> f = field(c.picture, c.usage);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ("!"s + c.reason, encode(f.get(), c.value, encodingFor(c.ccsid)));
  }
  std::unique_ptr<Field> ibm = field("", "COMP-1", 0, FLOAT_IBM);
  EXPECT_EQ("!is out of the range of a 4-byte IBM float",
            encode(ibm.get(), "1e80", encodingFor(LATIN1)));
  EXPECT_EQ("!is out of the range of a 4-byte IBM float",
            encode(ibm.get(), "1e-90", encodingFor(LATIN1)));
  std::unique_ptr<Field> single = field("", "COMP-1", 0, FLOAT_IEEE);
  EXPECT_EQ("!is out of the range of a 4-byte IEEE float",
            encode(single.get(), "1e39", encodingFor(LATIN1)));
  EXPECT_EQ("!is not a number", encode(single.get(), "nan", encodingFor(LATIN1)));
}

// Nulls: blanks for text, double-byte ones too, zero for numbers, as INITIALIZE gives them.
TEST(FieldEncoderTest, DefaultsAreBlanksAndZeros) {
  const struct {
    const char* picture;
    const char* usage;
    int ccsid;
    const char* bytes;
  } cases[] = {
      {"X(3)", "DISPLAY", EBCDIC, "404040"}, {"S9(3)", "DISPLAY", EBCDIC, "F0F0C0"},
      {"9(3)", "DISPLAY", LATIN1, "303030"}, {"S9(3)", "COMP-3", LATIN1, "000C"},
      {"S9(4)", "COMP", LATIN1, "0000"},     {"ZZZ9-", "DISPLAY", LATIN1, "2020203020"},
      {"G(2)", "DISPLAY", 930, "40404040"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<Field> f = field(c.picture, c.usage, 0, FLOAT_NONE, false, true);
    std::string bytes(static_cast<size_t>(f->encoder.storageLength()), '\0');
    f->encoder.encodeDefault(encodingFor(c.ccsid), reinterpret_cast<unsigned char*>(&bytes[0]));
    EXPECT_EQ(c.bytes, hex(bytes)) << c.picture;
  }
}

// Typed values: integers and doubles as their shortest texts.
TEST(FieldEncoderTest, TypedValues) {
  const CCBEncoding encoding = encodingFor(LATIN1);
  std::unique_ptr<Field> packed = field("S9(5)V99", "COMP-3");
  std::string bytes(4, '\0');
  CCBEncodeFault fault;
  auto* out = reinterpret_cast<unsigned char*>(&bytes[0]);
  ASSERT_TRUE(packed->encoder.encodeDouble(0.1, encoding, out, &fault));
  EXPECT_EQ("0000010C", hex(bytes));
  ASSERT_TRUE(packed->encoder.encodeInteger(-42, encoding, out, &fault));
  EXPECT_EQ("0004200D", hex(bytes));
  EXPECT_FALSE(packed->encoder.encodeDouble(0.125, encoding, out, &fault));
  EXPECT_EQ(ENCODE_FRACTION_DIGITS, fault.problem);
  std::unique_ptr<Field> wide = field("9(18)", "COMP");
  std::string eight(8, '\0');
  CCBEncoding full = encoding;
  full.binaryFullRange = true;
  ASSERT_TRUE(wide->encoder.encodeUnsigned(UINT64_MAX, full,
                                           reinterpret_cast<unsigned char*>(&eight[0]), &fault));
  EXPECT_EQ("FFFFFFFFFFFFFFFF", hex(eight));
}

// edited.dat: GnuCOBOL's MOVEs of the values in edited.dat.values to every edited item.
// Each value, edited by the encoder, gives the bytes GnuCOBOL wrote.
TEST(FieldEncoderTest, EditsAsGnuCobolDoes) {
  const std::string data = test_support::readFile(test_support::dataPath("files/edited.dat"));
  std::ifstream copybook(test_support::dataPath("copybooks/edited.cpy"));
  struct Item {
    std::string name, picture;
    int offset = 0;
    std::unique_ptr<Field> f;
  };
  std::vector<Item> items;
  int offset = 0;
  for (std::string line; std::getline(copybook, line);) {
    std::istringstream words(line.substr(6, 66));
    std::string level, name, pic, picture;
    if (!(words >> level >> name >> pic >> picture) || pic != "PIC") continue;
    picture.pop_back();  // the period
    Item item;
    item.name = name;
    item.picture = picture;
    item.offset = offset;
    item.f = field(item.picture.c_str(), "DISPLAY");
    offset += item.f->encoder.storageLength();
    items.push_back(std::move(item));
  }
  ASSERT_EQ(19u, items.size());
  const int length = offset;
  std::ifstream values(test_support::dataPath("files/edited.dat.values"));
  int checked = 0;
  for (std::string line; std::getline(values, line);) {
    std::istringstream fields(line);
    int record = 0;
    std::string name, value;
    fields >> record >> name >> value;
    for (const Item& item : items) {
      if (item.name != name) continue;
      SCOPED_TRACE(name + " " + value);
      const std::string wrote =
          data.substr(static_cast<size_t>((record - 1) * length + item.offset),
                      static_cast<size_t>(item.f->encoder.storageLength()));
      EXPECT_EQ(wrote, encode(item.f.get(), value, encodingFor(LATIN1)));
      EXPECT_EQ(wrote, encode(item.f.get(), wrote, encodingFor(LATIN1)));  // the text itself
      ++checked;
    }
  }
  EXPECT_EQ(7 * 19, checked);
}

// Random values of random pictures: what is written reads back as the value.
TEST(FieldEncoderTest, RandomValuesReadBack) {
  std::mt19937 random(20260107);
  const char* const usages[] = {"DISPLAY", "COMP-3", "COMP", "COMP-5"};
  for (int round = 0; round < 4000; ++round) {
    const int digits = 1 + static_cast<int>(random() % 18);
    const int fraction = static_cast<int>(random() % (digits + 1));
    const bool isSigned = random() % 2 == 0;
    std::string picture =
        std::string(isSigned ? "S" : "") + "9(" + std::to_string(digits - fraction) + ")";
    if (digits == fraction) picture = isSigned ? "S" : "";
    if (fraction > 0) picture += "V9(" + std::to_string(fraction) + ")";
    const char* usage = usages[random() % 4];
    const int sign = static_cast<int>(random() % 4);  // leading and separate bits
    const int ccsid = random() % 2 == 0 ? LATIN1 : EBCDIC;
    std::string value = isSigned && random() % 2 == 0 ? "-" : "";
    for (int i = 0; i < digits; ++i) {
      if (i == digits - fraction) value += '.';
      value += static_cast<char>('0' + random() % 10);
    }
    SCOPED_TRACE(picture + " " + usage + " " + std::to_string(sign) + " " + value);
    std::unique_ptr<Field> f = field(picture.c_str(), usage, sign);
    ASSERT_NE(nullptr, f);
    std::string bytes(static_cast<size_t>(f->encoder.storageLength()), '\0');
    CCBEncodeFault fault;
    ASSERT_TRUE(f->encoder.encodeText(value.data(), static_cast<int>(value.size()),
                                      encodingFor(ccsid),
                                      reinterpret_cast<unsigned char*>(&bytes[0]), &fault))
        << f->encoder.reason(fault, encodingFor(ccsid));
    CCBDecimal expected, read;
    const std::string text = decode(f.get(), bytes, decodingFor(ccsid));
    ASSERT_TRUE(parseDecimal(value.data(), static_cast<int>(value.size()), &expected));
    ASSERT_TRUE(parseDecimal(text.data(), static_cast<int>(text.size()), &read)) << text;
    EXPECT_EQ(expected.zero, read.zero) << text;
    if (!expected.zero) {
      EXPECT_EQ(expected.negative, read.negative) << text;
      EXPECT_EQ(expected.high, read.high) << text;
      EXPECT_EQ(expected.low, read.low) << text;
      for (int w = expected.low; w <= expected.high; ++w) {
        EXPECT_EQ(expected.digitAt(w), read.digitAt(w)) << text;
      }
    }
  }
}

}  // namespace
