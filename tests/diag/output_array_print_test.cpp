#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/diag_test_util.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/layout_test_util.h"
#include "lyra/ccb_main.h"
#include "lyra/lyra_print.h"

namespace {

using diag_test::captureStdout;
using diag_test::splitLines;
using test_support::field;
using test_support::table;

QvbDatavar text(const char* value) {
  QvbDatavar result;
  result.assign(value);
  return result;
}

TEST(OutputArrayPrintTest, PrintsEveryColumnWithItsCurrentValue) {
  CCBDataRoot root;
  CCBData* rec = table(&root, "REC");
  field(rec, "NAME")->setPicture("X(8)");
  CCBDataField* phone = field(rec, "PHONE");
  phone->setPicture("X(3)");
  phone->setOccurs(2);
  root.buildOutputColumns();
  root.getColumn(0)->setValue(text("Ada, %s"));
  root.getColumn(1)->setValue(text("123"));  // PHONE_1 keeps its null value
  EXPECT_EQ((std::vector<std::string>{
                "********ROW: -3********",
                "Total Items: 3",
                "Index: 0, Name: NAME, Output:Ada, %s",
                "Index: 1, Name: PHONE, Output:123",
                "Index: 2, Name: PHONE_1, Output:",
            }),
            splitLines(captureStdout([&] { lyra_print_output_array(&root, -3); })));
}

TEST(OutputArrayPrintTest, ArrayNeverBuiltPrintsTheHeaderWithCountZero) {
  CCBDataRoot root;
  field(&root, "NAME")->setPicture("X(8)");
  EXPECT_EQ("********ROW: 7********\nTotal Items: 0\n",
            captureStdout([&] { lyra_print_output_array(&root, 7); }));
}

// A host prints the root the layout service hands out, without a cast.
TEST(OutputArrayPrintTest, PrintsTheRootOfALayoutServiceAsAHostHoldsIt) {
  CCBMain* service = createCCBMain();
  ASSERT_TRUE(service->loadCopybook(LYRA_SOURCE_DIR "/examples/custrec.cbl"));
  const CCBDefNode* root = service->getRoot();
  const std::vector<std::string> lines =
      splitLines(captureStdout([&] { lyra_print_output_array(root, 1); }));
  service->release();
  ASSERT_EQ(15u, lines.size());
  EXPECT_EQ("Total Items: 13", lines[1]);
  EXPECT_EQ("Index: 0, Name: CUST-ID, Output:", lines[2]);
  EXPECT_EQ("Index: 11, Name: CUST-PHONE_1, Output:", lines[13]);
  EXPECT_EQ("Index: 12, Name: FILLER, Output:", lines[14]);
}

}  // namespace
