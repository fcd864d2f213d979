// The support layer: texts and values, character tables, text files and XML documents.
#include <gtest/gtest.h>

#include <string>

#include "format/ccb_text_codec.h"
#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"
#include "support/np_uchar.h"
#include "support/qv_dom.h"
#include "support/qvb_txt_file.h"
#include "test_util.h"

namespace {

// Every text, null included, copied, moved and assigned over every other, and appended
// to itself: short texts live inside the object, the longer on the heap.
TEST(QvbStringTest, CopyMoveAssignAndAppendOverWhateverWasHeld) {
  const std::string big = std::string(50, 'b') + std::string(50, 'c'), bigger = big + big + big;
  const char* const TEXTS[] = {nullptr, "", "short", big.c_str(), bigger.c_str()};
  for (const char* before : TEXTS) {
    const std::string held = before != nullptr ? before : "";
    QvbString grown(before);
    grown.append(grown);
    grown.append(grown.asCstr() + grown.length() / 3);  // its own characters
    EXPECT_EQ(held + held + (held + held).substr(held.size() * 2 / 3), grown.str());
    for (const char* text : TEXTS) {
      QvbString source(text), copied(before), moved(before), assigned(before);
      copied = source;
      moved = QvbString(source);
      assigned.assign(text, text != nullptr ? static_cast<int>(std::string(text).size()) : 1);
      source.append("+");  // the copies are deep
      for (const QvbString* s : {&copied, &moved, &assigned}) {
        EXPECT_EQ(text == nullptr, s->isNull());
        EXPECT_STREQ(text != nullptr ? text : "", s->asCstr());  // never a null pointer
      }
    }
  }
}

// asInt of text, then " failed" when it sets the failure flag.
std::string intOf(const char* text) {
  bool failed = false;
  const int value = QvbString(text).asInt(&failed);
  return std::to_string(value) + (failed ? " failed" : "");
}

// A number assigned to a text that held something else.
std::string numberText(int number) {
  QvbString text("previous");
  text.assign(number);
  return text.str();
}

// A value holding count bytes, converted to type: its type code, ':', its text.
std::string converted(const char* bytes, int count, int type) {
  QvbDatavar value;
  value.assignBytes(bytes, count);
  value.setType(type);
  return std::to_string(value.getType()) + ":" + value.text().str();
}

// Pieces, trimming, formatting, asInt and value conversions, each seen as text.
TEST(QvbStringTest, ResultsHoldTheirTextAndCompareInOrder) {
  const std::string CASES[][2] = {
      {QvbString("CUST-ID").mid(-3, 100).str(), "CUST-ID"},     // clipped to the text
      {QvbString("CUST-ID").right(99).str(), "CUST-ID"},        //
      {QvbString(" \tA B\r\n").trim(true, true).str(), "A B"},  //
      {qvbStringFormat("%s|", std::string(300, 'x').c_str()).str(), std::string(300, 'x') + "|"},
      {intOf(" -12 "), "-12"},                             //
      {intOf("2147483648"), "0 failed"},                   // out of range
      {intOf("18446744073709551617"), "0 failed"},         // 2 to the 64th, plus 1
      {intOf("12AB"), "12 failed"},                        //
      {numberText(0), "0"},                                //
      {numberText(-907), "-907"},                          //
      {numberText(2147483647), "2147483647"},              //
      {numberText(-2147483647 - 1), "-2147483648"},        // no positive counterpart
      {converted("42\0AB", 5, QVB_TYPE_INTEGER), "2:42"},  // up to the first zero byte
      {converted("4.5", 3, QVB_TYPE_INTEGER), "0:"},       // not an integer: null
      {converted(" -1.5", 5, QVB_TYPE_REAL), "3:-1.5"},    //
      {converted("     ", 5, QVB_TYPE_REAL), "0:"},        // blanks: not a number
  };
  for (const auto& c : CASES) EXPECT_EQ(c[1], c[0]);
  EXPECT_TRUE(QvbDatavar().isNull());
  // compare: a total order, with the case flag false ignoring case
  EXPECT_EQ(0, QvbString("\xe9t\xe9").compare("\xc9T\xc9", false));  // ISO-8859-1 letters too
  EXPECT_GT(QvbString("\xe9t\xe9").compare("\xc9T\xc9", true), 0);
  EXPECT_LT(QvbString(nullptr).compare("", true), 0);  // null before every text
}

// Conversion 10 agrees for every byte with the codec's page 37 (held to iconv); no other is known.
TEST(NpUcharTest, Ebcdic037MatchesTheCodecForEveryByte) {
  unsigned char in[256], actual[256];
  char expected[256];
  for (int i = 0; i < 256; ++i) in[i] = static_cast<unsigned char>(i);
  CCBTextCodec codec;
  ASSERT_TRUE(codec.init(37, false) && codec.decode(in, 256, expected) == expected + 256);
  EXPECT_EQ(256, np_uchar_encode(NP_UCHAR_EBCDIC037_TO_LATIN1, in, actual, 256));
  EXPECT_EQ(std::string(expected, 256), std::string(actual, actual + 256));
  EXPECT_EQ(-1, np_uchar_encode(3, nullptr, nullptr, 0));
}

// Every readLine result as "count:text|" ("!" for ":" when the line flag is clear), and
// the message after a failure; then the text file is closed.
std::string readLines(QvbTxtFile* file) {
  std::string out;
  for (bool flag = true; flag && out.size() < (1 << 20);) {
    const char* line = nullptr;
    const int n = file->readLine(255, &line, &flag);
    out += std::to_string(n) + (flag ? ":" : "!") + std::string(line, n > 0 ? n : 0) + "|";
    if (n < 0) out += file->getErrorMessage().str() + "|";
  }
  file->close();
  return out;
}

// The same for a file, which must read the same from memory, or why it cannot be opened.
std::string readLines(const std::string& path) {
  QvbString reason;
  QvbTxtFile* file = qvbTxtFileOpen(path.c_str(), QVB_TXT_FILE_READ, -1, 0, &reason);
  if (file == nullptr) return reason.str();
  const std::string text = test_support::readFile(path);
  const std::string fromFile = readLines(file);
  EXPECT_EQ(fromFile, readLines(qvbTxtFileOpenMemory(text.data(), text.size()))) << path;
  return fromFile;
}

// The text file reader and the XML writer on files, on a missing file and on a folder.
TEST(FileReadersTest, ReadWhatIsThereOrSayWhyNot) {
  test_support::TempDir dir;
  const std::string x(253, 'x'), none = dir.path("none"), folder = dir.path("");
  std::string blocks;  // the '\r' of "ab\r\n" is the last byte of the first 64 KiB read block
  while (blocks.size() < 65528) blocks += "x\n";
  blocks += "wxyz\nab\r\nc\rd\r\n";
  ASSERT_EQ('\r', blocks[65535]);
  const std::string blockLines = readLines(dir.write("b", blocks));
  const std::string CASES[][2] = {
      // lines of at most 255 characters: tab stops, "\r\n", no end at the last; tabs of a
      // longer line expanded up to the limit only
      {readLines(dir.write("a", "\tA\tB\r\n\r\nlast")), "17:        A       B|0:|4:last|0!|"},
      {readLines(dir.write("d", x + "\t\tyy\nnext")), "255:" + x + "  |4:next|0!|"},
      // a "\r\n" split between read blocks still ends its line, a lone '\r' stays
      {blockLines.substr(blockLines.size() - 25), "1:x|4:wxyz|2:ab|3:c\rd|0!|"},
      // a zero byte anywhere in a line is no text
      {readLines(dir.write("z", std::string("ab\r\nc\0d\nnext\n", 13))),
       "2:ab|-1:|File holds a zero byte: it is not a text file|0!|"},
      {readLines(qvbTxtFileOpen("/dev/zero", QVB_TXT_FILE_READ, -1, 0, nullptr)),
       "-1:|File holds a zero byte: it is not a text file|0!|"},  // endless, no line end
      {readLines(qvbTxtFileOpen("/proc/self/mem", QVB_TXT_FILE_READ, -1, 0, nullptr)),
       "-1!|Error reading file: Input/output error|"},  // nothing is mapped at address 0
      {readLines(none), "Cannot open file '" + none + "': No such file or directory"},
      {readLines(folder), "Cannot open file '" + folder + "': Is a directory"},
  };
  for (const auto& c : CASES) EXPECT_EQ(c[1], c[0]);
  QvDom dom;
  EXPECT_FALSE(dom.loadFile(folder.c_str()));
  EXPECT_EQ("Cannot read file '" + folder + "': not a regular file", dom.getErrorMessage().str());
  EXPECT_FALSE(dom.createFile(folder.c_str(), false, QvDomNode()));
  EXPECT_EQ("Cannot write file '" + folder + "': Is a directory", dom.getErrorMessage().str());
}

// Names and texts read back as written ("_xHHHH_" escapes, Latin-1 as UTF-8); bad XML refused.
TEST(QvDomTest, ReadsBackWhatItWroteAndRefusesWhatIsMalformed) {
  const char* const CASES[][3] = {
      // the name, as written, and a text
      {"a:CUST-ID.1", "a:CUST-ID.1", "v"},              // an XML name: ':', '-', '.', digit
      {"1\xe9T", "_x0031_\xc3\xa9T", "caf\xe9"},        // digit first; Latin-1 in UTF-8
      {"-88", "_x002D_88", nullptr},                    // hyphen first; no text: null
      {"A$ &<", "A_x0024__x0020__x0026__x003C_", " "},  // a single blank stays
      {"\xb7\xb7\xd7\x80", "_x00B7_\xc2\xb7_x00D7__x0080_", "v"},  // a middle dot first, 0xD7, C1
      {"_x00e9$", "_x005F_x00e9_x0024_", "v"},                     // an escape look-alike, then '$'
      {"_x005F_x0031_", "_x005F_x005F_x005F_x0031_", "v"},         // two look-alikes
      {"_x00G1_x0031A_x0032", "_x00G1_x0031A_x0032", "v"},         // not hex, no '_' after, the end
      {"", "_x0000_", "v"},                                        // the empty name
  };
  QvDom dom, again;
  for (const auto& c : CASES) {
    dom.startNewDocument(c[0]);
    dom.getRoot().addChild(c[0]).setValue(c[2]);
    const QvbString xml = dom.createXML(true, QvDomNode());  // indented
    EXPECT_NE(std::string::npos, xml.str().find("<" + std::string(c[1]) + ">")) << xml.asCstr();
    ASSERT_TRUE(again.loadXML(xml));
    const QvDomNode child = again.getRoot().getFirstChild(false);  // never whitespace
    EXPECT_EQ(c[0], child.getName().str());
    EXPECT_EQ(c[2] == nullptr, child.getValue(false).isNull());
    EXPECT_STREQ(c[2] != nullptr ? c[2] : "", child.getValue(false).asCstr());
    EXPECT_TRUE(child.getAttributeValue("type").isNull());
  }
  for (const char* xml : {"<a><b></a>", "not xml <", ""}) EXPECT_FALSE(dom.loadXML(xml)) << xml;
  ASSERT_TRUE(dom.loadXML("<!DOCTYPE a [<!ENTITY e \"xxxxxxxx\">]><a>&e;&e;</a>"));
  EXPECT_EQ("&e;&e;", dom.getRoot().getValue(false).str());  // entities are not expanded
}

}  // namespace
