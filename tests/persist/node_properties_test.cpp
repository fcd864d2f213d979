// Node properties: names, indices, text forms, defaults, links and derived values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/layout_test_util.h"

namespace {

using test_support::field;
using test_support::table;

std::vector<std::string> names(const CCBData& node) {
  std::vector<std::string> result;
  for (int i = 0; i < node.getPropertyCount(); ++i)
    result.push_back(node.getPropertyName(i).asCstr());
  return result;
}

std::string property(const CCBData& node, const char* name) {
  bool optional = true;
  return node.getProperty(node.getPropertyIndex(name), &optional).asCstr();
}

TEST(NodePropertiesTest, EachKindHasItsOrderedList) {
  EXPECT_EQ((std::vector<std::string>{"name", "desc", "output_name", "level_number", "occurs_max",
                                      "occurs_depend", "redefine", "field_type", "output_length",
                                      "picture", "const_value", "usage", "sign_leading",
                                      "sign_separate"}),
            names(CCBDataField()));
  EXPECT_EQ((std::vector<std::string>{"name", "desc", "output_name", "level_number", "occurs_max",
                                      "occurs_depend", "redefine", "const_value", "usage"}),
            names(CCBDataTable()));
  EXPECT_EQ((std::vector<std::string>{"Source_File", "usage", "max_record_size"}),
            names(CCBDataRoot()));
}

TEST(NodePropertiesTest, IndicesAndOutOfRange) {
  CCBDataField f;
  CCBDataTable t;
  CCBDataRoot r;
  EXPECT_EQ(-1, t.getPropertyIndex("output_length"));
  EXPECT_EQ(-1, r.getPropertyIndex("name"));
  EXPECT_EQ(2, r.getPropertyIndex("max_record_size"));
  EXPECT_EQ(9, f.getPropertyIndex("PICTURE"));  // letter case ignored
  EXPECT_STREQ("", f.getPropertyName(14).asCstr());
  EXPECT_STREQ("", t.getPropertyName(-1).asCstr());
  bool optional = true;
  EXPECT_STREQ("", f.getProperty(14, &optional).asCstr());
  EXPECT_FALSE(optional);
  EXPECT_FALSE(f.setProperty(14, "x"));
  EXPECT_FALSE(r.setProperty(3, "x"));
  EXPECT_FALSE(t.setProperty(-1, "x"));
}

TEST(NodePropertiesTest, OptionalMarksFreeTextOnly) {
  CCBDataField f;
  CCBDataRoot r;
  for (int i = 0; i < f.getPropertyCount(); ++i) {
    bool optional = false;
    f.getProperty(i, &optional);
    EXPECT_EQ(i == 1 || i == 2, optional) << i;
  }
  bool optional = false;
  r.getProperty(0, &optional);
  EXPECT_TRUE(optional);
  r.getProperty(1, &optional);
  EXPECT_FALSE(optional);
}

TEST(NodePropertiesTest, NewFieldDefaults) {
  CCBDataField f;
  EXPECT_EQ("1", property(f, "sign_leading"));
  EXPECT_EQ("0", property(f, "sign_separate"));
  EXPECT_EQ("DISPLAY", property(f, "usage"));
  EXPECT_EQ("Field", property(f, "field_type"));
  EXPECT_EQ("0", property(f, "occurs_max"));
  EXPECT_EQ("-1", property(f, "output_length"));
  EXPECT_EQ("", property(f, "occurs_depend"));
  EXPECT_TRUE(f.getProperty(0, nullptr).isNull());  // name
}

TEST(NodePropertiesTest, SettingStoresTextIntegersAndFlags) {
  CCBDataField f;
  EXPECT_TRUE(f.setProperty(f.getPropertyIndex("level_number"), "05"));
  EXPECT_EQ(5, f.getLevelNumber());
  EXPECT_TRUE(f.setProperty(f.getPropertyIndex("level_number"), "abc"));  // not validated
  EXPECT_EQ("0", property(f, "level_number"));
  EXPECT_TRUE(f.setProperty(f.getPropertyIndex("sign_leading"), "0"));
  EXPECT_TRUE(f.setProperty(f.getPropertyIndex("sign_separate"), "7"));
  EXPECT_EQ("0", property(f, "sign_leading"));
  EXPECT_EQ("1", property(f, "sign_separate"));
  EXPECT_TRUE(f.setProperty(f.getPropertyIndex("field_type"), "Filler"));
  EXPECT_EQ(FIELD_KIND_FILLER, f.getFieldKind());
  EXPECT_TRUE(f.setProperty(f.getPropertyIndex("field_type"), ""));
  EXPECT_EQ(FIELD_KIND_FIELD, f.getFieldKind());
  EXPECT_TRUE(f.setProperty(f.getPropertyIndex("desc"), "Customer id"));
  EXPECT_EQ("Customer id", property(f, "desc"));
  EXPECT_TRUE(f.setProperty(8, "123"));  // derived: accepted, no effect
  EXPECT_EQ("-1", property(f, "output_length"));

  CCBDataRoot r;
  EXPECT_TRUE(r.setProperty(0, "custrec.cbl"));
  EXPECT_STREQ("custrec.cbl", r.getSourceFile().asCstr());
  EXPECT_TRUE(r.setProperty(2, "99"));
  EXPECT_EQ("0", property(r, "max_record_size"));
}

TEST(NodePropertiesTest, LinksResolveFromTheNodesPlace) {
  CCBDataRoot root;
  CCBDataField* count = field(&root, "CNT");
  CCBDataTable* items = table(&root, "ITEMS");
  const int dependIndex = items->getPropertyIndex("occurs_depend");

  EXPECT_TRUE(items->setProperty(dependIndex, "CNT"));  // occurs_max still 0: dropped
  EXPECT_EQ("", property(*items, "occurs_depend"));
  EXPECT_TRUE(items->setProperty(items->getPropertyIndex("occurs_max"), "9"));
  EXPECT_TRUE(items->setProperty(dependIndex, "cnt"));
  EXPECT_EQ(count, items->getOccursDependingNode());
  EXPECT_EQ("CNT", property(*items, "occurs_depend"));

  EXPECT_FALSE(items->setProperty(dependIndex, "NOPE"));
  EXPECT_STREQ("Occurs depending field not found: NOPE", items->getErrorMessage().asCstr());
  EXPECT_EQ("", property(*items, "occurs_depend"));
  EXPECT_EQ("9", property(*items, "occurs_max"));

  CCBDataField* other = field(&root, "OTHER");
  const int redefineIndex = other->getPropertyIndex("redefine");
  EXPECT_FALSE(other->setProperty(redefineIndex, "GHOST"));
  EXPECT_STREQ("Redefine field/table not found: GHOST", other->getErrorMessage().asCstr());
  EXPECT_FALSE(other->setProperty(redefineIndex, ""));  // empty is looked up like a name
  EXPECT_TRUE(other->setProperty(redefineIndex, QvbString(nullptr)));
  EXPECT_TRUE(other->setProperty(redefineIndex, "ITEMS"));
  EXPECT_EQ("ITEMS", property(*other, "redefine"));
}

}  // namespace
