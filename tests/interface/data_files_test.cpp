// The readers over the data files of tests/data/files, every value compared with what
// the writing program printed (<file>.expected): the manifest's files, the framed files
// with their positions and split points, and the code page, float and national files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "interface/service_test_util.h"
#include "lyra/lyra.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::own;
using test_support::readExpected;
using test_support::readTable;
using test_support::Record;
using test_support::Row;

const char NUMBER_CHARACTERS[] = "-.0123456789";

// A number's text in one form: '-' but on zero, no leading zeros but one, no blank or '+'.
std::string canonicalNumber(std::string text) {
  text.erase(0, text.find_first_not_of(" +"));
  const bool negative = !text.empty() && text[0] == '-';
  text.erase(0, text.find_first_not_of("-0"));  // the sign and leading zeros
  if (text.empty() || text[0] == '.') text.insert(0, "0");
  const bool zero = text.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + text;
}

// The number a numeric-edited text states, in that form: blanks, '$' and '*' dropped, and
// a sign after the digits ('-', CR or DB below zero, '+') put before them.
std::string editedNumber(const std::string& text) {
  std::string number;
  for (char c : text) {
    if (c != ' ' && c != '$' && c != '*') number += c;
  }
  for (const std::string sign : {"-", "+", "CR", "DB"}) {
    const size_t digits = number.size() - sign.size();
    if (number.size() > sign.size() && number.compare(digits, sign.size(), sign) == 0) {
      number = (sign == "+" ? "" : "-") + number.substr(0, digits);
      break;
    }
  }
  return canonicalNumber(number);
}

// A value matches its text exactly or, a number, once in form. measures.cpy's floats match
// by value, 4-byte ones as singles.
bool matches(const std::string& name, const std::string& actual, const std::string& expected) {
  if (actual == expected) return true;
  if (name == "M-RATE" || name == "M-PEAK") {
    return std::strtof(actual.c_str(), nullptr) == std::strtof(expected.c_str(), nullptr);
  }
  if (name == "M-VALUE" || name == "M-MEAN") {
    return std::strtod(actual.c_str(), nullptr) == std::strtod(expected.c_str(), nullptr);
  }
  if (expected.find_first_not_of(NUMBER_CHARACTERS) != std::string::npos) return false;
  return canonicalNumber(actual) == expected;
}

// Whether a batch's number, in form already, is the one a numeric-edited text states.
bool isEditedNumber(const std::string& actual, const std::string& expected) {
  return !actual.empty() && actual.find_first_not_of(NUMBER_CHARACTERS) == std::string::npos &&
         expected.find_first_not_of(NUMBER_CHARACTERS) != std::string::npos &&
         editedNumber(expected) == actual;
}

// A record with each value made the expected text (of the expected record of its number;
// none: no columns) where it is that text's value: a classic reader's by matches, a
// batch's where it is an edited text's number.
Record asExpected(const std::map<int, Record>& expected, int number, Record actual, bool batch) {
  const Record want = expected.count(number) ? expected.at(number) : Record();
  for (size_t i = 0; i < actual.size() && i < want.size(); ++i) {
    auto& [name, value] = actual[i];
    const std::string& text = want[i].second;
    if (batch ? isEditedNumber(value, text) : matches(name, value, text)) value = text;
  }
  return actual;
}

void expectRecord(const std::map<int, Record>& expected, int number, const Record& actual) {
  EXPECT_EQ(expected.count(number) ? expected.at(number) : Record(),
            asExpected(expected, number, actual, false))
      << "record " << number;
}

// The columns of the record just read as text; null ones left out, as in the expected files.
Record columnsOf(CCBReader* reader) {
  Record record;
  for (int i = 0; i < reader->getOutputCount(); ++i) {
    QvbString name;
    int type = 0, length = 0;
    reader->getOutputInfo(i, name, type, length);
    const QvbDatavar value = reader->getOutputValue(i);
    if (!value.isNull()) record.emplace_back(name.str(), value.text().str());
  }
  return record;
}

// manifest.tsv's fields (length 0: variable records; layouts: [identifier=]copybook,...).
enum Field { NAME, ENCODING, LENGTH, START, ID_OFFSET, ID_CLAUSE, LAYOUTS };

// Adds a manifest file's layouts (the one of index active made active) and identifier.
void addLayouts(CCBReader* reader, const Row& file, size_t active) {
  test_support::addLayouts(reader, file.at(LAYOUTS), static_cast<int>(active));
  if (file.at(ID_OFFSET) != "-") {
    EXPECT_TRUE(reader->setIdentifierField(std::stoi(file[ID_OFFSET]), file[ID_CLAUSE].c_str()));
  }
}

// Every record the classic reader reads of a manifest file with one layout active.
std::vector<Record> readClassic(const Row& file, size_t active) {
  auto reader = own(createCCBReader());
  addLayouts(reader.get(), file, active);
  const int length = std::stoi(file[LENGTH]);
  EXPECT_TRUE(reader->openDataFile(dataPath("files/" + file[NAME]).c_str(), std::stoi(file[START]),
                                   length != 0, file[ENCODING] == "ASCII", length))
      << reader->getErrorMessage().str();
  std::vector<Record> records;
  bool failed = false;
  while (reader->readNextRecord(failed)) records.push_back(columnsOf(reader.get()));
  EXPECT_FALSE(failed) << reader->getErrorMessage().str();
  return records;
}

// Adds the batch's records by number and their numbers in order, valid values as the
// batch gives them (a decimal's double the nearest to its text); no errors.
void collect(CCBRecordBatch* batch, std::map<int, Record>* records, std::vector<int>* numbers) {
  for (int r = 0; r < batch->getRecordCount(); ++r) {
    numbers->push_back(static_cast<int>(batch->getRecordNumbers()[r]));
    Record& record = (*records)[numbers->back()];
    for (int c = 0; c < batch->getColumnCount(); ++c) {
      if (batch->getValidity(c)[r] == 0) continue;
      const CCBColumnKind kind = batch->getColumnKind(c);
      const int64_t* offsets = batch->getTextOffsets(c);
      std::string value = offsets == nullptr
                              ? "no text"
                              : std::string(batch->getTextBytes(c) + offsets[r],
                                            static_cast<size_t>(offsets[r + 1] - offsets[r]));
      if (kind == CCB_COLUMN_INTEGER) value = std::to_string(batch->getIntegers(c)[r]);
      if (kind == CCB_COLUMN_UNSIGNED) value = std::to_string(batch->getUnsigned(c)[r]);
      if (kind == CCB_COLUMN_DECIMAL || kind == CCB_COLUMN_BIG_DECIMAL) {
        EXPECT_EQ(std::strtod(value.c_str(), nullptr), batch->getReals(c)[r]) << value;
      }
      record.emplace_back(batch->getColumnName(c).str(), value);
    }
  }
  for (int c = 0; c < batch->getColumnCount(); ++c) EXPECT_EQ(0, batch->getErrorCount(c)) << c;
}

// Every manifest file, each layout active in turn, in batches typing values by picture and
// by the classic reader, whose records are the batches'; EBCDIC files read as ASCII twins.
TEST(DataFilesTest, ManifestFilesByTheClassicReaderAndInBatches) {
  const std::vector<Row> files = readTable("files/manifest.tsv");
  ASSERT_EQ(12u, files.size());
  auto batch = own(createCCBRecordBatch());
  batch->setDecimalText(true);
  for (const Row& file : files) {
    SCOPED_TRACE(file[NAME]);
    const std::map<int, Record> expected = readExpected(file[NAME]);
    CCBReadOptions options;
    const int length = std::stoi(file[LENGTH]);
    options.setRecordFormat(length > 0 ? CCB_RECORD_FIXED : CCB_RECORD_LAYOUT);
    options.setRecordLength(length);
    options.setSkip(std::stoll(file[START]));
    options.setEbcdic(file[ENCODING] == "EBCDIC");
    std::map<int, Record> typed;
    const size_t layouts =
        static_cast<size_t>(std::count(file[LAYOUTS].begin(), file[LAYOUTS].end(), ',')) + 1;
    for (size_t active = 0; active < layouts; ++active) {
      SCOPED_TRACE("layout " + std::to_string(active));
      auto reader = own(createCCBRecordReader());
      addLayouts(reader.get(), file, active);
      ASSERT_TRUE(reader->openData(dataPath("files/" + file[NAME]).c_str(), options));
      bool failed = false;
      std::vector<int> numbers;
      while (batch->read(reader.get(), 4, failed) > 0) collect(batch.get(), &typed, &numbers);
      EXPECT_FALSE(failed) << batch->getErrorMessage().str();
      const std::vector<Record> records = readClassic(file, active);
      if (file[ENCODING] == "EBCDIC") {
        Row ascii = file;
        ascii[NAME].erase(ascii[NAME].find("_ebcdic"), 7);
        ascii[ENCODING] = "ASCII";
        EXPECT_EQ(readClassic(ascii, active), records);
      }
      ASSERT_EQ(numbers.size(), records.size());
      for (size_t i = 0; i < records.size(); ++i) expectRecord(expected, numbers[i], records[i]);
    }
    for (auto& [number, record] : typed) record = asExpected(expected, number, record, true);
    EXPECT_EQ(expected, typed);
  }
}

// Each record read as "number@offset+length..end=bytes", checked against any expected.
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
    if (expected != nullptr) expectRecord(*expected, number, columnsOf(reader));
  }
  EXPECT_FALSE(failed) << reader->getErrorMessage().str();
  return records;
}

// framed.tsv's fields: file, record format, switches, copybook, and for a spanned file
// the file holding its records whole.
enum FramedField { FILE_NAME, FORMAT, SWITCHES, COPYBOOK, WHOLE_RECORDS };

// Each record of a framed file as readOpened gives it, from the generator's list of
// places; its bytes from the file, or for a spanned file from the file holding its
// records whole.
std::vector<std::string> placedRecords(const std::vector<Row>& files, const Row& file) {
  const Row* whole = &file;
  if (file.size() > WHOLE_RECORDS) {
    for (const Row& other : files) {
      if (other.at(FILE_NAME) == file[WHOLE_RECORDS]) whole = &other;
    }
  }
  const std::string bytes = test_support::readFile(dataPath("files/" + whole->at(FILE_NAME)));
  const size_t header = whole->at(FORMAT) == "lines" ? 0 : 4;
  const std::vector<Row> wholePlaces = readTable("files/" + whole->at(FILE_NAME) + ".offsets");
  std::vector<std::string> placed;
  for (const Row& p : readTable("files/" + file.at(FILE_NAME) + ".offsets")) {
    const Row& w = wholePlaces.at(placed.size());
    placed.push_back(p.at(0) + "@" + p.at(1) + "+" + p.at(2) + ".." + p.at(3) + "=" +
                     bytes.substr(std::stoul(w.at(1)) + header, std::stoul(w.at(2))));
  }
  return placed;
}

// The records of the ranges between points, each numbered from the record number the
// scan gave for it, in memory.
std::vector<std::string> readRanges(CCBRecordReader* reader, const std::string& bytes,
                                    const CCBReadOptions& options,
                                    const std::vector<std::pair<int64_t, int64_t>>& points) {
  std::vector<std::string> records;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t i = 0; i < points.size(); ++i) {
    CCBReadOptions range = options;
    range.setRange(points[i].first, i + 1 < points.size() ? points[i + 1].first : -1);
    range.setFirstRecord(points[i].second);
    EXPECT_TRUE(reader->openDataMemory(data, bytes.size(), range))
        << reader->getErrorMessage().str();
    for (const std::string& record : readOpened(reader, nullptr)) records.push_back(record);
  }
  return records;
}

// Framed files read whole, then in ranges between the split points a scan every byte
// reports (vb, vbs: each block's that a record opens), each numbered from the record
// number the scan gave for it.
TEST(DataFilesTest, FramedFilesWholeAndInRangesBetweenSplitPoints) {
  const std::vector<Row> files = readTable("files/framed.tsv");
  ASSERT_EQ(12u, files.size());
  for (const Row& file : files) {
    SCOPED_TRACE(file.at(FILE_NAME));
    const std::string path = dataPath("files/" + file[FILE_NAME]);
    const CCBReadOptions options = test_support::framedOptions(file);
    auto reader = own(createCCBRecordReader());
    ASSERT_TRUE(reader->addCopybook(dataPath("copybooks/" + file.at(COPYBOOK)).c_str(), "", true));
    const std::vector<std::string> placed = placedRecords(files, file);
    std::vector<std::pair<int64_t, int64_t>> points;  // from the generator's list
    for (const Row& p : readTable("files/" + file[FILE_NAME] + ".offsets")) {
      if (p.at(4) != "-") points.emplace_back(std::stoll(p[4]), std::stoll(p[0]));
    }
    const std::map<int, Record> expected = readExpected(file[FILE_NAME]);
    ASSERT_EQ(expected.size(), placed.size());
    ASSERT_LT(2u, points.size());
    ASSERT_TRUE(reader->openData(path.c_str(), options));
    EXPECT_EQ(placed, readOpened(reader.get(), &expected));
    test_support::SplitCollector scan;
    ASSERT_TRUE(reader->scanSplitPoints(path.c_str(), options, 1, &scan));
    EXPECT_EQ(points, scan.points);
    EXPECT_EQ(placed, readRanges(reader.get(), test_support::readFile(path), options, points));
  }
}

// Spanned files in the ranges between the split points of every split size from 1 byte
// to the file's: every record once, where it stands, whole.
TEST(DataFilesTest, SpannedFilesInRangesOfEverySplitSize) {
  const std::vector<Row> files = readTable("files/framed.tsv");
  int spanned = 0;
  for (const Row& file : files) {
    if (file.at(FORMAT) != "vbs" && file[FORMAT] != "vs") continue;
    SCOPED_TRACE(file.at(FILE_NAME));
    ++spanned;
    const std::string bytes = test_support::readFile(dataPath("files/" + file[FILE_NAME]));
    const CCBReadOptions options = test_support::framedOptions(file);
    auto reader = own(createCCBRecordReader());
    ASSERT_TRUE(reader->addCopybook(dataPath("copybooks/" + file.at(COPYBOOK)).c_str(), "", true));
    const std::vector<std::string> placed = placedRecords(files, file);
    for (int64_t every = 1; every <= static_cast<int64_t>(bytes.size()); ++every) {
      test_support::SplitCollector scan;
      ASSERT_TRUE(
          reader->scanSplitPointsMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size(), options, every, &scan));
      ASSERT_EQ(0, scan.points.at(0).first);
      ASSERT_EQ(placed, readRanges(reader.get(), bytes, options, scan.points)) << "every " << every;
    }
  }
  EXPECT_EQ(3, spanned);
}

// Every chunk a chunk scan of chunkBytes cuts, read as a part, in order.
struct ChunkReader : CCBChunkCallback {
  CCBRecordReader* reader;
  CCBReadOptions options;
  std::vector<std::string> records;
  std::string stop;
  bool chunk(const unsigned char* bytes, size_t size, int64_t offset,
             int64_t firstRecord) override {
    options.setFirstRecord(firstRecord);
    EXPECT_TRUE(reader->openDataPart(bytes, size, offset, options));
    for (const std::string& record : readOpened(reader, nullptr)) records.push_back(record);
    return true;
  }
  void stopped(int64_t number, int64_t offset, const QvbString& reason) override {
    stop = std::to_string(number) + "@" + std::to_string(offset) + ": " + reason.str();
  }
};

// customers_rdw.dat compressed three ways, in pieces: read whole as the plain file is; split
// at the first record after each piece's start, and after each checkpoint of an index;
// read in the ranges between them and in chunks; cut short, with the records before the
// cut and its message.
TEST(DataFilesTest, CompressedFilesReadAsThePlainFile) {
  const std::vector<Row> files = readTable("files/framed.tsv");
  const Row& plain = *std::find_if(files.begin(), files.end(),
                                   [](const Row& row) { return row[0] == "customers_rdw.dat"; });
  const std::vector<std::string> placed = placedRecords(files, plain);
  const CCBReadOptions options = test_support::framedOptions(plain);
  using Points = std::vector<std::pair<int64_t, int64_t>>;
  const std::pair<const char*, Points> cases[] = {
      {"customers_rdw.dat.gz", {{0, 1}, {1020, 6}}},
      {"customers_rdw.dat.bz2", {{0, 1}, {1020, 6}}},
      {"customers_rdw.dat.zst", {{0, 1}, {816, 5}, {1632, 9}}},
  };
  test_support::TempDir dir;
  auto reader = own(createCCBRecordReader());
  ASSERT_TRUE(reader->addCopybook(dataPath("copybooks/custmast.cpy").c_str(), "", true));
  for (const auto& [name, pieces] : cases) {
    SCOPED_TRACE(name);
    const std::string path = dataPath(std::string("files/") + name);
    const std::string bytes = test_support::readFile(path);
    ASSERT_TRUE(reader->openData(path.c_str(), options));
    EXPECT_NE(CCB_COMPRESSION_NONE, reader->getCompression());
    const std::map<int, Record> expected = readExpected("customers_rdw.dat");
    EXPECT_EQ(placed, readOpened(reader.get(), &expected));
    // A skip counts decompressed bytes: the first record taken for a header.
    CCBReadOptions skipping = options;
    skipping.setSkip(204);
    ASSERT_TRUE(reader->openData(path.c_str(), skipping));
    bool failed = false;
    ASSERT_TRUE(reader->readNextRecord(failed));
    EXPECT_EQ(204, reader->getRecordOffset());
    EXPECT_EQ(1, reader->getRecordNumber());
    test_support::SplitCollector scan;
    ASSERT_TRUE(reader->scanSplitPoints(path.c_str(), options, 1, &scan));
    EXPECT_EQ(pieces, scan.points);
    EXPECT_EQ(placed, readRanges(reader.get(), bytes, options, scan.points));
    // An index has every piece's point, and in gzip more; ranges start at its checkpoints.
    const std::string index = dir.path(std::string(name) + ".idx");
    test_support::SplitCollector indexed, fromIndex;
    ASSERT_TRUE(reader->writeIndexFile(path.c_str(), options, 1, &indexed, index.c_str()))
        << reader->getErrorMessage().str();
    for (const auto& point : pieces) {
      EXPECT_NE(indexed.points.end(),
                std::find(indexed.points.begin(), indexed.points.end(), point));
    }
    EXPECT_EQ(std::string(name) == "customers_rdw.dat.gz", indexed.points.size() > pieces.size());
    ASSERT_TRUE(reader->setIndexFile(index.c_str()));
    ASSERT_TRUE(reader->scanSplitPoints(path.c_str(), options, 1, &fromIndex));
    EXPECT_EQ(indexed.points, fromIndex.points);
    EXPECT_EQ(placed, readRanges(reader.get(), bytes, options, indexed.points));
    ASSERT_TRUE(reader->setIndexFile(""));
    for (const int64_t chunkBytes : {1, 300, 5000}) {
      ChunkReader chunks;
      auto partReader = own(createCCBRecordReader());
      ASSERT_TRUE(partReader->addCopybook(dataPath("copybooks/custmast.cpy").c_str(), "", true));
      chunks.reader = partReader.get();
      chunks.options = options;
      ASSERT_TRUE(reader->scanChunks(path.c_str(), options, chunkBytes, &chunks));
      EXPECT_EQ(placed, chunks.records) << chunkBytes;
      EXPECT_EQ("", chunks.stop);
    }
  }
  // The classic reader reads a compressed file as it stands: its first byte is 1F.
  auto classic = own(createCCBReader());
  ASSERT_TRUE(classic->addCopybook(dataPath("copybooks/custmast.cpy").c_str(), "", true));
  ASSERT_TRUE(
      classic->openDataFile(dataPath("files/customers_rdw.dat.gz").c_str(), 0, true, true, 0));
  bool classicFailed = false;
  ASSERT_TRUE(classic->readNextRecord(classicFailed));
  EXPECT_EQ("\x1F", classic->getOutputValue(0).asString().str());
  // The records before a cut; the cut stops the read, the split scan and the chunk scan.
  const std::string gz = test_support::readFile(dataPath("files/customers_rdw.dat.gz"));
  const std::string cut = dir.write("cut.gz", gz.substr(0, 623 + 5));
  const std::string message =
      "The gzip data is cut short: it ends at decompressed byte offset 1020";
  ASSERT_TRUE(reader->openData(cut.c_str(), options));
  bool failed = false;
  int read = 0;
  while (reader->readNextRecord(failed)) ++read;
  EXPECT_EQ(5, read);
  EXPECT_TRUE(failed);
  EXPECT_EQ(message, reader->getErrorMessage().str());
  EXPECT_EQ(6, reader->getRecordNumber());
  EXPECT_EQ(1020, reader->getRecordOffset());
  test_support::SplitCollector scan;
  EXPECT_FALSE(reader->scanSplitPoints(cut.c_str(), options, 1, &scan));
  EXPECT_EQ(message, reader->getErrorMessage().str());
  ChunkReader chunks;
  chunks.reader = reader.get();
  chunks.options = options;
  auto scanner = own(createCCBRecordReader());
  ASSERT_TRUE(scanner->scanChunks(cut.c_str(), options, 300, &chunks));
  EXPECT_EQ(std::vector<std::string>(placed.begin(), placed.begin() + 5), chunks.records);
  EXPECT_EQ("6@1020: " + message, chunks.stop);
  // An index goes with the file it was made of, and its framing.
  ASSERT_TRUE(reader->setIndexFile(dir.path("customers_rdw.dat.gz.idx").c_str()));
  EXPECT_FALSE(reader->openData(dataPath("files/customers_rdw.dat.bz2").c_str(), options));
  EXPECT_EQ("The index was made of another file: its size or bytes differ from this one's",
            reader->getErrorMessage().str());
  EXPECT_FALSE(reader->openData(dataPath("files/customers_rdw.dat").c_str(), options));
  EXPECT_EQ("The data file is not compressed: it takes no index", reader->getErrorMessage().str());
  CCBReadOptions other = options;
  other.setRdwExcludesHeader(true);
  EXPECT_FALSE(
      reader->scanSplitPoints(dataPath("files/customers_rdw.dat.gz").c_str(), other, 1, &scan));
  EXPECT_EQ(
      "The index was made with other record format options: its split points are not those of "
      "these records",
      reader->getErrorMessage().str());
  EXPECT_FALSE(reader->setIndexFile(dataPath("files/customers_rdw.dat").c_str()));
}

// The variable files GnuCOBOL writes in each form of COB_VARSEQ_FORMAT read back as its
// program printed them; a file read in another form fails at its first record.
TEST(DataFilesTest, GnuCobolVariableFilesInEachForm) {
  auto reader = own(createCCBRecordReader());
  ASSERT_TRUE(reader->addCopybook(dataPath("copybooks/shipment.cpy").c_str(), "", true));
  const char* const files[] = {"shipments.dat", "shipments_varseq1.dat", "shipments_varseq2.dat",
                               "shipments_varseq3.dat"};
  const std::map<int, Record> expected = readExpected("shipments.dat");
  for (int form = 0; form < 4; ++form) {
    SCOPED_TRACE(files[form]);
    CCBReadOptions options;
    options.setRecordFormat(CCB_RECORD_RDW);
    options.setVarseqFormat(form);
    ASSERT_TRUE(reader->openData(dataPath(std::string("files/") + files[form]).c_str(), options));
    EXPECT_EQ(expected.size(), readOpened(reader.get(), &expected).size());
    options.setVarseqFormat(form == 0 ? 1 : 0);
    ASSERT_TRUE(reader->openData(dataPath(std::string("files/") + files[form]).c_str(), options));
    bool failed = false;
    EXPECT_FALSE(reader->readNextRecord(failed));
    EXPECT_TRUE(failed);
  }
}

CCBLayoutOptions layoutOptions(CCBFloatFormat floatFormat) {
  CCBLayoutOptions options;
  options.setFloatFormat(floatFormat);
  options.setNationalUtf16(true);
  return options;
}

CCBReadOptions readOptions(const char* codePage, bool utf8 = true) {
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  int ccsid = 0;
  EXPECT_TRUE(ccbCodePageFromName(codePage, &ccsid)) << codePage;
  options.setCodePage(ccsid);
  options.setResultEncoding(utf8 ? CCB_RESULT_UTF8 : CCB_RESULT_LATIN1);
  options.setComp5LittleEndian(true);
  return options;
}

test_support::Owned<CCBRecordReader> readerOf(const char* copybook,
                                              CCBFloatFormat floats = CCB_FLOAT_NONE) {
  auto reader = own(createCCBRecordReader());
  reader->setLayoutOptions(layoutOptions(floats));
  EXPECT_TRUE(reader->addCopybook(dataPath(std::string("copybooks/") + copybook).c_str(), "", true))
      << reader->getErrorMessage().str();
  return reader;
}

// Every record of a file by its number, read without failing.
std::map<int, Record> readAll(CCBRecordReader* reader, const std::string& file,
                              const CCBReadOptions& options) {
  std::map<int, Record> records;
  bool failed = !reader->openData(dataPath("files/" + file).c_str(), options);
  while (!failed && reader->readNextRecord(failed)) {
    records[static_cast<int>(reader->getRecordNumber())] = columnsOf(reader);
  }
  EXPECT_FALSE(failed) << reader->getErrorMessage().str();
  return records;
}

// Reads a file whole, every record as expected.
void expectFile(CCBRecordReader* reader, const std::string& file, const CCBReadOptions& options) {
  SCOPED_TRACE(file);
  const std::map<int, Record> expected = readExpected(file);
  ASSERT_TRUE(reader->openData(dataPath("files/" + file).c_str(), options));
  EXPECT_EQ(expected.size(), readOpened(reader, &expected).size());
}

// Text and signs in each character set (EBCDIC signs in the zone whatever the page makes
// of the byte); floats of either byte order and native binary; national text as UTF-16;
// mixed and double-byte text in each mixed page, as iconv decodes it.
TEST(DataFilesTest, CodePagesFloatsAndNationalText) {
  const struct {
    const char *file, *copybook, *codePage;
    CCBFloatFormat floats;
  } cases[] = {
      {"kunden_273.dat", "kunden.cpy", "273", CCB_FLOAT_NONE},
      {"kunden_1141.dat", "kunden.cpy", "IBM-1141", CCB_FLOAT_NONE},
      {"kunden_latin1.dat", "kunden.cpy", "latin1", CCB_FLOAT_NONE},
      {"kunden_cp1252.dat", "kunden.cpy", "cp1252", CCB_FLOAT_NONE},
      {"kunden_utf8.dat", "kunden.cpy", "utf8", CCB_FLOAT_NONE},
      {"customers_273.dat", "custmast.cpy", "cp273", CCB_FLOAT_NONE},
      {"measures.dat", "measures.cpy", "latin1", CCB_FLOAT_IEEE_LE},
      {"measures_be.dat", "measures.cpy", "latin1", CCB_FLOAT_IEEE},
      {"national.dat", "national.cpy", "latin1", CCB_FLOAT_NONE},
  };
  for (const auto& c : cases) {
    expectFile(readerOf(c.copybook, c.floats).get(), c.file, readOptions(c.codePage));
  }
  for (const char* page :
       {"930", "933", "935", "937", "939", "1364", "1371", "1388", "1390", "1399"}) {
    expectFile(readerOf("dbcs.cpy").get(), "dbcs_" + std::string(page) + ".dat", readOptions(page));
  }
}

// With ISO-8859-1 results a character outside it becomes '?', and the record is good.
TEST(DataFilesTest, LatinResultsReplaceWhatTheyCannotHold) {
  auto reader = readerOf("kunden.cpy");
  std::map<int, Record> records =
      readAll(reader.get(), "kunden_1141.dat", readOptions("1141", false));
  EXPECT_EQ("Bonus 10 ?  ", records[1][5].second);
  EXPECT_EQ("J\xFCrgen Wei\xDF         ", records[1][1].second);
  EXPECT_EQ(0, reader->getBadRecordCount());
  records = readAll(readerOf("national.cpy").get(), "national.dat", readOptions("latin1", false));
  EXPECT_EQ("M\xFCller    ", records[2][1].second);
  EXPECT_EQ("?????     ", records[3][1].second);
}

// Without a float format every service refuses a float item with its line (one without
// a picture is no empty group). Float and national layouts save to XML with their options
// and load back, in any service, into the same columns reading the same values; unknown
// float formats fail.
TEST(DataFilesTest, FloatAndNationalLayoutsNeedTheirOptionsAndSaveAndLoadBack) {
  const std::string measures = dataPath("copybooks/measures.cpy");
  const std::string message = "Invalid or unknown usage clause, Line: 12\n";
  auto classic = own(createCCBMain());
  EXPECT_FALSE(classic->loadCopybook(measures.c_str()));
  EXPECT_EQ(message, classic->getErrorMessage().str());
  for (auto& reader : {own(createCCBReader()), own<CCBReader>(createCCBRecordReader())}) {
    EXPECT_FALSE(reader->addCopybook(measures.c_str(), "", true));
    EXPECT_EQ(message, reader->getErrorMessage().str());
  }
  const struct {
    const char *copybook, *file, *name;
    CCBFloatFormat floats;
    const char* column;  // the third
  } cases[] = {{"measures.cpy", "measures.dat", "ieee-le", CCB_FLOAT_IEEE_LE, "M-RATE 3 15"},
               {"national.cpy", "national.dat", "ibm", CCB_FLOAT_IBM, "N-TITLE 4 6"}};
  QvbString xml, again;
  auto reader = own(createCCBRecordReader());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copybook);
    auto service = own(createCCBLayoutService());
    service->setLayoutOptions(layoutOptions(c.floats));
    ASSERT_TRUE(service->loadCopybook(dataPath(std::string("copybooks/") + c.copybook).c_str()));
    ASSERT_TRUE(service->saveLayoutXml(xml));
    EXPECT_NE(nullptr,
              std::strstr(xml.asCstr(), ("float_format=\"" + std::string(c.name) + "\"").c_str()));
    auto loaded = own(createCCBMain());
    ASSERT_TRUE(loaded->loadLayoutXml(xml)) << loaded->getErrorMessage().str();
    EXPECT_EQ(test_support::columnInfos(service.get()), test_support::columnInfos(loaded.get()));
    ASSERT_TRUE(loaded->saveLayoutXml(again));
    EXPECT_EQ(xml.str(), again.str());
    reader = own(createCCBRecordReader());  // a fresh reader, whose options have no floats
    reader->setLayoutOptions(layoutOptions(CCB_FLOAT_NONE));
    ASSERT_TRUE(reader->addLayoutXml(xml, "", true));
    expectFile(reader.get(), c.file, readOptions("latin1"));
    EXPECT_EQ(c.column, test_support::columnInfo(reader.get(), 2));
  }
  std::string bad = xml.str();
  bad.replace(bad.find("\"ibm\""), 5, "\"vax\"");
  EXPECT_FALSE(reader->addLayoutXml(bad.c_str(), "", false));
  EXPECT_EQ("Unknown float format: vax", reader->getErrorMessage().str());
}

// A file that stores its OCCURS DEPENDING ON table at full size, as GnuCOBOL writes it
// without -fodoslide, reads with the tables laid out at their maximum: the item after
// the table stays in place, repetitions past the count are null. The layout saves
// with the option and loads back into the same layout.
TEST(DataFilesTest, TablesStoredAtTheirMaximum) {
  CCBLayoutOptions maximum;
  maximum.setOdoLayout(CCB_ODO_MAX);
  auto reader = own(createCCBRecordReader());
  reader->setLayoutOptions(maximum);
  ASSERT_TRUE(reader->addCopybook(dataPath("copybooks/acctrec.cpy").c_str(), "", true));
  CCBReadOptions fixed;
  fixed.setRecordFormat(CCB_RECORD_FIXED);
  EXPECT_EQ(400, reader->getMaxRecordLength());
  expectFile(reader.get(), "accounts_max.dat", fixed);
  int64_t offset = 0;
  int storage = 0;
  CCBColumnUsage usage = CCB_USAGE_DISPLAY;
  bool variable = true;
  const int last = reader->getOutputCount() - 1;  // ACCT-LAST-STMT-DATE
  ASSERT_TRUE(reader->getColumnLayout(last, offset, storage, usage, variable));
  EXPECT_EQ(392, offset);
  EXPECT_FALSE(variable);
  ASSERT_TRUE(reader->getColumnLayout(last - 1, offset, storage, usage, variable));
  EXPECT_EQ(380, offset);  // TXN-REFERENCE_11, in the table: there or not by the count
  EXPECT_TRUE(variable);
  auto service = own(createCCBLayoutService());
  service->setLayoutOptions(maximum);
  ASSERT_TRUE(service->loadCopybook(dataPath("copybooks/acctrec.cpy").c_str()));
  QvbString xml;
  ASSERT_TRUE(service->saveLayoutXml(xml));
  EXPECT_NE(nullptr, std::strstr(xml.asCstr(), "odo_layout=\"max\""));
  auto loaded = own(createCCBRecordReader());  // without the option
  ASSERT_TRUE(loaded->addLayoutXml(xml, "", true)) << loaded->getErrorMessage().str();
  expectFile(loaded.get(), "accounts_max.dat", fixed);
  // Laid out as the count gives, the fixed records read the date from the table.
  auto shifting = readerOf("acctrec.cpy");
  const std::map<int, Record> shifted = readAll(shifting.get(), "accounts_max.dat", fixed);
  EXPECT_NE(readExpected("accounts_max.dat").at(1), shifted.at(1));
}

TEST(DataFilesTest, CodePageNames) {
  const struct {
    const char* name;
    int ccsid;  // 0: refused
  } cases[] = {
      {"037", 37},      {"37", 37},      {"cp037", 37},       {"IBM-273", 273}, {"ibm1047", 1047},
      {"CP1149", 1149}, {"latin1", 819}, {"ISO-8859-1", 819}, {"cp1252", 1252}, {"UTF-8", 1208},
      {"utf8", 1208},   {"1139", 0},     {"cp", 0},           {"273x", 0},      {"", 0},
      {"ibm--273", 0},  {"1150", 0},
  };
  for (const auto& c : cases) {
    int ccsid = 0;
    EXPECT_EQ(c.ccsid != 0, ccbCodePageFromName(c.name, &ccsid)) << c.name;
    EXPECT_EQ(c.ccsid, c.ccsid != 0 ? ccsid : 0) << c.name;
  }
  CCBReadOptions options = readOptions("latin1");
  options.setCodePage(999);
  auto reader = readerOf("kunden.cpy");
  EXPECT_FALSE(reader->openData(dataPath("files/kunden_273.dat").c_str(), options));
  EXPECT_EQ("Unknown code page 999", reader->getErrorMessage().str());
}

}  // namespace
