#include "lyra/lyra_print.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "diag/diag_test_util.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_data_table.h"
#include "layout/layout_test_util.h"
#include "lyra/ccb_main.h"

namespace {

using diag_test::captureStdout;
using diag_test::splitLines;
using test_support::field;
using test_support::table;

// The lines a node prints: its bracket line, then its properties, all indented by
// the given number of blanks.
std::vector<std::string> nodeLines(int blanks, const std::string& head,
                                   const std::vector<std::string>& properties) {
  const std::string pad(static_cast<size_t>(blanks), ' ');
  std::vector<std::string> lines{pad + head};
  for (const std::string& property : properties) lines.push_back(pad + "-->" + property);
  return lines;
}

void append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

// root
//   REC (01)
//     ID (05) PIC X(8)
//     ITEMS (05) OCCURS 2
//       QTY (10) PIC 9(3)
//     100%d%s (05), no picture
class PrintTreeTest : public ::testing::Test {
 protected:
  PrintTreeTest() : root_(new CCBDataRoot()) {
    rec_ = table(root_.get(), "REC");
    rec_->setLevelNumber(1);
    id_ = addField(rec_, "ID", 5, "X(8)");
    items_ = table(rec_, "ITEMS", 2);
    items_->setLevelNumber(5);
    qty_ = addField(items_, "QTY", 10, "9(3)");
    odd_ = addField(rec_, "100%d%s", 5, nullptr);
  }

  static CCBDataField* addField(CCBData* parent, const char* name, int level, const char* picture) {
    CCBDataField* node = field(parent, name);
    node->setLevelNumber(level);
    if (picture != nullptr) node->setPicture(picture);
    return node;
  }

  static std::vector<std::string> rootLines() {
    return nodeLines(0, "[]->0", {"Source_File=", "usage=DISPLAY", "max_record_size=14"});
  }
  static std::vector<std::string> recLines() {
    return nodeLines(1, "[REC]->1",
                     {"name=REC", "desc=", "output_name=", "level_number=1", "occurs_max=0",
                      "occurs_depend=", "redefine=", "const_value=", "usage=DISPLAY"});
  }
  static std::vector<std::string> idLines() {
    return nodeLines(
        5, "[ID]->5",
        {"name=ID", "desc=", "output_name=", "level_number=5", "occurs_max=0",
         "occurs_depend=", "redefine=", "field_type=Field", "output_length=8", "picture=X(8)",
         "const_value=", "usage=DISPLAY", "sign_leading=1", "sign_separate=0"});
  }
  static std::vector<std::string> itemsLines() {
    return nodeLines(5, "[ITEMS]->5",
                     {"name=ITEMS", "desc=", "output_name=", "level_number=5", "occurs_max=2",
                      "occurs_depend=", "redefine=", "const_value=", "usage=DISPLAY"});
  }
  static std::vector<std::string> qtyLines() {
    return nodeLines(
        10, "[QTY]->10",
        {"name=QTY", "desc=", "output_name=", "level_number=10", "occurs_max=0",
         "occurs_depend=", "redefine=", "field_type=Field", "output_length=5", "picture=9(3)",
         "const_value=", "usage=DISPLAY", "sign_leading=1", "sign_separate=0"});
  }
  static std::vector<std::string> oddLines() {
    return nodeLines(
        5, "[100%d%s]->5",
        {"name=100%d%s", "desc=", "output_name=", "level_number=5", "occurs_max=0",
         "occurs_depend=", "redefine=", "field_type=Field", "output_length=-1",
         "picture=", "const_value=", "usage=DISPLAY", "sign_leading=1", "sign_separate=0"});
  }

  std::unique_ptr<CCBDataRoot> root_;
  CCBDataTable* rec_;
  CCBDataField* id_;
  CCBDataTable* items_;
  CCBDataField* qty_;
  CCBDataField* odd_;
};

// The whole tree in preorder, each node indented by its level number; the name
// holding '%' is printed as it stands, and a field without a format shows -1.
TEST_F(PrintTreeTest, PrintsTheWholeTreeFromTheRoot) {
  std::vector<std::string> expected = rootLines();
  append(expected, recLines());
  append(expected, idLines());
  append(expected, itemsLines());
  append(expected, qtyLines());
  append(expected, oddLines());
  EXPECT_EQ(expected, splitLines(captureStdout([&] { lyra_print_node(root_.get()); })));
}

TEST_F(PrintTreeTest, PrintAndPrintNodeAgree) {
  const std::string byNode = captureStdout([&] { lyra_print_node(root_.get()); });
  EXPECT_EQ(byNode, captureStdout([&] { lyra_print(root_.get()); }));
  const CCBDefNode* asHost = root_.get();
  EXPECT_EQ(byNode, captureStdout([&] { lyra_print(asHost); }));
  EXPECT_EQ(byNode, captureStdout([&] { lyra_print_node(asHost); }));
}

// From the second of three siblings: it, its subtree and the third, not the first.
TEST_F(PrintTreeTest, StartsAtTheGivenSiblingAndGoesOnWithTheLaterOnes) {
  std::vector<std::string> expected = itemsLines();
  append(expected, qtyLines());
  append(expected, oddLines());
  EXPECT_EQ(expected, splitLines(captureStdout([&] { lyra_print_node(items_); })));
}

// A node deep in the tree stops at the end of its own sibling chain.
TEST_F(PrintTreeTest, ADeepNodeDoesNotClimbPastItsParent) {
  EXPECT_EQ(qtyLines(), splitLines(captureStdout([&] { lyra_print_node(qty_); })));
}

TEST(PrintTest, RootWithoutChildrenPrintsFourUnindentedLines) {
  CCBDataRoot root;
  root.setSourceFile("orders.cbl");
  EXPECT_EQ((std::vector<std::string>{"[]->0", "-->Source_File=orders.cbl", "-->usage=DISPLAY",
                                      "-->max_record_size=0"}),
            splitLines(captureStdout([&] { lyra_print_node(&root); })));
}

// A host's own implementation of the node interface is not a library node.
class HostNode : public CCBDefNode {
 public:
  QvbString getErrorMessage() const override { return QvbString(); }
  CCBDefNode* getParent() const override { return nullptr; }
  CCBDefNode* getNextSibling() const override { return nullptr; }
  CCBDefNode* getFirstChild() const override { return nullptr; }
  QvbString getName() const override { return "HOST"; }
  QvbString getDescription() const override { return QvbString(); }
  QvbString getOutputName() const override { return QvbString(); }
  void setOutputName(QvbString) override {}
  int getPropertyCount() const override { return 1; }
  QvbString getPropertyName(int) const override { return "name"; }
  QvbString getProperty(int, bool*) const override { return "HOST"; }
  bool setProperty(int, const QvbString&) override { return false; }
  bool createFormat() override { return true; }
  int getConditionCount() const override { return 0; }
  QvbString getConditionName(int) const override { return QvbString(); }
  QvbString getConditionValue(int) const override { return QvbString(); }
  bool addCondition(const QvbString&, const QvbString&) override { return false; }
  void clearConditions() override {}
};

TEST(PrintTest, NullAndForeignNodesPrintNothing) {
  HostNode host;
  const CCBDefNode* foreign = &host;
  EXPECT_EQ("", captureStdout([&] {
              lyra_print(foreign);
              lyra_print_node(foreign);
              lyra_print_output_array(foreign, 1);
              lyra_print_node(static_cast<CCBData*>(nullptr));
              lyra_print_output_array(static_cast<CCBDataRoot*>(nullptr), 1);
            }));
}

TEST(PrintTest, OnlyARootPrintsAnOutputArray) {
  CCBDataRoot root;
  CCBDataField* only = field(&root, "ONLY");
  const CCBDefNode* notRoot = only;
  EXPECT_EQ("", captureStdout([&] { lyra_print_output_array(notRoot, 1); }));
}

// A level with 100,000 items prints without using the stack per item.
TEST(PrintTest, LongSiblingChainPrints) {
  CCBDataRoot root;
  const int count = 100000;
  for (int i = 0; i < count; ++i) field(&root, "F")->setLevelNumber(1);
  const std::vector<std::string> lines = splitLines(captureStdout([&] { lyra_print_node(&root); }));
  // 4 lines for the root, then 15 per field: bracket line and 14 properties.
  ASSERT_EQ(4u + 15u * count, lines.size());
  size_t brackets = 0;
  for (const std::string& line : lines) brackets += line == " [F]->1" ? 1 : 0;
  EXPECT_EQ(static_cast<size_t>(count), brackets);
  EXPECT_EQ(" -->sign_separate=0", lines.back());
}

}  // namespace
