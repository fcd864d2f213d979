// lyra write end to end: every data file of tests/data rebuilt byte for byte from the
// rows lyra read gives of it, as CSV and as JSON lines, and framed anew as rdw and vb
// records that read back the same; a file lyra wrote read by a GnuCOBOL program
// (tests/data/cobol/rwritten.cob), whose printed values are the ones given; the same
// output on any number of threads; bad rows, rejects, usage errors and exit statuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "test_util.h"
#include "write_rows.h"

namespace {

using ::testing::HasSubstr;
using namespace write_rows;  // NOLINT(build/namespaces)

// The double-byte text of the mixed pages, as iconv wrote it (make_dbcs.py).
std::vector<Listed> doubleByteFiles() {
  std::vector<Listed> files;
  for (const int page : {930, 933, 935, 937, 939, 1364, 1371, 1388, 1390, 1399}) {
    Listed d;
    d.file = "dbcs_" + std::to_string(page) + ".dat";
    d.layouts = {dataPath("copybooks/dbcs.cpy")};
    d.framing = {"--fixed", "75"};
    d.text = {"--code-page", std::to_string(page)};
    files.push_back(d);
  }
  return files;
}

// Every file the manifests list, and those of double-byte text, rebuilt by lyra write
// from what lyra read gives of it; files whose blocks, segments or line ends a script
// chose (vb, vbs, vs, lines) by their records.
TEST(WriteCommandTest, RebuildsEveryListedFile) {
  std::vector<Listed> files = listedFiles();
  for (const Listed& d : doubleByteFiles()) files.push_back(d);
  for (const Listed& d : files) {
    expectRebuilt(d, d.ids.empty() ? "csv" : "jsonl", "jsonl");
    TempDir dir;
    // Framed anew as rdw, vb and spanned records (cut into segments by blocks shorter
    // than the records), the file reads back as the same rows.
    if (!d.ids.empty() || d.framing.empty()) continue;
    const std::string rows = readRows(d, "csv", false);
    for (const std::vector<std::string>& framing :
         std::vector<std::vector<std::string>>{{"--record-format", "rdw"},
                                               {"--record-format", "vb", "--block-size", "700"},
                                               {"--record-format", "vbs", "--block-size", "37"},
                                               {"--record-format", "vs", "--block-size", "29"}}) {
      const Result wrote = writeRows(d, rows, "csv", framing, dir.path("framed.dat"));
      ASSERT_EQ(0, wrote.status) << wrote.err;
      Listed again = d;
      again.file = dir.path("framed.dat");
      again.framing = {framing[0], framing[1]};
      again.skip = 0;
      EXPECT_EQ(rows, readRows(again, "csv", false)) << framing[1];
    }
  }
}

// GnuCOBOL reads a file lyra wrote: the values it prints are the ones given.
TEST(WriteCommandTest, GnuCobolReadsWhatLyraWrote) {
  if (system("command -v cobc >/dev/null 2>&1") != 0) GTEST_SKIP() << "cobc is not installed";
  TempDir dir;
  const Result compiled =
      run("cobc -x -fbinary-size=2-4-8 -I '" + dataPath("copybooks") + "' -o '" +
          dir.path("rwritten") + "' '" + dataPath("cobol/rwritten.cob") + "'");
  ASSERT_EQ(0, compiled.status) << compiled.err;
  const std::string rows =
      "WR-ID,WR-NAME,WR-ZONED,WR-LEAD,WR-SEP,WR-PACKED,WR-UPACKED,WR-BIN2,WR-BIN4,WR-BIN8,"
      "WR-EDITED,WR-ITEM,WR-ITEM_1,WR-ITEM_2\n"
      "1,Anna,-12.5,-7,3.5,1234567.89,42,-9999,123456789,-123456789012345678,-1234.5,ab,,xyz\n"
      "2,,0,0,-0.1,-0.01,9999,1,-1,999999999999999999,0,,,\n"
      "9999,LONG NAME!,99999.99,999,-999.9,-9999999.99,0,9999,-999999999,1,12345.67,a,b,c\n";
  const Result wrote = run(lyra({"write", "-c", dataPath("copybooks/written.cpy"), "--fixed", "-o",
                                 dir.path("w.dat"), dir.write("rows.csv", rows)}));
  ASSERT_EQ(0, wrote.status) << wrote.err;
  const Result read = run("'" + dir.path("rwritten") + "' '" + dir.path("w.dat") + "'");
  EXPECT_EQ(
      "record 0001\nWR-ID 1\nWR-NAME [Anna      ]\nWR-ZONED -12.50\nWR-LEAD -7\nWR-SEP 3.5\n"
      "WR-PACKED 1234567.89\nWR-UPACKED 42\nWR-BIN2 -9999\nWR-BIN4 123456789\n"
      "WR-BIN8 -123456789012345678\nWR-EDITED [ 1,234.50-]\nWR-ITEM 1 [ab ]\nWR-ITEM 2 [   ]\n"
      "WR-ITEM 3 [xyz]\n"
      "record 0002\nWR-ID 2\nWR-NAME [          ]\nWR-ZONED 0.00\nWR-LEAD 0\nWR-SEP -0.1\n"
      "WR-PACKED -0.01\nWR-UPACKED 9999\nWR-BIN2 1\nWR-BIN4 -1\nWR-BIN8 999999999999999999\n"
      "WR-EDITED [     0.00 ]\nWR-ITEM 1 [   ]\nWR-ITEM 2 [   ]\nWR-ITEM 3 [   ]\n"
      "record 0003\nWR-ID 9999\nWR-NAME [LONG NAME!]\nWR-ZONED 99999.99\nWR-LEAD 999\n"
      "WR-SEP -999.9\nWR-PACKED -9999999.99\nWR-UPACKED 0\nWR-BIN2 9999\nWR-BIN4 -999999999\n"
      "WR-BIN8 1\nWR-EDITED [12,345.67 ]\nWR-ITEM 1 [a  ]\nWR-ITEM 2 [b  ]\nWR-ITEM 3 [c  ]\n",
      read.out);
}

// Many rows, some bad, on one thread and on four in small chunks: the same records, the
// same rejects, the same messages and exit status.
TEST(WriteCommandTest, ThreadsWriteTheSameAsOne) {
  TempDir dir;
  const std::vector<std::string> rows =
      lines(run(lyra({"read", "-c", dataPath("copybooks/custmast.cpy"), "--fixed",
                      dataPath("files/customers.dat")}))
                .out);
  std::string input = rows[0] + "\n";
  for (int copy = 0; copy < 60; ++copy) {
    for (size_t i = 1; i < rows.size(); ++i) {
      std::string row = rows[i];
      if ((copy * 13 + i) % 17 == 0) {  // CUST-NUMBER no number
        const size_t first = row.find(',') + 1;
        row.replace(first, row.find(',', first) - first, "x");
      }
      input += row + "\n";
    }
  }
  const std::string in = dir.write("in.csv", input);
  std::vector<Result> results;
  for (const std::string threads : {"1", "4"}) {
    results.push_back(
        run(lyra({"write", "-c", dataPath("copybooks/custmast.cpy"), "--record-format", "vb",
                  "--rejects", dir.path("bad" + threads), "-q", "--threads", threads,
                  "--chunk-size", "900", "-o", dir.path("out" + threads), in})));
  }
  EXPECT_EQ(3, results[0].status) << results[0].err;
  EXPECT_THAT(results[0].err, HasSubstr("bad rows skipped"));
  EXPECT_EQ(results[0].err, results[1].err);
  EXPECT_EQ(results[0].status, results[1].status);
  EXPECT_TRUE(readFile(dir.path("out1")) == readFile(dir.path("out4")));
  EXPECT_EQ(readFile(dir.path("bad1")), readFile(dir.path("bad4")));
  EXPECT_EQ(readFile(dir.path("bad1.jsonl")), readFile(dir.path("bad4.jsonl")));
  EXPECT_THAT(readFile(dir.path("bad1.jsonl")),
              HasSubstr("{\"row\": 16, \"column\": \"CUST-NUMBER\", \"value\": \"x\", \"reason\": "
                        "\"is not a number\"}\n"));
}

// Bad rows, usage errors and exit statuses; the output stays as it was on a usage error
// and holds the records before a bad row that stopped the command.
TEST(WriteCommandTest, BadRowsAndUsageErrors) {
  TempDir dir;
  const std::string cpy = dataPath("copybooks/written.cpy");
  const std::string out = dir.write("out.dat", "old");
  const std::string csv = dir.write("in.csv", "WR-ID,WR-NAME\n1,a\n12345,b\n3,c\n");
  Result r = run(lyra({"write", "-c", cpy, "-o", out, csv}));
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("lyra write: " + csv +
                ": row 2: column WR-ID, value '12345': has 5 integer digits, more than the 4 its "
                "picture holds\n",
            r.err);
  EXPECT_EQ("0001a", readFile(out).substr(0, 5));
  EXPECT_EQ(70u, readFile(out).size());  // one record
  r = run(lyra({"write", "-c", cpy, "--max-errors", "1", "-o", out, csv}));
  EXPECT_EQ(3, r.status);
  EXPECT_EQ("lyra write: 1 bad row skipped\n", r.err);
  EXPECT_EQ(140u, readFile(out).size());

  const std::string unknown = dir.write("unknown.csv", "WR-ID,NOPE,_record\n1,2,3\n");
  r = run(lyra({"write", "-c", cpy, "-o", out, unknown}));
  EXPECT_EQ(2, r.status);
  EXPECT_THAT(r.err, HasSubstr(unknown + ": the layout has no columns NOPE\n"));
  const std::string jsonl = dir.write("in.jsonl", "{\"WR-ID\": 1}\n{\"WR-ID\": 2, \"NOPE\": 1}\n");
  const std::string before = readFile(out);
  r = run(lyra({"write", "--format", "jsonl", "-c", cpy, "-o", out, jsonl}));
  EXPECT_EQ(2, r.status);
  EXPECT_THAT(r.err, HasSubstr(jsonl + ": row 2: no layout has the columns NOPE\n"));
  EXPECT_EQ(before, readFile(out));
  const std::string refused =
      dir.write("refused.jsonl", "{\"WR-ID\": true}\n[1]\n{\"WR-ID\": 7}\n");
  r = run(lyra(
      {"write", "--format", "jsonl", "-c", cpy, "--rejects", dir.path("r"), "-o", "-", refused}));
  EXPECT_EQ(3, r.status);
  EXPECT_EQ(70u, r.out.size());
  EXPECT_EQ("{\"WR-ID\": true}\n[1]\n", readFile(dir.path("r")));
  EXPECT_EQ(
      "{\"row\": 1, \"column\": null, \"value\": null, \"reason\": \"The row holds true or "
      "false, which is neither text nor a number\"}\n"
      "{\"row\": 2, \"column\": null, \"value\": null, \"reason\": \"The row holds an "
      "array\"}\n",
      readFile(dir.path("r.jsonl")));

  r = run(lyra({"write", "-c", cpy, csv}));
  EXPECT_EQ(2, r.status);
  EXPECT_THAT(r.err, HasSubstr("no output given: write it with -o FILE (- for standard output)"));
  r = run(lyra({"write", "-c", cpy, "-o", csv, csv}));
  EXPECT_EQ(2, r.status);
  EXPECT_THAT(r.err, HasSubstr("-o '" + csv + "' would overwrite the input file"));
  r = run(lyra({"write", "-c", cpy, "--block-size", "100", "-o", out, csv}));
  EXPECT_EQ(2, r.status);
  EXPECT_THAT(r.err, HasSubstr("--block-size goes with --record-format vb, vbs or vs only"));
}

TEST(WriteCommandTest, Help) {
  const Result help = run(lyra({"help", "write"}));
  EXPECT_EQ(0, help.status);
  EXPECT_EQ(0u, help.out.rfind("Usage: lyra write [options] INPUT -o OUT\n", 0));
  EXPECT_THAT(help.out, HasSubstr("  -o, --output FILE"));
  EXPECT_EQ(help.out, run(lyra({"write", "--help"})).out);
  EXPECT_THAT(run(lyra({"--help"})).out, HasSubstr("  write     write rows of CSV or JSON lines"));
}

}  // namespace
