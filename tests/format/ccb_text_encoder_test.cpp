// The text encoder in IBM's mixed pages: every character of each page, alone and in
// mixed texts, written as glibc's iconv writes it; refusals and their faults.
#include "format/ccb_text_encoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "format/iconv_test_util.h"

namespace {

using iconv_test::Iconv;
using iconv_test::MIXED_PAGES;

const char SHIFT_OUT = '\x0E';
const char SHIFT_IN = '\x0F';

CCBTextEncoder encoderOf(int ccsid, bool utf8Source = true) {
  CCBTextEncoder encoder;
  EXPECT_TRUE(encoder.init(ccsid, utf8Source)) << ccsid;
  return encoder;
}

// The bytes the encoder writes for text, in a room of its own; null, with the fault, when
// it refuses the text.
std::unique_ptr<std::string> encoded(const CCBTextEncoder& encoder, const std::string& text,
                                     bool doubleByte = false, CCBTextFault* fault = nullptr,
                                     int room = 256) {
  CCBTextFault unused;
  if (fault == nullptr) fault = &unused;
  std::vector<unsigned char> out(static_cast<size_t>(room) + 1, 0xEE);
  const int n = doubleByte ? encoder.encodeDoubleByte(text.data(), static_cast<int>(text.size()),
                                                      out.data(), room, fault)
                           : encoder.encode(text.data(), static_cast<int>(text.size()), out.data(),
                                            room, fault);
  EXPECT_EQ(0xEE, out[static_cast<size_t>(room)]) << "past the room";
  if (n < 0) return nullptr;
  return std::make_unique<std::string>(reinterpret_cast<const char*>(out.data()),
                                       static_cast<size_t>(n));
}

std::string shown(const std::unique_ptr<std::string>& bytes) {
  return bytes != nullptr ? *bytes : "refused";
}

// The characters of a page: what iconv decodes each single byte and each pair between
// a shift-out and a shift-in to, in UTF-8. Bytes iconv reads as U+001A, the control
// character SUB, are left out but for 3F, SUB's own byte.
std::set<std::string> charactersOf(int ccsid) {
  Iconv decode("UTF-8", "IBM" + std::to_string(ccsid));
  EXPECT_TRUE(decode.ok());
  std::set<std::string> characters;
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == 0x0E || byte == 0x0F) continue;
    const auto text = decode.convert(std::string(1, static_cast<char>(byte)));
    if (text != nullptr && (*text != "\x1A" || byte == 0x3F)) characters.insert(*text);
  }
  for (int lead = 0x40; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const std::string pair{SHIFT_OUT, static_cast<char>(lead), static_cast<char>(trail),
                             SHIFT_IN};
      const auto text = decode.convert(pair);
      if (text != nullptr && !text->empty()) characters.insert(*text);
    }
  }
  return characters;
}

// The code point of the first character of well-formed UTF-8.
uint32_t firstCodePoint(const std::string& utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  if (p[0] < 0x80) return p[0];
  const int length = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : 2;
  uint32_t value = p[0] & (0x7F >> length);
  for (int i = 1; i < length; ++i) value = value << 6 | (p[i] & 0x3F);
  return value;
}

// The characters for which glibc's iconv writes a byte that it reads back as another
// character (930 and 1371: '\' as 5B, which reads as the yen sign in 930 and '$' in
// 1371; 930: '~' as A1, the overline; 939: '\' as B2, the yen sign, '~' as A0, the
// overline). lyra writes the byte that glibc and ICU both read as the character.
const std::set<std::pair<int, std::string>> ICONV_ONE_WAY = {
    {930, "\\"}, {930, "~"}, {939, "\\"}, {939, "~"}, {1371, "\\"}};

// Every character iconv reads from a mixed page (the blank aside: it ends a text as
// padding), written alone: iconv reads lyra's bytes back as the character, and they are
// the bytes iconv writes, but where iconv writes a byte it reads as another character.
// A double-byte character is its pair as double-byte text; a single-byte character is
// refused there, and an ASCII one is the page's byte of ascii().
TEST(CCBTextEncoderTest, MixedPagesWriteEveryCharacterAsIconvDoes) {
  for (const int ccsid : MIXED_PAGES) {
    SCOPED_TRACE(ccsid);
    const CCBTextEncoder encoder = encoderOf(ccsid);
    EXPECT_TRUE(encoder.doubleByte());
    EXPECT_TRUE(encoder.ebcdic());
    EXPECT_EQ(0x40, encoder.blank());
    const std::string page = "IBM" + std::to_string(ccsid);
    Iconv encode(page, "UTF-8"), decode("UTF-8", page);
    ASSERT_TRUE(encode.ok() && decode.ok());
    std::set<std::pair<int, std::string>> oneWay;
    int doubleBytes = 0;
    for (const std::string& character : charactersOf(ccsid)) {
      if (character == " ") continue;
      SCOPED_TRACE(character);
      const auto written = encoded(encoder, character);
      ASSERT_NE(nullptr, written);
      const auto readBack = decode.convert(*written);
      ASSERT_NE(nullptr, readBack);
      EXPECT_EQ(character, *readBack);
      const auto expected = encode.convert(character);
      ASSERT_NE(nullptr, expected);
      const auto iconvReadBack = decode.convert(*expected);
      if (iconvReadBack != nullptr && *iconvReadBack == character) {
        EXPECT_EQ(*expected, *written);
      } else {
        oneWay.emplace(ccsid, character);
      }
      CCBTextFault fault;
      const auto pair = encoded(encoder, character, true, &fault);
      if (written->size() == 4 && (*written)[0] == SHIFT_OUT) {
        ++doubleBytes;
        EXPECT_EQ(written->substr(1, 2), shown(pair));
      } else {
        EXPECT_EQ(nullptr, pair);
        EXPECT_EQ(TEXT_SINGLE_BYTE, fault.problem);
        EXPECT_EQ(firstCodePoint(character), fault.codePoint);
      }
      if (character.size() == 1 && static_cast<unsigned char>(character[0]) < 0x80) {
        EXPECT_EQ(static_cast<unsigned char>((*written)[0]), encoder.ascii(character[0]));
      }
    }
    EXPECT_LT(9000, doubleBytes);
    for (const auto& known : ICONV_ONE_WAY) {
      if (known.first == ccsid) {
        EXPECT_EQ(1u, oneWay.count(known)) << known.second;
      }
    }
    for (const auto& found : oneWay) EXPECT_EQ(1u, ICONV_ONE_WAY.count(found)) << found.second;
  }
}

// Texts of each language, written as iconv writes them: single-byte text around runs of
// double-byte characters, blanks inside and between runs, a run at the start and at the
// end, runs of one character, full-width letters and the double-byte blank U+3000.
// Trailing blanks are padding; a text longer than its room is refused whole, even where
// the room ends inside a pair or before the shift-in.
TEST(CCBTextEncoderTest, MixedTextsAsIconvWritesThem) {
  const std::vector<std::string> japanese = {"TOKYO 東京都千代田区", "OSAKA-SHI 大阪市北区 2-3",
                                             "山田　太郎",           "ＡＢＣ１２３ABC",
                                             "東京 X 大阪",          "A東B京C",
                                             "カタカナ ひらがな",    "NO DOUBLE-BYTE TEXT"};
  const std::vector<std::string> korean = {"SEOUL 서울특별시 중구", "BUSAN 부산광역시 2-3",
                                           "김철수", "A한B글C", "ＡＢＣ１２３ abc"};
  const std::vector<std::string> simplified = {"BEIJING 北京市海淀区", "SHANGHAI 上海市 2-3",
                                               "张伟 王芳", "A中B文C", "ＡＢＣ１２３ abc"};
  const std::vector<std::string> traditional = {"TAIPEI 臺北市信義區", "KAOHSIUNG 高雄市 2-3",
                                                "陳大明", "A臺B灣C", "ＡＢＣ１２３ abc"};
  const std::vector<std::pair<int, const std::vector<std::string>*>> pages = {
      {930, &japanese},  {933, &korean},   {935, &simplified},   {937, &traditional},
      {939, &japanese},  {1364, &korean},  {1371, &traditional}, {1388, &simplified},
      {1390, &japanese}, {1399, &japanese}};
  for (const auto& [ccsid, texts] : pages) {
    const CCBTextEncoder encoder = encoderOf(ccsid);
    Iconv encode("IBM" + std::to_string(ccsid), "UTF-8");
    for (const std::string& text : *texts) {
      SCOPED_TRACE(std::to_string(ccsid) + " " + text);
      const auto expected = encode.convert(text);
      ASSERT_NE(nullptr, expected);
      const int size = static_cast<int>(expected->size());
      const auto written = encoded(encoder, text + "   ", false, nullptr, size);
      EXPECT_EQ(*expected, shown(written));
      CCBTextFault fault;
      for (const int room : {size - 1, size - 2}) {
        EXPECT_EQ(nullptr, encoded(encoder, text, false, &fault, room));
        EXPECT_EQ(TEXT_TOO_LONG, fault.problem);
        EXPECT_EQ(size, fault.needed);
      }
    }
  }
}

// Characters a page does not write, the shift bytes as characters, a one-way mapping
// of ICU's (U+F86F, which 930 would write as the pair 446E of another character),
// ill-formed UTF-8; double-byte text outside a mixed page. ISO-8859-1 host text is
// written by its characters.
TEST(CCBTextEncoderTest, MixedPagesRefuseWhatTheyCannotWrite) {
  const CCBTextEncoder encoder = encoderOf(930);
  const struct {
    std::string text;
    bool doubleByte;
    CCBTextProblem problem;
    uint32_t codePoint;
  } cases[] = {
      {"AB 한", false, TEXT_UNENCODABLE, 0xD55C},
      {"東\xF0\x9F\x98\x80", false, TEXT_UNENCODABLE, 0x1F600},
      {"A\x0E", false, TEXT_UNENCODABLE, 0x0E},
      {"\x0F", false, TEXT_UNENCODABLE, 0x0F},
      {"\xEF\xA1\xAF", false, TEXT_UNENCODABLE, 0xF86F},
      {"\xEF\xA1\xAF", true, TEXT_UNENCODABLE, 0xF86F},
      {"A\xE6\x9D", false, TEXT_INVALID_UTF8, 0},
      {"東京A", true, TEXT_SINGLE_BYTE, 'A'},
      {"東 京", true, TEXT_SINGLE_BYTE, ' '},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    CCBTextFault fault;
    EXPECT_EQ(nullptr, encoded(encoder, c.text, c.doubleByte, &fault));
    EXPECT_EQ(c.problem, fault.problem);
    EXPECT_EQ(c.codePoint, fault.codePoint);
  }
  CCBTextFault fault;
  EXPECT_EQ(nullptr, encoded(encoderOf(37), "A", true, &fault));
  EXPECT_EQ(TEXT_NO_DOUBLE_BYTE, fault.problem);
  EXPECT_FALSE(encoderOf(37).doubleByte());
  Iconv latin1("IBM930", "ISO-8859-1");
  const auto yen = latin1.convert("AB\xA5 1");
  ASSERT_NE(nullptr, yen);
  EXPECT_EQ(*yen, shown(encoded(encoderOf(930, false), "AB\xA5 1")));
  // Copies have converters of their own; a page of single bytes after a mixed one writes
  // as that page does.
  CCBTextEncoder copy = encoder;
  EXPECT_EQ("\x0E\x45\x41\x0F", shown(encoded(copy, "\xE4\xB8\x80")));
  copy.init(37, true);
  EXPECT_FALSE(copy.doubleByte());
  EXPECT_EQ("\xC1", shown(encoded(copy, "A")));
}

}  // namespace
