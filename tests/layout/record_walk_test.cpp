// The record walk: offsets, final positions and column indexes of every field
// occurrence, for groups, fixed and variable tables and redefinitions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/layout_test_util.h"

namespace {

using test_support::Decode;
using test_support::probe;
using test_support::table;

// Walks the root at offset with the output array built, returning the end position.
int walk(CCBDataRoot& root, int offset = 0) {
  root.buildOutputColumns();
  int position = -1;
  EXPECT_TRUE(root.walkRecord(0, offset, &position));
  return position;
}

void expectDecodes(const std::vector<Decode>& expected, const std::vector<Decode>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].name, actual[i].name);
    EXPECT_EQ(expected[i].offset, actual[i].offset);
    EXPECT_EQ(expected[i].column, actual[i].column);
  }
}

TEST(RecordWalkTest, GroupIsWalkedOnceAsTheSumOfItsChildren) {
  std::vector<Decode> log;
  CCBDataRoot root;
  CCBData* group = table(&root, "G");
  probe(group, "A", 3, &log);
  probe(group, "B", 5, &log);
  probe(&root, "C", 2, &log);
  EXPECT_EQ(110, walk(root, 100));
  expectDecodes({{"A", 100, 0}, {"B", 103, 1}, {"C", 108, 2}}, log);
  EXPECT_EQ(100, group->getStartOffset());
  EXPECT_EQ(10, root.getMaxLength());
}

TEST(RecordWalkTest, FixedTableRepeatsItsGroupIntoFollowingColumns) {
  std::vector<Decode> log;
  CCBDataRoot root;
  probe(&root, "LEAD", 4, &log);
  CCBData* group = table(&root, "G", 3);
  probe(group, "A", 4, &log);
  probe(group, "B", 4, &log);
  probe(&root, "TAIL", 1, &log);
  EXPECT_EQ(129, walk(root, 100));
  expectDecodes({{"LEAD", 100, 0},
                 {"A", 104, 1},
                 {"B", 108, 2},
                 {"A", 112, 3},
                 {"B", 116, 4},
                 {"A", 120, 5},
                 {"B", 124, 6},
                 {"TAIL", 128, 7}},
                log);
  EXPECT_EQ(6, group->getColumnCount());
  EXPECT_EQ(2, group->getColumnsPerRepetition());
  EXPECT_EQ(29, root.getMaxLength());
}

TEST(RecordWalkTest, RepeatedFieldTakesOneColumnPerRepetition) {
  std::vector<Decode> log;
  CCBDataRoot root;
  CCBData* codes = probe(&root, "CODE", 2, &log);
  codes->setOccurs(3);
  probe(&root, "END", 1, &log);
  EXPECT_EQ(7, walk(root));
  expectDecodes({{"CODE", 0, 0}, {"CODE", 2, 1}, {"CODE", 4, 2}, {"END", 6, 3}}, log);
}

// Nested tables: columns of repetition r follow those of repetition r - 1.
TEST(RecordWalkTest, NestedTablesExpandInRecordOrder) {
  std::vector<Decode> log;
  CCBDataRoot root;
  CCBData* outer = table(&root, "OUTER", 2);
  probe(outer, "K", 1, &log);
  CCBData* inner = table(outer, "INNER", 2);
  probe(inner, "V", 2, &log);
  EXPECT_EQ(10, walk(root));
  expectDecodes({{"K", 0, 0}, {"V", 1, 1}, {"V", 3, 2}, {"K", 5, 3}, {"V", 6, 4}, {"V", 8, 5}},
                log);
}

class DependingTest : public ::testing::TestWithParam<std::pair<const char*, int>> {};

// OCCURS 1 TO 5 DEPENDING ON a count: the count decides the repetitions, cut at
// the maximum; zero or negative walks none and the position does not move. Skipped
// repetitions keep their columns: the next item's column is the same whatever the count.
TEST_P(DependingTest, CountDecidesRepetitions) {
  const char* countText = GetParam().first;
  const int repetitions = GetParam().second;
  std::vector<Decode> log;
  CCBDataRoot root;
  CCBDataField* count = test_support::field(&root, "N");
  CCBData* items = table(&root, "ITEMS");
  probe(items, "ITEM", 3, &log);
  ASSERT_TRUE(items->setOccursDepending("N", 5));
  test_support::probe(&root, "AFTER", 1, &log);
  count->setFieldKind(FIELD_KIND_VALUE);
  count->setConstValue(countText);
  EXPECT_EQ(3 * repetitions + 1, walk(root, 0));
  ASSERT_EQ(static_cast<size_t>(repetitions) + 1, log.size());
  for (int r = 0; r < repetitions; ++r) EXPECT_EQ(3 * r, log[static_cast<size_t>(r)].offset);
  EXPECT_EQ("AFTER", log.back().name);
  EXPECT_EQ(6, log.back().column);
  EXPECT_EQ(16, root.getMaxLength());  // counted at the maximum
}

INSTANTIATE_TEST_SUITE_P(Counts, DependingTest,
                         ::testing::Values(std::make_pair("3", 3), std::make_pair("7", 5),
                                           std::make_pair("0", 0), std::make_pair("-2", 0),
                                           std::make_pair(" 5", 5), std::make_pair("XY", 0)));

// A field of 2 bytes redefined by a group of 5: the group starts at the field's
// start and the next item 5 bytes after it; redefined by 1 byte: 2 bytes after.
TEST(RecordWalkTest, RedefinitionRestartsAtTheRedefinedItem) {
  struct Case {
    int redefiningLength;
    int nextOffset;
  };
  for (const Case& c : {Case{5, 5}, Case{1, 2}}) {
    SCOPED_TRACE(c.redefiningLength);
    std::vector<Decode> log;
    CCBDataRoot root;
    probe(&root, "F", 2, &log);
    CCBData* group = table(&root, "G");
    ASSERT_TRUE(group->setRedefines("F"));
    probe(group, "G1", c.redefiningLength, &log);
    probe(&root, "NEXT", 1, &log);
    EXPECT_EQ(c.nextOffset + 1, walk(root));
    expectDecodes({{"F", 0, 0}, {"G1", 0, 1}, {"NEXT", c.nextOffset, 2}}, log);
    EXPECT_EQ(3, root.getMaxLength());  // redefinitions count nothing
  }
}

TEST(RecordWalkTest, RedefinitionOfAnItemInsideATable) {
  std::vector<Decode> log;
  CCBDataRoot root;
  probe(&root, "HEAD", 10, &log);
  CCBData* g = table(&root, "G", 2);
  probe(g, "A", 4, &log);
  CCBData* b = probe(g, "B", 2, &log);
  ASSERT_TRUE(b->setRedefines("A"));
  EXPECT_EQ(18, walk(root));
  expectDecodes({{"HEAD", 0, 0}, {"A", 10, 1}, {"B", 10, 2}, {"A", 14, 3}, {"B", 14, 4}}, log);
}

class FailingField : public CCBDataField {
 public:
  bool decodeValue(int, int*, int) override {
    setErrorMessage("Reached EOF on data file while reading data");
    return false;
  }
};

TEST(RecordWalkTest, FailureStopsTheWalkAndTravelsToTheRoot) {
  std::vector<Decode> log;
  CCBDataRoot root;
  CCBData* group = table(table(&root, "OUTER"), "INNER");
  probe(group, "A", 1, &log);
  group->addChild(new FailingField());
  probe(group, "NEVER", 1, &log);
  root.buildOutputColumns();
  int position = 0;
  EXPECT_FALSE(root.walkRecord(0, 0, &position));
  EXPECT_STREQ("Reached EOF on data file while reading data", root.getErrorMessage().asCstr());
  EXPECT_STREQ("Reached EOF on data file while reading data", group->getErrorMessage().asCstr());
  ASSERT_EQ(1u, log.size());
}

TEST(RecordWalkTest, MaxLengthsSaturateInsteadOfOverflowing) {
  std::vector<Decode> log;
  CCBDataRoot root;
  CCBData* outer = table(&root, "OUTER", 100000);
  CCBData* inner = table(outer, "INNER", 100000);
  probe(inner, "F", 1000, &log);
  EXPECT_EQ(2147483647, root.getMaxLength());
  EXPECT_FALSE(root.checkLimits());
  EXPECT_STREQ("Record length exceeds the maximum of 268435456 bytes",
               root.getErrorMessage().asCstr());
  CCBData* negative = table(&root, "NEG", -4);  // a negative count means no repetition
  probe(negative, "N", 10, &log);
  EXPECT_EQ(0, negative->getMaxLength());
}

}  // namespace
