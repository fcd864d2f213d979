// Copybook loads that fail: the message and the line number parseCopybook reports,
// and the text the layout service makes of them.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "copybook_test_util.h"
#include "lyra/ccb_main.h"

namespace {

using copybook_test::source;
using test_support::TempDir;

struct ServiceRelease {
  void operator()(CCBMain* service) const { service->release(); }
};
typedef std::unique_ptr<CCBMain, ServiceRelease> ServicePtr;

// Loads the copybook file through parseCopybook and through the layout service:
// both fail, the first with message and line, the second with the two joined.
void expectFailure(const std::string& path, const std::string& message, int line) {
  QvbString error;
  int errorLine = -1;
  std::unique_ptr<CCBDataRoot> root(parseCopybook(path.c_str(), error, errorLine, nullptr));
  EXPECT_EQ(nullptr, root.get());
  EXPECT_EQ(message, error.asCstr());
  EXPECT_EQ(line, errorLine);

  ServicePtr service(createCCBMain());
  EXPECT_FALSE(service->loadCopybook(path.c_str()));
  EXPECT_EQ(message + ", Line: " + std::to_string(line) + "\n",
            service->getErrorMessage().asCstr());
  EXPECT_EQ(nullptr, service->getRoot());
  EXPECT_EQ(0, service->getOutputCount());
}

TEST(ParseCopybookErrorsTest, FileThatCannotBeOpenedIsLineZero) {
  TempDir dir;
  const std::string missing = dir.path("missing.cpy");
  expectFailure(missing, "Cannot open file '" + missing + "': No such file or directory", 0);
  expectFailure(dir.path(""), "Cannot open file '" + dir.path("") + "': Is a directory", 0);
}

TEST(ParseCopybookErrorsTest, ReadFailureEndsTheLoad) {
  // Reading the start of a process's memory fails with an I/O error before any line.
  expectFailure("/proc/self/mem", "Error reading file: Input/output error", 0);
}

struct ErrorCase {
  const char* what;
  std::vector<std::string> lines;  // content lines, from column 8
  const char* message;
  int line;  // the last line read when the load stopped
};

// "Insufficient tokens found on line" has no case: a statement reaches the level
// number check only when its text is not empty, and text that is not empty always
// gives a token (lines are trimmed, so it holds something other than a space).
// Levels 00 and -5 are integers refused when the entry is placed; a positive level
// always finds a place, at worst under the root.
const ErrorCase ERROR_CASES[] = {
    {"FD entry", {"01 REC.", "FD CUSTOMER-FILE."}, "Invalid level number", 2},
    {"COPY statement", {"01 REC.", "05 A PIC X.", "COPY CUSTMAST."}, "Invalid level number", 3},
    {"level 00", {"00 A PIC X."}, "Invalid level number", 1},
    {"negative level", {"01 REC.", "-5 A PIC X."}, "Invalid level number", 2},
    {"level beyond 32 bits", {"01 REC.", "2147483648 A PIC X."}, "Invalid level number", 2},
    {"level with letters", {"01 REC.", "05A PIC X."}, "Invalid level number", 2},
    {"two pictures", {"01 REC.", "05 A PIC X PIC 9."}, "No syntax match found for statement", 2},
    {"keyword as name", {"01 REC.", "05 KEY PIC X."}, "No syntax match found for statement", 2},
    {"OCCURS count not a number",
     {"01 REC.", "05 A PIC X OCCURS X TIMES."},
     "Parse handler failed at 'X'",
     2},
    {"OCCURS count beyond 32 bits",
     {"01 REC.", "05 A PIC X OCCURS 4294967296."},
     "Parse handler failed at '4294967296'",
     2},
    {"OCCURS minimum not a number",
     {"01 REC.", "05 N PIC 9.", "05 T PIC X OCCURS ONE TO 5", "DEPENDING ON N."},
     "Parse handler failed at 'ONE'",
     4},
    {"DEPENDING ON a later field",
     {"01 REC.", "05 T OCCURS 1 TO 5 DEPENDING ON N.", "10 F PIC X.", "05 N PIC 9."},
     "Occurs depending field not found: N",
     2},
    {"DEPENDING ON a group",
     {"01 REC.", "05 G.", "10 C PIC 9.", "05 T PIC X OCCURS 5 DEPENDING ON G."},
     "Occurs depending field not found: G",
     4},
    {"DEPENDING ON itself",
     {"01 REC.", "05 N PIC 9 OCCURS 5 DEPENDING ON N."},
     "Occurs depending field not found: N",
     2},
    {"REDEFINES a later item",
     {"01 REC.", "05 A REDEFINES R PIC X.", "05 R PIC X."},
     "Redefine field/table not found: R",
     2},
    {"REDEFINES itself",
     {"01 REC.", "05 R REDEFINES R PIC X."},
     "Redefine field/table not found: R",
     2},
    {"usage without a format",
     {"01 REC.", "05 F", "PIC 9", "COMP-1."},
     "Invalid or unknown usage clause",
     4},
    {"sign alone, packed",
     {"01 REC.", "05 F PIC S COMP-3."},
     "Insufficient information in picture",
     2},
    {"repetition count 0", {"01 REC.", "05 F PIC 9(0)."}, "Invalid number of repetitions", 2},
    {"repetition count not a number",
     {"01 REC.", "05 F PIC X(N) COMP-3."},
     "Invalid number of repetitions",
     2},
    {"parentheses without a symbol",
     {"01 REC.", "05 F PIC X(2)(3)."},
     "Unexpected parentheses found",
     2},
    {"leading and trailing P",
     {"01 REC.", "05 F PIC P9P."},
     "Can't have both leading and trailing zeros",
     2},
    {"unknown display symbol",
     {"01 REC.", "05 F PIC 9(3)K."},
     "Unrecognized character 'K' found",
     2},
    {"unknown numeric symbol",
     {"01 REC.", "05 F PIC 9K COMP-3."},
     "Unrecognized character 'K' found",
     2},
    // The picture rules refuse these without a message; the field names the picture.
    {"second V", {"01 REC.", "05 F PIC 9V9V9."}, "Invalid picture clause: 9V9V9", 2},
    {"count without ')'", {"01 REC.", "05 F PIC X(3 COMP-3."}, "Invalid picture clause: X(3", 2},
    {"field longer than the maximum",
     {"01 REC.", "05 F PIC X(16777216)X."},
     "Picture exceeds the maximum field length of 16777216",
     2},
};

TEST(ParseCopybookErrorsTest, EachMessageWithTheLineWhereTheLoadStopped) {
  for (const ErrorCase& c : ERROR_CASES) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    expectFailure(dir.write("bad.cpy", source(c.lines)), c.message, c.line);
  }
}

TEST(ParseCopybookErrorsTest, LineCountIncludesCommentBlankAndShortLines) {
  TempDir dir;
  const std::string path = dir.write("bad.cpy",
                                     "      * A COMMENT LINE\n"
                                     "\n"
                                     "12345\n"
                                     "       01 REC PIC X\n"
                                     "                  PIC 9.\n"
                                     "       01 NEXT PIC X.\n");
  ServicePtr service(createCCBMain());
  EXPECT_FALSE(service->loadCopybook(path.c_str()));
  EXPECT_STREQ("No syntax match found for statement, Line: 5\n",
               service->getErrorMessage().asCstr());
  expectFailure(path, "No syntax match found for statement", 5);
}

// "01 A OCCURS 5 INDEXED BY" (5 tokens after the level number) on the first line,
// then index names, ten to a line, until the entry holds the given number of tokens
// after its level number.
std::string longEntry(int tokens) {
  std::string text = source({"01 A OCCURS 5 INDEXED BY"});
  const int names = tokens - 5;
  for (int i = 1; i <= names; ++i) {
    const std::string name = std::to_string(10000 + i).replace(0, 1, "I");  // I0001 ...
    text += (i % 10 == 1 ? "       " : " ") + name;
    if (i == names) text += ".";
    if (i % 10 == 0 || i == names) text += "\n";
  }
  return text;
}

TEST(ParseCopybookErrorsTest, EntriesWithTooManyTokens) {
  TempDir dir;
  // 2000 tokens do not fit the token arrays: 1995 names on 200 lines after the first.
  expectFailure(dir.write("2000.cpy", longEntry(2000)), "Too many tokens on line. Max is 2000",
                201);
  // 1995 tokens fit the arrays, but their match path needs 2001 entries: one for each
  // token, the start, the branches before OCCURS, after its count and after the last
  // name, and the end. 1990 names take 199 lines.
  expectFailure(dir.write("1995.cpy", longEntry(1995)), "Too many tokens on line. Max is 2000",
                200);

  copybook_test::Loaded longest = copybook_test::parseText(longEntry(1994));
  ASSERT_NE(nullptr, longest.root) << longest.error;
  EXPECT_EQ("A()", copybook_test::describe(longest.root.get()));
  EXPECT_EQ(5, longest.root->getFirstChild()->getOccursMax());
  EXPECT_EQ(200, longest.line);
}

// One entry per line with the level numbers 1 to count, each a group named N<level>.
std::string deepCopybook(int count) {
  std::vector<std::string> lines;
  for (int level = 1; level <= count; ++level) {
    lines.push_back(std::to_string(level) + " N" + std::to_string(level) + ".");
  }
  return source(lines);
}

TEST(ParseCopybookErrorsTest, NestingDeeperThanTheMaximum) {
  // Levels 66, 77 and 88 make no node, so level 260 is the 257th nested group.
  TempDir dir;
  expectFailure(dir.write("deep.cpy", deepCopybook(300)),
                "Layout nested too deeply. Max depth is 256", 260);

  copybook_test::Loaded deepest = copybook_test::parseText(deepCopybook(259));
  ASSERT_NE(nullptr, deepest.root) << deepest.error;
  const CCBData* node = deepest.root->getFirstChild();
  int depth = 1;
  while (node->getFirstChild() != nullptr) {
    node = node->getFirstChild();
    ++depth;
  }
  EXPECT_EQ(256, depth);
  EXPECT_STREQ("N259", node->getName().asCstr());
}

}  // namespace
