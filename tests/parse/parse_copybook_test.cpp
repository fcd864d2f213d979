#include "parse/parse_copybook.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "copybook_test_util.h"
#include "layout/ccb_data_field.h"
#include "test_util.h"

namespace {

using copybook_test::RecordingCallback;
using copybook_test::source;

// The nodes below node: names, "*n" OCCURS n ("*n^D" depending on D), ">R" REDEFINES R, "+lead"
// "+sep" signs, "{name=value}" conditions, children in "()" for a group or in "<>" for a field.
std::string describe(const CCBData* node) {
  const auto name = [](const CCBData* n) { return std::string(n->getName().asCstr()); };
  std::string text;
  for (const CCBData* n = node->getFirstChild(); n != nullptr; n = n->getNextSibling()) {
    text += (text.empty() ? "" : " ") + name(n);
    if (n->getOccursMax() != 0) text += "*" + std::to_string(n->getOccursMax());
    if (n->isOccursDepending()) text += "^" + name(n->getOccursDependingNode());
    if (n->getRedefines() != nullptr) text += ">" + name(n->getRedefines());
    const CCBDataField* field = n->isField() ? static_cast<const CCBDataField*>(n) : nullptr;
    if (field != nullptr && field->getSignLeading()) text += "+lead";
    if (field != nullptr && field->getSignSeparate()) text += "+sep";
    for (int i = 0; i < n->getConditionCount(); ++i) {
      text += "{" + std::string(n->getConditionName(i).asCstr()) + "=" +
              n->getConditionValue(i).asCstr() + "}";
    }
    const std::string children = describe(n);
    if (n->isTable()) text += "(" + children + ")";
    if (field != nullptr && !children.empty()) text += "<" + children + ">";
  }
  return text;
}

// The tree or error and the line of copybook text (none: a missing file); from memory the same.
std::string load(const std::string& text, int& line, LYRADebugCallback* callback = nullptr,
                 const CCBFormatRules& rules = CCBFormatRules()) {
  test_support::TempDir dir;
  const std::string path = text.empty() ? "/nonexistent/lyra.cpy" : dir.write("t.cpy", text);
  QvbString error;
  std::unique_ptr<CCBDataRoot> root(parseCopybook(path.c_str(), error, line, callback, rules));
  const std::string result = root != nullptr ? describe(root.get()) : error.asCstr();
  if (!text.empty() && callback == nullptr) {
    int memoryLine = -1;
    root.reset(parseCopybookText(text.data(), text.size(), error, memoryLine, nullptr, rules));
    EXPECT_EQ(result, root != nullptr ? describe(root.get()) : error.asCstr());
    EXPECT_EQ(line, memoryLine);
  }
  return result;
}

TEST(ParseCopybookTest, EachLoadFailureWithItsLine) {
  std::string names;  // 1990 index names on 199 lines
  for (int i = 0; i < 199; ++i) names += source({"I I I I I I I I I I"});
  std::string deep;  // 257 groups, each nested in the one before
  for (int level = 100; level <= 356; ++level) deep += source({std::to_string(level) + " G."});
  std::string endless;  // 20000 lines of content without a period
  for (int i = 0; i < 20000; ++i) endless += source({std::string(65, 'A')});
  const std::tuple<std::string, const char*, int> cases[] = {
      // text, message, line
      {"", "Cannot open file '/nonexistent/lyra.cpy': No such file or directory", 0},
      {source({"00 A PIC X."}), "Invalid level number", 1},
      {source({"01 REC.", "-5 A PIC X."}), "Invalid level number", 2},
      {source({"01", "I I I I I I I I I I"}) + names, "Too many tokens on line. Max is 2000",
       201},  // 2000 tokens after the level number
      {source({"01 A OCCURS 5 INDEXED BY"}) + names, "Too many tokens on line. Max is 2000",
       200},  // 1995 tokens, but 2001 entries on the match path
      {source({"01 REC.", "05 A PIC X OCCURS X TIMES."}), "Parse handler failed at 'X'", 2},
      {source({"01 REC.", "05 T PIC X OCCURS 1 TO 5 DEPENDING ON N.", "05 N PIC 9."}),
       "Occurs depending field not found: N", 2},
      {source({"01 REC.", "05 R REDEFINES R PIC X."}), "Redefine field/table not found: R", 2},
      {source({"01 REC.", "05 F", "PIC 9", "COMP-1."}), "Invalid or unknown usage clause", 4},
      // Items whose usage needs no picture are items, not empty groups.
      {source({"01 REC.", "05 P POINTER."}), "Invalid or unknown usage clause", 2},
      {source({"01 REC.", "05 F PIC 9(3)K."}), "Unrecognized character 'K' found", 2},
      {source({"01 REC.", "05 F PIC 9V9V9."}), "Invalid picture clause: 9V9V9", 2},
      {deep, "Layout nested too deeply. Max depth is 256", 257},
      {source({"01 REC.", "05 A PIC X."}) + std::string("       05 B\0 PIC X.\n", 21),
       "File holds a zero byte: it is not a text file", 3},
      // 6 characters, then 66 per line (a space and 65 of content): line 15889 passes 1 MiB
      {source({"01 REC"}) + endless,
       "Statement longer than 1048576 characters: a period is missing", 15889},
  };
  for (const auto& [text, message, expectedLine] : cases) {
    int line = -1;
    EXPECT_EQ(message, load(text, line));
    EXPECT_EQ(expectedLine, line) << message;
  }
}

// A comment line of 64 MiB is read with 32 MiB more address space than the process uses.
TEST(ParseCopybookTest, AHugeLineLoadsInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
  test_support::TempDir dir;
  const std::string path =
      dir.write("long.cpy", source({"01 REC.", "05 A PIC X."}) + "      *" +
                                std::string(64 << 20, 'c') + "\n" + source({"05 B PIC X."}));
  const auto limitedLoad = [&path] {  // exits with 2: no limit could be set; 1: fields lost
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1) _exit(2);
    std::fclose(statm);
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = pages * sysconf(_SC_PAGESIZE) + (32 << 20);
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    QvbString error;
    int line = 0;
    std::unique_ptr<CCBDataRoot> root(parseCopybook(path.c_str(), error, line, nullptr));
    _exit(root != nullptr && describe(root.get()) == "REC(A B)" ? 0 : 1);
  };
  EXPECT_EXIT(limitedLoad(), testing::ExitedWithCode(0), "");
}

// Entries and the tree they build, read to the last line; with the IBM float format, COMP-1 and
// COMP-2 items without a picture are fields, never groups.
TEST(ParseCopybookTest, EntriesBuildTheTree) {
  using Case = std::pair<std::vector<std::string>, const char*>;  // lines, tree or message
  const std::vector<Case> cases[] = {
      {
          {{"01 R.", "05 G.", "10 F PIC X.", "05 H PIC X."}, "R(G(F) H)"},
          {{"05 A.", "10 B PIC X.", "03 C PIC X.", "01 D PIC X."}, "A(B) C D"},
          {{"01 R.", "05 F PIC X.", "10 G PIC X."}, "R(F<G>)"},
          {{"01 R.", "05 PIC X.", "05 FILLER PIC X.", "05 FILLER.", "05."},
           "R(FILLER FILLER FILLER() FILLER())"},
          {{"01 R.", "05 A PIC X.", "88 YES VALUE 'Y' 'y'.", "88 QT VALUES ARE \"'Q'\".",
            "88 SP VALUE SPACES.", "88 FZ VALUE ZERO.", "88 QZ VALUE 'ZERO'.", "10 B PIC X."},
           "R(A{YES=Y}{YES=y}{QT=Q}{QZ=ZERO}<B>)"},
          {{"01 R.", "05 N PIC 9.", "05 T1 OCCURS 1 TO 9 DEPENDING ON N.", "10 F PIC X.",
            "05 T2 PIC X OCCURS 8 DEPENDING N.", "05 T3 PIC X OCCURS 0 TO 7 TIMES DEPENDING ON N.",
            "05 T4 PIC X OCCURS 6 TIMES ASCENDING KEY IS K INDEXED BY I."},
           "R(N T1*9^N(F) T2*8^N T3*7^N T4*6)"},
          {{"01 R.", "05 N PIC 9.", "05 A PIC X(4).", "05 B REDEFINES A",
            "OCCURS 1 TO 4 DEPENDING ON N PIC X."},
           "R(N A B*4^N>A)"},
          {{"01 rec.", "05 cnt pic 9 comp-3.", "05 tab occurs 1 to 3 times depending on CNT.",
            "10 v pic x.", "88 v-yes value 'y'.", "05 r redefines TAB pic x(3).",
            "05 filler pic s9 sign leading separate."},
           "rec(cnt tab*3^cnt(v{v-yes=y}) r>tab FILLER+lead+sep)"},
      },
      {
          // float format 1
          {{"01 R.", "05 F COMP-1.", "05 D USAGE IS COMPUTATIONAL-2.", "05 X PIC X."}, "R(F D X)"},
          {{"01 R.", "05 G COMP-3.", "10 P PIC 9."}, "R(G(P))"},
          {{"01 R.", "05 F COMP-1.", "10 X PIC X."},
           "An item of usage COMP-1 cannot have subordinate items"},
          {{"01 R.", "05 I INDEX."}, "Invalid or unknown usage clause"},
      }};
  for (const int floatFormat : {0, 1}) {
    for (const auto& [lines, tree] : cases[floatFormat]) {
      int line = -1;
      EXPECT_EQ(tree, load(source(lines), line, nullptr, CCBFormatRules{floatFormat}));
      EXPECT_EQ(static_cast<int>(lines.size()), line) << tree;
    }
  }
}

TEST(ParseCopybookTest, DebugMessagesOfALoad) {
  const std::string text =
      source({"01 REC.", "77 WS-FLAG PIC X.", "05 A PIC X.", "88 A-ON VALUE 'Y'.", "05 G.",
              "88 G-BAD VALUE 'N'.", "66 ALIAS RENAMES A.", "10 C PIC X(3)", "VALUE 'ABC'."});
  RecordingCallback callback;
  int line = -1;
  EXPECT_EQ("REC(A{A-ON=Y} G(C))", load(text, line, &callback));
  std::string messages;
  for (const std::string& message : callback.messages) messages += message + "|";
  EXPECT_EQ(
      "LINE 1 PARSE: 01 REC|LINE 2 LEVEL 77 FOUND|LINE 3 PARSE: 05 A PIC X|LINE 4 PARSE: 88 A-ON "
      "VALUE 'Y'|LINE 5 PARSE: 05 G|LINE 6 PARSE: 88 G-BAD VALUE 'N'|Level 88 item found without "
      "parent field. Line 6.|LINE 7 LEVEL 66 FOUND|LINE 9 PARSE: 10 C PIC X(3) VALUE 'ABC'|",
      messages);
}

TEST(ParseCopybookTest, ClauseTextGivesPictureUsageAndSignFlags) {
  const char* const cases[][2] = {
      // clause text, "picture usage flags" (1 leading + 2 separate); "-" when rejected
      {"ID PIC S9(5) COMP-3", "S9(5) COMP-3 0"},
      {"ID PIC X SIGN LEADING SEPARATE", "X DISPLAY 3"},
      {"ID PICTURE IS S9 TRAILING SEPARATE", "S9 DISPLAY 2"},
      {"ID pic 9 leading binary", "9 binary 1"},
      {"ID", "(null) DISPLAY 0"},
      {"ID VALUE 'PIC' PIC X", "-"},  // a quoted keyword is still the keyword here
  };
  for (const auto& c : cases) {
    QvbString picture("unset"), usage;
    int flags = -1;
    const bool read = parseClauseText(c[0], picture, usage, flags);
    EXPECT_EQ(c[1], !read ? "-"
                          : (picture.isNull() ? "(null)" : picture.str()) + " " + usage.str() +
                                " " + std::to_string(flags))
        << c[0];
  }
}

}  // namespace
