// The README's host example is examples/host_example.cpp, word for word, and that
// program builds (as lyra_host_example) and reads the example customer file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_util.h"
#include "tools/tool_runner.h"

namespace {

using test_support::examplePath;
using test_support::readFile;
using test_support::runProgram;
using test_support::ToolRun;

// The contents of the README's ```cpp blocks.
std::vector<std::string> cppBlocks(const std::string& readme) {
  const std::string open = "\n```cpp\n";
  const std::string close = "\n```\n";
  std::vector<std::string> blocks;
  for (size_t at = readme.find(open); at != std::string::npos; at = readme.find(open, at)) {
    const size_t start = at + open.size();
    const size_t end = readme.find(close, start);
    if (end == std::string::npos) break;
    blocks.push_back(readme.substr(start, end + 1 - start));
    at = end;
  }
  return blocks;
}

TEST(ReadmeTest, HostExampleBlockIsTheExampleFile) {
  const std::string example = readFile(examplePath("host_example.cpp"));
  ASSERT_FALSE(example.empty());
  int matches = 0;
  for (const std::string& block :
       cppBlocks(readFile(std::string(LYRA_SOURCE_DIR) + "/README.md"))) {
    matches += block == example ? 1 : 0;
  }
  EXPECT_EQ(1, matches);
}

TEST(ReadmeTest, HostExampleReadsTheCustomerFile) {
  const ToolRun run = runProgram(std::string(LYRA_BINARY_DIR) + "/tools/lyra/lyra_host_example",
                                 {examplePath("custrec.cbl"), examplePath("customers.dat")});
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("", run.err);
  // From examples/cobol/customers.cob: a packed balance with its leading zeros, a
  // binary credit limit, a separate leading sign, a second phone left blank.
  const std::string second =
      "record 2\n"
      "  CUST-ID            [000107]\n"
      "  CUST-NAME          [Bletchley Radio Ltd     ]\n"
      "  CUST-TYPE          [B]\n"
      "  CUST-OPENED-YEAR   [2020]\n"
      "  CUST-OPENED-MONTH  [11]\n"
      "  CUST-OPENED-DAY    [02]\n"
      "  CUST-OPENED-DATE   [20201102]\n"
      "  CUST-BALANCE       [-000002045.10]\n"
      "  CUST-CREDIT-LIMIT  [25000]\n"
      "  CUST-RISK-SCORE    [-003]\n"
      "  CUST-PHONE         [+44 1908 640]\n"
      "  CUST-PHONE_1       [            ]\n"
      "  FILLER             [   ]\n";
  EXPECT_NE(std::string::npos, run.out.find(second)) << run.out;
  EXPECT_EQ(3 * 14u, static_cast<size_t>(std::count(run.out.begin(), run.out.end(), '\n')));
  EXPECT_NE(std::string::npos, run.out.find("  CUST-BALANCE       [000000000.00]\n"
                                            "  CUST-CREDIT-LIMIT  [1500]\n"
                                            "  CUST-RISK-SCORE    [+100]\n"));
}

}  // namespace
