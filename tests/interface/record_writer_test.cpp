// The record writer: every data file of tests/data rebuilt byte for byte from the values
// the record reader gives of it (the files GnuCOBOL wrote, and those built by the
// scripts from hand-made values), in its own framing and in the others; each bad value
// with its message; structures (OCCURS DEPENDING ON, REDEFINES, segments, several
// layouts); the outputs and the column-batch side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "interface/service_test_util.h"
#include "lyra/lyra.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

using copybook_test::source;
using test_support::dataPath;
using test_support::own;
using test_support::readFile;
using test_support::TempDir;
using namespace std::string_literals;

// A record as the reader gives it: its number, its layout, each column's whole text
// (null: not there) and the record's bytes.
struct ReadRecord {
  int64_t number;
  int layout;
  std::vector<std::pair<bool, std::string>> values;
  std::string bytes;
};

// A data file and how it is read and written.
struct DataFile {
  std::string file;     // a name under tests/data/files, or a whole path
  std::string layouts;  // "[identifier=]copybook,..."
  std::string idField;  // "OFFSET:CLAUSES" or empty
  CCBReadOptions options;
  CCBLayoutOptions layout;
  bool overpunch = false;
  bool fullRange = false;
};

std::string pathOf(const DataFile& d) {
  return d.file[0] == '/' ? d.file : dataPath("files/" + d.file);
}

int layoutCount(const DataFile& d) {
  return static_cast<int>(std::count(d.layouts.begin(), d.layouts.end(), ',')) + 1;
}

// The files of manifest.tsv and framed.tsv, with what each was written with: the
// overpunch letters of -fsign=EBCDIC, the binary range of -fnotrunc.
std::vector<DataFile> listedFiles() {
  std::vector<DataFile> files;
  for (const test_support::Row& f : test_support::readTable("files/manifest.tsv")) {
    DataFile d{f[0], f[6], f[4] == "-" ? "" : f[4] + ":" + f[5], {}, {}, false, false};
    d.options.setCodePage(f[1] == "EBCDIC" ? 37 : 0);
    d.options.setRecordLength(std::stoi(f[2]));
    d.options.setRecordFormat(std::stoi(f[2]) > 0 ? CCB_RECORD_FIXED : CCB_RECORD_LAYOUT);
    d.options.setSkip(std::stoll(f[3]));
    d.overpunch = d.file == "customers_ovp.dat";
    d.fullRange = d.file == "jobstats.dat";
    files.push_back(d);
  }
  for (const test_support::Row& f : test_support::readTable("files/framed.tsv")) {
    files.push_back({f[0], f[3], "", test_support::framedOptions(f), {}, false, false});
  }
  return files;
}

// The files no manifest lists: floats and native binary, code pages, national text,
// numeric-edited amounts, the double-byte text of the mixed pages (iconv's bytes).
std::vector<DataFile> otherFiles() {
  std::vector<DataFile> files;
  const auto add = [&files](const std::string& file, const char* copybook, int page) {
    files.push_back({file, copybook, "", {}, {}, false, false});
    files.back().options.setRecordFormat(CCB_RECORD_FIXED);
    files.back().options.setCodePage(page);
    files.back().overpunch = page == 819 || page == 1252;
    return &files.back();
  };
  add("measures.dat", "measures.cpy", 0)->layout.setFloatFormat(CCB_FLOAT_IEEE_LE);
  add("measures_be.dat", "measures.cpy", 0)->layout.setFloatFormat(CCB_FLOAT_IEEE);
  for (DataFile& measures : files) measures.options.setComp5LittleEndian(true);
  for (const std::string page : {"273", "1141", "latin1", "cp1252", "utf8"}) {
    int ccsid = 0;
    EXPECT_TRUE(ccbCodePageFromName(page.c_str(), &ccsid));
    add("kunden_" + page + ".dat", "kunden.cpy", ccsid);
  }
  add("national.dat", "national.cpy", 0)->layout.setNationalUtf16(true);
  add("edited.dat", "edited.cpy", 0);
  for (const int page : {930, 933, 935, 937, 939, 1364, 1371, 1388, 1390, 1399}) {
    add("dbcs_" + std::to_string(page) + ".dat", "dbcs.cpy", page);
  }
  return files;
}

CCBReadOptions readOptions(const DataFile& d) {
  CCBReadOptions options = d.options;
  options.setResultEncoding(CCB_RESULT_UTF8);
  options.setZeroBytes(CCB_ZERO_BYTES_KEEP);
  return options;
}

// Adds the file's layouts, the one of index active made active, and its identifier.
template <typename Service>
void addLayouts(Service* service, const DataFile& d, int active) {
  service->setLayoutOptions(d.layout);
  test_support::addLayouts(service, d.layouts, active);
  if (d.idField.empty()) return;
  const size_t colon = d.idField.find(':');
  EXPECT_TRUE(service->setIdentifierField(std::stoi(d.idField.substr(0, colon)),
                                          d.idField.substr(colon + 1).c_str()));
}

// Every record of the file, of every layout, in file order.
std::vector<ReadRecord> readAll(const DataFile& d) {
  std::map<int64_t, ReadRecord> records;
  for (int active = 0; active < layoutCount(d); ++active) {
    auto reader = own(createCCBRecordReader());
    addLayouts(reader.get(), d, active);
    EXPECT_TRUE(reader->openData(pathOf(d).c_str(), readOptions(d)))
        << reader->getErrorMessage().str();
    bool failed = false;
    while (reader->readNextRecord(failed)) {
      ReadRecord record{reader->getRecordNumber(),
                        active,
                        {},
                        std::string(reinterpret_cast<const char*>(reader->getRecordBytes()),
                                    static_cast<size_t>(reader->getRecordSize()))};
      for (int c = 0; c < reader->getOutputCount(); ++c) {
        const char* bytes = nullptr;
        int length = 0;
        const bool present = reader->getOutputBytes(c, bytes, length);
        record.values.emplace_back(present, present ? std::string(bytes, length) : "");
      }
      records[record.number] = record;
    }
    EXPECT_FALSE(failed) << reader->getErrorMessage().str();
  }
  std::vector<ReadRecord> ordered;
  for (auto& entry : records) ordered.push_back(entry.second);
  return ordered;
}

// The bytes the writer writes of the records in the options' format.
std::string writeAll(const DataFile& d, const std::vector<ReadRecord>& records,
                     CCBReadOptions options) {
  auto writer = own(createCCBRecordWriter());
  addLayouts(writer.get(), d, -1);
  options.setSkip(0);
  options.setOverpunchSigns(d.overpunch);
  options.setBinaryFullRange(d.fullRange);
  std::string memory(readFile(pathOf(d)).size() * 2 + 4096, '\0');
  EXPECT_TRUE(
      writer->openMemory(reinterpret_cast<unsigned char*>(&memory[0]), memory.size(), options))
      << writer->getErrorMessage().str();
  for (const ReadRecord& record : records) {
    writer->setActiveLayout(record.layout);
    for (size_t c = 0; c < record.values.size(); ++c) {
      if (record.values[c].first) {
        writer->setValue(static_cast<int>(c), record.values[c].second.data(),
                         static_cast<int>(record.values[c].second.size()));
      }
    }
    bool failed = false;
    EXPECT_TRUE(writer->writeRecord(failed))
        << d.file << " record " << record.number << ": " << writer->getErrorMessage().str();
  }
  EXPECT_TRUE(writer->close()) << writer->getErrorMessage().str();
  memory.resize(static_cast<size_t>(writer->getOutputSize()));
  return memory;
}

std::vector<std::string> bytesOf(const std::vector<ReadRecord>& records) {
  std::vector<std::string> bytes;
  for (const ReadRecord& record : records) bytes.push_back(record.bytes);
  return bytes;
}

// Every file rebuilt from the values read of it: byte for byte in its own framing (the
// vb and spanned files and the text lines, whose blocks, segments and line ends a
// script chose, by their records), then in rdw, vb and spanned framing around the same
// records, the spanned ones in blocks shorter than the records.
TEST(RecordWriterTest, RebuildsEveryDataFileFromItsValues) {
  std::vector<DataFile> files = listedFiles();
  for (const DataFile& other : otherFiles()) files.push_back(other);
  for (const DataFile& d : files) {
    SCOPED_TRACE(d.file);
    const std::vector<ReadRecord> records = readAll(d);
    ASSERT_FALSE(records.empty());
    const std::string original =
        readFile(pathOf(d)).substr(static_cast<size_t>(d.options.getSkip()));
    const std::string written = writeAll(d, records, readOptions(d));
    const CCBRecordFormat format = d.options.getRecordFormat();
    if (format != CCB_RECORD_VB && format != CCB_RECORD_VBS && format != CCB_RECORD_VS &&
        format != CCB_RECORD_LINES) {
      EXPECT_EQ(original, written);
    }
    // The same records in rdw, vb and spanned framing: the records read back are those
    // written by GnuCOBOL (or the script), in the same order.
    if (layoutCount(d) > 1 || format == CCB_RECORD_LAYOUT) continue;
    std::vector<std::string> expected = bytesOf(records);
    const std::pair<CCBRecordFormat, int64_t> framings[] = {
        {CCB_RECORD_RDW, 1000}, {CCB_RECORD_VB, 1000}, {CCB_RECORD_VBS, 37}, {CCB_RECORD_VS, 29}};
    for (const auto& [framing, blockSize] : framings) {
      DataFile again = d;
      again.options.setRecordFormat(framing);
      again.options.setRecordLength(0);
      again.options.setVarseqFormat(-1);
      again.options.setSkip(0);
      CCBReadOptions writing = readOptions(again);
      writing.setBlockSize(blockSize);
      TempDir dir;
      again.file = dir.write("framed.dat", writeAll(d, records, writing));
      const std::vector<std::string> read = bytesOf(readAll(again));
      if (format == CCB_RECORD_LINES) {
        // Lines that left out their trailing blanks read as if padded with them.
        for (std::string& record : expected) record.resize(read.front().size(), ' ');
      }
      EXPECT_EQ(expected, read) << ccbRecordFormatName(framing);
    }
  }
}

// Copybooks of the behaviour tests.
const std::string TABLE =
    source({"01 REC.", "05 REC-TYPE PIC X(2).", "05 REC-COUNT PIC 9(2).",
            "05 REC-ITEM OCCURS 0 TO 3 DEPENDING ON REC-COUNT.", "10 ITEM-CODE PIC X(3).",
            "10 ITEM-QTY PIC S9(3) COMP-3.", "05 REC-NOTE PIC X(4)."});

const std::string DATES =
    source({"01 R.", "05 R-DATE PIC 9(8).", "05 R-PARTS REDEFINES R-DATE.", "10 R-YEAR PIC 9(4).",
            "10 R-MONTH PIC 9(2).", "10 R-DAY PIC 9(2).", "05 R-AMOUNT PIC S9(5)V99 COMP-3."});

const std::string SEGMENTS =
    source({"01 S.", "05 S-TYPE PIC X.", "05 S-A.", "10 S-A-NAME PIC X(4).",
            "05 S-B REDEFINES S-A.", "10 S-B-NUM PIC 9(4)."});

// A writer of one copybook's text, writing to memory in a format; the test reads what
// it wrote with written().
class Writing {
 public:
  explicit Writing(const std::string& text, CCBReadOptions options = CCBReadOptions())
      : writer_(own(createCCBRecordWriter())), memory_(4096, '\0') {
    EXPECT_TRUE(writer_->addCopybookText(text.data(), text.size(), "", true))
        << writer_->getErrorMessage().str();
    EXPECT_TRUE(
        writer_->openMemory(reinterpret_cast<unsigned char*>(&memory_[0]), memory_.size(), options))
        << writer_->getErrorMessage().str();
  }
  CCBRecordWriter* operator->() { return writer_.get(); }
  // Writes a record of name=value pairs; "" when written, else the message.
  std::string write(const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) {
      EXPECT_TRUE(
          writer_->setValueByName(name.c_str(), value.data(), static_cast<int>(value.size())))
          << name;
    }
    bool failed = false;
    if (writer_->writeRecord(failed)) return "";
    return (failed ? "stopped: " : "passed over: ") + writer_->getErrorMessage().str();
  }
  std::string written() {
    EXPECT_TRUE(writer_->close()) << writer_->getErrorMessage().str();
    return memory_.substr(0, static_cast<size_t>(writer_->getOutputSize()));
  }

 private:
  test_support::Owned<CCBRecordWriter> writer_;
  std::string memory_;
};

CCBReadOptions format(CCBRecordFormat recordFormat) {
  CCBReadOptions options;
  options.setRecordFormat(recordFormat);
  return options;
}

// OCCURS DEPENDING ON: as many repetitions as the count holds, the record as long as
// that; a count out of range, or values past it, make the record bad.
TEST(RecordWriterTest, OccursDependingOn) {
  Writing w(TABLE);
  EXPECT_EQ("", w.write({{"REC-TYPE", "AB"},
                         {"REC-COUNT", "2"},
                         {"ITEM-CODE", "X1"},
                         {"ITEM-QTY", "-5"},
                         {"ITEM-CODE_1", "X2"},
                         {"REC-NOTE", "end"}}));
  EXPECT_EQ("", w.write({{"REC-TYPE", "CD"}}));  // a count of 0 by default
  EXPECT_EQ("stopped: Column REC-COUNT, value '4': Occurs depending value 4 is out of range 0 to 3",
            w.write({{"REC-COUNT", "4"}}));
  EXPECT_EQ(
      "AB02X1 \x00\x5DX2 \x00\x0C"
      "end CD00    "s,
      w.written());

  CCBReadOptions options = format(CCB_RECORD_RDW);
  options.setMaxErrors(-1);
  Writing rdw(TABLE, options);
  EXPECT_EQ(
      "passed over: Column ITEM-CODE_1, value 'Y': is given past the 1 repetitions that "
      "REC-COUNT holds",
      rdw.write({{"REC-COUNT", "1"}, {"ITEM-CODE", "X"}, {"ITEM-CODE_1", "Y"}}));
  // A variable record ends after its last value: the note left out.
  EXPECT_EQ("", rdw.write({{"REC-TYPE", "EF"}, {"REC-COUNT", "1"}, {"ITEM-CODE", "Z"}}));
  EXPECT_EQ(
      "\x00\x0D\x00\x00"
      "EF01Z  \x00\x0C"s,
      rdw.written());
  EXPECT_EQ(1, rdw->getBadRecordCount());
}

// REDEFINES: the area from the first of its items given; the others read back as given.
TEST(RecordWriterTest, RedefinitionsReadBackAsGiven) {
  CCBReadOptions options;
  options.setMaxErrors(-1);
  Writing w(DATES, options);
  EXPECT_EQ("", w.write({{"R-DATE", "20240315"},
                         {"R-YEAR", "2024"},
                         {"R-MONTH", "03"},
                         {"R-DAY", "15"},
                         {"R-AMOUNT", "1.5"}}));
  EXPECT_EQ("", w.write({{"R-YEAR", "1999"}, {"R-MONTH", "12"}, {"R-DAY", "31"}}));
  EXPECT_EQ("", w.write({}));                                          // the area's defaults
  EXPECT_EQ("", w.write({{"R-DATE", "20240315"}, {"R-MONTH", "3"}}));  // 3 reads back as 03
  EXPECT_EQ(
      "passed over: Column R-MONTH, value '04': does not read back as given from the bytes "
      "written for R-DATE: they read '03'",
      w.write({{"R-DATE", "20240315"}, {"R-MONTH", "04"}}));
  EXPECT_EQ(
      "20240315\x00\x00\x15\x0C"
      "19991231\x00\x00\x00\x0C"
      "00000000\x00\x00\x00\x0C"
      "20240315\x00\x00\x00\x0C"s,
      w.written());
}

// Segments: the identifier names the item written; values for another are checked.
TEST(RecordWriterTest, SegmentsFollowTheIdentifier) {
  auto writer = own(createCCBRecordWriter());
  ASSERT_TRUE(writer->addCopybookText(SEGMENTS.data(), SEGMENTS.size(), "", true));
  ASSERT_TRUE(writer->setIdentifierField(0, "PIC X"));
  ASSERT_TRUE(writer->addSegment("S-A", "A"));
  ASSERT_TRUE(writer->addSegment("S-B", "B"));
  std::string memory(64, '\0');
  CCBReadOptions options;
  options.setMaxErrors(-1);
  ASSERT_TRUE(
      writer->openMemory(reinterpret_cast<unsigned char*>(&memory[0]), memory.size(), options));
  const struct {
    const char* type;
    const char* name;
    const char* number;
    const char* message;
  } rows[] = {
      {"A", "ab", nullptr, ""},
      {"B", nullptr, "12", ""},
      {"B", "ab", nullptr,
       "Column S-A-NAME, value 'ab': does not read back as given from the bytes written for S-B: "
       "they read '0000'"},
      {"C", nullptr, nullptr, "No segment for this record: C"},
  };
  for (const auto& row : rows) {
    writer->setValue(0, row.type, 1);
    if (row.name != nullptr) writer->setValue(1, row.name, static_cast<int>(strlen(row.name)));
    if (row.number != nullptr) {
      writer->setValue(2, row.number, static_cast<int>(strlen(row.number)));
    }
    bool failed = false;
    EXPECT_EQ(row.message[0] == '\0', writer->writeRecord(failed)) << row.type;
    if (row.message[0] != '\0') {
      EXPECT_EQ(row.message, writer->getErrorMessage().str());
    }
  }
  ASSERT_TRUE(writer->close());
  EXPECT_EQ("Aab  B0012", memory.substr(0, static_cast<size_t>(writer->getOutputSize())));
}

// Several layouts: each record names its layout; the identifier tells whether the values
// make a record of the active layout.
TEST(RecordWriterTest, SeveralLayoutsAndTheirIdentifiers) {
  const std::string header =
      source({"01  H.", "    05  H-TYPE  PIC X.", "    05  H-DATE  PIC 9(4)."});
  const std::string detail =
      source({"01  D.", "    05  D-TYPE  PIC X.", "    05  D-AMT   PIC 9(2)."});
  auto writer = own(createCCBRecordWriter());
  ASSERT_TRUE(writer->addCopybookText(header.data(), header.size(), "H", false));
  ASSERT_TRUE(writer->addCopybookText(detail.data(), detail.size(), "D", false));
  ASSERT_TRUE(writer->setIdentifierField(0, "PIC X"));
  EXPECT_EQ(1, writer->findLayout("d"));
  EXPECT_EQ(-1, writer->findLayout("X"));
  EXPECT_EQ("H", writer->getLayoutId(0).str());
  CCBReadOptions options;
  ASSERT_TRUE(writer->prepareEncoding(options));
  ASSERT_TRUE(writer->setActiveLayout(1));
  EXPECT_EQ("D-AMT", test_support::columnInfo(writer.get(), 1).substr(0, 5));
  bool matches = false;
  writer->setValue(0, "D", 1);
  ASSERT_TRUE(writer->identifierMatches(matches));
  EXPECT_TRUE(matches);
  writer->setValue(0, "H", 1);
  ASSERT_TRUE(writer->identifierMatches(matches));
  EXPECT_FALSE(matches);
  const unsigned char* bytes = nullptr;
  int length = 0;
  writer->setValue(1, "7", 1);
  ASSERT_TRUE(writer->encodeRecord(bytes, length));
  EXPECT_EQ("H07", std::string(reinterpret_cast<const char*>(bytes), length));
}

// Each bad record goes to the callback while max_errors allows; the next one stops.
struct BadValues : CCBBadValueCallback {
  void badValue(int64_t record, int column, const QvbString& name, const QvbString& value,
                const QvbString& reason) override {
    seen.push_back(std::to_string(record) + " " + std::to_string(column) + " " + name.str() + " [" +
                   value.str() + "] " + reason.str());
  }
  std::vector<std::string> seen;
};

TEST(RecordWriterTest, BadRecordsPassedOverUpToMaxErrors) {
  CCBReadOptions options = format(CCB_RECORD_FIXED);
  options.setRecordLength(10);
  options.setMaxErrors(2);
  options.setEbcdic(true);
  Writing w(TABLE, options);
  BadValues bad;
  w->setBadValueCallback(&bad);
  EXPECT_EQ("", w.write({{"REC-TYPE", "A"}}));
  EXPECT_EQ("passed over: Column REC-COUNT, value '-1': is negative, but its picture has no sign",
            w.write({{"REC-COUNT", "-1"}}));
  EXPECT_EQ("passed over: Record of 18 bytes is longer than the fixed record length of 10",
            w.write({{"REC-COUNT", "2"}}));
  EXPECT_EQ(
      "stopped: Column ITEM-QTY, value '1000': has 4 integer digits, more than the 3 its "
      "picture holds",
      w.write({{"REC-COUNT", "1"}, {"ITEM-QTY", "1000"}}));
  EXPECT_EQ("stopped: Writing has stopped", w.write({{"REC-TYPE", "B"}}));
  EXPECT_EQ(std::vector<std::string>({"2 1 REC-COUNT [-1] is negative, but its picture has no sign",
                                      "3 -1  [] Record of 18 bytes is longer than the fixed record "
                                      "length of 10"}),
            bad.seen);
  int64_t record = 0;
  int column = 0;
  QvbString value, reason;
  ASSERT_TRUE(w->getBadValue(record, column, value, reason));
  EXPECT_EQ("4 3 1000", std::to_string(record) + " " + std::to_string(column) + " " + value.str());
  // The records before the stop are written: EBCDIC, padded with EBCDIC blanks.
  EXPECT_EQ("\xC1\x40\xF0\xF0\x40\x40\x40\x40\x40\x40"s, w.written());
}

// Descriptor words in either order and counting, blocks of at most block_size bytes, and
// what the lines format cannot frame.
TEST(RecordWriterTest, FramesRecords) {
  const std::string two =
      source({"01  T.", "    05  T-TEXT  PIC X(2).", "    05  T-NUM   PIC S9(3) COMP-3.",
              "    05  T-BIN   PIC S9(4) COMP."});
  CCBReadOptions options = format(CCB_RECORD_RDW);
  options.setRdwLittleEndian(true);
  options.setRdwExcludesHeader(true);
  Writing little(two, options);
  EXPECT_EQ("", little.write({{"T-TEXT", "ab"}}));  // the null fields after it left out
  EXPECT_EQ(
      "\x00\x00\x02\x00"
      "ab"s,
      little.written());

  options = format(CCB_RECORD_VB);
  options.setBlockSize(20);  // a block word and two records of 4 bytes behind their words
  Writing vb(two, options);
  for (const char* text : {"a", "b", "c"})
    EXPECT_EQ("", vb.write({{"T-TEXT", text}, {"T-NUM", "1"}}));
  EXPECT_EQ(
      "\x00\x14\x00\x00"
      "\x00\x08\x00\x00"
      "a \x00\x1C"
      "\x00\x08\x00\x00"
      "b \x00\x1C"
      "\x00\x0C\x00\x00"
      "\x00\x08\x00\x00"
      "c \x00\x1C"s,
      vb.written());

  options = format(CCB_RECORD_LINES);
  options.setMaxErrors(-1);
  Writing lines(two, options);
  EXPECT_EQ("", lines.write({{"T-TEXT", "ab"}, {"T-NUM", "5"}, {"T-BIN", "1"}}));
  EXPECT_EQ(
      "passed over: Record holds a line end (byte 0A at offset 5), which the lines format "
      "cannot frame",
      lines.write({{"T-TEXT", "cd"}, {"T-BIN", "10"}}));
  EXPECT_EQ("ab\x00\x5C\x00\x01\n"s, lines.written());
}

// The options of reading a file are refused: a writer writes whole files.
TEST(RecordWriterTest, RefusesOptionsOfReading) {
  auto writer = own(createCCBRecordWriter());
  unsigned char memory[16];
  CCBReadOptions options;
  EXPECT_FALSE(writer->openMemory(memory, sizeof memory, options));
  EXPECT_EQ("One or more Copybook Files required for writing data",
            writer->getErrorMessage().str());
  ASSERT_TRUE(writer->addCopybookText(TABLE.data(), TABLE.size(), "", true));
  options.setSkip(4);
  EXPECT_FALSE(writer->openMemory(memory, sizeof memory, options));
  EXPECT_EQ("skip, range and first_record are options of reading: a writer writes whole files",
            writer->getErrorMessage().str());
  options = format(CCB_RECORD_VB);
  options.setBlockSize(8);
  EXPECT_FALSE(writer->openMemory(memory, sizeof memory, options));
  EXPECT_EQ("Invalid block size 8: it must be from 9 to 2147483647",
            writer->getErrorMessage().str());
  bool failed = false;
  EXPECT_FALSE(writer->writeRecord(failed));
  EXPECT_TRUE(failed);
  EXPECT_EQ("No output is open", writer->getErrorMessage().str());
}

// A file is written aside and put in place by close(); until then it stays as it was,
// and a replaced file keeps its permissions. Memory that is full stops writing.
TEST(RecordWriterTest, OutputsAFileADescriptorOrMemory) {
  TempDir dir;
  const std::string path = dir.write("out.dat", "old");
  ASSERT_EQ(0, chmod(path.c_str(), 0640));
  auto writer = own(createCCBRecordWriter());
  ASSERT_TRUE(writer->addCopybookText(DATES.data(), DATES.size(), "", true));
  ASSERT_TRUE(writer->openFile(path.c_str(), CCBReadOptions()));
  writer->setValue(0, "1", 1);
  bool failed = false;
  ASSERT_TRUE(writer->writeRecord(failed));
  EXPECT_EQ("old", readFile(path));
  ASSERT_TRUE(writer->close());
  EXPECT_EQ("00000001\x00\x00\x00\x0C"s, readFile(path));
  struct stat info;
  ASSERT_EQ(0, stat(path.c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 0777);
  std::vector<std::string> names;  // nothing left aside
  for (const auto& entry : std::filesystem::directory_iterator(dir.path(""))) {
    names.push_back(entry.path().filename());
  }
  EXPECT_EQ(std::vector<std::string>{"out.dat"}, names);
  // Released before close: the file stays as it was.
  ASSERT_TRUE(writer->openFile(path.c_str(), CCBReadOptions()));
  ASSERT_TRUE(writer->writeRecord(failed));
  writer.reset();
  EXPECT_EQ("00000001\x00\x00\x00\x0C"s, readFile(path));

  const int fd = open(dir.path("fd.dat").c_str(), O_WRONLY | O_CREAT, 0644);
  auto second = own(createCCBRecordWriter());
  ASSERT_TRUE(second->addCopybookText(DATES.data(), DATES.size(), "", true));
  ASSERT_TRUE(second->openDescriptor(fd, CCBReadOptions()));
  ASSERT_TRUE(second->writeRecord(failed));
  ASSERT_TRUE(second->close());
  EXPECT_EQ(0, ::close(fd));  // still the host's
  EXPECT_EQ("00000000\x00\x00\x00\x0C"s, readFile(dir.path("fd.dat")));

  unsigned char memory[16];
  ASSERT_TRUE(second->openMemory(memory, sizeof memory, CCBReadOptions()));
  ASSERT_TRUE(second->writeRecord(failed));
  EXPECT_FALSE(second->writeRecord(failed));
  EXPECT_TRUE(failed);
  EXPECT_EQ("The memory buffer of 16 bytes is full", second->getErrorMessage().str());
}

// Typed values through the column-batch side; a bad one names its record.
TEST(RecordWriterTest, WritesBatchesOfTypedColumns) {
  CCBReadOptions options;
  options.setMaxErrors(-1);
  Writing w(DATES, options);
  BadValues bad;
  w->setBadValueCallback(&bad);
  const int64_t dates[] = {20240101, 0, 123456789};
  const unsigned char valid[] = {1, 0, 1};
  const double amounts[] = {0.1, -2.5, 3};
  ASSERT_TRUE(w->setBatchIntegers(0, dates, valid));
  ASSERT_TRUE(w->setBatchReals(4, amounts, nullptr));
  bool failed = false;
  EXPECT_EQ(2, w->writeBatch(3, failed));
  EXPECT_FALSE(failed);
  const char texts[] = "1999";
  const int64_t offsets[] = {0, 4};
  ASSERT_TRUE(w->setBatchTexts(1, texts, offsets, nullptr));
  EXPECT_EQ(1, w->writeBatch(1, failed));
  EXPECT_EQ(std::vector<std::string>({"3 0 R-DATE [123456789] has 9 integer digits, more than "
                                      "the 8 its picture holds"}),
            bad.seen);
  EXPECT_EQ(
      "20240101\x00\x00\x01\x0C"
      "00000000\x00\x00\x25\x0D"
      "19990000\x00\x00\x00\x0C"s,
      w.written());
  EXPECT_EQ(4, w->getRecordsGiven());
  EXPECT_EQ(3, w->getRecordsWritten());
}

}  // namespace
