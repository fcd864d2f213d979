#include "layout/ccb_data.h"

#include <gtest/gtest.h>

#include <memory>

#include "layout/layout_test_util.h"

namespace {

using test_support::field;
using test_support::table;

TEST(CCBDataTest, ChildrenKeepTheirOrderAndLinks) {
  CCBDataRoot root;
  EXPECT_EQ(nullptr, root.getFirstChild());
  EXPECT_EQ(nullptr, root.nextChild(false));  // before any restart: past the end
  CCBData* a = table(&root, "A");
  CCBData* b = field(&root, "B");
  CCBData* c = field(&root, "C");
  EXPECT_EQ(a, root.getFirstChild());
  EXPECT_EQ(b, a->getNextSibling());
  EXPECT_EQ(b, c->getPreviousSibling());
  EXPECT_EQ(nullptr, c->getNextSibling());
  EXPECT_EQ(nullptr, a->getPreviousSibling());
  for (CCBData* child : {a, b, c}) EXPECT_EQ(&root, child->getParent());
  root.addChild(nullptr);  // ignored
  EXPECT_EQ(nullptr, c->getNextSibling());

  EXPECT_EQ(a, root.nextChild(true));
  EXPECT_EQ(b, root.nextChild(false));
  EXPECT_EQ(c, root.nextChild(false));
  EXPECT_EQ(nullptr, root.nextChild(false));
  EXPECT_EQ(nullptr, root.nextChild(false));  // stays past the end
  EXPECT_EQ(a, root.nextChild(true));
  EXPECT_EQ(3, table(table(a, "G"), "H")->getDepth());
  EXPECT_EQ(0, root.getDepth());
}

TEST(CCBDataTest, NewNodesHaveTheirDefaults) {
  CCBDataField f;
  EXPECT_TRUE(f.getName().isNull());
  EXPECT_TRUE(f.getErrorMessage().isNull());
  EXPECT_STREQ("DISPLAY", f.getUsage().asCstr());
  EXPECT_STREQ("Field", f.getFieldKindText().asCstr());
  EXPECT_TRUE(f.getSignLeading());
  EXPECT_FALSE(f.getSignSeparate());
  EXPECT_EQ(0, f.getConditionCount());
  EXPECT_EQ(-1, f.getOutputLength());
  EXPECT_EQ(4, f.getOutputType());
  EXPECT_EQ(14, f.getPropertyCount());
  EXPECT_EQ(9, CCBDataTable().getPropertyCount());
  EXPECT_EQ(3, CCBDataRoot().getPropertyCount());

  CCBDataTable t;
  CCBDataRoot r;
  EXPECT_TRUE(f.isField() && !f.isTable() && !f.isRoot());
  EXPECT_TRUE(t.isTable() && !t.isField() && !t.isRoot());
  EXPECT_TRUE(r.isRoot() && !r.isField() && !r.isTable());
  EXPECT_STREQ("field", f.getNodeTypeName().asCstr());
  EXPECT_STREQ("table", t.getNodeTypeName().asCstr());
  EXPECT_STREQ("root", r.getNodeTypeName().asCstr());
}

TEST(CCBDataTest, FieldKindsAndConditions) {
  CCBDataField f;
  f.setName("AMOUNT");
  f.setFieldKindText("Filler");
  EXPECT_EQ(FIELD_KIND_FILLER, f.getFieldKind());
  EXPECT_STREQ("AMOUNT", f.getName().asCstr());  // the text form keeps the name
  f.setFieldKindText("Value");
  EXPECT_EQ(FIELD_KIND_VALUE, f.getFieldKind());
  for (const char* text : {"Field", "", "filler", "VALUE"}) {
    f.setFieldKindText(text);  // compared exactly
    EXPECT_EQ(FIELD_KIND_FIELD, f.getFieldKind()) << text;
  }
  f.setFieldKind(FIELD_KIND_FILLER);
  EXPECT_STREQ("FILLER", f.getName().asCstr());
  f.setFieldKind(7);
  EXPECT_STREQ("", f.getFieldKindText().asCstr());

  f.addCondition("IS-YES", "Y");
  f.addCondition("IS-YES", "y");
  ASSERT_EQ(2, f.getConditionCount());
  EXPECT_STREQ("y", f.getConditionValue(1).asCstr());
  EXPECT_STREQ("IS-YES", f.getConditionName(0).asCstr());
  EXPECT_FALSE(f.getConditionName(2).isNull());  // default-constructed: empty
  EXPECT_STREQ("", f.getConditionName(-1).asCstr());
  f.clearConditions();
  EXPECT_EQ(0, f.getConditionCount());

  CCBDataTable t;  // tables ignore conditions
  EXPECT_TRUE(t.addCondition("X", "1"));
  EXPECT_EQ(0, t.getConditionCount());
}

// 01 R. 05 A. 10 AX. 10 B. 15 Y. 05 C. 10 D. 05 E. Then 01 Y.
TEST(CCBDataTest, FindByNameSearchesNearestPrecedingSubtreesFirst) {
  CCBDataRoot root;
  root.setName("Y");  // a root is searched through but never matches
  CCBData* r = table(&root, "R");
  CCBData* a = table(r, "A");
  CCBData* ax = field(a, "AX");
  CCBData* b = table(a, "B");
  CCBData* y = field(b, "y");
  CCBData* c = table(r, "C");
  CCBData* d = field(c, "D");
  CCBData* e = field(r, "E");
  CCBData* otherY = field(&root, "Y");

  // From E, the first child's grandchild is found before the later 01 Y.
  EXPECT_EQ(y, findByName(e, "Y", true, true, true));
  EXPECT_EQ(d, findByName(e, "d", false, true, true));        // letter case ignored
  EXPECT_EQ(nullptr, findByName(e, "D", true, false, true));  // tables only
  EXPECT_EQ(c, findByName(e, "C", true, false, true));
  EXPECT_EQ(e, findByName(e, "E", true, true, false));
  // Skipping the start only leaves out its own check: the climb to the parent
  // searches the parent's other children, the start among them.
  EXPECT_EQ(e, findByName(e, "E", true, true, true));
  EXPECT_EQ(nullptr, findByName(a, "A", true, true, true));
  EXPECT_EQ(nullptr, findByName(e, "E", false, false, false));
  EXPECT_EQ(nullptr, findByName(e, QvbString(nullptr), true, true, false));
  // From D the search climbs to C, then takes A's subtree in order.
  EXPECT_EQ(ax, findByName(d, "AX", false, true, true));
  EXPECT_EQ(y, findByName(d, "Y", false, true, true));
  // The parent's later children are searched too once the climb reaches it.
  EXPECT_EQ(e, findByName(ax, "E", false, true, true));
  // From the second 01 item, R's subtree is searched; the root itself never matches.
  EXPECT_EQ(y, findByName(otherY, "Y", true, true, true));
  EXPECT_EQ(nullptr, findByName(r, "R", true, true, true));
  EXPECT_EQ(nullptr, findByName(r, "NONE", true, true, false));

  EXPECT_EQ(nullptr, findInSubtree(r, "Y", a, true, true));  // A excluded: no Y left
  EXPECT_EQ(y, findInSubtree(r, "Y", c, false, true));
  EXPECT_EQ(nullptr, findInSubtree(nullptr, "Y", nullptr, true, true));
}

TEST(CCBDataTest, DependingAndRedefinesResolveWhenSet) {
  CCBDataRoot root;
  CCBData* rec = table(&root, "REC");
  CCBDataField* count = field(rec, "COUNT");
  CCBData* group = table(rec, "GROUP");
  CCBData* items = table(rec, "ITEMS");

  EXPECT_TRUE(items->setOccursDepending("COUNT", 10));
  EXPECT_EQ(count, items->getOccursDependingNode());
  EXPECT_TRUE(items->isOccursDepending());
  EXPECT_FALSE(items->isOccursFixed());
  EXPECT_EQ(10, items->getOccursMax());

  EXPECT_FALSE(items->setOccursDepending("GROUP", 5));  // only fields count
  EXPECT_STREQ("Occurs depending field not found: GROUP", items->getErrorMessage().asCstr());
  EXPECT_EQ(nullptr, items->getOccursDependingNode());

  EXPECT_TRUE(items->setOccursDepending(QvbString(nullptr), 4));  // a fixed table of 4
  EXPECT_TRUE(items->isOccursFixed());
  EXPECT_TRUE(items->setOccursDepending("NOWHERE", 0));  // no search at all
  EXPECT_FALSE(items->isOccursFixed());

  // Names resolve against the nodes that exist when the clause is set: a later
  // item is not there yet.
  EXPECT_FALSE(group->setRedefines("LATER"));
  EXPECT_STREQ("Redefine field/table not found: LATER", group->getErrorMessage().asCstr());
  CCBData* later = field(rec, "LATER");
  EXPECT_TRUE(later->setRedefines("GROUP"));
  EXPECT_EQ(group, later->getRedefines());
  EXPECT_FALSE(later->setRedefines("LATER"));  // never itself
  EXPECT_STREQ("Redefine field/table not found: LATER", later->getErrorMessage().asCstr());
  EXPECT_FALSE(count->setOccursDepending("COUNT", 3));
  EXPECT_TRUE(later->setRedefines(QvbString(nullptr)));
  EXPECT_EQ(nullptr, later->getRedefines());

  root.setOccurs(5);  // the root is never repeated nor redefines
  EXPECT_FALSE(root.isOccursFixed());
  EXPECT_TRUE(root.setRedefines("REC"));
  EXPECT_EQ(nullptr, root.getRedefines());
}

TEST(CCBDataTest, PropagationCoversSubtreeAndLaterSiblingsOnly) {
  CCBDataRoot root;
  CCBData* a = table(&root, "A");
  CCBData* b = field(a, "B");
  CCBData* c = table(&root, "C");
  CCBData* d = field(table(c, "E"), "D");
  CCBData* f = field(&root, "F");

  CCBDataFile* file = reinterpret_cast<CCBDataFile*>(&root);  // only stored, never used
  c->setDataSource(file);
  EXPECT_EQ(nullptr, root.getDataSource());
  EXPECT_EQ(nullptr, a->getDataSource());
  EXPECT_EQ(nullptr, b->getDataSource());
  for (CCBData* node : {c, d, f}) EXPECT_EQ(file, node->getDataSource());

  root.setDataSource(nullptr);
  EXPECT_EQ(nullptr, d->getDataSource());
  root.buildOutputColumns();
  for (CCBData* node : {static_cast<CCBData*>(&root), a, b, c, d, f}) {
    EXPECT_NE(nullptr, node->getOutputArray());
    EXPECT_EQ(root.getOutputArray(), node->getOutputArray());
  }
}

// A level with 100,000 items is built, searched, counted and destroyed without
// overflowing the stack.
TEST(CCBDataTest, LongSiblingChainsNeedNoRecursion) {
  const int count = 100000;
  auto root = std::make_unique<CCBDataRoot>();
  CCBData* group = table(root.get(), "G");
  CCBData* first = field(group, "FIRST");
  CCBData* last = nullptr;
  for (int i = 1; i < count; ++i) last = field(group, "F");
  EXPECT_EQ(first, findByName(last, "FIRST", false, true, true));
  EXPECT_EQ(nullptr, findByName(last, "MISSING", true, true, true));
  EXPECT_EQ(count + 2, root->countOutputEntries());
  root->buildOutputColumns();
  EXPECT_EQ(count, root->getColumnCount());
  EXPECT_STREQ("F_99998", root->getColumn(count - 1)->getName().asCstr());
  root.reset();  // destroys 100,002 nodes
}

TEST(CCBDataTest, DeepTreesAreDestroyedWithoutRecursion) {
  auto root = std::make_unique<CCBDataRoot>();
  CCBData* node = root.get();
  for (int i = 0; i < 200000; ++i) node = table(node, "T");
  root.reset();
}

}  // namespace
