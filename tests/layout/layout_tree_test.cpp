// Layout trees: links and child iteration, the order of the name search, how
// DEPENDING ON and REDEFINES names resolve, and trees too large for recursion.
#include <gtest/gtest.h>

#include <vector>

#include "layout/layout_test_util.h"

namespace {

using test_support::field;
using test_support::table;

TEST(LayoutTreeTest, ChildrenKeepTheirOrder) {
  CCBDataRoot root;
  EXPECT_EQ(nullptr, root.nextChild(false));  // before a restart: past the end
  CCBData* a = table(&root, "A");
  CCBData* b = field(&root, "B");
  CCBData* c = field(&root, "C");
  EXPECT_TRUE(root.getFirstChild() == a && a->getNextSibling() == b &&
              c->getPreviousSibling() == b);
  EXPECT_TRUE(a->getParent() == &root && c->getParent() == &root && !c->getNextSibling());
  // a restart, each child in turn, then past the end for good
  for (CCBData* next : std::vector<CCBData*>{a, b, c, nullptr, nullptr})
    EXPECT_EQ(next, root.nextChild(next == a));
}

// 01 R. 05 A. 10 AX. 10 B. 15 y. 05 C. 10 D. 05 E. Then 01 Y; the root is named Y.
TEST(LayoutTreeTest, NameSearchTakesTheNearestPrecedingSubtreesFirst) {
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
  const struct {
    CCBData* start;
    const char* name;
    bool tables, fields, skip;
    CCBData* found;
  } cases[] = {
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
  for (const auto& t : cases) {
    EXPECT_EQ(t.found, findByName(t.start, t.name, t.tables, t.fields, t.skip)) << t.name;
  }
  EXPECT_EQ(nullptr, findInSubtree(r, "Y", a, true, true));  // A and its subtree left out
}

TEST(LayoutTreeTest, DependingAndRedefinesResolveWhenSet) {
  CCBDataRoot root;
  CCBData* rec = table(&root, "REC");
  CCBDataField* count = field(rec, "COUNT");
  CCBData* group = table(rec, "GROUP");
  CCBData* items = table(rec, "ITEMS");
  EXPECT_TRUE(items->setOccursDepending("COUNT", 10));
  EXPECT_TRUE(items->getOccursDependingNode() == count && items->isOccursDepending());
  EXPECT_FALSE(items->setOccursDepending("GROUP", 5));  // only fields count
  EXPECT_STREQ("Occurs depending field not found: GROUP", items->getErrorMessage().asCstr());
  EXPECT_TRUE(items->setOccursDepending(QvbString(nullptr), 4) && items->isOccursFixed());
  EXPECT_TRUE(items->setOccursDepending("NOWHERE", 0));  // no search at all
  EXPECT_FALSE(count->setOccursDepending("COUNT", 3));   // never itself
  CCBData* later = field(rec, "LATER");
  EXPECT_TRUE(later->setRedefines("GROUP") && later->getRedefines() == group);
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

}  // namespace
