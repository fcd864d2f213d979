// decodeFixedPoint against the text path it stands in for, on valid, spoilt and random
// bytes: a direct value is what the text reads as, and text that reads as no number has none.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "format/ccb_format.h"
#include "format/ccb_number_text.h"
#include "support/np_code_pages.h"

namespace {

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
  if (kind == ZONED && sign) {
    bytes[leading ? 0 : n - 1] = top == 1 ? signs[0] : signs[r() % signs.size()];
  }
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

}  // namespace

// One format of each path the direct decoders take; valid values decode directly but for
// those marked '!' ('<' marks a leading sign, '|' a separate one). Each under every byte
// order and zero-byte rule, UTF-8 results and every code page.
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
    QvbString error;
    std::unique_ptr<CCBFormat> format(CCBFormat::create(picture, usage.c_str(), flags, error));
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
