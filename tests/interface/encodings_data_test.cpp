// The record reader over the code page, float and national files of tests/data/files:
// values compared with what the generator printed (<file>.expected), the result
// encodings, and float and national layouts saved as XML. The command-line and Python
// tests read the EBCDIC, float and national files value by value; the batch tests read
// identifiers in EBCDIC.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "interface/expected_values.h"
#include "lyra/lyra.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::Record;

struct Release {
  template <typename T>
  void operator()(T* object) const {
    object->release();
  }
};
template <typename T>
using Ptr = std::unique_ptr<T, Release>;

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

// Every record of the file by its number, each column by name; failure gets the
// message when the file is refused or reading fails.
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

Ptr<CCBRecordReader> readerOf(const std::string& copybook, const CCBLayoutOptions& layout) {
  Ptr<CCBRecordReader> reader(createCCBRecordReader());
  reader->setLayoutOptions(layout);
  EXPECT_TRUE(reader->addCopybook(dataPath("copybooks/" + copybook).c_str(), "", true))
      << reader->getErrorMessage().asCstr();
  return reader;
}

// Each column as "name type length;".
std::string columns(CCBMain* service) {
  std::string all;
  for (int i = 0; i < service->getOutputCount(); ++i) {
    QvbString name;
    int type = 0, length = 0;
    service->getOutputInfo(i, name, type, length);
    all += name.str() + " " + std::to_string(type) + " " + std::to_string(length) + ";";
  }
  return all;
}

}  // namespace

// Text and signs in UTF-8: 'p'-'y' for negative digits, text measured in bytes. The
// batch tests read ISO-8859-1 overpunch letters from customers_ovp.dat.
TEST(EncodingsDataTest, TextAndSignsInUtf8) {
  std::string failure;
  const std::map<int, Record> records = readAll(readerOf("kunden.cpy", CCBLayoutOptions()).get(),
                                                "kunden_utf8.dat", readOptions("utf8"), &failure);
  EXPECT_EQ("", failure);
  const std::map<int, Record> expected = test_support::readExpected("kunden_utf8.dat");
  ASSERT_EQ(expected.size(), records.size());
  for (const auto& [number, record] : records) {
    EXPECT_EQ(expected.at(number), test_support::normalised(record, expected.at(number))) << number;
  }
}

// With ISO-8859-1 results a character outside it becomes '?', in code page and national
// text alike, and the record is good.
TEST(EncodingsDataTest, LatinResultsReplaceWhatTheyCannotHold) {
  Ptr<CCBRecordReader> reader = readerOf("kunden.cpy", CCBLayoutOptions());
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

// A layout with float or national items saves to an XML layout document that records
// its options and loads back, with any options, into the same columns and the same
// document; a reader of it reads the file as a reader of the copybook with the options.
TEST(EncodingsDataTest, FloatAndNationalLayoutsSaveAndLoadBack) {
  const struct {
    const char *copybook, *file;
    CCBFloatFormat format;
    const char* name;
  } cases[] = {{"national.cpy", "national.dat", CCB_FLOAT_IBM, "ibm"},
               {"measures.cpy", "measures.dat", CCB_FLOAT_IEEE_LE, "ieee-le"}};
  std::string saved;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copybook);
    const CCBLayoutOptions options = layoutOptions(c.format, true);
    Ptr<CCBLayoutService> service(createCCBLayoutService());
    service->setLayoutOptions(options);
    ASSERT_TRUE(service->loadCopybook(dataPath(std::string("copybooks/") + c.copybook).c_str()));
    QvbString xml, again;
    ASSERT_TRUE(service->saveLayoutXml(xml));
    saved = xml.str();
    EXPECT_NE(std::string::npos, saved.find("float_format=\"" + std::string(c.name) + "\""));
    Ptr<CCBMain> loaded(createCCBMain());
    ASSERT_TRUE(loaded->loadLayoutXml(xml)) << loaded->getErrorMessage().asCstr();
    EXPECT_EQ(columns(service.get()), columns(loaded.get()));
    ASSERT_TRUE(loaded->saveLayoutXml(again));
    EXPECT_EQ(saved, again.str());
    Ptr<CCBRecordReader> reader(createCCBRecordReader());
    ASSERT_TRUE(reader->addLayoutXml(xml, "", true));
    std::string failure;
    const std::map<int, Record> records =
        readAll(reader.get(), c.file, readOptions("latin1"), &failure);
    EXPECT_FALSE(records.empty());
    EXPECT_EQ(readAll(readerOf(c.copybook, options).get(), c.file, readOptions("latin1"), &failure),
              records);
    EXPECT_EQ("", failure);
  }
  saved.replace(saved.find("ieee-le"), 7, "vax");
  Ptr<CCBRecordReader> reader(createCCBRecordReader());
  EXPECT_FALSE(reader->addLayoutXml(saved.c_str(), "", false));
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
    const bool known = ccbCodePageFromName(c.name, &ccsid);
    EXPECT_EQ(c.ccsid != 0, known) << c.name;
    EXPECT_EQ(c.ccsid, known ? ccsid : 0) << c.name;
  }
  CCBReadOptions options = readOptions("latin1");
  options.setCodePage(999);
  std::string failure;
  readAll(readerOf("kunden.cpy", CCBLayoutOptions()).get(), "kunden_273.dat", options, &failure);
  EXPECT_EQ("Unknown code page 999", failure);
}
