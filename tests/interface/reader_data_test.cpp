// The record reader over the files GnuCOBOL wrote (tests/data/files): every file of
// the manifest is read as the manifest says, layout by layout, and every column is
// compared with the value the writing program printed.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "interface/expected_values.h"
#include "lyra/ccb_reader.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::normalised;
using test_support::readExpected;
using test_support::Record;

// The fields of one line of files/manifest.tsv. Record length 0 means variable records,
// identifier offset "-" one layout without an identifier field; layouts are
// comma-separated, each a copybook or identifier=copybook.
enum Field { NAME, ENCODING, LENGTH, START, ID_OFFSET, ID_CLAUSE, LAYOUTS };
using DataFile = std::vector<std::string>;

std::vector<DataFile> readManifest() {
  std::vector<DataFile> files;
  std::ifstream in(dataPath("files/manifest.tsv"));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    files.emplace_back();
    for (std::string field; std::getline(fields, field, '\t');) files.back().push_back(field);
  }
  return files;
}

// Every record of the layout of index active (none past the last layout), as the reader
// gives its columns; null columns (repetitions beyond a record's count) left out as in
// the expected files.
std::vector<Record> readAll(const DataFile& file, int active) {
  std::unique_ptr<CCBReader, void (*)(CCBReader*)> reader(createCCBReader(),
                                                          [](CCBReader* r) { r->release(); });
  std::istringstream layouts(file[LAYOUTS]);
  int index = 0;
  for (std::string layout; std::getline(layouts, layout, ',');) {
    const size_t equals = layout.find('=');  // none: npos + 1 is 0, the whole text
    const std::string id = layout.substr(0, equals == std::string::npos ? 0 : equals);
    EXPECT_TRUE(reader->addCopybook(dataPath("copybooks/" + layout.substr(equals + 1)).c_str(),
                                    id.c_str(), index++ == active));
  }
  if (file[ID_OFFSET] != "-") {
    EXPECT_TRUE(reader->setIdentifierField(std::stoi(file[ID_OFFSET]), file[ID_CLAUSE].c_str()));
  }
  const int recordLength = std::stoi(file[LENGTH]);
  EXPECT_TRUE(reader->openDataFile(dataPath("files/" + file[NAME]).c_str(), std::stoi(file[START]),
                                   recordLength != 0, file[ENCODING] == "ASCII", recordLength))
      << reader->getErrorMessage().asCstr();
  std::vector<Record> records;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    Record record;
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      QvbString name;
      int type = 0, length = 0;
      reader->getOutputInfo(i, name, type, length);
      const QvbDatavar value = reader->getOutputValue(i);
      if (!value.isNull()) record.emplace_back(name.asCstr(), value.text().asCstr());
    }
    records.push_back(record);
  }
  EXPECT_FALSE(failed) << reader->getErrorMessage().asCstr();
  return records;
}

// Every file of the manifest, layout by layout until one reads no record: the records
// of a layout are matched in order with the expected records that start with the
// layout's first column; together they must be all the expected records. An EBCDIC
// file must also read exactly like its ASCII twin (the same name without "_ebcdic"),
// before any normalising.
TEST(ReaderDataTest, DecodesTheValuesTheWritingProgramsPrinted) {
  const std::vector<DataFile> files = readManifest();
  ASSERT_EQ(12u, files.size());
  for (const DataFile& file : files) {
    const std::map<int, Record> expected = readExpected(file[NAME]);
    size_t total = 0;
    for (int layout = 0;; ++layout) {
      SCOPED_TRACE(file[NAME] + ", layout " + std::to_string(layout));
      const std::vector<Record> records = readAll(file, layout);
      if (records.empty()) break;
      if (file[ENCODING] == "EBCDIC") {
        DataFile ascii = file;
        ascii[NAME].erase(ascii[NAME].find("_ebcdic"), 7);
        ascii[ENCODING] = "ASCII";
        EXPECT_EQ(readAll(ascii, layout), records);
      }
      auto next = expected.begin();
      for (const Record& record : records) {
        while (next != expected.end() && next->second[0].first != record[0].first) ++next;
        ASSERT_NE(expected.end(), next) << "more records than expected";
        EXPECT_EQ(next->second, normalised(record, next->second)) << "record " << next->first;
        ++next;
        ++total;
      }
    }
    EXPECT_EQ(expected.size(), total) << file[NAME];
  }
}

}  // namespace
