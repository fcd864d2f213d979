// The classic record reader on small copybooks and data files: failures, layouts chosen
// by the identifier field, record lengths, node entries, reading state and debug lines.
#include "lyra/ccb_reader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "input/ccb_data_file.h"
#include "interface/service_test_util.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

const char* const EMPTY_LAYOUT = "<CCBLayout><node type=\"root\"/></CCBLayout>";

// Header records: identifier H, 8 bytes. Detail records: identifier D, 6 bytes.
const std::vector<std::string> HEADER = {"01 HREC.", "05 H-TYPE PIC X(3).", "05 H-NAME PIC X(5)."};
const std::vector<std::string> DETAIL = {"01 DREC.", "05 D-TYPE PIC X(3).", "05 D-AMT PIC 9(3)."};

class CCBReaderTest : public ::testing::Test {
 protected:
  bool add(const std::vector<std::string>& lines, const char* id, bool active) {
    const std::string path = dir_.write("layout.cpy", copybook_test::source(lines));
    return reader_->addCopybook(path.c_str(), id, active);
  }

  // Adds layouts by letter: H header, D detail (lower case: not active), E empty, active.
  bool addLayouts(const std::string& letters) {
    for (const char letter : letters) {
      const char id[] = {static_cast<char>(std::toupper(letter)), '\0'};
      const bool added = letter == 'E' ? reader_->addLayoutXml(EMPTY_LAYOUT, "", true)
                                       : add(*id == 'H' ? HEADER : DETAIL, id, letter == *id);
      if (!added) return false;
    }
    return true;
  }

  // Opens bytes as a data file of fixed records (-1: variable); null: a missing file.
  bool open(const char* bytes, int fixed = -1, int start = 0) {
    const std::string path = bytes ? dir_.write("data.dat", bytes) : dir_.path("missing.dat");
    return reader_->openDataFile(path.c_str(), start, fixed >= 0, true, fixed >= 0 ? fixed : 0);
  }

  std::string error() { return reader_->getErrorMessage().asCstr(); }

  // Each record's columns joined by '|' and "; ", then "end" (and a kept error text) or
  // "failed: " and the message. A further read must end the same way.
  std::string readAll() {
    std::string text;
    bool failed = false;
    for (int n = 0; n < 1000 && reader_->readNextRecord(failed); ++n) {
      for (int i = 0; i < reader_->getOutputCount(); ++i) {
        const QvbDatavar v = reader_->getOutputValue(i);
        text += (i ? "|" : "") + std::string(v.isNull() ? "<null>" : v.text().asCstr());
      }
      text += "; ";
    }
    text += failed ? "failed: " + error() : error().empty() ? "end" : "end, kept: " + error();
    bool again = !failed;
    EXPECT_FALSE(reader_->readNextRecord(again));
    EXPECT_EQ(failed, again);
    return text;
  }

  // Each node entry to the node count as "entry parent field|group name type length".
  std::vector<std::string> nodes() {
    std::vector<std::string> all;
    for (int i = 0; i <= reader_->getNodeCount(); ++i) {
      int entryId = 9, parentId = 9, type = 9, length = 9;
      bool isField = true;
      QvbString name("?");
      reader_->getNodeInfo(i, entryId, parentId, isField, name, type, length);
      all.push_back(std::to_string(entryId) + " " + std::to_string(parentId) +
                    (isField ? " field " : " group ") + name.asCstr() + " " + std::to_string(type) +
                    " " + std::to_string(length));
    }
    return all;
  }

  test_support::TempDir dir_;
  test_support::Owned<CCBReader> reader_ = test_support::own(createCCBReader());
};

// Layouts as for addLayouts, the identifier clause (null: none) and offset, open's arguments.
TEST_F(CCBReaderTest, ReadsAndItsFailures) {
  const struct {
    const char *layouts, *idClause, *bytes, *expected;
    int idOffset = 0, fixedLength = -1, start = 0;
  } cases[] = {
      {"H", nullptr, nullptr, "open: No such file or directory"},
      {"", nullptr, "H  ALPHA", "open: One or more Copybook Files required for reading data"},
      {"Hd", "PIC X", "H  ALPHAD  123Z  45H  BRAVO",  // variable: unknown fails
       "H  |ALPHA; failed: Copybook not found for this record: Z"},
      {"Hd", "PIC X", "D  123  Z???????H  ALPHA",  // fixed: unknown stepped over
       "H  |ALPHA; end, kept: Copybook not found for this record: Z", 0, 8},
      {"Hd", "PIC", "H  ALPHA", "id: ID pic statement parse failed / failed: Empty picture object"},
      {"E", nullptr, "ABCDEF",
       "failed: Record reads no bytes from the data file: its layout is empty"},
      {"H", nullptr, "H  ALPHA", "open: Invalid start position -1: it must not be negative", 0, -1,
       -1},
      {"Hd", "PIC X", "H  ALPHA",
       "id: Invalid identifier offset -2: it must not be negative / failed: Empty picture object",
       -2},
      // One layout: the identifier is never read.
      {"H", "PIC X", "H  ALPHAX  BRAVO", "H  |ALPHA; X  |BRAVO; end"},
      {"h", nullptr, "H  ALPHAX  BRAVO", "end"},
      // Identifiers are trimmed and compared without case.
      {"Hd", "PIC X(3)", " H ALPHAd  123  hBRAVO", " H |ALPHA;   h|BRAVO; end"},
      {"hD", "PIC X(3)", " H ALPHA D 123    hBRAVO", " D |123; end", 0, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    reader_.reset(createCCBReader());
    ASSERT_TRUE(addLayouts(c.layouts));
    std::string text = c.idClause && !reader_->setIdentifierField(c.idOffset, c.idClause)
                           ? "id: " + error() + " / "
                           : "";
    if (open(c.bytes, c.fixedLength, c.start)) {
      text += readAll();
    } else {  // reading then finds no open file
      text += "open: " + error();
      EXPECT_EQ("failed: No data file is open: call openDataFile before reading records",
                readAll());
    }
    EXPECT_EQ(c.expected, text);
  }
}

// Records are as long as the longest layout, active or not, or the fixed length opened
// with. A redefinition last that reaches past the other items is not counted: a fixed
// record then ends before its layout does, and the read fails.
TEST_F(CCBReaderTest, RecordLengths) {
  ASSERT_TRUE(add({"01 S.", "05 S-KEY PIC X(10).", "05 S-TEXT PIC X(50)."}, "S", true));
  EXPECT_EQ(60, reader_->getMaxRecordLength());
  ASSERT_TRUE(add({"01 L.", "05 L-A PIC X(100).", "05 L-B PIC 9(20)."}, "L", false));
  EXPECT_EQ(120, reader_->getMaxRecordLength());
  ASSERT_TRUE(open("", 0));
  EXPECT_EQ(120, reader_->getMaxRecordLength());
  ASSERT_TRUE(open("", 200));
  EXPECT_EQ(200, reader_->getMaxRecordLength());
  reader_.reset(createCCBReader());
  ASSERT_TRUE(
      add({"01 R.", "05 ID PIC X(2).", "05 A PIC X(3).", "05 B REDEFINES A PIC X(5)."}, "", true));
  EXPECT_EQ(5, reader_->getRecordLength(0));
  EXPECT_EQ(5, reader_->getMaxRecordLength());
  ASSERT_TRUE(open("01abcde02fghij", 0));
  EXPECT_EQ("failed: Record layout reads 7 bytes, more than the fixed record length of 5",
            readAll());
}

TEST_F(CCBReaderTest, NodeEntriesOfTheActiveLayout) {
  ASSERT_TRUE(addLayouts("h"));
  EXPECT_EQ((std::vector<std::string>{"9 9 field ? 9 9"}), nodes());  // no active layout
  ASSERT_TRUE(add({"01 REC.", "05 G OCCURS 2.", "10 C PIC X(7)."}, "R", true));
  // The root has no name; index 6, the node count, changes nothing but the id.
  EXPECT_EQ((std::vector<std::string>{"1 0 group  0 0", "2 1 group REC 0 0", "3 2 group G 0 0",
                                      "4 3 field C 4 7", "5 2 group G_1 0 0", "6 5 field C_1 4 7",
                                      "-1 9 field ? 9 9"}),
            nodes());
}

// Reopening starts over; a layout added while open takes part. Columns keep the last
// walk's values after the read ends, past other layouts' records and after a failure.
TEST_F(CCBReaderTest, ReopeningAndValuesThatOutliveTheirRead) {
  ASSERT_TRUE(addLayouts("Hd"));
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  bool failed = false;
  ASSERT_TRUE(open("H  ALPHAH  BRAVO") && reader_->readNextRecord(failed));
  ASSERT_TRUE(open("H  ALPHAH  BRAVO"));
  EXPECT_EQ("H  |ALPHA; H  |BRAVO; end", readAll());
  std::string data = "H  ALPHA";
  while (data.size() < 2 * static_cast<size_t>(READER_WINDOW_CAPACITY)) data += "D  123";
  ASSERT_TRUE(open(data.c_str()));  // the D records move the window along
  EXPECT_EQ("H  |ALPHA; end", readAll());
  EXPECT_STREQ("ALPHA", reader_->getOutputValue(1).asString().asCstr());
  ASSERT_TRUE(open("H  ALPHAX  123") && reader_->readNextRecord(failed));
  ASSERT_TRUE(add(DETAIL, "X", true));
  EXPECT_EQ("X  |123; end", readAll());
  ASSERT_TRUE(open("X  12"));
  EXPECT_FALSE(reader_->readNextRecord(failed));
  EXPECT_TRUE(failed);
  EXPECT_STREQ("X  ", reader_->getOutputValue(0).asString().asCstr());
  EXPECT_TRUE(reader_->getOutputValue(1).isNull());
}

TEST_F(CCBReaderTest, DebugLinesOfEveryDecodedField) {
  ASSERT_TRUE(
      add({"01 R.", "05 CNT PIC 9.", "05 I PIC X OCCURS 0 TO 3 DEPENDING ON CNT."}, "", true));
  copybook_test::RecordingCallback callback;
  reader_->setDebugCallback(&callback);
  ASSERT_TRUE(open("2xy"));
  EXPECT_EQ("2|x|y|<null>; end", readAll());
  EXPECT_EQ((std::vector<std::string>{
                "Column: (CNT), Data: (2), File Offset: 0, End Offset: 1",
                "Occurs Depends Value: 2, Max Occurs: 3",
                "Column: (I), Data: (x), File Offset: 1, End Offset: 2",
                "Column: (I), Data: (y), File Offset: 2, End Offset: 3",
            }),
            callback.messages);
}

}  // namespace
