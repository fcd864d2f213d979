// End-to-end tests of the lyra tool on the bundled examples, and of the README's host
// example. Expected values come from the programs that wrote the example files
// (examples/cobol/), decoded by hand.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

using test_support::readFile;
using test_support::TempDir;

struct Result {
  int status;  // the exit status; some other value when the program was killed
  std::string out;
  std::string err;
};

// The exit status that system() reports; some other value when the program was killed.
int exitStatus(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A built program and its arguments as a shell command. No path or argument holds a
// single quote.
std::string commandLine(const std::string& program, const std::vector<std::string>& args) {
  std::string command = "'" + program + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  return command;
}

// Runs a shell command, standard input from /dev/null and its output captured.
Result runCommand(const std::string& command) {
  TempDir dir;
  const int status =
      system((command + " </dev/null >" + dir.path("out") + " 2>" + dir.path("err")).c_str());
  return {exitStatus(status), readFile(dir.path("out")), readFile(dir.path("err"))};
}

Result runProgram(const std::string& program, const std::vector<std::string>& args) {
  return runCommand(commandLine(program, args));
}

// The tool and its arguments as a shell command, for scripts that redirect or pipe.
std::string lyraCommand(const std::vector<std::string>& args) {
  return commandLine(LYRA_BINARY_DIR "/tools/lyra/lyra", args);
}

Result lyra(const std::vector<std::string>& args) {
  return runCommand(lyraCommand(args));
}

// The tool run after shell commands that set up its process (umask, limits, traps).
Result lyraAfter(const std::string& setup, const std::vector<std::string>& args) {
  return runCommand(setup + " " + lyraCommand(args));
}

// The names in a folder, sorted, one per line.
std::string folderEntries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += name + "\n";
  return text;
}

// The permission bits of a file, -1 when there is none.
int permissions(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

std::string example(const std::string& name) {
  return LYRA_SOURCE_DIR "/examples/" + name;
}

// Reads the order file (header OH, line OL and trailer OT records) writing one type.
std::vector<std::string> orders(const char* active, std::vector<std::string> more,
                                const std::string& data = example("orders.dat")) {
  std::vector<std::string> args{"read", "--id-field", "0:PIC X(2)", "--active", active};
  for (const char* layout : {"order_header.cbl=OH", "order_line.cbl=OL", "order_trailer.cbl=OT"}) {
    args.insert(args.end(), {"-c", example(layout)});  // FILE=ID
  }
  args.insert(args.end(), more.begin(), more.end());
  args.push_back(data);
  return args;
}

// One flat JSON object: string keys; string, number, null or boolean values.
bool isJsonObject(const std::string& line) {
  static const std::string text = R"("(?:[^"\\\x00-\x1f]|\\["\\/bfnrt]|\\u[0-9a-fA-F]{4})*")";
  static const std::string member =
      text + ":(?:" + text + R"(|-?(?:0|[1-9]\d*)(?:\.\d+)?(?:[eE][+-]?\d+)?|null|true|false))";
  static const std::regex object("\\{(?:" + member + "(?:," + member + ")*)?\\}");
  return std::regex_match(line, object);
}

// Output lengths: at least 5; 2 binary bytes hold 5 digits and a sign; a signed real
// of 11 digits needs 13 (sign, digits, point).
const char* const TRAILER_COLUMNS =
    "INDEX  NAME            TYPE     LENGTH\n"
    "0      OT-RECORD-TYPE  string   5\n"
    "1      OT-ORDER-ID     integer  8\n"
    "2      OT-LINE-COUNT   integer  6\n"
    "3      OT-ORDER-TOTAL  real     13\n"
    "Maximum record length: 18\n";

// A converted layout is read back by content, whatever its name, also after a byte
// order mark and blank lines.
TEST(CliTest, ColumnsTreeAndConvertedLayout) {
  TempDir dir;
  const Result columns = lyra({"columns", example("order_trailer.cbl")});
  EXPECT_EQ(0, columns.status);
  EXPECT_EQ(TRAILER_COLUMNS, columns.out);
  const Result tree = lyra({"tree", example("order_trailer.cbl")});
  EXPECT_EQ(0, tree.status);
  EXPECT_NE(std::string::npos, tree.out.find("     [OT-ORDER-TOTAL]->5\n"
                                             "     -->name=OT-ORDER-TOTAL\n"));
  const std::string xml = dir.path("trailer.layout");
  const Result convert = lyra({"convert", example("order_trailer.cbl"), "-o", xml});
  EXPECT_EQ(0, convert.status) << convert.err;
  EXPECT_EQ(TRAILER_COLUMNS, lyra({"columns", xml}).out);
  const std::string marked = dir.write("marked.cbl", "\xEF\xBB\xBF\n  \t" + readFile(xml));
  EXPECT_EQ(TRAILER_COLUMNS, lyra({"columns", marked}).out);
}

// A field holding a comma or a quote is quoted, its quotes doubled; blanks are kept;
// notes beyond the note count are empty; ISO-8859-1 text comes out in UTF-8. A
// table column is as wide as its name or output length, numbers right-aligned.
TEST(CliTest, CsvQuotesCommasAndQuotesAndTableAligns) {
  const Result run = lyra(orders("OH", {}));
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(
      "OH-RECORD-TYPE,OH-ORDER-ID,OH-ORDER-DATE,OH-CUSTOMER-NAME,OH-SHIP-CITY,OH-PRIORITY,"
      "OH-NOTE-COUNT,OH-NOTE,OH-NOTE_1,OH-NOTE_2\r\n"
      "OH,00010001,20240305,\"Smith, \"\"Bob\"\" & Sons           \",Leeds           ,E,2,"
      "Leave at side door  ,\"Call first, please  \",\r\n"
      "OH,00010002,20240306,M\xC3\xBCller Werkzeuge GmbH         ,Hamburg         ,S,0,,,\r\n"
      "OH,00010003,20240307,O'Neil Hardware               ,Cork            ,E,1,"
      "\"Fragile: \"\"glass\"\"    \",,\r\n",
      run.out);
  EXPECT_EQ(
      "OT-RECORD-TYPE  OT-ORDER-ID  OT-LINE-COUNT  OT-ORDER-TOTAL\n"
      "--------------  -----------  -------------  --------------\n"
      "OT                 00010001              3    000000056.03\n",
      lyra(orders("OT", {"--format", "table", "--limit", "1"})).out);
}

TEST(CliTest, JsonLinesAreValidJson) {
  const std::vector<std::string> runs[] = {
      orders("OH", {"--format", "jsonl"}),  // quotes, nulls, UTF-8
      orders("OL", {"--format", "jsonl", "--typed"}),
      // The EBCDIC file read as it stands: characters above 127.
      {"read", "-c", example("payroll.cbl"), "--fixed", "--skip", "20", "--format", "jsonl",
       example("payroll.dat")},
  };
  for (const std::vector<std::string>& args : runs) {
    const Result run = lyra(args);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_FALSE(run.out.empty());
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) EXPECT_TRUE(isJsonObject(line)) << line;
  }
}

// Payroll: a 20-byte header, then 64-byte EBCDIC records (packed, binary with a scale,
// an embedded sign). The fixture's texts are "-.05", "#ERR#" (a packed sign nibble
// that is a digit), blanks, "007.50", "+001.2", then a quote, a control character and
// an ISO-8859-1 e-acute.
TEST(CliTest, TypedJsonLinesWriteNumbers) {
  const Result payroll =
      lyra({"read", "-c", example("payroll.cbl"), "--fixed", "--skip", "20", "--ebcdic", "--format",
            "jsonl", "--typed", "--limit", "1", example("payroll.dat")});
  EXPECT_EQ(0, payroll.status) << payroll.err;
  EXPECT_EQ(
      "{\"PR-EMPLOYEE-ID\":100231,\"PR-NAME\":\"REN\xC3\x89"
      "E DUBOIS        \",\"PR-DEPARTMENT\":\"FIN \",\"PR-GRADE\":7,\"PR-MONTHLY-SALARY\":4250.00,"
      "\"PR-HOURS-WORKED\":162.5,\"PR-BONUS\":350.00,\"PR-TAX-CODE\":\"1257L\","
      "\"PR-HIRE-DATE\":20150401,\"FILLER\":\"     \"}\n",
      payroll.out);
  TempDir dir;
  const std::string copybook = dir.write("typed.cbl",
                                         "       01  R.\n"
                                         "           05  A  PIC SV99 SIGN TRAILING SEPARATE.\n"
                                         "           05  B  PIC S9(3) COMP-3.\n"
                                         "           05  C  PIC 9(3).\n"
                                         "           05  E  PIC 9(3)V99.\n"
                                         "           05  G  PIC S9(3)V9 SIGN LEADING SEPARATE.\n"
                                         "           05  F  PIC X(3).\n");
  const std::string data = dir.write("typed.dat", "05-\x12\x34   00750+0012\"\x01\xE9");
  const Result typed = lyra({"read", "-c", copybook, "--format", "jsonl", "--typed", data});
  EXPECT_EQ(0, typed.status) << typed.err;
  EXPECT_EQ(R"({"A":-0.05,"B":null,"C":null,"E":7.50,"G":1.2,"F":"\"\u0001)"
            "\xC3\xA9\"}\n",
            typed.out);
}

// A display field that starts with a zero byte decodes to empty text (the text ends at
// the first zero byte); as the first column it keeps its place in every format.
TEST(CliTest, EmptyFirstColumnKeepsItsPlace) {
  TempDir dir;
  const std::string copybook = dir.write("empty_first.cbl",
                                         "       01  R.\n"
                                         "           05  A  PIC X(10).\n"
                                         "           05  B  PIC 9(10).\n");
  const std::string data =
      dir.write("empty_first.dat", std::string(10, '\0') + "0000000042" +
                                       std::string("\0ABCDEFGHI", 10) + "0000000007");
  const struct {
    const char* format;
    const char* want;
  } cases[] = {
      {"csv", "A,B\r\n,0000000042\r\n,0000000007\r\n"},
      {"jsonl", "{\"A\":\"\",\"B\":\"0000000042\"}\n{\"A\":\"\",\"B\":\"0000000007\"}\n"},
      {"table",
       "A                    B\n"
       "----------  ----------\n"
       "            0000000042\n"
       "            0000000007\n"},
  };
  for (const auto& c : cases) {
    const Result run = lyra({"read", "-c", copybook, "--fixed", "--format", c.format, data});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(c.want, run.out) << c.format;
  }
}

// orders.dat: OH 0-105, OL 106-174, 175-243, 244-312, OT 313-330, OH 331-396,
// OL 397-465, OT 466-483, OH 484-569, OL 570-638, OL 639-707, OT 708-725. Records are
// counted from 1 over the whole file; the header row and the five order lines before
// the cut record are written.
TEST(CliTest, TruncatedFileStopsAtTheCutRecord) {
  TempDir dir;
  const std::string cut = dir.write("cut.dat", readFile(example("orders.dat")).substr(0, 700));
  const Result run = lyra(orders("OL", {}, cut));
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(6, std::count(run.out.begin(), run.out.end(), '\n'));
  EXPECT_EQ("lyra read: " + cut +
                ": record 11 at byte offset 639: Reached EOF on data file while reading data\n",
            run.err);
}

// A data file that holds nothing after --skip holds no records: the header alone, or
// nothing for JSON lines. One shorter than --skip is damaged.
TEST(CliTest, EmptyAndShortDataFiles) {
  TempDir dir;
  const std::string copybook = dir.write("r.cbl",
                                         "       01  R.\n"
                                         "           05  A  PIC X(2).\n"
                                         "           05  B  PIC 9(3).\n");
  const std::string empty = dir.write("empty.dat", "");
  const std::string header = dir.write("header.dat", "HEADER");
  const std::string csvHeader = "A,B\r\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {{"-c", copybook, empty}, 0, csvHeader, ""},
      {{"-c", copybook, "--fixed", empty}, 0, csvHeader, ""},
      {{"-c", copybook, "--format", "jsonl", empty}, 0, "", ""},
      {{"-c", copybook, "--format", "table", empty}, 0, "A          B\n-----  -----\n", ""},
      {{"-c", copybook, "--skip", "6", header}, 0, csvHeader, ""},
      {{"-c", copybook + "=R", "-c", copybook + "=X", "--id-field", "0:PIC X", "--skip", "6",
        header},
       0,
       csvHeader,
       ""},
      {{"-c", copybook, "--skip", "7", header},
       1,
       "",
       "lyra read: " + header + ": the file is 6 bytes long, shorter than --skip 7\n"},
      {{"-c", copybook, "--skip", "1", empty},
       1,
       "",
       "lyra read: " + empty + ": the file is 0 bytes long, shorter than --skip 1\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"read"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result run = lyra(args);
    EXPECT_EQ(c.status, run.status) << c.args.back() << "\n" << run.err;
    EXPECT_EQ(c.out, run.out);
    EXPECT_EQ(c.err, run.err);
  }
}

// Help goes to standard output with status 0; errors give one line first on standard
// error and nothing on standard output: 2 for usage, 1 for data and layout errors.
TEST(CliTest, ExitStatusAndFirstLine) {
  TempDir dir;
  const std::string missing = dir.path("missing.cbl");
  const std::string badXml = dir.write("bad.xml", "<CCBLayout><node type=\"root\">");
  const std::string header = example("order_header.cbl");
  const std::string data = example("orders.dat");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string first;
  } cases[] = {
      {{"--help"}, 0, "Usage: lyra COMMAND [options] [arguments]"},
      {{"read", "--help"}, 0, "Usage: lyra read [options] DATAFILE"},
      {{}, 2, "Usage: lyra COMMAND [options] [arguments]"},
      {{"frob"}, 2, "lyra: unknown command 'frob'"},
      {{"columns"}, 2, "lyra columns: no layout file given"},
      {{"tree", "--bogus", "a.cbl"}, 2, "lyra tree: unknown option '--bogus'"},
      {{"convert", header}, 2, "lyra convert: no output file: give one with -o OUT.xml"},
      {{"read", data}, 2, "lyra read: no layout: give one with --copybook or --layout"},
      {{"read", "-c", header + "=OH", "-c", header + "=OL", data},
       2,
       "lyra read: several layouts need --id-field OFFSET:CLAUSES"},
      {{"read", "-c", header, "--skip", "-1", data},
       2,
       "lyra read: invalid --skip '-1': expected a whole number of at least 0"},
      {{"read", "-c", header, "--skip", "3000000000", data},
       2,
       "lyra read: invalid --skip '3000000000': the value is too large (at most 2147483647)"},
      {{"read", "-c", header, "--limit", "99999999999", data},
       2,
       "lyra read: invalid --limit '99999999999': the value is too large (at most 2147483647)"},
      {{"read", "-c", header, "--skip", "1x", data},
       2,
       "lyra read: invalid --skip '1x': expected a whole number of at least 0"},
      // Leading zeros take no room from the value.
      {{"read", "-c", example("custrec.cbl"), "--fixed", "--skip", "000000000000", "--limit", "1",
        example("customers.dat")},
       0,
       "CUST-ID,CUST-NAME,CUST-TYPE,CUST-OPENED-YEAR,CUST-OPENED-MONTH,CUST-OPENED-DAY,"
       "CUST-OPENED-DATE,CUST-BALANCE,CUST-CREDIT-LIMIT,CUST-RISK-SCORE,CUST-PHONE,CUST-PHONE_1,"
       "FILLER\r"},
      {{"read", "-c", header, "--typed", data},
       2,
       "lyra read: --typed applies to --format jsonl only\n"
       "Try 'lyra read --help' for more information."},
      {{"columns", missing},
       1,
       "lyra columns: cannot open '" + missing + "': No such file or directory"},
      {{"tree", badXml}, 1, "lyra tree: " + badXml + ": Error Loading xml"},
      {{"read", "-c", header, missing}, 1, "lyra read: " + missing + ": No such file or directory"},
      {{"read", "-c", header, "-o", "/dev/full", data},
       1,
       "lyra read: cannot write /dev/full: No space left on device"},
  };
  for (const auto& c : cases) {
    const Result run = lyra(c.args);
    EXPECT_EQ(c.status, run.status) << c.first;
    EXPECT_EQ(c.first + "\n", (c.status == 0 ? run.out : run.err).substr(0, c.first.size() + 1));
    EXPECT_EQ("", c.status == 0 ? run.err : run.out) << c.first;
  }
}

// A layout without fields loads in the library; every command refuses it at once,
// whether it is written (active) or only read past.
TEST(CliTest, LayoutsWithoutFieldsAreRefused) {
  TempDir dir;
  const std::string empty = dir.write("empty.cbl", "");
  const std::string comments = dir.write("comments.cbl",
                                         "      * a copybook of comments only\n"
                                         "      /\n");
  const std::string noTimes = dir.write("no_times.cbl",
                                        "       01  R.\n"
                                        "           05  A  PIC X(4) OCCURS -5 TIMES.\n");
  const std::string xml = dir.write(
      "no_field.xml",
      "<CCBLayout><node type=\"root\"><properties/><values/><nodes/></node></CCBLayout>\n");
  const std::string group = dir.write("group.cbl", "       01  R.\n");
  const std::string data = dir.write("records.dat", "AB12AB34");
  const std::string out = dir.path("out.xml");
  const std::string good = example("order_trailer.cbl");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"columns", empty}, "lyra columns: " + empty},
      {{"tree", comments}, "lyra tree: " + comments},
      {{"convert", noTimes, "-o", out}, "lyra convert: " + noTimes},
      {{"columns", xml}, "lyra columns: " + xml},
      {{"tree", group}, "lyra tree: " + group},
      {{"read", "-c", empty, data}, "lyra read: " + empty},
      {{"read", "-c", noTimes, "--fixed", "4", data}, "lyra read: " + noTimes},
      {{"read", "-x", xml, data}, "lyra read: " + xml},
      {{"read", "-c", good + "=AB", "-c", group + "=CD", "--id-field", "0:PIC X(2)", data},
       "lyra read: " + group},
  };
  for (const auto& c : cases) {
    const Result run = lyra(c.args);
    EXPECT_EQ(1, run.status) << c.message;
    EXPECT_EQ(c.message + ": the layout has no fields\n", run.err);
    EXPECT_EQ("", run.out) << c.message;
  }
  EXPECT_NE(0, access(out.c_str(), F_OK));  // never written
}

// The library takes any level number that fits an int; the tool refuses one above 99
// with its line, as the library words its own load failures, before any other
// failure of the copybook, in every command.
TEST(CliTest, LevelNumbersAbove99AreRefused) {
  TempDir dir;
  const std::string data = dir.write("r.dat", std::string(20, 'A'));
  const std::string good = dir.write("good.cbl",
                                     "       01  R.\n"
                                     "           05  A  PIC X(10).\n");
  const struct {
    const char* copybook;
    int line;  // of the refused level; 0: the copybook loads
  } cases[] = {
      {"       01  R.\n           100  A  PIC X(10).\n", 2},
      {"       01  R.\n           05  A  PIC X(10).\n          1000000  B PIC X.\n", 3},
      {"       01  R.\n           0100  A  PIC X(10).\n", 2},
      {"       01  R.\n           +100  A  PIC X(10).\n", 2},
      {"      * levels\n       01  R.\n           100  A  PIC.\n", 3},  // bad clauses too
      {"       01  R.\n           100  A  PIC X.\n           05  B  PIC.\n", 2},
      {"       01  R.\n           99  A  PIC X(10).\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copybook);
    const std::string copybook = dir.write("levels.cbl", c.copybook);
    const std::string invalid =
        copybook + ": Invalid level number, Line: " + std::to_string(c.line) + "\n";
    const std::vector<std::vector<std::string>> runs{
        {"columns", copybook},
        {"tree", copybook},
        {"convert", copybook, "-o", dir.path("levels.xml")},
        {"read", "-c", copybook, "--fixed", "--limit", "1", data},
        {"read", "-c", good + "=A", "-c", copybook + "=B", "--id-field", "0:PIC X", data},
    };
    for (const std::vector<std::string>& args : runs) {
      const Result run = lyra(args);
      EXPECT_EQ(c.line == 0 ? 0 : 1, run.status) << args[0] << "\n" << run.err;
      EXPECT_EQ(c.line == 0 ? "" : "lyra " + args[0] + ": " + invalid, run.err);
    }
  }
  // --trace still sees every entry, and after the load every field.
  const std::string big = dir.write("big.cbl", "       01  R.\n           100  A  PIC X(10).\n");
  const Result refused = lyra({"read", "--trace", "-c", big, data});
  EXPECT_EQ(
      "LINE 1 PARSE: 01  R\nLINE 2 PARSE: 100  A  PIC X(10)\n"
      "lyra read: " +
          big + ": Invalid level number, Line: 2\n",
      refused.err);
  const Result traced = lyra({"read", "--trace", "-c", good, "--limit", "1", data});
  EXPECT_EQ(0, traced.status);
  EXPECT_EQ(0u, traced.err.find("LINE 1 PARSE: 01  R\nLINE 2 PARSE: 05  A  PIC X(10)\n"));
  EXPECT_NE(std::string::npos, traced.err.find("Column: (A), Data: (AAAAAAAAAA)"));
}

// Every command checks what it writes to standard output, help included.
TEST(CliTest, FailedWritesFailTheCommand) {
  const std::string trailer = example("order_trailer.cbl");
  const std::string reason = "cannot write standard output: No space left on device\n";
  const struct {
    std::vector<std::string> args;
    const char* command;
  } cases[] = {
      {{"columns", trailer}, "lyra columns"},
      {{"tree", trailer}, "lyra tree"},
      {{"convert", "--help"}, "lyra convert"},
      {{"read", "-c", example("custrec.cbl"), "--fixed", example("customers.dat")}, "lyra read"},
      {{"read", "--help"}, "lyra read"},
      {{"--help"}, "lyra"},
      {{"--version"}, "lyra"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const int status = system((lyraCommand(c.args) + " >/dev/full 2>" + dir.path("err")).c_str());
    EXPECT_EQ(1, exitStatus(status)) << c.command;
    EXPECT_EQ(std::string(c.command) + ": " + reason, readFile(dir.path("err")));
  }
}

// A reader that stops reading (head) ends the command quietly: SIGPIPE ends it as it
// ends cat (status 128 + 13 from the shell), and where SIGPIPE is ignored, the
// failed write ends it at once, with status 1 and no message. The data file ends in
// a cut record, which only a read that went on would reach and report.
TEST(CliTest, ClosedPipeEndsTheCommandQuietly) {
  TempDir dir;
  const std::string copybook = dir.write("r.cbl",
                                         "       01  R.\n"
                                         "           05  A  PIC X(8).\n");
  const std::string data = dir.write("r.dat", std::string(8 * 300000, 'x') + "cut");
  std::string tree = "       01  R.\n";
  for (int i = 0; i < 5000; ++i) tree += "           05  F" + std::to_string(i) + "  PIC X.\n";
  const std::string wide = dir.write("wide.cbl", tree);
  const struct {
    std::vector<std::string> args;
    std::string firstLine;
  } runs[] = {
      {{"read", "-q", "-c", copybook, "--fixed", data}, "A\r\n"},
      {{"tree", wide}, "[]->0\n"},
  };
  const struct {
    const char* trap;
    int status;
  } signals[] = {{"", 128 + 13}, {"trap '' PIPE; ", 1}};
  for (const auto& run : runs) {
    for (const auto& signal : signals) {
      SCOPED_TRACE(run.args[0] + " " + signal.trap);
      const std::string script = std::string(signal.trap) + "{ " + lyraCommand(run.args) + " 2>" +
                                 dir.path("err") + "; echo $? >" + dir.path("status") +
                                 "; } | head -n 1 >" + dir.path("out");
      ASSERT_EQ(0, system(script.c_str()));
      EXPECT_EQ(run.firstLine, readFile(dir.path("out")));
      EXPECT_EQ("", readFile(dir.path("err")));
      EXPECT_EQ(std::to_string(signal.status) + "\n", readFile(dir.path("status")));
    }
  }
}

// -o naming an input, by any path to the same file, is a usage error that leaves
// every file as it was.
TEST(CliTest, OutputThatIsAnInputIsRefused) {
  TempDir dir;
  const std::string copybook = dir.write("rec.cbl",
                                         "       01  R.\n"
                                         "           05  A  PIC X(2).\n"
                                         "           05  B  PIC 9(3).\n");
  const std::string data = dir.write("data.dat", "AB123CD456");
  const std::string xml = dir.path("rec.xml");
  ASSERT_EQ(0, lyra({"convert", copybook, "-o", xml}).status);
  const std::string hard = dir.path("hard.dat");
  const std::string soft = dir.path("soft.cbl");
  ASSERT_EQ(0, link(data.c_str(), hard.c_str()));
  ASSERT_EQ(0, symlink(copybook.c_str(), soft.c_str()));
  const std::string other = example("order_trailer.cbl");
  const std::string dotted = dir.path(".") + "/data.dat";
  const struct {
    std::vector<std::string> args;
    std::string output;
    std::string input;
  } cases[] = {
      {{"read", "-c", copybook, "-o", data, data}, data, data},
      {{"read", "-c", copybook, "-o", copybook, data}, copybook, copybook},
      {{"read", "-c", other + "=A", "-c", copybook + "=B", "--id-field", "0:PIC X", "-o", copybook,
        data},
       copybook,
       copybook},
      {{"read", "-x", xml, "--fixed", "-o", xml, data}, xml, xml},
      {{"read", "-c", copybook, "-o", hard, data}, hard, data},
      {{"read", "-c", copybook, "-o", dotted, data}, dotted, data},
      {{"convert", copybook, "-o", copybook}, copybook, copybook},
      {{"convert", copybook, "-o", soft}, soft, copybook},
  };
  const std::string copybookText = readFile(copybook);
  const std::string xmlText = readFile(xml);
  for (const auto& c : cases) {
    dir.write("data.dat", "AB123CD456");  // the same file as hard.dat
    dir.write("rec.cbl", copybookText);
    dir.write("rec.xml", xmlText);
    const Result run = lyra(c.args);
    const std::string command = "lyra " + c.args[0];
    EXPECT_EQ(2, run.status) << c.output;
    EXPECT_EQ(command + ": -o '" + c.output + "' would overwrite the input file '" + c.input +
                  "'\nTry '" + command + " --help' for more information.\n",
              run.err);
    EXPECT_EQ("AB123CD456", readFile(data));
    EXPECT_EQ(copybookText, readFile(copybook));
    EXPECT_EQ(xmlText, readFile(xml));
  }
  EXPECT_EQ("data.dat\nhard.dat\nrec.cbl\nrec.xml\nsoft.cbl\n", folderEntries(dir.path(".")));
}

// -o writes a temporary file next to the output and renames it into place when the
// records are written, also up to a bad record; a run that read nothing or could not
// write leaves the old file as it was. The file keeps its permissions, or a new one
// gets 0666 less the umask; a link to it stays a link. No temporary file is left.
TEST(CliTest, OutputIsReplacedOnlyOnceWritten) {
  const std::string written = "A,B\r\nAB,123\r\nCD,456\r\n";
  const struct {
    const char* setup;   // shell commands run before the tool
    const char* layout;  // rec.cbl or a missing one
    const char* data;    // good.dat, cut.dat (a bad second record), many.dat or missing
    const char* option;  // --fixed, or --typed, which csv refuses
    const char* output;  // old.csv ("OLD\n"), link.csv (to old.csv) or new.csv
    int oldMode;         // of old.csv
    int status;
    std::string want;  // the output afterwards; "OLD\n": as it was
    int mode;          // of the output afterwards
    std::string err;   // '@' stands for the folder
  } cases[] = {
      {"", "rec.cbl", "good.dat", "--fixed", "old.csv", 0640, 0, written, 0640, ""},
      {"umask 077;", "rec.cbl", "good.dat", "--fixed", "old.csv", 0604, 0, written, 0604, ""},
      {"", "rec.cbl", "good.dat", "--fixed", "link.csv", 0640, 0, written, 0640, ""},
      {"umask 027;", "rec.cbl", "good.dat", "--fixed", "new.csv", 0, 0, written, 0640, ""},
      {"umask 002;", "rec.cbl", "good.dat", "--fixed", "new.csv", 0, 0, written, 0664, ""},
      {"", "rec.cbl", "cut.dat", "--fixed", "old.csv", 0640, 1, "A,B\r\nAB,123\r\n", 0640,
       "lyra read: @cut.dat: record 2 at byte offset 5: Reached EOF on data file while reading "
       "data\n"},
      {"", "rec.cbl", "missing.dat", "--fixed", "old.csv", 0640, 1, "OLD\n", 0640,
       "lyra read: @missing.dat: No such file or directory\n"},
      {"", "missing.cbl", "good.dat", "--fixed", "old.csv", 0640, 1, "OLD\n", 0640,
       "lyra read: @missing.cbl: "},  // the library's message follows
      {"", "rec.cbl", "good.dat", "--typed", "old.csv", 0640, 2, "OLD\n", 0640,
       "lyra read: --typed applies to --format jsonl only\n"
       "Try 'lyra read --help' for more information.\n"},
      {"trap '' XFSZ; ulimit -f 1;", "rec.cbl", "many.dat", "--fixed", "old.csv", 0640, 1, "OLD\n",
       0640, "lyra read: cannot write @old.csv: File too large\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.setup) + " " + c.data + " " + c.output);
    TempDir dir;
    const std::string at = dir.path("");
    dir.write("rec.cbl",
              "       01  R.\n"
              "           05  A  PIC X(2).\n"
              "           05  B  PIC 9(3).\n");
    dir.write("good.dat", "AB123CD456");
    dir.write("cut.dat", "AB123CD4");
    std::string many;
    for (int i = 0; i < 2000; ++i) many += "AB123";
    dir.write("many.dat", many);
    ASSERT_EQ(0, chmod(dir.write("old.csv", "OLD\n").c_str(), c.oldMode));
    ASSERT_EQ(0, symlink("old.csv", dir.path("link.csv").c_str()));
    const std::string output = dir.path(c.output);
    const Result run =
        lyraAfter(c.setup, {"read", "-c", at + c.layout, c.option, "-o", output, at + c.data});
    EXPECT_EQ(c.status, run.status);
    std::string err = c.err;
    for (size_t i = err.find('@'); i != std::string::npos; i = err.find('@', i)) {
      err.replace(i, 1, at);
    }
    // All of standard error, or its start when the library's message follows.
    const bool whole = err.empty() || err.back() == '\n';
    EXPECT_EQ(err, whole ? run.err : run.err.substr(0, err.size()));
    EXPECT_EQ(c.want, readFile(output));
    EXPECT_EQ(c.mode, permissions(output));
    struct stat link;
    EXPECT_TRUE(lstat(dir.path("link.csv").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
    const bool created = std::string(c.output) == "new.csv" && c.status == 0;
    EXPECT_EQ(std::string("cut.dat\ngood.dat\nlink.csv\nmany.dat\n") +
                  (created ? "new.csv\n" : "") + "old.csv\nrec.cbl\n",
              folderEntries(dir.path(".")));
  }
}

// Any other kind of file, such as a named pipe, is written directly.
TEST(CliTest, OutputToANamedPipe) {
  TempDir dir;
  const std::string fifo = dir.path("fifo");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::string run = "cat '" + fifo + "' >'" + dir.path("sink") + "' & " +
                          lyraCommand(orders("OT", {"--limit", "1", "-o", fifo})) +
                          "; status=$?; wait; exit $status";
  EXPECT_EQ(0, exitStatus(system(run.c_str())));
  EXPECT_EQ(
      "OT-RECORD-TYPE,OT-ORDER-ID,OT-LINE-COUNT,OT-ORDER-TOTAL\r\n"
      "OT,00010001,3,000000056.03\r\n",
      readFile(dir.path("sink")));
  EXPECT_EQ("fifo\nsink\n", folderEntries(dir.path(".")));
}

// The README shows examples/host_example.cpp word for word, and the built program
// prints every column of the three customer records.
TEST(CliTest, ReadmeHostExample) {
  const std::string code = readFile(example("host_example.cpp"));
  EXPECT_NE(std::string::npos,
            readFile(LYRA_SOURCE_DIR "/README.md").find("\n```cpp\n" + code + "```\n"));
  const Result run = runProgram(LYRA_BINARY_DIR "/tools/lyra/lyra_host_example",
                                {example("custrec.cbl"), example("customers.dat")});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(3 * 14, std::count(run.out.begin(), run.out.end(), '\n'));  // heading, 13 columns
  EXPECT_NE(std::string::npos, run.out.find("record 2\n"
                                            "  CUST-ID            [000107]\n"
                                            "  CUST-NAME          [Bletchley Radio Ltd     ]\n"));
}

}  // namespace
