// lyra diagnose on files built from the GnuCOBOL-written data of tests/data in every
// record format (spanned records and GnuCOBOL's variable-file forms among them),
// compressed or not, with and without a header of odd size, in ASCII and several EBCDIC
// pages, with IBM and IEEE floats, little-endian binary and tables stored at their
// maximum: every option stripped, it must name the options that read each file back,
// and the command it prints must read the values the writing program printed. Files it
// must not guess get exit status 1 and the first bad field, whose bytes the test finds
// in the file where it says.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <zlib.h>
#include <zstd.h>

#include "data_variants.h"
#include "test_util.h"

namespace {

using data_variants::copybooks;
using data_variants::operator+;
using data_variants::Record;
using data_variants::ToolRun;
using data_variants::transactions;
using test_support::dataPath;

const size_t HEADER_SIZE = 37;

// A header of 37 bytes: text, then a byte that no text holds.
std::string header(const std::string& table = "") {
  std::string text = "HDR 2024-01-31 NIGHTLY EXTRACT 0042";
  text.resize(HEADER_SIZE - 1, ' ');
  return (table.empty() ? text : data_variants::inPage(text, table)) + "\x01";
}

struct Variant {
  std::string name;                  // of the file built
  std::string bytes;                 // its content
  std::vector<std::string> layouts;  // the layout arguments
  std::string arguments;             // what diagnose must name, as a command line has them
  std::map<int64_t, Record> expected;
  std::vector<std::string> actives;  // the IDs of several layouts, each read back
  std::set<std::string> floats;      // float columns; "*" before the name: single precision
  std::string note = "";             // a line the report must hold
};

Variant variant(const std::string& name, const std::string& bytes, std::vector<std::string> layouts,
                const std::string& arguments, std::map<int64_t, Record> expected) {
  return {name, bytes, std::move(layouts), arguments, std::move(expected), {}, {}};
}

// A file of tests/data with the values its writing program printed.
Variant listed(const std::string& file, std::vector<std::string> layouts,
               const std::string& arguments) {
  return variant(file, data_variants::dataFile(file), std::move(layouts), arguments,
                 data_variants::readExpected(file));
}

// A segment of a spanned record: its data behind a segment descriptor word, the
// length as a record descriptor word has it and the segment's code (0 whole, 1 first,
// 2 last, 3 middle) in the byte next to the length.
std::string withSdw(const std::string& data, int code, bool littleEndian, bool excludes) {
  std::string segment = data_variants::withRdw(data, littleEndian, excludes);
  segment[littleEndian ? 1 : 2] = static_cast<char>(code);
  return segment;
}

// The records as segments: every other one whole, the others cut after each `most`
// bytes. Each segment with its code.
std::vector<std::pair<int, std::string>> segmentsOf(const std::vector<std::string>& records,
                                                    size_t most) {
  std::vector<std::pair<int, std::string>> segments;
  for (size_t i = 0; i < records.size(); ++i) {
    const std::string& record = records[i];
    if (i % 2 == 0) {
      segments.emplace_back(0, record);
      continue;
    }
    for (size_t at = 0; at < record.size(); at += most) {
      const bool first = at == 0, last = at + most >= record.size();
      segments.emplace_back(first ? 1 : last ? 2 : 3, record.substr(at, most));
    }
  }
  return segments;
}

// Segments one after another (vs), or in blocks (vbs): a block ends after a segment
// whose record goes on, as the next segment of a record starts a block, and after
// three segments otherwise.
std::string spanned(const std::vector<std::pair<int, std::string>>& segments, bool blocks,
                    bool littleEndian, bool excludes, bool blockExcludes) {
  std::string file, block;
  int inBlock = 0;
  for (size_t i = 0; i < segments.size(); ++i) {
    const auto& [code, data] = segments[i];
    block += withSdw(data, code, littleEndian, excludes);
    ++inBlock;
    const bool goesOn = code == 1 || code == 3;
    if (!blocks || goesOn || inBlock == 3 || i + 1 == segments.size()) {
      file +=
          blocks ? data_variants::blockWord(block.size() + (blockExcludes ? 0 : 4)) + block : block;
      block.clear();
      inBlock = 0;
    }
  }
  return file;
}

class DiagnoseTest : public ::testing::Test {
 protected:
  // The variant with a header before it (in code page 037 where the file is), its skip
  // added to its arguments: after the framing's, before the code page and number formats.
  static Variant withHeader(Variant variant) {
    variant.name = "h_" + variant.name;
    const bool ebcdic = variant.arguments.find("--code-page 037") != std::string::npos;
    variant.bytes = header(ebcdic ? data_variants::ebcdicTable("037") : "") + variant.bytes;
    size_t at = std::string::npos;
    for (const char* later : {" --code-page", " --comp5", " --float", " --odo-layout"}) {
      at = std::min(at, variant.arguments.find(later));
    }
    variant.arguments.insert(std::min(at, variant.arguments.size()),
                             " --skip " + std::to_string(HEADER_SIZE));
    return variant;
  }

  void expectDiagnosedWithAndWithoutHeader(const Variant& v) {
    expectDiagnosed(v);
    expectDiagnosed(withHeader(v));
  }

  // The customer records of customers_ebcdic.dat behind words in every byte order and
  // counting, alone or in blocks: records of one segment each (rdw, vb) or segments of
  // which every other record is cut in three (vs, vbs).
  void expectEveryWordForm(bool segments) {
    const std::vector<std::string> records =
        data_variants::fixedRecords(data_variants::dataFile("customers_ebcdic.dat"), 200);
    const auto expected = data_variants::readExpected("customers_ebcdic.dat");
    for (int bits = 0; bits < 12; ++bits) {
      const bool blocks = bits >= 4, little = (bits & 1) != 0, excludes = (bits & 2) != 0;
      const bool blockExcludes = blocks && (bits & 4) == 0;
      const std::string format = segments ? (blocks ? "vbs" : "vs") : (blocks ? "vb" : "rdw");
      std::string bytes;
      if (segments) {
        bytes = spanned(segmentsOf(records, 90), blocks, little, excludes, blockExcludes);
      } else if (blocks) {
        bytes = data_variants::inBlocks(records, little, excludes, blockExcludes, 5);
      } else {
        bytes = data_variants::inRdws(records, little, excludes);
      }
      const std::string arguments =
          "--record-format " + format + (little ? " --rdw-little-endian" : "") +
          (excludes ? " --rdw-excludes-header" : "") +
          (blockExcludes ? " --bdw-excludes-header" : "") + " --code-page 037";
      expectDiagnosedWithAndWithoutHeader(variant(format + std::to_string(bits) + ".dat", bytes,
                                                  copybooks({"custmast.cpy"}), arguments,
                                                  expected));
    }
  }

  // Diagnoses the variant and reads it back with the command printed.
  void expectDiagnosed(const Variant& v) {
    SCOPED_TRACE(v.name);
    std::string command;
    diagnose(v, &command);
    if (!command.empty()) expectReadBack(command, v);
  }

  // Diagnoses the variant, which must name its arguments and note; the command printed.
  void diagnose(const Variant& v, std::string* command) {
    const ToolRun run = data_variants::lyra(std::vector<std::string>{"diagnose"} + v.layouts +
                                            std::vector<std::string>{dir.write(v.name, v.bytes)});
    ASSERT_EQ(0, run.status) << run.out << run.err;
    const std::vector<std::string> said = data_variants::lines(run.out);
    ASSERT_GE(said.size(), 3u) << run.out;
    EXPECT_EQ(v.arguments, said[1].substr(said[1].find("--record-format"))) << run.out;
    if (!v.note.empty()) {
      EXPECT_NE(said.end(), std::find(said.begin(), said.end(), v.note)) << run.out;
    }
    const auto line = std::find_if(said.begin(), said.end(), [](const std::string& line) {
      return line.rfind("lyra read ", 0) == 0;
    });
    ASSERT_NE(said.end(), line) << run.out;
    *command = *line;
  }

  void expectReadBack(const std::string& command, const Variant& v) {
    std::set<int64_t> numbers;
    const std::vector<std::string> actives =
        v.actives.empty() ? std::vector<std::string>{""} : v.actives;
    for (const std::string& active : actives) {
      const std::string line = command + " --format jsonl --with-position" +
                               (active.empty() ? "" : " --active " + active);
      const ToolRun read = data_variants::runShell(line);
      ASSERT_EQ(0, read.status) << line << "\n" << read.err;
      for (const std::string& json : data_variants::lines(read.out)) {
        auto [number, values] = data_variants::jsonRecord(json);
        numbers.insert(number);
        ASSERT_EQ(1u, v.expected.count(number)) << number;
        expectRecord(v.expected.at(number), values, v.floats, number);
      }
    }
    EXPECT_EQ(v.expected.size(), numbers.size());
  }

  static void expectRecord(const Record& expected, Record actual,
                           const std::set<std::string>& floats, int64_t number) {
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
      const std::string& name = actual[i].first;
      const bool single = floats.count("*" + name) > 0;
      if (data_variants::sameValue(actual[i].second, expected[i].second,
                                   single || floats.count(name) > 0, single)) {
        actual[i].second = expected[i].second;
      }
    }
    EXPECT_EQ(expected, actual) << "record " << number;
  }

  test_support::TempDir dir;
};

std::string gzipped(const std::string& bytes) {
  z_stream stream = {};
  const int gzipWrapper = 16 + 15;  // window bits with a gzip header and trailer
  EXPECT_EQ(Z_OK, deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, gzipWrapper, 8,
                               Z_DEFAULT_STRATEGY));
  std::string out(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string zstdCompressed(const std::string& bytes) {
  std::string out(ZSTD_compressBound(bytes.size()), '\0');
  const size_t size = ZSTD_compress(&out[0], out.size(), bytes.data(), bytes.size(), 3);
  EXPECT_FALSE(ZSTD_isError(size));
  out.resize(size);
  return out;
}

// Fixed records, records that end where their layout ends, and text lines, each with
// and without a header.
TEST_F(DiagnoseTest, FixedRecordsLayoutWalksAndLinesWithAndWithoutAHeader) {
  Variant measures = listed("measures.dat", copybooks({"measures.cpy"}),
                            "--record-format fixed --comp5-little-endian --float-format ieee-le");
  measures.floats = {"*M-RATE", "*M-PEAK", "M-VALUE", "M-MEAN"};
  std::vector<Variant> variants = {
      listed("customers.dat", copybooks({"custmast.cpy"}), "--record-format fixed"),
      listed("customers_ebcdic.dat", copybooks({"custmast.cpy"}),
             "--record-format fixed --code-page 037"),
      listed("items.dat", copybooks({"itemprice.cpy"}), "--record-format fixed"),
      listed("payroll.dat", copybooks({"payroll.cpy"}), "--record-format fixed"),
      listed("txn_fixed120.dat", transactions(), "--record-format fixed --record-length 120"),
      listed("txn_fixed120_ebcdic.dat", transactions(),
             "--record-format fixed --record-length 120 --code-page 037"),
      measures,
      listed("accounts.dat", copybooks({"acctrec.cpy"}), "--record-format layout"),
      listed("txn_var.dat", transactions(), "--record-format layout"),
      listed("txn_var_ebcdic.dat", transactions(), "--record-format layout --code-page 037"),
      listed("payroll.txt", copybooks({"payroll.cpy"}), "--record-format lines"),
  };
  for (Variant& v : variants) {
    if (v.layouts.size() > 2) v.actives = {"HD", "DT", "TR"};
    expectDiagnosedWithAndWithoutHeader(v);
  }
  // A header of its own already: 32 bytes, and 37 more before them.
  Variant policies =
      listed("policies.dat", copybooks({"policy.cpy"}), "--record-format fixed --skip 32");
  expectDiagnosed(policies);
  policies.name = "h_" + policies.name;
  policies.bytes = header() + policies.bytes;
  policies.arguments = "--record-format fixed --skip 69";
  expectDiagnosed(policies);
}

// Records behind descriptor words in every byte order and counting, alone and in
// blocks, with and without a header; GnuCOBOL's own RECORD VARYING files among them.
TEST_F(DiagnoseTest, DescriptorWordsOfEveryKindWithAndWithoutAHeader) {
  expectEveryWordForm(false);
  for (const Variant& v :
       {listed("shipments.dat", copybooks({"shipment.cpy"}),
               "--record-format rdw --rdw-excludes-header"),
        listed("shipments_le.dat", copybooks({"shipment.cpy"}),
               "--record-format rdw --rdw-little-endian --rdw-excludes-header"),
        listed("shipments_vb.dat", copybooks({"shipment.cpy"}), "--record-format vb")}) {
    expectDiagnosedWithAndWithoutHeader(v);
  }
}

// The customer records in EBCDIC pages, which put the characters '[', ']', '!', '|'
// and '^' of their addresses at other bytes: each page's own reading is the most
// plausible. The German customers in the pages that have their umlauts and the euro
// sign: kunden_273.dat holds the bytes of kunden_1141.dat, which 1141 reads with the
// euro sign, so 1141 it is.
TEST_F(DiagnoseTest, CodePagesByTheirNationalCharacters) {
  const auto expected = data_variants::readExpected("customers_273.dat");
  for (const std::string page :
       {"037", "273", "277", "278", "280", "284", "297", "500", "871", "1047"}) {
    expectDiagnosed(variant("customers_" + page + ".dat", data_variants::customersInPage(page),
                            copybooks({"custmast.cpy"}),
                            "--record-format fixed --code-page " + page, expected));
  }
  const std::pair<const char*, const char*> kunden[] = {
      {"kunden_1141.dat", " --code-page 1141"},
      {"kunden_latin1.dat", ""},
      {"kunden_cp1252.dat", " --code-page cp1252"},
      {"kunden_utf8.dat", " --code-page utf8"},
  };
  for (const auto& [file, page] : kunden) {
    expectDiagnosed(
        listed(file, copybooks({"kunden.cpy"}), std::string("--record-format fixed") + page));
  }
}

// Floats in each format and binary items in each byte order. measures.dat as a big-endian
// machine writes it (its floats and native binary reversed); an IBM float file worked out
// by hand, and the same values in IEEE 754; customers.dat with its binary items reversed.
TEST_F(DiagnoseTest, FloatFormatsAndBinaryByteOrders) {
  std::string bigEndian;
  for (std::string record :
       data_variants::fixedRecords(data_variants::dataFile("measures.dat"), 63)) {
    // The offset and length of each float (M-RATE to M-MEAN) and native binary item.
    const size_t items[][2] = {{5, 4},  {9, 8},  {17, 4}, {21, 8}, {29, 2},
                               {31, 4}, {35, 4}, {39, 8}, {47, 4}};
    for (const auto& [offset, length] : items) {
      std::reverse(record.begin() + offset, record.begin() + offset + length);
    }
    bigEndian += record;
  }
  Variant measures = variant("measures_big.dat", bigEndian, copybooks({"measures.cpy"}),
                             "--record-format fixed --float-format ieee",
                             data_variants::readExpected("measures.dat"));
  measures.floats = {"*M-RATE", "*M-PEAK", "M-VALUE", "M-MEAN"};
  expectDiagnosed(measures);

  std::string littleEndian;
  for (std::string record :
       data_variants::fixedRecords(data_variants::dataFile("customers.dat"), 200)) {
    std::reverse(record.begin() + 1, record.begin() + 5);      // CUST-NUMBER 9(9) COMP
    std::reverse(record.begin() + 177, record.begin() + 179);  // CUST-OVERDRAFT-COUNT
    littleEndian += record;
  }
  expectDiagnosed(variant("customers_le.dat", littleEndian, copybooks({"custmast.cpy"}),
                          "--record-format fixed --binary-little-endian",
                          data_variants::readExpected("customers.dat")));
  // S-RATE COMP-1, S-VALUE COMP-2: 0, 1, -1, 0.5, -118.625 (0.76A x 16^2), 0.1, 100,
  // 0.15625, 2^-20 (0.1 x 16^-4) and 12345.5 (0.30398 x 16^4); 0.1 in 4 bytes is
  // 0x19999A / 2^24.
  const char* const ibm[][2] = {
      {"00000000", "0000000000000000"}, {"41100000", "4110000000000000"},
      {"C1100000", "C110000000000000"}, {"40800000", "4080000000000000"},
      {"C276A000", "C276A00000000000"}, {"4019999A", "401999999999999A"},
      {"42640000", "4264000000000000"}, {"40280000", "4028000000000000"},
      {"3C100000", "3C10000000000000"}, {"44303980", "4430398000000000"},
  };
  const char* const values[] = {
      "0", "1", "-1", "0.5", "-118.625", "0.1", "100", "0.15625", "9.5367431640625e-07", "12345.5"};
  const auto hexBytes = [](const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
      bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
  };
  const std::string sensor = dir.write("sensor.cpy",
                                       "       01  SENSOR-REC.\n"
                                       "           05  S-ID        PIC 9(4).\n"
                                       "           05  S-RATE      COMP-1.\n"
                                       "           05  S-VALUE     COMP-2.\n"
                                       "           05  S-LABEL     PIC X(8).\n");
  Variant floats =
      variant("sensor_ibm.dat", "", {"-c", sensor}, "--record-format fixed --float-format ibm", {});
  floats.floats = {"S-RATE", "S-VALUE"};
  for (int i = 0; i < 10; ++i) {
    const std::string id = "000" + std::to_string(i);
    const std::string label = "LABEL00" + std::to_string(i);
    floats.bytes += id + hexBytes(ibm[i][0]) + hexBytes(ibm[i][1]) + label;
    const std::string rate = i == 5 ? "0.100000023841857910156250" : values[i];
    floats.expected[i + 1] = {
        {"S-ID", id}, {"S-RATE", rate}, {"S-VALUE", values[i]}, {"S-LABEL", label}};
  }
  expectDiagnosed(floats);
}

// Spanned records, segments in blocks (vbs) or one after another (vs), in every byte
// order and counting of their words, with and without a header: the customer records
// as segments, every other record cut in three, and the files of tests/data. Records of
// whole segments alone read as rdw and vb alike, the simpler is named: the shipments
// of the test above are rdw and vb. GnuCOBOL's variable files in forms 1 to 3 (form 0
// is rdw with lengths that leave out their word, above).
TEST_F(DiagnoseTest, SpannedRecordsAndGnuCobolVariableForms) {
  expectEveryWordForm(true);
  for (const Variant& v :
       {listed("shipments_vbs.dat", copybooks({"shipment.cpy"}), "--record-format vbs"),
        listed("customers_vbs.dat", copybooks({"custmast.cpy"}),
               "--record-format vbs --rdw-little-endian --rdw-excludes-header "
               "--bdw-excludes-header --code-page 037"),
        listed("shipments_vs.dat", copybooks({"shipment.cpy"}),
               "--record-format vs --rdw-little-endian"),
        listed("shipments_varseq1.dat", copybooks({"shipment.cpy"}),
               "--record-format rdw --varseq-format 1"),
        listed("shipments_varseq2.dat", copybooks({"shipment.cpy"}),
               "--record-format rdw --varseq-format 2"),
        listed("shipments_varseq3.dat", copybooks({"shipment.cpy"}),
               "--record-format rdw --varseq-format 3")}) {
    expectDiagnosedWithAndWithoutHeader(v);
  }
}

// Tables of OCCURS DEPENDING ON stored at their maximum whatever their counts: read as
// the counts say, the items after each table would be read inside it. Records as long
// as their counts make them (lengths 56 + 28 x count + 8) are read as the counts say.
TEST_F(DiagnoseTest, TablesStoredAtTheirMaximum) {
  Variant fixed = listed("accounts_max.dat", copybooks({"acctrec.cpy"}),
                         "--record-format fixed --odo-layout max");
  expectDiagnosedWithAndWithoutHeader(fixed);
  Variant words = fixed;
  words.name = "accounts_max_rdw.dat";
  words.bytes = data_variants::inRdws(data_variants::fixedRecords(fixed.bytes, 400), false, false);
  words.arguments = "--record-format rdw --odo-layout max";
  expectDiagnosed(words);
  // The records of accounts.dat, each as long as its count makes it, behind words: the
  // tables at their maximum read them as cleanly, the items past each record's end
  // unread, and are not named.
  Variant shifted = listed("accounts.dat", copybooks({"acctrec.cpy"}), "--record-format rdw");
  shifted.name = "accounts_rdw.dat";
  shifted.bytes = data_variants::inRdws(data_variants::accountRecords(), false, false);
  expectDiagnosed(shifted);
}

// Compressed files: those of tests/data, shipments in spanned records compressed with
// zstd, and a file whose decompressed data is longer than the sample, in gzip and
// zstd: the sample is its start, and the command printed reads the whole file as
// reading the uncompressed file with the options it was written with does.
TEST_F(DiagnoseTest, CompressedFilesByTheirDecompressedStart) {
  const auto expected = data_variants::readExpected("customers_rdw.dat");
  for (const auto& [kind, suffix] :
       {std::pair<std::string, std::string>{"gzip", ".gz"}, {"bzip2", ".bz2"}, {"zstd", ".zst"}}) {
    Variant v = listed("customers_rdw.dat" + suffix, copybooks({"custmast.cpy"}),
                       "--record-format rdw --code-page 037");
    v.expected = expected;
    v.note = "The file is " + kind +
             "-compressed: lyra read decompresses it as it stands, no option needed.";
    expectDiagnosed(v);
  }
  Variant shipments =
      listed("shipments_vbs.dat", copybooks({"shipment.cpy"}), "--record-format vbs");
  shipments.name = "shipments_vbs.zst";
  shipments.bytes = zstdCompressed(shipments.bytes);
  shipments.note = "The sample is all of its data, decompressed.";
  expectDiagnosed(shipments);

  // 2100 copies of the 12 customers: 5 140 800 bytes.
  const std::string plain = dir.write("many.dat", [] {
    std::string copies;
    const std::string records = data_variants::dataFile("customers_rdw.dat");
    for (int i = 0; i < 2100; ++i) copies += records;
    return copies;
  }());
  const std::string book = dataPath("copybooks/custmast.cpy");
  const ToolRun truth =
      data_variants::runShell("lyra read -c " + book + " --record-format rdw --ebcdic " + plain);
  ASSERT_EQ(0, truth.status) << truth.err;
  const std::string bytes = test_support::readFile(plain);
  for (const auto& [name, packed] :
       {std::pair<std::string, std::string>{"many.dat.gz", gzipped(bytes)},
        {"many.dat.zst", zstdCompressed(bytes)}}) {
    SCOPED_TRACE(name);
    Variant many = variant(name, packed, {"-c", book}, "--record-format rdw --code-page 037", {});
    many.note =
        "The sample is the first 4194304 bytes of its data, decompressed: the rest is reached "
        "only through them.";
    std::string command;
    diagnose(many, &command);
    const ToolRun read = data_variants::runShell(command);
    EXPECT_EQ(0, read.status) << read.err;
    EXPECT_TRUE(read.out == truth.out) << "the reads differ";
  }

  // Cut short: what decompresses is diagnosed, and the report says where it stops;
  // nothing that decompresses is an error.
  const std::string packed = gzipped(bytes);
  const ToolRun cut = data_variants::lyra(
      {"diagnose", "-c", book, dir.write("cut.gz", packed.substr(0, packed.size() / 2))});
  EXPECT_EQ(0, cut.status) << cut.out << cut.err;
  EXPECT_NE(std::string::npos,
            cut.out.find("Decompression stops there: The gzip data is cut short"))
      << cut.out;
  const ToolRun damaged =
      data_variants::lyra({"diagnose", "-c", book,
                           dir.write("damaged.gz", packed.substr(0, 10) + std::string(64, 'x'))});
  EXPECT_EQ(1, damaged.status) << damaged.out;
  EXPECT_EQ(0u, damaged.err.find("lyra diagnose: " + dir.path("damaged.gz") + ": The gzip data"))
      << damaged.err;
}

// Files that the layouts do not describe: random bytes, and copybooks of other records.
// Each gets exit status 1 and the place where the best way parts from the file, whose
// bytes are the file's there.
TEST_F(DiagnoseTest, FilesItMustNotGuessShowTheirFirstBadField) {
  std::mt19937 random(30);
  std::string noise(300 * 1024, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::string randomPath = dir.write("random.dat", noise);
  const std::string packedPath = dir.write("random.dat.gz", gzipped(noise));
  // Spanned customer records whose second, cut in three, has a letter in CUST-ZIP (bytes
  // 113 to 117), in its second segment: the field's place in the file lies past the
  // words of the first segment and, in vbs, of the block the second opens.
  std::vector<std::string> customers =
      data_variants::fixedRecords(data_variants::dataFile("customers_ebcdic.dat"), 200);
  customers[1][114] = '\xE7';  // X in code page 037
  const std::string vbsPath =
      dir.write("damaged_vbs.dat", spanned(segmentsOf(customers, 90), true, false, false, false));
  const std::string vsPath =
      dir.write("damaged_vs.dat", spanned(segmentsOf(customers, 90), false, true, true, false));
  // The layouts and the file; the offsets count the bytes of the file, or of the file it
  // is compressed from.
  const auto files = [](const char* name) { return dataPath(std::string("files/") + name); };
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {copybooks({"custmast.cpy"}), randomPath},
      {copybooks({"acctrec.cpy"}), randomPath},
      {transactions(), randomPath},
      {copybooks({"custmast.cpy"}), packedPath},
      {copybooks({"custmast.cpy"}), vbsPath},
      {copybooks({"custmast.cpy"}), vsPath},
      {copybooks({"payroll.cpy"}), files("customers.dat")},
      {copybooks({"custmast.cpy"}), files("payroll.dat")},
      {copybooks({"kunden.cpy"}), files("items.dat")},
      {copybooks({"custmast.cpy"}), files("shipments_vbs.dat")},
      {copybooks({"acctrec.cpy"}), files("shipments_varseq2.dat")},
  };
  const std::regex field(
      "Where it parts from the file: (record \\d+ )?at byte offset (\\d+), field [A-Z0-9_-]+ at "
      "byte offset (\\d+) \\((\\d+) bytes\\): ([0-9a-f ]+)");
  const std::regex record("Where it parts from the file: (record \\d+ )?at byte offset (\\d+): .*");
  for (const auto& [layouts, path] : cases) {
    SCOPED_TRACE(layouts[1] + " " + path);
    std::vector<std::string> args = {"diagnose"};
    args.insert(args.end(), layouts.begin(), layouts.end());
    args.push_back(path);
    const ToolRun run = data_variants::lyra(args);
    EXPECT_EQ(1, run.status) << run.out;
    const std::string bytes = test_support::readFile(path == packedPath ? randomPath : path);
    std::smatch match;
    const std::vector<std::string> said = data_variants::lines(run.out);
    std::string hex;
    size_t at = 0;
    for (size_t i = 0; i < said.size(); ++i) {
      if (std::regex_match(said[i], match, field)) {
        at = std::stoul(match[3]);
        hex = match[5];
        EXPECT_EQ(std::stoul(match[4]) * 3 - 1, hex.size());
        EXPECT_EQ(0u, said.at(i + 1).rfind("expected: ", 0));
      } else if (std::regex_match(said[i], match, record)) {
        at = std::stoul(match[2]);
        ASSERT_EQ(0u, said.at(i + 1).rfind("its first bytes: ", 0)) << run.out;
        hex = said[i + 1].substr(17);
      }
    }
    ASSERT_FALSE(hex.empty()) << run.out;
    std::string found;
    for (size_t i = 0; i * 3 < hex.size(); ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%s%02x", i > 0 ? " " : "",
                    static_cast<unsigned char>(bytes.at(at + i)));
      found += byte;
    }
    EXPECT_EQ(hex, found);
  }
}

TEST_F(DiagnoseTest, JsonDocumentForPrograms) {
  const std::string cust = dataPath("copybooks/custmast.cpy");
  const ToolRun clean = data_variants::lyra(
      {"diagnose", "--format", "json", "-c", cust, dataPath("files/customers_ebcdic.dat")});
  EXPECT_EQ(0, clean.status);
  EXPECT_EQ(0u, clean.out.find("{\"candidates\": [\n  {\"share\": 1, \"arguments\": "
                               "[\"--record-format\", \"fixed\", \"--code-page\", \"037\"], "
                               "\"records\": 12, \"values\": 372}"))
      << clean.out;
  // The options of the newer kinds of file, as arguments; a compressed file's compression;
  // the command; records of whole segments alone, which vs reads as rdw does, without vs;
  // a file the layout does not describe, with its first bad field.
  const std::tuple<const char*, const char*, int, std::string, const char*> kinds[] = {
      {"custmast.cpy", "customers_ebcdic.dat", 0, "\"first_bad\": null", ""},
      {"custmast.cpy", "customers_ebcdic.dat", 0,
       "\"command\": [\"lyra\", \"read\", \"-c\", \"" + cust + "\", \"--record-format\"", ""},
      {"shipment.cpy", "shipments_varseq2.dat", 0,
       "\"arguments\": [\"--record-format\", \"rdw\", \"--varseq-format\", \"2\"]", ""},
      {"shipment.cpy", "shipments_vbs.dat", 0, "\"arguments\": [\"--record-format\", \"vbs\"]", ""},
      {"acctrec.cpy", "accounts_max.dat", 0,
       "\"arguments\": [\"--record-format\", \"fixed\", \"--odo-layout\", \"max\"]", ""},
      {"custmast.cpy", "customers_rdw.dat.gz", 0, "\"compression\": \"gzip\"}", ""},
      {"custmast.cpy", "customers.dat", 0, "\"compression\": null}", ""},
      {"custmast.cpy", "customers_rdw.dat", 0, "\"rdw\"", "\"vs\""},
      {"custmast.cpy", "payroll.dat", 1, "\"first_bad\": {\"record\": ", ""},
  };
  for (const auto& [book, file, status, said, unsaid] : kinds) {
    const ToolRun run = data_variants::lyra({"diagnose", "--format", "json", "-c",
                                             dataPath(std::string("copybooks/") + book),
                                             dataPath(std::string("files/") + file)});
    EXPECT_EQ(status, run.status) << file;
    EXPECT_NE(std::string::npos, run.out.find(said)) << run.out;
    if (*unsaid != '\0') {
      EXPECT_EQ(std::string::npos, run.out.find(unsaid)) << run.out;
    }
  }
}

TEST_F(DiagnoseTest, UsageErrorsAndInputsItCannotSample) {
  const std::string cust = dataPath("copybooks/custmast.cpy");
  const std::string data = dataPath("files/customers.dat");
  const std::pair<std::vector<std::string>, const char*> usage[] = {
      {{"diagnose", "-c", cust}, "lyra diagnose: no data file given"},
      {{"diagnose", "--format", "xml", "-c", cust, data},
       "lyra diagnose: unknown --format 'xml': use table or json"},
      {{"diagnose", "--record-format", "fixed", "-c", cust, data},
       "lyra diagnose: unknown option '--record-format'"},
      {{"diagnose", data}, "lyra diagnose: no layout: give one with --copybook or --layout"},
  };
  for (const auto& [args, message] : usage) {
    const ToolRun run = data_variants::lyra(args);
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(0u, run.err.find(message)) << run.err;
  }
  const ToolRun pipe =
      data_variants::runShell("cat " + data + " | lyra diagnose -c " + cust + " -");
  EXPECT_EQ(1, pipe.status);
  EXPECT_EQ(
      "lyra diagnose: standard input: diagnose reads a file at its start, middle and end; "
      "give a file\n",
      pipe.err);
}

}  // namespace
