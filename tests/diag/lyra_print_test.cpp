// Diagnostic printing: a tree line by line, the output columns of a record, and the
// self-test with and without its copybook.
#include "lyra/lyra_print.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "diag/lyra_self_test.h"
#include "layout/layout_test_util.h"
#include "lyra/ccb_main.h"

namespace {

// What call writes to standard output.
template <typename Call>
std::string printed(Call call) {
  testing::internal::CaptureStdout();
  call();
  return testing::internal::GetCapturedStdout();
}

// The lines of one node: its head, then "-->" and each of the '|'-separated properties,
// all indented by the node's level number.
std::string block(int level, const std::string& name, const std::string& properties) {
  const std::string pad(static_cast<size_t>(level), ' ');
  return pad + "[" + name + "]->" + std::to_string(level) + "\n" +
         std::regex_replace(properties, std::regex("([^|]+)\\|?"), pad + "-->$1\n");
}

std::string fieldBlock(int level, const std::string& name, const std::string& lengthAndPicture) {
  return block(level, name,
               "name=" + name + "|desc=|output_name=|level_number=" + std::to_string(level) +
                   "|occurs_max=0|occurs_depend=|redefine=|field_type=Field|" + lengthAndPicture +
                   "|const_value=|usage=DISPLAY|sign_leading=1|sign_separate=0");
}

CCBDataField* addField(CCBData* parent, const char* name, int level, const char* picture) {
  CCBDataField* field = test_support::field(parent, name);
  field->setLevelNumber(level);
  if (picture != nullptr) field->setPicture(picture);
  return field;
}

// Levels set the indentation, whatever the depth; "%d" is printed as it stands.
TEST(PrintTest, PrintsTheTreeLineByLine) {
  CCBDataRoot root;
  CCBDataTable* rec = test_support::table(&root, "REC");
  rec->setLevelNumber(1);
  addField(rec, "ID", 5, "X(8)");
  CCBDataField* second = addField(rec, "100%d", 10, nullptr);  // no format
  addField(rec, "LAST", 5, "9(3)");
  const std::string later = fieldBlock(10, "100%d", "output_length=-1|picture=") +
                            fieldBlock(5, "LAST", "output_length=5|picture=9(3)");
  EXPECT_EQ(block(0, "", "Source_File=|usage=DISPLAY|max_record_size=11") +
                block(1, "REC",
                      "name=REC|desc=|output_name=|level_number=1|occurs_max=0|occurs_depend=|"
                      "redefine=|const_value=|usage=DISPLAY") +
                fieldBlock(5, "ID", "output_length=8|picture=X(8)") + later,
            printed([&] { lyra_print_node(&root); }));
  EXPECT_EQ(printed([&] { lyra_print_node(&root); }), printed([&] { lyra_print(&root); }));
  EXPECT_EQ(later, printed([&] { lyra_print_node(second); }));  // not the first sibling
  EXPECT_EQ("********ROW: 7********\nTotal Items: 0\n",         // output array never built
            printed([&] { lyra_print_output_array(&root, 7); }));
  CCBDataRoot empty;
  EXPECT_EQ("[]->0\n-->Source_File=\n-->usage=DISPLAY\n-->max_record_size=0\n",
            printed([&] { lyra_print_node(&empty); }));
}

TEST(PrintTest, HundredThousandSiblings) {
  CCBDataRoot root;
  for (int i = 0; i < 100000; ++i) test_support::field(&root, "F");
  const std::string text = printed([&] { lyra_print_node(&root); });
  EXPECT_EQ(4 + 15 * 100000, std::count(text.begin(), text.end(), '\n'));
}

TEST(PrintTest, OutputArray) {
  CCBDataRoot root;
  addField(&root, "NAME", 5, "X(8)");
  addField(&root, "PHONE", 5, "X(3)")->setOccurs(2);
  root.buildOutputColumns();
  QvbDatavar value;
  value.assign("Ada, %s");
  root.getColumn(0)->setValue(value);
  EXPECT_EQ(
      "********ROW: -3********\nTotal Items: 3\nIndex: 0, Name: NAME, Output:Ada, %s\n"
      "Index: 1, Name: PHONE, Output:\nIndex: 2, Name: PHONE_1, Output:\n",
      printed([&] { lyra_print_output_array(&root, -3); }));
}

// The built-in copybook is examples/custrec.cbl: 16 parse lines, then the tree of 2
// groups and 12 fields, not resolved, so "Source_File" is still empty.
TEST(PrintTest, SelfTest) {
  int result = -1;
  const std::string text = printed([&] { result = lyra_test(); });
  EXPECT_EQ(0, result);
  EXPECT_EQ(16 + 4 + 2 * 10 + 12 * 15, std::count(text.begin(), text.end(), '\n'));
  EXPECT_NE(std::string::npos, text.find("\n[]->0\n-->Source_File=\n-->usage=DISPLAY\n"
                                         "-->max_record_size=80\n [CUSTOMER-RECORD]->1\n"));
  EXPECT_EQ("Cannot open file '/nonexistent/missing.cbl': No such file or directory: 0\n",
            printed([&] { result = runSelfTest("/nonexistent/missing.cbl"); }));
  EXPECT_EQ(0, result);
}

// A host prints the nodes the layout service hands out, without a cast.
TEST(PrintTest, NodesAsAHostHoldsThem) {
  CCBMain* service = createCCBMain();
  ASSERT_TRUE(service->loadCopybook(LYRA_SOURCE_DIR "/examples/custrec.cbl"));
  CCBDefNode* root = service->getRoot();
  const std::string tree = printed([&] { lyra_print_node(dynamic_cast<CCBData*>(root)); });
  EXPECT_EQ(0u, tree.find("[]->0\n"));
  EXPECT_EQ(tree, printed([&] { lyra_print_node(root); }));
  EXPECT_EQ(tree, printed([&] { lyra_print(root); }));
  const std::string columns = printed([&] { lyra_print_output_array(root, 1); });
  EXPECT_NE(std::string::npos, columns.find("Total Items: 13\nIndex: 0, Name: CUST-ID, Output:\n"));
  service->release();
}

}  // namespace
