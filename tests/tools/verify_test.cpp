// lyra verify: the files GnuCOBOL wrote verify clean, with the nulls their variable
// tables leave; faults planted in files of a few MB (a packed nibble, a zoned digit, a
// repetition count, an identifier) are found at their records and columns, on one
// thread and on two alike; bad records and a stop are reported as `lyra read` reports
// them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data_variants.h"
#include "test_util.h"

namespace {

using data_variants::ToolRun;
using data_variants::operator+;
using data_variants::transactions;
using test_support::dataPath;

ToolRun verify(std::vector<std::string> args) {
  args.insert(args.begin(), "verify");
  return data_variants::lyra(args);
}

// The JSON text of one column of a report: from its name to the end of its object.
std::string column(const std::string& json, const std::string& name) {
  const size_t at = json.find("{\"name\": \"" + name + "\"");
  if (at == std::string::npos) return "";
  return json.substr(at, json.find('\n', at) - at);
}

class VerifyTest : public ::testing::Test {
 protected:
  test_support::TempDir dir;
};

TEST_F(VerifyTest, WrittenFilesAreClean) {
  // The layout, options and file, words between blanks; the records.
  const std::pair<std::string, const char*> cases[] = {
      {"custmast.cpy --fixed customers.dat", "12 records"},
      {"custmast.cpy --record-format vb --ebcdic customers_vb.dat", "12 records"},
      {"shipment.cpy --record-format rdw --rdw-excludes-header shipments.dat", "9 records"},
      {"payroll.cpy --record-format lines payroll.txt", "10 records"},
      {"measures.cpy --float-format ieee-le --comp5-little-endian --fixed measures.dat",
       "8 records"},
  };
  for (const auto& [words, records] : cases) {
    SCOPED_TRACE(words);
    std::vector<std::string> args = data_variants::lines(words, ' ');
    args.front() = dataPath("copybooks/" + args.front());
    args.back() = dataPath("files/" + args.back());
    const ToolRun run = verify(std::vector<std::string>{"-c"} + args);
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_EQ(std::string(records) + ", 0 bad values in 0 columns, 0 bad records",
              data_variants::lines(run.out).back());
  }
  // accounts.dat's counts are 3, 0, 12, 1, 5, 2, 7, 4: the first repetition is there in
  // seven records, the twelfth in one.
  const ToolRun accounts = verify({"--format", "json", "-c", dataPath("copybooks/acctrec.cpy"),
                                   dataPath("files/accounts.dat")});
  EXPECT_EQ(0, accounts.status);
  EXPECT_EQ(0u, accounts.out.find("{\"records\": 8, \"bad_records\": 0,")) << accounts.out;
  EXPECT_EQ(
      "{\"name\": \"TXN-POST-DATE\", \"clean\": 7, \"bad\": 0, \"null\": 1, \"first_bad\": null},",
      column(accounts.out, "TXN-POST-DATE"));
  EXPECT_EQ(
      "{\"name\": \"TXN-POST-DATE_11\", \"clean\": 1, \"bad\": 0, \"null\": 7, \"first_bad\": "
      "null},",
      column(accounts.out, "TXN-POST-DATE_11"));
}

// With several layouts every one is checked, one read each, unless --active names one.
TEST_F(VerifyTest, EveryLayoutUnlessOneIsActive) {
  std::vector<std::string> args = transactions();
  args.insert(args.end(), {"--format", "json", dataPath("files/txn_var.dat")});
  const ToolRun all = verify(args);
  EXPECT_EQ(0, all.status);
  EXPECT_EQ(0u, all.out.find("{\"records\": 15, \"bad_records\": 0,")) << all.out;
  for (const char* name : {"HD-BATCH-ID", "DT-FEE", "TR-HASH-TOTAL"}) {
    EXPECT_NE("", column(all.out, name)) << name;
  }
  args.insert(args.begin(), {"--active", "DT"});
  const ToolRun details = verify(args);
  EXPECT_EQ(0u, details.out.find("{\"records\": 9, \"bad_records\": 0,")) << details.out;
  EXPECT_EQ("", column(details.out, "HD-BATCH-ID"));
  EXPECT_EQ("{\"name\": \"DT-FEE\", \"clean\": 9, \"bad\": 0, \"null\": 0, \"first_bad\": null},",
            column(details.out, "DT-FEE"));
}

// txn_fixed120.dat 2000 times over (30000 records of 120 bytes, 3.6 MB) with a bad packed
// nibble in DT-FEE (offset 53, 3 bytes) of record 10503, a letter in DT-TXN-DATE (offset
// 23, 8 bytes) of record 22509, and the identifier ZZ in record 28507; accounts.dat's
// records 4000 times over behind record descriptor words (32000 records, 6 MB) with a
// count of 13 (ACCT-TXN-COUNT, offset 54) in record 20001 and a bad nibble in
// ACCT-LEDGER-BAL (offset 27, 7 bytes) of record 25002. Two threads with ranges of 64 KiB
// report what one thread does.
TEST_F(VerifyTest, PlantedFaultsInLargeFilesAtTheirRecordsAndColumns) {
  std::string txn;
  for (int i = 0; i < 2000; ++i) txn += data_variants::dataFile("txn_fixed120.dat");
  const auto at = [](int64_t record) { return (record - 1) * 120; };
  txn[static_cast<size_t>(at(10503) + 54)] = '\xA5';
  txn[static_cast<size_t>(at(22509) + 25)] = 'X';
  txn.replace(static_cast<size_t>(at(28507)), 2, "ZZ");
  std::vector<std::string> args = transactions();
  args.insert(args.end(), {"--fixed", "120", "--format", "json", dir.write("txn.dat", txn)});
  const ToolRun one = verify(std::vector<std::string>{"--threads", "1"} + args);
  args.insert(args.begin(), {"--threads", "2", "--chunk-size", "65536"});
  const ToolRun two = verify(args);
  EXPECT_EQ(1, two.status);
  EXPECT_EQ(one.out, two.out);
  EXPECT_EQ(0u, two.out.find("{\"records\": 30000, \"bad_records\": 1,")) << two.out;
  // The column of a field with one bad value, at `offset` in record `record`.
  const auto oneBad = [&](const std::string& name, int64_t record, int64_t offset,
                          const std::string& hex, const std::string& expected) {
    return "{\"name\": \"" + name +
           "\", \"clean\": 17999, \"bad\": 1, \"null\": 0, \"first_bad\": {\"record\": " +
           std::to_string(record) + ", \"offset\": " + std::to_string(at(record)) +
           ", \"field_offset\": " + std::to_string(at(record) + offset) + ", \"hex\": \"" + hex +
           "\", \"expected\": \"" + expected + "\"}},";
  };
  EXPECT_EQ(oneBad("DT-FEE", 10503, 53, "00 a5 2c",
                   "packed digits of PIC S9(3)V99: nibbles 0 to 9, the last a sign C, D or F, an "
                   "unused first nibble 0"),
            column(two.out, "DT-FEE"));
  EXPECT_EQ(
      oneBad("DT-TXN-DATE", 22509, 23, "32 30 58 34 30 33 30 34", "digits 30 to 39 of PIC 9(8)"),
      column(two.out, "DT-TXN-DATE"));
  EXPECT_NE(std::string::npos,
            two.out.find("\"unknown_records\": {\"count\": 1, \"record\": 28507, \"offset\": " +
                         std::to_string(at(28507)) + ", \"identifier\": \"ZZ\"}"))
      << two.out;

  const std::vector<std::string> records = data_variants::accountRecords();
  std::string framed;
  int64_t counterOffset = 0, nibbleOffset = 0;
  for (int64_t number = 1; number <= 32000; ++number) {
    std::string record = records[static_cast<size_t>((number - 1) % 8)];
    if (number == 20001) {
      record.replace(54, 2, std::string("\0\x0D", 2));
      counterOffset = static_cast<int64_t>(framed.size());
    }
    if (number == 25002) {
      record[30] = '\x1F';
      nibbleOffset = static_cast<int64_t>(framed.size());
    }
    framed += data_variants::withRdw(record, false, false);
  }
  const std::string path = dir.write("accounts.dat", framed);
  for (const char* threads : {"1", "2"}) {
    const ToolRun run =
        verify({"-c", dataPath("copybooks/acctrec.cpy"), "--record-format", "rdw", "--threads",
                threads, "--chunk-size", "65536", "--format", "json", path});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("{\"records\": 32000, \"bad_records\": 1,")) << run.out;
    EXPECT_NE(std::string::npos,
              run.out.find("\"rejects\": [\n  {\"record\": 20001, \"offset\": " +
                           std::to_string(counterOffset) +
                           ", \"length\": 152, \"reason\": \"Occurs depending value 13 is out of "
                           "range 0 to 12\"}\n]"))
        << run.out;
    EXPECT_NE(std::string::npos,
              column(run.out, "ACCT-LEDGER-BAL")
                  .find("\"bad\": 1, \"null\": 0, \"first_bad\": {\"record\": 25002, \"offset\": " +
                        std::to_string(nibbleOffset) +
                        ", \"field_offset\": " + std::to_string(nibbleOffset + 4 + 27) +
                        ", \"hex\": \"00 00 02 1f 00 00 0c\""));
  }
}

// The offset of a bad value's bytes in the file: behind GnuCOBOL's 2-byte length word,
// and in a spanned record where the value lies in its first segment; a value that
// lies in a later segment, apart from the record's start, has none.
TEST_F(VerifyTest, FieldOffsetsBehindShortWordsAndInSegments) {
  std::string varseq = test_support::readFile(dataPath("files/shipments_varseq3.dat"));
  varseq[106 + 2 + 12] = 'x';  // record 2's SHP-SHIP-DATE, behind its 2-byte word
  const ToolRun shortWords = verify({"-c", dataPath("copybooks/shipment.cpy"), "--varseq-format",
                                     "3", "--format", "json", dir.write("varseq3.dat", varseq)});
  EXPECT_NE(std::string::npos,
            column(shortWords.out, "SHP-SHIP-DATE")
                .find("\"first_bad\": {\"record\": 2, \"offset\": 106, \"field_offset\": 118,"))
      << shortWords.out;
  // One record of 104 bytes in segments of 30 data bytes, big-endian words counting
  // themselves: its date (bytes 10-17) in the first, its note (80-103) in the last two.
  std::string record = test_support::readFile(dataPath("files/shipments.dat")).substr(4, 104);
  record[12] = 'x';
  record[100] = '\x01';
  std::string spanned;
  for (size_t at = 0; at < record.size(); at += 30) {
    const std::string piece = record.substr(at, 30);
    const char code = at == 0 ? 1 : at + 30 >= record.size() ? 2 : 3;
    spanned += std::string{'\0', static_cast<char>(piece.size() + 4), code, '\0'} + piece;
  }
  const ToolRun segments = verify({"-c", dataPath("copybooks/shipment.cpy"), "--record-format",
                                   "vs", "--format", "json", dir.write("spanned.dat", spanned)});
  EXPECT_NE(std::string::npos,
            column(segments.out, "SHP-SHIP-DATE")
                .find("\"first_bad\": {\"record\": 1, \"offset\": 0, \"field_offset\": 14,"))
      << segments.out;
  EXPECT_NE(std::string::npos,
            column(segments.out, "SHP-NOTE")
                .find("\"first_bad\": {\"record\": 1, \"offset\": 0, \"field_offset\": null,"))
      << segments.out;
}

// A gzip file checked on two threads from its checkpoint index, and without one on
// one decompressing thread: the same report as the records as they stand.
TEST_F(VerifyTest, CompressedFilesWithAndWithoutAnIndex) {
  const std::string plain = dataPath("files/customers_rdw.dat");
  const std::string gzipped = dataPath("files/customers_rdw.dat.gz");
  const std::string index = dir.path("customers.idx");
  const std::vector<std::string> layout =
      data_variants::copybooks({"custmast.cpy"}) +
      std::vector<std::string>{"--ebcdic", "--record-format", "rdw", "--format",
                               "json",     "--chunk-size",    "300"};
  ASSERT_EQ(0, data_variants::lyra({"splits", "--record-format", "rdw", "--every", "300", "--index",
                                    index, gzipped})
                   .status);
  const ToolRun expected = verify(layout + std::vector<std::string>{plain});
  ASSERT_EQ(0, expected.status) << expected.err;
  for (const std::vector<std::string>& more : std::vector<std::vector<std::string>>{
           {"--threads", "2", "--index", index, gzipped}, {"--threads", "2", gzipped}}) {
    const ToolRun run = verify(layout + more);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(expected.out, run.out) << more.size();
  }
}

// Bad records as `lyra read` notes them in its rejects file, and the record reading
// stopped at with read's message.
TEST_F(VerifyTest, BadRecordsAndStopsAsReadReportsThem) {
  const std::string extract = dataPath("../../examples/extract.cbl");
  const std::string lines = dataPath("../../examples/extract.txt");
  const ToolRun read =
      data_variants::lyra({"read", "-c", extract, "--record-format", "lines", "--rejects",
                           dir.path("bad"), "-o", dir.path("out"), lines});
  EXPECT_EQ(3, read.status);
  const std::vector<std::string> rejects =
      data_variants::lines(test_support::readFile(dir.path("bad.jsonl")));
  ASSERT_EQ(2u, rejects.size());
  const ToolRun run =
      verify({"-c", extract, "--record-format", "lines", "--format", "json", lines});
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos,
            run.out.find("\"rejects\": [\n  " + rejects[0] + ",\n  " + rejects[1] + "\n]"))
      << run.out;

  std::string cut = data_variants::dataFile("shipments.dat");
  cut.resize(cut.size() - 10);
  const std::string path = dir.write("cut.dat", cut);
  const std::vector<std::string> options = {
      "-c", dataPath("copybooks/shipment.cpy"), "--record-format", "rdw", "--rdw-excludes-header",
      path};
  std::vector<std::string> readArgs = {"read", "-o", dir.path("ships")};
  readArgs.insert(readArgs.end(), options.begin(), options.end());
  const ToolRun stopped = data_variants::lyra(readArgs);
  EXPECT_EQ(1, stopped.status);
  const ToolRun checked = verify(options);
  EXPECT_EQ(1, checked.status);
  EXPECT_NE(std::string::npos,
            checked.out.find("\nReading stopped: " +
                             data_variants::lines(stopped.err)[0].substr(sizeof "lyra read: " - 1) +
                             "\n"))
      << checked.out << stopped.err;
}

TEST_F(VerifyTest, UsageErrors) {
  const std::string cust = dataPath("copybooks/custmast.cpy");
  const std::string data = dataPath("files/customers.dat");
  const std::pair<std::vector<std::string>, const char*> usage[] = {
      {{"--format", "csv", "-c", cust, data},
       "lyra verify: unknown --format 'csv': use table or json"},
      {{"--limit", "5", "-c", cust, data}, "lyra verify: unknown option '--limit'"},
      {{"-c", cust}, "lyra verify: no data file given"},
  };
  for (const auto& [args, message] : usage) {
    const ToolRun run = verify(args);
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(0u, run.err.find(message)) << run.err;
  }
}

}  // namespace
