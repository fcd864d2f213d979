// The record reader over the framed data files of tests/data/files/framed.tsv:
// GnuCOBOL's own RECORD VARYING file and the files built around GnuCOBOL records with
// record descriptor words, blocks and text lines. Every record's number, position,
// bytes and columns are compared with what the generator placed (<file>.offsets) and
// what the writing program printed (<file>.expected).
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
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
using test_support::Record;
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

struct SplitCollector : CCBSplitCallback {
  bool splitPoint(int64_t offset, int64_t number) override {
    points.emplace_back(offset, number);
    return true;
  }
  SplitPoints points;
};

// Each record read from the opened input as "number@offset+length..end=bytes", its
// columns compared with the expected values when they are given.
std::vector<std::string> readOpened(CCBRecordReader* reader,
                                    const std::map<int, Record>* expected) {
  std::vector<std::string> records;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    const int number = static_cast<int>(reader->getRecordNumber());
    records.push_back(std::to_string(number) + "@" + std::to_string(reader->getRecordOffset()) +
                      "+" + std::to_string(reader->getRecordSize()) + ".." +
                      std::to_string(reader->getInputPosition()) + "=" +
                      std::string(reinterpret_cast<const char*>(reader->getRecordBytes()),
                                  static_cast<size_t>(reader->getRecordSize())));
    if (expected == nullptr) continue;
    Record columns, want = expected->count(number) ? expected->at(number) : Record();
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      QvbString name;
      int type = 0, length = 0;
      reader->getOutputInfo(i, name, type, length);
      const QvbDatavar value = reader->getOutputValue(i);
      if (!value.isNull()) columns.emplace_back(name.asCstr(), value.text().asCstr());
    }
    EXPECT_EQ(want, test_support::normalised(columns, want)) << "record " << number;
  }
  EXPECT_FALSE(failed) << reader->getErrorMessage().asCstr();
  return records;
}

// Each file read whole; then cut into ranges at the split points a scan every byte
// reports (each record's, vb: each block's), each range numbered from the record number
// the scan gave for it, as a host splitting a file among workers does.
TEST(RecordFormatsDataTest, WholeFilesAndRangesBetweenSplitPoints) {
  const Table files = readTable("files/framed.tsv");
  ASSERT_EQ(6u, files.size());
  for (const std::vector<std::string>& file : files) {  // name, format, switches, copybook
    SCOPED_TRACE(file.at(0));
    const std::string path = dataPath("files/" + file[0]), bytes = test_support::readFile(path);
    CCBRecordFormat format = CCB_RECORD_FIXED;
    ASSERT_TRUE(ccbRecordFormatFromName(file.at(1).c_str(), &format));
    CCBReadOptions options;
    options.setRecordFormat(format);
    options.setRdwLittleEndian(file.at(2).find("rdw_little_endian") != std::string::npos);
    options.setRdwExcludesHeader(file[2].find("rdw_excludes_header") != std::string::npos);
    options.setEbcdic(file[2].find("ebcdic") != std::string::npos);
    std::unique_ptr<CCBRecordReader, void (*)(CCBRecordReader*)> reader(
        createCCBRecordReader(), [](CCBRecordReader* r) { r->release(); });
    ASSERT_TRUE(reader->addCopybook(dataPath("copybooks/" + file.at(3)).c_str(), "", true));
    // Each record as readOpened gives it, and its split point, by the generator's
    // positions: number, offset (of its descriptor word, where it has one), data length,
    // end (past its line end), where a split scan reports it (vb: its block) or "-".
    std::vector<std::string> placed;
    SplitPoints points;
    const size_t header = format == CCB_RECORD_LINES ? 0 : 4;
    for (const std::vector<std::string>& p : readTable("files/" + file[0] + ".offsets")) {
      placed.push_back(p.at(0) + "@" + p.at(1) + "+" + p.at(2) + ".." + p.at(3) + "=" +
                       bytes.substr(std::stoul(p[1]) + header, std::stoul(p[2])));
      if (p.at(4) != "-") points.emplace_back(std::stoll(p[4]), std::stoll(p[0]));
    }
    const std::map<int, Record> expected = test_support::readExpected(file[0]);
    ASSERT_EQ(expected.size(), placed.size());
    ASSERT_LT(2u, points.size());
    ASSERT_TRUE(reader->openData(path.c_str(), options));
    EXPECT_EQ(placed, readOpened(reader.get(), &expected));
    SplitCollector scan;
    ASSERT_TRUE(reader->scanSplitPoints(path.c_str(), options, 1, &scan));
    EXPECT_EQ(points, scan.points);
    std::vector<std::string> records;
    for (size_t i = 0; i < points.size(); ++i) {
      CCBReadOptions range = options;
      range.setRange(points[i].first, i + 1 < points.size() ? points[i + 1].first : -1);
      range.setFirstRecord(points[i].second);
      ASSERT_TRUE(reader->openData(path.c_str(), range));
      for (const std::string& record : readOpened(reader.get(), nullptr)) records.push_back(record);
    }
    EXPECT_EQ(placed, records);
  }
}

}  // namespace
