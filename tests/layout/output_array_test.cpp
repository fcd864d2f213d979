// Output columns and node entries: names made unique, entry ids and parents, and
// the values columns hold between records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/layout_test_util.h"

namespace {

using test_support::field;
using test_support::table;

struct Entry {
  const char* name;  // null for an unnamed node
  int id;
  int parent;
};

void expectEntries(const CCBDataRoot& root, const std::vector<Entry>& expected) {
  ASSERT_EQ(static_cast<int>(expected.size()), root.getNodeEntryCount());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const CCBOutputEntry* entry = root.getNodeEntry(static_cast<int>(i));
    if (expected[i].name == nullptr) {
      EXPECT_TRUE(entry->getName().isNull());
    } else {
      EXPECT_STREQ(expected[i].name, entry->getName().asCstr());
    }
    EXPECT_EQ(expected[i].id, entry->getEntryId());
    EXPECT_EQ(expected[i].parent, entry->getParentEntryId());
  }
}

std::vector<std::string> columnNames(const CCBDataRoot& root) {
  std::vector<std::string> names;
  for (int i = 0; i < root.getColumnCount(); ++i)
    names.push_back(root.getColumn(i)->getName().asCstr());
  return names;
}

TEST(OutputArrayTest, RepetitionsGetNumberedNamesAndNestedEntryIds) {
  CCBDataRoot root;
  field(&root, "A");
  field(&root, "B");
  CCBData* g = table(&root, "G", 2);
  field(g, "C");
  root.buildOutputColumns();
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C", "C_1"}), columnNames(root));
  expectEntries(root, {{nullptr, 1, 0},
                       {"A", 2, 1},
                       {"B", 3, 1},
                       {"G", 4, 1},
                       {"C", 5, 4},
                       {"G_1", 6, 1},
                       {"C_1", 7, 6}});
  EXPECT_TRUE(root.getNodeEntry(3)->getNode() == g && !root.getNodeEntry(3)->isField());
  EXPECT_TRUE(root.getNodeEntry(4)->isField());
}

TEST(OutputArrayTest, NestedOccursNamesCountAcrossTheLayout) {
  CCBDataRoot root;
  root.setName("REC");
  CCBData* orders = table(&root, "ORDER", 2);
  field(orders, "ID");
  CCBData* lines = table(orders, "LINE", 2);
  field(lines, "QTY");
  field(&root, "QTY");
  root.buildOutputColumns();
  EXPECT_EQ((std::vector<std::string>{"ID", "QTY", "QTY_1", "ID_1", "QTY_2", "QTY_3", "QTY_4"}),
            columnNames(root));
  expectEntries(root, {{"REC", 1, 0},
                       {"ORDER", 2, 1},
                       {"ID", 3, 2},
                       {"LINE", 4, 2},
                       {"QTY", 5, 4},
                       {"LINE_1", 6, 2},
                       {"QTY_1", 7, 6},
                       {"ORDER_1", 8, 1},
                       {"ID_1", 9, 8},
                       {"LINE_2", 10, 8},
                       {"QTY_2", 11, 10},
                       {"LINE_3", 12, 8},
                       {"QTY_3", 13, 12},
                       {"QTY_4", 14, 1}});
  EXPECT_EQ(6, orders->getColumnCount());
  EXPECT_EQ(3, orders->getColumnsPerRepetition());
}

TEST(OutputArrayTest, OutputNamesFillersAndSeparateCounters) {
  CCBDataRoot root;
  CCBDataField* renamed = field(&root, "AMT");
  renamed->setOutputName("X");
  field(&root, "X");
  CCBDataField* empty = field(&root, "KEEP");
  empty->setOutputName("");  // an empty output name falls back to the data name
  table(&root, "X");         // groups count apart from fields
  CCBDataField* filler = field(&root, "");
  filler->setFieldKind(FIELD_KIND_FILLER);
  field(&root, "FILLER");
  field(&root, "x");  // counters compare exactly
  root.buildOutputColumns();
  EXPECT_EQ((std::vector<std::string>{"X", "X_1", "KEEP", "FILLER", "FILLER_1", "x"}),
            columnNames(root));
  EXPECT_STREQ("X", root.getNodeEntry(4)->getName().asCstr());
}

TEST(OutputArrayTest, ColumnAccessAndClearing) {
  CCBDataRoot root;
  EXPECT_EQ(0, root.getColumnCount());  // never built
  EXPECT_EQ(nullptr, root.getColumn(0));
  EXPECT_EQ(0, root.getNodeEntryCount());
  root.clearColumnValues();

  field(&root, "A");
  field(&root, "B");
  root.buildOutputColumns();
  EXPECT_EQ(nullptr, root.getColumn(-1));
  EXPECT_EQ(nullptr, root.getColumn(2));
  EXPECT_EQ(nullptr, root.getNodeEntry(3));
  QvbDatavar value;
  value.assign(QvbString("1"));
  root.getColumn(0)->setValue(value);
  root.getColumn(1)->setValue(value);
  EXPECT_FALSE(root.getColumn(1)->getValue().isNull());
  root.clearColumnValues();
  EXPECT_TRUE(root.getColumn(0)->getValue().isNull());
  EXPECT_TRUE(root.getColumn(1)->getValue().isNull());
  EXPECT_EQ(-1, root.getColumn(0)->getOutputLength());  // no format
  EXPECT_EQ(4, root.getColumn(0)->getOutputType());

  root.buildOutputColumns();  // rebuilding starts the names afresh
  EXPECT_STREQ("B", root.getColumn(1)->getName().asCstr());
  EXPECT_EQ(3, root.getNodeEntryCount());
}

TEST(OutputArrayTest, LayoutsWithTooManyEntriesAreRefused) {
  CCBDataRoot root;
  CCBData* outer = table(&root, "OUTER", 3000);
  CCBData* inner = table(outer, "INNER", 1000);
  field(inner, "F");
  field(inner, "G");
  EXPECT_EQ(1 + 3000 + 3000LL * 1000 * 3, root.countOutputEntries());
  EXPECT_FALSE(root.checkLimits());
  EXPECT_STREQ(
      "Layout needs 9003001 output entries (repetitions of its items), more than the maximum of "
      "4000000",
      root.getErrorMessage().asCstr());
  inner->setOccurs(400);
  EXPECT_TRUE(root.checkLimits());
}

}  // namespace
