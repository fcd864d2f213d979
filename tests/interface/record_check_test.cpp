// The check of each value of a record: every value of the files GnuCOBOL wrote (and of
// those built from them) is clean as written, and faults planted at offsets worked out
// from the copybooks are found at their fields, with where their bytes lie.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "interface/service_test_util.h"
#include "lyra/lyra.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::own;

struct StateCounts {
  int64_t clean = 0, unusual = 0, null = 0, bad = 0;
};

// A reader of the file with the copybooks (ID=copybook, comma-separated) and options
// given as words: fixed rdw vb lines layout, length=N skip=N page=NAME float=NAME
// comp5le rdwle excludes id=OFFSET.
test_support::Owned<CCBRecordReader> openReader(const std::string& file,
                                                const std::string& copybooks,
                                                const std::string& words) {
  auto reader = own(createCCBRecordReader());
  CCBReadOptions options;
  CCBLayoutOptions layout;
  options.setResultEncoding(CCB_RESULT_UTF8);
  std::istringstream in(words);
  for (std::string word; in >> word;) {
    const std::string value = word.substr(word.find('=') + 1);
    CCBRecordFormat format;
    CCBFloatFormat floats;
    int page = 0;
    if (ccbRecordFormatFromName(word.c_str(), &format)) options.setRecordFormat(format);
    if (word.rfind("length=", 0) == 0) options.setRecordLength(std::stoi(value));
    if (word.rfind("skip=", 0) == 0) options.setSkip(std::stoll(value));
    if (word.rfind("page=", 0) == 0 && ccbCodePageFromName(value.c_str(), &page)) {
      options.setCodePage(page);
    }
    if (word.rfind("float=", 0) == 0 && ccbFloatFormatFromName(value.c_str(), &floats)) {
      layout.setFloatFormat(floats);
    }
    if (word == "comp5le") options.setComp5LittleEndian(true);
    if (word == "rdwle") options.setRdwLittleEndian(true);
    if (word == "excludes") options.setRdwExcludesHeader(true);
    if (word.rfind("id=", 0) == 0) reader->setIdentifierField(std::stoi(value), "PIC X(2)");
  }
  reader->setLayoutOptions(layout);
  test_support::addLayouts(reader.get(), copybooks, 0);
  EXPECT_TRUE(reader->openData(dataPath("files/" + file).c_str(), options))
      << reader->getErrorMessage().str();
  return reader;
}

// The states of every value of every record of the active layout; with good options,
// no value may be bad.
StateCounts countStates(CCBRecordReader* reader, bool goodOptions) {
  auto check = own(createCCBRecordCheck());
  StateCounts counts;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    EXPECT_TRUE(check->check(reader)) << check->getErrorMessage().str();
    counts.clean += check->getStateCount(CCB_VALUE_CLEAN);
    counts.unusual += check->getStateCount(CCB_VALUE_UNUSUAL);
    counts.null += check->getStateCount(CCB_VALUE_NULL);
    counts.bad += check->getStateCount(CCB_VALUE_BAD);
    for (int i = 0; goodOptions && i < check->getColumnCount(); ++i) {
      EXPECT_NE(CCB_VALUE_BAD, check->getStates()[i])
          << "record " << reader->getRecordNumber() << " column " << i << ": "
          << check->getExpected(i).str();
    }
  }
  EXPECT_FALSE(failed && goodOptions) << reader->getErrorMessage().str();
  return counts;
}

// Every file with the options it was written with: no value is bad. Nulls are the
// repetitions a variable table did not reach and the fields short records leave out;
// the measurement file's floats and native binary at their limits are unusual. The
// same files read with a wrong option: values go bad.
TEST(RecordCheckTest, EveryValueOfTheWrittenFilesIsCleanAndWrongOptionsMakeBadValues) {
  const char* const txn = "HD=txnhdr.cpy,DT=txndtl.cpy,TR=txntrl.cpy";
  const struct {
    const char *file, *copybooks, *options;
    bool nulls, unusual, bad = false;
  } files[] = {
      {"customers.dat", "custmast.cpy", "fixed", false, false},
      {"customers_ovp.dat", "custmast.cpy", "fixed", false, false},
      {"customers_ebcdic.dat", "custmast.cpy", "fixed page=037", false, false},
      {"customers_273.dat", "custmast.cpy", "fixed page=273", false, false},
      {"customers_rdw.dat", "custmast.cpy", "rdw page=037", false, false},
      {"customers_vb.dat", "custmast.cpy", "vb page=037", false, false},
      {"accounts.dat", "acctrec.cpy", "layout", true, false},
      {"txn_var.dat", txn, "layout id=0", false, false},
      {"txn_var_ebcdic.dat", txn, "layout id=0 page=037", false, false},
      {"txn_fixed120.dat", txn, "fixed length=120 id=0", false, false},
      {"txn_fixed120_ebcdic.dat", txn, "fixed length=120 id=0 page=037", false, false},
      {"policies.dat", "policy.cpy", "fixed skip=32", false, false},
      {"items.dat", "itemprice.cpy", "fixed", false, false},
      {"payroll.dat", "payroll.cpy", "fixed", false, false},
      {"payroll.txt", "payroll.cpy", "lines", false, false},
      {"shipments.dat", "shipment.cpy", "rdw excludes", true, false},
      {"shipments_le.dat", "shipment.cpy", "rdw rdwle excludes", true, false},
      {"shipments_vb.dat", "shipment.cpy", "vb", true, false},
      {"measures.dat", "measures.cpy", "fixed float=ieee-le comp5le", false, true},
      {"measures_be.dat", "measures.cpy", "fixed float=ieee comp5le", false, true},
      {"kunden_1141.dat", "kunden.cpy", "fixed page=1141", false, false},
      {"kunden_latin1.dat", "kunden.cpy", "fixed", false, false},
      {"kunden_cp1252.dat", "kunden.cpy", "fixed page=cp1252", false, false},
      {"kunden_utf8.dat", "kunden.cpy", "fixed page=utf8", false, false},
      {"customers_ebcdic.dat", "custmast.cpy", "fixed", false, false, true},      // EBCDIC as ASCII
      {"customers.dat", "custmast.cpy", "fixed page=037", false, false, true},    // and back
      {"customers.dat", "custmast.cpy", "fixed length=201", false, false, true},  // a byte long
      // The euro sign is a C1 control in latin1.
      {"kunden_cp1252.dat", "kunden.cpy", "fixed", false, false, true},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(std::string(f.file) + " " + f.options);
    auto reader = openReader(f.file, f.copybooks, f.options);
    const StateCounts counts = countStates(reader.get(), !f.bad);
    EXPECT_EQ(f.bad, counts.bad > 0);
    if (f.bad) continue;
    EXPECT_GT(counts.clean, 0);
    EXPECT_EQ(f.nulls, counts.null > 0);
    EXPECT_EQ(f.unusual, counts.unusual > 0);
  }
}

// Faults planted in customers.dat at the offsets of custmast.cpy's fields, each found at
// its column with the offset and length of its bytes and what they should hold.
TEST(RecordCheckTest, PlantedFaultsAreFoundAtTheirFields) {
  std::string bytes = test_support::readFile(dataPath("files/customers.dat"));
  ASSERT_EQ(2400u, bytes.size());
  struct Plant {
    int record;  // from 1
    int offset;  // in the record
    std::string with;
    int column;
    int fieldOffset, fieldLength;
    const char* expected;
  };
  const Plant plants[] = {
      {3, 152, "\x7A", 22, 150, 5,  // CUST-CREDIT-LIMIT S9(7)V99 COMP-3: a nibble A
       "packed digits of PIC S9(7)V99: nibbles 0 to 9, the last a sign C, D or F, an unused "
       "first nibble 0"},
      {5, 170, "X", 24, 167, 7,  // CUST-YTD-INTEREST S9(5)V99: a letter among the digits
       "digits 30 to 39 of PIC S9(5)V99, its last byte a digit or a signed one: 'p' to 'y', '{', "
       "'}', 'A' to 'R'"},
      {7, 177, "\x27\x10", 26, 177, 2,  // CUST-OVERDRAFT-COUNT S9(4) COMP: 10000
       "a binary value of no more digits than PIC S9(4) holds"},
      {9, 12, "\x07", 4, 10, 20,  // CUST-LAST-NAME: a control character
       "characters printable in code page latin1"},
  };
  for (const Plant& p : plants) {
    bytes.replace(static_cast<size_t>((p.record - 1) * 200 + p.offset), p.with.size(), p.with);
  }
  test_support::TempDir dir;
  const std::string planted = dir.write("planted.dat", bytes);
  auto reader = own(createCCBRecordReader());
  ASSERT_TRUE(reader->addCopybook(dataPath("copybooks/custmast.cpy").c_str(), "", true));
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  options.setResultEncoding(CCB_RESULT_UTF8);
  ASSERT_TRUE(reader->openData(planted.c_str(), options));
  auto check = own(createCCBRecordCheck());
  std::vector<std::string> found;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    ASSERT_TRUE(check->check(reader.get()));
    for (int i = 0; i < check->getColumnCount(); ++i) {
      if (check->getStates()[i] != CCB_VALUE_BAD) continue;
      found.push_back(std::to_string(reader->getRecordNumber()) + " " + std::to_string(i) + " " +
                      std::to_string(check->getFieldOffset(i)) + " " +
                      std::to_string(check->getFieldLength(i)) + " " + check->getExpected(i).str());
    }
  }
  std::vector<std::string> expected;
  for (const Plant& p : plants) {
    expected.push_back(std::to_string(p.record) + " " + std::to_string(p.column) + " " +
                       std::to_string(p.fieldOffset) + " " + std::to_string(p.fieldLength) + " " +
                       p.expected);
  }
  EXPECT_EQ(expected, found);
  EXPECT_EQ("", check->getExpected(0).str());  // a clean value, and out of range
  EXPECT_EQ("", check->getExpected(check->getColumnCount()).str());
  EXPECT_EQ(-1, check->getFieldOffset(-1));
}

// A variable table's repetitions beyond the count are null, without bytes; the field
// after the table is found where the count puts it: 56 + 28 x count (accounts.dat's
// counts 3 and 0 in its first two records).
TEST(RecordCheckTest, VariableTablesGiveNullsAndMovedOffsets) {
  auto reader = openReader("accounts.dat", "acctrec.cpy", "layout");
  auto check = own(createCCBRecordCheck());
  const int last = reader->getOutputCount() - 1;  // ACCT-LAST-STMT-DATE
  bool failed = false;
  for (int count : {3, 0}) {
    ASSERT_TRUE(reader->readNextRecord(failed));
    ASSERT_TRUE(check->check(reader.get()));
    EXPECT_EQ(CCB_VALUE_CLEAN, check->getStates()[last]);
    EXPECT_EQ(56 + 28 * count, check->getFieldOffset(last));
    EXPECT_EQ(8, check->getFieldLength(last));
    EXPECT_EQ(4 * (12 - count), check->getStateCount(CCB_VALUE_NULL));  // 4 columns an entry
  }
}

TEST(RecordCheckTest, RefusesAReaderWithoutALayout) {
  auto reader = own(createCCBRecordReader());
  auto check = own(createCCBRecordCheck());
  EXPECT_FALSE(check->check(reader.get()));
  EXPECT_EQ("The reader has no active layout to check the records of",
            check->getErrorMessage().str());
  EXPECT_EQ(0, check->getColumnCount());
}

}  // namespace
