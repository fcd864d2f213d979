// A field's decodeValue: reading its bytes from the data file into its value and its
// output column, constants, failures that leave the previous value, and binary texts
// longer than the picture declares.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "input/ccb_data_file.h"
#include "layout/layout_test_util.h"
#include "lyra/ccb_reader.h"
#include "test_util.h"

namespace {

const char* const EOF_IN_DATA = "Reached EOF on data file while reading data";

class DecodeValueTest : public ::testing::Test {
 protected:
  // Adds a field with a picture and usage to the layout.
  CCBDataField* addField(const char* name, const char* picture, const char* usage = "DISPLAY") {
    CCBDataField* node = test_support::field(&root_, name);
    node->setUsage(usage);
    EXPECT_TRUE(node->setPicture(picture)) << node->getErrorMessage().asCstr();
    return node;
  }

  // Builds the columns and opens a data file holding bytes as the layout's source.
  void open(const std::string& bytes, bool noConvert = true) {
    root_.buildOutputColumns();
    ASSERT_TRUE(file_.open(dir_.write("data.dat", bytes).c_str(), noConvert));
    root_.setDataSource(&file_);
  }

  std::string column(int index) {
    const CCBOutputEntry* entry = root_.getColumn(index);
    if (entry == nullptr) return "<no column>";
    return entry->value().isNull() ? "<null>" : entry->value().text().asCstr();
  }

  test_support::TempDir dir_;
  CCBDataFile file_{100};
  CCBDataRoot root_;
};

TEST_F(DecodeValueTest, FieldValueAndColumnGetTheDecodedText) {
  struct Case {
    const char* what;
    std::string bytes;
    bool noConvert;
  };
  const Case cases[] = {
      {"characters as they stand", "HELLO", true},
      {"EBCDIC characters converted", "\xC8\xC5\xD3\xD3\xD6", false},
  };
  CCBDataField* field = addField("F", "X(5)");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    open(c.bytes, c.noConvert);
    int end = -1;
    ASSERT_TRUE(field->decodeValue(0, &end, 0));
    EXPECT_EQ(5, end);
    EXPECT_EQ(QVB_TYPE_STRING, field->value().getType());
    EXPECT_STREQ("HELLO", field->value().text().asCstr());
    EXPECT_EQ("HELLO", column(0));
    file_.close();
  }
}

TEST_F(DecodeValueTest, ColumnHoldsACopyOfTheValue) {
  CCBDataField* field = addField("F", "X(3)");
  open("ABCDEF");
  int end = 0;
  ASSERT_TRUE(field->decodeValue(0, &end, 0));
  QvbDatavar other;
  other.assign("XYZ");
  root_.getColumn(0)->setValue(other);
  EXPECT_STREQ("ABC", field->value().text().asCstr());  // the field keeps its own value
  ASSERT_TRUE(field->decodeValue(3, &end, 0));
  EXPECT_EQ(6, end);
  EXPECT_EQ("DEF", column(0));
  EXPECT_STREQ("DEF", field->value().text().asCstr());
}

TEST_F(DecodeValueTest, ConstantsReadNothingAndLeaveTheirColumnAlone) {
  CCBDataField* a = addField("A", "X(2)");
  CCBDataField* constant = test_support::field(&root_, "K");  // no picture, so no format
  constant->setFieldKind(FIELD_KIND_VALUE);
  constant->setConstValue("CONST");
  addField("B", "X(2)");
  open("ABCD");
  int end = -1;
  ASSERT_TRUE(constant->decodeValue(7, &end, 1));
  EXPECT_EQ(7, end);  // the position does not move
  EXPECT_STREQ("CONST", constant->value().text().asCstr());
  EXPECT_EQ(QVB_TYPE_STRING, constant->value().getType());
  EXPECT_EQ("<null>", column(1));

  ASSERT_TRUE(root_.walkRecord(0, 0, &end));  // the constant takes no bytes of the record
  EXPECT_EQ(4, end);
  EXPECT_EQ("AB", column(0));
  EXPECT_EQ("<null>", column(1));
  EXPECT_EQ("CD", column(2));
  EXPECT_STREQ("AB", a->value().text().asCstr());
}

TEST_F(DecodeValueTest, FailuresKeepThePreviousValue) {
  CCBDataField* field = addField("F", "X(5)");
  CCBDataField* noFormat = test_support::field(&root_, "N");
  open("HELLO");
  int end = 0;
  ASSERT_TRUE(field->decodeValue(0, &end, 0));

  end = -1;
  EXPECT_FALSE(field->decodeValue(3, &end, 0));  // bytes 3 to 7 of a 5-byte file
  EXPECT_STREQ(EOF_IN_DATA, field->getErrorMessage().asCstr());
  EXPECT_STREQ("HELLO", field->value().text().asCstr());
  EXPECT_EQ("HELLO", column(0));

  EXPECT_FALSE(noFormat->decodeValue(0, &end, 1));
  EXPECT_STREQ("Empty picture object", noFormat->getErrorMessage().asCstr());
  EXPECT_TRUE(noFormat->value().isNull());
  EXPECT_EQ("<null>", column(1));
}

TEST_F(DecodeValueTest, ColumnOutsideTheOutputArray) {
  CCBDataField* field = addField("F", "X(2)");
  open("ABCD");
  int end = 0;
  EXPECT_FALSE(field->decodeValue(0, &end, 1));  // the layout has one column
  EXPECT_STREQ("Output array error mismatch", field->getErrorMessage().asCstr());
  EXPECT_EQ("<null>", column(0));

  EXPECT_TRUE(field->decodeValue(2, &end, -1));  // no column at all, as for the identifier
  EXPECT_STREQ("CD", field->value().text().asCstr());
  EXPECT_EQ("<null>", column(0));

  CCBDataField loose;  // a field of no layout has no output array
  loose.setUsage("DISPLAY");
  ASSERT_TRUE(loose.setPicture("X"));
  loose.setDataSource(&file_);
  EXPECT_FALSE(loose.decodeValue(0, &end, 0));
  EXPECT_STREQ("Output array error mismatch", loose.getErrorMessage().asCstr());
}

TEST_F(DecodeValueTest, DebugLineOfEachDecode) {
  struct Recorder : LYRADebugCallback {
    void debugMessage(const QvbString& message) override { lines.push_back(message.asCstr()); }
    std::vector<std::string> lines;
  } recorder;
  CCBDataField* field = addField("AMOUNT", "S9(3)V99");
  open("0000012345");
  root_.setDebugCallback(&recorder);
  int end = 0;
  ASSERT_TRUE(field->decodeValue(5, &end, 0));
  EXPECT_EQ((std::vector<std::string>{
                "Column: (AMOUNT), Data: ( 123.45), File Offset: 5, End Offset: 10"}),
            recorder.lines);
}

// Binary fields can hold more digits than their pictures declare; the host must get
// the whole text.
TEST(DecodeValueReaderTest, LongestBinaryTextsReachTheHostWhole) {
  struct Case {
    const char* picture;
    std::string bytes;
    const char* text;
  };
  const Case cases[] = {
      {"S9", std::string("\x80\x00", 2), "-32768"},
      {"S9(5)", std::string("\x80\x00\x00\x00", 4), "-2147483648"},
      {"9(10)", std::string(8, '\xFF'), "18446744073709551615"},
      {"S9(10)", std::string("\x80\0\0\0\0\0\0\0", 8), "-9223372036854775808"},
      {"S9V9", std::string("\x80\x00", 2), "-3276.8"},
      {"SV9(18)", std::string("\x80\0\0\0\0\0\0\0", 8), "-9.223372036854775808"},
      {"9PP", std::string("\xFF\xFF", 2), "6553500"},
  };
  test_support::TempDir dir;
  std::string copybook = "       01  REC.\n";
  std::string bytes;
  std::vector<std::string> texts;
  int n = 0;
  for (const Case& c : cases) {
    copybook += "           05  F" + std::to_string(n++) + "  PIC " + c.picture + " COMP.\n";
    bytes += c.bytes;
    texts.push_back(c.text);
  }
  std::unique_ptr<CCBReader, void (*)(CCBReader*)> reader(createCCBReader(),
                                                          [](CCBReader* r) { r->release(); });
  ASSERT_TRUE(reader->addCopybook(dir.write("bin.cpy", copybook).c_str(), "", true))
      << reader->getErrorMessage().asCstr();
  ASSERT_TRUE(reader->openDataFile(dir.write("bin.dat", bytes).c_str(), 0, false, true, 0));
  bool failed = false;
  ASSERT_TRUE(reader->readNextRecord(failed)) << reader->getErrorMessage().asCstr();
  ASSERT_EQ(static_cast<int>(texts.size()), reader->getOutputCount());
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(cases[i].picture);
    EXPECT_STREQ(texts[i].c_str(), reader->getOutputValue(static_cast<int>(i)).text().asCstr());
  }
}

// A binary picture with leading scaling positions: PP99 holding 1 is 0.0001, so the
// digits must keep the leading zero that the picture's two digit positions give them.
TEST_F(DecodeValueTest, BinaryWithLeadingScalingKeepsTheDigitPositions) {
  CCBDataField* field = addField("RATE", "PP99", "COMP");
  open(std::string("\x00\x01", 2));
  int end = 0;
  ASSERT_TRUE(field->decodeValue(0, &end, 0));
  EXPECT_EQ(".0001", column(0));
}

}  // namespace
