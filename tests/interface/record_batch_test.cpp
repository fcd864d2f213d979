// CCBRecordBatch over the data files of tests/data/files: every value of every
// record, typed by its picture, compared with what the writing programs printed
// (<file>.expected); record numbers and offsets of framed files against the
// generator's positions (<file>.offsets); then nulls, errors, the batch settings and
// the failures, on records built by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "interface/expected_values.h"
#include "lyra/lyra.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::Record;

struct Release {
  void operator()(CCBRecordReader* reader) const { reader->release(); }
  void operator()(CCBRecordBatch* batch) const { batch->release(); }
};
using ReaderPtr = std::unique_ptr<CCBRecordReader, Release>;
using BatchPtr = std::unique_ptr<CCBRecordBatch, Release>;

std::vector<std::vector<std::string>> readTable(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(dataPath(path));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    rows.emplace_back();
    for (std::string field; std::getline(fields, field, '\t');) rows.back().push_back(field);
  }
  return rows;
}

// Value r of batch column c as the expected files write it: integers in decimal,
// decimals as their exact text (whose double must be the nearest to it), text as it
// is. Floats compare by value with the expected text, as singles for the COMP-1 items
// of measures.cpy; a float that differs shows as "float <value>".
std::string valueText(CCBRecordBatch* batch, int c, int r, const std::string& expected) {
  if (batch->getValidity(c)[r] == 0) return "";
  const int64_t* offsets = batch->getTextOffsets(c);
  switch (batch->getColumnKind(c)) {
    case CCB_COLUMN_INTEGER:
      return std::to_string(batch->getIntegers(c)[r]);
    case CCB_COLUMN_UNSIGNED:
      return std::to_string(batch->getUnsigned(c)[r]);
    case CCB_COLUMN_FLOAT: {
      const double value = batch->getReals(c)[r];
      const std::string name = batch->getColumnName(c).asCstr();
      const bool single = name == "M-RATE" || name == "M-PEAK";  // the COMP-1 items
      const double want =
          single ? std::strtof(expected.c_str(), nullptr) : std::strtod(expected.c_str(), nullptr);
      return want == value ? expected : "float " + std::to_string(value);
    }
    case CCB_COLUMN_TEXT:
      if (offsets == nullptr) return "no text";
      return std::string(batch->getTextBytes(c) + offsets[r],
                         static_cast<size_t>(offsets[r + 1] - offsets[r]));
    default: {
      if (offsets == nullptr) return "no text";
      const std::string text(batch->getTextBytes(c) + offsets[r],
                             static_cast<size_t>(offsets[r + 1] - offsets[r]));
      EXPECT_EQ(std::strtod(text.c_str(), nullptr), batch->getReals(c)[r]) << text;
      return text;
    }
  }
}

// Adds the batch's records to records, each value that is one by its column's name;
// no value may be an error.
void collect(CCBRecordBatch* batch, const std::map<int, Record>& expected,
             std::map<int, Record>* records) {
  for (int r = 0; r < batch->getRecordCount(); ++r) {
    const int number = static_cast<int>(batch->getRecordNumbers()[r]);
    const Record want = expected.count(number) ? expected.at(number) : Record();
    Record& record = (*records)[number];
    for (int c = 0; c < batch->getColumnCount(); ++c) {
      const std::string name = batch->getColumnName(c).asCstr();
      std::string value;
      for (const auto& column : want) {
        if (column.first == name) value = column.second;
      }
      if (batch->getValidity(c)[r] != 0) record.emplace_back(name, valueText(batch, c, r, value));
    }
  }
  for (int c = 0; c < batch->getColumnCount(); ++c) EXPECT_EQ(0, batch->getErrorCount(c)) << c;
}

// Reads the whole open input in batches of four records; false when reading failed.
bool readBatches(CCBRecordReader* reader, CCBRecordBatch* batch,
                 const std::map<int, Record>& expected, std::map<int, Record>* records) {
  bool failed = false;
  while (batch->read(reader, 4, failed) > 0) collect(batch, expected, records);
  EXPECT_FALSE(failed) << batch->getErrorMessage().asCstr();
  return !failed;
}

// A reader of the layouts (identifier, copybook), the one at active made active.
ReaderPtr readerWith(const std::vector<std::pair<std::string, std::string>>& layouts,
                     size_t active = 0,
                     const CCBLayoutOptions& layoutOptions = CCBLayoutOptions()) {
  ReaderPtr reader(createCCBRecordReader());
  reader->setLayoutOptions(layoutOptions);
  for (size_t i = 0; i < layouts.size(); ++i) {
    const std::string path = dataPath("copybooks/" + layouts[i].second);
    EXPECT_TRUE(reader->addCopybook(path.c_str(), layouts[i].first.c_str(), i == active)) << path;
  }
  return reader;
}

// Every file of manifest.tsv, each of its layouts made active in turn: the values of
// all its records, once each, by number.
TEST(RecordBatchTest, TypesEveryValueOfTheManifestFiles) {
  for (const auto& file : readTable("files/manifest.tsv")) {
    // file, encoding, record length, skip, id offset, id clauses, layouts
    SCOPED_TRACE(file.at(0));
    std::vector<std::pair<std::string, std::string>> layouts;
    std::istringstream list(file.at(6));
    for (std::string item; std::getline(list, item, ',');) {
      const size_t equals = item.find('=');
      layouts.emplace_back(equals == std::string::npos ? "" : item.substr(0, equals),
                           item.substr(equals + 1));
    }
    CCBReadOptions options;
    const int length = std::stoi(file.at(2));
    options.setRecordFormat(length > 0 ? CCB_RECORD_FIXED : CCB_RECORD_LAYOUT);
    options.setRecordLength(length);
    options.setSkip(std::stoll(file.at(3)));
    options.setEbcdic(file.at(1) == "EBCDIC");
    const std::map<int, Record> expected = test_support::readExpected(file[0]);
    std::map<int, Record> records;
    BatchPtr batch(createCCBRecordBatch());
    batch->setDecimalText(true);
    for (size_t active = 0; active < layouts.size(); ++active) {
      ReaderPtr reader = readerWith(layouts, active);
      if (file.at(4) != "-") {
        ASSERT_TRUE(reader->setIdentifierField(std::stoi(file[4]), file.at(5).c_str()));
      }
      ASSERT_TRUE(reader->openData(dataPath("files/" + file[0]).c_str(), options));
      readBatches(reader.get(), batch.get(), expected, &records);
    }
    EXPECT_EQ(expected, records);
  }
}

// Kinds, digit positions and digits after the point, by picture.
TEST(RecordBatchTest, TypesColumnsByPicture) {
  struct Case {
    const char* copybook;
    const char* column;
    CCBColumnKind kind;
    int digits, fraction;
  };
  const Case cases[] = {
      {"jobstats.cpy", "JS-STEP-COUNT", CCB_COLUMN_INTEGER, 4, 0},       // 9(4) COMP
      {"jobstats.cpy", "JS-NET-CHANGE", CCB_COLUMN_INTEGER, 18, 0},      // S9(18) BINARY
      {"jobstats.cpy", "JS-EXCP-COUNT", CCB_COLUMN_UNSIGNED, 10, 0},     // 9(10) COMP: 8 bytes
      {"jobstats.cpy", "JS-COST", CCB_COLUMN_DECIMAL, 13, 2},            // S9(11)V99 COMP-4
      {"jobstats.cpy", "JS-IO-SCALED", CCB_COLUMN_INTEGER, 5, 0},        // 9(3)PP COMP
      {"policy.cpy", "POL-AGG-LIMIT", CCB_COLUMN_INTEGER, 6, 0},         // 9(2)P(4)
      {"policy.cpy", "POL-LOADING-RATE", CCB_COLUMN_DECIMAL, 4, 4},      // PP99
      {"policy.cpy", "COV-RATE", CCB_COLUMN_DECIMAL, 4, 4},              // PP99 COMP-3
      {"policy.cpy", "POL-CLAIMS-YTD", CCB_COLUMN_DECIMAL, 7, 2},        // S9(5)V99 SIGN LEADING
      {"policy.cpy", "POL-NUMBER", CCB_COLUMN_TEXT, 0, 0},               // X(10)
      {"payroll.cpy", "PAY-NET", CCB_COLUMN_TEXT, 0, 0},                 // ZZZ,ZZ9.99-
      {"payroll.cpy", "PAY-TAX", CCB_COLUMN_DECIMAL, 7, 2},              // S9(5)V99, trailing sign
      {"itemprice.cpy", "item-markdown-pct", CCB_COLUMN_DECIMAL, 2, 2},  // sv99 separate
      {"measures.cpy", "M-RATE", CCB_COLUMN_FLOAT, 0, 0},                // COMP-1
      {"measures.cpy", "M-TOTAL", CCB_COLUMN_INTEGER, 18, 0},            // S9(18) COMP-5
  };
  CCBLayoutOptions floats;
  floats.setFloatFormat(CCB_FLOAT_IEEE_LE);
  BatchPtr batch(createCCBRecordBatch());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    ReaderPtr reader = readerWith({{"", c.copybook}}, 0, floats);
    ASSERT_TRUE(batch->describe(reader.get()));
    int found = -1;
    for (int i = 0; i < batch->getColumnCount(); ++i) {
      if (batch->getColumnName(i).compare(c.column, true) == 0) found = i;
    }
    ASSERT_LE(0, found);
    EXPECT_STREQ(ccbColumnKindName(c.kind), ccbColumnKindName(batch->getColumnKind(found)));
    EXPECT_EQ(c.digits, batch->getColumnDigits(found));
    EXPECT_EQ(c.fraction, batch->getColumnFractionDigits(found));
  }
}

// Records built by hand: a packed integer, a display integer, a packed number of 27
// digits, text, a COMP-1 float.
const char HAND_COPYBOOK[] =
    "       01  R.\n"
    "           05  A   PIC S9(3) COMP-3.\n"
    "           05  B   PIC 9(3).\n"
    "           05  C   PIC S9(25)V99 COMP-3.\n"
    "           05  D   PIC X(5).\n";

std::string handRecord(const std::string& a, const std::string& b, const std::string& c,
                       const std::string& d) {
  return a + b + c + d;
}

class HandRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reader_.reset(createCCBRecordReader());
    ASSERT_TRUE(reader_->addCopybook(dir_.write("r.cpy", HAND_COPYBOOK).c_str(), "", true));
    batch_.reset(createCCBRecordBatch());
  }
  void open(const std::string& bytes, CCBRecordFormat format = CCB_RECORD_FIXED) {
    data_ = bytes;
    CCBReadOptions options;
    options.setRecordFormat(format);
    options.setMaxErrors(maxErrors_);
    ASSERT_TRUE(reader_->openDataMemory(reinterpret_cast<const unsigned char*>(data_.data()),
                                        data_.size(), options))
        << reader_->getErrorMessage().asCstr();
  }
  std::string text(int c, int r) {
    const int64_t* offsets = batch_->getTextOffsets(c);
    return std::string(batch_->getTextBytes(c) + offsets[r],
                       static_cast<size_t>(offsets[r + 1] - offsets[r]));
  }

  test_support::TempDir dir_;
  ReaderPtr reader_;
  BatchPtr batch_;
  std::string data_;
  int64_t maxErrors_ = 0;
};

const std::string PACKED_27_NEGATIVE("\x12\x34\x56\x78\x90\x12\x34\x56\x78\x90\x12\x34\x56\x7d",
                                     14);
const std::string PACKED_27_ZERO("\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x0c", 14);

TEST_F(HandRecordsTest, TypesValuesAndKeepsBuffersFromBatchToBatch) {
  open(handRecord(std::string("\x12\x3c", 2), "045", PACKED_27_NEGATIVE, "AB   ") +
       handRecord(std::string("\x00\x0d", 2), "000", PACKED_27_ZERO, "     "));
  bool failed = true;
  batch_->setTrimText(true);
  ASSERT_EQ(1, batch_->read(reader_.get(), 1, failed));
  const unsigned char* validity = batch_->getValidity(0);
  EXPECT_EQ(123, batch_->getIntegers(0)[0]);
  EXPECT_EQ(45, batch_->getIntegers(1)[0]);
  EXPECT_EQ("-1234567890123456789012345.67", text(2, 0));
  EXPECT_EQ(-1234567890123456789012345.67, batch_->getReals(2)[0]);
  EXPECT_EQ("AB", text(3, 0));
  EXPECT_STREQ("big_decimal", ccbColumnKindName(batch_->getColumnKind(2)));
  EXPECT_EQ(nullptr, batch_->getReals(0));
  EXPECT_EQ(nullptr, batch_->getIntegers(2));
  // The next batch of the same size reuses every buffer; zero is never negative.
  ASSERT_EQ(1, batch_->read(reader_.get(), 1, failed));
  EXPECT_EQ(validity, batch_->getValidity(0));
  EXPECT_EQ(0, batch_->getIntegers(0)[0]);
  EXPECT_EQ("0.00", text(2, 0));
  EXPECT_FALSE(std::signbit(batch_->getReals(2)[0]));
  EXPECT_EQ("", text(3, 0));
  EXPECT_EQ(0, batch_->read(reader_.get(), 1, failed));
  EXPECT_FALSE(failed);
}

// Binary words at their limits, a binary picture whose point comes last (its text
// "123.0" is the integer 123), and a decimal of more digits than a double holds exactly,
// which reads as the nearest double.
TEST(RecordBatchTest, TypesTheExtremesOfEachKind) {
  test_support::TempDir dir;
  const char copybook[] =
      "       01  R.\n"
      "           05  I   PIC S9(18) COMP.\n"
      "           05  U   PIC 9(18) COMP.\n"
      "           05  V   PIC S9(4)V COMP.\n"
      "           05  D   PIC S9(17)V9 COMP-3.\n";
  ReaderPtr reader(createCCBRecordReader());
  ASSERT_TRUE(reader->addCopybook(dir.write("r.cpy", copybook).c_str(), "", true));
  const std::string record = std::string("\x80\0\0\0\0\0\0\0", 8) + std::string(8, '\xff') +
                             std::string("\xff\x85", 2) +
                             std::string("\x01\x23\x45\x67\x89\x01\x23\x45\x67\x8d", 10);
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  ASSERT_TRUE(reader->openDataMemory(reinterpret_cast<const unsigned char*>(record.data()),
                                     record.size(), options));
  BatchPtr batch(createCCBRecordBatch());
  bool failed = true;
  ASSERT_EQ(1, batch->read(reader.get(), 4, failed));
  EXPECT_EQ(INT64_MIN, batch->getIntegers(0)[0]);
  EXPECT_EQ(UINT64_MAX, batch->getUnsigned(1)[0]);
  EXPECT_EQ(-123, batch->getIntegers(2)[0]);
  EXPECT_EQ(-12345678901234567.8, batch->getReals(3)[0]);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(1, batch->getValidity(c)[0]) << c;
}

// Trimmed text loses every trailing blank and only those, however many there are.
TEST(RecordBatchTest, TrimsTrailingBlanksOnly) {
  test_support::TempDir dir;
  ReaderPtr reader(createCCBRecordReader());
  ASSERT_TRUE(reader->addCopybook(
      dir.write("t.cpy", "       01  R.\n           05  T   PIC X(20).\n").c_str(), "", true));
  const std::vector<std::string> texts = {"A B", "", "ABCDEFGHIJK", " x", "ABCDEFGHIJKLMNOPQRST"};
  std::string data;
  for (const std::string& text : texts) data += text + std::string(20 - text.size(), ' ');
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  ASSERT_TRUE(reader->openDataMemory(reinterpret_cast<const unsigned char*>(data.data()),
                                     data.size(), options));
  BatchPtr batch(createCCBRecordBatch());
  batch->setTrimText(true);
  bool failed = true;
  ASSERT_EQ(5, batch->read(reader.get(), 10, failed));
  const int64_t* offsets = batch->getTextOffsets(0);
  for (size_t r = 0; r < texts.size(); ++r) {
    EXPECT_EQ(texts[r], std::string(batch->getTextBytes(0) + offsets[r],
                                    static_cast<size_t>(offsets[r + 1] - offsets[r])));
  }
}

// Undecodable bytes and digits that are no number are errors, counted per column: no
// value, 0 or NaN and an empty text in its place.
TEST_F(HandRecordsTest, CountsErrorsAsValuesThatAreNone) {
  open(handRecord(std::string("\x12\x35", 2), "1a5", std::string(13, '\x00') + "\xfc", "#ERR ") +
       handRecord(std::string("\x99\x9d", 2), " 12", PACKED_27_ZERO, "#ERR#"));
  bool failed = true;
  ASSERT_EQ(2, batch_->read(reader_.get(), 10, failed));
  EXPECT_FALSE(failed);
  EXPECT_EQ(0, batch_->getValidity(0)[0]);  // a digit where the sign belongs
  EXPECT_EQ(0, batch_->getIntegers(0)[0]);
  EXPECT_EQ(-999, batch_->getIntegers(0)[1]);
  EXPECT_EQ(0, batch_->getValidity(1)[0]);   // "1a5"
  EXPECT_EQ(12, batch_->getIntegers(1)[1]);  // a leading blank is no error
  EXPECT_EQ(0, batch_->getValidity(2)[0]);   // a digit nibble F
  EXPECT_TRUE(std::isnan(batch_->getReals(2)[0]));
  EXPECT_EQ("", text(2, 0));
  EXPECT_EQ("#ERR#", text(3, 1));  // display text holds any characters
  const int64_t errors[] = {1, 1, 1, 0};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(errors[c], batch_->getErrorCount(c)) << c;
}

TEST_F(HandRecordsTest, FillsTheChosenColumnsInTheirOrder) {
  open(handRecord(std::string("\x12\x3c", 2), "045", PACKED_27_ZERO, "AB   "));
  const int chosen[] = {3, 0};
  batch_->setColumns(chosen, 2);
  bool failed = true;
  ASSERT_EQ(1, batch_->read(reader_.get(), 8, failed));
  ASSERT_EQ(2, batch_->getColumnCount());
  EXPECT_EQ(3, batch_->getColumnIndex(0));
  EXPECT_STREQ("D", batch_->getColumnName(0).asCstr());
  EXPECT_EQ("AB   ", text(0, 0));
  EXPECT_EQ(123, batch_->getIntegers(1)[0]);
  EXPECT_EQ(-1, batch_->getColumnIndex(2));
  EXPECT_EQ(nullptr, batch_->getValidity(2));
}

// A record of no bytes is bad: reading fails at record 2, after record 1, unless bad
// records may be passed over.
TEST_F(HandRecordsTest, StopsAtABadRecordWithTheRecordsBeforeIt) {
  const std::string record = handRecord(std::string("\x12\x3c", 2), "045", PACKED_27_ZERO, "AB   ");
  const std::string rdw("\x00\x1c\x00\x00", 4);  // 28 bytes: the descriptor word and 24
  const std::string bytes = rdw + record + std::string("\x00\x04\x00\x00", 4) + rdw + record;
  open(bytes, CCB_RECORD_RDW);
  bool failed = false;
  EXPECT_EQ(1, batch_->read(reader_.get(), 8, failed));
  EXPECT_TRUE(failed);
  EXPECT_EQ(2, reader_->getRecordNumber());
  EXPECT_EQ(28, reader_->getRecordOffset());
  EXPECT_EQ(reader_->getErrorMessage().str(), batch_->getErrorMessage().str());
  maxErrors_ = 1;
  open(bytes, CCB_RECORD_RDW);
  EXPECT_EQ(2, batch_->read(reader_.get(), 8, failed));
  EXPECT_FALSE(failed);
  EXPECT_EQ(3, batch_->getRecordNumbers()[1]);
}

TEST_F(HandRecordsTest, RefusesWhatItCannotRead) {
  bool failed = false;
  open(handRecord(std::string("\x12\x3c", 2), "045", PACKED_27_ZERO, "AB   "));
  EXPECT_EQ(0, batch_->read(reader_.get(), 0, failed));
  EXPECT_TRUE(failed);
  EXPECT_STREQ("Invalid batch size 0: a batch holds at least one record",
               batch_->getErrorMessage().asCstr());
  const int chosen[] = {4};
  batch_->setColumns(chosen, 1);
  EXPECT_FALSE(batch_->describe(reader_.get()));
  EXPECT_STREQ("Column index 4 is out of range: the active layout has 4 columns",
               batch_->getErrorMessage().asCstr());
  ReaderPtr empty(createCCBRecordReader());
  EXPECT_FALSE(batch_->describe(empty.get()));
  EXPECT_STREQ("The reader has no active layout to read the records of",
               batch_->getErrorMessage().asCstr());
  EXPECT_FALSE(batch_->describe(nullptr));
  EXPECT_STREQ("A batch reads only record readers made by createCCBRecordReader",
               batch_->getErrorMessage().asCstr());
}

}  // namespace
