// Layout trees: links, name search, DEPENDING ON and REDEFINES, trees too large to recurse;
// the record walk (offsets, columns, names, ids, limits, values) and the layout map.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "input/ccb_data_file.h"
#include "layout/ccb_layout_map.h"
#include "layout/ccb_output_value.h"
#include "layout/layout_test_util.h"
#include "test_util.h"

namespace {

using test_support::field;
using test_support::probe;
using test_support::table;

// 01 R. 05 A. 10 AX. 10 B. 15 y. 05 C. 10 D. 05 E. Then 01 Y; the root is named Y. Children
// keep their order; the name search takes the nearest preceding subtrees first.
TEST(LayoutTreeTest, LinksAndNameSearch) {
  CCBDataRoot root;
  root.setName("Y");  // searched through, never a match
  CCBData* r = table(&root, "R");
  CCBData* a = table(r, "A");
  CCBData* ax = field(a, "AX");
  CCBData* y = field(table(a, "B"), "y");
  CCBData* c = table(r, "C");
  CCBData* d = field(c, "D");
  CCBData* e = field(r, "E");
  CCBData* otherY = field(&root, "Y");
  EXPECT_TRUE(r->getFirstChild() == a && a->getNextSibling() == c && e->getPreviousSibling() == c);
  EXPECT_TRUE(a->getParent() == r && e->getParent() == r && !e->getNextSibling());
  EXPECT_EQ(nullptr, r->nextChild(false));  // before a restart: past the end
  // a restart, each child in turn, then past the end for good
  for (CCBData* next : std::vector<CCBData*>{a, c, e, nullptr, nullptr})
    EXPECT_EQ(next, r->nextChild(next == a));
  const std::tuple<CCBData*, const char*, bool, bool, bool, CCBData*> cases[] = {
      // start, name, tables searched, fields searched, the start skipped, found
      {e, "Y", true, true, true, y},         // the first child's grandchild before the later 01 Y
      {e, "D", true, false, true, nullptr},  // tables only
      {e, "C", true, false, true, c},
      {e, "E", true, true, false, e},
      {e, "E", true, true, true, e},  // skipping the start only skips its own check
      {e, "E", false, false, false, nullptr},
      {d, "AX", false, true, true, ax},  // climbs to C, then A's subtree
      {ax, "E", false, true, true, e},   // the parent's later children too
      {otherY, "Y", true, true, true, y},
      {r, "R", true, true, true, nullptr},
  };
  for (const auto& [start, name, tables, fields, skip, found] : cases)
    EXPECT_EQ(found, findByName(start, name, tables, fields, skip)) << name;
  EXPECT_EQ(nullptr, findInSubtree(r, "Y", a, true, true));  // A and its subtree left out
}

TEST(LayoutTreeTest, DependingAndRedefinesResolveWhenSet) {
  CCBDataRoot root;
  CCBData* rec = table(&root, "REC");
  CCBDataField* count = field(rec, "COUNT");
  table(rec, "GROUP");
  CCBData* items = table(rec, "ITEMS");
  EXPECT_TRUE(items->setOccursDepending("COUNT", 10));
  EXPECT_TRUE(items->getOccursDependingNode() == count && items->isOccursDepending());
  EXPECT_FALSE(items->setOccursDepending("GROUP", 5));  // only fields count
  EXPECT_STREQ("Occurs depending field not found: GROUP", items->getErrorMessage().asCstr());
  EXPECT_TRUE(items->setOccursDepending(QvbString(nullptr), 4) && items->isOccursFixed());
  EXPECT_TRUE(items->setOccursDepending("NOWHERE", 0));  // no search at all
  EXPECT_FALSE(count->setOccursDepending("COUNT", 3));   // never itself
  root.setOccurs(5);  // the root is never repeated and redefines nothing
  EXPECT_TRUE(!root.isOccursFixed() && root.setRedefines("REC") && !root.getRedefines());
}

TEST(LayoutTreeTest, LongChainsAndDeepTreesNeedNoRecursion) {
  CCBDataRoot wide, deep;
  CCBData* group = table(&wide, "G");
  CCBData* first = field(group, "FIRST");
  CCBData* last = nullptr;
  for (int i = 1; i < 100000; ++i) last = field(group, "F");
  EXPECT_EQ(first, findByName(last, "FIRST", false, true, true));
  EXPECT_EQ(100002, wide.countOutputEntries());
  wide.buildOutputColumns();
  EXPECT_STREQ("F_99998", wide.getColumn(99999)->getName().asCstr());
  CCBData* node = &deep;  // released at the end
  for (int i = 0; i < 200000; ++i) node = table(node, "T");
}

TEST(RecordWalkTest, OffsetsColumnsAndEnds) {
  std::string log;
  CCBDataRoot nested, wider, narrower, inTable;
  CCBData* outer = table(&nested, "O", 2);
  probe(outer, "K", 1, &log);
  probe(table(outer, "I", 2), "V", 2, &log);
  probe(&wider, "F", 2, &log);
  CCBData* g = table(&wider, "G");
  g->setRedefines("F");
  probe(g, "G1", 5, &log);
  probe(&wider, "N", 1, &log);
  probe(&narrower, "F", 2, &log);
  probe(&narrower, "R", 1, &log)->setRedefines("F");
  probe(&narrower, "N", 1, &log);
  g = table(&inTable, "G", 2);
  probe(g, "A", 4, &log);
  probe(g, "B", 2, &log)->setRedefines("A");
  const std::tuple<const char*, CCBDataRoot*, const char*, int, int> cases[] = {
      // what, the tree, its decodes, the record's end, the maximum length
      {"nested tables", &nested, "K@100#0 V@101#1 V@103#2 K@105#3 V@106#4 V@108#5 ", 110, 10},
      {"2 bytes redefined by 5", &wider, "F@100#0 G1@100#1 N@105#2 ", 106, 3},
      {"2 bytes redefined by 1", &narrower, "F@100#0 R@100#1 N@102#2 ", 103, 3},
      {"redefinition inside a table", &inTable, "A@100#0 B@100#1 A@104#2 B@104#3 ", 108, 8},
  };
  for (const auto& [what, root, decodes, end, maxLength] : cases) {
    SCOPED_TRACE(what);
    log.clear();
    root->buildOutputColumns();
    int walked = 0;
    ASSERT_TRUE(root->walkRecord(0, 100, &walked));
    EXPECT_EQ(decodes, log);
    EXPECT_EQ(end, walked);
    EXPECT_EQ(maxLength, root->getMaxLength());
  }
}

// OCCURS 1 TO 5 DEPENDING ON N: counts cut to 0..5; the next column stays where 5 puts it.
TEST(RecordWalkTest, DependingCountDecidesRepetitions) {
  const std::pair<const char*, int> cases[] = {{"3", 3}, {"7", 5}, {"0", 0}, {"-2", 0}, {"XY", 0}};
  for (const auto& [count, repetitions] : cases) {
    std::string log;
    CCBDataRoot root;
    CCBDataField* n = field(&root, "N");
    n->setFieldKind(FIELD_KIND_VALUE);
    n->setConstValue(count);
    CCBData* items = table(&root, "ITEMS");
    probe(items, "ITEM", 3, &log);
    ASSERT_TRUE(items->setOccursDepending("N", 5));
    probe(&root, "AFTER", 1, &log);
    root.buildOutputColumns();
    int end = 0;
    ASSERT_TRUE(root.walkRecord(0, 0, &end));
    EXPECT_EQ(3 * repetitions + 1, end) << count;
    EXPECT_EQ("AFTER@" + std::to_string(3 * repetitions) + "#6 ", log.substr(log.rfind("AFTER")));
    EXPECT_EQ(16, root.getMaxLength());  // counted at the maximum
  }
}

TEST(RecordWalkTest, OutputNamesAndEntryIds) {
  CCBDataRoot root;
  root.setName("REC");
  CCBData* orders = table(&root, "ORDER", 2);
  field(orders, "ID");
  field(table(orders, "LINE", 2), "QTY");
  field(&root, "QTY");
  field(&root, "AMT")->setOutputName("ID");  // an output name counts like a data name
  field(&root, "")->setFieldKind(FIELD_KIND_FILLER);
  field(&root, "FILLER");
  root.buildOutputColumns();
  std::string columns;
  for (int i = 0; i < root.getColumnCount(); ++i)
    columns += root.getColumn(i)->getName().str() + " ";
  EXPECT_EQ("ID QTY QTY_1 ID_1 QTY_2 QTY_3 QTY_4 ID_2 FILLER FILLER_1 ", columns);
  std::string entries;  // name:id:parent, the first fourteen
  for (int i = 0; i < 14; ++i) {
    const CCBOutputEntry* e = root.getNodeEntry(i);
    entries += e->getName().str() + ":" + std::to_string(e->getEntryId()) + ":" +
               std::to_string(e->getParentEntryId()) + " ";
  }
  EXPECT_EQ(
      "REC:1:0 ORDER:2:1 ID:3:2 LINE:4:2 QTY:5:4 LINE_1:6:2 QTY_1:7:6 ORDER_1:8:1 ID_1:9:8 "
      "LINE_2:10:8 QTY_2:11:10 LINE_3:12:8 QTY_3:13:12 QTY_4:14:1 ",
      entries);
}

// Names of repetitions carry on across the repetitions of enclosing tables, past the
// suffixes' change of width; a group shares its name with fields without sharing their
// count, and its entry parents its children.
TEST(RecordWalkTest, RepetitionNamesAcrossNestedTables) {
  CCBDataRoot root;
  root.setName("REC");
  CCBData* g = table(&root, "G", 2);
  field(g, "A")->setOccurs(6);
  field(g, "B");
  field(&root, "A");
  field(table(&root, "A"), "C");
  field(&root, "X")->setOccurs(1001);
  root.buildOutputColumns();
  std::string columns;
  for (int i = 0; i < 16; ++i) columns += root.getColumn(i)->getName().str() + " ";
  EXPECT_EQ("A A_1 A_2 A_3 A_4 A_5 B A_6 A_7 A_8 A_9 A_10 A_11 B_1 A_12 C ", columns);
  std::string entries;  // name:id:parent
  for (int i : {0, 1, 2, 7, 8, 9, 10, 15, 16, 17, 18, 19, 20}) {
    const CCBOutputEntry* e = root.getNodeEntry(i);
    entries += e->getName().str() + ":" + std::to_string(e->getEntryId()) + ":" +
               std::to_string(e->getParentEntryId()) + " ";
  }
  EXPECT_EQ(
      "REC:1:0 G:2:1 A:3:2 A_5:8:2 B:9:2 G_1:10:1 A_6:11:10 A_11:16:10 B_1:17:10 A_12:18:1 "
      "A:19:1 C:20:19 X:21:1 ",
      entries);
  const std::pair<int, const char*> xs[] = {{9, "X_9"},     {10, "X_10"},   {99, "X_99"},
                                            {100, "X_100"}, {999, "X_999"}, {1000, "X_1000"}};
  for (const auto& [repetition, name] : xs) {
    EXPECT_EQ(name, root.getColumn(16 + repetition)->getName().str());
    EXPECT_EQ(21 + repetition, root.getColumn(16 + repetition)->getEntryId());
  }
  EXPECT_EQ(nullptr, root.getColumn(16 + 1001));
  EXPECT_EQ(nullptr, root.getColumn(-1));
  EXPECT_EQ(16 + 1001, root.getColumnCount());
  EXPECT_EQ(20 + 1001, root.getNodeEntryCount());
  // Every entry at its index, the fields among them being the columns in order.
  int column = 0;
  for (int i = 0; i < root.getNodeEntryCount(); ++i) {
    const CCBOutputEntry* e = root.getNodeEntry(i);
    ASSERT_EQ(i + 1, e->getEntryId());
    if (e->isField()) {
      EXPECT_EQ(root.getColumn(column++), e) << i;
    }
  }
  EXPECT_EQ(root.getColumnCount(), column);
  EXPECT_EQ(nullptr, root.getNodeEntry(-1));
  EXPECT_EQ(nullptr, root.getNodeEntry(root.getNodeEntryCount()));
}

TEST(RecordWalkTest, OversizedLayoutsAreRefused) {
  std::string log;
  CCBDataRoot longRecord;
  probe(table(table(&longRecord, "O", 100000), "I", 100000), "F", 1000, &log);
  EXPECT_EQ(2147483647, longRecord.getMaxLength());  // saturates
  EXPECT_FALSE(longRecord.checkLimits());
  EXPECT_STREQ("Record length exceeds the maximum of 268435456 bytes",
               longRecord.getErrorMessage().asCstr());
  CCBDataRoot manyEntries;
  CCBData* inner = table(table(&manyEntries, "O", 3000), "I", 1000);
  field(inner, "F");
  field(inner, "G");
  EXPECT_FALSE(manyEntries.checkLimits());
  EXPECT_STREQ(
      "Layout needs 9003001 output entries (repetitions of its items), more than the maximum of "
      "4000000",
      manyEntries.getErrorMessage().asCstr());
  inner->setOccurs(400);
  EXPECT_TRUE(manyEntries.checkLimits());
}

// A X(3), NUM 9(2), T OCCURS 2 of C X, K constant "Z", P S9(3) COMP-3: a record cut short
// leaves the columns after the failure null while fields keep their values.
TEST(RecordWalkTest, ColumnValuesRecordAfterRecord) {
  test_support::TempDir dir;
  CCBDataFile file(9);
  ASSERT_TRUE(file.open(
      dir.write("data.bin", std::string("ABC12xy\x12\x3C") + "XYZ07pq\x99\x9D" + "EF").c_str()));
  const CCBDecoding decoding = classicDecoding(true);
  CCBDataRoot root;
  const auto add = [](CCBData* parent, const char* name, const char* picture, const char* usage) {
    CCBDataField* f = field(parent, name);
    f->setUsage(usage);
    EXPECT_TRUE(f->setPicture(picture));
    return f;
  };
  add(&root, "A", "X(3)", "DISPLAY");
  CCBDataField* num = add(&root, "NUM", "9(2)", "DISPLAY");
  add(table(&root, "T", 2), "C", "X", "DISPLAY");
  CCBDataField* k = field(&root, "K");
  k->setFieldKind(FIELD_KIND_VALUE);
  k->setConstValue("Z");
  add(&root, "P", "S9(3)", "COMP-3");
  root.buildOutputColumns();
  root.setDataSource(&file, &decoding);
  const auto read = [&root](int* position) {
    root.clearColumnValues();
    const bool read = root.walkRecord(0, *position, position);
    std::string columns;
    for (int i = 0; i < root.getColumnCount(); ++i) {
      const QvbDatavar value = root.getColumn(i)->getValue();
      columns += (value.isNull() ? std::string("null") : value.text().str()) + " ";
    }
    return (read ? "" : "failed: ") + columns;
  };
  int position = 0;
  EXPECT_EQ("ABC 12 x y null 123 ", read(&position));
  EXPECT_EQ("XYZ 07 p q null -999 ", read(&position));
  EXPECT_EQ("failed: null null null null null null ", read(&position));
  EXPECT_STREQ("Reached EOF on data file while reading data", root.getErrorMessage().asCstr());
  EXPECT_STREQ("07", num->getValue().asString().asCstr());  // a failed decode keeps it
  int end = 0;
  EXPECT_FALSE(num->decodeValue(3, &end, 99));
  EXPECT_STREQ("Output array error mismatch", num->getErrorMessage().asCstr());
}

// "offset+storage" of the columns listed.
std::string places(const CCBLayoutMap& map, const std::vector<int>& columns) {
  std::string out;
  for (const int i : columns) {
    const CCBLayoutMap::Column* c = map.getColumn(i);
    out += c == nullptr ? "none "
                        : std::to_string(c->offset) + "+" + std::to_string(c->storageLength) + " ";
  }
  return out;
}

// A level 100,000 items wide, nesting as deep as layouts may go, a constant (no bytes).
TEST(LayoutMapTest, WideDeepAndConstant) {
  std::string log;
  CCBDataRoot wide;  // 100000 items of 2 bytes
  for (int i = 0; i < 100000; ++i) probe(&wide, "W", 2, &log);
  CCBDataRoot deep;  // 255 nested groups, each opening with a byte, then 3 bytes at the bottom
  CCBData* group = &deep;
  for (int level = 1; level <= 255; ++level) {
    group = table(group, "G");
    probe(group, "B", 1, &log);
  }
  probe(group, "L", 3, &log);
  CCBDataRoot constant;  // 2 bytes, a constant, 1 byte
  probe(&constant, "A", 2, &log);
  field(&constant, "K")->setFieldKind(FIELD_KIND_VALUE);
  probe(&constant, "C", 1, &log);
  const std::tuple<const char*, CCBDataRoot*, std::vector<int>, const char*, int64_t> cases[] = {
      // what, the tree, columns, their "offset+storage", the record length
      {"wide", &wide, {0, 1, 99999, 100000}, "0+2 2+2 199998+2 none ", 200000},
      {"deep", &deep, {0, 254, 255, 256}, "0+1 254+1 255+3 none ", 258},
      {"constant", &constant, {0, 1, 2}, "0+2 2+0 2+1 ", 3},
  };
  for (const auto& [what, root, columns, expected, recordLength] : cases) {
    SCOPED_TRACE(what);
    root->buildOutputColumns();
    CCBLayoutMap map, lengthOnly;
    ASSERT_TRUE(map.build(root, true) && lengthOnly.build(root, false));
    EXPECT_EQ(root->getColumnCount(), map.getColumnCount());
    EXPECT_EQ(expected, places(map, columns));
    EXPECT_EQ(recordLength, map.getRecordLength());
    EXPECT_EQ(0, lengthOnly.getColumnCount());
    EXPECT_EQ(recordLength, lengthOnly.getRecordLength());
  }
}

}  // namespace
