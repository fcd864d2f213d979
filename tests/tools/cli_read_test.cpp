// End-to-end tests of `lyra read` on the bundled examples. The expected values come
// from the programs that wrote the example files (examples/cobol/), decoded by hand:
// display digits as written, an embedded sign as a leading blank or '-', a separate
// sign as written, packed digits with their leading zeros, binary without.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"
#include "tools/json_check.h"
#include "tools/tool_runner.h"

namespace {

using test_support::dataPath;
using test_support::examplePath;
using test_support::JsonCheck;
using test_support::readFile;
using test_support::runTool;
using test_support::TempDir;
using test_support::ToolRun;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

// The order file: header (OH), line (OL) and trailer (OT) records.
std::vector<std::string> orderArgs(const char* active, const std::vector<std::string>& more) {
  std::vector<std::string> args{"read",
                                "-c",
                                examplePath("order_header.cbl") + "=OH",
                                "-c",
                                examplePath("order_line.cbl") + "=OL",
                                "-c",
                                examplePath("order_trailer.cbl") + "=OT",
                                "--id-field",
                                "0:PIC X(2)",
                                "--active",
                                active};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

std::vector<std::string> payrollArgs(const std::vector<std::string>& more) {
  std::vector<std::string> args{"read", "-c", examplePath("payroll.cbl")};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Field texts keep their trailing blanks; a field holding a comma or a quote is
// quoted with its quotes doubled; notes beyond the note count are null, so empty;
// the ISO-8859-1 u-umlaut of "Müller" comes out in UTF-8; rows end in CRLF.
TEST(CliReadTest, CsvQuotesCommasAndQuotesAndLeavesNullsEmpty) {
  const ToolRun run = runTool(orderArgs("OH", {examplePath("orders.dat")}));
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
  EXPECT_EQ("", run.err);
}

// Positive and negative embedded signs (00004, -00001 from "0000q"), packed prices,
// a separate leading sign.
TEST(CliReadTest, LinesOfTheActiveLayoutOnly) {
  const ToolRun run = runTool(orderArgs("ol", {"--limit", "3", examplePath("orders.dat")}));
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ((std::vector<std::string>{
                "OL-RECORD-TYPE,OL-ORDER-ID,OL-LINE-NO,OL-SKU,OL-DESCRIPTION,OL-QUANTITY,"
                "OL-UNIT-PRICE,OL-DISCOUNT-PCT,OL-AMOUNT\r",
                "OL,00010001,001,AB-1001   ,\"Copper pipe 15mm, 3m    \", 00004,00012.50,00.0,"
                "+0000050.00\r",
                "OL,00010001,002,AB-2040   ,Elbow joint 15mm        , 00010,00001.95,05.0,"
                "+0000018.53\r",
                "OL,00010001,003,AB-1001   ,\"Copper pipe 15mm, 3m    \",-00001,00012.50,00.0,"
                "-0000012.50\r",
            }),
            lines(run.out));
}

// Every line parses as JSON, in every format variant and layout.
TEST(CliReadTest, JsonLinesAreValidJson) {
  const std::vector<std::vector<std::string>> runs = {
      orderArgs("OH", {"--format", "jsonl", examplePath("orders.dat")}),
      orderArgs("OL", {"--format", "jsonl", "--typed", examplePath("orders.dat")}),
      orderArgs("OH", {"--format", "jsonl", "--typed", examplePath("orders.dat")}),
      payrollArgs({"--fixed", "--skip", "20", "--ebcdic", "--format", "jsonl", "--typed",
                   examplePath("payroll.dat")}),
      // Read as ASCII, the EBCDIC bytes are characters above 127 to be encoded.
      payrollArgs({"--fixed", "--skip", "20", "--format", "jsonl", examplePath("payroll.dat")}),
  };
  for (const std::vector<std::string>& args : runs) {
    const ToolRun run = runTool(args);
    EXPECT_EQ(0, run.status) << run.err;
    const std::vector<std::string> objects = lines(run.out);
    EXPECT_FALSE(objects.empty());
    for (const std::string& object : objects) {
      size_t at = 0;
      EXPECT_TRUE(JsonCheck::isValid(object, &at)) << object << " at " << at;
    }
  }
}

TEST(CliReadTest, JsonLinesHoldStringsAndNulls) {
  const ToolRun run = runTool(orderArgs("OH", {"--format", "jsonl", examplePath("orders.dat")}));
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(
      "{\"OH-RECORD-TYPE\":\"OH\",\"OH-ORDER-ID\":\"00010002\",\"OH-ORDER-DATE\":\"20240306\","
      "\"OH-CUSTOMER-NAME\":\"M\xC3\xBCller Werkzeuge GmbH         \","
      "\"OH-SHIP-CITY\":\"Hamburg         \",\"OH-PRIORITY\":\"S\",\"OH-NOTE-COUNT\":\"0\","
      "\"OH-NOTE\":null,\"OH-NOTE_1\":null,\"OH-NOTE_2\":null}",
      lines(run.out).at(1));
}

// Typed numbers: packed and binary (OT), and in the payroll file an embedded sign
// with a leading blank (" 00350.00") and a negative one, packed with leading zeros,
// binary with a scale.
TEST(CliReadTest, TypedJsonLinesWriteNumbers) {
  const ToolRun trailers =
      runTool(orderArgs("OT", {"--format", "jsonl", "--typed", examplePath("orders.dat")}));
  EXPECT_EQ(
      (std::vector<std::string>{
          R"({"OT-RECORD-TYPE":"OT","OT-ORDER-ID":10001,"OT-LINE-COUNT":3,"OT-ORDER-TOTAL":56.03})",
          R"({"OT-RECORD-TYPE":"OT","OT-ORDER-ID":10002,"OT-LINE-COUNT":1,"OT-ORDER-TOTAL":44.98})",
          R"({"OT-RECORD-TYPE":"OT","OT-ORDER-ID":10003,"OT-LINE-COUNT":2,"OT-ORDER-TOTAL":273.40})",
      }),
      lines(trailers.out));
  const ToolRun payroll = runTool(payrollArgs({"--fixed", "--skip", "20", "--ebcdic", "--format",
                                               "jsonl", "--typed", examplePath("payroll.dat")}));
  EXPECT_EQ(
      "{\"PR-EMPLOYEE-ID\":100457,\"PR-NAME\":\"JAMES O'BRIEN       \",\"PR-DEPARTMENT\":\"OPS \","
      "\"PR-GRADE\":4,\"PR-MONTHLY-SALARY\":2890.50,\"PR-HOURS-WORKED\":170.0,"
      "\"PR-BONUS\":-125.75,\"PR-TAX-CODE\":\"BR   \",\"PR-HIRE-DATE\":20190915,"
      "\"FILLER\":\"     \"}",
      lines(payroll.out).at(1));
}

// Decoded texts that are not plain JSON numbers: "-.05", "#ERR#" (a packed field whose
// sign nibble is a digit), blanks, " 120" (an overpunch '{'), "007.50", "+001.2".
TEST(CliReadTest, TypedNumbersAreNormalisedOrNull) {
  TempDir dir;
  const std::string copybook = dir.write("typed.cbl",
                                         "       01  R.\n"
                                         "           05  A  PIC SV99 SIGN TRAILING SEPARATE.\n"
                                         "           05  B  PIC S9(3) COMP-3.\n"
                                         "           05  C  PIC 9(3).\n"
                                         "           05  D  PIC S9(3).\n"
                                         "           05  E  PIC 9(3)V99.\n"
                                         "           05  F  PIC X(3).\n"
                                         "           05  G  PIC S9(3)V9 SIGN LEADING SEPARATE.\n");
  const std::string data = dir.write("typed.dat", std::string("05-\x12\x34   12{00750abc+0012"));
  const ToolRun strings = runTool({"read", "-c", copybook, "--format", "jsonl", data});
  EXPECT_EQ(R"({"A":"-.05","B":"#ERR#","C":"   ","D":" 120","E":"007.50","F":"abc","G":"+001.2"})"
            "\n",
            strings.out);
  const ToolRun typed = runTool({"read", "-c", copybook, "--format", "jsonl", "--typed", data});
  EXPECT_EQ(R"({"A":-0.05,"B":null,"C":null,"D":120,"E":7.50,"F":"abc","G":1.2})"
            "\n",
            typed.out);
}

// Widths are the wider of name and output length; numbers right-aligned.
TEST(CliReadTest, TableAlignsColumns) {
  const ToolRun run = runTool(orderArgs("OT", {"--format", "table", examplePath("orders.dat")}));
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(
      "OT-RECORD-TYPE  OT-ORDER-ID  OT-LINE-COUNT  OT-ORDER-TOTAL\n"
      "--------------  -----------  -------------  --------------\n"
      "OT                 00010001              3    000000056.03\n"
      "OT                 00010002              1    000000044.98\n"
      "OT                 00010003              2    000000273.40\n",
      run.out);
}

// The payroll file: a 20-byte header, 64-byte EBCDIC records with packed, binary and
// an embedded sign (zone C or D), names with accented letters.
TEST(CliReadTest, EbcdicFixedRecordsAfterAHeader) {
  const ToolRun run =
      runTool(payrollArgs({"--fixed", "--skip", "20", "--ebcdic", examplePath("payroll.dat")}));
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ((std::vector<std::string>{
                "PR-EMPLOYEE-ID,PR-NAME,PR-DEPARTMENT,PR-GRADE,PR-MONTHLY-SALARY,"
                "PR-HOURS-WORKED,PR-BONUS,PR-TAX-CODE,PR-HIRE-DATE,FILLER\r",
                "100231,REN\xC3\x89"
                "E DUBOIS        ,FIN ,7,0004250.00,162.5, 00350.00,1257L,"
                "20150401,     \r",
                "100457,JAMES O'BRIEN       ,OPS ,4,0002890.50,170.0,-00125.75,BR   ,20190915,"
                "     \r",
                "100982,ANA GARC\xC3\x8D"
                "A          ,IT  ,9,0005120.00,151.0, 00000.00,1257L,"
                "20210104,     \r",
                "101340,LI WEI              ,OPS ,3,0002100.00,184.5, 00075.00,K475 ,20230612,"
                "     \r",
            }),
            lines(run.out));
}

// Without --ebcdic the bytes stand: 0xF1 0xF0 ... are "ñð..." and no digits.
TEST(CliReadTest, WithoutEbcdicTheBytesStand) {
  const ToolRun run = runTool(payrollArgs({"--fixed", "--skip", "20", "--format", "jsonl",
                                           "--limit", "1", examplePath("payroll.dat")}));
  EXPECT_EQ(0, run.status);
  const std::string start =
      "{\"PR-EMPLOYEE-ID\":\"\xC3\xB1\xC3\xB0\xC3\xB0\xC3\xB2\xC3\xB3\xC3\xB1\",";
  EXPECT_EQ(start, run.out.substr(0, start.size()));
}

// --fixed LENGTH steps over what the layout does not read: the customer records
// padded to 100 bytes. --skip moves the start of the first record.
TEST(CliReadTest, FixedLengthAndSkip) {
  TempDir dir;
  const std::string records = readFile(examplePath("customers.dat"));
  std::string padded;
  for (size_t at = 0; at < records.size(); at += 80) {
    padded += records.substr(at, 80) + std::string(20, '*');
  }
  const struct {
    std::string data;
    std::vector<std::string> options;
    std::vector<std::string> ids;
  } cases[] = {
      {examplePath("customers.dat"), {"--fixed"}, {"000042", "000107", "000233"}},
      {examplePath("customers.dat"), {"--fixed", "80"}, {"000042", "000107", "000233"}},
      {examplePath("customers.dat"), {"--fixed", "--skip", "80"}, {"000107", "000233"}},
      {examplePath("customers.dat"), {"--skip=160"}, {"000233"}},
      {examplePath("customers.dat"), {}, {"000042", "000107", "000233"}},  // variable
      {dir.write("padded.dat", padded), {"--fixed=100"}, {"000042", "000107", "000233"}},
      {dir.write("headed.dat", "HEADER" + padded),
       {"--skip", "6", "--fixed", "100"},
       {"000042", "000107", "000233"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"read", "-c", examplePath("custrec.cbl"), "--format", "jsonl"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(c.data);
    const ToolRun run = runTool(args);
    EXPECT_EQ(0, run.status) << run.err;
    std::vector<std::string> ids;
    for (const std::string& line : lines(run.out)) ids.push_back(line.substr(12, 6));
    EXPECT_EQ(c.ids, ids) << testing::PrintToString(c.options);
  }
}

// 160-byte records in a 240-byte file: the second record is cut short.
TEST(CliReadTest, FixedLengthLongerThanTheRestOfTheFile) {
  const std::string data = examplePath("customers.dat");
  const ToolRun run = runTool({"read", "-c", examplePath("custrec.cbl"), "--fixed", "160", data});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(2u, lines(run.out).size());
  EXPECT_EQ("lyra read: " + data +
                ": record 2 at byte offset 160: Reached EOF on data file while reading data\n",
            run.err);
}

TEST(CliReadTest, OutputFileAndTrace) {
  TempDir dir;
  const std::string out = dir.path("customers.csv");
  const ToolRun run = runTool({"read", "-c", examplePath("custrec.cbl"), "--fixed", "--limit", "1",
                               "--trace", "-o", out, examplePath("customers.dat")});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.out);
  EXPECT_EQ(2u, lines(readFile(out)).size());
  // Copybook parsing, then one line per decoded field.
  EXPECT_NE(std::string::npos, run.err.find("LINE 3 PARSE: 01  CUSTOMER-RECORD\n"));
  EXPECT_NE(std::string::npos,
            run.err.find("Column: (CUST-ID), Data: (000042), File Offset: 0, End Offset: 6\n"
                         "Column: (CUST-NAME), Data: (Ada Lovelace            ), "
                         "File Offset: 6, End Offset: 30\n"));
}

// Standard error is not a terminal here: no progress bar, not even on a long read.
TEST(CliReadTest, NoProgressBarWhenStandardErrorIsNotATerminal) {
  TempDir dir;
  std::string many;
  const std::string records = readFile(examplePath("customers.dat"));
  for (int i = 0; i < 20000; ++i) many += records;
  const std::string data = dir.write("many.dat", many);
  const ToolRun run =
      runTool({"read", "-c", examplePath("custrec.cbl"), "--fixed", "-o", dir.path("o"), data});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(60001u, lines(readFile(dir.path("o"))).size());
}

// --- Records that cannot be read: every record before is written, then the
// message names the record (counting all records of the file from 1) and its offset.

// orders.dat: OH 0-105, OL 106-174, 175-243, 244-312, OT 313-330, OH 331-396,
// OL 397-465, OT 466-483, OH 484-569, OL 570-638, OL 639-707, OT 708-725.
TEST(CliReadTest, TruncatedVariableFileStopsAtTheCutRecord) {
  TempDir dir;
  const std::string cut = dir.write("cut.dat", readFile(examplePath("orders.dat")).substr(0, 700));
  const std::string message = "lyra read: " + cut +
                              ": record 11 at byte offset 639: Reached EOF on data file while "
                              "reading data\n";
  const struct {
    const char* active;
    size_t rows;  // header row included
  } cases[] = {{"OH", 4}, {"OL", 6}, {"OT", 3}};
  for (const auto& c : cases) {
    const ToolRun run = runTool(orderArgs(c.active, {cut}));
    EXPECT_EQ(1, run.status) << c.active;
    EXPECT_EQ(c.rows, lines(run.out).size()) << c.active;
    EXPECT_EQ(message, run.err) << c.active;
  }
  const ToolRun line = runTool(orderArgs("OL", {"--format", "jsonl", cut}));
  EXPECT_EQ(
      R"({"OL-RECORD-TYPE":"OL","OL-ORDER-ID":"00010003","OL-LINE-NO":"001","OL-SKU":"EF-7700   ","OL-DESCRIPTION":"Window pane 60x90       ","OL-QUANTITY":" 00003","OL-UNIT-PRICE":"00089.00","OL-DISCOUNT-PCT":"00.0","OL-AMOUNT":"+0000267.00"})",
      lines(line.out).back());
}

TEST(CliReadTest, UnknownRecordTypeStopsWithItsPlace) {
  TempDir dir;
  std::string orders = readFile(examplePath("orders.dat"));
  orders.replace(466, 2, "XX");  // the trailer of the second order
  const std::string data = dir.write("unknown.dat", orders);
  const ToolRun run = runTool(orderArgs("OL", {data}));
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(5u, lines(run.out).size());  // four order lines before it
  EXPECT_EQ("lyra read: " + data +
                ": record 8 at byte offset 466: Copybook not found for this record: XX\n",
            run.err);
}

// Fixed records of one layout: payroll.dat cut inside its fourth record (20 + 3 x 64).
TEST(CliReadTest, TruncatedFixedFileOfOneLayout) {
  TempDir dir;
  const std::string cut = dir.write("cut.dat", readFile(examplePath("payroll.dat")).substr(0, 250));
  const ToolRun run = runTool(payrollArgs({"--fixed", "--skip", "20", "--ebcdic", cut}));
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(4u, lines(run.out).size());
  EXPECT_EQ("lyra read: " + cut +
                ": record 4 at byte offset 212: Reached EOF on data file while reading data\n",
            run.err);
}

// Fixed records of several layouts, padded to 120 bytes: HD, 5 DT, TR, HD, DT, ...;
// cut at 1000 bytes, inside record 9 (offset 960), the second batch's first detail.
TEST(CliReadTest, TruncatedFixedFileOfSeveralLayouts) {
  TempDir dir;
  const std::string cut =
      dir.write("cut.dat", readFile(dataPath("files/txn_fixed120.dat")).substr(0, 1000));
  const struct {
    const char* active;
    size_t rows;
  } cases[] = {{"HD", 3}, {"DT", 6}, {"TR", 2}};
  for (const auto& c : cases) {
    const ToolRun run = runTool({"read", "-c", dataPath("copybooks/txnhdr.cpy") + "=HD", "-c",
                                 dataPath("copybooks/txndtl.cpy") + "=DT", "-c",
                                 dataPath("copybooks/txntrl.cpy") + "=TR", "--id-field",
                                 "0:PIC X(2)", "--fixed", "120", "--active", c.active, cut});
    EXPECT_EQ(1, run.status) << c.active;
    EXPECT_EQ(c.rows, lines(run.out).size()) << c.active;
    EXPECT_EQ("lyra read: " + cut +
                  ": record 9 at byte offset 960: Reached EOF on data file while reading data\n",
              run.err)
        << c.active;
  }
}

TEST(CliReadTest, UsageErrors) {
  const std::string orders = examplePath("orders.dat");
  const std::string header = examplePath("order_header.cbl");
  const std::string line = examplePath("order_line.cbl");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"read", orders}, "no layout: give one with --copybook or --layout"},
      {{"read", "-c", header}, "no data file given"},
      {{"read", "-c", header, orders, orders}, "more than one data file given"},
      {{"read", "-c", header, "-c", line, orders},
       "layout '" + header + "' has no record identifier: write FILE=ID"},
      {{"read", "-c", header + "=OH", "-c", line + "=OL", orders},
       "several layouts need --id-field OFFSET:CLAUSES"},
      {{"read", "-c", header + "=OH", "-c", line + "=oh", "--id-field", "0:PIC XX", orders},
       "two layouts have the record identifier 'oh'"},
      {{"read", "-c", header + "=OH", "-c", line + "=OL", "--id-field", "PIC XX", orders},
       "invalid --id-field 'PIC XX': expected OFFSET:CLAUSES, e.g. '0:PIC X(2)'"},
      {{"read", "-c", header + "=OH", "-c", line + "=OL", "--id-field", "0:", orders},
       "invalid --id-field '0:': expected OFFSET:CLAUSES, e.g. '0:PIC X(2)'"},
      {{"read", "-c", header + "=OH", "-c", line + "=OL", "--id-field", "0:PIC PIC", orders},
       "--id-field: ID pic statement parse failed"},
      {{"read", "-c", header + "=OH", "--active", "OT", orders},
       "no layout has the record identifier 'OT'"},
      {{"read", "-c", header, "--fixed=ten", orders},
       "invalid --fixed 'ten': expected a whole number of at least 0"},
      {{"read", "-c", header, "--skip", "-1", orders},
       "invalid --skip '-1': expected a whole number of at least 0"},
      {{"read", "-c", header, "--limit", "99999999999", orders},
       "invalid --limit '99999999999': expected a whole number of at least 0"},
      {{"read", "-c", header, "--format", "xml", orders},
       "unknown --format 'xml': use csv, jsonl or table"},
      {{"read", "-c", header, "--typed", orders}, "--typed applies to --format jsonl only"},
      {{"read", "-c"}, "option '-c' needs a value (FILE[=ID])"},
  };
  for (const auto& c : cases) {
    const ToolRun run = runTool(c.args);
    EXPECT_EQ(2, run.status) << c.message;
    EXPECT_EQ("lyra read: " + c.message + "\nTry 'lyra read --help' for more information.\n",
              run.err);
    EXPECT_EQ("", run.out) << c.message;
  }
}

TEST(CliReadTest, DataAndLayoutErrors) {
  TempDir dir;
  const std::string missing = dir.path("missing.dat");
  const std::string badCopybook = dir.path("missing.cbl");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"read", "-c", examplePath("custrec.cbl"), missing},
       missing + ": No such file or directory"},
      {{"read", "-c", badCopybook, examplePath("customers.dat")},
       badCopybook + ": Cannot open file '" + badCopybook +
           "': No such file or directory, Line: 0"},
      {{"read", "-x", examplePath("custrec.cbl"), examplePath("customers.dat")},
       examplePath("custrec.cbl") + ": Error Loading xml"},
      {{"read", "-c", examplePath("custrec.cbl"), "-o", dir.path("no/dir.csv"),
        examplePath("customers.dat")},
       "cannot create " + dir.path("no/dir.csv") + ": No such file or directory"},
      {{"read", "-c", examplePath("custrec.cbl"), "-o", "/dev/full", examplePath("customers.dat")},
       "cannot write /dev/full: No space left on device"},
  };
  for (const auto& c : cases) {
    const ToolRun run = runTool(c.args);
    EXPECT_EQ(1, run.status) << c.message;
    EXPECT_EQ("lyra read: " + c.message + "\n", run.err);
    EXPECT_EQ("", run.out);
  }
}

}  // namespace
