// End-to-end tests of the lyra tool's own plumbing. Expected values of the examples and
// of tests/data come from the programs that wrote them, decoded by hand.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "chunk_output.h"
#include "data_variants.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

using copybook_test::source;
using test_support::dataPath;
using test_support::readFile;
using test_support::TempDir;
using ::testing::HasSubstr;
using std::string_literals::operator""s;

using Result = data_variants::ToolRun;
using data_variants::lines;
using data_variants::lyra;

// The command line of the built lyra, or of another program, with the arguments.
std::string lyraCommand(const std::vector<std::string>& args, const std::string& program = "lyra") {
  std::string command = data_variants::quoted(program);
  for (const std::string& arg : args) command += " " + data_variants::quoted(arg);
  return command;
}

// Runs a shell command line with the built lyra first on PATH.
Result runCommand(const std::string& command) {
  return data_variants::runShell(command);
}

struct Measured {
  int status;           // the exit status; -1 when the program was killed
  long maxResidentKiB;  // its peak memory
  long parentKiB;       // what the peak may include of this process, see below
};

// This process's resident memory now.
long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Runs lyra with its output thrown away, for its exit status and peak memory. The
// peak of a forked child counts the memory it shared with this process until its
// exec, so a peak below what this process holds says nothing more of lyra.
Measured runMeasured(const std::vector<std::string>& args) {
  const long parent = residentKiB();
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv = {const_cast<char*>(LYRA_BINARY_DIR "/tools/lyra/lyra")};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  wait4(child, &status, 0, &usage);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss, parent};
}

void expectLyra(const std::vector<std::string>& args, int status, const std::string& out,
                const std::string& err = "") {
  SCOPED_TRACE(lyraCommand(args));
  const Result run = lyra(args);
  EXPECT_EQ(status, run.status);
  EXPECT_EQ(out, run.out);
  EXPECT_EQ(err, run.err);
}

// The words of text, split at blanks but for those inside single quotes, which go.
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  bool quoted = false, inWord = false;
  for (const char c : text) {
    const bool blank = !quoted && std::isspace(static_cast<unsigned char>(c));
    if (!blank && !inWord) result.emplace_back();
    inWord = !blank;
    if (c == '\'') {
      quoted = !quoted;
    } else if (!blank) {
      result.back() += c;
    }
  }
  return result;
}

const std::string EXAMPLES = LYRA_SOURCE_DIR "/examples/";
const char* const REC = "       01  R.\n        05 A PIC X(2).\n        05 B PIC 9(3).\n";

// Each test has a folder of its own, which holds REC as rec.cbl.
class CliTest : public ::testing::Test {
 protected:
  TempDir dir;
  const std::string rec = dir.write("rec.cbl", REC);
};

// T and Z move with N's count; S9(3)V9 COMP-3 is 3 bytes, 6 characters; the ISO-8859-1
// name K\xC4 comes out in UTF-8; a converted layout is known by content, also after a BOM.
TEST_F(CliTest, ColumnsTreeAndConvertedLayout) {
  const std::string copybook =
      dir.write("v.cbl", source({"01 R.", "05 N PIC 9.", "05 T OCCURS 1 TO 2 TIMES DEPENDING ON N.",
                                 "10 K\xC4 PIC X(2).", "05 Z PIC S9(3)V9 COMP-3."}));
  const std::string table =
      "INDEX  NAME  TYPE     LENGTH  OFFSET  STORAGE  USAGE\n"
      "0      N     integer  5       0       1        display\n"
      "1      K\u00C4    string   5       1*      2        display\n"
      "2      K\u00C4_1  string   5       3*      2        display\n"
      "3      Z     real     6       5*      3        packed\n"
      "* the offset varies from record to record with the count of a table of OCCURS\n"
      "  DEPENDING ON; it is shown with every such table at its maximum\n"
      "Maximum record length: 8\n";
  const std::string json =
      "{\n  \"record_length\": 8,\n  \"columns\": [\n"
      "    {\"index\": 0, \"name\": \"N\", \"type\": \"integer\", \"length\": 5, "
      "\"offset\": 0, \"storage\": 1, \"usage\": \"display\", \"variable\": false},\n"
      "    {\"index\": 1, \"name\": \"K\u00C4\", \"type\": \"string\", \"length\": 5, "
      "\"offset\": 1, \"storage\": 2, \"usage\": \"display\", \"variable\": true},\n"
      "    {\"index\": 2, \"name\": \"K\u00C4_1\", \"type\": \"string\", \"length\": 5, "
      "\"offset\": 3, \"storage\": 2, \"usage\": \"display\", \"variable\": true},\n"
      "    {\"index\": 3, \"name\": \"Z\", \"type\": \"real\", \"length\": 6, "
      "\"offset\": 5, \"storage\": 3, \"usage\": \"packed\", \"variable\": true}\n"
      "  ]\n}\n";
  const Result tree = lyra({"tree", copybook});
  EXPECT_EQ(0, tree.status);
  EXPECT_THAT(tree.out, HasSubstr("     [Z]->5\n     -->name=Z\n"));
  const std::string xml = dir.path("v.layout");
  expectLyra({"convert", copybook, "-o", xml}, 0, "");
  const std::string marked = dir.write("marked.cbl", "\xEF\xBB\xBF\n  \t" + readFile(xml));
  for (const std::string& file : {copybook, xml, marked}) {
    expectLyra({"columns", file}, 0, table);
    expectLyra({"columns", "--format", "json", file}, 0, json);
  }
}

// The copybook options reach the library: copy path, free form, margin, --strict.
TEST_F(CliTest, CopybookDialectOptions) {
  const std::string folder = dataPath("copybooks/dialects/");
  const std::pair<std::string, std::string> cases[] = {
      {"--copy-path " + folder + "copylib " + folder + "customer.cpy", "164"},
      {"--source-format free " + folder + "free.cpy", "68"},
      {"--margin 80 " + folder + "wide.cpy", "27"},
      {"--margin none " + folder + "wide.cpy", "27"},
  };
  for (const auto& [args, length] : cases) {
    const Result run = lyra(words("columns " + args));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_THAT(run.out, HasSubstr("\nMaximum record length: " + length + "\n")) << args;
  }
  expectLyra({"tree", "--strict", folder + "listing.cpy"}, 1, "",
             "lyra tree: " + folder + "listing.cpy: Invalid level number, Line: 5\n");
}

// The --active layout's records up to --limit; typed JSON with null for no number; zero
// bytes as blanks unless kept; no records: the CSV header alone.
TEST_F(CliTest, OutputFormats) {
  expectLyra({"read", "-c", EXAMPLES + "order_header.cbl=OH", "-c", EXAMPLES + "order_line.cbl=OL",
              "-c", EXAMPLES + "order_trailer.cbl=OT", "--id-field", "0:PIC X(2)", "--active", "OT",
              "--format", "table", "--limit", "1", EXAMPLES + "orders.dat"},
             0,
             "OT-RECORD-TYPE  OT-ORDER-ID  OT-LINE-COUNT  OT-ORDER-TOTAL\n"
             "--------------  -----------  -------------  --------------\n"
             "OT                 00010001              3    000000056.03\n");
  const std::string typed = dir.write(
      "typed.cbl", source({"01 R.", "05 A PIC SV99 SIGN TRAILING SEPARATE.",
                           "05 B PIC S9(3) COMP-3.", "05 C PIC 9(3).", "05 E PIC 9(3)V99.",
                           "05 G PIC S9(3)V9 SIGN LEADING SEPARATE.", "05 F PIC X(3)."}));
  expectLyra({"read", "-c", typed, "--format", "jsonl", "--typed",
              dir.write("typed.dat", "05-\x12\x34   00750+0012\"\x01\xE9")},
             0,
             R"({"A":-0.05,"B":null,"C":null,"E":7.50,"G":1.2,"F":"\"\u0001)"
             "\xC3\xA9\"}\n");
  const std::string zeros = dir.write("zeros", std::string(2, '\0') + "042\0B007\",789"s);
  const std::string none = dir.write("none", "");
  expectLyra({"read", "-c", rec, "--fixed", zeros}, 0,
             "A,B\r\n  ,042\r\n B,007\r\n\"\"\",\",789\r\n");
  expectLyra({"read", "-c", rec, "--fixed", "--zero-bytes", "keep", "--format", "jsonl", zeros}, 0,
             "{\"A\":\"\\u0000\\u0000\",\"B\":\"042\"}\n{\"A\":\"\\u0000B\",\"B\":\"007\"}\n"
             "{\"A\":\"\\\",\",\"B\":\"789\"}\n");
  expectLyra({"read", "-c", rec, "--fixed", none}, 0, "A,B\r\n");
  expectLyra({"read", "-c", rec, "--format", "jsonl", none}, 0, "");
}

// The decoding options reach the reader: 9F is the euro sign in code page 1141, else U+009F;
// 01 02 is 513 little-endian, else 258; a national position takes 2 bytes in UTF-16, else 1.
TEST_F(CliTest, DecodingOptionsReachTheReader) {
  const std::string copybook =
      dir.write("e.cbl", source({"01 R.", "05 T PIC X.", "05 F COMP-1.", "05 N PIC 9(4) COMP-5.",
                                 "05 M PIC 9(4) COMP.", "05 U PIC N."}));
  expectLyra({"read", "-c", copybook, "--code-page", "1141", "--float-format", "ieee-le",
              "--comp5-little-endian", "--national-utf16",
              dir.write("le.dat", "\x9F\0\0\xC0\x3F\x01\x02\x01\x02\0\xFC"s)},
             0, "T,F,N,M,U\r\n\xE2\x82\xAC,1.5,513,258,\xC3\xBC\r\n");
  expectLyra({"read", "-c", copybook, "--float-format", "ieee", "--binary-little-endian",
              dir.write("be.dat", "\x9F\x3F\xC0\0\0\x01\x02\x01\x02x"s)},
             0, "T,F,N,M,U\r\n\xC2\x9F,1.5,513,513,x\r\n");
}

// Record types as redefinitions of one area, chosen by the identifier.
TEST_F(CliTest, SegmentsByIdentifier) {
  const std::string copybook = dir.write(
      "seg.cbl", source({"01 R.", "05 REC-TYPE PIC X(2).", "05 SEG-A.", "10 A-NAME PIC X(5).",
                         "10 A-QTY PIC 9(3).", "05 SEG-B REDEFINES SEG-A.", "10 B-CODE PIC X(2).",
                         "05 TRAILER PIC X(2)."}));
  const std::string data = dir.write("seg.dat", "01ALPHA007ZZ02XYZZ");
  expectLyra({"read", "-c", copybook, "--id-field", "0:PIC X(2)", "--segment", "SEG-A=01",
              "--segment", "SEG-B=02", data},
             0, "REC-TYPE,A-NAME,A-QTY,B-CODE,TRAILER\r\n01,ALPHA,007,,ZZ\r\n02,,,XY,ZZ\r\n");
  expectLyra(
      {"read", "-c", copybook, "--id-field", "0:PIC X(2)", "--segment", "B-CODE=02", data}, 1, "",
      "lyra read: --segment B-CODE=02: Segment item B-CODE neither redefines nor is redefined\n");
}

// --trace: an ISO-8859-1 copybook's 'é' (E9) and a UTF-8 value's ü come out in UTF-8 once.
TEST_F(CliTest, TraceLinesAreUtf8) {
  const std::string copybook =
      dir.write("l.cbl", "       01  R.\n        05  A  PIC X(2) VALUE '\xE9'.\n");
  const Result run = lyra(
      {"read", "-c", copybook, "--code-page", "utf8", "--trace", dir.write("l.dat", "\xC3\xBC")});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("A\r\n\xC3\xBC\r\n", run.out);
  EXPECT_THAT(run.err, HasSubstr("LINE 2 PARSE: 05  A  PIC X(2) VALUE '\xC3\xA9'\n"));
  EXPECT_THAT(run.err, HasSubstr("Column: (A), Data: (\xC3\xBC), File Offset: 0"));
}

// Framed files, spanned ones too, read whole, then in the ranges between the split points
// lyra splits prints for split sizes from a byte to the whole file: the same records.
TEST_F(CliTest, FramedFilesReadWholeAndInRanges) {
  const std::pair<const char*, const char*> files[] = {
      {"shipments_le.dat", "rdw --rdw-little-endian --rdw-excludes-header"},
      {"shipments_vbs.dat", "vbs"},
      {"shipments_vs.dat", "vs --rdw-little-endian"},
  };
  const std::string read =
      "read -c " + dataPath("copybooks/shipment.cpy") + " --format jsonl --with-position";
  for (const auto& [name, options] : files) {
    const std::string file = dataPath("files/"s + name);
    SCOPED_TRACE(file);
    const std::string framed = " --record-format "s + options + " " + file;
    const Result whole = lyra(words(read + framed));
    EXPECT_EQ(0, whole.status) << whole.err;
    const std::vector<std::string> placed = lines(readFile(file + ".offsets"));
    const std::vector<std::string> records = lines(whole.out);
    ASSERT_EQ(placed.size() - 1, records.size());
    for (size_t i = 0; i < records.size(); ++i) {
      const std::vector<std::string> place = words(placed[i + 1]);
      const std::string start = "{\"_record\":" + place[0] + ",\"_offset\":" + place[1] + ",";
      EXPECT_EQ(start, records[i].substr(0, start.size()));
    }
    EXPECT_THAT(records[0], HasSubstr("\"SHP-ID\":\"SH24000101\","));
    for (const std::string& every : {"1"s, "200"s, std::to_string(readFile(file).size())}) {
      const Result points = lyra(words("splits --every " + every + framed));
      ASSERT_EQ(0, points.status) << points.err;
      const std::vector<std::string> at = words(points.out);  // offset and record number pairs
      ASSERT_LT(1u, at.size());
      std::string joined;
      for (size_t i = 0; i < at.size(); i += 2) {
        const std::string end = i + 2 < at.size() ? at[i + 2] : "";
        const Result part = lyra(words(read + " --range " + at[i] + ":" + end + " --first-record " +
                                       at[i + 1] + framed));
        EXPECT_EQ(0, part.status) << part.err;
        joined += part.out;
      }
      EXPECT_EQ(whole.out, joined) << "every " << every;
    }
  }
}

// A bad record stops the read (in a range, known by offset alone); --max-errors N (all with
// --rejects alone) passes over them, --rejects keeps them; any passed over makes status 1.
TEST_F(CliTest, BadRecordsStopTheReadOrArePassedOver) {
  const std::string text = dir.write("lines", "AB123\nAB1234\nCD456\nCD45678\nEF789\n");
  const std::string rejects = dir.path("rejects");
  const std::string longer = "Line of 6 bytes is longer than its layout, which reads 5";
  const std::string longest = "Line of 7 bytes is longer than its layout, which reads 5";
  const std::string read = "read -c " + rec + " --record-format lines --rejects " + rejects + " ";
  expectLyra(words(read + "--max-errors 1 --range 1: " + text), 1, "A,B\r\nCD,456\r\n",
             "lyra read: " + text + ": record at byte offset 19: " + longest +
                 "\nlyra read: 1 bad record skipped\n");
  EXPECT_EQ(
      "AB1234\n{\"record\": null, \"offset\": 6, \"length\": 7, \"reason\": \"" + longer + "\"}\n",
      readFile(rejects) + readFile(rejects + ".jsonl"));
  // Read to the end with bad records passed over: 3, which a script tells from 1.
  expectLyra(words(read + text), 3, "A,B\r\nAB,123\r\nCD,456\r\nEF,789\r\n",
             "lyra read: 2 bad records skipped\n");
  EXPECT_EQ("AB1234\nCD45678\n{\"record\": 2, \"offset\": 6, \"length\": 7, \"reason\": \"" +
                longer + "\"}\n{\"record\": 4, \"offset\": 19, \"length\": 8, \"reason\": \"" +
                longest + "\"}\n",
            readFile(rejects) + readFile(rejects + ".jsonl"));
  // "-" reads standard input; -o "./-" writes a file.
  dir.write("-", "OLD\n");
  const Result piped = runCommand(
      "{ cd '" + dir.path(".") + "' && cat lines | " +
      lyraCommand({"read", "-c", rec, "--record-format", "lines", "-o", "./-", "-"}) + "; }");
  EXPECT_EQ(1, piped.status);
  EXPECT_EQ("lyra read: standard input: record 2 at byte offset 6: " + longer + "\n", piped.err);
  EXPECT_EQ("A,B\r\nAB,123\r\n", readFile(dir.path("-")));
}

// Many threads, in chunks of 1, 37 or 500 bytes, write what one thread writes, rejects too.
TEST_F(CliTest, ThreadsWriteWhatOneThreadWrites) {
  const std::string bytes = readFile(dataPath("files/customers_rdw.dat"));
  // A bad record of zero length before record 4; a word of FF bytes for record 6's.
  const std::string zeroLength =
      dir.write("zero.rdw", bytes.substr(0, 612) + "\0\4\0\0"s + bytes.substr(612));
  const std::string badWord =
      dir.write("bad.rdw", bytes.substr(0, 1020) + "\xFF\xFF\xFF\xFF" + bytes.substr(1024));
  const std::string rejects = dir.path("rejects");
  const std::string customers = " -c " + dataPath("copybooks/custmast.cpy") + " ";
  const std::string rdw = customers + "--record-format rdw --ebcdic ";
  const std::string txn = " -c " + dataPath("copybooks/txnhdr.cpy") + "=HD -c " +
                          dataPath("copybooks/txndtl.cpy") +
                          "=DT --id-field '0:PIC X(2)' --active DT " + "--fixed 120 " +
                          dataPath("files/txn_fixed120.dat") + " ";
  const std::tuple<std::string, int, size_t> cases[] = {
      // 200-byte records: in 500-byte chunks the limit falls inside the second chunk.
      {customers + "--fixed --format jsonl --with-position --limit 4 " +
           dataPath("files/customers.dat"),
       0, 4},
      {" -c " + dataPath("copybooks/payroll.cpy") +
           " --record-format lines --with-position --range 150: --first-record 3 " +
           dataPath("files/payroll.txt"),
       0, 9},
      {rdw + zeroLength, 1, 4},
      {rdw + "--with-position --max-errors 1 --limit 8 --rejects " + rejects + " " + zeroLength, 3,
       9},
      {rdw + "--max-errors all " + badWord, 1, 6},
      // Spanned records over blocks, little-endian segment words.
      {customers +
           "--record-format vbs --rdw-little-endian --rdw-excludes-header --bdw-excludes-header "
           "--ebcdic --with-position " +
           dataPath("files/customers_vbs.dat"),
       0, 13},
      // Records of no layout (the trailers, TR) are counted as far as the read goes.
      {txn + "--limit 5", 0, 6},
      {txn + "--limit 6", 0, 7},
      {txn + "--with-position", 0, 10},
  };
  for (const auto& [options, status, rows] : cases) {
    SCOPED_TRACE(options);
    const Result one = lyra(words("read --threads 1 --chunk-size 1" + options));
    const std::string kept = readFile(rejects) + readFile(rejects + ".jsonl");
    ASSERT_EQ(status, one.status) << one.err;
    ASSERT_EQ(rows, lines(one.out).size());
    for (const std::string run : {"2 --chunk-size 1", "2 --chunk-size 500", "3 --chunk-size 37",
                                  "7 --chunk-size 1", "7 --chunk-size 37"}) {
      SCOPED_TRACE(run);
      const Result many = lyra(words("read --threads " + run + options));
      EXPECT_EQ(one.status, many.status);
      EXPECT_EQ(one.out, many.out);
      EXPECT_EQ(one.err, many.err);
      EXPECT_EQ(kept, readFile(rejects) + readFile(rejects + ".jsonl"));
    }
  }
}

// Compressed files write what the plain file writes, on one thread and on many: fed by
// one decompressing thread, or, with an index, in ranges that start at its checkpoints;
// a file cut short writes the records before the cut on any number of threads, then its
// message.
TEST_F(CliTest, CompressedFilesOnOneThreadAndMany) {
  const std::string read = "read -c " + dataPath("copybooks/custmast.cpy") +
                           " --record-format rdw --ebcdic --with-position --format jsonl ";
  const Result plain = lyra(words(read + "--threads 1 " + dataPath("files/customers_rdw.dat")));
  ASSERT_EQ(0, plain.status);
  ASSERT_EQ(12u, lines(plain.out).size());
  const std::string index = dir.path("gz.idx");
  const Result points = lyra(words("splits --record-format rdw --every 300 --index " + index + " " +
                                   dataPath("files/customers_rdw.dat.gz")));
  EXPECT_EQ(0, points.status) << points.err;
  // Points where a record of 204 bytes starts: the first, the first after the second
  // member's start (1020) and after checkpoints about every 300 bytes.
  const std::vector<std::string> at = words(points.out);
  ASSERT_LT(6u, at.size());
  for (size_t i = 0; i < at.size(); i += 2) {
    EXPECT_EQ(std::to_string((std::stoll(at[i + 1]) - 1) * 204), at[i]);
    if (i > 0) {
      EXPECT_LT(std::stoll(at[i - 2]), std::stoll(at[i]));
    }
  }
  EXPECT_NE(std::string::npos, points.out.find("\n1020\t6\n"));
  for (const std::string file : {"customers_rdw.dat.gz", "customers_rdw.dat.bz2",
                                 "customers_rdw.dat.zst", "customers_rdw.dat.gz --index"}) {
    SCOPED_TRACE(file);
    const std::string input =
        dataPath("files/" + file.substr(0, file.find(' '))) +
        (file.find("--index") != std::string::npos ? " --index " + index : "");
    for (const std::string threads : {"1", "2 --chunk-size 1", "3 --chunk-size 300"}) {
      const Result run = lyra(words(read + "--threads " + threads + " " + input));
      EXPECT_EQ(0, run.status) << threads << ": " << run.err;
      EXPECT_EQ(plain.out, run.out) << threads;
    }
  }
  const std::string gz = readFile(dataPath("files/customers_rdw.dat.gz"));
  const std::string cut = dir.write("cut.gz", gz.substr(0, 623 + 5));
  const std::vector<std::string> all = lines(plain.out);
  std::string five;
  for (size_t i = 0; i < 5; ++i) five += all[i] + "\n";
  for (const std::string threads : {"1", "2 --chunk-size 300"}) {
    expectLyra(words(read + "--threads " + threads + " " + cut), 1, five,
               "lyra read: " + cut +
                   ": record 6 at byte offset 1020: The gzip data is cut short: it ends at "
                   "decompressed byte offset 1020\n");
  }
  // An index is an input, for another file an error.
  {
    const Result other =
        lyra(words(read + "--index " + index + " " + dataPath("files/customers_rdw.dat.zst")));
    EXPECT_EQ(1, other.status);
    EXPECT_EQ("lyra read: " + dataPath("files/customers_rdw.dat.zst") +
                  ": The index was made of another file: its size or bytes differ from this "
                  "one's\n",
              other.err);
  }
  const Result overwrite = lyra(words(read + "--index " + index + " -o " + index + " " +
                                      dataPath("files/customers_rdw.dat.gz")));
  EXPECT_EQ(2, overwrite.status);
}

// With several layouts, the records whose identifier matches none (the trailers of a file
// GnuCOBOL wrote) are stepped over, their count and first one the last message; in the
// layout format, which needs a layout to find where a record ends, one stops the read.
TEST_F(CliTest, RecordsOfNoLayoutAreSteppedOver) {
  const std::string read = "read -c " + dataPath("copybooks/txnhdr.cpy") + "=HD -c " +
                           dataPath("copybooks/txndtl.cpy") + "=DT --id-field '0:PIC X(2)' ";
  const Result fixed = lyra(words(read + "--fixed 120 " + dataPath("files/txn_fixed120.dat")));
  EXPECT_EQ(0, fixed.status);
  EXPECT_EQ(4u, lines(fixed.out).size());  // the header row and three HD records
  EXPECT_EQ(
      "lyra read: 3 records of no layout stepped over; the first, record 7 at byte offset 720, "
      "has the identifier 'TR'\n",
      fixed.err);
  const Result walked = lyra(words(read + dataPath("files/txn_var.dat")));
  EXPECT_EQ(1, walked.status);
  EXPECT_THAT(walked.err, HasSubstr("Copybook not found for this record: TR"));
}

// A failure that an option would have avoided gets a second line, "hint:", naming it: found
// by trying the input again, for copybooks and for the framing of data files, where lyra
// diagnose is named too. A layout file is read as what its content is, whichever option
// names it.
TEST_F(CliTest, HintsNameTheOptionThatReadsTheInput) {
  const auto dialect = [](const std::string& name) {
    return dataPath("copybooks/dialects/" + name);
  };
  const std::string shipment = " -c " + dataPath("copybooks/shipment.cpy") + " ";
  const std::string rdw = " --record-format rdw ";
  const std::string blocks = dir.write("blocks.dat", "\0\x12\0\0\0\x09\0\0AB123\0\x09\0\0CD456"s);
  const std::string diagnose = "; lyra diagnose names every option the file needs";
  const std::string headed =
      dir.write("headed.dat", "HEADER " + readFile(dataPath("files/accounts.dat")));
  const std::pair<std::string, std::string> cases[] = {
      {"columns " + dialect("free.cpy"), "looks like free form: add --source-format free"},
      {"tree " + dialect("wide.cpy"), "text stands past column 72: add --margin none"},
      {"read" + shipment + "--record-format rdw --rdw-excludes-header " +
           dataPath("files/shipments_le.dat"),
       "these options frame the file's records: --record-format rdw --rdw-little-endian "
       "--rdw-excludes-header" +
           diagnose},
      {"splits --every 100 --record-format vb " + blocks,
       "these options frame the file's records: --record-format vb --bdw-excludes-header"},
      {"read -c " + dataPath("copybooks/payroll.cpy") + rdw + dataPath("files/payroll.txt"),
       "the file holds text lines: use --record-format lines" + diagnose},
      {"read -c " + dataPath("copybooks/policy.cpy") + " --fixed " + dataPath("files/policies.dat"),
       "32 bytes are left over after the last whole record of 185 bytes: a header of 32 bytes "
       "would be --skip 32; otherwise check --record-length" +
           diagnose},
      // A walk that fails where no option found reads the file: lyra diagnose alone.
      {"read -c " + dataPath("copybooks/acctrec.cpy") + " " + headed,
       "lyra diagnose, given the same layouts, names the options that read the file"},
  };
  for (const auto& [args, hint] : cases) {
    SCOPED_TRACE(args);
    const Result run = lyra(words(args));
    EXPECT_EQ(1, run.status);
    const std::vector<std::string> said = lines(run.err);
    ASSERT_EQ(2u, said.size()) << run.err;
    EXPECT_THAT(said[1], ::testing::EndsWith(hint));
    EXPECT_EQ(0u, said[1].rfind("hint: ", 0));
  }
  // Text that looks EBCDIC, read without a code page: the read succeeds with a hint.
  const Result ebcdic = lyra({"read", "-c", dataPath("copybooks/custmast.cpy"), "--fixed",
                              dataPath("files/customers_ebcdic.dat")});
  EXPECT_EQ(0, ebcdic.status);
  EXPECT_EQ(
      "hint: the text looks EBCDIC: add --code-page 037 (lyra diagnose, with the same "
      "layouts, tells the page)\n",
      ebcdic.err);
  EXPECT_EQ("", lyra({"read", "-c", dataPath("copybooks/custmast.cpy"), "--fixed",
                      dataPath("files/customers.dat")})
                    .err);
  const std::string xml = dir.path("rec.xml");
  expectLyra({"convert", rec, "-o", xml}, 0, "");
  expectLyra({"read", "-c", xml, "--fixed", dir.write("d", "AB123")}, 0, "A,B\r\nAB,123\r\n");
  expectLyra({"read", "-x", rec, "--fixed", dir.path("d")}, 0, "A,B\r\nAB,123\r\n");
}

// Output far larger than its input, handed from the threads to the writer in parts, is
// written as one thread writes it: the bad records among it, --max-errors and --limit.
TEST_F(CliTest, ThreadsHandOverLargeOutputInParts) {
  std::string text;
  for (int i = 0; i < 800; ++i) {
    text += i % 97 == 5 ? std::string(20001, 'L') : "line" + std::to_string(i);
    text += "\n";
  }
  const std::string data = dir.write("short.txt", text);
  const std::string wide =
      dir.write("wide.cbl", "       01  R.\n           05  A  PIC X(20000).\n");
  for (const std::string options : {"--max-errors all", "--max-errors 3",
                                    "--max-errors all "
                                    "--limit 300"}) {
    SCOPED_TRACE(options);
    const std::string read = "read -c " + wide + " --record-format lines --format jsonl " +
                             options + " " + data + " --threads ";
    const Result one = lyra(words(read + "1"));
    ASSERT_GT(one.out.size(), PART_BYTES);  // in two parts at least
    for (const std::string run :
         {"2 --chunk-size 100", "2 --chunk-size 3000", "5 --chunk-size 7"}) {
      SCOPED_TRACE(run);
      const Result many = lyra(words(read + run));
      EXPECT_EQ(one.status, many.status);
      EXPECT_TRUE(one.out == many.out);
      EXPECT_EQ(one.err, many.err);
    }
  }
}

// Two threads hold little memory, however much output one input byte makes: a short
// line padded to a wide field; and --limit stops them at once.
TEST_F(CliTest, ThreadsHoldBoundedMemory) {
  const std::string lines = dir.write("short.txt", std::string(2 * 8192, '\n'));
  const std::string wide =
      dir.write("wide.cbl", "       01  R.\n           05  A  PIC X(32000).\n");
  const std::string huge =
      dir.write("huge.cbl", "       01  R.\n           05  A  PIC X(1000000).\n");
  const std::string read = " --record-format lines --threads 2 --chunk-size 8192 ";
  // Held whole, each chunk's output would take 256 MiB, a megabyte-wide one 8 GiB. What
  // the tool takes before it reads (its code, and a sanitizer's tens of MiB) counts apart.
  const long baseline = runMeasured({"--version"}).maxResidentKiB;
  for (const std::string& args :
       {"read -c " + wide + read + lines, "read -c " + huge + read + "--limit 1 " + lines}) {
    SCOPED_TRACE(args);
    const Measured run = runMeasured(words(args));
    EXPECT_EQ(0, run.status);
    EXPECT_LT(run.maxResidentKiB,
              std::max({64L * 1024, run.parentKiB + 8 * 1024, baseline + 48 * 1024}));
  }
}

// Help goes to standard output, status 0; errors to standard error alone: 2 for usage, 1 for
// data and layouts. An output that is also an input is refused before anything is opened.
TEST_F(CliTest, ExitStatusAndFirstLine) {
  const std::string missing = dir.path("missing.cbl"), out = dir.path("out.xml");
  const std::string noField =
      dir.write("no_field.xml", "<CCBLayout><node type=\"root\"/></CCBLayout>");
  const std::string recData = dir.write("rec.dat", "AB123CD456"), hard = dir.path("hard.dat");
  ASSERT_EQ(0, link(recData.c_str(), hard.c_str()));
  // An error follows "lyra COMMAND: " unless it is the usage.
  const auto check = [](const std::vector<std::string>& args, int status,
                        const std::string& message) {
    const bool whole = status == 0 || message.rfind("Usage", 0) == 0;
    const std::string first = (whole ? message : "lyra " + args[0] + ": " + message) + "\n";
    const Result run = lyra(args);
    const std::string& shown = status == 0 ? run.out : run.err;
    EXPECT_EQ(status, run.status) << first;
    EXPECT_EQ(first, status == 1 ? shown : shown.substr(0, first.size()));
    EXPECT_EQ("", status == 0 ? run.err : run.out) << first;
  };
  check({"read", "--help"}, 0, "Usage: lyra read [options] DATAFILE");
  check({"help", "splits"}, 0, "Usage: lyra splits [options] DATAFILE --every BYTES");
  check({}, 2, "Usage: lyra COMMAND [options] [arguments]");
  // A value that is missing, or given twice otherwise, is a usage error naming the option.
  check({"read", "-c", rec, "--code-page", recData}, 2,
        "no data file given: --code-page took '" + recData + "', the last argument, as its value");
  check({"read", "--code-page", "-c", rec, recData}, 2,
        "option '--code-page' needs a value (NAME)");
  check({"read", "-c", rec, "--limit", "3", "--limit=4", recData}, 2,
        "option '--limit' given twice with different values ('3' and '4')");
  check({"tree", "--bogus", "a.cbl"}, 2, "unknown option '--bogus'");
  check({"columns"}, 2, "no layout file given");
  check({"columns", "--format", "csv", rec}, 2, "unknown --format 'csv': use table or json");
  check({"read", "-c", rec, "--threads", "0", recData}, 2,
        "invalid --threads '0': expected a whole number of at least 1");
  check({"read", "-c", rec, "--typed", recData}, 2,
        "--typed applies to --format jsonl and json-nested only\nTry 'lyra read --help' for more "
        "information.");
  check({"read", "-c", rec, "--record-format", "rdw", "--bdw-excludes-header", recData}, 2,
        "--bdw-excludes-header goes with --record-format vb or vbs only");
  check({"read", "-c", rec, "--record-format", "lines", "--rdw-little-endian", recData}, 2,
        "--rdw-little-endian goes with --record-format rdw, vb, vbs or vs only");
  check({"read", "-c", rec, "--varseq-format", "4", recData}, 2,
        "invalid --varseq-format '4': the value is too large (at most 3)");
  check({"splits", "--record-format", "vb", "--varseq-format", "1", "--every", "9", recData}, 2,
        "--varseq-format goes with --record-format rdw only, not vb");
  check({"read", "-c", rec, "--varseq-format", "2", "--rdw-excludes-header", recData}, 2,
        "--varseq-format gives the form of each record's length: it does not go with "
        "--rdw-excludes-header");
  check({"splits", "--record-format", "fixed", "--every", "10", recData}, 2,
        "fixed records need no split points: a range of them may start at any byte");
  check({"read", "-c", rec, missing}, 1, missing + ": No such file or directory");
  check({"read", "-c", rec, "-o", "/dev/full", recData}, 1,
        "cannot write /dev/full: No space left on device");
  check({"read", "-c", rec, "--skip", "3000000000", recData}, 1,
        recData + ": the file is 10 bytes long, shorter than --skip 3000000000");
  check({"convert", noField, "-o", out}, 1, noField + ": the layout has no fields");
  // Level numbers above 99 are refused at load, also inside a COPY member.
  const std::string member = dir.write("member.cpy", source({"05 A PIC X.", "120 B PIC X."}));
  const std::string main = dir.write("main.cpy", "       01  R.\n           COPY MEMBER.\n");
  check({"convert", main, "-o", out}, 1, main + ": Invalid level number, Line: 2 in " + member);
  dir.write("ok.cpy", "           05  A  PIC X.\n");
  const std::string after = dir.write("after.cpy", source({"01 R.", "COPY OK.", "120 B PIC X."}));
  check({"columns", after}, 1, after + ": Invalid level number, Line: 3");
  // The level check parses with the layout options: past a COMP-1 item only with them.
  const std::string floatBig =
      dir.write("float_big.cbl", "       01  R.\n        05  F  COMP-1.\n        100  A  PIC X.\n");
  check({"tree", "--float-format", "ieee", floatBig}, 1,
        floatBig + ": Invalid level number, Line: 3");
  const std::string measures = dataPath("copybooks/measures.cpy");
  check({"read", "-c", measures, dataPath("files/measures.dat")}, 1,
        measures +
            ": Invalid or unknown usage clause, Line: 12\nhint: COMP-1 and COMP-2 items hold "
            "floats: add --float-format ibm, ieee or ieee-le");
  // Every file a layout was read from is an input: its COPY members too.
  const std::string copier = dir.write("copier.cpy", source({"01 R.", "COPY OK."}));
  const std::string okMember = dir.path("ok.cpy");
  check({"read", "-c", copier, "--fixed", "-o", okMember, recData}, 2,
        "-o '" + okMember + "' would overwrite the input file '" + okMember + "'");
  check({"read", "-c", copier, "--fixed", "--rejects", okMember, recData}, 2,
        "--rejects '" + okMember + "' would overwrite the input file '" + okMember + "'");
  check({"convert", copier, "-o", okMember}, 2,
        "-o '" + okMember + "' would overwrite the input file '" + okMember + "'");
  EXPECT_EQ("           05  A  PIC X.\n", readFile(okMember));
  check({"read", "-c", rec, "--fixed", "-o", hard, recData}, 2,
        "-o '" + hard + "' would overwrite the input file '" + recData + "'");
  check({"read", "-c", rec, "--fixed", "--rejects", recData, recData}, 2,
        "--rejects '" + recData + "' would overwrite the input file '" + recData + "'");
  check({"read", "-c", rec, "--fixed", "--rejects", out, "-o", out + ".jsonl", recData}, 2,
        "--rejects '" + out + ".jsonl' and -o '" + out + ".jsonl' name one file");
  EXPECT_EQ(REC, readFile(rec));
  EXPECT_EQ("AB123CD456", readFile(recData));
  EXPECT_NE(0, access(out.c_str(), F_OK));
}

// -o replaces its file once written, else the old one stays; it keeps its permissions
// (0666 less the umask when new), a link stays a link, no temporary file is left.
TEST_F(CliTest, OutputIsReplacedOnceWritten) {
  dir.write("good", "AB123CD456");
  dir.write("many", std::string(10000, '7'));
  ASSERT_EQ(0, symlink("old.csv", dir.path("link.csv").c_str()));
  const std::string written = "A,B\r\nAB,123\r\nCD,456\r\n";
  const std::tuple<std::string, const char*, std::string, std::string, const char*, std::string>
      cases[] = {{"umask 077;", "good", "link.csv", written, "604\n", ""},
                 {"umask 027;", "good", "new.csv", written, "640\n", ""},
                 {"trap '' XFSZ; ulimit -f 1;", "many", "old.csv", "OLD\n", "604\n",
                  "lyra read: cannot write old.csv: File too large\n"}};
  for (const auto& [setup, data, output, want, mode, err] : cases) {
    SCOPED_TRACE(setup + data + " " + output);
    ASSERT_EQ(0, chmod(dir.write("old.csv", "OLD\n").c_str(), 0604));
    const Result run =
        runCommand("cd '" + dir.path(".") + "' && " + setup +
                   lyraCommand({"read", "-c", "rec.cbl", "--fixed", "-o", output, data}));
    EXPECT_EQ(err.empty() ? 0 : 1, run.status);
    EXPECT_EQ(err, run.err);
    EXPECT_EQ(want, readFile(dir.path(output)));
    EXPECT_EQ(mode, runCommand("stat -L -c %a '" + dir.path(output) + "'").out);
    struct stat link;
    EXPECT_TRUE(lstat(dir.path("link.csv").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_EQ(std::string::npos, runCommand("ls -A '" + dir.path(".") + "'").out.find(".lyra-"));
  }
}

// convert writes its document as read writes -o: through a temporary file, so that a
// failed write keeps the old document; - is standard output for both.
TEST_F(CliTest, ConvertWritesAsReadDoes) {
  std::string wide = "       01  W.\n";
  for (int i = 0; i < 40; ++i) wide += "           05  F" + std::to_string(i) + " PIC X.\n";
  dir.write("wide.cbl", wide);
  const Result toStandardOutput = lyra({"convert", dir.path("wide.cbl"), "-o", "-"});
  ASSERT_EQ(0, toStandardOutput.status) << toStandardOutput.err;
  ASSERT_GT(toStandardOutput.out.size(), 1024u);
  expectLyra({"convert", dir.path("wide.cbl"), "-o", dir.path("wide.xml")}, 0, "");
  EXPECT_EQ(toStandardOutput.out, readFile(dir.path("wide.xml")));
  dir.write("old.xml", "OLD\n");
  const Result full = runCommand("cd '" + dir.path(".") + "' && trap '' XFSZ; ulimit -f 1; " +
                                 lyraCommand({"convert", "wide.cbl", "-o", "old.xml"}));
  EXPECT_EQ(1, full.status);
  EXPECT_EQ("lyra convert: cannot write old.xml: File too large\n", full.err);
  EXPECT_EQ("OLD\n", readFile(dir.path("old.xml")));
  EXPECT_EQ(std::string::npos, runCommand("ls -A '" + dir.path(".") + "'").out.find(".lyra-"));
  expectLyra({"read", "-c", rec, "--fixed", "-o", "-", dir.write("d", "AB123")}, 0,
             "A,B\r\nAB,123\r\n");
}

// Every command checks its writes to standard output. A closed pipe ends a read quietly,
// by SIGPIPE or, ignored, status 1, before the cut record at the end would be reported.
TEST_F(CliTest, FailedWritesAndClosedPipes) {
  const std::string copybook = dir.write("r.cbl", "       01  R.\n           05  A  PIC X(8).\n");
  const std::string data = dir.write("r.dat", std::string(8 * 300000, 'x') + "cut");
  const auto read = [&](const std::string& threads) {
    return "read -q -c " + copybook + " --fixed --threads " + threads + " " + data;
  };
  const std::string trailer = EXAMPLES + "order_trailer.cbl";
  for (const std::string& args :
       {"columns " + trailer, "read -c " + trailer + " --limit 1 " + EXAMPLES + "orders.dat",
        read("1"), read("4"), std::string("--help"),
        "splits --record-format lines --every 1 " + dataPath("files/payroll.txt")}) {
    const Result run = runCommand("{ " + lyraCommand(words(args)) + " >/dev/full; }");
    const std::string command = args[0] == '-' ? "lyra" : "lyra " + words(args)[0];
    EXPECT_EQ(1, run.status) << args;
    EXPECT_EQ(command + ": cannot write standard output: No space left on device\n", run.err);
  }
  for (const char* threads : {"1", "4"}) {
    for (const std::string trap : {"", "trap '' PIPE; "}) {
      SCOPED_TRACE(trap + threads + " threads");
      const std::string script = trap + "{ " + lyraCommand(words(read(threads))) + " 2>" +
                                 dir.path("err") + "; echo $? >" + dir.path("status") +
                                 "; } | head -c 1 >/dev/null";
      ASSERT_EQ(0, runCommand(script).status);
      EXPECT_EQ("", readFile(dir.path("err")));
      EXPECT_EQ(trap.empty() ? "141\n" : "1\n", readFile(dir.path("status")));
    }
  }
}

// The README shows examples/host_example.cpp, which prints the three customers' columns.
TEST_F(CliTest, ReadmeHostExample) {
  const std::string code = "\n```cpp\n" + readFile(EXAMPLES + "host_example.cpp") + "```\n";
  EXPECT_NE(std::string::npos, readFile(LYRA_SOURCE_DIR "/README.md").find(code));
  const Result run = runCommand(lyraCommand({EXAMPLES + "custrec.cbl", EXAMPLES + "customers.dat"},
                                            LYRA_BINARY_DIR "/tools/lyra/lyra_host_example"));
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(3 * 14, std::count(run.out.begin(), run.out.end(), '\n'));  // heading, 13 columns
  EXPECT_THAT(run.out, HasSubstr("record 2\n  CUST-ID            [000107]\n"
                                 "  CUST-NAME          [Bletchley Radio Ltd     ]\n"));
}

}  // namespace
