// The record reader over the code page, float, native binary and national files of
// tests/data/files: every value compared with what the writing program or generator
// printed (<file>.expected), floats by value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "interface/expected_values.h"
#include "lyra/lyra.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::Record;

struct ReleaseReader {
  void operator()(CCBReader* reader) const { reader->release(); }
};
using ReaderPtr = std::unique_ptr<CCBRecordReader, ReleaseReader>;

CCBLayoutOptions layoutOptions(CCBFloatFormat floatFormat, bool nationalUtf16 = false) {
  CCBLayoutOptions options;
  options.setFloatFormat(floatFormat);
  options.setNationalUtf16(nationalUtf16);
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

// Every record of the file by its number, each column by name; "" with the message
// when the layout or the file is refused.
std::map<int, Record> readAll(CCBRecordReader* reader, const std::string& file,
                              const CCBReadOptions& options, std::string* failure) {
  std::map<int, Record> records;
  if (!reader->openData(dataPath("files/" + file).c_str(), options)) {
    *failure = reader->getErrorMessage().asCstr();
    return records;
  }
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    Record& record = records[static_cast<int>(reader->getRecordNumber())];
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      QvbString name;
      int type = 0, length = 0;
      reader->getOutputInfo(i, name, type, length);
      record.emplace_back(name.asCstr(), reader->getOutputValue(i).asString().asCstr());
    }
  }
  if (failed) *failure = reader->getErrorMessage().asCstr();
  return records;
}

ReaderPtr readerOf(const char* copybook, const CCBLayoutOptions& layout) {
  ReaderPtr reader(createCCBRecordReader());
  reader->setLayoutOptions(layout);
  EXPECT_TRUE(reader->addCopybook(dataPath(std::string("copybooks/") + copybook).c_str(), "", true))
      << reader->getErrorMessage().asCstr();
  return reader;
}

// Floats compare by value: 4-byte items as singles, since the shortest text of a
// single and the exact decimal of its value differ as doubles.
bool sameFloat(const std::string& actual, const std::string& expected, bool single) {
  if (actual.empty() || actual == "#ERR#") return false;
  if (single) return std::strtof(actual.c_str(), nullptr) == std::strtof(expected.c_str(), nullptr);
  return std::strtod(actual.c_str(), nullptr) == std::strtod(expected.c_str(), nullptr);
}

// The record with floats that equal their expected values replaced by them.
Record withFloatsMatched(Record actual, const Record& expected) {
  for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
    const std::string& name = actual[i].first;
    const bool isFloat =
        name == "M-RATE" || name == "M-PEAK" || name == "M-VALUE" || name == "M-MEAN";
    const bool single = name == "M-RATE" || name == "M-PEAK";
    if (isFloat && sameFloat(actual[i].second, expected[i].second, single)) {
      actual[i].second = expected[i].second;
    }
  }
  return test_support::normalised(actual, expected);
}

void expectFile(CCBRecordReader* reader, const std::string& file, const CCBReadOptions& options,
                const std::string& expectedFile) {
  SCOPED_TRACE(file);
  std::string failure;
  const std::map<int, Record> records = readAll(reader, file, options, &failure);
  EXPECT_EQ("", failure);
  const std::map<int, Record> expected = test_support::readExpected(expectedFile);
  ASSERT_EQ(expected.size(), records.size());
  for (const auto& [number, record] : records) {
    EXPECT_EQ(expected.at(number), withFloatsMatched(record, expected.at(number))) << number;
  }
}

}  // namespace

// Text, embedded and separate signs in each character set; the EBCDIC files hold
// their signs in the zone whatever the page makes of the byte.
TEST(EncodingsDataTest, TextAndSignsInEveryCharacterSet) {
  const struct {
    const char* file;
    const char* copybook;
    const char* codePage;
  } cases[] = {
      {"kunden_273.dat", "kunden.cpy", "273"},       {"kunden_1141.dat", "kunden.cpy", "IBM-1141"},
      {"kunden_latin1.dat", "kunden.cpy", "latin1"}, {"kunden_cp1252.dat", "kunden.cpy", "cp1252"},
      {"kunden_utf8.dat", "kunden.cpy", "utf8"},     {"customers_273.dat", "custmast.cpy", "cp273"},
  };
  for (const auto& c : cases) {
    ReaderPtr reader = readerOf(c.copybook, CCBLayoutOptions());
    expectFile(reader.get(), c.file, readOptions(c.codePage), c.file);
  }
}

// With ISO-8859-1 results a character outside it becomes '?', and the record is good.
TEST(EncodingsDataTest, LatinResultsReplaceWhatTheyCannotHold) {
  ReaderPtr reader = readerOf("kunden.cpy", CCBLayoutOptions());
  std::string failure;
  std::map<int, Record> records =
      readAll(reader.get(), "kunden_1141.dat", readOptions("1141", false), &failure);
  EXPECT_EQ("", failure);
  EXPECT_EQ("Bonus 10 ?  ", records[1][5].second);
  EXPECT_EQ("J\xFCrgen Wei\xDF         ", records[1][1].second);
  EXPECT_EQ(0, reader->getBadRecordCount());
  reader = readerOf("national.cpy", layoutOptions(CCB_FLOAT_NONE, true));
  records = readAll(reader.get(), "national.dat", readOptions("latin1", false), &failure);
  EXPECT_EQ("M\xFCller    ", records[2][1].second);
  EXPECT_EQ("?????     ", records[3][1].second);
}

// Two record types told apart by an identifier read in code page 273.
TEST(EncodingsDataTest, IdentifierFieldInTheFilesCodePage) {
  ReaderPtr reader(createCCBRecordReader());
  ASSERT_TRUE(reader->setIdentifierField(0, "PIC X(2)"));
  const std::string copybook = dataPath("copybooks/kunden.cpy");
  ASSERT_TRUE(reader->addCopybook(copybook.c_str(), "KD", false));
  ASSERT_TRUE(reader->addCopybook(copybook.c_str(), "ka", true));
  std::string failure;
  const std::map<int, Record> records =
      readAll(reader.get(), "kunden_273.dat", readOptions("273"), &failure);
  EXPECT_EQ("", failure);
  const std::map<int, Record> expected = test_support::readExpected("kunden_273.dat");
  size_t kept = 0;
  for (const auto& [number, record] : expected) kept += record[0].second == "KA" ? 1 : 0;
  EXPECT_EQ(kept, records.size());
  for (const auto& [number, record] : records) EXPECT_EQ("KA", record[0].second) << number;
}

TEST(EncodingsDataTest, FloatsAndNativeBinaryFromGnuCobol) {
  ReaderPtr reader = readerOf("measures.cpy", layoutOptions(CCB_FLOAT_IEEE_LE));
  expectFile(reader.get(), "measures.dat", readOptions("latin1"), "measures.dat");
  reader = readerOf("measures.cpy", layoutOptions(CCB_FLOAT_IEEE));
  expectFile(reader.get(), "measures_be.dat", readOptions("latin1"), "measures_be.dat");
  QvbString name;
  int type = 0, length = 0;
  reader->getOutputInfo(2, name, type, length);
  EXPECT_STREQ("M-RATE", name.asCstr());
  EXPECT_EQ(3, type);
  EXPECT_EQ(15, length);
  EXPECT_EQ(63, reader->getRecordLength(0));
}

TEST(EncodingsDataTest, NationalTextAsUtf16) {
  ReaderPtr reader = readerOf("national.cpy", layoutOptions(CCB_FLOAT_NONE, true));
  expectFile(reader.get(), "national.dat", readOptions("latin1"), "national.dat");
  EXPECT_EQ(39, reader->getRecordLength(0));
}

// Without a float format the classic readers and the extended ones refuse a float
// item with its line; picture-less items are never taken for empty groups.
TEST(EncodingsDataTest, FloatItemsNeedAFloatFormat) {
  const std::string copybook = dataPath("copybooks/measures.cpy");
  const std::string message = "Invalid or unknown usage clause, Line: 12\n";
  CCBReader* classic = createCCBReader();
  EXPECT_FALSE(classic->addCopybook(copybook.c_str(), "", true));
  EXPECT_EQ(message, classic->getErrorMessage().asCstr());
  classic->release();
  ReaderPtr reader(createCCBRecordReader());
  EXPECT_FALSE(reader->addCopybook(copybook.c_str(), "", true));
  EXPECT_EQ(message, reader->getErrorMessage().asCstr());
  CCBMain* service = createCCBMain();
  EXPECT_FALSE(service->loadCopybook(copybook.c_str()));
  EXPECT_EQ(message, service->getErrorMessage().asCstr());
  service->release();
}

// A layout with float and national items saves to an XML layout document that
// records its options, and loads back from it, with any options, into the same
// columns that read the same values.
TEST(EncodingsDataTest, FloatAndNationalLayoutsSaveAndLoadBack) {
  for (const char* copybook : {"measures.cpy", "national.cpy"}) {
    SCOPED_TRACE(copybook);
    CCBLayoutService* service = createCCBLayoutService();
    service->setLayoutOptions(layoutOptions(CCB_FLOAT_IBM, true));
    ASSERT_TRUE(service->loadCopybook(dataPath(std::string("copybooks/") + copybook).c_str()));
    QvbString xml;
    ASSERT_TRUE(service->saveLayoutXml(xml));
    EXPECT_NE(nullptr, std::strstr(xml.asCstr(), "float_format=\"ibm\""));
    CCBMain* loaded = createCCBMain();
    ASSERT_TRUE(loaded->loadLayoutXml(xml)) << loaded->getErrorMessage().asCstr();
    ASSERT_EQ(service->getOutputCount(), loaded->getOutputCount());
    for (int i = 0; i < service->getOutputCount(); ++i) {
      QvbString name1, name2;
      int type1 = 0, type2 = 0, length1 = 0, length2 = 0;
      service->getOutputInfo(i, name1, type1, length1);
      loaded->getOutputInfo(i, name2, type2, length2);
      EXPECT_EQ(
          std::string(name1.asCstr()) + " " + std::to_string(type1) + " " + std::to_string(length1),
          std::string(name2.asCstr()) + " " + std::to_string(type2) + " " +
              std::to_string(length2));
    }
    QvbString again;
    ASSERT_TRUE(loaded->saveLayoutXml(again));
    EXPECT_STREQ(xml.asCstr(), again.asCstr());
    service->release();
    loaded->release();
  }
  CCBLayoutService* service = createCCBLayoutService();
  service->setLayoutOptions(layoutOptions(CCB_FLOAT_IEEE_LE));
  ASSERT_TRUE(service->loadCopybook(dataPath("copybooks/measures.cpy").c_str()));
  QvbString xml;
  ASSERT_TRUE(service->saveLayoutXml(xml));
  service->release();
  ReaderPtr reader(createCCBRecordReader());
  ASSERT_TRUE(reader->addLayoutXml(xml, "", true));
  expectFile(reader.get(), "measures.dat", readOptions("latin1"), "measures.dat");
  std::string bad = xml.asCstr();
  bad.replace(bad.find("ieee-le"), 7, "vax");
  EXPECT_FALSE(reader->addLayoutXml(bad.c_str(), "", false));
  EXPECT_STREQ("Unknown float format: vax", reader->getErrorMessage().asCstr());
}

TEST(EncodingsDataTest, CodePageNames) {
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
    if (c.ccsid != 0) {
      EXPECT_EQ(c.ccsid, ccsid) << c.name;
    }
  }
  CCBReadOptions options = readOptions("latin1");
  options.setCodePage(999);
  ReaderPtr reader = readerOf("kunden.cpy", CCBLayoutOptions());
  std::string failure;
  readAll(reader.get(), "kunden_273.dat", options, &failure);
  EXPECT_EQ("Unknown code page 999", failure);
}
