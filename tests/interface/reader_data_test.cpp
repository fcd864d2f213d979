// The record reader over the files GnuCOBOL wrote (tests/data/files): every file of
// the manifest is opened as the manifest says, every record of each layout is read,
// and every column is compared with the values the writing program printed.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "interface/ccb_layout_loader.h"
#include "layout/ccb_data_field.h"
#include "lyra/ccb_reader.h"
#include "test_util.h"

namespace {

using test_support::dataPath;

struct ReleaseReader {
  void operator()(CCBReader* reader) const { reader->release(); }
};
using ReaderPtr = std::unique_ptr<CCBReader, ReleaseReader>;

// One line of files/manifest.tsv.
struct DataFile {
  std::string name;
  bool ebcdic = false;
  int recordLength = 0;  // 0: variable records
  int startPosition = 0;
  int idOffset = -1;  // -1: one layout, no identifier field
  std::string idClause;
  std::vector<std::string> recordIds;  // one per layout, empty with one layout
  std::vector<std::string> copybooks;
};

// How many records of each layout (in manifest order) a file holds.
struct RecordCount {
  const char* file;
  std::vector<int> perLayout;
};

static const RecordCount RECORD_COUNTS[] = {
    {"customers.dat", {12}},                 //
    {"customers_ovp.dat", {12}},             //
    {"customers_ebcdic.dat", {12}},          //
    {"accounts.dat", {8}},                   //
    {"txn_var.dat", {3, 9, 3}},              // HD, DT, TR: three batches of 5, 4 and 0 details
    {"txn_var_ebcdic.dat", {3, 9, 3}},       //
    {"txn_fixed120.dat", {3, 9, 3}},         //
    {"txn_fixed120_ebcdic.dat", {3, 9, 3}},  //
    {"policies.dat", {6}},                   //
    {"items.dat", {10}},                     //
    {"jobstats.dat", {6}},                   //
};

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

DataFile parseManifestLine(const std::string& line) {
  const std::vector<std::string> f = split(line, '\t');
  EXPECT_EQ(7u, f.size()) << line;
  DataFile file;
  if (f.size() != 7) return file;
  file.name = f[0];
  file.ebcdic = f[1] == "EBCDIC";
  file.recordLength = std::stoi(f[2]);
  file.startPosition = std::stoi(f[3]);
  if (f[4] != "-") {
    file.idOffset = std::stoi(f[4]);
    file.idClause = f[5];
  }
  for (const std::string& layout : split(f[6], ',')) {
    const size_t equals = layout.find('=');
    if (equals == std::string::npos) {
      file.copybooks.push_back(layout);
    } else {
      file.recordIds.push_back(layout.substr(0, equals));
      file.copybooks.push_back(layout.substr(equals + 1));
    }
  }
  return file;
}

std::vector<DataFile> readManifest() {
  std::vector<DataFile> files;
  std::ifstream in(dataPath("files/manifest.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    files.push_back(parseManifestLine(line));
  }
  return files;
}

// A column as (name, value); the value is "<null>" when the column holds none.
using Record = std::vector<std::pair<std::string, std::string>>;
const char* const NULL_VALUE = "<null>";

// The expected columns of each record number, from <file>.expected.
std::map<int, Record> readExpected(const std::string& file) {
  std::map<int, Record> records;
  std::ifstream in(dataPath("files/" + file + ".expected"));
  std::string line;
  while (std::getline(in, line)) {
    const size_t tab1 = line.find('\t');
    const size_t tab2 = line.find('\t', tab1 + 1);
    if (tab1 == std::string::npos || tab2 == std::string::npos) {
      ADD_FAILURE() << file << ": bad expected line: " << line;
      continue;
    }
    records[std::stoi(line.substr(0, tab1))].emplace_back(line.substr(tab1 + 1, tab2 - tab1 - 1),
                                                          line.substr(tab2 + 1));
  }
  return records;
}

// A numeric picture holds only S, 9, V and P, with repetition counts.
bool isNumericPicture(const std::string& picture) {
  bool inCount = false;
  for (char c : picture) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c == '(') {
      inCount = true;
    } else if (c == ')') {
      inCount = false;
    } else if (!inCount && upper != 'S' && upper != '9' && upper != 'V' && upper != 'P') {
      return false;
    }
  }
  return !picture.empty();
}

// For every column of the copybook's layout, whether its picture is numeric.
std::vector<bool> numericColumns(const std::string& copybook) {
  CCBLayoutLoader loader;
  std::unique_ptr<CCBDataRoot> root(loader.readCopybook(dataPath("copybooks/" + copybook).c_str()));
  std::vector<bool> numeric;
  if (root == nullptr) {
    ADD_FAILURE() << copybook << ": " << loader.getErrorMessage().asCstr();
    return numeric;
  }
  for (int i = 0; i < root->getColumnCount(); ++i) {
    const auto* field = static_cast<const CCBDataField*>(root->getColumn(i)->getNode());
    numeric.push_back(isNumericPicture(field->getPicture().asCstr()));
  }
  return numeric;
}

// Numeric text in the canonical form of the expected files: an optional '-', the
// integer digits without leading zeros (at least one), then '.' and the fraction
// digits as given; no '-' on zero. Text that is not a number is returned unchanged.
std::string canonicalNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::string integer;
  std::string fraction;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      (point ? fraction : integer).push_back(c);
    } else {
      return text;
    }
  }
  if (integer.empty() && fraction.empty()) return text;
  const size_t firstDigit = integer.find_first_not_of('0');
  integer = firstDigit == std::string::npos ? "0" : integer.substr(firstDigit);
  const bool zero = integer == "0" && fraction.find_first_not_of('0') == std::string::npos;
  return (negative && !zero ? "-" : "") + integer + (point ? "." + fraction : "");
}

// Opens the file with the layout of index active made active; null on failure.
ReaderPtr open(const DataFile& file, int active) {
  ReaderPtr reader(createCCBReader());
  for (size_t i = 0; i < file.copybooks.size(); ++i) {
    const std::string id = file.recordIds.empty() ? "" : file.recordIds[i];
    if (!reader->addCopybook(dataPath("copybooks/" + file.copybooks[i]).c_str(), id.c_str(),
                             static_cast<int>(i) == active)) {
      ADD_FAILURE() << file.copybooks[i] << ": " << reader->getErrorMessage().asCstr();
      return nullptr;
    }
  }
  if (file.idOffset >= 0 && !reader->setIdentifierField(file.idOffset, file.idClause.c_str())) {
    ADD_FAILURE() << file.idClause << ": " << reader->getErrorMessage().asCstr();
    return nullptr;
  }
  if (!reader->openDataFile(dataPath("files/" + file.name).c_str(), file.startPosition,
                            file.recordLength != 0, !file.ebcdic, file.recordLength)) {
    ADD_FAILURE() << file.name << ": " << reader->getErrorMessage().asCstr();
    return nullptr;
  }
  return reader;
}

// Every record of the active layout, with all its columns; a read failure adds a
// test failure.
std::vector<Record> readAll(const DataFile& file, int active) {
  std::vector<Record> records;
  ReaderPtr reader = open(file, active);
  if (reader == nullptr) return records;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    Record record;
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      QvbString name;
      int type = 0;
      int length = 0;
      reader->getOutputInfo(i, name, type, length);
      const QvbDatavar value = reader->getOutputValue(i);
      record.emplace_back(name.asCstr(), value.isNull() ? NULL_VALUE : value.text().asCstr());
    }
    records.push_back(record);
  }
  EXPECT_FALSE(failed) << file.name << ": " << reader->getErrorMessage().asCstr();
  return records;
}

std::vector<int> expectedCounts(const std::string& file) {
  for (const RecordCount& count : RECORD_COUNTS) {
    if (file == count.file) return count.perLayout;
  }
  ADD_FAILURE() << file << " has no record counts";
  return {};
}

// The record numbers of the expected records that belong to a layout: those whose
// first column is the layout's first column.
std::vector<int> recordsOfLayout(const std::map<int, Record>& expected, const Record& sample) {
  std::vector<int> numbers;
  for (const auto& entry : expected) {
    if (!entry.second.empty() && entry.second[0].first == sample[0].first) {
      numbers.push_back(entry.first);
    }
  }
  return numbers;
}

TEST(ReaderDataNumbersTest, CanonicalNumber) {
  static const std::pair<const char*, const char*> CASES[] = {
      {"00123", "123"},       // leading zeros go
      {" 123.45", "123.45"},  // an embedded positive sign gives a blank
      {"+0012.50", "12.50"},  // a separate positive sign
      {"-000.05", "-0.05"},   //
      {".0012", "0.0012"},    // leading scaling positions
      {"-.0000", "0.0000"},   // zero is never negative
      {"-0", "0"},            //
      {"0000", "0"},          //
      {"45600", "45600"},     // trailing scaling positions stay
      {"#ERR#", "#ERR#"},     // not a number: unchanged
      {"12 3", "12 3"},       //
      {"", ""},               //
  };
  for (const auto& c : CASES) EXPECT_EQ(c.second, canonicalNumber(c.first)) << c.first;
}

// Compares every column of a read record with the expected columns of its record
// number: expected columns by value (numeric ones in canonical form), all others null.
void compareRecord(const Record& actual, const Record& expected, const std::vector<bool>& numeric) {
  std::map<std::string, std::string> wanted(expected.begin(), expected.end());
  EXPECT_EQ(expected.size(), wanted.size()) << "a column name repeats in the expected file";
  EXPECT_EQ(numeric.size(), actual.size());
  for (size_t i = 0; i < actual.size() && i < numeric.size(); ++i) {
    const std::string& name = actual[i].first;
    SCOPED_TRACE(name);
    const auto found = wanted.find(name);
    if (found == wanted.end()) {
      EXPECT_EQ(NULL_VALUE, actual[i].second);  // a repetition beyond the record's count
      continue;
    }
    const std::string value = numeric[i] ? canonicalNumber(actual[i].second) : actual[i].second;
    EXPECT_EQ(found->second, value);
    wanted.erase(found);
  }
  for (const auto& missing : wanted) ADD_FAILURE() << "no column " << missing.first;
}

class ReaderDataTest : public ::testing::TestWithParam<DataFile> {};

TEST_P(ReaderDataTest, DecodesTheValuesItsProgramPrinted) {
  const DataFile& file = GetParam();
  const std::map<int, Record> expected = readExpected(file.name);
  const std::vector<int> counts = expectedCounts(file.name);
  ASSERT_EQ(counts.size(), file.copybooks.size());
  size_t total = 0;
  for (size_t layout = 0; layout < file.copybooks.size(); ++layout) {
    SCOPED_TRACE(file.copybooks[layout]);
    const std::vector<bool> numeric = numericColumns(file.copybooks[layout]);
    const std::vector<Record> records = readAll(file, static_cast<int>(layout));
    ASSERT_EQ(counts[layout], static_cast<int>(records.size()));
    const std::vector<int> numbers = recordsOfLayout(expected, records[0]);
    ASSERT_EQ(records.size(), numbers.size());
    for (size_t r = 0; r < records.size(); ++r) {
      SCOPED_TRACE("record " + std::to_string(numbers[r]));
      compareRecord(records[r], expected.at(numbers[r]), numeric);
    }
    total += records.size();
  }
  EXPECT_EQ(expected.size(), total);  // every record of the file belongs to a layout
}

TEST(ReaderDataFilesTest, ManifestListsEveryFileWithItsCounts) {
  const std::vector<DataFile> files = readManifest();
  ASSERT_EQ(sizeof RECORD_COUNTS / sizeof RECORD_COUNTS[0], files.size());
  for (const DataFile& file : files) {
    EXPECT_EQ(expectedCounts(file.name).size(), file.copybooks.size()) << file.name;
  }
}

// The EBCDIC files hold the same records as ASCII files: each read must give the
// same text, character for character, before any normalising.
TEST(ReaderDataFilesTest, EbcdicFilesGiveTheValuesOfTheirAsciiTwins) {
  static const std::pair<const char*, const char*> TWINS[] = {
      {"customers_ebcdic.dat", "customers_ovp.dat"},    // overpunch signs
      {"customers_ebcdic.dat", "customers.dat"},        // 'p' to 'y' signs
      {"txn_var_ebcdic.dat", "txn_var.dat"},            //
      {"txn_fixed120_ebcdic.dat", "txn_fixed120.dat"},  //
      {"txn_fixed120_ebcdic.dat", "txn_var.dat"},       // padding changes nothing
  };
  std::map<std::string, DataFile> files;
  for (const DataFile& file : readManifest()) files[file.name] = file;
  for (const auto& twin : TWINS) {
    SCOPED_TRACE(std::string(twin.first) + " and " + twin.second);
    const DataFile& ebcdic = files.at(twin.first);
    const DataFile& ascii = files.at(twin.second);
    ASSERT_TRUE(ebcdic.ebcdic);
    ASSERT_FALSE(ascii.ebcdic);
    for (size_t layout = 0; layout < ebcdic.copybooks.size(); ++layout) {
      const std::vector<Record> fromEbcdic = readAll(ebcdic, static_cast<int>(layout));
      EXPECT_FALSE(fromEbcdic.empty());
      EXPECT_EQ(readAll(ascii, static_cast<int>(layout)), fromEbcdic);
    }
  }
}

void PrintTo(const DataFile& file, std::ostream* out) {
  *out << file.name;
}

std::string testName(const ::testing::TestParamInfo<DataFile>& info) {
  std::string name = info.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Manifest, ReaderDataTest, ::testing::ValuesIn(readManifest()), testName);

// A file of one layout whose records are as long as the layout reads alike as fixed
// and as variable records.
TEST(ReaderDataFilesTest, OneLayoutFilesReadAlikeAsVariableRecords) {
  for (const DataFile& file : readManifest()) {
    if (file.copybooks.size() != 1 || file.recordLength == 0) continue;
    SCOPED_TRACE(file.name);
    DataFile variable = file;
    variable.recordLength = 0;
    const std::vector<Record> records = readAll(file, 0);
    EXPECT_FALSE(records.empty());
    EXPECT_EQ(records, readAll(variable, 0));
  }
}

}  // namespace
