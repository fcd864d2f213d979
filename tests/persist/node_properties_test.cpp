// Node properties: ordered names, optional markers, default texts, indices out of
// range, and setting by text, links resolved from the node's place in the tree.
#include <gtest/gtest.h>

#include <string>

#include "layout/layout_test_util.h"

namespace {

// "name=value;" for the indices -1 to the count, with a '*' after an optional name.
std::string dump(const CCBData& node) {
  std::string text;
  for (int i = -1; i <= node.getPropertyCount(); ++i) {
    bool optional = true;
    const std::string value = node.getProperty(i, &optional).asCstr();
    text += std::string(node.getPropertyName(i).asCstr()) + (optional ? "*=" : "=") + value + ";";
  }
  return text;
}

TEST(NodePropertiesTest, EachKindsList) {
  CCBDataRoot root;
  EXPECT_TRUE(root.setProperty(2, "99"));  // derived: no effect
  EXPECT_EQ("=;Source_File*=;usage=DISPLAY;max_record_size=0;=;", dump(root));
  EXPECT_EQ(
      "=;name=;desc*=;output_name*=;level_number=0;occurs_max=0;occurs_depend=;redefine=;"
      "const_value=;usage=DISPLAY;=;",
      dump(CCBDataTable()));
  CCBDataField f;
  EXPECT_EQ(
      "=;name=;desc*=;output_name*=;level_number=0;occurs_max=0;occurs_depend=;redefine=;"
      "field_type=Field;output_length=-1;picture=;const_value=;usage=DISPLAY;sign_leading=1;"
      "sign_separate=0;=;",
      dump(f));
  for (int index : {-1, 14}) EXPECT_FALSE(f.setProperty(index, "1"));
  EXPECT_FALSE(root.setProperty(3, "1"));
  EXPECT_EQ(-1, CCBDataTable().getPropertyIndex("output_length"));
  EXPECT_EQ(9, f.getPropertyIndex("PICTURE"));  // letter case ignored
}

// One field, set row after row; the links look for the field's earlier siblings.
TEST(NodePropertiesTest, SettingByText) {
  CCBDataRoot root;
  test_support::field(&root, "CNT");
  test_support::table(&root, "ITEMS");
  CCBDataField* f = test_support::field(&root, "F");
  const char* const cases[][4] = {
      // property, text set, text read back, message when setting fails
      {"level_number", "05", "5", ""},
      {"level_number", "abc", "0", ""},  // not validated
      {"sign_leading", "0", "0", ""},
      {"sign_separate", "7", "1", ""},
      {"field_type", "Value", "Value", ""},
      {"field_type", "Filler", "Filler", ""},
      {"field_type", "", "Field", ""},
      {"output_length", "123", "-1", ""},  // derived
      {"occurs_depend", "CNT", "", ""},    // dropped while occurs_max is 0
      {"occurs_max", "9", "9", ""},
      {"occurs_depend", "cnt", "CNT", ""},
      {"occurs_depend", "NOPE", "", "Occurs depending field not found: NOPE"},  // link cleared
      {"redefine", "ITEMS", "ITEMS", ""},
      {"redefine", "", "", "Redefine field/table not found: "},  // looked up like a name
  };
  for (const auto& c : cases) {
    const int index = f->getPropertyIndex(c[0]);
    EXPECT_EQ(*c[3] == '\0', f->setProperty(index, c[1])) << c[0] << "=" << c[1];
    EXPECT_STREQ(c[3], *c[3] == '\0' ? "" : f->getErrorMessage().asCstr());
    bool optional = false;
    EXPECT_STREQ(c[2], f->getProperty(index, &optional).asCstr()) << c[0] << "=" << c[1];
  }
  EXPECT_STREQ("F", f->getName().asCstr());  // "Filler" left the name alone
  EXPECT_TRUE(f->setProperty(6, "ITEMS") && f->setProperty(6, QvbString(nullptr)));
  EXPECT_EQ(nullptr, f->getRedefines());  // a null text clears the link
}

}  // namespace
