// End-to-end tests of the layout commands of the lyra tool (columns, tree, convert)
// and of what all commands share: help, exit statuses, error messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_util.h"
#include "tools/tool_runner.h"

namespace {

using test_support::examplePath;
using test_support::readFile;
using test_support::runTool;
using test_support::TempDir;
using test_support::ToolRun;

// order_trailer.cbl: PIC XX, 9(8), 9(4) COMP, S9(9)V99 COMP-3. Output lengths are at
// least 5; 2 binary bytes hold up to 5 digits and a sign; a signed real of 11 digits
// needs 13 (sign, digits, point).
const char* const TRAILER_COLUMNS =
    "INDEX  NAME            TYPE     LENGTH\n"
    "0      OT-RECORD-TYPE  string   5\n"
    "1      OT-ORDER-ID     integer  8\n"
    "2      OT-LINE-COUNT   integer  6\n"
    "3      OT-ORDER-TOTAL  real     13\n"
    "Maximum record length: 18\n";

TEST(CliLayoutTest, ColumnsListsIndexNameTypeLengthAndMaximumRecordLength) {
  const ToolRun run = runTool({"columns", examplePath("order_trailer.cbl")});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(TRAILER_COLUMNS, run.out);
  EXPECT_EQ("", run.err);
}

// The variable table of the header counts with its maximum: 66 + 3 x 20.
TEST(CliLayoutTest, ColumnsOfAVariableTableListEveryRepetition) {
  const ToolRun run = runTool({"columns", examplePath("order_header.cbl")});
  EXPECT_EQ(0, run.status);
  EXPECT_NE(std::string::npos, run.out.find("7      OH-NOTE           string   20\n"
                                            "8      OH-NOTE_1         string   20\n"
                                            "9      OH-NOTE_2         string   20\n"
                                            "Maximum record length: 126\n"));
}

TEST(CliLayoutTest, TreePrintsTheLayoutTree) {
  const ToolRun run = runTool({"tree", examplePath("order_trailer.cbl")});
  EXPECT_EQ(0, run.status);
  const std::string head = "[]->0\n-->Source_File=" + examplePath("order_trailer.cbl") +
                           "\n-->usage=DISPLAY\n-->max_record_size=18\n"
                           " [ORDER-TRAILER]->1\n -->name=ORDER-TRAILER\n";
  EXPECT_EQ(head, run.out.substr(0, head.size()));
  EXPECT_NE(std::string::npos, run.out.find("     [OT-ORDER-TOTAL]->5\n"
                                            "     -->name=OT-ORDER-TOTAL\n"));
  EXPECT_NE(std::string::npos, run.out.find("     -->picture=S9(9)V99\n"
                                            "     -->const_value=\n"
                                            "     -->usage=COMP-3\n"));
}

// An XML layout document is told from a copybook by its content, whatever its name,
// also after a byte order mark and blank lines.
TEST(CliLayoutTest, ConvertWritesAnXmlLayoutThatTheOtherCommandsRead) {
  TempDir dir;
  const std::string xml = dir.path("trailer.layout");
  const ToolRun convert = runTool({"convert", examplePath("order_trailer.cbl"), "-o", xml});
  EXPECT_EQ(0, convert.status) << convert.err;
  EXPECT_EQ("", convert.out);
  const std::string document = readFile(xml);
  EXPECT_NE(std::string::npos, document.find("<CCBLayout>"));
  EXPECT_EQ(TRAILER_COLUMNS, runTool({"columns", xml}).out);
  const std::string marked = dir.write("marked.cbl", "\xEF\xBB\xBF\n  \t" + document);
  EXPECT_EQ(TRAILER_COLUMNS, runTool({"columns", marked}).out);
}

TEST(CliLayoutTest, HelpGoesToStandardOutputWithStatusZero) {
  const struct {
    std::vector<std::string> args;
    const char* firstLine;
  } cases[] = {
      {{"--help"}, "Usage: lyra COMMAND [options] [arguments]\n"},
      {{"help"}, "Usage: lyra COMMAND [options] [arguments]\n"},
      {{"columns", "--help"}, "Usage: lyra columns LAYOUT\n"},
      {{"tree", "-h"}, "Usage: lyra tree LAYOUT\n"},
      {{"convert", "--help"}, "Usage: lyra convert LAYOUT -o OUT.xml\n"},
      {{"read", "--help"}, "Usage: lyra read [options] DATAFILE\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = runTool(c.args);
    EXPECT_EQ(0, run.status) << c.args[0];
    EXPECT_EQ(c.firstLine, run.out.substr(0, run.out.find('\n') + 1));
    EXPECT_EQ("", run.err);
  }
}

// Usage errors give status 2, data and layout errors 1, each with one clear line
// first on standard error and nothing on standard output.
TEST(CliLayoutTest, ErrorsGiveStatusAndMessage) {
  TempDir dir;
  const std::string missing = dir.path("missing.cbl");
  const std::string badXml = dir.write("bad.xml", "<CCBLayout><node type=\"root\">");
  const std::string badCopybook = dir.write("bad.cbl",
                                            "       01  REC.\n"
                                            "           05  A PIC X(2) PIC X(3).\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string firstLine;
  } cases[] = {
      {{}, 2, "Usage: lyra COMMAND [options] [arguments]"},
      {{"frob"}, 2, "lyra: unknown command 'frob'"},
      {{"columns"}, 2, "lyra columns: no layout file given"},
      {{"columns", "a.cbl", "b.cbl"}, 2, "lyra columns: more than one layout file given"},
      {{"tree", "--bogus", "a.cbl"}, 2, "lyra tree: unknown option '--bogus'"},
      {{"columns", "-z"}, 2, "lyra columns: unknown option '-z'"},
      {{"convert", examplePath("custrec.cbl")},
       2,
       "lyra convert: no output file: give one with -o OUT.xml"},
      {{"convert", examplePath("custrec.cbl"), "-o"},
       2,
       "lyra convert: option '-o' needs a value (OUT.xml)"},
      {{"columns", "--help=yes"}, 2, "lyra columns: option '--help' takes no value"},
      {{"columns", missing},
       1,
       "lyra columns: cannot open '" + missing + "': No such file or directory"},
      {{"tree", badXml}, 1, "lyra tree: " + badXml + ": Error Loading xml"},
      {{"columns", badCopybook},
       1,
       "lyra columns: " + badCopybook + ": No syntax match found for statement, Line: 2"},
      {{"convert", examplePath("custrec.cbl"), "-o", dir.path("no/dir.xml")},
       1,
       "lyra convert: " + dir.path("no/dir.xml") + ": Cannot write file '" +
           dir.path("no/dir.xml") + "': No such file or directory"},
  };
  for (const auto& c : cases) {
    const ToolRun run = runTool(c.args);
    const std::string shown = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(c.status, run.status) << shown << " " << run.err;
    EXPECT_EQ(c.firstLine, run.err.substr(0, c.firstLine.size())) << shown;
    EXPECT_EQ("", run.out) << shown;
  }
}

}  // namespace
