// The README's examples: every command shown after "$ " in a code block runs from the
// repository's root with the built lyra first on PATH, exits 0 and prints what the
// README shows after it. A shown line "..." stands for any lines, "..." within a line
// for any text. Lines without "$ " (make, cmake, messages quoted alone) are not run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "data_variants.h"
#include "test_util.h"

namespace {

using test_support::readFile;

struct Example {
  std::string command;
  std::vector<std::string> shown;  // the lines shown after it
};

std::vector<Example> examples(const std::string& markdown) {
  std::vector<Example> found;
  std::istringstream in(markdown);
  bool inBlock = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("```", 0) == 0) {
      inBlock = !inBlock;
      if (!inBlock) found.emplace_back();  // a block's end ends its last example
      continue;
    }
    if (!inBlock) continue;
    if (line.rfind("$ ", 0) == 0) {
      found.push_back({line.substr(2), {}});
    } else if (!found.empty() && !found.back().command.empty()) {
      found.back().shown.push_back(line);
    }
  }
  std::vector<Example> commands;
  for (Example& e : found) {
    if (!e.command.empty()) commands.push_back(std::move(e));
  }
  return commands;
}

// Whether the line matches the shown one, "..." in it standing for any text.
bool matchesLine(const std::string& line, const std::string& shown) {
  const size_t gap = shown.find("...");
  if (gap == std::string::npos) return line == shown;
  if (line.compare(0, gap, shown, 0, gap) != 0) return false;
  const std::string rest = shown.substr(gap + 3);
  for (size_t at = gap; at <= line.size(); ++at) {
    if (matchesLine(line.substr(at), rest)) return true;
  }
  return false;
}

// Whether the lines match the shown ones from the given places, a shown "..." standing
// for any lines.
bool matches(const std::vector<std::string>& lines, size_t line,
             const std::vector<std::string>& shown, size_t at) {
  if (at == shown.size()) return line == lines.size();
  if (shown[at] == "...") {
    for (size_t skip = line; skip <= lines.size(); ++skip) {
      if (matches(lines, skip, shown, at + 1)) return true;
    }
    return false;
  }
  return line < lines.size() && matchesLine(lines[line], shown[at]) &&
         matches(lines, line + 1, shown, at + 1);
}

// The lines of text, without the CR of CSV's line ends, which the README leaves out.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines = data_variants::lines(text);
  for (std::string& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return lines;
}

TEST(ReadmeTest, ShellExamplesPrintWhatTheyShow) {
  const std::vector<Example> all = examples(readFile(LYRA_SOURCE_DIR "/README.md"));
  ASSERT_GE(all.size(), 15u);
  for (const Example& example : all) {
    SCOPED_TRACE(example.command);
    const data_variants::ToolRun run =
        data_variants::runShell("cd '" LYRA_SOURCE_DIR "' && { " + example.command + "; } 2>&1");
    const std::string& out = run.out;
    EXPECT_EQ(0, run.status) << out;
    EXPECT_TRUE(matches(linesOf(out), 0, example.shown, 0)) << out;
  }
}

// The matching itself, on lines made up here: "..." may stand for nothing.
TEST(ReadmeTest, ElidedLinesAndText) {
  const std::vector<std::string> lines = {"a,b,c", "1,2,3", "4,5,6"};
  EXPECT_TRUE(matches(lines, 0, {"a,b,c", "..."}, 0));
  EXPECT_TRUE(matches(lines, 0, {"a,...", "...", "4,5,6"}, 0));
  EXPECT_TRUE(matches(lines, 0, {"...", "a,b,c", "...", "1,2,3", "..."}, 0));
  EXPECT_FALSE(matches(lines, 0, {"a,b,c", "1,2,3"}, 0));
  EXPECT_FALSE(matches(lines, 0, {"a,...,d", "..."}, 0));
  EXPECT_FALSE(matches(lines, 0, {"...", "7,8,9"}, 0));
}

}  // namespace
