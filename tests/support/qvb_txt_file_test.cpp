#include "support/qvb_txt_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_util.h"

namespace {

struct Line {
  int count;
  std::string text;
  bool flag;
};

// Reads the whole file, recording every readLine result including the final one.
std::vector<Line> readAll(const std::string& path, int maxLength = 255) {
  QvbString reason;
  QvbTxtFile* file = qvbTxtFileOpen(path.c_str(), QVB_TXT_FILE_READ, -1, 0, &reason);
  EXPECT_NE(nullptr, file) << reason.asCstr();
  std::vector<Line> lines;
  if (file == nullptr) return lines;
  for (;;) {
    const char* chars = nullptr;
    bool flag = true;
    const int n = file->readLine(maxLength, &chars, &flag);
    EXPECT_NE(nullptr, chars);
    lines.push_back({n, std::string(chars, n > 0 ? n : 0), flag});
    if (n == 0 && !flag) break;
  }
  file->close();
  return lines;
}

TEST(QvbTxtFileTest, LinesFlagsAndCounts) {
  test_support::TempDir dir;
  const auto lines = readAll(dir.write("a.txt", "first\n\nthird"));
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(5, lines[0].count);
  EXPECT_EQ("first", lines[0].text);
  EXPECT_TRUE(lines[0].flag);
  EXPECT_EQ(0, lines[1].count);  // an empty line: 0 with the flag set
  EXPECT_TRUE(lines[1].flag);
  EXPECT_EQ("third", lines[2].text);  // the last line needs no line end
  EXPECT_TRUE(lines[2].flag);
  EXPECT_EQ(0, lines[3].count);  // end of input: 0 with the flag clear
  EXPECT_FALSE(lines[3].flag);
}

TEST(QvbTxtFileTest, CarriageReturnLineEndsAreRemoved) {
  test_support::TempDir dir;
  const auto lines = readAll(dir.write("crlf.txt", "AB\r\n\r\nC\rD\r\n"));
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("AB", lines[0].text);
  EXPECT_EQ(0, lines[1].count);
  EXPECT_EQ("C\rD", lines[2].text);  // a lone carriage return is a character
}

TEST(QvbTxtFileTest, TabsAdvanceToTheNextTabStop) {
  test_support::TempDir dir;
  const auto lines = readAll(dir.write("tabs.txt", "\t05 A\tPIC X.\nABCDEFGH\tI\n"));
  ASSERT_EQ(3u, lines.size());
  // Column 1 tab: to column 9; "05 A" ends at column 12, tab to column 17.
  EXPECT_EQ("        05 A    PIC X.", lines[0].text);
  EXPECT_EQ("ABCDEFGH        I", lines[1].text);  // a tab at a stop advances a full stop
}

TEST(QvbTxtFileTest, LongLinesAreCutAndTheRestDiscarded) {
  test_support::TempDir dir;
  const std::string longLine(300, 'x');
  const auto lines = readAll(dir.write("long.txt", longLine + "\nnext\n"), 255);
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(255, lines[0].count);
  EXPECT_EQ("next", lines[1].text);

  const auto tabbed = readAll(dir.write("tab.txt", "abc\t\t\t\n"), 10);
  EXPECT_EQ(10, tabbed[0].count);  // tab expansion stops at the limit too
}

TEST(QvbTxtFileTest, OpenFailuresGiveAReason) {
  test_support::TempDir dir;
  QvbString reason;
  EXPECT_EQ(nullptr,
            qvbTxtFileOpen(dir.path("missing.cbl").c_str(), QVB_TXT_FILE_READ, -1, 0, &reason));
  EXPECT_NE(std::string::npos, std::string(reason.asCstr()).find("No such file or directory"));
  EXPECT_NE(std::string::npos, std::string(reason.asCstr()).find("missing.cbl"));

  EXPECT_EQ(nullptr, qvbTxtFileOpen(dir.path("").c_str(), QVB_TXT_FILE_READ, -1, 0, &reason));
  EXPECT_NE(std::string::npos, std::string(reason.asCstr()).find("Is a directory"));
  EXPECT_EQ(nullptr, qvbTxtFileOpen(nullptr, QVB_TXT_FILE_READ, -1, 0, nullptr));
}

}  // namespace
