// The text codec: single-byte pages, UTF-8 and UTF-16 into ISO-8859-1 and UTF-8 (iconv, by hand).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "format/ccb_text_codec.h"
#include "format/iconv_test_util.h"
#include "support/np_code_pages.h"

namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The codec of a CCSID and result encoding; a failed init fails the test.
CCBTextCodec codecOf(int ccsid, bool utf8Result) {
  CCBTextCodec codec;
  EXPECT_TRUE(codec.init(ccsid, utf8Result)) << ccsid;
  return codec;
}

// Decodes in (UTF-16 text when utf16), failing the test on a write past the room it may
// use or a read past in: the bytes after it would change the result.
std::string decoded(const CCBTextCodec& codec, const std::string& in, bool utf16 = false) {
  const std::string padded = in + (utf16 ? std::string("\xDC\x00\xDC\x00", 4) : "\x80\x80");
  const auto* src = reinterpret_cast<const unsigned char*>(padded.data());
  const int n = static_cast<int>(in.size());
  const size_t room = utf16 ? in.size() / 2 * 3 + 3 : in.size() * codec.maxExpansion();
  std::vector<char> out(room + 8, 'Z');  // 8 guard bytes
  char* end = utf16 ? codec.decodeUtf16(src, n, out.data()) : codec.decode(src, n, out.data());
  for (size_t i = room; i < out.size(); ++i) EXPECT_EQ('Z', out[i]) << "past its room: " << i;
  return std::string(out.data(), end);
}

// The source bytes, their text in UTF-8 and in ISO-8859-1.
using Case = std::tuple<std::string, std::string, std::string>;

void expectTexts(int ccsid, const std::vector<Case>& cases, bool utf16) {
  const CCBTextCodec toUtf8 = codecOf(ccsid, true), toLatin1 = codecOf(ccsid, false);
  for (const auto& [in, utf8, latin1] : cases) {
    EXPECT_EQ(utf8, decoded(toUtf8, in, utf16)) << ccsid;
    EXPECT_EQ(latin1, decoded(toLatin1, in, utf16)) << ccsid;
  }
}

// What iconv makes of one byte of a page in the named encoding, or fallback.
std::string iconvByte(const char* page, const char* to, unsigned char byte,
                      const std::string& fallback) {
  iconv_test::Iconv converter(to, page);
  if (!converter.ok()) return "no iconv";
  const auto text = converter.convert(std::string(1, static_cast<char>(byte)));
  return text != nullptr ? *text : fallback;
}

// A codec's ccsid, the flags it sets ("utf8", "ebcdic", "pass" through), its expansion.
std::string state(const CCBTextCodec& codec) {
  return std::to_string(codec.ccsid()) + (codec.utf8Result() ? " utf8" : "") +
         (codec.ebcdic() ? " ebcdic" : "") + (codec.passThrough() ? " pass" : "") + " " +
         std::to_string(codec.maxExpansion());
}

TEST(CCBTextCodecTest, ReportsWhatInitSet) {
  EXPECT_EQ("819 pass 1", state(CCBTextCodec()));
  const std::tuple<int, bool, const char*> CASES[] = {
      {37, false, "37 ebcdic 1"}, {1141, true, "1141 utf8 ebcdic 3"}, {819, true, "819 utf8 3"},
      {819, false, "819 pass 1"}, {1208, true, "1208 utf8 3"},        {1208, false, "1208 1"},
      {1252, false, "1252 1"},
  };
  for (const auto& [ccsid, utf8Result, expected] : CASES)
    EXPECT_EQ(expected, state(codecOf(ccsid, utf8Result)));
  CCBTextCodec kept = codecOf(273, true);
  for (int unknown : {0, -1, 1200, 1250, 65535}) EXPECT_FALSE(kept.init(unknown, false));
  EXPECT_EQ(273, kept.ccsid());  // unchanged by the failures
  EXPECT_EQ("\xC3\x84", decoded(kept, "\x4A"));
}

// Every byte of every page, the zero byte among them, as iconv converts it.
TEST(CCBTextCodecTest, EveryByteOfEveryPageAsIconvHasIt) {
  int count = 0;
  const NpCodePage* pages = npCodePages(&count);
  for (int p = 0; p < count; ++p) {
    SCOPED_TRACE(pages[p].iconvName);
    std::string all, utf8, latin1;
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<unsigned char>(b);
      all += static_cast<char>(b);
      utf8 += iconvByte(pages[p].iconvName, "UTF-8", byte, R);
      latin1 += iconvByte(pages[p].iconvName, "ISO-8859-1", byte, "?");
    }
    expectTexts(pages[p].ccsid, {{all, utf8, latin1}}, false);
  }
}

TEST(CCBTextCodecTest, PassesValidUtf8AndReplacesMaximalSubparts) {
  const std::vector<Case> cases = {
      {std::string("A\0B", 3), std::string("A\0B", 3), std::string("A\0B", 3)},
      {"\xC3\xA9\xC2\x80", "\xC3\xA9\xC2\x80", "\xE9\x80"},                            // 2 bytes
      {"\xE2\x82\xAC\xEF\xBF\xBD", "\xE2\x82\xAC" + R, "??"},                          // 3 bytes
      {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "??"},  // 4
      {"\xC0\xAF", R + R, "??"},                                // overlong '/': no lead, then stray
      {"\xE0\x80\xAF", R + R + R, "???"},                       // overlong: E0 needs A0-BF next
      {"\xF0\x8F\xBF\xBF", R + R + R + R, "????"},              // overlong U+FFFF
      {"\xED\xA0\x80\x41", R + R + R + "A", "???A"},            // the surrogate U+D800
      {"\xF4\x90\x80\x80", R + R + R + R, "????"},              // U+110000
      {"\xF5\x80", R + R, "??"},                                // no lead above F4
      {"\x41\x80\xBF\x42", "A" + R + R + "B", "A??B"},          // stray continuation bytes
      {"\xE2\x82\x41\xF0\x9F\x98", R + "A" + R, "?A?"},         // cut short, then cut by the end
      {"\xC3", R, "?"},                                         // cut by the end
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",  // Unicode's own example
       "a" + R + R + R + "b" + R + "c" + R + R + "d", "a???b?c??d"},
  };
  expectTexts(CCSID_UTF8, cases, false);
}

TEST(CCBTextCodecTest, DecodesUtf16BigEndian) {
  const std::vector<Case> cases = {
      {std::string("\0A\0\xE9\0\0", 6), std::string("A\xC3\xA9\0", 4), std::string("A\xE9\0", 3)},
      {"\x20\xAC", "\xE2\x82\xAC", "?"},
      {std::string("\xD8\x3D\xDE\x00", 4), "\xF0\x9F\x98\x80", "?"},  // U+1F600, a pair
      {std::string("\xD8\x3D\0A", 4), R + "A", "?A"},                 // high, no low
      {std::string("\xDC\x00\xD8\x3D\0A", 6), R + R + "A", "??A"},    // low first
      {"\xD8\x3D", R, "?"},                                           // high at the end
      {std::string("\0A\0", 3), "A" + R, "A?"},                       // an odd byte
      {"", "", ""},
  };
  for (const int ccsid : {37, CCSID_UTF8}) expectTexts(ccsid, cases, true);  // whatever the page
}

// Every single byte and every pair between a shift-out and a shift-in of each mixed
// page decodes as iconv decodes it, and the pair alone as double-byte text too; what
// iconv refuses is U+FFFD. glibc gives a byte some pages of 1390 and 1399 leave without
// a character U+001A, the control character SUB, which is byte 3F everywhere: such a
// byte is U+FFFD too.
TEST(CCBTextCodecTest, MixedPagesDecodeAsIconvDoes) {
  for (const int ccsid : iconv_test::MIXED_PAGES) {
    SCOPED_TRACE(ccsid);
    const CCBTextCodec codec = codecOf(ccsid, true);
    EXPECT_TRUE(codec.doubleByte());
    EXPECT_TRUE(codec.ebcdic());
    iconv_test::Iconv decoder("UTF-8", "IBM" + std::to_string(ccsid));
    ASSERT_TRUE(decoder.ok());
    int pairs = 0;
    for (int byte = 0; byte < 256; ++byte) {
      if (byte == 0x0E || byte == 0x0F) continue;
      const std::string in(1, static_cast<char>(byte));
      const auto text = decoder.convert(in);
      const bool none = text == nullptr || (*text == "\x1A" && byte != 0x3F);
      EXPECT_EQ(none ? R : *text, decoded(codec, in)) << byte;
    }
    for (int lead = 0x41; lead <= 0xFE; ++lead) {
      for (int trail = 0x41; trail <= 0xFE; ++trail) {
        const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
        const auto text = decoder.convert("\x0E" + pair + "\x0F");
        pairs += text != nullptr;
        const std::string expected = text != nullptr ? *text : R;
        ASSERT_EQ(expected, decoded(codec, "\x0E" + pair + "\x0F")) << lead << " " << trail;
        char out[8];
        const auto* src = reinterpret_cast<const unsigned char*>(pair.data());
        ASSERT_EQ(expected, std::string(out, codec.decodeDoubleByte(src, 2, out)));
      }
    }
    EXPECT_LT(9000, pairs);  // the page's double-byte characters
  }
}

// Mixed text switches at each shift byte and starts every text single-byte; a pair cut
// short is U+FFFD; ISO-8859-1 results get '?' for what they lack; a page of one byte
// per character has no double-byte text.
TEST(CCBTextCodecTest, MixedTextShiftsAndCutPairs) {
  const CCBTextCodec toUtf8 = codecOf(930, true), toLatin1 = codecOf(930, false);
  // 930: C1 is "A", 0E 4541 4542 0F two kanji (U+4E00, U+4E8C in glibc), C2 "B".
  const std::string mixed = "\xC1\x0E\x45\x41\x45\x42\x0F\xC2";
  const auto text = iconv_test::Iconv("UTF-8", "IBM930").convert(mixed);
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(*text, decoded(toUtf8, mixed));
  EXPECT_EQ("A??B", decoded(toLatin1, mixed));
  EXPECT_EQ(decoded(toUtf8, "\x45") + decoded(toUtf8, "\x41"), decoded(toUtf8, "\x45\x41"));
  EXPECT_EQ(decoded(toUtf8, "\xC1"), decoded(toUtf8, "\x0E\x0F\xC1"));
  EXPECT_EQ("A" + R, decoded(toUtf8, "\xC1\x0E\x45"));
  char out[16];
  const auto* odd = reinterpret_cast<const unsigned char*>("\x45\x41\x45");
  EXPECT_EQ(text->substr(1, 3) + R, std::string(out, toUtf8.decodeDoubleByte(odd, 3, out)));
  EXPECT_EQ(nullptr, codecOf(37, true).decodeDoubleByte(odd, 2, out));
  EXPECT_FALSE(codecOf(37, true).doubleByte());
  // Copies have converters of their own.
  CCBTextCodec copy = toUtf8;
  EXPECT_EQ(*text, decoded(copy, mixed));
}

}  // namespace
