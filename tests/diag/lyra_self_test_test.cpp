#include "diag/lyra_self_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/diag_test_util.h"
#include "lyra/lyra_print.h"

namespace {

using diag_test::captureStdout;
using diag_test::splitLines;

TEST(SelfTest, WithoutItsCopybookPrintsTheErrorAndLineZero) {
  test_support::TempDir dir;
  const std::string missing = dir.path("missing.cbl");
  int result = -1;
  const std::string text = captureStdout([&] { result = runSelfTest(missing.c_str()); });
  EXPECT_EQ(0, result);
  EXPECT_EQ("Cannot open file '" + missing + "': No such file or directory: 0\n", text);
}

TEST(SelfTest, ACopybookThatFailsPrintsTheMessageAndItsLine) {
  test_support::TempDir dir;
  const std::string copybook = dir.write("bad.cbl",
                                         "       01  REC.\n"
                                         "           05  A PIC X(2).\n"
                                         "           05  B PICTURE PICTURE.\n");
  const std::vector<std::string> lines =
      splitLines(captureStdout([&] { runSelfTest(copybook.c_str()); }));
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("LINE 1 PARSE: 01  REC", lines[0]);
  EXPECT_EQ("LINE 2 PARSE: 05  A PIC X(2)", lines[1]);
  EXPECT_EQ("LINE 3 PARSE: 05  B PICTURE PICTURE", lines[2]);
  EXPECT_EQ("No syntax match found for statement: 3", lines[3]);
}

// The built-in copybook is examples/custrec.cbl: its parse messages come first,
// then the tree, printed before any layout resolution.
TEST(SelfTest, WithItsCopybookPrintsTheParseMessagesAndTheTree) {
  int result = -1;
  const std::vector<std::string> lines = splitLines(captureStdout([&] { result = lyra_test(); }));
  EXPECT_EQ(0, result);
  // 16 statements, then 4 lines for the root and 10 or 15 for each of the 14 nodes
  // (2 groups of 9 properties, 12 fields of 14).
  ASSERT_EQ(16u + 4u + 2 * 10 + 12 * 15, lines.size());
  EXPECT_EQ("LINE 3 PARSE: 01  CUSTOMER-RECORD", lines[0]);
  EXPECT_EQ("LINE 7 PARSE: 88  CUST-PERSONAL       VALUE 'P'", lines[4]);
  EXPECT_EQ("LINE 14 PARSE: 05  CUST-OPENED-DATE REDEFINES CUST-OPENED PIC 9(8)", lines[10]);
  EXPECT_EQ("LINE 20 PARSE: 05  FILLER                  PIC X(3)", lines[15]);
  const std::vector<std::string> root(lines.begin() + 16, lines.begin() + 20);
  EXPECT_EQ((std::vector<std::string>{"[]->0", "-->Source_File=", "-->usage=DISPLAY",
                                      "-->max_record_size=80"}),
            root);
  EXPECT_EQ(" [CUSTOMER-RECORD]->1", lines[20]);
  EXPECT_EQ("     [CUST-ID]->5", lines[30]);
  // CUST-PHONE follows 10 fields and the group CUST-OPENED after CUST-ID's line.
  const size_t phone = 30 + 10 * 15 + 10;
  EXPECT_EQ("     [CUST-PHONE]->5", lines[phone]);
  EXPECT_EQ("     -->occurs_max=2", lines[phone + 5]);
  EXPECT_EQ("     -->sign_separate=0", lines.back());
}

}  // namespace
