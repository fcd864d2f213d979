// End-to-end tests of the lyra tool on the bundled examples, the framed data files of
// tests/data/files, and of the README's host example. Expected values come from the
// programs that wrote the files (examples/cobol/, tests/data/cobol/), decoded by hand.
#include <glob.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "interface/expected_values.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::normalised;
using test_support::readExpected;
using test_support::readFile;
using test_support::Record;
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

std::string lyraCommand(const std::vector<std::string>& args) {
  return commandLine(LYRA_BINARY_DIR "/tools/lyra/lyra", args);
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

Result lyra(const std::vector<std::string>& args) {
  return runCommand(lyraCommand(args));
}

// The permission bits of a file, -1 when there is none.
int permissions(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

// How many temporary output files the tool left in a folder.
size_t temporaryFiles(const std::string& folder) {
  glob_t found;
  const size_t count =
      glob((folder + "/.lyra-*").c_str(), 0, nullptr, &found) == 0 ? found.gl_pathc : 0;
  globfree(&found);
  return count;
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

// The columns of a JSON line that lyra wrote, in order, null ones left out: names and
// values as text (a number as written). Escapes other than \" and \\ are kept.
Record jsonColumns(const std::string& line) {
  static const std::regex member(
      R"re("((?:[^"\\]|\\.)*)":(?:null|"((?:[^"\\]|\\.)*)"|([-0-9.]+)))re");
  static const std::regex escape(R"(\\(["\\]))");
  Record columns;
  for (std::sregex_iterator m(line.begin(), line.end(), member), end; m != end; ++m) {
    if (!(*m)[2].matched && !(*m)[3].matched) continue;
    const std::string value = (*m)[2].matched ? (*m)[2].str() : (*m)[3].str();
    columns.emplace_back(std::regex_replace((*m)[1].str(), escape, "$1"),
                         std::regex_replace(value, escape, "$1"));
  }
  return columns;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

// A file of tests/data/files/framed.tsv and the lyra options that read it: the read
// options it names are the tool's flags (rdw_little_endian is --rdw-little-endian).
struct FramedFile {
  std::string name;
  std::string path;
  std::vector<std::string> options;  // the copybook, the record format and the flags
};

std::vector<FramedFile> framedFiles() {
  std::vector<FramedFile> files;
  std::istringstream table(readFile(dataPath("files/framed.tsv")));
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, format, flags, copybook;
    std::getline(fields, name, '\t');
    std::getline(fields, format, '\t');
    std::getline(fields, flags, '\t');
    std::getline(fields, copybook, '\t');
    FramedFile file{name,
                    dataPath("files/" + name),
                    {"-c", dataPath("copybooks/" + copybook), "--record-format", format}};
    std::istringstream names(flags == "-" ? "" : flags);
    for (std::string flag; std::getline(names, flag, ',');) {
      std::replace(flag.begin(), flag.end(), '_', '-');
      file.options.push_back("--" + flag);
    }
    files.push_back(file);
  }
  return files;
}

// A record descriptor word (a 2-byte big-endian length counting its 4 bytes, 2 zero
// bytes) and the record; also a block descriptor word and its records.
std::string rdw(const std::string& data) {
  const size_t length = data.size() + 4;
  return std::string{static_cast<char>(length >> 8), static_cast<char>(length & 0xFF), 0, 0} + data;
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

// orders.dat: OH 0-105, OL 106-174, 175-243, 244-312, OT 313-330, OH 331-396,
// OL 397-465, OT 466-483, OH 484-569, OL 570-638, OL 639-707, OT 708-725. Records are
// counted from 1 over the whole file; the header row and the five order lines before
// the cut record are written. In the other formats the reader frames the record that
// stops the read: a descriptor word that cannot be trusted, a record running past its
// block, a line longer than its layout (in a range that knows no record numbers, the
// message gives the offset alone).
TEST(CliTest, ReadStopsAtTheFirstBadRecord) {
  TempDir dir;
  const std::string cut = dir.write("cut.dat", readFile(example("orders.dat")).substr(0, 700));
  const std::string rec =
      dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
  const auto read = [&](const char* format, const std::string& data) {
    return std::vector<std::string>{
        "read", "-c", rec, "--record-format", format, dir.write(format, data)};
  };
  const struct {
    std::vector<std::string> args;
    size_t lines;  // written
    std::string err;
  } cases[] = {
      {orders("OL", {}, cut), 6,
       cut + ": record 11 at byte offset 639: Reached EOF on data file while reading data"},
      {read("rdw", rdw("AB123") + std::string("\0\x09\0\x01", 4) + "CD456"), 2,
       dir.path("rdw") +
           ": record 2 at byte offset 9: Invalid record descriptor word at byte offset 9"},
      {read("vb",
            rdw(rdw("AB123")) + rdw(rdw("CD456")) + std::string("\0\x0c\0\0", 4) + rdw("EF789")),
       3,
       dir.path("vb") +
           ": record 3 at byte offset 30: Record at byte offset 30 runs past the end of its block"},
      {{"read", "-c", rec, "--record-format", "lines", "--range", "1:", dir.path("lines")},
       1,
       dir.path("lines") +
           ": record at byte offset 6: Line of 6 bytes is longer than its layout, which reads 5"},
      {read("lines", "AB123\nCD4567\n"), 2,
       dir.path("lines") +
           ": record 2 at byte offset 6: Line of 6 bytes is longer than its layout, which reads 5"},
  };
  for (const auto& c : cases) {
    const Result run = lyra(c.args);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(c.lines, lines(run.out).size());
    EXPECT_EQ("lyra read: " + c.err + "\n", run.err);
  }
}

// `lyra read` with the options that read a framed file and more; "-" for the data
// file reads it from a pipe.
Result readFramed(const FramedFile& file, const std::vector<std::string>& more,
                  const std::string& data) {
  std::vector<std::string> args{"read", "--format", "jsonl"};
  args.insert(args.end(), file.options.begin(), file.options.end());
  args.insert(args.end(), more.begin(), more.end());
  args.push_back(data);
  if (data != "-") return lyra(args);
  return runCommand("{ cat '" + file.path + "' | " + lyraCommand(args) + "; }");
}

// What the generator placed in a framed file, one row of <file>.offsets per record:
// number, offset, length, end, split point ("-": none).
std::vector<std::vector<std::string>> placedRecords(const FramedFile& file) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : lines(readFile(file.path + ".offsets"))) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    if (fields.size() == 5 && fields[0] != "#") rows.push_back(fields);
  }
  return rows;
}

// The real descriptor-word, block and text-line files, each read whole with the
// options framed.tsv names, from the file and from a pipe: every record, in file
// order, at its number and offset, with the values the writing program printed
// (fields a shorter record leaves out are null, so not compared).
TEST(CliTest, FramedFilesReadWhole) {
  for (const FramedFile& file : framedFiles()) {
    SCOPED_TRACE(file.name);
    const Result run = readFramed(file, {"--with-position"}, file.path);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);
    const std::map<int, Record> expected = readExpected(file.name);
    const std::vector<std::vector<std::string>> placed = placedRecords(file);
    const std::vector<std::string> records = lines(run.out);
    ASSERT_EQ(expected.size(), records.size());
    ASSERT_EQ(placed.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
      SCOPED_TRACE(records[i]);
      Record want = expected.at(static_cast<int>(i) + 1);
      want.insert(want.begin(), {{"_record", placed[i][0]}, {"_offset", placed[i][1]}});
      EXPECT_EQ(want, normalised(jsonColumns(records[i]), want));
    }
    const Result piped = readFramed(file, {"--with-position"}, "-");
    EXPECT_EQ(0, piped.status) << piped.err;
    EXPECT_EQ(run.out, piped.out);
  }
}

// `lyra splits` with the options that frame a file: not the copybook, nor --ebcdic,
// which says nothing about where records are.
Result splits(const FramedFile& file, const std::string& every) {
  std::vector<std::string> args{"splits", "--every", every};
  std::copy_if(file.options.begin() + 2, file.options.end(), std::back_inserter(args),
               [](const std::string& option) { return option != "--ebcdic"; });
  args.push_back(file.path);
  return lyra(args);
}

// Every byte apart, the split points are every record's start (vb: every block's)
// where the generator placed it; further apart, the first at or after each multiple.
TEST(CliTest, SplitsAreWhereTheGeneratorPlacedThem) {
  for (const FramedFile& file : framedFiles()) {
    SCOPED_TRACE(file.name);
    std::string placed;
    for (const std::vector<std::string>& record : placedRecords(file)) {
      if (record[4] != "-") placed += record[4] + "\t" + record[0] + "\n";
    }
    const Result run = splits(file, "1");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(placed, run.out);
  }
  // shipments.dat: records at 0, 108, 152, 340, 404, 532, 600, 724, 892, ending at 980.
  EXPECT_EQ("0\t1\n340\t4\n600\t7\n", splits(framedFiles()[0], "300").out);
}

// The points `lyra splits` prints, as --range and --first-record, cut a file into
// ranges that give every record once, at its number: the two ranges on either side
// of any point, and the ranges between consecutive points.
TEST(CliTest, SplitsCutFilesIntoRanges) {
  for (const FramedFile& file : framedFiles()) {
    SCOPED_TRACE(file.name);
    const std::string whole = readFramed(file, {"--with-position"}, file.path).out;
    const Result points = splits(file, "200");
    ASSERT_EQ(0, points.status) << points.err;
    std::vector<std::pair<std::string, std::string>> found;  // offset, record number
    for (const std::string& line : lines(points.out)) {
      found.emplace_back(line.substr(0, line.find('\t')), line.substr(line.find('\t') + 1));
    }
    ASSERT_LT(2u, found.size());
    std::string joined;
    for (size_t i = 0; i < found.size(); ++i) {
      const std::string& point = found[i].first;
      const std::string& number = found[i].second;
      SCOPED_TRACE(point);
      const Result before =
          readFramed(file, {"--with-position", "--range", ":" + point}, file.path);
      const Result after = readFramed(
          file, {"--with-position", "--range", point + ":", "--first-record", number}, file.path);
      EXPECT_EQ(0, before.status + after.status) << before.err << after.err;
      EXPECT_EQ(whole, before.out + after.out);
      const std::string end = i + 1 < found.size() ? found[i + 1].first : "";
      const Result part = readFramed(
          file, {"--with-position", "--range", point + ":" + end, "--first-record", number},
          file.path);
      EXPECT_EQ(0, part.status) << part.err;
      joined += part.out;
    }
    EXPECT_EQ(whole, joined);
  }
}

// --with-position puts the record's number and byte offset first, numbers in JSON
// lines, typed or not; a lines range that starts past the skip without
// --first-record knows no numbers: empty in csv, null in JSON lines.
TEST(CliTest, WithPositionInEveryFormat) {
  const struct {
    std::vector<std::string> options;
    std::string want;
  } cases[] = {
      {{"--fixed"}, "_record,_offset,A,B\r\n1,0,AB,123\r\n2,5,CD,456\r\n"},
      {{"--format", "jsonl"},
       "{\"_record\":1,\"_offset\":0,\"A\":\"AB\",\"B\":\"123\"}\n"
       "{\"_record\":2,\"_offset\":5,\"A\":\"CD\",\"B\":\"456\"}\n"},
      {{"--format", "jsonl", "--typed", "--skip", "5"},
       "{\"_record\":1,\"_offset\":5,\"A\":\"CD\",\"B\":456}\n"},
      {{"--format", "table"},
       "_record  _offset  A          B\n"
       "-------  -------  -----  -----\n"
       "      1        0  AB       123\n"
       "      2        5  CD       456\n"},
      {{"--fixed", "--range", "3:"}, "_record,_offset,A,B\r\n2,5,CD,456\r\n"},
      {{"--record-format", "lines", "--range", "3:"}, "_record,_offset,A,B\r\n,5,CD,456\r\n"},
      {{"--record-format", "lines", "--range", "3:", "--format", "jsonl"},
       "{\"_record\":null,\"_offset\":5,\"A\":\"CD\",\"B\":\"456\"}\n"},
      {{"--record-format", "lines", "--range", "3:", "--first-record", "2"},
       "_record,_offset,A,B\r\n2,5,CD,456\r\n"},
  };
  TempDir dir;
  const std::string copybook =
      dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
  for (const auto& c : cases) {
    const bool lines = std::find(c.options.begin(), c.options.end(), "lines") != c.options.end();
    std::vector<std::string> args{"read", "-c", copybook, "--with-position"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(dir.write("data", lines ? "AB12\nCD456\n" : "AB123CD456"));
    SCOPED_TRACE(commandLine("lyra", args));
    const Result run = lyra(args);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(c.want, run.out);
  }
}

// Each record format and its options on records of a 2-character text and a 3-digit
// number: lengths, descriptor words in either byte order and counting, blocks, line
// ends, a header skipped. Bytes past a record's layout are stepped over; a field past
// the end of a shorter record is null.
TEST(CliTest, RecordFormatsFrameRecords) {
  const std::string both = "A,B\r\nAB,123\r\nCD,456\r\n";
  const struct {
    std::vector<std::string> options;
    std::string data;
    std::string want;
  } cases[] = {
      {{}, "AB123CD456", both},
      {{"--record-format", "layout"}, "AB123CD456", both},
      {{"--record-format", "fixed"}, "AB123CD456", both},
      {{"--record-format", "fixed", "--record-length", "7"}, "AB123xxCD456yy", both},
      {{"--fixed", "7"}, "AB123xxCD456yy", both},
      {{"--fixed", "--skip", "3"}, "HDRAB123CD456", both},
      {{"--record-format", "rdw"}, rdw("AB123") + rdw("CD456zz"), both},
      {{"--record-format", "rdw"}, rdw("AB123") + rdw("CD"), "A,B\r\nAB,123\r\nCD,\r\n"},
      {{"--record-format", "rdw", "--rdw-little-endian", "--rdw-excludes-header"},
       std::string("\0\0\x05\0AB123\0\0\x03\0CD4", 16),
       "A,B\r\nAB,123\r\nCD,\r\n"},
      {{"--record-format", "rdw", "--rdw-excludes-header", "--skip", "2"},
       std::string("HD\0\x05\0\0AB123\0\x05\0\0CD456", 20),
       both},
      {{"--record-format", "vb"}, rdw(rdw("AB123") + rdw("CD456")), both},
      {{"--record-format", "vb", "--rdw-little-endian"},
       std::string("\0\x16\0\0\0\0\x09\0AB123\0\0\x09\0CD456", 22),
       both},
      {{"--record-format", "lines"}, "AB123\r\nCD456\n", both},
      {{"--record-format", "lines", "--skip", "4"}, "HDR\nAB123\nCD456", both},
  };
  TempDir dir;
  const std::string copybook =
      dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
  for (const auto& c : cases) {
    std::vector<std::string> args{"read", "-c", copybook};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(dir.write("data", c.data));
    const Result run = lyra(args);
    SCOPED_TRACE(commandLine("lyra", args));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(c.want, run.out);
  }
}

// --max-errors passes over up to N bad records (all, with --rejects alone), each
// framed by its format: a line longer than its layout, a descriptor word of zero
// length, a fixed record cut short. --rejects keeps their bytes, line ends and
// descriptor words included, and a JSON line about each. Any record passed over makes
// the status 1, and the last message gives their count.
TEST(CliTest, BadRecordsArePassedOverAndRejected) {
  TempDir dir;
  const std::string rec =
      dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
  const std::string text = dir.write("lines", "AB123\nAB1234\nCD456\nCD45678\nEF789\n");
  const std::string longer = "Line of 6 bytes is longer than its layout, which reads 5";
  const std::string longest = "Line of 7 bytes is longer than its layout, which reads 5";
  const std::string all = "A,B\r\nAB,123\r\nCD,456\r\nEF,789\r\n";
  const std::string first =
      "{\"record\": 2, \"offset\": 6, \"length\": 7, \"reason\": \"" + longer + "\"}\n";
  const std::string second =
      "{\"record\": 4, \"offset\": 19, \"length\": 8, \"reason\": \"" + longest + "\"}\n";
  const struct {
    std::vector<std::string> options;
    std::string data;
    std::string out;
    std::string err;
    std::string rejects;  // bytes; "-": no rejects file
    std::string notes;
  } cases[] = {
      {{"--record-format", "lines"},
       text,
       "A,B\r\nAB,123\r\n",
       text + ": record 2 at byte offset 6: " + longer + "\n",
       "-",
       ""},
      {{"--record-format", "lines", "--max-errors", "0"},
       text,
       "A,B\r\nAB,123\r\n",
       text + ": record 2 at byte offset 6: " + longer + "\n",
       "-",
       ""},
      {{"--record-format", "lines", "--max-errors", "1"},
       text,
       "A,B\r\nAB,123\r\nCD,456\r\n",
       text + ": record 4 at byte offset 19: " + longest + "\nlyra read: 1 bad record skipped\n",
       "-",
       ""},
      {{"--record-format", "lines", "--max-errors", "all"},
       text,
       all,
       "2 bad records skipped\n",
       "-",
       ""},
      {{"--record-format", "lines", "--rejects", dir.path("rejects")},
       text,
       all,
       "2 bad records skipped\n",
       "AB1234\nCD45678\n",
       first + second},
      {{"--record-format", "lines", "--rejects", dir.path("rejects"), "--max-errors", "1"},
       text,
       "A,B\r\nAB,123\r\nCD,456\r\n",
       text + ": record 4 at byte offset 19: " + longest + "\nlyra read: 1 bad record skipped\n",
       "AB1234\n",
       first},
      {{"--record-format", "lines", "--rejects", dir.path("rejects"), "--range", "1:"},
       text,
       "A,B\r\nCD,456\r\nEF,789\r\n",
       "2 bad records skipped\n",
       "AB1234\nCD45678\n",
       "{\"record\": null, \"offset\": 6, \"length\": 7, \"reason\": \"" + longer +
           "\"}\n{\"record\": null, \"offset\": 19, \"length\": 8, \"reason\": \"" + longest +
           "\"}\n"},
      {{"--record-format", "rdw", "--rejects", dir.path("rejects")},
       dir.write("rdw", rdw("AB123") + rdw("") + rdw("CD456") + rdw("EF789")),
       all,
       "1 bad record skipped\n",
       std::string("\0\x04\0\0", 4),
       "{\"record\": 2, \"offset\": 9, \"length\": 4, \"reason\": \"Record of zero "
       "length\"}\n"},
      {{"--fixed", "--rejects", dir.path("rejects")},
       dir.write("fixed", "AB123CD456EF"),
       "A,B\r\nAB,123\r\nCD,456\r\n",
       "1 bad record skipped\n",
       "EF",
       "{\"record\": 3, \"offset\": 10, \"length\": 2, \"reason\": \"Record cut short: 2 of "
       "5 bytes\"}\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"read", "-c", rec};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(c.data);
    SCOPED_TRACE(commandLine("lyra", args));
    unlink(dir.path("rejects").c_str());
    unlink(dir.path("rejects.jsonl").c_str());
    const Result run = lyra(args);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(c.out, run.out);
    EXPECT_EQ("lyra read: " + c.err, run.err);
    if (c.rejects == "-") {
      EXPECT_NE(0, access(dir.path("rejects").c_str(), F_OK));
      continue;
    }
    EXPECT_EQ(c.rejects, readFile(dir.path("rejects")));
    EXPECT_EQ(c.notes, readFile(dir.path("rejects.jsonl")));
  }
}

// "-" reads standard input: here a pipe, whose header --skip reads through. Messages
// name it "standard input". It is no file that -o could overwrite, even with a file
// named "-" in the folder.
TEST(CliTest, StandardInputIsReadThroughAPipe) {
  const struct {
    std::string data;
    std::vector<std::string> options;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {"AB123CD456", {}, 0, "A,B\r\nAB,123\r\nCD,456\r\n", ""},
      {"HDRAB123CD456", {"--fixed", "--skip", "3"}, 0, "A,B\r\nAB,123\r\nCD,456\r\n", ""},
      {"", {"--record-format", "rdw"}, 0, "A,B\r\n", ""},
      {"AB123\nCD4567\n",
       {"--record-format", "lines"},
       1,
       "A,B\r\nAB,123\r\n",
       "lyra read: standard input: record 2 at byte offset 6: Line of 6 bytes is longer than its "
       "layout, which reads 5\n"},
      {"AB123", {"-o", "./-"}, 0, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data);
    TempDir dir;
    dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
    dir.write("data", c.data);
    dir.write("-", "OLD\n");
    std::vector<std::string> args{"read", "-c", "rec.cbl"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back("-");
    const Result run =
        runCommand("{ cd '" + dir.path(".") + "' && cat data | " + lyraCommand(args) + "; }");
    EXPECT_EQ(c.status, run.status);
    EXPECT_EQ(c.out, run.out);
    EXPECT_EQ(c.err, run.err);
    EXPECT_EQ(c.out.empty() ? "A,B\r\nAB,123\r\n" : "OLD\n", readFile(dir.path("-")));
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
  const std::string badXml = dir.write("bad.xml", "<CCBLayout><node type=\"root\">");
  const std::string header = example("order_header.cbl");
  const std::string data = example("orders.dat");
  const std::string out = dir.path("out.xml");
  const std::string empty = dir.write("empty.cbl", "      * comments only\n");
  const std::string noTimes =
      dir.write("no_times.cbl", "       01  R.\n        05 A PIC X OCCURS -5 TIMES.\n");
  const std::string noField =
      dir.write("no_field.xml", "<CCBLayout><node type=\"root\"/></CCBLayout>");
  const std::string big = dir.write("big.cbl", "       01  R.\n        100  A  PIC X(10).\n");
  // Clauses the library refuses, at the big level and after it.
  const std::string late = dir.write("late.cbl",
                                     "      *\n       01  R.\n        05 A PIC X.\n        "
                                     "+0001000000 B PIC.\n        05 C PIC.\n");
  const std::string level99 =
      dir.write("level99.cbl", "       01  R.\n        99  A  PIC X(10).\n");
  const std::string rec =
      dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
  const std::string recData = dir.write("rec.dat", "AB123CD456");
  const std::string hard = dir.path("hard.dat");
  const std::string soft = dir.path("soft.cbl");
  ASSERT_EQ(0, link(recData.c_str(), hard.c_str()));
  ASSERT_EQ(0, symlink(rec.c_str(), soft.c_str()));
  const std::string dotted = dir.path(".") + "/rec.dat";
  const std::string notes = dir.write("notes.jsonl", "AB123CD456");
  const std::string payroll = dataPath("files/payroll.txt");
  const auto noFields = [](const char* command, const std::string& path) {
    return std::string("lyra ") + command + ": " + path + ": the layout has no fields";
  };
  const auto invalidLevel = [](const char* command, const std::string& path, int line) {
    return std::string("lyra ") + command + ": " + path +
           ": Invalid level number, Line: " + std::to_string(line);
  };
  const auto overwrites = [](const char* command, const std::string& output,
                             const std::string& input) {
    return std::string("lyra ") + command + ": -o '" + output +
           "' would overwrite the input file '" + input + "'";
  };
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
      {{"read", "-c", header, "--typed", data},
       2,
       "lyra read: --typed applies to --format jsonl only\n"
       "Try 'lyra read --help' for more information."},
      {{"read", "-c", header, "--record-format", "VB", data},
       2,
       "lyra read: unknown --record-format 'VB': use fixed, layout, rdw, vb or lines"},
      {{"read", "-c", header, "--record-format", "rdw", "--record-length", "80", data},
       2,
       "lyra read: --record-length goes with --record-format fixed only: rdw records have "
       "lengths of their own"},
      {{"read", "-c", header, "--record-length", "80", data},
       2,
       "lyra read: --record-length goes with --record-format fixed only: layout records have "
       "lengths of their own"},
      {{"read", "-c", header, "--fixed", "--record-format", "lines", data},
       2,
       "lyra read: --fixed means --record-format fixed: it does not go with --record-format "
       "lines"},
      {{"read", "-c", header, "--fixed", "80", "--record-length", "80", data},
       2,
       "lyra read: give the record length once: --fixed LENGTH or --record-length N"},
      {{"read", "-c", header, "--record-format", "fixed", "--record-length", "x", data},
       2,
       "lyra read: invalid --record-length 'x': expected a whole number of at least 0"},
      {{"read", "-c", header, "--fixed", "--record-length", "2147483648", data},
       2,
       "lyra read: invalid --record-length '2147483648': the value is too large (at most "
       "2147483647)"},
      {{"read", "-c", header, "--record-format", "lines", "--rdw-excludes-header", data},
       2,
       "lyra read: --rdw-excludes-header goes with --record-format rdw or vb only"},
      {{"read", "-c", header, "--rdw-little-endian", data},
       2,
       "lyra read: --rdw-little-endian goes with --record-format rdw or vb only"},
      {{"read", "-c", header, "--fixed", "--range", "100", data},
       2,
       "lyra read: invalid --range '100': expected START:END, byte offsets in the file, either "
       "of which may be empty"},
      {{"read", "-c", header, "--fixed", "--range", "1x:", data},
       2,
       "lyra read: invalid --range '1x:': expected START:END, byte offsets in the file, either "
       "of which may be empty"},
      {{"read", "-c", header, "--fixed", "--range", "200:100", data},
       2,
       "lyra read: invalid --range '200:100': its end comes before its start"},
      {{"read", "-c", header, "--range", "0:100", data},
       2,
       "lyra read: --range does not go with --record-format layout: only a read from the "
       "start finds where its records end"},
      {{"read", "-c", header, "--fixed", "--range", "106:", "-"},
       2,
       "lyra read: --range needs a data file: standard input cannot seek"},
      {{"read", "-c", header, "--record-format", "rdw", "--first-record", "2", data},
       2,
       "lyra read: --first-record goes with --range START:END, a range with a start"},
      {{"read", "-c", header, "--record-format", "rdw", "--range", ":100", "--first-record", "2",
        data},
       2,
       "lyra read: --first-record goes with --range START:END, a range with a start"},
      {{"read", "-c", header, "--record-format", "rdw", "--range", "9:", "--first-record", "0",
        data},
       2,
       "lyra read: invalid --first-record '0': expected a whole number of at least 1"},
      {{"read", "-c", header, "--fixed", "--range", "106:", "--first-record", "2", data},
       2,
       "lyra read: --first-record does not go with --record-format fixed: the offset of a fixed "
       "record gives its number"},
      {{"read", "-c", header, "--record-format", "vb", "--range", "106:", data},
       1,
       "lyra read: " + data +
           ": A range of rdw or vb records must start at a split point: give the record number "
           "that the split scan gives for it"},
      {{"columns", missing},
       1,
       "lyra columns: cannot open '" + missing + "': No such file or directory"},
      {{"tree", badXml}, 1, "lyra tree: " + badXml + ": Error Loading xml"},
      {{"read", "-c", header, missing}, 1, "lyra read: " + missing + ": No such file or directory"},
      {{"read", "-c", header, "-o", "/dev/full", data},
       1,
       "lyra read: cannot write /dev/full: No space left on device"},
      {{"read", "-c", header, "--skip", "3000000000", data},
       1,
       "lyra read: " + data + ": the file is 726 bytes long, shorter than --skip 3000000000"},
      {{"read", "-c", header, "--skip", "9223372036854775808", data},
       2,
       "lyra read: invalid --skip '9223372036854775808': the value is too large (at most "
       "9223372036854775807)"},
      {{"read", "-c", header, "--limit", "99999999999999999999", data},
       2,
       "lyra read: invalid --limit '99999999999999999999': the value is too large (at most "
       "9223372036854775807)"},
      {{"read", "-c", rec, "--skip", "0000000000011", recData},
       1,
       "lyra read: " + recData + ": the file is 10 bytes long, shorter than --skip 11"},
      {{"columns", empty}, 1, noFields("columns", empty)},
      {{"tree", noTimes}, 1, noFields("tree", noTimes)},
      {{"convert", noField, "-o", out}, 1, noFields("convert", noField)},
      {{"read", "-c", empty, data}, 1, noFields("read", empty)},
      {{"read", "-x", noField, data}, 1, noFields("read", noField)},
      {{"read", "-c", header + "=OH", "-c", noTimes + "=X", "--id-field", "0:PIC X(2)", data},
       1,
       noFields("read", noTimes)},
      {{"columns", big}, 1, invalidLevel("columns", big, 2)},
      {{"tree", late}, 1, invalidLevel("tree", late, 4)},
      {{"convert", big, "-o", out}, 1, invalidLevel("convert", big, 2)},
      {{"read", "-c", big, data}, 1, invalidLevel("read", big, 2)},
      {{"read", "-c", header + "=OH", "-c", late + "=X", "--id-field", "0:PIC X(2)", data},
       1,
       invalidLevel("read", late, 4)},
      {{"columns", level99}, 0, "INDEX  NAME  TYPE     LENGTH"},
      {{"read", "-c", rec, "-o", recData, recData}, 2, overwrites("read", recData, recData)},
      {{"read", "-c", rec, "-o", rec, recData}, 2, overwrites("read", rec, rec)},
      {{"read", "-c", header + "=OH", "-c", rec + "=X", "--id-field", "0:PIC X", "-o", rec,
        recData},
       2,
       overwrites("read", rec, rec)},
      {{"read", "-x", noField, "-o", noField, recData}, 2, overwrites("read", noField, noField)},
      {{"read", "-c", rec, "-o", hard, recData}, 2, overwrites("read", hard, recData)},
      {{"read", "-c", rec, "-o", dotted, recData}, 2, overwrites("read", dotted, recData)},
      {{"read", "-c", rec, "--fixed", "--rejects", recData, recData},
       2,
       "lyra read: --rejects '" + recData + "' would overwrite the input file '" + recData + "'"},
      {{"read", "-c", rec, "--fixed", "--rejects", dir.path("notes"), notes},
       2,
       "lyra read: --rejects '" + notes + "' would overwrite the input file '" + notes + "'"},
      {{"read", "-c", rec, "--fixed", "--rejects", out, "-o", out, recData},
       2,
       "lyra read: --rejects '" + out + "' and -o '" + out + "' name one file"},
      {{"read", "-c", rec, "--fixed", "--rejects", out, "-o", out + ".jsonl", recData},
       2,
       "lyra read: --rejects '" + out + ".jsonl' and -o '" + out + ".jsonl' name one file"},
      {{"read", "-c", rec, "--fixed", "--rejects=", recData},
       2,
       "lyra read: --rejects needs a file name"},
      {{"read", "-c", rec, "--fixed", "--max-errors", "some", recData},
       2,
       "lyra read: invalid --max-errors 'some': expected a number of records or all"},
      {{"read", "-c", rec, "--max-errors", "all", recData},
       2,
       "lyra read: --max-errors and --rejects do not go with --record-format layout: the end of "
       "a bad record is unknown, so reading cannot go past it"},
      {{"read", "-c", rec, "--rejects", out, recData},
       2,
       "lyra read: --max-errors and --rejects do not go with --record-format layout: the end of "
       "a bad record is unknown, so reading cannot go past it"},
      {{"splits", "--help"}, 0, "Usage: lyra splits [options] DATAFILE --every BYTES"},
      {{"splits", "--record-format", "lines", "--every", "10"},
       2,
       "lyra splits: no data file given"},
      {{"splits", "--every", "10", payroll},
       2,
       "lyra splits: split points need --record-format rdw, vb or lines: layout records are "
       "found only by a read from the start"},
      {{"splits", "--record-format", "fixed", "--every", "10", payroll},
       2,
       "lyra splits: fixed records need no split points: a range of them may start at any "
       "byte"},
      {{"splits", "--record-format", "lines", payroll},
       2,
       "lyra splits: give the distance between split points: --every BYTES"},
      {{"splits", "--record-format", "lines", "--every", "0", payroll},
       2,
       "lyra splits: invalid --every '0': expected a whole number of at least 1"},
      {{"splits", "--record-format", "lines", "--rdw-little-endian", "--every", "9", payroll},
       2,
       "lyra splits: --rdw-little-endian goes with --record-format rdw or vb only"},
      {{"splits", "--record-format", "lines", "--record-length", "9", "--every", "9", payroll},
       2,
       "lyra splits: unknown option '--record-length'"},
      {{"splits", "--record-format", "lines", "--every", "9", "-"},
       2,
       "lyra splits: split points need a data file: ranges cannot read standard input"},
      {{"splits", "--record-format", "rdw", "--every", "9", payroll},
       1,
       "lyra splits: " + payroll + ": Invalid record descriptor word at byte offset 0"},
      {{"splits", "--record-format", "lines", "--every", "9", "--skip", "1371", payroll},
       1,
       "lyra splits: " + payroll + ": the file is 1370 bytes long, shorter than --skip 1371"},
      {{"splits", "--record-format", "lines", "--every", "9", missing},
       1,
       "lyra splits: " + missing + ": No such file or directory"},
      {{"convert", rec, "-o", rec}, 2, overwrites("convert", rec, rec)},
      {{"convert", rec, "-o", soft}, 2, overwrites("convert", soft, rec)},
  };
  const std::string recText = readFile(rec);
  const std::string noFieldText = readFile(noField);
  for (const auto& c : cases) {
    const Result run = lyra(c.args);
    EXPECT_EQ(c.status, run.status) << c.first;
    EXPECT_EQ(c.first + "\n", (c.status == 0 ? run.out : run.err).substr(0, c.first.size() + 1));
    EXPECT_EQ("", c.status == 0 ? run.err : run.out) << c.first;
  }
  EXPECT_EQ(recText, readFile(rec));
  EXPECT_EQ("AB123CD456", readFile(recData));
  EXPECT_EQ(noFieldText, readFile(noField));
  EXPECT_NE(0, access(out.c_str(), F_OK));
  // --trace sees the entries parsed up to the big level, and after a load every field.
  EXPECT_EQ("LINE 1 PARSE: 01  R\nLINE 2 PARSE: 100  A  PIC X(10)\n" +
                invalidLevel("read", big, 2) + "\n",
            lyra({"read", "--trace", "-c", big, data}).err);
  const Result traced = lyra({"read", "--trace", "-c", rec, recData});
  EXPECT_NE(std::string::npos, traced.err.find("Column: (B), Data: (456)")) << traced.err;
}

// An empty first value (a display field that starts with a zero byte ends there)
// keeps its place in every format. A data file that holds nothing after --skip holds
// no records: the header alone, or nothing for JSON lines.
TEST(CliTest, EmptyFirstValuesAndEmptyFiles) {
  TempDir dir;
  const std::string copybook = dir.write("r.cbl",
                                         "       01  R.\n"
                                         "           05  A  PIC X(3).\n"
                                         "           05  B  PIC 9(3).\n");
  const std::string zeros =
      dir.write("zeros.dat", std::string(3, '\0') + "042" + std::string("\0BC", 3) + "007");
  const std::string empty = dir.write("empty.dat", "");
  const std::string header = dir.write("header.dat", "HEAD");
  const struct {
    const char* format;
    std::string data;
    const char* skip;
    const char* want;
  } cases[] = {
      {"csv", zeros, "0", "A,B\r\n,042\r\n,007\r\n"},
      {"jsonl", zeros, "0", "{\"A\":\"\",\"B\":\"042\"}\n{\"A\":\"\",\"B\":\"007\"}\n"},
      {"table", zeros, "0", "A          B\n-----  -----\n         042\n         007\n"},
      {"csv", empty, "0", "A,B\r\n"},
      {"jsonl", empty, "0", ""},
      {"table", empty, "0", "A          B\n-----  -----\n"},
      {"csv", header, "4", "A,B\r\n"},
  };
  for (const auto& c : cases) {
    const Result run =
        lyra({"read", "-c", copybook, "--fixed", "--format", c.format, "--skip", c.skip, c.data});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);
    EXPECT_EQ(c.want, run.out) << c.format << " " << c.data;
  }
}

// -o writes a temporary file next to the output and renames it into place when the
// command ends, also after a bad record; when nothing could be read or writing
// failed, the old file stays. A replaced file keeps its permissions, a new one gets
// 0666 less the umask, a link stays a link. No temporary file is left.
TEST(CliTest, OutputIsReplacedOnceWritten) {
  const std::string written = "A,B\r\nAB,123\r\nCD,456\r\n";
  const struct {
    const char* setup;   // shell commands run before the tool
    const char* data;    // good, cut (a bad second record), many (10000 bytes) or missing
    const char* output;  // old.csv ("OLD\n", mode 0604), link.csv (to old.csv) or new.csv
    int status;
    std::string want;  // the output afterwards
    int mode;
    const char* errBefore;  // standard error: "lyra read: ", this, the folder, errAfter
    const char* errAfter;   // null: none
  } cases[] = {
      {"umask 077;", "good", "old.csv", 0, written, 0604, "", nullptr},
      {"", "good", "link.csv", 0, written, 0604, "", nullptr},
      {"umask 027;", "good", "new.csv", 0, written, 0640, "", nullptr},
      {"umask 002;", "good", "new.csv", 0, written, 0664, "", nullptr},
      {"", "cut", "old.csv", 1, "A,B\r\nAB,123\r\n", 0604, "",
       "cut: record 2 at byte offset 5: Record cut short: 3 of 5 bytes\n"},
      {"", "missing", "old.csv", 1, "OLD\n", 0604, "", "missing: No such file or directory\n"},
      {"trap '' XFSZ; ulimit -f 1;", "many", "old.csv", 1, "OLD\n", 0604, "cannot write ",
       "old.csv: File too large\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.setup) + c.data + " " + c.output);
    TempDir dir;
    const std::string copybook = dir.write("rec.cbl",
                                           "       01  R.\n"
                                           "           05  A  PIC X(2).\n"
                                           "           05  B  PIC 9(3).\n");
    dir.write("good", "AB123CD456");
    dir.write("cut", "AB123CD4");
    dir.write("many", std::string(10000, '7'));
    ASSERT_EQ(0, chmod(dir.write("old.csv", "OLD\n").c_str(), 0604));
    ASSERT_EQ(0, symlink("old.csv", dir.path("link.csv").c_str()));
    const std::string output = dir.path(c.output);
    const Result run = runCommand(
        c.setup + lyraCommand({"read", "-c", copybook, "--fixed", "-o", output, dir.path(c.data)}));
    EXPECT_EQ(c.status, run.status);
    EXPECT_EQ(c.errAfter == nullptr ? "" : "lyra read: " + (c.errBefore + dir.path(c.errAfter)),
              run.err);
    EXPECT_EQ(c.want, readFile(output));
    EXPECT_EQ(c.mode, permissions(output));
    struct stat link;
    EXPECT_TRUE(lstat(dir.path("link.csv").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_EQ(0u, temporaryFiles(dir.path(".")));
  }
  // Any other kind of file, here a named pipe, is written directly.
  TempDir dir;
  const std::string fifo = dir.path("fifo");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::string script = "cat '" + fifo + "' >'" + dir.path("sink") + "' & " +
                             lyraCommand(orders("OT", {"--limit", "1", "-o", fifo})) +
                             "; status=$?; wait; exit $status";
  EXPECT_EQ(0, exitStatus(system(script.c_str())));
  EXPECT_EQ(
      "OT-RECORD-TYPE,OT-ORDER-ID,OT-LINE-COUNT,OT-ORDER-TOTAL\r\nOT,00010001,3,000000056.03\r\n",
      readFile(dir.path("sink")));
  EXPECT_EQ(0u, temporaryFiles(dir.path(".")));
}

// Every command checks what it writes to standard output, help included. A reader
// that stops reading (head) ends the command quietly: SIGPIPE ends it as it ends cat
// (status 128 + 13), and where SIGPIPE is ignored the failed write ends it at once,
// with status 1. The data file ends in a cut record, which only a read that went on
// would reach and report.
TEST(CliTest, FailedWritesAndClosedPipes) {
  const std::string trailer = example("order_trailer.cbl");
  const std::vector<std::string> full[] = {
      {"columns", trailer},
      {"tree", trailer},
      {"read", "-c", trailer, "--limit", "1", example("orders.dat")},
      {"read", "--help"},
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
  std::string fields = "       01  R.\n";
  for (int i = 0; i < 5000; ++i) fields += "           05  F" + std::to_string(i) + "  PIC X.\n";
  const std::string wide = dir.write("wide.cbl", fields);
  const std::vector<std::string> piped[] = {{"read", "-q", "-c", copybook, "--fixed", data},
                                            {"tree", wide}};
  for (const std::vector<std::string>& args : piped) {
    for (const std::string trap : {"", "trap '' PIPE; "}) {
      SCOPED_TRACE(args[0] + " " + trap);
      const std::string script = trap + "{ " + lyraCommand(args) + " 2>" + dir.path("err") +
                                 "; echo $? >" + dir.path("status") + "; } | head -c 1 >/dev/null";
      ASSERT_EQ(0, system(script.c_str()));
      EXPECT_EQ("", readFile(dir.path("err")));
      EXPECT_EQ(trap.empty() ? "141\n" : "1\n", readFile(dir.path("status")));
    }
  }
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
