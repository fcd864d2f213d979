// The values that decoding leaves in a layout's columns, record after record: each
// column shows the value of its own field occurrence, clearing makes every column
// null while fields keep their values, and a failed record leaves the columns after
// the failure null.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/ccb_data_file.h"
#include "layout/layout_test_util.h"
#include "test_util.h"

namespace {

using test_support::field;
using test_support::table;

// The layout of a 9-byte record:
//   A  PIC X(3)   NUM  PIC 9(2)   T OCCURS 2: C PIC X   K constant "Z"
//   P  PIC S9(3) COMP-3 (2 bytes)
// Columns: A, NUM, C, C_1, K, P.
class ColumnValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = field(&root_, "A");
    ASSERT_TRUE(a_->setPicture("X(3)"));
    num_ = field(&root_, "NUM");
    ASSERT_TRUE(num_->setPicture("9(2)"));
    c_ = field(table(&root_, "T", 2), "C");
    ASSERT_TRUE(c_->setPicture("X"));
    CCBDataField* k = field(&root_, "K");
    k->setFieldKind(FIELD_KIND_VALUE);
    k->setConstValue("Z");
    CCBDataField* p = field(&root_, "P");
    p->setUsage("COMP-3");
    ASSERT_TRUE(p->setPicture("S9(3)"));
    root_.buildOutputColumns();
    ASSERT_EQ(6, root_.getColumnCount());
  }

  void open(const std::string& bytes) {
    ASSERT_TRUE(file_.open(dir_.write("data.bin", bytes).c_str(), true));
    root_.setDataSource(&file_);
  }

  // Clears the columns and walks the record at position; false when the walk fails.
  bool readRecord(int* position) {
    root_.clearColumnValues();
    const int start = *position;
    return root_.walkRecord(0, start, position);
  }

  // Each column's text, "null" for a null value.
  std::vector<std::string> columns() const {
    std::vector<std::string> out;
    for (int i = 0; i < root_.getColumnCount(); ++i) {
      const QvbDatavar value = root_.getColumn(i)->getValue();
      EXPECT_EQ(value.isNull(), root_.getColumn(i)->value().isNull()) << i;
      out.push_back(value.isNull() ? "null" : value.text().str());
    }
    return out;
  }

  CCBDataRoot root_;
  CCBDataField* a_ = nullptr;
  CCBDataField* num_ = nullptr;
  CCBDataField* c_ = nullptr;
  CCBDataFile file_{9};
  test_support::TempDir dir_;
};

using Texts = std::vector<std::string>;

TEST_F(ColumnValuesTest, EachColumnShowsItsOwnOccurrenceRecordAfterRecord) {
  open(std::string("ABC12xy\x12\x3C", 9) + std::string("D\0F07pq\x99\x9D", 9));
  int position = 0;
  ASSERT_TRUE(readRecord(&position));
  EXPECT_EQ((Texts{"ABC", "12", "x", "y", "null", "123"}), columns());
  EXPECT_EQ("y", c_->value().text().str());  // the field holds its last occurrence
  ASSERT_TRUE(file_.nextRecord(position));
  ASSERT_TRUE(readRecord(&position));
  EXPECT_EQ((Texts{"D", "07", "p", "q", "null", "-999"}), columns());
  EXPECT_EQ(18, position);
  EXPECT_FALSE(file_.nextRecord(position));
}

TEST_F(ColumnValuesTest, ClearingNullsTheColumnsButNotTheFields) {
  open(std::string("ABC12xy\x12\x3C", 9));
  int position = 0;
  ASSERT_TRUE(readRecord(&position));
  root_.clearColumnValues();
  EXPECT_EQ((Texts{"null", "null", "null", "null", "null", "null"}), columns());
  EXPECT_EQ("ABC", a_->value().text().str());
  EXPECT_EQ("12", num_->value().text().str());
  root_.clearColumnValues();  // again: still null
  EXPECT_TRUE(root_.getColumn(0)->getValue().isNull());
}

TEST_F(ColumnValuesTest, ASetValueReplacesTheDecodedOneUntilTheNextClear) {
  open(std::string("ABC12xy\x12\x3C", 9));
  int position = 0;
  ASSERT_TRUE(readRecord(&position));
  QvbDatavar other;
  other.assignBytes("OTHER", 5);
  root_.getColumn(0)->setValue(other);
  EXPECT_EQ("OTHER", columns()[0]);
  EXPECT_EQ("ABC", a_->value().text().str());
  root_.getColumn(1)->clearValue();
  EXPECT_EQ((Texts{"OTHER", "null", "x", "y", "null", "123"}), columns());
  root_.clearColumnValues();
  EXPECT_EQ("null", columns()[0]);
}

TEST_F(ColumnValuesTest, ARecordCutShortLeavesTheLaterColumnsNull) {
  open(std::string("ABC12xy\x12\x3C", 9) + "DEF0");
  int position = 0;
  ASSERT_TRUE(readRecord(&position));
  ASSERT_TRUE(file_.nextRecord(position));
  EXPECT_FALSE(readRecord(&position));
  EXPECT_STREQ("Reached EOF on data file while reading data", root_.getErrorMessage().asCstr());
  EXPECT_EQ((Texts{"DEF", "null", "null", "null", "null", "null"}), columns());
  EXPECT_EQ("12", num_->value().text().str());  // a failed decode keeps the old value
}

}  // namespace
