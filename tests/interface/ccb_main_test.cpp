// The layout service as a host uses it: its states and kept error texts, and the
// columns of a realistic copybook worked out by hand from its text.
#include "lyra/ccb_main.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interface/service_test_util.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

class CCBMainTest : public ::testing::Test {
 protected:
  std::string error() { return service_->getErrorMessage().asCstr(); }
  bool load(const std::vector<std::string>& lines) {
    return service_->loadCopybook(dir_.write("test.cpy", copybook_test::source(lines)).c_str());
  }

  test_support::TempDir dir_;
  test_support::Owned<CCBMain> service_ = test_support::own(createCCBMain());
};

const std::vector<std::string> SMALL = {"01 R.", "05 A PIC X(3).", "05 B PIC S9(5) COMP-3."};

// A service without a layout, never loaded or after a refused load: no root, no columns,
// nothing to save. A refused load's text stays after a later success.
TEST_F(CCBMainTest, LoadsAndTheirFailures) {
  EXPECT_EQ(nullptr, service_->getRoot());
  EXPECT_EQ(0, service_->getOutputCount());
  EXPECT_FALSE(service_->saveLayoutFile(dir_.path("layout.xml").c_str()));
  EXPECT_EQ("Empty Root node", error());
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"01 R.", "05 A PIC X PIC X."}, "No syntax match found for statement, Line: 2\n"},
      {{"01 BIG PIC X(1048576) OCCURS 257."},  // 257 MiB
       "Record length exceeds the maximum of 268435456 bytes"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(load(SMALL)) << error();
    EXPECT_FALSE(load(c.first));
    EXPECT_EQ(c.second, error());
    EXPECT_EQ(nullptr, service_->getRoot());
    EXPECT_EQ(0, service_->getOutputCount());
    ASSERT_TRUE(load(SMALL));
    EXPECT_EQ(c.second, error());
  }
  // Columns -1 to the column count, whose indexes change nothing: "? -1 -1".
  EXPECT_EQ((std::vector<std::string>{"? -1 -1", "A 4 5", "B 2 7", "? -1 -1"}),
            test_support::columnInfos(service_.get(), -1, service_->getOutputCount()));
  const std::string path = dir_.path("no-such-folder/layout.xml");
  EXPECT_FALSE(service_->saveLayoutFile(path.c_str()));
  EXPECT_EQ("Cannot write file '" + path + "': No such file or directory", error());
}

// The columns of txndtl.cpy worked out by hand: numeric pictures are integers up to 9
// digit positions, reals with V, a point or 10 to 15 positions; lengths at least 5.
TEST_F(CCBMainTest, ColumnsOfARealisticCopybook) {
  ASSERT_TRUE(service_->loadCopybook(test_support::dataPath("copybooks/txndtl.cpy").c_str()));
  EXPECT_EQ((std::vector<std::string>{
                "DT-REC-TYPE 4 5", "DT-SEQ-NO 2 5",        // XX, 9(5)
                "DT-CARD-NUMBER 4 16", "DT-TXN-DATE 2 8",  // X(16), 9(8)
                "DT-TXN-TIME 2 6", "DT-TXN-TYPE 4 5",      // 9(6), X
                "DT-AMOUNT 3 11",            // S9(7)V99 TRAILING SEPARATE: 10 bytes + point
                "DT-TIP 3 7", "DT-FEE 3 7",  // S9(3)V99: 5 bytes + point, sign; S9(3)V99 COMP-3
                "DT-AUTH-CODE 4 6", "DT-MCC 2 6",       // X(6), 9(4) BINARY: 4 digits + sign, point
                "DT-AMOUNT-ED 4 11",                    // ZZZ,ZZ9.99-: the comma makes it text
                "DT-FEE-ED 3 9",                        // $$$9.99CR: the point makes it real
                "DT-POINTS-ED 2 5", "DT-ITEMS-ED 2 5",  // 9(3)DB, -ZZZ9
                "DT-MERCHANT-NAME 4 22"}),              // X(22)
            test_support::columnInfos(service_.get()));
  EXPECT_EQ("116", service_->getRoot()->getProperty(2, nullptr).str());  // max_record_size
}

}  // namespace
