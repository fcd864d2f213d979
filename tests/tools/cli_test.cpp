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
    std::istringstream fields(line);  // no field holds a blank
    std::string name, format, flags, copybook;
    fields >> name >> format >> flags >> copybook;
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
// options framed.tsv names: as many records as were written, the first two and the
// last at their number and offset with the values the writing program printed
// (fields a shorter record leaves out are null, so not compared). One is also read
// from a pipe.
TEST(CliTest, FramedFilesRead) {
  for (const FramedFile& file : framedFiles()) {
    SCOPED_TRACE(file.name);
    const Result run = readFramed(file, {"--with-position"}, file.path);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);
    const std::map<int, Record> expected = readExpected(file.name);
    const std::vector<std::vector<std::string>> placed = placedRecords(file);
    const std::vector<std::string> records = lines(run.out);
    ASSERT_EQ(expected.size(), records.size());
    for (const size_t i : {size_t{0}, size_t{1}, records.size() - 1}) {
      SCOPED_TRACE(records[i]);
      Record want = expected.at(static_cast<int>(i) + 1);
      want.insert(want.begin(), {{"_record", placed[i][0]}, {"_offset", placed[i][1]}});
      EXPECT_EQ(want, normalised(jsonColumns(records[i]), want));
    }
  }
  const FramedFile file = framedFiles()[4];  // customers_vb.dat: EBCDIC in blocks
  const Result piped = readFramed(file, {"--with-position"}, "-");
  EXPECT_EQ(0, piped.status) << piped.err;
  EXPECT_EQ(placedRecords(file).size(), lines(piped.out).size());
  EXPECT_EQ(readFramed(file, {"--with-position"}, file.path).out, piped.out);
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

// Every byte apart, the split points of a file of blocks are every block's start where
// the generator placed it; further apart, the first at or after each multiple.
// The points, as --range and --first-record, cut a file of blocks into ranges that
// give every record once, at its number.
TEST(CliTest, SplitsCutFilesIntoRanges) {
  // shipments.dat: records at 0, 108, 152, 340, 404, 532, 600, 724, 892, ending at 980.
  EXPECT_EQ("0\t1\n340\t4\n600\t7\n", splits(framedFiles()[0], "300").out);
  const FramedFile file = framedFiles()[4];  // customers_vb.dat
  std::string placed;
  for (const std::vector<std::string>& record : placedRecords(file)) {
    if (record[4] != "-") placed += record[4] + "\t" + record[0] + "\n";
  }
  EXPECT_EQ(placed, splits(file, "1").out);
  const std::string whole = readFramed(file, {"--with-position"}, file.path).out;
  const Result points = splits(file, "200");
  ASSERT_EQ(0, points.status) << points.err;
  const std::vector<std::string> found = lines(points.out);  // offset, tab, record number
  ASSERT_LT(2u, found.size());
  std::string joined;
  for (size_t i = 0; i < found.size(); ++i) {
    const std::string point = found[i].substr(0, found[i].find('\t'));
    const std::string end =
        i + 1 < found.size() ? found[i + 1].substr(0, found[i + 1].find('\t')) : "";
    const Result part = readFramed(file,
                                   {"--with-position", "--range", point + ":" + end,
                                    "--first-record", found[i].substr(found[i].find('\t') + 1)},
                                   file.path);
    EXPECT_EQ(0, part.status) << part.err;
    joined += part.out;
  }
  EXPECT_EQ(whole, joined);
}

// Records of a 2-character text and a 3-digit number in each record format and output
// format. Lengths, descriptor words in either byte order and counting, blocks, line
// ends, a header skipped; bytes past a record's layout are stepped over, a field past
// the end of a shorter record is null. --with-position puts the record's number and
// byte offset first; a lines range that starts past the skip without --first-record
// knows no numbers: empty in csv, null in JSON lines. An empty first value (a display
// field that starts with a zero byte ends there) keeps its place. A file that holds
// nothing after --skip holds no records: the header alone, or nothing for JSON lines.
TEST(CliTest, ReadOptionsAndFormats) {
  TempDir dir;
  const std::string copybook =
      dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
  const auto check = [&](std::vector<std::string> args, const std::string& data,
                         const std::string& want) {
    args.insert(args.begin(), {"read", "-c", copybook});
    args.push_back(dir.write("data", data));
    SCOPED_TRACE(commandLine("lyra", args));
    const Result run = lyra(args);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(want, run.out);
  };
  const std::string both = "A,B\r\nAB,123\r\nCD,456\r\n";
  check({"--record-format", "layout"}, "AB123CD456", both);
  check({"--record-format", "fixed", "--record-length", "7"}, "AB123xxCD456yy", both);
  check({"--fixed", "7", "--skip", "3"}, "HDRAB123xxCD456yy", both);
  check({"--record-format", "rdw", "--rdw-little-endian", "--rdw-excludes-header"},
        std::string("\0\0\x05\0AB123\0\0\x05\0CD456", 18), both);
  check({"--record-format", "rdw"}, rdw("AB123") + rdw("CD"), "A,B\r\nAB,123\r\nCD,\r\n");
  check({"--record-format", "vb"}, rdw(rdw("AB123") + rdw("CD456")), both);
  check({"--record-format", "lines"}, "AB123\r\nCD456\n", both);
  check({"--with-position", "--fixed"}, "AB123CD456",
        "_record,_offset,A,B\r\n1,0,AB,123\r\n2,5,CD,456\r\n");
  check({"--with-position", "--format", "jsonl", "--typed", "--skip", "5"}, "AB123CD456",
        "{\"_record\":1,\"_offset\":5,\"A\":\"CD\",\"B\":456}\n");
  check({"--with-position", "--record-format", "lines", "--range", "3:"}, "AB12\nCD456\n",
        "_record,_offset,A,B\r\n,5,CD,456\r\n");
  check({"--with-position", "--record-format", "lines", "--range", "3:", "--format", "jsonl"},
        "AB12\nCD456\n", "{\"_record\":null,\"_offset\":5,\"A\":\"CD\",\"B\":\"456\"}\n");
  check({"--with-position", "--record-format", "lines", "--range", "3:", "--first-record", "2"},
        "AB12\nCD456\n", "_record,_offset,A,B\r\n2,5,CD,456\r\n");
  const std::string zeros = std::string(2, '\0') + "042" + std::string("\0B", 2) + "007";
  check({"--fixed"}, zeros, "A,B\r\n,042\r\n,007\r\n");
  check({"--format", "jsonl"}, zeros, "{\"A\":\"\",\"B\":\"042\"}\n{\"A\":\"\",\"B\":\"007\"}\n");
  check({"--format", "table"}, zeros, "A          B\n-----  -----\n         042\n         007\n");
  check({"--fixed"}, "", "A,B\r\n");
  check({"--format", "jsonl"}, "", "");
  check({"--format", "table", "--skip", "4"}, "HEAD", "A          B\n-----  -----\n");
}

// A bad record stops the read: records are counted from 1 over the whole file, and
// the records before it are written (orders.dat: OL 570-638, OL 639-707, so the
// header row and five order lines). In a range that knows no record numbers, the
// message gives the offset alone. --max-errors passes over up to N bad records (all,
// with --rejects alone), each framed by its format: a line longer than its layout, a
// descriptor word of zero length. --rejects keeps their bytes, line ends and
// descriptor words included, and a JSON line about each. Any record passed over makes
// the status 1, and the last message gives their count.
TEST(CliTest, BadRecordsStopTheReadOrArePassedOver) {
  TempDir dir;
  const std::string rec =
      dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
  const std::string text = dir.write("lines", "AB123\nAB1234\nCD456\nCD45678\nEF789\n");
  const std::string rejects = dir.path("rejects");
  const std::string longer = "Line of 6 bytes is longer than its layout, which reads 5";
  const std::string longest = "Line of 7 bytes is longer than its layout, which reads 5";
  const std::string all = "A,B\r\nAB,123\r\nCD,456\r\nEF,789\r\n";
  const auto note = [](const char* record, const char* offset, const char* length,
                       const std::string& reason) {
    return std::string("{\"record\": ") + record + ", \"offset\": " + offset +
           ", \"length\": " + length + ", \"reason\": \"" + reason + "\"}\n";
  };
  // rejects: the bytes kept aside; "-": no rejects file.
  const auto check = [&](std::vector<std::string> options, const std::string& data,
                         const std::string& out, const std::string& err, const std::string& kept,
                         const std::string& notes) {
    options.insert(options.begin(), {"read", "-c", rec});
    options.push_back(data);
    SCOPED_TRACE(commandLine("lyra", options));
    unlink(rejects.c_str());
    unlink((rejects + ".jsonl").c_str());
    const Result run = lyra(options);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(out, run.out);
    EXPECT_EQ("lyra read: " + err, run.err);
    if (kept == "-") {
      EXPECT_NE(0, access(rejects.c_str(), F_OK));
      return;
    }
    EXPECT_EQ(kept, readFile(rejects));
    EXPECT_EQ(notes, readFile(rejects + ".jsonl"));
  };
  const std::string cut = dir.write("cut.dat", readFile(example("orders.dat")).substr(0, 700));
  const Result stopped = lyra(orders("OL", {}, cut));
  EXPECT_EQ(1, stopped.status);
  EXPECT_EQ(6u, lines(stopped.out).size());
  EXPECT_EQ("lyra read: " + cut +
                ": record 11 at byte offset 639: Reached EOF on data file while reading data\n",
            stopped.err);
  const std::string rdwData = dir.write("bad", rdw("AB123") + std::string("\0\x09\0\x01", 4));
  check({"--record-format", "rdw"}, rdwData, "A,B\r\nAB,123\r\n",
        rdwData + ": record 2 at byte offset 9: Invalid record descriptor word at byte offset 9\n",
        "-", "");
  check({"--record-format", "lines", "--range", "1:"}, text, "A,B\r\n",
        text + ": record at byte offset 6: " + longer + "\n", "-", "");
  check({"--record-format", "lines", "--max-errors", "all"}, text, all, "2 bad records skipped\n",
        "-", "");
  check({"--record-format", "lines", "--rejects", rejects, "--max-errors", "1"}, text,
        "A,B\r\nAB,123\r\nCD,456\r\n",
        text + ": record 4 at byte offset 19: " + longest + "\nlyra read: 1 bad record skipped\n",
        "AB1234\n", note("2", "6", "7", longer));
  check({"--record-format", "lines", "--rejects", rejects, "--range", "1:"}, text,
        "A,B\r\nCD,456\r\nEF,789\r\n", "2 bad records skipped\n", "AB1234\nCD45678\n",
        note("null", "6", "7", longer) + note("null", "19", "8", longest));
  check({"--record-format", "rdw", "--rejects", rejects},
        dir.write("rdw", rdw("AB123") + rdw("") + rdw("CD456") + rdw("EF789")), all,
        "1 bad record skipped\n", std::string("\0\x04\0\0", 4),
        note("2", "9", "4", "Record of zero length"));
}

// "-" reads standard input, here a pipe; messages name it "standard input". It is no
// file that -o could overwrite, even with a file named "-" in the folder.
TEST(CliTest, StandardInputIsReadThroughAPipe) {
  const auto check = [](const std::string& data, std::vector<std::string> options, int status,
                        const std::string& out, const std::string& err) {
    SCOPED_TRACE(data);
    TempDir dir;
    dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
    dir.write("data", data);
    dir.write("-", "OLD\n");
    options.insert(options.begin(), {"read", "-c", "rec.cbl"});
    options.push_back("-");
    const Result run =
        runCommand("{ cd '" + dir.path(".") + "' && cat data | " + lyraCommand(options) + "; }");
    EXPECT_EQ(status, run.status);
    EXPECT_EQ(out, run.out);
    EXPECT_EQ(err, run.err);
    EXPECT_EQ(out.empty() ? "A,B\r\nAB,123\r\n" : "OLD\n", readFile(dir.path("-")));
  };
  check("HDRAB123CD456", {"--fixed", "--skip", "3"}, 0, "A,B\r\nAB,123\r\nCD,456\r\n", "");
  check("AB123\nCD4567\n", {"--record-format", "lines"}, 1, "A,B\r\nAB,123\r\n",
        "lyra read: standard input: record 2 at byte offset 6: Line of 6 bytes is longer than "
        "its layout, which reads 5\n");
  check("AB123", {"-o", "./-"}, 0, "", "");
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
  const std::string notes = dir.write("notes.jsonl", "AB123CD456");
  const std::string payroll = dataPath("files/payroll.txt");
  const std::string recText = readFile(rec);
  const std::string noFieldText = readFile(noField);
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
  // read with a layout and options: on the order file, on rec.dat; splits on payroll.
  const auto rd = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"read", "-c", header});
    args.push_back(data);
    return args;
  };
  const auto rr = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"read", "-c", rec, "--fixed"});
    args.push_back(recData);
    return args;
  };
  const auto sp = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "splits");
    args.push_back(payroll);
    return args;
  };
  const auto noFields = [](const std::string& path) { return path + ": the layout has no fields"; };
  const auto invalidLevel = [](const std::string& path, int line) {
    return path + ": Invalid level number, Line: " + std::to_string(line);
  };
  const auto overwrites = [](const std::string& option, const std::string& output,
                             const std::string& input) {
    return option + " '" + output + "' would overwrite the input file '" + input + "'";
  };
  check({"--help"}, 0, "Usage: lyra COMMAND [options] [arguments]");
  check({"read", "--help"}, 0, "Usage: lyra read [options] DATAFILE");
  check({}, 2, "Usage: lyra COMMAND [options] [arguments]");
  check({"frob"}, 2, "lyra: unknown command 'frob'");
  check({"columns"}, 2, "no layout file given");
  check({"tree", "--bogus", "a.cbl"}, 2, "unknown option '--bogus'");
  check({"convert", header}, 2, "no output file: give one with -o OUT.xml");
  check({"read", data}, 2, "no layout: give one with --copybook or --layout");
  check({"read", "-c", header + "=OH", "-c", header + "=OL", data}, 2,
        "several layouts need --id-field OFFSET:CLAUSES");
  check(rd({"--skip", "-1"}), 2, "invalid --skip '-1': expected a whole number of at least 0");
  check(rd({"--typed"}), 2,
        "--typed applies to --format jsonl only\nTry 'lyra read --help' for more information.");
  check(rd({"--record-format", "VB"}), 2,
        "unknown --record-format 'VB': use fixed, layout, rdw, vb or lines");
  check(rd({"--record-format", "rdw", "--record-length", "80"}), 2,
        "--record-length goes with --record-format fixed only: rdw records have lengths of "
        "their own");
  check(rd({"--fixed", "--record-format", "lines"}), 2,
        "--fixed means --record-format fixed: it does not go with --record-format lines");
  check(rd({"--fixed", "80", "--record-length", "80"}), 2,
        "give the record length once: --fixed LENGTH or --record-length N");
  check(rd({"--fixed", "--record-length", "2147483648"}), 2,
        "invalid --record-length '2147483648': the value is too large (at most 2147483647)");
  check(rd({"--record-format", "lines", "--rdw-excludes-header"}), 2,
        "--rdw-excludes-header goes with --record-format rdw or vb only");
  check(rd({"--fixed", "--range", "1x:"}), 2,
        "invalid --range '1x:': expected START:END, byte offsets in the file, either of which "
        "may be empty");
  check(rd({"--fixed", "--range", "200:100"}), 2,
        "invalid --range '200:100': its end comes before its start");
  check(rd({"--range", "0:100"}), 2,
        "--range does not go with --record-format layout: only a read from the start finds "
        "where its records end");
  check({"read", "-c", header, "--fixed", "--range", "106:", "-"}, 2,
        "--range needs a data file: standard input cannot seek");
  check(rd({"--record-format", "rdw", "--range", ":100", "--first-record", "2"}), 2,
        "--first-record goes with --range START:END, a range with a start");
  check(rd({"--record-format", "rdw", "--range", "9:", "--first-record", "0"}), 2,
        "invalid --first-record '0': expected a whole number of at least 1");
  check(rd({"--fixed", "--range", "106:", "--first-record", "2"}), 2,
        "--first-record does not go with --record-format fixed: the offset of a fixed record "
        "gives its number");
  check({"columns", missing}, 1, "cannot open '" + missing + "': No such file or directory");
  check({"tree", badXml}, 1, badXml + ": Error Loading xml");
  check({"read", "-c", header, missing}, 1, missing + ": No such file or directory");
  check(rd({"-o", "/dev/full"}), 1, "cannot write /dev/full: No space left on device");
  check(rd({"--skip", "3000000000"}), 1,
        data + ": the file is 726 bytes long, shorter than --skip 3000000000");
  check({"columns", empty}, 1, noFields(empty));
  check({"convert", noField, "-o", out}, 1, noFields(noField));
  check({"convert", big, "-o", out}, 1, invalidLevel(big, 2));
  check({"read", "-c", header + "=OH", "-c", late + "=X", "--id-field", "0:PIC X(2)", data}, 1,
        invalidLevel(late, 4));
  check({"columns", level99}, 0, "INDEX  NAME  TYPE     LENGTH");
  check({"read", "-x", noField, "-o", noField, recData}, 2, overwrites("-o", noField, noField));
  check(rr({"-o", hard}), 2, overwrites("-o", hard, recData));
  check({"convert", rec, "-o", soft}, 2, overwrites("-o", soft, rec));
  check(rr({"--rejects", recData}), 2, overwrites("--rejects", recData, recData));
  check({"read", "-c", rec, "--fixed", "--rejects", dir.path("notes"), notes}, 2,
        overwrites("--rejects", notes, notes));
  check(rr({"--rejects", out, "-o", out}), 2,
        "--rejects '" + out + "' and -o '" + out + "' name one file");
  check(rr({"--rejects", out, "-o", out + ".jsonl"}), 2,
        "--rejects '" + out + ".jsonl' and -o '" + out + ".jsonl' name one file");
  check(rr({"--rejects="}), 2, "--rejects needs a file name");
  check(rr({"--max-errors", "some"}), 2,
        "invalid --max-errors 'some': expected a number of records or all");
  check({"read", "-c", rec, "--max-errors", "all", recData}, 2,
        "--max-errors and --rejects do not go with --record-format layout: the end of a bad "
        "record is unknown, so reading cannot go past it");
  check({"splits", "--help"}, 0, "Usage: lyra splits [options] DATAFILE --every BYTES");
  check({"splits", "--record-format", "lines", "--every", "10"}, 2, "no data file given");
  check(sp({"--every", "10"}), 2,
        "split points need --record-format rdw, vb or lines: layout records are found only by "
        "a read from the start");
  check(sp({"--record-format", "fixed", "--every", "10"}), 2,
        "fixed records need no split points: a range of them may start at any byte");
  check(sp({"--record-format", "lines"}), 2,
        "give the distance between split points: --every BYTES");
  check(sp({"--record-format", "lines", "--every", "0"}), 2,
        "invalid --every '0': expected a whole number of at least 1");
  check(sp({"--record-format", "lines", "--rdw-little-endian", "--every", "9"}), 2,
        "--rdw-little-endian goes with --record-format rdw or vb only");
  check({"splits", "--record-format", "lines", "--every", "9", "-"}, 2,
        "split points need a data file: ranges cannot read standard input");
  check({"splits", "--record-format", "lines", "--every", "9", missing}, 1,
        missing + ": No such file or directory");
  EXPECT_EQ(recText, readFile(rec));
  EXPECT_EQ("AB123CD456", readFile(recData));
  EXPECT_EQ(noFieldText, readFile(noField));
  EXPECT_NE(0, access(out.c_str(), F_OK));
  // --trace shows every field after a load.
  const Result traced = lyra({"read", "--trace", "-c", rec, recData});
  EXPECT_NE(std::string::npos, traced.err.find("Column: (B), Data: (456)")) << traced.err;
}

// -o writes a temporary file next to the output and renames it into place when the
// command ends, also after a bad record; when nothing could be read or writing
// failed, the old file stays. A replaced file keeps its permissions, a new one gets
// 0666 less the umask, a link stays a link. No temporary file is left.
TEST(CliTest, OutputIsReplacedOnceWritten) {
  // setup: shell commands run before the tool. data: good, cut (a bad second record),
  // many (10000 bytes) or missing. output: old.csv ("OLD\n", mode 0604), link.csv (to
  // old.csv) or new.csv; want and mode: what it holds afterwards. err: after
  // "lyra read: ", empty for none.
  const auto check = [](const std::string& setup, const std::string& data,
                        const std::string& output, int status, const std::string& want, int mode,
                        const std::string& err) {
    SCOPED_TRACE(setup + data + " " + output);
    TempDir dir;
    dir.write("rec.cbl", "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n");
    dir.write("good", "AB123CD456");
    dir.write("cut", "AB123CD4");
    dir.write("many", std::string(10000, '7'));
    ASSERT_EQ(0, chmod(dir.write("old.csv", "OLD\n").c_str(), 0604));
    ASSERT_EQ(0, symlink("old.csv", dir.path("link.csv").c_str()));
    const Result run =
        runCommand("cd '" + dir.path(".") + "' && " + setup +
                   lyraCommand({"read", "-c", "rec.cbl", "--fixed", "-o", output, data}));
    EXPECT_EQ(status, run.status);
    EXPECT_EQ(err.empty() ? "" : "lyra read: " + err, run.err);
    EXPECT_EQ(want, readFile(dir.path(output)));
    EXPECT_EQ(mode, permissions(dir.path(output)));
    struct stat link;
    EXPECT_TRUE(lstat(dir.path("link.csv").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_EQ(0u, temporaryFiles(dir.path(".")));
  };
  const std::string written = "A,B\r\nAB,123\r\nCD,456\r\n";
  check("umask 077;", "good", "old.csv", 0, written, 0604, "");
  check("", "good", "link.csv", 0, written, 0604, "");
  check("umask 027;", "good", "new.csv", 0, written, 0640, "");
  check("", "cut", "old.csv", 1, "A,B\r\nAB,123\r\n", 0604,
        "cut: record 2 at byte offset 5: Record cut short: 3 of 5 bytes\n");
  check("", "missing", "old.csv", 1, "OLD\n", 0604, "missing: No such file or directory\n");
  check("trap '' XFSZ; ulimit -f 1;", "many", "old.csv", 1, "OLD\n", 0604,
        "cannot write old.csv: File too large\n");
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
  const std::vector<std::string> args{"read", "-q", "-c", copybook, "--fixed", data};
  for (const std::string trap : {"", "trap '' PIPE; "}) {
    SCOPED_TRACE(trap);
    const std::string script = trap + "{ " + lyraCommand(args) + " 2>" + dir.path("err") +
                               "; echo $? >" + dir.path("status") + "; } | head -c 1 >/dev/null";
    ASSERT_EQ(0, system(script.c_str()));
    EXPECT_EQ("", readFile(dir.path("err")));
    EXPECT_EQ(trap.empty() ? "141\n" : "1\n", readFile(dir.path("status")));
  }
}

// The README shows examples/host_example.cpp word for word, and the built program
// prints every column of the three customer records.
TEST(CliTest, ReadmeHostExample) {
  const std::string code = readFile(example("host_example.cpp"));
  EXPECT_NE(std::string::npos,
            readFile(LYRA_SOURCE_DIR "/README.md").find("\n```cpp\n" + code + "```\n"));
  const Result run = runCommand(commandLine(LYRA_BINARY_DIR "/tools/lyra/lyra_host_example",
                                            {example("custrec.cbl"), example("customers.dat")}));
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(3 * 14, std::count(run.out.begin(), run.out.end(), '\n'));  // heading, 13 columns
  EXPECT_NE(std::string::npos, run.out.find("record 2\n"
                                            "  CUST-ID            [000107]\n"
                                            "  CUST-NAME          [Bletchley Radio Ltd     ]\n"));
}

}  // namespace
