// lyra read giving records in the shapes users want: nested JSON, chosen and cleaned
// columns, every layout's records, record hierarchies, in one thread and many and in
// ranges. Expected values are those the GnuCOBOL programs printed when they wrote the
// files (tests/data/files/*.expected), placed by hand in each copybook's shape.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "data_variants.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::readFile;
using test_support::TempDir;
using ::testing::HasSubstr;

using Result = data_variants::ToolRun;
using data_variants::lines;
using data_variants::lyra;
using data_variants::operator+;

using Values = std::map<std::string, std::string>;

// The values GnuCOBOL printed, by record number and column name.
std::map<int, Values> expectedValues(const std::string& file) {
  std::map<int, Values> records;
  for (const auto& [number, record] : data_variants::readExpected(file)) {
    records[static_cast<int>(number)] = Values(record.begin(), record.end());
  }
  return records;
}

// A printed value as --strip writes it, a JSON string: text without trailing blanks
// (numbers were printed in their shortest form).
std::string json(const Values& values, const std::string& name) {
  std::string value = values.at(name);
  while (!value.empty() && value.back() == ' ') value.pop_back();
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The template with each $NAME (letters, digits, '-' and '_') replaced by the value's JSON.
std::string fill(const std::string& shape, const Values& values) {
  std::string text;
  for (size_t i = 0; i < shape.size();) {
    if (shape[i] != '$') {
      text += shape[i++];
      continue;
    }
    size_t end = i + 1;
    while (end < shape.size() && (std::isalnum(static_cast<unsigned char>(shape[end])) ||
                                  shape[end] == '-' || shape[end] == '_')) {
      ++end;
    }
    text += json(values, shape.substr(i + 1, end - i - 1));
    i = end;
  }
  return text;
}

std::string suffix(int repetition) {
  return repetition == 0 ? "" : "_" + std::to_string(repetition);
}

// custmast.cpy: groups, a table of values in a group, a table of groups, a group
// redefined by a value and a value by a group; FILLER and the unnamed item left out.
const char CUSTOMER_SHAPE[] =
    "{\"CUST-REC-TYPE\":$CUST-REC-TYPE,\"CUST-NUMBER\":$CUST-NUMBER,\"CUST-BRANCH\":$CUST-BRANCH,"
    "\"CUST-STATUS\":$CUST-STATUS,\"CUST-NAME\":{\"CUST-LAST-NAME\":$CUST-LAST-NAME,"
    "\"CUST-FIRST-NAME\":$CUST-FIRST-NAME,\"CUST-MIDDLE-INIT\":$CUST-MIDDLE-INIT},"
    "\"CUST-ADDRESS\":{\"CUST-ADDR-LINE\":[$CUST-ADDR-LINE,$CUST-ADDR-LINE_1],"
    "\"CUST-CITY\":$CUST-CITY,\"CUST-STATE\":$CUST-STATE,\"CUST-ZIP\":$CUST-ZIP},"
    "\"CUST-ADDRESS-FLAT\":$CUST-ADDRESS-FLAT,\"CUST-BIRTH-DATE\":$CUST-BIRTH-DATE,"
    "\"CUST-BIRTH-DATE-R\":{\"CUST-BIRTH-YYYY\":$CUST-BIRTH-YYYY,\"CUST-BIRTH-MM\":$CUST-BIRTH-MM,"
    "\"CUST-BIRTH-DD\":$CUST-BIRTH-DD},\"CUST-PHONE\":[{\"CUST-PHONE-TYPE\":$CUST-PHONE-TYPE,"
    "\"CUST-PHONE-NUMBER\":$CUST-PHONE-NUMBER},{\"CUST-PHONE-TYPE\":$CUST-PHONE-TYPE_1,"
    "\"CUST-PHONE-NUMBER\":$CUST-PHONE-NUMBER_1}],\"CUST-SEGMENT\":$CUST-SEGMENT,"
    "\"CUST-CREDIT-LIMIT\":$CUST-CREDIT-LIMIT,\"CUST-BALANCE\":$CUST-BALANCE,"
    "\"CUST-YTD-INTEREST\":$CUST-YTD-INTEREST,\"CUST-RISK-SCORE\":$CUST-RISK-SCORE,"
    "\"CUST-OVERDRAFT-COUNT\":$CUST-OVERDRAFT-COUNT,\"CUST-LAST-MAINT-USER\":$CUST-LAST-MAINT-USER,"
    "\"CUST-LAST-MAINT-DATE\":$CUST-LAST-MAINT-DATE}";

// acctrec.cpy: a table of OCCURS DEPENDING ON, as long as ACCT-TXN-COUNT says, and a value
// after it.
std::string accountShape(const Values& values) {
  std::string transactions;
  for (int i = 0; i < std::stoi(values.at("ACCT-TXN-COUNT")); ++i) {
    const std::string n = suffix(i);
    transactions += std::string(i ? "," : "") + "{\"TXN-POST-DATE\":$TXN-POST-DATE" + n +
                    ",\"TXN-CODE\":$TXN-CODE" + n + ",\"TXN-AMOUNT\":$TXN-AMOUNT" + n +
                    ",\"TXN-REFERENCE\":$TXN-REFERENCE" + n + "}";
  }
  return "{\"ACCT-KEY\":{\"ACCT-BRANCH\":$ACCT-BRANCH,\"ACCT-NUMBER\":$ACCT-NUMBER},"
         "\"ACCT-TYPE\":$ACCT-TYPE,\"ACCT-OPEN-DATE\":$ACCT-OPEN-DATE,"
         "\"ACCT-CURRENCY\":$ACCT-CURRENCY,\"ACCT-LEDGER-BAL\":$ACCT-LEDGER-BAL,"
         "\"ACCT-AVAIL-BAL\":$ACCT-AVAIL-BAL,\"ACCT-INT-RATE\":$ACCT-INT-RATE,"
         "\"ACCT-HOLD-AMT\":$ACCT-HOLD-AMT,\"ACCT-ACCRUED-INT\":$ACCT-ACCRUED-INT,"
         "\"ACCT-TXN-COUNT\":$ACCT-TXN-COUNT,\"ACCT-TXN\":[" +
         transactions + "],\"ACCT-LAST-STMT-DATE\":$ACCT-LAST-STMT-DATE}";
}

// hierarchy.dat: each layout's own object, without its closing brace.
std::string hierarchyShape(const Values& values) {
  const std::string layout = values.at("_layout");
  if (layout == "C") {
    return "{\"HC-REC-TYPE\":$HC-REC-TYPE,\"HC-CUST-ID\":$HC-CUST-ID,\"HC-NAME\":{"
           "\"HC-LAST-NAME\":$HC-LAST-NAME,\"HC-FIRST-NAME\":$HC-FIRST-NAME},\"HC-SINCE\":{"
           "\"HC-SINCE-YEAR\":$HC-SINCE-YEAR,\"HC-SINCE-MONTH\":$HC-SINCE-MONTH},"
           "\"HC-SINCE-TEXT\":$HC-SINCE-TEXT,\"HC-TAGS\":{\"HC-TAG\":[$HC-TAG,$HC-TAG_1,"
           "$HC-TAG_2]}";
  }
  if (layout == "A") {
    std::string quarters;
    for (int i = 0; i < std::stoi(values.at("HA-QUARTER-COUNT")); ++i) {
      const std::string n = suffix(i);
      quarters += std::string(i ? "," : "") + "{\"HA-Q-NO\":$HA-Q-NO" + n +
                  ",\"HA-Q-FLOWS\":{\"HA-Q-IN\":$HA-Q-IN" + n + ",\"HA-Q-OUT\":$HA-Q-OUT" + n +
                  "}}";
    }
    return "{\"HA-REC-TYPE\":$HA-REC-TYPE,\"HA-ACCT-NO\":$HA-ACCT-NO,\"HA-KIND\":$HA-KIND,"
           "\"HA-BALANCE\":$HA-BALANCE,\"HA-LIMITS\":{\"HA-LIMIT\":[{\"HA-LIMIT-CODE\":"
           "$HA-LIMIT-CODE,\"HA-LIMIT-AMT\":$HA-LIMIT-AMT},{\"HA-LIMIT-CODE\":$HA-LIMIT-CODE_1,"
           "\"HA-LIMIT-AMT\":$HA-LIMIT-AMT_1}]},\"HA-QUARTER-COUNT\":$HA-QUARTER-COUNT,"
           "\"HA-QUARTER\":[" +
           quarters + "]";
  }
  if (layout == "P")
    return "{\"HP-REC-TYPE\":$HP-REC-TYPE,\"HP-KIND\":$HP-KIND,\"HP-NUMBER\":$HP-NUMBER";
  return "{\"HT-REC-TYPE\":$HT-REC-TYPE,\"HT-DATE\":{\"HT-YEAR\":$HT-YEAR,\"HT-MONTH\":$HT-MONTH,"
         "\"HT-DAY\":$HT-DAY},\"HT-AMOUNT\":$HT-AMOUNT,\"HT-MEMO\":$HT-MEMO";
}

const std::map<std::string, std::vector<std::string>> HIERARCHY_CHILDREN = {
    {"C", {"A", "P"}}, {"A", {"T"}}, {"P", {}}, {"T", {}}};
const std::map<std::string, std::string> HIERARCHY_RECORDS = {
    {"A", "HA-ACCOUNT"}, {"P", "HP-PHONE"}, {"T", "HT-TRANSACTION"}};

// The nested object of record number, with its children's arrays, from the parents
// GnuCOBOL's program printed.
std::string nestedTree(const std::map<int, Values>& records, int number) {
  const Values& values = records.at(number);
  std::string text = fill(hierarchyShape(values), values);
  for (const std::string& child : HIERARCHY_CHILDREN.at(values.at("_layout"))) {
    text += ",\"" + HIERARCHY_RECORDS.at(child) + "\":[";
    bool first = true;
    for (const auto& [n, other] : records) {
      if (other.at("_layout") != child || other.at("_parent") != std::to_string(number)) continue;
      text += (first ? "" : ",") + nestedTree(records, n);
      first = false;
    }
    text += "]";
  }
  return text + "}";
}

const std::vector<std::string> HIERARCHY =
    std::vector<std::string>{"read"} + data_variants::hierarchy();
const std::vector<std::string> CHILDREN = {"--child", "C=A,P", "--child", "A=T"};
const std::string HIERARCHY_FILE = dataPath("files/hierarchy.dat");
const int HIERARCHY_RECORDS_COUNT = 14;
const std::string ORPHAN_REASON =
    "Record of layout T has no record of its parent layout A before it in its tree";

// Every value of the GnuCOBOL files with nested groups, fixed and variable tables and
// REDEFINES, in their copybooks' shapes: one JSON line per record.
TEST(RecordShapesCliTest, NestedLinesHoldEveryValue) {
  const std::pair<std::vector<std::string>, std::string> files[] = {
      {{"-c", dataPath("copybooks/custmast.cpy"), "--fixed"}, "customers.dat"},
      {{"-c", dataPath("copybooks/acctrec.cpy")}, "accounts.dat"},
  };
  for (const auto& [args, name] : files) {
    SCOPED_TRACE(name);
    std::string expected;
    for (const auto& [number, values] : expectedValues(name)) {
      expected +=
          fill(name == "accounts.dat" ? accountShape(values) : CUSTOMER_SHAPE, values) + "\n";
    }
    for (const std::string threads : {"1", "3"}) {
      const Result run =
          lyra(std::vector<std::string>{"read", "--format", "json-nested", "--strip", "--threads",
                                        threads, "--chunk-size", "450"} +
               args + std::vector<std::string>{dataPath("files/" + name)});
      EXPECT_EQ(0, run.status) << run.err;
      EXPECT_EQ(expected, run.out) << threads << " threads";
    }
  }
  // Typed, a number is a JSON number; unstripped, text keeps its blanks.
  const Result typed = lyra({"read", "--format", "json-nested", "--typed", "--limit", "1", "-c",
                             dataPath("copybooks/acctrec.cpy"), dataPath("files/accounts.dat")});
  EXPECT_THAT(typed.out, HasSubstr("\"ACCT-INT-RATE\":0.0125,\"ACCT-HOLD-AMT\":200.00,"));
  EXPECT_THAT(typed.out, HasSubstr("\"TXN-REFERENCE\":\"TRN-01-01   \"}"));
}

// The roots of hierarchy.dat with their trees, children in file order and empty arrays
// where there are none; the transaction without an account is a bad record. The same
// from threads and from ranges cut at every record boundary.
TEST(RecordShapesCliTest, HierarchyNestedLines) {
  TempDir dir;
  const auto records = expectedValues("hierarchy.dat");
  std::string expected;
  for (const auto& [number, values] : records) {
    if (values.at("_parent") == "null") {
      expected += "{\"_layout\":\"C\"," + nestedTree(records, number).substr(1) + "\n";
    }
  }
  const std::string rejects = dir.path("rejects");
  const std::vector<std::string> read =
      HIERARCHY + CHILDREN +
      std::vector<std::string>{"--format", "json-nested", "--strip", "--rejects", rejects};
  const std::string notes =
      "{\"record\": 10, \"offset\": 648, \"length\": 72, \"reason\": \"" + ORPHAN_REASON + "\"}\n";
  for (const std::string threads : {"1", "2", "3", "7"}) {
    for (const std::string chunk : {"1", "72", "100", "1000000"}) {
      SCOPED_TRACE(threads + " threads, chunks of " + chunk);
      const Result run = lyra(read + std::vector<std::string>{"--threads", threads, "--chunk-size",
                                                              chunk, HIERARCHY_FILE});
      EXPECT_EQ(3, run.status);
      EXPECT_EQ(expected, run.out);
      EXPECT_EQ("lyra read: 1 bad record skipped\n", run.err);
      EXPECT_EQ(notes, readFile(rejects + ".jsonl"));
      EXPECT_EQ(readFile(HIERARCHY_FILE).substr(648, 72), readFile(rejects));
    }
  }
  // Compressed, the file is decompressed by one thread that cannot hand threads ranges
  // that read on past their end: the trees stay whole.
  const std::string gzipped = dir.path("hierarchy.dat.gz");
  ASSERT_EQ(0, system(("gzip -c '" + HIERARCHY_FILE + "' > '" + gzipped + "'").c_str()));
  for (const std::string threads : {"1", "2"}) {
    SCOPED_TRACE("gzip, " + threads + " threads");
    const Result run =
        lyra(read + std::vector<std::string>{"--threads", threads, "--chunk-size", "72", gzipped});
    EXPECT_EQ(3, run.status);
    EXPECT_EQ(expected, run.out);
    EXPECT_EQ("lyra read: 1 bad record skipped\n", run.err);
  }
  // Without --max-errors the bad record stops the read before the tree it falls in.
  const Result stopped =
      lyra(HIERARCHY + CHILDREN +
           std::vector<std::string>{"--format", "json-nested", "--strip", HIERARCHY_FILE});
  EXPECT_EQ(1, stopped.status);
  EXPECT_EQ(
      expected.substr(
          0, expected.find("{\"_layout\":\"C\",\"HC-REC-TYPE\":\"C\",\"HC-CUST-ID\":\"100003\"")),
      stopped.out);
  EXPECT_EQ(
      "lyra read: " + HIERARCHY_FILE + ": record 10 at byte offset 648: " + ORPHAN_REASON + "\n",
      stopped.err);
  // Ranges that meet, cut at every record boundary, give every root's tree once.
  for (int cut = 0; cut <= HIERARCHY_RECORDS_COUNT; ++cut) {
    SCOPED_TRACE(cut);
    std::string joined;
    for (const std::string& range :
         {":" + std::to_string(cut * 72), std::to_string(cut * 72) + ":"}) {
      const Result part = lyra(read + std::vector<std::string>{"--range", range, HIERARCHY_FILE});
      joined += part.out;
    }
    EXPECT_EQ(expected, joined);
  }
}

// Flat output of the hierarchy: every record with its layout, number and parent's number;
// a file per layout with -o FILE holding {layout}.
TEST(RecordShapesCliTest, HierarchyFlatKeys) {
  TempDir dir;
  const auto records = expectedValues("hierarchy.dat");
  std::string expected;
  for (const auto& [number, values] : records) {
    if (values.at("_parent") == "none") continue;
    expected += "{\"_layout\":\"" + values.at("_layout") +
                "\",\"_record\":" + std::to_string(number) +
                ",\"_parent\":" + values.at("_parent") + ",";
  }
  const Result run =
      lyra(HIERARCHY + CHILDREN +
           std::vector<std::string>{"--format", "jsonl", "--max-errors", "1", "--threads", "3",
                                    "--chunk-size", "100", HIERARCHY_FILE});
  EXPECT_EQ(3, run.status);
  std::string keys;
  for (const std::string& line : lines(run.out)) keys += line.substr(0, line.find(",\"H") + 1);
  EXPECT_EQ(expected, keys);
  const Result files = lyra(HIERARCHY + CHILDREN +
                            std::vector<std::string>{"--max-errors", "1", "--strip", "-o",
                                                     dir.path("out-{layout}.csv"), HIERARCHY_FILE});
  EXPECT_EQ(3, files.status) << files.err;
  EXPECT_EQ(
      "_layout,_record,_parent,HP-REC-TYPE,HP-KIND,HP-NUMBER\r\nP,5,1,P,M,4915112345\r\n"
      "P,11,9,P,H,302222333\r\nP,14,9,P,W,0\r\n",
      readFile(dir.path("out-P.csv")));
  EXPECT_THAT(readFile(dir.path("out-T.csv")), HasSubstr("\r\nT,13,12,T,2024,2,29,-0.01,FEE\r\n"));
  // A layout that no --child names as a child is a root: its parent is none.
  const Result roots =
      lyra({"read", "-c", LYRA_SOURCE_DIR "/examples/order_header.cbl=OH", "-c",
            LYRA_SOURCE_DIR "/examples/order_line.cbl=OL", "-c",
            LYRA_SOURCE_DIR "/examples/order_trailer.cbl=OT", "--id-field", "0:PIC X(2)", "--child",
            "OH=OL", "-o", dir.path("{layout}.csv"), LYRA_SOURCE_DIR "/examples/orders.dat"});
  EXPECT_EQ(0, roots.status) << roots.err;
  EXPECT_THAT(readFile(dir.path("OT.csv")), HasSubstr("\r\nOT,5,,OT,00010001,3,000000056.03\r\n"));
}

// Every layout's records in one pass: JSON lines with _layout, csv a file per layout;
// records of no layout counted as a read of one layout counts them.
TEST(RecordShapesCliTest, AllLayouts) {
  TempDir dir;
  const std::vector<std::string> txn =
      std::vector<std::string>{"read"} +
      data_variants::copybooks({"txnhdr.cpy=HD", "txndtl.cpy=DT"}) +
      std::vector<std::string>{"--id-field", "0:PIC X(2)", "--fixed", "120", "--all-layouts"};
  const Result jsonl = lyra(txn + std::vector<std::string>{"--format", "jsonl", "--strip",
                                                           dataPath("files/txn_fixed120.dat")});
  EXPECT_EQ(0, jsonl.status);
  std::string layouts;
  for (const std::string& line : lines(jsonl.out)) layouts += line.substr(12, 2) + " ";
  EXPECT_EQ("HD DT DT DT DT DT HD DT DT DT DT HD ", layouts);
  EXPECT_THAT(jsonl.out,
              HasSubstr("{\"_layout\":\"DT\",\"DT-REC-TYPE\":\"DT\",\"DT-SEQ-NO\":\"101\","));
  EXPECT_EQ(
      "lyra read: 3 records of no layout stepped over; the first, record 7 at byte offset 720, "
      "has the identifier 'TR'\n",
      jsonl.err);
  const Result csv = lyra(txn + std::vector<std::string>{"-o", dir.path("{layout}.csv"),
                                                         "--threads", "2", "--chunk-size", "240",
                                                         dataPath("files/txn_fixed120.dat")});
  EXPECT_EQ(0, csv.status);
  EXPECT_EQ(jsonl.err, csv.err);
  const std::string headers = readFile(dir.path("HD.csv"));
  EXPECT_EQ(4u, std::count(headers.begin(), headers.end(), '\n'));
  EXPECT_THAT(headers, HasSubstr("\r\nHD,004712,20240304,POSNET01,USD,5,STORE 0042"));
  const std::string details = readFile(dir.path("DT.csv"));
  EXPECT_EQ(10u, std::count(details.begin(), details.end(), '\n'));
}

// --columns in the order given, --filler drop, --strip: numbers in their shortest form.
TEST(RecordShapesCliTest, ChosenAndCleanColumns) {
  const std::vector<std::string> customers = {
      "read", "-c", dataPath("copybooks/custmast.cpy"), "--fixed", "--limit", "2"};
  const auto values = expectedValues("customers.dat");
  const Result chosen =
      lyra(customers + std::vector<std::string>{"--columns", "CUST-BALANCE,CUST-NUMBER,CUST-CITY",
                                                "--strip", dataPath("files/customers.dat")});
  EXPECT_EQ(0, chosen.status);
  EXPECT_EQ(
      "CUST-BALANCE,CUST-NUMBER,CUST-CITY\r\n" + values.at(1).at("CUST-BALANCE") + "," +
          values.at(1).at("CUST-NUMBER") + ",CHICAGO\r\n" + values.at(2).at("CUST-BALANCE") + "," +
          values.at(2).at("CUST-NUMBER") + "," +
          json(values.at(2), "CUST-CITY").substr(1, json(values.at(2), "CUST-CITY").size() - 2) +
          "\r\n",
      chosen.out);
  const Result kept = lyra(customers + std::vector<std::string>{dataPath("files/customers.dat")});
  const Result dropped = lyra(
      customers + std::vector<std::string>{"--filler", "drop", dataPath("files/customers.dat")});
  EXPECT_THAT(kept.out, HasSubstr(",FILLER,FILLER_1,"));
  EXPECT_THAT(dropped.out, ::testing::Not(HasSubstr("FILLER")));
  EXPECT_THAT(dropped.out, HasSubstr(",CUST-OVERDRAFT-COUNT,CUST-LAST-MAINT-USER,"));
}

// What the new options refuse, as usage errors.
TEST(RecordShapesCliTest, UsageErrors) {
  // The layouts (customers or hierarchy) and the options, words between blanks; the message.
  const std::pair<std::string, std::string> cases[] = {
      {"customers --columns CUST-BALANSE,CUST-NUMBR",
       "--columns: no column is named 'CUST-BALANSE'; close ones: CUST-BALANCE, CUST-BRANCH"},
      {"customers --columns ZIP", "--columns: no column is named 'ZIP'; close ones: CUST-ZIP"},
      {"customers --columns QQQQQQQQ",
       "--columns: no column is named 'QQQQQQQQ' ('lyra columns' lists them)"},
      {"customers --columns A,,B", "invalid --columns 'A,,B': expected NAME,NAME,..."},
      {"customers --format json-nested --columns A",
       "--columns does not go with --format json-nested, which writes whole records"},
      {"customers --filler hide", "unknown --filler 'hide': use drop or keep"},
      {"hierarchy --all-layouts",
       "--all-layouts writes csv and table as one file per layout: give -o FILE holding "
       "{layout}, which each layout's identifier replaces (-o out-{layout}.csv)"},
      {"hierarchy --child C=A --active A",
       "--active does not go with --child, which writes every layout's records"},
      {"hierarchy --child C=X", "--child: no layout has the record identifier 'X'"},
      {"hierarchy --child C=A --child P=A", "--child: layout 'A' has a parent already"},
      {"hierarchy --child C=A --child A=C", "--child: layout 'C' would be its own ancestor"},
      {"hierarchy --child C", "invalid --child 'C': expected PARENT=CHILD[,CHILD...]"},
      {"hierarchy --max-tree-bytes 10",
       "--max-tree-bytes applies to --format json-nested with --child"},
      {"hierarchy -o x-{layout}",
       "-o holds {layout}, which is for --all-layouts: one file per layout"},
  };
  for (const auto& [words, message] : cases) {
    std::vector<std::string> args = lines(words, ' ');
    const bool hierarchy = args[0] == "hierarchy";
    args.erase(args.begin());
    const Result run = lyra(
        (hierarchy ? HIERARCHY
                   : std::vector<std::string>{"read", "-c", dataPath("copybooks/custmast.cpy"),
                                              "--fixed"}) +
        args +
        std::vector<std::string>{hierarchy ? HIERARCHY_FILE : dataPath("files/customers.dat")});
    EXPECT_EQ(2, run.status) << message;
    EXPECT_EQ("lyra read: " + message + "\nTry 'lyra read --help' for more information.\n",
              run.err);
  }
}

// A tree past --max-tree-bytes: its root and every record of it are bad records, in file
// order with the others; the trees within the bound are written.
TEST(RecordShapesCliTest, TreesPastTheBoundAreBadRecords) {
  TempDir dir;
  const std::string rejects = dir.path("rejects");
  const Result run = lyra(HIERARCHY + CHILDREN +
                          std::vector<std::string>{"--format", "json-nested", "--max-tree-bytes",
                                                   "1200", "--rejects", rejects, HIERARCHY_FILE});
  EXPECT_EQ(3, run.status);
  EXPECT_EQ(1u, std::count(run.out.begin(), run.out.end(), '\n'));
  EXPECT_THAT(run.out, HasSubstr("\"HC-CUST-ID\":\"100002\""));
  EXPECT_EQ("lyra read: 13 bad records skipped\n", run.err);
  std::string numbers;
  for (const std::string& line : lines(readFile(rejects + ".jsonl"))) numbers += line.substr(11, 3);
  EXPECT_EQ("1, 2, 3, 4, 5, 6, 7, 9, 10,11,12,13,14,", numbers);
  EXPECT_EQ(readFile(HIERARCHY_FILE).substr(0, 7 * 72) + readFile(HIERARCHY_FILE).substr(8 * 72),
            readFile(rejects));
  const Result stopped = lyra(HIERARCHY + CHILDREN +
                              std::vector<std::string>{"--format", "json-nested",
                                                       "--max-tree-bytes", "1200", HIERARCHY_FILE});
  EXPECT_EQ(1, stopped.status);
  EXPECT_EQ("", stopped.out);
  EXPECT_EQ("lyra read: " + HIERARCHY_FILE +
                ": record 1 at byte offset 0: The tree of root record 1 holds more than 1200 "
                "bytes (--max-tree-bytes)\n",
            stopped.err);
}

}  // namespace
