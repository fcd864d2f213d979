// The record reader service on small hand-made copybooks and data files: its error
// messages, choosing layouts by the identifier field, fixed and variable records,
// the column and node operations, and the debug callback.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "lyra/ccb_reader.h"
#include "test_util.h"

namespace {

const char* const EOF_IN_DATA = "Reached EOF on data file while reading data";
const char* const NO_LAYOUT = "One or more Copybook Files required for reading data";
const char* const NOT_OPEN = "No data file is open: call openDataFile before reading records";
const char* const NO_BYTES = "Record reads no bytes from the data file: its layout is empty";
const char* const EMPTY_PICTURE = "Empty picture object";
const char* const END = "end";

struct ReleaseReader {
  void operator()(CCBReader* reader) const { reader->release(); }
};
using ReaderPtr = std::unique_ptr<CCBReader, ReleaseReader>;

// A debug callback that keeps every message.
class RecordingCallback : public LYRADebugCallback {
 public:
  void debugMessage(const QvbString& message) override { lines.push_back(message.asCstr()); }
  std::vector<std::string> lines;
};

// Header records: identifier H, 6 bytes. Detail records: identifier D, 4 bytes.
const std::initializer_list<const char*> HEADER = {
    "01  HREC.",
    "    05  H-TYPE    PIC X.",
    "    05  H-NAME    PIC X(5).",
};
const std::initializer_list<const char*> DETAIL = {
    "01  DREC.",
    "    05  D-TYPE    PIC X.",
    "    05  D-AMOUNT  PIC 9(3).",
};

// How readAll reports a failure.
std::string failed(const std::string& message) {
  return "failed: " + message;
}

class CCBReaderTest : public ::testing::Test {
 protected:
  // Writes a copybook whose entries start in column 8 and returns its path.
  std::string copybook(const std::string& name, std::initializer_list<const char*> entries) {
    std::string text;
    for (const char* entry : entries) text += std::string(7, ' ') + entry + "\n";
    return dir_.write(name, text);
  }

  bool add(const std::string& name, std::initializer_list<const char*> entries, const char* id,
           bool active) {
    return reader_->addCopybook(copybook(name, entries).c_str(), id, active);
  }

  // Header (active or not) and detail layouts, told apart by one character at offset 0.
  void addHeaderAndDetail(bool headerActive = true) {
    ASSERT_TRUE(add("hdr.cpy", HEADER, "H", headerActive));
    ASSERT_TRUE(add("dtl.cpy", DETAIL, "D", !headerActive));
    ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  }

  std::string data(const std::string& bytes) { return dir_.write("data.dat", bytes); }

  bool open(const std::string& bytes, bool fixedLength = false, int recordLength = 0,
            int startPosition = 0) {
    return reader_->openDataFile(data(bytes).c_str(), startPosition, fixedLength, true,
                                 recordLength);
  }

  // The columns of the record just read, joined by '|'; a null value is "<null>".
  std::string record() {
    std::string text;
    for (int i = 0; i < reader_->getOutputCount(); ++i) {
      const QvbDatavar value = reader_->getOutputValue(i);
      text += (i == 0 ? "" : "|") + std::string(value.isNull() ? "<null>" : value.text().asCstr());
    }
    return text;
  }

  std::string error() { return reader_->getErrorMessage().asCstr(); }

  // Reads until readNextRecord returns false: one entry per record returned, then
  // "end" or "failed: " with the message.
  std::vector<std::string> readAll() {
    std::vector<std::string> records;
    bool readFailed = false;
    for (int guard = 0; guard < 10000; ++guard) {
      if (!reader_->readNextRecord(readFailed)) {
        records.push_back(readFailed ? failed(error()) : END);
        return records;
      }
      records.push_back(record());
    }
    records.push_back("no end");
    return records;
  }

  test_support::TempDir dir_;
  ReaderPtr reader_{createCCBReader()};
};

// --- Failures -----------------------------------------------------------------

TEST_F(CCBReaderTest, ReadFailuresEndReading) {
  struct Case {
    const char* what;
    std::string bytes;
    bool fixedLength;
    int recordLength;
    std::vector<std::string> records;
  };
  const Case cases[] = {
      {"record cut short", "HALPHAHBR", false, 0, {"H|ALPHA", failed(EOF_IN_DATA)}},
      {"empty file", "", false, 0, {failed(EOF_IN_DATA)}},
      {"fixed record cut short in its padding",
       "HALPHA  HBRAVO",
       true,
       8,
       {"H|ALPHA", failed(EOF_IN_DATA)}},
      {"fixed length shorter than the layout",
       "HALPHAHBRAVO",
       true,
       4,
       {failed("Record layout reads 6 bytes, more than the fixed record length of 4")}},
  };
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(open(c.bytes, c.fixedLength, c.recordLength));
    EXPECT_EQ(c.records, readAll());
  }
}

TEST_F(CCBReaderTest, ReadingAfterAFailureKeepsFailing) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  ASSERT_TRUE(open("HALPHAHBR"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", failed(EOF_IN_DATA)}), readAll());
  for (int i = 0; i < 2; ++i) {
    bool failed = false;
    EXPECT_FALSE(reader_->readNextRecord(failed));
    EXPECT_TRUE(failed);
    EXPECT_EQ(EOF_IN_DATA, error());
  }
}

TEST_F(CCBReaderTest, ReadingBeforeAnyOpenFails) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  EXPECT_EQ((std::vector<std::string>{failed(NOT_OPEN)}), readAll());
}

TEST_F(CCBReaderTest, MissingDataFile) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  EXPECT_FALSE(reader_->openDataFile(dir_.path("missing.dat").c_str(), 0, false, true, 0));
  EXPECT_EQ("No such file or directory", error());
  EXPECT_EQ(0, reader_->getDataFileSize());
  EXPECT_EQ((std::vector<std::string>{failed(NOT_OPEN)}), readAll());
}

TEST_F(CCBReaderTest, OpeningNeedsALayout) {
  const std::string path = data("HALPHA");
  EXPECT_FALSE(reader_->openDataFile(path.c_str(), 0, false, true, 0));
  EXPECT_EQ(NO_LAYOUT, error());
  EXPECT_EQ(0, reader_->getDataFileSize());  // no data file was made
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  reader_->clearCopybooks();
  EXPECT_EQ(0, reader_->getCopybookCount());
  EXPECT_FALSE(reader_->openDataFile(path.c_str(), 0, true, true, 6));
  EXPECT_EQ(NO_LAYOUT, error());
}

// Positions no read could reach are refused, so that no position is computed
// outside the window or beyond the range of int.
TEST_F(CCBReaderTest, RefusesPositionsAndLengthsOutOfRange) {
  addHeaderAndDetail();
  const std::string path = data("HALPHA");
  EXPECT_FALSE(reader_->openDataFile(path.c_str(), -1, false, true, 0));
  EXPECT_EQ("Invalid start position -1: it must not be negative", error());
  EXPECT_FALSE(reader_->openDataFile(path.c_str(), INT_MAX, false, true, 0));
  EXPECT_EQ("Invalid start position 2147483647: it must not exceed 1073741824", error());
  EXPECT_FALSE(reader_->openDataFile(path.c_str(), 0, true, true, -6));
  EXPECT_EQ("Invalid record length -6: it must not be negative", error());
  EXPECT_EQ((std::vector<std::string>{failed(NOT_OPEN)}), readAll());

  EXPECT_FALSE(reader_->setIdentifierField(-2, "PIC X"));
  EXPECT_EQ("Invalid identifier offset -2: it must not be negative", error());
  EXPECT_FALSE(reader_->setIdentifierField(INT_MAX, "PIC X"));
  EXPECT_EQ("Invalid identifier offset 2147483647: it must not exceed 268435456", error());
  ASSERT_TRUE(open("HEADERHALPHA", false, 0, 6));  // the identifier stays at offset 0
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", END}), readAll());

  // The largest offset and start position are accepted; reading them meets the file end.
  ASSERT_TRUE(reader_->setIdentifierField(268435456, "PIC X"));
  ASSERT_TRUE(open("HALPHA", false, 0, 1073741824));
  EXPECT_EQ((std::vector<std::string>{failed("Buffer Allocation failed")}), readAll());
}

TEST_F(CCBReaderTest, RefusedLayoutsLeaveTheLayoutsAsTheyWere) {
  struct Case {
    const char* what;
    bool (*load)(CCBReader&, const std::string&);
    std::string argument;
    std::string message;
  };
  const std::string missing = dir_.path("missing.cpy");
  const std::string badLevel = copybook("bad.cpy", {"01  REC.", "    XX  A  PIC X."});
  const Case cases[] = {
      {"copybook that cannot be opened",
       [](CCBReader& r, const std::string& a) { return r.addCopybook(a.c_str(), "X", true); },
       missing, "Cannot open file '" + missing + "': No such file or directory, Line: 0\n"},
      {"copybook with a bad level number",
       [](CCBReader& r, const std::string& a) { return r.addCopybook(a.c_str(), "X", true); },
       badLevel, "Invalid level number, Line: 2\n"},
      {"layout file that cannot be read",
       [](CCBReader& r, const std::string& a) { return r.addLayoutFile(a.c_str(), "X", true); },
       missing, "Error Loading xml"},
      {"layout text that is no XML",
       [](CCBReader& r, const std::string& a) { return r.addLayoutXml(a.c_str(), "X", true); },
       "<CCBLayout><node", "Error Loading xml"},
  };
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.load(*reader_, c.argument));
    EXPECT_EQ(c.message, error());
    EXPECT_EQ(1, reader_->getCopybookCount());
    EXPECT_EQ(2, reader_->getOutputCount());  // the header layout is still active
  }
}

TEST_F(CCBReaderTest, LayoutsFromXmlReadLikeCopybooks) {
  const std::string xml =
      "<CCBLayout><node type=\"root\"><nodes><node type=\"table\"><properties>"
      "<name>REC</name><level_number>1</level_number></properties><nodes>"
      "<node type=\"field\"><properties><name>A</name><level_number>5</level_number>"
      "<picture>X(2)</picture><usage>DISPLAY</usage></properties></node>"
      "<node type=\"field\"><properties><name>B</name><level_number>5</level_number>"
      "<picture>S9(3)</picture><usage>COMP-3</usage></properties></node>"
      "</nodes></node></nodes></node></CCBLayout>";
  ASSERT_TRUE(reader_->addLayoutXml(xml.c_str(), "", true)) << error();
  ASSERT_TRUE(reader_->addLayoutFile(dir_.write("rec.xml", xml).c_str(), "", true)) << error();
  EXPECT_EQ(2, reader_->getCopybookCount());
  EXPECT_EQ(4, reader_->getRecordLength(0));
  EXPECT_EQ(4, reader_->getRecordLength(1));
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X(2)"));  // two layouts with the identifier ""
  ASSERT_TRUE(open(std::string("  \x12\x3D", 4) + std::string("  \x04\x5C", 4), true, 0));
  // Both records match the first layout, which is not the active one.
  EXPECT_EQ((std::vector<std::string>{END}), readAll());
  reader_->clearCopybooks();
  ASSERT_TRUE(reader_->addLayoutFile(dir_.path("rec.xml").c_str(), "", true)) << error();
  ASSERT_TRUE(open(std::string("AB\x12\x3D", 4) + std::string("CD\x04\x5C", 4)));
  EXPECT_EQ((std::vector<std::string>{"AB|-123", "CD|045", END}), readAll());
}

// --- The identifier field ------------------------------------------------------

TEST_F(CCBReaderTest, RefusedIdentifierClauses) {
  struct Case {
    const char* clause;
    const char* message;
  };
  static const Case CASES[] = {
      {"PIC", "ID pic statement parse failed"},                      // no picture string
      {"PIC X PIC X", "ID pic statement parse failed"},              // a clause twice
      {"PIC 9(0)", "Invalid number of repetitions"},                 //
      {"PIC X(2) USAGE COMP-1", "Invalid or unknown usage clause"},  //
      {"PIC S COMP-3", "Insufficient information in picture"},       //
      {"PIC XK", "Unrecognized character 'K' found"},                //
      {"PIC 9V9V9", "Invalid picture clause: 9V9V9"},  // refused by the rules without a message
      {"PIC 9(3", "Invalid picture clause: 9(3"},      //
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.clause);
    EXPECT_FALSE(reader_->setIdentifierField(0, c.clause));
    EXPECT_EQ(c.message, error());
  }
}

TEST_F(CCBReaderTest, UnparsableIdentifierKeepsItsPreviousFormat) {
  addHeaderAndDetail();
  EXPECT_FALSE(reader_->setIdentifierField(0, "PIC"));
  ASSERT_TRUE(open("D123HALPHA"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", END}), readAll());
}

TEST_F(CCBReaderTest, IdentifierWithoutFormatFailsTheRead) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  ASSERT_TRUE(add("dtl.cpy", DETAIL, "D", false));
  ASSERT_TRUE(open("HALPHA"));  // no identifier field was ever declared
  EXPECT_EQ((std::vector<std::string>{failed(EMPTY_PICTURE)}), readAll());

  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  EXPECT_FALSE(reader_->setIdentifierField(0, "PIC X(0)"));  // the format cannot be built
  ASSERT_TRUE(open("HALPHA"));
  EXPECT_EQ((std::vector<std::string>{failed(EMPTY_PICTURE)}), readAll());
}

TEST_F(CCBReaderTest, OneLayoutNeverReadsTheIdentifier) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  ASSERT_TRUE(reader_->setIdentifierField(500, "PIC X"));  // far beyond every record
  ASSERT_TRUE(open("HALPHAXBRAVO"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", "X|BRAVO", END}), readAll());
}

TEST_F(CCBReaderTest, OneInactiveLayoutReturnsNoRecord) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", false));
  ASSERT_TRUE(open("HALPHAHBRAVO"));
  EXPECT_EQ((std::vector<std::string>{END}), readAll());
  EXPECT_EQ(0, reader_->getOutputCount());
}

TEST_F(CCBReaderTest, VariableRecordsOfOtherLayoutsAreDecodedAndSkipped) {
  addHeaderAndDetail(true);
  ASSERT_TRUE(open("D123HALPHAD456D789HBRAVO"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", "H|BRAVO", END}), readAll());

  reader_->clearCopybooks();
  addHeaderAndDetail(false);
  ASSERT_TRUE(open("D123HALPHAD456D789HBRAVO"));
  EXPECT_EQ((std::vector<std::string>{"D|123", "D|456", "D|789", END}), readAll());
}

TEST_F(CCBReaderTest, UnknownIdentifierFailsVariableRecords) {
  addHeaderAndDetail();
  ASSERT_TRUE(open("HALPHAD123Z12345HBRAVO"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", failed("Copybook not found for this record: Z")}),
            readAll());
}

// Fixed-length records of other layouts, and of no layout, are stepped over without
// being decoded.
TEST_F(CCBReaderTest, UnknownIdentifierIsSteppedOverInFixedRecords) {
  RecordingCallback callback;
  reader_->setDebugCallback(&callback);
  addHeaderAndDetail();
  callback.lines.clear();
  const std::string pad(74, ' ');
  ASSERT_TRUE(open("D123  " + pad + "Z?????" + pad + "HALPHA" + pad, true, 80));
  bool failed = true;
  ASSERT_TRUE(reader_->readNextRecord(failed));
  EXPECT_FALSE(failed);
  EXPECT_EQ("H|ALPHA", record());
  EXPECT_EQ("Copybook not found for this record: Z", error());
  EXPECT_FALSE(reader_->readNextRecord(failed));
  EXPECT_FALSE(failed);
  EXPECT_EQ("Copybook not found for this record: Z", error());  // kept while reading went on
  EXPECT_EQ((std::vector<std::string>{
                "Column: (H-TYPE), Data: (H), File Offset: 160, End Offset: 161",
                "Column: (H-NAME), Data: (ALPHA), File Offset: 161, End Offset: 166",
            }),
            callback.lines);
}

TEST_F(CCBReaderTest, IdentifierIsTrimmedAndComparedWithoutCase) {
  ASSERT_TRUE(add("hdr.cpy",
                  {"01  HREC.", "    05  H-SEQ   PIC 9.", "    05  H-TYPE  PIC X(3).",
                   "    05  H-NAME  PIC XX."},
                  "H", true));
  ASSERT_TRUE(add("dtl.cpy",
                  {"01  DREC.", "    05  D-SEQ   PIC 9.", "    05  D-TYPE  PIC X(3).",
                   "    05  D-AMT   PIC 9(3)."},
                  "D", false));
  ASSERT_TRUE(reader_->setIdentifierField(1, "PIC X(3)"));
  ASSERT_TRUE(open("1 H AB2D  1233  hCD4   EF"));
  EXPECT_EQ((std::vector<std::string>{"1| H |AB", "3|  h|CD",
                                      failed("Copybook not found for this record: ")}),
            readAll());
}

// --- Record positions ----------------------------------------------------------

TEST_F(CCBReaderTest, FixedRecordsLongerThanTheLayout) {
  ASSERT_TRUE(add("rec.cpy",
                  {"01  REC.", "    05  R-KEY   PIC X(10).", "    05  R-TEXT  PIC X(50)."}, "R",
                  true));
  std::string bytes;
  for (char n = '1'; n <= '3'; ++n) {
    bytes += std::string("KEY000000") + n + std::string(50, n) + std::string(40, '#');
  }
  ASSERT_TRUE(open(bytes, true, 100));
  EXPECT_EQ(300, reader_->getDataFileSize());
  EXPECT_EQ((std::vector<std::string>{"KEY0000001|" + std::string(50, '1'),
                                      "KEY0000002|" + std::string(50, '2'),
                                      "KEY0000003|" + std::string(50, '3'), END}),
            readAll());
}

// Records straddle the blocks the file is read in (4095 bytes at first): the window is
// compacted and refilled without losing a byte, and the file ends cleanly also when it
// ends exactly where a block ends.
TEST_F(CCBReaderTest, ManyRecordsAcrossReadBlocks) {
  struct Case {
    int count;
    int recordLength;  // 0: variable records
  };
  static const Case CASES[] = {
      {682, 0},   // 4092 bytes: all in the first block
      {683, 0},   // 4098 bytes: the last record straddles the first block's end
      {2000, 0},  //
      {585, 7},   // 4095 bytes: the file ends where the first block ends
      {1000, 7},  //
  };
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.count);
    std::string bytes;
    std::vector<std::string> records;
    for (int i = 0; i < c.count; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%05d", i);
      bytes += std::string("H") + name + std::string(c.recordLength == 0 ? 0 : 1, '+');
      records.push_back(std::string("H|") + name);
    }
    records.push_back(END);
    ASSERT_TRUE(open(bytes, c.recordLength != 0, c.recordLength));
    EXPECT_EQ(records, readAll());
  }
}

TEST_F(CCBReaderTest, StartPositionSkipsTheBytesBeforeTheFirstRecord) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  ASSERT_TRUE(open("FILE HEADER 16B!HALPHAHBRAVO", false, 0, 16));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", "H|BRAVO", END}), readAll());
  ASSERT_TRUE(open("FILE HEADER 16B!HALPHA  HBRAVO  ", true, 8, 16));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", "H|BRAVO", END}), readAll());
}

TEST_F(CCBReaderTest, RecordLengths) {
  EXPECT_EQ(0, reader_->getMaxRecordLength());
  ASSERT_TRUE(add("short.cpy", {"01  S.", "    05  S-A  PIC X(60)."}, "S", true));
  ASSERT_TRUE(add("long.cpy", {"01  L.", "    05  L-A  PIC X(100).", "    05  L-B  PIC 9(20)."},
                  "L", false));
  EXPECT_EQ(60, reader_->getRecordLength(0));
  EXPECT_EQ(120, reader_->getRecordLength(1));
  EXPECT_EQ(0, reader_->getRecordLength(2));
  EXPECT_EQ(0, reader_->getRecordLength(-1));
  EXPECT_EQ(120, reader_->getMaxRecordLength());
  ASSERT_TRUE(open("", true, 0));
  EXPECT_EQ(120, reader_->getMaxRecordLength());
  ASSERT_TRUE(open("", true, 200));
  EXPECT_EQ(200, reader_->getMaxRecordLength());
  ASSERT_TRUE(open("", false, 200));  // variable records: the record length is cleared
  EXPECT_EQ(120, reader_->getMaxRecordLength());
}

TEST_F(CCBReaderTest, LayoutsThatReadNoBytes) {
  struct Case {
    const char* what;
    const char* xml;
    bool fixedLength;
  };
  static const Case CASES[] = {
      {"no items", "<CCBLayout><node type=\"root\"/></CCBLayout>", false},
      {"no items, fixed length from the layout", "<CCBLayout><node type=\"root\"/></CCBLayout>",
       true},
      {"a constant only",
       "<CCBLayout><node type=\"root\"><nodes><node type=\"field\"><properties>"
       "<name>K</name><field_type>Value</field_type><const_value>C</const_value>"
       "<picture>X</picture><usage>DISPLAY</usage></properties></node></nodes></node></CCBLayout>",
       false},
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.what);
    reader_->clearCopybooks();
    ASSERT_TRUE(reader_->addLayoutXml(c.xml, "", true)) << error();
    ASSERT_TRUE(open("ABCDEF", c.fixedLength, 0));
    EXPECT_EQ((std::vector<std::string>{failed(NO_BYTES)}), readAll());
  }
}

// --- Reading state ---------------------------------------------------------------

TEST_F(CCBReaderTest, ReadingAfterTheEndKeepsEnding) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  ASSERT_TRUE(open("HALPHA"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", END}), readAll());
  for (int i = 0; i < 2; ++i) {
    bool failed = true;
    EXPECT_FALSE(reader_->readNextRecord(failed));
    EXPECT_FALSE(failed);
  }
  EXPECT_EQ(6, reader_->getDataFileSize());  // known after the file was closed
}

TEST_F(CCBReaderTest, OpeningAgainStartsOver) {
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  const std::string path = data("HALPHAHBRAVO");
  ASSERT_TRUE(reader_->openDataFile(path.c_str(), 0, false, true, 0));
  bool failed = false;
  ASSERT_TRUE(reader_->readNextRecord(failed));
  EXPECT_EQ("H|ALPHA", record());
  ASSERT_TRUE(reader_->openDataFile(path.c_str(), 0, false, true, 0));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", "H|BRAVO", END}), readAll());
}

TEST_F(CCBReaderTest, LayoutAddedWhileReadingTakesPartAtOnce) {
  RecordingCallback callback;
  reader_->setDebugCallback(&callback);
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  ASSERT_TRUE(open("HALPHAD123HBRAVO"));
  bool failed = false;
  ASSERT_TRUE(reader_->readNextRecord(failed));
  EXPECT_EQ("H|ALPHA", record());
  ASSERT_TRUE(add("dtl.cpy", DETAIL, "D", true));
  callback.lines.clear();
  EXPECT_EQ((std::vector<std::string>{"D|123", END}), readAll());
  EXPECT_EQ((std::vector<std::string>{
                "Column: (D-TYPE), Data: (D), File Offset: 6, End Offset: 7",
                "Column: (D-AMOUNT), Data: (123), File Offset: 7, End Offset: 10",
                "Column: (H-TYPE), Data: (H), File Offset: 10, End Offset: 11",
                "Column: (H-NAME), Data: (BRAVO), File Offset: 11, End Offset: 16",
            }),
            callback.lines);
}

TEST_F(CCBReaderTest, ClearingLayoutsKeepsTheIdentifierField) {
  addHeaderAndDetail();
  reader_->clearCopybooks();
  EXPECT_EQ(0, reader_->getCopybookCount());
  EXPECT_EQ(0, reader_->getOutputCount());
  EXPECT_EQ(0, reader_->getMaxRecordLength());
  ASSERT_TRUE(add("dtl.cpy", DETAIL, "D", true));
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", false));
  ASSERT_TRUE(open("HALPHAD123"));
  EXPECT_EQ((std::vector<std::string>{"D|123", END}), readAll());
}

// --- Columns and node entries ----------------------------------------------------

TEST_F(CCBReaderTest, ColumnOperationsWithoutAnActiveLayout) {
  for (int layouts = 0; layouts < 2; ++layouts) {
    SCOPED_TRACE(layouts);
    if (layouts == 1) {
      ASSERT_TRUE(add("hdr.cpy", HEADER, "H", false));
    }
    EXPECT_EQ(0, reader_->getOutputCount());
    EXPECT_EQ(0, reader_->getNodeCount());
    EXPECT_TRUE(reader_->getOutputValue(0).isNull());
    QvbString name("unchanged");
    int type = 99;
    int length = 98;
    reader_->getOutputInfo(0, name, type, length);
    EXPECT_STREQ("unchanged", name.asCstr());
    EXPECT_EQ(99, type);
    EXPECT_EQ(98, length);
    int entryId = 97;
    int parentId = 96;
    bool isField = true;
    reader_->getNodeInfo(0, entryId, parentId, isField, name, type, length);
    EXPECT_EQ(97, entryId);
    EXPECT_EQ(96, parentId);
    EXPECT_TRUE(isField);
    EXPECT_STREQ("unchanged", name.asCstr());
    EXPECT_EQ(99, type);
    EXPECT_EQ(98, length);
  }
}

TEST_F(CCBReaderTest, NodeEntriesAndColumnsOfTheActiveLayout) {
  ASSERT_TRUE(
      add("rec.cpy",
          {"01  REC.", "    05  A  PIC X(6).", "    05  G  OCCURS 2.", "        10  C  PIC 9(7)."},
          "R", true));
  struct Entry {
    int entryId;
    int parentId;
    bool isField;
    const char* name;
    int type;
    int length;
  };
  static const Entry ENTRIES[] = {
      {1, 0, false, "", 0, 0},     // the root, which has no name
      {2, 1, false, "REC", 0, 0},  //
      {3, 2, true, "A", 4, 6},     // text
      {4, 2, false, "G", 0, 0},    // first repetition of G
      {5, 4, true, "C", 2, 7},     // integer
      {6, 2, false, "G_1", 0, 0},  // second repetition
      {7, 6, true, "C_1", 2, 7},   //
  };
  ASSERT_EQ(7, reader_->getNodeCount());
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    int entryId = 0;
    int parentId = -5;
    bool isField = !ENTRIES[i].isField;
    QvbString name("x");
    int type = -5;
    int length = -5;
    reader_->getNodeInfo(i, entryId, parentId, isField, name, type, length);
    EXPECT_EQ(ENTRIES[i].entryId, entryId);
    EXPECT_EQ(ENTRIES[i].parentId, parentId);
    EXPECT_EQ(ENTRIES[i].isField, isField);
    EXPECT_STREQ(ENTRIES[i].name, name.asCstr());
    EXPECT_EQ(ENTRIES[i].type, type);
    EXPECT_EQ(ENTRIES[i].length, length);
  }
  for (int index : {-1, 7}) {
    int entryId = 0;
    int parentId = 55;
    bool isField = true;
    QvbString name("unchanged");
    int type = 55;
    int length = 55;
    reader_->getNodeInfo(index, entryId, parentId, isField, name, type, length);
    EXPECT_EQ(-1, entryId);
    EXPECT_EQ(55, parentId);
    EXPECT_TRUE(isField);
    EXPECT_STREQ("unchanged", name.asCstr());
    EXPECT_EQ(55, type);
    EXPECT_EQ(55, length);
  }

  static const Entry COLUMNS[] = {
      {0, 0, true, "A", 4, 6},    //
      {0, 0, true, "C", 2, 7},    //
      {0, 0, true, "C_1", 2, 7},  //
  };
  ASSERT_EQ(3, reader_->getOutputCount());
  for (int i = -1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    QvbString name("unchanged");
    int type = 55;
    int length = 55;
    reader_->getOutputInfo(i, name, type, length);
    const bool exists = i >= 0 && i < 3;
    EXPECT_STREQ(exists ? COLUMNS[i].name : "unchanged", name.asCstr());
    EXPECT_EQ(exists ? COLUMNS[i].type : 55, type);
    EXPECT_EQ(exists ? COLUMNS[i].length : 55, length);
    EXPECT_TRUE(reader_->getOutputValue(i).isNull());  // no record read yet
  }
  ASSERT_TRUE(open("HELLO!00000120000034"));
  EXPECT_EQ((std::vector<std::string>{"HELLO!|0000012|0000034", END}), readAll());
}

// --- The debug callback ------------------------------------------------------------

TEST_F(CCBReaderTest, DebugLinesOfEveryDecodedField) {
  RecordingCallback callback;
  reader_->setDebugCallback(&callback);
  addHeaderAndDetail();
  callback.lines.clear();  // copybook parsing reported too
  ASSERT_TRUE(open("D123HALPHA"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", END}), readAll());
  EXPECT_EQ((std::vector<std::string>{
                "Column: (D-TYPE), Data: (D), File Offset: 0, End Offset: 1",
                "Column: (D-AMOUNT), Data: (123), File Offset: 1, End Offset: 4",
                "Column: (H-TYPE), Data: (H), File Offset: 4, End Offset: 5",
                "Column: (H-NAME), Data: (ALPHA), File Offset: 5, End Offset: 10",
            }),
            callback.lines);
}

TEST_F(CCBReaderTest, DebugLinesOfVariableRepetitions) {
  RecordingCallback callback;
  ASSERT_TRUE(add("odo.cpy",
                  {"01  REC.", "    05  CNT   PIC 9.",
                   "    05  ITEM  PIC X OCCURS 0 TO 3 TIMES DEPENDING ON CNT."},
                  "", true));
  reader_->setDebugCallback(&callback);
  ASSERT_TRUE(open("3xyz1a5pqr"));
  // Columns that the next record does not reach are null again.
  EXPECT_EQ((std::vector<std::string>{"3|x|y|z", "1|a|<null>|<null>", "5|p|q|r", END}), readAll());
  EXPECT_EQ((std::vector<std::string>{
                "Column: (CNT), Data: (3), File Offset: 0, End Offset: 1",
                "Occurs Depends Value: 3, Max Occurs: 3",
                "Column: (ITEM), Data: (x), File Offset: 1, End Offset: 2",
                "Column: (ITEM), Data: (y), File Offset: 2, End Offset: 3",
                "Column: (ITEM), Data: (z), File Offset: 3, End Offset: 4",
                "Column: (CNT), Data: (1), File Offset: 4, End Offset: 5",
                "Occurs Depends Value: 1, Max Occurs: 3",
                "Column: (ITEM), Data: (a), File Offset: 5, End Offset: 6",
                "Column: (CNT), Data: (5), File Offset: 6, End Offset: 7",
                "Occurs Depends Value: 5, Max Occurs: 3",  // capped at the maximum
                "Column: (ITEM), Data: (p), File Offset: 7, End Offset: 8",
                "Column: (ITEM), Data: (q), File Offset: 8, End Offset: 9",
                "Column: (ITEM), Data: (r), File Offset: 9, End Offset: 10",
            }),
            callback.lines);
}

TEST_F(CCBReaderTest, CallbackReachesLayoutsAtTheNextOpen) {
  RecordingCallback callback;
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  ASSERT_TRUE(open("HALPHA"));
  reader_->setDebugCallback(&callback);
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", END}), readAll());
  EXPECT_TRUE(callback.lines.empty());
  ASSERT_TRUE(open("HALPHA"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", END}), readAll());
  EXPECT_EQ(2u, callback.lines.size());

  reader_->setDebugCallback(nullptr);  // the layouts keep the callback until the next open
  ASSERT_TRUE(open("HALPHA"));
  EXPECT_EQ((std::vector<std::string>{"H|ALPHA", END}), readAll());
  EXPECT_EQ(2u, callback.lines.size());
}

TEST_F(CCBReaderTest, CallbackReportsCopybookParsingOnly) {
  RecordingCallback callback;
  reader_->setDebugCallback(&callback);
  ASSERT_TRUE(reader_->addLayoutXml("<CCBLayout><node type=\"root\"/></CCBLayout>", "X", false));
  EXPECT_TRUE(callback.lines.empty());
  ASSERT_TRUE(add("hdr.cpy", HEADER, "H", true));
  EXPECT_EQ((std::vector<std::string>{
                "LINE 1 PARSE: 01  HREC",
                "LINE 2 PARSE: 05  H-TYPE    PIC X",
                "LINE 3 PARSE: 05  H-NAME    PIC X(5)",
            }),
            callback.lines);
}

}  // namespace
