// End-to-end tests of the lyra tool's own plumbing on the bundled examples, a framed
// data file of tests/data/files and the README's host example; framing, ranges and
// decoding are the library's and tested there. Expected values come from the programs
// that wrote the files (examples/cobol/, tests/data/cobol/), decoded by hand.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::readFile;
using test_support::TempDir;

struct Result {
  int status;  // the exit status; some other value when the program was killed
  std::string out, err;
};

// A built program and its arguments as a shell command. No path or argument holds a
// single quote.
std::string lyraCommand(const std::vector<std::string>& args,
                        const std::string& program = LYRA_BINARY_DIR "/tools/lyra/lyra") {
  std::string command = "'" + program + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  return command;
}

// Runs a shell command, standard input from /dev/null and its output captured.
Result runCommand(const std::string& command) {
  TempDir dir;
  const int status =
      system((command + " </dev/null >" + dir.path("out") + " 2>" + dir.path("err")).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.path("out")),
          readFile(dir.path("err"))};
}

Result lyra(const std::vector<std::string>& args) {
  return runCommand(lyraCommand(args));
}

// Runs lyra and checks its exit status, standard output and standard error.
void expectLyra(const std::vector<std::string>& args, int status, const std::string& out,
                const std::string& err = "") {
  SCOPED_TRACE(lyraCommand(args, "lyra"));
  const Result run = lyra(args);
  EXPECT_EQ(status, run.status);
  EXPECT_EQ(out, run.out);
  EXPECT_EQ(err, run.err);
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

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

// shipments_le.dat of tests/data/files/framed.tsv and the options that read it.
const std::string FRAMED = dataPath("files/shipments_le.dat");
const std::vector<std::string> FRAMED_OPTIONS{"--record-format", "rdw", "--rdw-little-endian",
                                              "--rdw-excludes-header"};

// A record of a 2-character text and a 3-digit number.
const char* const REC = "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n";

// Output lengths: at least 5; 2 binary bytes hold 5 digits and a sign; a signed real
// of 11 digits needs 13 (sign, digits, point). Storage: 9(4) COMP takes 2 bytes,
// S9(9)V99 COMP-3 (11 digits and a sign) 6.
const char* const TRAILER_COLUMNS =
    "INDEX  NAME            TYPE     LENGTH  OFFSET  STORAGE  USAGE\n"
    "0      OT-RECORD-TYPE  string   5       0       2        display\n"
    "1      OT-ORDER-ID     integer  8       2       8        display\n"
    "2      OT-LINE-COUNT   integer  6       10      2        binary\n"
    "3      OT-ORDER-TOTAL  real     13      12      6        packed\n"
    "Maximum record length: 18\n";

// A converted layout is read back by content, whatever its name, also after a byte
// order mark and blank lines.
TEST(CliTest, ColumnsTreeAndConvertedLayout) {
  TempDir dir;
  expectLyra({"columns", example("order_trailer.cbl")}, 0, TRAILER_COLUMNS);
  const Result tree = lyra({"tree", example("order_trailer.cbl")});
  EXPECT_EQ(0, tree.status);
  EXPECT_NE(std::string::npos, tree.out.find("     [OT-ORDER-TOTAL]->5\n"
                                             "     -->name=OT-ORDER-TOTAL\n"));
  const std::string xml = dir.path("trailer.layout");
  expectLyra({"convert", example("order_trailer.cbl"), "-o", xml}, 0, "");
  expectLyra({"columns", xml}, 0, TRAILER_COLUMNS);
  const std::string marked = dir.write("marked.cbl", "\xEF\xBB\xBF\n  \t" + readFile(xml));
  expectLyra({"columns", marked}, 0, TRAILER_COLUMNS);
}

// Where each column lies, worked out from the copybook: ADR-L reaches 2 bytes past
// ADR, so T starts at 6 and the record ends at 12, not at the 10 of the items that
// are no redefinitions; T's repetitions and Z move with N's count. S9(3) COMP-3 takes
// 2 bytes. The ISO-8859-1 name K\xC4 comes out in UTF-8, its column as wide as its
// characters.
TEST(CliTest, ColumnsPlaceEachColumn) {
  TempDir dir;
  const std::string copybook =
      dir.write("v.cbl",
                "       01  R.\n"
                "           05  N      PIC 9.\n"
                "           05  ADR    PIC X(3).\n"
                "           05  ADR-L  REDEFINES ADR PIC X(5).\n"
                "           05  T      OCCURS 1 TO 2 TIMES DEPENDING ON N.\n"
                "               10  K\xC4  PIC X(2).\n"
                "           05  Z      PIC S9(3) COMP-3.\n");
  expectLyra({"columns", copybook}, 0,
             "INDEX  NAME   TYPE     LENGTH  OFFSET  STORAGE  USAGE\n"
             "0      N      integer  5       0       1        display\n"
             "1      ADR    string   5       1       3        display\n"
             "2      ADR-L  string   5       1       5        display\n"
             "3      K\u00C4     string   5       6*      2        display\n"
             "4      K\u00C4_1   string   5       8*      2        display\n"
             "5      Z      integer  5       10*     2        packed\n"
             "* the offset varies from record to record with the count of a table of OCCURS\n"
             "  DEPENDING ON; it is shown with every such table at its maximum\n"
             "Maximum record length: 12\n");
  const auto row = [](int index, const std::string& name, const char* type, int offset, int storage,
                      const char* usage, bool variable) {
    return "    {\"index\": " + std::to_string(index) + ", \"name\": \"" + name +
           "\", \"type\": \"" + type + "\", \"length\": 5, \"offset\": " + std::to_string(offset) +
           ", \"storage\": " + std::to_string(storage) + ", \"usage\": \"" + usage +
           "\", \"variable\": " + (variable ? "true" : "false") + "}";
  };
  expectLyra({"columns", "--format", "json", copybook}, 0,
             "{\n  \"record_length\": 12,\n  \"columns\": [\n" +
                 row(0, "N", "integer", 0, 1, "display", false) + ",\n" +
                 row(1, "ADR", "string", 1, 3, "display", false) + ",\n" +
                 row(2, "ADR-L", "string", 1, 5, "display", false) + ",\n" +
                 row(3, "K\u00C4", "string", 6, 2, "display", true) + ",\n" +
                 row(4, "K\u00C4_1", "string", 8, 2, "display", true) + ",\n" +
                 row(5, "Z", "integer", 10, 2, "packed", true) + "\n  ]\n}\n");
}

// The layout options change the layout the layout commands show: COMP-1 and COMP-2
// items are real columns with a float format, national items take 2 bytes per
// position (national.cpy: 3 + 20 + 12 + 4 bytes, 3 + 10 + 6 + 4 with one each).
TEST(CliTest, LayoutOptionsChangeTheLayout) {
  const std::string measures = dataPath("copybooks/measures.cpy");
  const Result floats = lyra({"columns", "--float-format", "ibm", measures});
  EXPECT_EQ(0, floats.status) << floats.err;
  for (const char* row : {"\n2      M-RATE    real ", "\n3      M-VALUE   real ",
                          "\n4      M-PEAK    real ", "Maximum record length: 63\n"}) {
    EXPECT_NE(std::string::npos, floats.out.find(row)) << row << "\n" << floats.out;
  }
  const std::string national = dataPath("copybooks/national.cpy");
  EXPECT_NE(
      std::string::npos,
      lyra({"columns", "--national-utf16", national}).out.find("Maximum record length: 39\n"));
  EXPECT_NE(std::string::npos, lyra({"columns", national}).out.find("Maximum record length: 23\n"));
}

// The copybook options end to end on tests/data/copybooks/dialects: COPY members from
// the copybook's folder and the copy path, free form, a margin past column 72, and
// --strict for the classic rules; the level check looks inside members too, and 'lyra
// read' takes the same options.
TEST(CliTest, CopybookDialectOptions) {
  const std::string folder = dataPath("copybooks/dialects");
  const std::string customer = folder + "/customer.cpy", copylib = folder + "/copylib";
  const std::string free = folder + "/free.cpy", wide = folder + "/wide.cpy";
  const std::string listing = folder + "/listing.cpy";
  const std::string wideColumns = "Maximum record length: 27\n";
  TempDir dir;
  const std::string member = dir.write("member.cpy",
                                       "           05  A  PIC X.\n"
                                       "           120 B  PIC X.\n");
  const std::string main = dir.write("main.cpy", "       01  R.\n           COPY MEMBER.\n");
  dir.write("ok.cpy", "           05  A  PIC X.\n");
  const std::string after =
      dir.write("after.cpy", "       01  R.\n           COPY OK.\n           120 B  PIC X.\n");
  const std::string empty = dir.write("empty.dat", "");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err = "";
  } cases[] = {
      {{"columns", "--copy-path", copylib, customer}, 0, "Maximum record length: 164\n"},
      {{"columns", customer},
       1,
       "",
       "lyra columns: " + customer + ": COPY member not found: custphon (searched: " + folder +
           "), Line: 10 in " + customer + "\n"},
      {{"read", "-q", "-c", customer, "--copy-path", copylib, empty},
       0,
       "CUST-ID,CUST-NAME,BILL-STREET,BILL-CITY,BILL-ZIP,SHIP-STREET,SHIP-CITY,SHIP-ZIP,"
       "CUST-PH-HOME,CUST-PH-MOBILE,CUST-VISITS\r\n"},
      {{"columns", "--source-format", "free", free}, 0, "Maximum record length: 68\n"},
      {{"columns", free}, 1, "", "lyra columns: " + free + ": Invalid level number, Line: 2\n"},
      {{"columns", "--margin", "80", wide}, 0, wideColumns},
      {{"columns", "--margin", "none", wide}, 0, wideColumns},
      {{"columns", wide},
       1,
       "",
       "lyra columns: " + wide + ": No syntax match found for statement, Line: 5\n"},
      {{"tree", "--strict", listing},
       1,
       "",
       "lyra tree: " + listing + ": Invalid level number, Line: 5\n"},
      {{"convert", main, "-o", dir.path("main.xml")},
       1,
       "",
       "lyra convert: " + main + ": Invalid level number, Line: 2 in " + member + "\n"},
      {{"columns", after}, 1, "", "lyra columns: " + after + ": Invalid level number, Line: 3\n"},
      {{"columns", "--margin", "7", wide},
       2,
       "",
       "lyra columns: invalid --margin '7': give a column from 8 to 4096, or none\n"
       "Try 'lyra columns --help' for more information.\n"},
      {{"columns", "--source-format", "card", wide},
       2,
       "",
       "lyra columns: unknown --source-format 'card': use fixed or free\n"
       "Try 'lyra columns --help' for more information.\n"},
  };
  // The columns of these copybooks are checked through the library; here, that the
  // options reach it.
  for (const auto& c : cases) {
    if (c.out.rfind("Maximum", 0) != 0) {
      expectLyra(c.args, c.status, c.out, c.err);
      continue;
    }
    const Result run = lyra(c.args);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find(c.out)) << run.out;
  }
  const Result tolerant = lyra({"columns", listing});
  EXPECT_EQ(0, tolerant.status) << tolerant.err;
  EXPECT_NE(std::string::npos, tolerant.out.find("Maximum record length: 61\n"));
}

// CSV: a field holding a comma or a quote is quoted, its quotes doubled; blanks are
// kept; notes beyond the note count are empty; ISO-8859-1 text comes out in UTF-8. A
// table column is as wide as its name or output length, numbers right-aligned. Typed
// JSON lines write numbers as numbers, a value that is no number as null, and escape a
// quote and a control character. An empty first value (a display field that starts
// with a zero byte ends there) keeps its comma; a file with no records gives the header
// alone.
TEST(CliTest, OutputFormats) {
  expectLyra(
      orders("OH", {}), 0,
      "OH-RECORD-TYPE,OH-ORDER-ID,OH-ORDER-DATE,OH-CUSTOMER-NAME,OH-SHIP-CITY,OH-PRIORITY,"
      "OH-NOTE-COUNT,OH-NOTE,OH-NOTE_1,OH-NOTE_2\r\n"
      "OH,00010001,20240305,\"Smith, \"\"Bob\"\" & Sons           \",Leeds           ,E,2,"
      "Leave at side door  ,\"Call first, please  \",\r\n"
      "OH,00010002,20240306,M\xC3\xBCller Werkzeuge GmbH         ,Hamburg         ,S,0,,,\r\n"
      "OH,00010003,20240307,O'Neil Hardware               ,Cork            ,E,1,"
      "\"Fragile: \"\"glass\"\"    \",,\r\n");
  expectLyra(orders("OT", {"--format", "table", "--limit", "1"}), 0,
             "OT-RECORD-TYPE  OT-ORDER-ID  OT-LINE-COUNT  OT-ORDER-TOTAL\n"
             "--------------  -----------  -------------  --------------\n"
             "OT                 00010001              3    000000056.03\n");
  TempDir dir;
  const std::string typed = dir.write(
      "typed.cbl",
      "       01  R.\n       05  A  PIC SV99 SIGN TRAILING SEPARATE.\n"
      "       05  B  PIC S9(3) COMP-3.\n       05  C  PIC 9(3).\n       05  E  PIC 9(3)V99.\n"
      "       05  G  PIC S9(3)V9 SIGN LEADING SEPARATE.\n       05  F  PIC X(3).\n");
  expectLyra({"read", "-c", typed, "--format", "jsonl", "--typed",
              dir.write("typed.dat", "05-\x12\x34   00750+0012\"\x01\xE9")},
             0,
             R"({"A":-0.05,"B":null,"C":null,"E":7.50,"G":1.2,"F":"\"\u0001)"
             "\xC3\xA9\"}\n");
  const std::string rec = dir.write("rec.cbl", REC);
  const std::string zeros =
      dir.write("zeros", std::string(2, '\0') + "042" + std::string("\0B", 2) + "007");
  const std::string none = dir.write("none", "");
  // Zero bytes read as blanks by default; they can end the text, or stay.
  expectLyra({"read", "-c", rec, "--fixed", zeros}, 0, "A,B\r\n  ,042\r\n B,007\r\n");
  expectLyra({"read", "-c", rec, "--fixed", "--zero-bytes", "end", zeros}, 0,
             "A,B\r\n,042\r\n,007\r\n");
  expectLyra({"read", "-c", rec, "--fixed", "--zero-bytes", "keep", "--format", "jsonl", zeros}, 0,
             "{\"A\":\"\\u0000\\u0000\",\"B\":\"042\"}\n{\"A\":\"\\u0000B\",\"B\":\"007\"}\n");
  expectLyra({"read", "-c", rec, "--fixed", none}, 0, "A,B\r\n");
  expectLyra({"read", "-c", rec, "--format", "jsonl", none}, 0, "");
}

// The members of a flat JSON object on one line, as `lyra read --format jsonl`
// writes it: names and strings without their quotes and with \" and \\ undone (the
// data holds no other escape), numbers and null as they stand.
std::vector<std::pair<std::string, std::string>> jsonMembers(const std::string& line) {
  std::vector<std::pair<std::string, std::string>> members;
  const auto item = [&line](size_t* at, std::string* text) {
    text->clear();
    if (*at < line.size() && line[*at] != '"') {
      const size_t end = std::min(line.find_first_of(",}", *at), line.size());
      text->assign(line, *at, end - *at);
      *at = end;
      return true;
    }
    for (++*at; *at < line.size() && line[*at] != '"'; ++*at) {
      if (line[*at] == '\\') ++*at;
      if (*at < line.size()) text->push_back(line[*at]);
    }
    return (*at)++ < line.size();
  };
  std::string name, value;
  for (size_t at = 1; !line.empty() && line[0] == '{';) {
    if (!item(&at, &name) || line[at++] != ':' || !item(&at, &value)) break;
    members.emplace_back(name, value);
    if (at >= line.size() || line[at++] != ',') break;
  }
  return members;
}

// A value against its expected text (tests/data/README.md): floats by value, COMP-1
// columns (M-RATE, M-PEAK) as binary32 and COMP-2 columns (M-VALUE, M-MEAN) as
// binary64, the whole text a number; every other value as text.
bool sameValue(const std::string& column, const std::string& want, const std::string& got) {
  char* end = nullptr;
  if (column == "M-RATE" || column == "M-PEAK") {
    const float value = std::strtof(got.c_str(), &end);
    return !got.empty() && *end == '\0' && value == std::strtof(want.c_str(), nullptr);
  }
  if (column == "M-VALUE" || column == "M-MEAN") {
    const double value = std::strtod(got.c_str(), &end);
    return !got.empty() && *end == '\0' && value == std::strtod(want.c_str(), nullptr);
  }
  return want == got;
}

// Code pages, floats, native binary and UTF-16 national text, end to end: typed JSON
// lines of each data file against every value of its .expected (record, column,
// value; numbers in the canonical form that --typed writes), UTF-8 text exactly.
// 273 and 1141 differ in the byte 9F alone, read as the currency sign and as the
// euro sign; the latin1 file is read with no option, its bytes as they stand.
// The flags reach the reader: every value of a file per flag (every character set
// is checked through the library).
TEST(CliTest, CodePagesFloatsAndNationalText) {
  const struct {
    const char* copybook;
    const char* data;
    std::vector<std::string> options;
  } cases[] = {
      {"kunden.cpy", "kunden_273.dat", {"--code-page", "273"}},
      {"kunden.cpy", "kunden_1141.dat", {"--code-page", "IBM-1141"}},
      {"measures.cpy", "measures.dat", {"--float-format", "ieee-le", "--comp5-little-endian"}},
      {"measures.cpy", "measures_be.dat", {"--float-format", "ieee", "--binary-little-endian"}},
      {"national.cpy", "national.dat", {"--national-utf16"}},
  };
  for (const auto& c : cases) {
    const std::string data = dataPath(std::string("files/") + c.data);
    std::vector<std::string> args{
        "read",     "-c",    dataPath(std::string("copybooks/") + c.copybook),
        "--format", "jsonl", "--typed"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(data);
    SCOPED_TRACE(lyraCommand(args, "lyra"));
    const Result run = lyra(args);
    ASSERT_EQ(0, run.status) << run.err;
    const std::vector<std::string> records = lines(run.out);
    size_t checked = 0;
    for (const std::string& line : lines(readFile(data + ".expected"))) {
      std::istringstream fields(line);
      std::string record, column, want;
      std::getline(fields, record, '\t');
      std::getline(fields, column, '\t');
      std::getline(fields, want);
      const size_t index = std::stoul(record) - 1;
      ASSERT_LT(index, records.size());
      std::string got = "(missing)";
      for (const auto& member : jsonMembers(records[index])) {
        if (member.first == column) got = member.second;
      }
      EXPECT_TRUE(sameValue(column, want, got)) << record << " " << column << ": " << got;
      ++checked;
    }
    EXPECT_LT(20u, checked);
  }
}

// --trace: the copybook's text is ISO-8859-1 (the literal 'é', byte E9) and a value
// UTF-8 (ü, read from UTF-8); each comes out in UTF-8 once.
// Record types as redefinitions of one area, chosen by the identifier.
TEST(CliTest, SegmentsByIdentifier) {
  TempDir dir;
  const std::string copybook =
      dir.write("seg.cbl",
                "       01  R.\n           05  REC-TYPE  PIC X(2).\n           05  SEG-A.\n"
                "               10  A-NAME  PIC X(5).\n               10  A-QTY  PIC 9(3).\n"
                "           05  SEG-B REDEFINES SEG-A.\n               10  B-CODE  PIC X(2).\n"
                "           05  TRAILER  PIC X(2).\n");
  const std::string data = dir.write("seg.dat", "01ALPHA007ZZ02XYZZ");
  expectLyra({"read", "-c", copybook, "--id-field", "0:PIC X(2)", "--segment", "SEG-A=01",
              "--segment", "SEG-B=02", data},
             0, "REC-TYPE,A-NAME,A-QTY,B-CODE,TRAILER\r\n01,ALPHA,007,,ZZ\r\n02,,,XY,ZZ\r\n");
  expectLyra({"read", "-c", copybook, "--segment", "SEG-A=01", data}, 2, "",
             "lyra read: --segment needs --id-field OFFSET:CLAUSES\n"
             "Try 'lyra read --help' for more information.\n");
  expectLyra(
      {"read", "-c", copybook, "--id-field", "0:PIC X(2)", "--segment", "B-CODE=02", data}, 1, "",
      "lyra read: --segment B-CODE=02: Segment item B-CODE neither redefines nor is redefined\n");
}

TEST(CliTest, TraceLinesAreUtf8) {
  TempDir dir;
  const std::string copybook =
      dir.write("l.cbl", "       01  R.\n        05  A  PIC X(2) VALUE '\xE9'.\n");
  const Result run = lyra(
      {"read", "-c", copybook, "--code-page", "utf8", "--trace", dir.write("l.dat", "\xC3\xBC")});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("A\r\n\xC3\xBC\r\n", run.out);
  EXPECT_NE(std::string::npos, run.err.find("LINE 2 PARSE: 05  A  PIC X(2) VALUE '\xC3\xA9'\n"))
      << run.err;
  EXPECT_NE(std::string::npos, run.err.find("Column: (A), Data: (\xC3\xBC), File Offset: 0"))
      << run.err;
}

// `lyra read` or `lyra splits` of the framed file with its options and more.
Result framed(std::vector<std::string> args, const std::vector<std::string>& more) {
  if (args[0] == "read") args.insert(args.end(), {"-c", dataPath("copybooks/shipment.cpy")});
  args.insert(args.end(), FRAMED_OPTIONS.begin(), FRAMED_OPTIONS.end());
  args.insert(args.end(), more.begin(), more.end());
  args.push_back(FRAMED);
  return lyra(args);
}

// A real file of descriptor words in little-endian order that count only the record,
// read whole: as many records as were written, each at the number and offset where the
// generator placed it (<file>.offsets: number, offset, length, end, split point). The
// split points, as --range and --first-record, cut the file into ranges that give
// every record once, at its number.
TEST(CliTest, FramedFileReadWholeAndInRanges) {
  const std::vector<std::string> read{"read", "--format", "jsonl", "--with-position"};
  const Result whole = framed(read, {});
  EXPECT_EQ(0, whole.status) << whole.err;
  std::vector<std::string> placed = lines(readFile(FRAMED + ".offsets"));
  placed.erase(placed.begin());  // the heading
  const std::vector<std::string> records = lines(whole.out);
  ASSERT_EQ(placed.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    std::istringstream fields(placed[i]);
    std::string number, offset;
    fields >> number >> offset;
    EXPECT_EQ(0u, records[i].rfind("{\"_record\":" + number + ",\"_offset\":" + offset + ",", 0))
        << records[i];
  }
  EXPECT_NE(std::string::npos, records[0].find("\"SHP-ID\":\"SH24000101\",")) << records[0];
  const Result points = framed({"splits", "--every", "200"}, {});
  ASSERT_EQ(0, points.status) << points.err;
  const std::vector<std::string> found = lines(points.out);  // offset, tab, record number
  ASSERT_LT(2u, found.size());
  std::string joined;
  for (size_t i = 0; i < found.size(); ++i) {
    const std::string point = found[i].substr(0, found[i].find('\t'));
    const std::string end =
        i + 1 < found.size() ? found[i + 1].substr(0, found[i + 1].find('\t')) : "";
    const Result part = framed(
        read, {"--range", point + ":" + end, "--first-record", found[i].substr(point.size() + 1)});
    EXPECT_EQ(0, part.status) << part.err;
    joined += part.out;
  }
  EXPECT_EQ(whole.out, joined);
}

// A bad record stops the read: records are counted from 1 over the whole file, and
// the records before it are written (orders.dat: OL 570-638, OL 639-707, so the
// header row and five order lines). In a range that knows no record numbers, the
// message gives the offset alone. --max-errors passes over up to N bad records (all,
// with --rejects alone); --rejects keeps their bytes, line ends included, and a JSON
// line about each. Any record passed over makes the status 1, and the last message
// gives their count. A read of standard input ("-") stops the same way.
TEST(CliTest, BadRecordsStopTheReadOrArePassedOver) {
  TempDir dir;
  const std::string cut = dir.write("cut.dat", readFile(example("orders.dat")).substr(0, 700));
  const Result stopped = lyra(orders("OL", {}, cut));
  EXPECT_EQ(1, stopped.status);
  EXPECT_EQ(6u, lines(stopped.out).size());
  EXPECT_EQ("lyra read: " + cut +
                ": record 11 at byte offset 639: Reached EOF on data file while reading data\n",
            stopped.err);
  const std::string rec = dir.write("rec.cbl", REC);
  const std::string text = dir.write("lines", "AB123\nAB1234\nCD456\nCD45678\nEF789\n");
  const std::string rejects = dir.path("rejects");
  const std::string longer = "Line of 6 bytes is longer than its layout, which reads 5";
  const std::string longest = "Line of 7 bytes is longer than its layout, which reads 5";
  expectLyra({"read", "-c", rec, "--record-format", "lines", "--range", "1:", text}, 1, "A,B\r\n",
             "lyra read: " + text + ": record at byte offset 6: " + longer + "\n");
  expectLyra({"read", "-c", rec, "--record-format", "lines", "--rejects", rejects, "--max-errors",
              "1", text},
             1, "A,B\r\nAB,123\r\nCD,456\r\n",
             "lyra read: " + text + ": record 4 at byte offset 19: " + longest +
                 "\nlyra read: 1 bad record skipped\n");
  EXPECT_EQ("AB1234\n", readFile(rejects));
  EXPECT_EQ("{\"record\": 2, \"offset\": 6, \"length\": 7, \"reason\": \"" + longer + "\"}\n",
            readFile(rejects + ".jsonl"));
  expectLyra(
      {"read", "-c", rec, "--record-format", "lines", "--rejects", rejects, "--range", "1:", text},
      1, "A,B\r\nCD,456\r\nEF,789\r\n", "lyra read: 2 bad records skipped\n");
  EXPECT_EQ("AB1234\nCD45678\n", readFile(rejects));
  EXPECT_EQ("{\"record\": null, \"offset\": 6, \"length\": 7, \"reason\": \"" + longer +
                "\"}\n{\"record\": null, \"offset\": 19, \"length\": 8, \"reason\": \"" + longest +
                "\"}\n",
            readFile(rejects + ".jsonl"));
  // "-" reads standard input, here a pipe, named so in messages; -o "./-" writes a file,
  // replaced by the records before the bad one.
  dir.write("-", "OLD\n");
  const Result piped = runCommand(
      "{ cd '" + dir.path(".") + "' && cat lines | " +
      lyraCommand({"read", "-c", rec, "--record-format", "lines", "-o", "./-", "-"}) + "; }");
  EXPECT_EQ(1, piped.status);
  EXPECT_EQ("lyra read: standard input: record 2 at byte offset 6: " + longer + "\n", piped.err);
  EXPECT_EQ("A,B\r\nAB,123\r\n", readFile(dir.path("-")));
}

// `lyra read` with the arguments on the given threads, in chunks of the given bytes.
Result readOnThreads(std::vector<std::string> args, const char* threads, const char* chunk) {
  args.insert(args.begin() + 1, {"--threads", threads, "--chunk-size", chunk});
  return lyra(args);
}

// Many threads write what one thread writes, byte for byte, with the same messages,
// exit status and rejects: 2, 3 and 7 threads, in chunks of 1 byte (a range at every
// record), 37 bytes (boundaries inside records) or 500 bytes (ranges of several
// records). Fixed records, lines, rdw and vb records in each output format, also
// cut short by --limit or in a --range that starts inside a line; bad records in the middle stop
// the read, or are passed over up to --max-errors and kept with --rejects; a descriptor word that
// cannot be trusted stops the read. Each one-thread run is checked against what the file holds
// (rows with the header, from tests/data/README.md, and the exit status), so that no
// comparison is between two failed reads.
TEST(CliTest, ThreadsWriteWhatOneThreadWrites) {
  TempDir dir;
  const std::string customers = dataPath("copybooks/custmast.cpy");
  const std::string payroll = dataPath("copybooks/payroll.cpy");
  const std::string rdw = readFile(dataPath("files/customers_rdw.dat"));
  // A record of zero length before record 4 (a bad record), a word of FF bytes in
  // place of record 6's (no way on).
  const std::string zeroLength =
      dir.write("zero.rdw", rdw.substr(0, 612) + std::string("\0\4\0\0", 4) + rdw.substr(612));
  const std::string badWord =
      dir.write("bad.rdw", rdw.substr(0, 1020) + "\xFF\xFF\xFF\xFF" + rdw.substr(1024));
  std::string text = readFile(dataPath("files/payroll.txt"));
  size_t lineEnd = 0;
  for (int line = 0; line < 5; ++line) lineEnd = text.find('\n', lineEnd) + 1;
  const std::string longLine = dir.write("long.txt", text.insert(lineEnd - 1, "XY"));
  // Record 9, a DT record, with an identifier no layout has.
  std::string txn = readFile(dataPath("files/txn_fixed120.dat"));
  const std::string unknownId = dir.write("txn.dat", txn.replace(8 * 120, 2, "ZZ"));
  const std::vector<std::string> txnLayouts{"--id-field", "0:PIC X(2)",
                                            "-c",         dataPath("copybooks/txnhdr.cpy") + "=HD",
                                            "-c",         dataPath("copybooks/txndtl.cpy") + "=DT",
                                            "-c",         dataPath("copybooks/txntrl.cpy") + "=TR",
                                            "--active",   "DT",
                                            "--fixed=120"};
  const std::string rejects = dir.path("rejects");
  const struct {
    std::vector<std::string> args;
    int status;
    size_t rows;
  } cases[] = {
      {{"-c", customers, "--fixed", "--format", "table", dataPath("files/customers.dat")}, 0, 14},
      {{"-c", customers, "--fixed", "--format", "jsonl", "--with-position", "--limit", "5",
        dataPath("files/customers.dat")},
       0,
       5},
      {{"-c", payroll, "--record-format", "lines", "--with-position",
        dataPath("files/payroll.txt")},
       0,
       11},
      {{"-c", payroll, "--record-format", "lines", "--with-position", "--range",
        "150:", "--first-record", "3", dataPath("files/payroll.txt")},
       0,
       9},
      {{"-c", customers, "--record-format", "rdw", "--ebcdic", "--format", "jsonl",
        "--with-position", dataPath("files/customers_rdw.dat")},
       0,
       12},
      {{"-c", customers, "--record-format", "vb", "--ebcdic", "--with-position",
        dataPath("files/customers_vb.dat")},
       0,
       13},
      {{"-c", customers, "--record-format", "vb", "--ebcdic", "--format", "table", "--limit", "7",
        dataPath("files/customers_vb.dat")},
       0,
       9},
      {{"-c", customers, "--record-format", "rdw", "--ebcdic", zeroLength}, 1, 4},
      {{"-c", customers, "--record-format", "rdw", "--ebcdic", "--rejects", rejects,
        "--with-position", zeroLength},
       1,
       13},
      {{"-c", customers, "--record-format", "rdw", "--ebcdic", "--max-errors", "all", badWord},
       1,
       6},
      {{"-c", payroll, "--record-format", "lines", "--format", "jsonl", longLine}, 1, 4},
      {{"-c", payroll, "--record-format", "lines", "--max-errors", "1", "--rejects", rejects,
        "--limit", "8", longLine},
       1,
       9},
      {{"--max-errors", "1", "--format", "jsonl", "--with-position", unknownId}, 1, 8},
      {{"--limit", "6", unknownId}, 1, 6},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    if (args.back() == unknownId) args.insert(args.begin(), txnLayouts.begin(), txnLayouts.end());
    args.insert(args.begin(), "read");
    SCOPED_TRACE(lyraCommand(args, "lyra"));
    const Result one = readOnThreads(args, "1", "1");
    const std::string kept = readFile(rejects) + readFile(rejects + ".jsonl");
    ASSERT_EQ(c.status, one.status) << one.err;
    ASSERT_EQ(c.rows, lines(one.out).size());
    const std::pair<const char*, const char*> runs[] = {
        {"2", "1"}, {"2", "500"}, {"3", "37"}, {"7", "1"}, {"7", "37"}};  // threads, chunk
    for (const auto& [threads, chunk] : runs) {
      SCOPED_TRACE(std::string(threads) + " threads, chunks of " + chunk);
      const Result many = readOnThreads(args, threads, chunk);
      EXPECT_EQ(one.status, many.status);
      EXPECT_EQ(one.out, many.out);
      EXPECT_EQ(one.err, many.err);
      EXPECT_EQ(kept, readFile(rejects) + readFile(rejects + ".jsonl"));
    }
  }
}

// Help goes to standard output with status 0; errors give one line first on standard
// error and nothing on standard output: 2 for usage, 1 for data and layout errors.
// Layouts without fields and level numbers above 99 are refused at load by every
// command; an output that is also an input (by any path) is refused before anything
// is opened, and the inputs stay as they were.
TEST(CliTest, ExitStatusAndFirstLine) {
  TempDir dir;
  const std::string missing = dir.path("missing.cbl");
  const std::string out = dir.path("out.xml");
  const std::string noField =
      dir.write("no_field.xml", "<CCBLayout><node type=\"root\"/></CCBLayout>");
  const std::string big = dir.write("big.cbl", "       01  R.\n        100  A  PIC X(10).\n");
  const std::string rec = dir.write("rec.cbl", REC);
  const std::string recData = dir.write("rec.dat", "AB123CD456");
  const std::string hard = dir.path("hard.dat");
  ASSERT_EQ(0, link(recData.c_str(), hard.c_str()));
  // An error follows "lyra COMMAND: " unless it starts with "lyra" or "Usage".
  const auto check = [](const std::vector<std::string>& args, int status,
                        const std::string& message) {
    const bool whole =
        status == 0 || message.rfind("lyra", 0) == 0 || message.rfind("Usage", 0) == 0;
    const std::string first = whole ? message : "lyra " + args[0] + ": " + message;
    const Result run = lyra(args);
    EXPECT_EQ(status, run.status) << first;
    EXPECT_EQ(first + "\n", (status == 0 ? run.out : run.err).substr(0, first.size() + 1));
    EXPECT_EQ("", status == 0 ? run.err : run.out) << first;
  };
  const auto overwrites = [](const std::string& option, const std::string& output,
                             const std::string& input) {
    return option + " '" + output + "' would overwrite the input file '" + input + "'";
  };
  check({"read", "--help"}, 0, "Usage: lyra read [options] DATAFILE");
  check({}, 2, "Usage: lyra COMMAND [options] [arguments]");
  check({"tree", "--bogus", "a.cbl"}, 2, "unknown option '--bogus'");
  check({"columns"}, 2, "no layout file given");
  check({"read", "-c", rec, "--skip", "-1", recData}, 2,
        "invalid --skip '-1': expected a whole number of at least 0");
  check({"read", "-c", rec, "--threads", "0", recData}, 2,
        "invalid --threads '0': expected a whole number of at least 1");
  check({"read", "-c", rec, "--typed", recData}, 2,
        "--typed applies to --format jsonl only\nTry 'lyra read --help' for more information.");
  check({"read", "-c", rec, "--fixed", "--range", "106:", "-"}, 2,
        "--range needs a data file: standard input cannot seek");
  check({"splits", "--record-format", "fixed", "--every", "10", recData}, 2,
        "fixed records need no split points: a range of them may start at any byte");
  check({"read", "-c", rec, missing}, 1, missing + ": No such file or directory");
  check({"read", "-c", rec, "-o", "/dev/full", recData}, 1,
        "cannot write /dev/full: No space left on device");
  check({"read", "-c", rec, "--skip", "3000000000", recData}, 1,
        recData + ": the file is 10 bytes long, shorter than --skip 3000000000");
  check({"convert", noField, "-o", out}, 1, noField + ": the layout has no fields");
  check({"columns", big}, 1, big + ": Invalid level number, Line: 2");
  check({"columns", dir.write("level99.cbl", "       01  R.\n        99  A  PIC X(10).\n")}, 0,
        "INDEX  NAME  TYPE    LENGTH  OFFSET  STORAGE  USAGE");
  check({"columns", "--format", "csv", big}, 2, "unknown --format 'csv': use table or json");
  // The level check parses with the layout options: past a COMP-1 item only with them.
  const std::string floatBig =
      dir.write("float_big.cbl", "       01  R.\n        05  F  COMP-1.\n        100  A  PIC X.\n");
  check({"tree", "--float-format", "ieee", floatBig}, 1,
        floatBig + ": Invalid level number, Line: 3");
  const std::string measures = dataPath("copybooks/measures.cpy");
  check({"read", "-c", measures, dataPath("files/measures.dat")}, 1,
        measures + ": Invalid or unknown usage clause, Line: 12");
  check({"read", "-c", rec, "--code-page", "ebcdic", recData}, 2,
        "unknown --code-page 'ebcdic': use an EBCDIC page (037, 273, 277, 278, 280, 284, 285, 297, "
        "500, 871, 1047, 1140 to 1149), latin1, cp1252 or utf8");
  check({"read", "-c", rec, "--ebcdic", "--code-page", "cp273", recData}, 2,
        "--ebcdic means --code-page 037: it does not go with --code-page cp273");
  check({"columns", "--float-format", "vax", measures}, 2,
        "unknown --float-format 'vax': use ibm, ieee or ieee-le");
  check({"read", "-c", rec, "--fixed", "-o", hard, recData}, 2, overwrites("-o", hard, recData));
  check({"read", "-c", rec, "--fixed", "--rejects", recData, recData}, 2,
        overwrites("--rejects", recData, recData));
  check({"read", "-c", rec, "--fixed", "--rejects", out, "-o", out + ".jsonl", recData}, 2,
        "--rejects '" + out + ".jsonl' and -o '" + out + ".jsonl' name one file");
  EXPECT_EQ(REC, readFile(rec));
  EXPECT_EQ("AB123CD456", readFile(recData));
  EXPECT_NE(0, access(out.c_str(), F_OK));
}

// -o writes a temporary file next to the output and renames it into place when the
// command ends; when writing failed, the old file stays. A replaced file keeps its permissions, a
// new one gets 0666 less the umask, a link stays a link. No temporary file is left.
TEST(CliTest, OutputIsReplacedOnceWritten) {
  // setup: shell commands run before the tool. data: good or many (10000 bytes). output: old.csv
  // ("OLD\n", mode 0604), link.csv (to old.csv) or new.csv; want and mode: what it holds
  // afterwards. err: after "lyra read: ", empty for none.
  const auto check = [](const std::string& setup, const std::string& data,
                        const std::string& output, int status, const std::string& want,
                        const std::string& mode, const std::string& err) {
    SCOPED_TRACE(setup + data + " " + output);
    TempDir dir;
    dir.write("rec.cbl", REC);
    dir.write("good", "AB123CD456");
    dir.write("many", std::string(10000, '7'));
    ASSERT_EQ(0, chmod(dir.write("old.csv", "OLD\n").c_str(), 0604));
    ASSERT_EQ(0, symlink("old.csv", dir.path("link.csv").c_str()));
    const Result run =
        runCommand("cd '" + dir.path(".") + "' && " + setup +
                   lyraCommand({"read", "-c", "rec.cbl", "--fixed", "-o", output, data}));
    EXPECT_EQ(status, run.status);
    EXPECT_EQ(err.empty() ? "" : "lyra read: " + err, run.err);
    EXPECT_EQ(want, readFile(dir.path(output)));
    EXPECT_EQ(mode, runCommand("stat -L -c %a '" + dir.path(output) + "'").out);
    struct stat link;
    EXPECT_TRUE(lstat(dir.path("link.csv").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_EQ(std::string::npos, runCommand("ls -A '" + dir.path(".") + "'").out.find(".lyra-"));
  };
  const std::string written = "A,B\r\nAB,123\r\nCD,456\r\n";
  check("umask 077;", "good", "link.csv", 0, written, "604\n", "");
  check("umask 027;", "good", "new.csv", 0, written, "640\n", "");
  check("trap '' XFSZ; ulimit -f 1;", "many", "old.csv", 1, "OLD\n", "604\n",
        "cannot write old.csv: File too large\n");
}

// Every command checks what it writes to standard output, help included. A reader
// that stops reading (head) ends the command quietly: SIGPIPE ends it as it ends cat
// (status 128 + 13), and where SIGPIPE is ignored the failed write ends it at once,
// with status 1. The data file ends in a cut record, which only a read that went on
// would reach and report; this holds for a read on threads too.
TEST(CliTest, FailedWritesAndClosedPipes) {
  const std::string trailer = example("order_trailer.cbl");
  const std::vector<std::string> full[] = {
      {"columns", trailer},
      {"read", "-c", trailer, "--limit", "1", example("orders.dat")},
      {"--help"},
      {"splits", "--record-format", "lines", "--every", "1", dataPath("files/payroll.txt")},
  };
  for (const std::vector<std::string>& args : full) {
    const Result run = runCommand("{ " + lyraCommand(args) + " >/dev/full; }");
    const std::string command = args[0][0] == '-' ? "lyra" : "lyra " + args[0];
    EXPECT_EQ(1, run.status) << command;
    EXPECT_EQ(command + ": cannot write standard output: No space left on device\n", run.err);
  }
  TempDir dir;
  const std::string copybook = dir.write("r.cbl", "       01  R.\n           05  A  PIC X(8).\n");
  const std::string data = dir.write("r.dat", std::string(8 * 300000, 'x') + "cut");
  for (const char* threads : {"1", "4"}) {
    const std::vector<std::string> args{"read",    "-q",        "-c",    copybook,
                                        "--fixed", "--threads", threads, data};
    for (const std::string trap : {"", "trap '' PIPE; "}) {
      SCOPED_TRACE(trap + threads + " threads");
      const std::string script = trap + "{ " + lyraCommand(args) + " 2>" + dir.path("err") +
                                 "; echo $? >" + dir.path("status") + "; } | head -c 1 >/dev/null";
      ASSERT_EQ(0, system(script.c_str()));
      EXPECT_EQ("", readFile(dir.path("err")));
      EXPECT_EQ(trap.empty() ? "141\n" : "1\n", readFile(dir.path("status")));
    }
    const Result full = runCommand("{ " + lyraCommand(args) + " >/dev/full; }");
    EXPECT_EQ(1, full.status);
    EXPECT_EQ("lyra read: cannot write standard output: No space left on device\n", full.err);
  }
}

// The README shows examples/host_example.cpp word for word, and the built program
// prints every column of the three customer records.
TEST(CliTest, ReadmeHostExample) {
  const std::string code = readFile(example("host_example.cpp"));
  EXPECT_NE(std::string::npos,
            readFile(LYRA_SOURCE_DIR "/README.md").find("\n```cpp\n" + code + "```\n"));
  const Result run = runCommand(lyraCommand({example("custrec.cbl"), example("customers.dat")},
                                            LYRA_BINARY_DIR "/tools/lyra/lyra_host_example"));
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(3 * 14, std::count(run.out.begin(), run.out.end(), '\n'));  // heading, 13 columns
  EXPECT_NE(std::string::npos, run.out.find("record 2\n"
                                            "  CUST-ID            [000107]\n"
                                            "  CUST-NAME          [Bletchley Radio Ltd     ]\n"));
}

}  // namespace
