// Diagnostic printing: a tree line by line, a record's output columns, and the self-test.
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

// A node's head, then "-->" and each '|'-separated property, indented by its level.
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

// A group REC with three fields, the second named "100%d", the third without format.
TEST(PrintTest, PrintsTheTreeLineByLine) {
  CCBMain* service = createCCBMain();
  ASSERT_TRUE(service->loadLayoutXml(
      "<CCBLayout><node type='root'><nodes><node type='table'><properties><name>REC</name>"
      "<level_number>1</level_number></properties><nodes><node type='field'><properties>"
      "<name>ID</name><level_number>5</level_number><picture>X(8)</picture></properties></node>"
      "<node type='field'><properties><name>100%d</name><level_number>10</level_number>"
      "<picture>9(3)</picture></properties></node><node type='field'/></nodes></node></nodes>"
      "</node></CCBLayout>"));
  CCBDefNode* root = service->getRoot();
  const std::string later = fieldBlock(10, "100%d", "output_length=5|picture=9(3)") +
                            fieldBlock(0, "", "output_length=-1|picture=");
  const std::string tree =
      block(0, "", "Source_File=|usage=DISPLAY|max_record_size=11") +
      block(1, "REC",
            "name=REC|desc=|output_name=|level_number=1|occurs_max=0|occurs_depend=|redefine=|"
            "const_value=|usage=DISPLAY") +
      fieldBlock(5, "ID", "output_length=8|picture=X(8)") + later;
  EXPECT_EQ(tree, printed([&] { lyra_print_node(root); }));
  EXPECT_EQ(tree, printed([&] { lyra_print(root); }));
  EXPECT_EQ(tree, printed([&] { lyra_print_node(dynamic_cast<CCBData*>(root)); }));
  EXPECT_EQ(tree, printed([&] { lyra_print(dynamic_cast<CCBData*>(root)); }));
  const CCBDefNode* second = root->getFirstChild()->getFirstChild()->getNextSibling();
  EXPECT_EQ(later, printed([&] { lyra_print_node(second); }));  // not the first sibling
  QvbDatavar value;
  value.assign("Ada, %s");
  dynamic_cast<CCBDataRoot*>(root)->getColumn(0)->setValue(value);
  EXPECT_EQ(
      "********ROW: -3********\nTotal Items: 3\nIndex: 0, Name: ID, Output:Ada, %s\n"
      "Index: 1, Name: 100%d, Output:\nIndex: 2, Name: , Output:\n",
      printed([&] { lyra_print_output_array(root, -3); }));
  service->release();
}

// A root built by hand: alone; with a field indented by its level number up to 99
// columns, whatever the level; with a hundred thousand fields and no output array.
TEST(PrintTest, RootsBuiltByHand) {
  CCBDataRoot root;
  EXPECT_EQ("[]->0\n-->Source_File=\n-->usage=DISPLAY\n-->max_record_size=0\n",
            printed([&] { lyra_print_node(&root); }));
  CCBData* node = test_support::field(&root, "F");
  for (const int level : {99, 100, 2000000000}) {
    SCOPED_TRACE(level);
    node->setLevelNumber(level);
    const std::string text = printed([&] { lyra_print_node(node); });
    EXPECT_EQ(std::string(99, ' ') + "[F]->" + std::to_string(level) + "\n",
              text.substr(0, text.find('\n') + 1));
    EXPECT_EQ(std::string::npos, text.find(std::string(100, ' ')));
  }
  for (int i = 1; i < 100000; ++i) test_support::field(&root, "F");
  const std::string text = printed([&] { lyra_print_node(&root); });
  EXPECT_EQ(4 + 15 * 100000, std::count(text.begin(), text.end(), '\n'));
  EXPECT_EQ("********ROW: 7********\nTotal Items: 0\n",  // output array never built
            printed([&] { lyra_print_output_array(&root, 7); }));
}

// The built-in copybook: 16 parse lines, then the unresolved tree of 2 groups, 12 fields.
TEST(PrintTest, SelfTest) {
  int withCopybook = -1, without = -1;
  const std::string text = printed([&] { withCopybook = lyra_test(); });
  EXPECT_EQ(16 + 4 + 2 * 10 + 12 * 15, std::count(text.begin(), text.end(), '\n'));
  EXPECT_NE(std::string::npos, text.find("\n[]->0\n-->Source_File=\n-->usage=DISPLAY\n"
                                         "-->max_record_size=80\n [CUSTOMER-RECORD]->1\n"));
  EXPECT_EQ("Cannot open file '/nonexistent/missing.cbl': No such file or directory: 0\n",
            printed([&] { without = runSelfTest("/nonexistent/missing.cbl"); }));
  EXPECT_EQ(0, withCopybook | without);  // both return 0
}

}  // namespace
