// The record reader over the framed data files of tests/data/files/framed.tsv:
// GnuCOBOL's own RECORD VARYING file and the files built around GnuCOBOL records with
// record descriptor words, blocks and text lines. Every record's number, position,
// bytes and columns are compared with what the generator placed (<file>.offsets) and
// what the writing program printed (<file>.expected): whole files, files cut into
// ranges at the split points a scan reports, and text lines cut at any byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "interface/expected_values.h"
#include "lyra/ccb_read_options.h"
#include "lyra/ccb_record_reader.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::normalised;
using test_support::readExpected;
using test_support::readFile;
using test_support::Record;

const int DESCRIPTOR_SIZE = 4;  // a record descriptor word before each rdw and vb record
const int64_t SPLIT_SIZES[] = {1, 50, 300, 100000};

// Where the generator put a record: one line of files/<file>.offsets.
struct Position {
  int64_t number = 0;
  int64_t offset = 0;  // its first byte: its record descriptor word, where it has one
  int length = 0;      // its data bytes
  int64_t end = 0;     // just past it, its line end included
  int64_t split = -1;  // where a split scan reports it (vb: its block); -1: never
};

// A framed file with everything known about it.
struct FramedFile {
  std::string name;
  CCBReadOptions options;  // record format and switches; the whole file
  std::string copybook;
  std::string bytes;                // the whole file
  std::vector<Position> positions;  // in file order
  std::map<int, Record> expected;   // by record number
  bool lines() const { return options.getRecordFormat() == CCB_RECORD_LINES; }
};

// What the reader gave for one record.
struct RecordRead {
  int64_t number = 0;
  int64_t offset = 0;
  int size = 0;
  int64_t end = 0;
  std::string bytes;
  Record columns;  // the columns that are not null
};

using Table = std::vector<std::vector<std::string>>;
using SplitPoints = std::vector<std::pair<int64_t, int64_t>>;  // (offset, record number)

// The tab-separated lines of a data file, comment lines left out.
Table readTable(const std::string& path) {
  Table rows;
  std::ifstream in(dataPath(path));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    rows.emplace_back();
    for (std::string field; std::getline(fields, field, '\t');) rows.back().push_back(field);
  }
  return rows;
}

// The read options of one line of framed.tsv: a format name, then "-" or the names of
// the switches that are on.
CCBReadOptions readOptions(const std::string& format, const std::string& switches) {
  CCBReadOptions options;
  CCBRecordFormat value = CCB_RECORD_FIXED;
  EXPECT_TRUE(ccbRecordFormatFromName(format.c_str(), &value)) << format;
  options.setRecordFormat(value);
  std::istringstream names(switches == "-" ? "" : switches);
  for (std::string name; std::getline(names, name, ',');) {
    if (name == "rdw_little_endian") {
      options.setRdwLittleEndian(true);
    } else if (name == "rdw_excludes_header") {
      options.setRdwExcludesHeader(true);
    } else if (name == "ebcdic") {
      options.setEbcdic(true);
    } else {
      ADD_FAILURE() << "unknown option " << name;
    }
  }
  return options;
}

std::vector<Position> readPositions(const std::string& file) {
  std::vector<Position> positions;
  for (const std::vector<std::string>& row : readTable("files/" + file + ".offsets")) {
    EXPECT_EQ(5u, row.size()) << file;
    if (row.size() != 5) break;
    Position position;
    position.number = std::stoll(row[0]);
    position.offset = std::stoll(row[1]);
    position.length = std::stoi(row[2]);
    position.end = std::stoll(row[3]);
    position.split = row[4] == "-" ? -1 : std::stoll(row[4]);
    positions.push_back(position);
  }
  return positions;
}

std::vector<FramedFile> readFramedFiles() {
  std::vector<FramedFile> files;
  for (const std::vector<std::string>& row : readTable("files/framed.tsv")) {
    EXPECT_EQ(4u, row.size());
    if (row.size() != 4) break;
    FramedFile file;
    file.name = row[0];
    file.options = readOptions(row[1], row[2]);
    file.copybook = row[3];
    file.bytes = readFile(dataPath("files/" + file.name));
    file.positions = readPositions(file.name);
    file.expected = readExpected(file.name);
    files.push_back(std::move(file));
  }
  return files;
}

using ReaderPtr = std::unique_ptr<CCBRecordReader, void (*)(CCBRecordReader*)>;

ReaderPtr newReader(const FramedFile& file) {
  ReaderPtr reader(createCCBRecordReader(), [](CCBRecordReader* r) { r->release(); });
  EXPECT_TRUE(reader->addCopybook(dataPath("copybooks/" + file.copybook).c_str(), "", true))
      << reader->getErrorMessage().asCstr();
  return reader;
}

// Every record the reader gives from the input it has just opened.
std::vector<RecordRead> readOpened(CCBRecordReader* reader) {
  std::vector<RecordRead> records;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    RecordRead record;
    record.number = reader->getRecordNumber();
    record.offset = reader->getRecordOffset();
    record.size = reader->getRecordSize();
    record.end = reader->getInputPosition();
    const unsigned char* bytes = reader->getRecordBytes();
    if (bytes != nullptr && record.size > 0) {
      record.bytes.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(record.size));
    }
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      QvbString name;
      int type = 0, length = 0;
      reader->getOutputInfo(i, name, type, length);
      const QvbDatavar value = reader->getOutputValue(i);
      if (!value.isNull()) record.columns.emplace_back(name.asCstr(), value.text().asCstr());
    }
    records.push_back(std::move(record));
  }
  EXPECT_FALSE(failed) << reader->getErrorMessage().asCstr();
  return records;
}

// Every record the reader gives for the file opened with options.
std::vector<RecordRead> readRecords(CCBRecordReader* reader, const FramedFile& file,
                                    const CCBReadOptions& options) {
  if (reader->openData(dataPath("files/" + file.name).c_str(), options)) return readOpened(reader);
  ADD_FAILURE() << "cannot open: " << reader->getErrorMessage().asCstr();
  return {};
}

// The reader gave the record the generator placed at position, with the given number,
// its bytes as they stand in the file and the values the writing program printed.
void expectRecord(const FramedFile& file, const RecordRead& got, const Position& want,
                  int64_t number) {
  SCOPED_TRACE("record " + std::to_string(want.number) + " at byte " + std::to_string(want.offset));
  EXPECT_EQ(number, got.number);
  EXPECT_EQ(want.offset, got.offset);
  EXPECT_EQ(want.length, got.size);
  EXPECT_EQ(want.end, got.end);
  const int64_t data = want.offset + (file.lines() ? 0 : DESCRIPTOR_SIZE);
  EXPECT_EQ(file.bytes.substr(static_cast<size_t>(data), static_cast<size_t>(want.length)),
            got.bytes);
  const auto values = file.expected.find(static_cast<int>(want.number));
  ASSERT_NE(file.expected.end(), values);
  EXPECT_EQ(values->second, normalised(got.columns, values->second));
}

// The records read are all the file's records, each once, in order, with their numbers.
void expectEveryRecord(const FramedFile& file, const std::vector<RecordRead>& records) {
  ASSERT_EQ(file.positions.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    expectRecord(file, records[i], file.positions[i], file.positions[i].number);
  }
}

// The split points that a scan every `every` bytes must report: for each multiple of
// every, the first record (vb: block) that starts at or after it.
SplitPoints expectedSplitPoints(const FramedFile& file, int64_t every) {
  SplitPoints starts;
  for (const Position& position : file.positions) {
    if (position.split >= 0) starts.emplace_back(position.split, position.number);
  }
  SplitPoints points;
  for (int64_t multiple = 0; !starts.empty() && multiple <= starts.back().first;
       multiple += every) {
    const auto first =
        std::lower_bound(starts.begin(), starts.end(), std::make_pair(multiple, int64_t{0}));
    if (points.empty() || points.back() != *first) points.push_back(*first);
  }
  return points;
}

class SplitCollector : public CCBSplitCallback {
 public:
  bool splitPoint(int64_t offset, int64_t number) override {
    points.emplace_back(offset, number);
    return true;
  }
  SplitPoints points;
};

class RecordFormatsDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_ = readFramedFiles();
    ASSERT_EQ(6u, files_.size());
    for (const FramedFile& file : files_) {
      ASSERT_FALSE(file.positions.empty()) << file.name;
      ASSERT_EQ(file.expected.size(), file.positions.size()) << file.name;
    }
  }

  std::vector<FramedFile> files_;
};

TEST_F(RecordFormatsDataTest, ReadsEveryRecordWithItsNumberPositionAndValues) {
  for (const FramedFile& file : files_) {
    SCOPED_TRACE(file.name);
    ReaderPtr reader = newReader(file);
    expectEveryRecord(file, readRecords(reader.get(), file, file.options));
  }
}

// The same bytes from a host's memory and from a pipe, read strictly forward.
TEST_F(RecordFormatsDataTest, ReadsTheSameRecordsFromMemoryAndFromAPipe) {
  for (const FramedFile& file : files_) {
    SCOPED_TRACE(file.name);
    ReaderPtr reader = newReader(file);
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.bytes.data());
    ASSERT_TRUE(reader->openDataMemory(bytes, file.bytes.size(), file.options))
        << reader->getErrorMessage().asCstr();
    expectEveryRecord(file, readOpened(reader.get()));
    int ends[2];
    ASSERT_EQ(0, pipe(ends));
    // The files are far smaller than a pipe's buffer: all of it fits before reading.
    const ssize_t written = write(ends[1], file.bytes.data(), file.bytes.size());
    close(ends[1]);
    ASSERT_EQ(static_cast<ssize_t>(file.bytes.size()), written);
    const bool opened = reader->openDataDescriptor(ends[0], file.options);
    EXPECT_TRUE(opened) << reader->getErrorMessage().asCstr();
    if (opened) expectEveryRecord(file, readOpened(reader.get()));
    close(ends[0]);
  }
}

// A host splits a file among workers: each reads the range from one split point to the
// next, numbered from the record number the scan gave.
TEST_F(RecordFormatsDataTest, RangesBetweenSplitPointsReadEveryRecordOnce) {
  for (const FramedFile& file : files_) {
    ReaderPtr reader = newReader(file);
    for (const int64_t every : SPLIT_SIZES) {
      SCOPED_TRACE(file.name + ", split every " + std::to_string(every) + " bytes");
      SplitCollector scan;
      ASSERT_TRUE(reader->scanSplitPoints(dataPath("files/" + file.name).c_str(), file.options,
                                          every, &scan))
          << reader->getErrorMessage().asCstr();
      EXPECT_EQ(expectedSplitPoints(file, every), scan.points);
      std::vector<RecordRead> records;
      for (size_t i = 0; i < scan.points.size(); ++i) {
        CCBReadOptions options = file.options;
        options.setRange(scan.points[i].first,
                         i + 1 < scan.points.size() ? scan.points[i + 1].first : -1);
        options.setFirstRecord(scan.points[i].second);
        for (RecordRead& record : readRecords(reader.get(), file, options)) {
          records.push_back(std::move(record));
        }
      }
      expectEveryRecord(file, records);
    }
  }
}

// Offsets at which to cut a lines file into consecutive ranges: every byte; the bytes
// around each line end (a cut between CR and LF among them); and random sets.
std::vector<std::vector<int64_t>> lineCuts(const FramedFile& file) {
  const int64_t size = static_cast<int64_t>(file.bytes.size());
  std::vector<std::vector<int64_t>> cuts(2);
  for (int64_t offset = 1; offset < size; ++offset) cuts[0].push_back(offset);
  for (const Position& position : file.positions) {
    for (int64_t offset = position.end - 2; offset <= position.end + 1; ++offset) {
      if (offset > 0 && offset < size) cuts[1].push_back(offset);
    }
  }
  std::mt19937 random(20240315);
  std::uniform_int_distribution<int64_t> anywhere(1, size - 1);
  std::uniform_int_distribution<int> count(1, 8);
  for (int set = 0; set < 25; ++set) {
    cuts.emplace_back();
    for (int n = count(random); n > 0; --n) cuts.back().push_back(anywhere(random));
  }
  for (std::vector<int64_t>& set : cuts) {
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
  }
  return cuts;
}

// Ranges of lines may start anywhere: each reads the lines that start inside it. Past
// the file's start a range cannot know its record numbers and gives -1.
TEST_F(RecordFormatsDataTest, LinesRangesCutAtAnyByteReadEveryLineOnce) {
  int linesFiles = 0;
  for (const FramedFile& file : files_) {
    if (!file.lines()) continue;
    ++linesFiles;
    ReaderPtr reader = newReader(file);
    std::map<int64_t, Position> byOffset;
    std::vector<int64_t> everyOffset;
    for (const Position& position : file.positions) {
      byOffset[position.offset] = position;
      everyOffset.push_back(position.offset);
    }
    for (std::vector<int64_t> cuts : lineCuts(file)) {
      SCOPED_TRACE(file.name + ", " + std::to_string(cuts.size()) + " cuts from byte " +
                   std::to_string(cuts.front()));
      cuts.insert(cuts.begin(), 0);
      std::vector<int64_t> offsetsRead;
      for (size_t i = 0; i < cuts.size(); ++i) {
        CCBReadOptions options = file.options;
        options.setRange(cuts[i], i + 1 < cuts.size() ? cuts[i + 1] : -1);
        for (const RecordRead& record : readRecords(reader.get(), file, options)) {
          const auto position = byOffset.find(record.offset);
          ASSERT_NE(byOffset.end(), position) << "a record read at byte " << record.offset;
          expectRecord(file, record, position->second, cuts[i] == 0 ? position->second.number : -1);
          offsetsRead.push_back(record.offset);
        }
      }
      EXPECT_EQ(everyOffset, offsetsRead);
    }
  }
  EXPECT_EQ(1, linesFiles);
}

}  // namespace
