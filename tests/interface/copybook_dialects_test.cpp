// Copybooks in the dialects the extended services read tolerantly (COPY with REPLACING,
// listing statements, free form, periods past column 72), their columns worked out by
// hand, which the classic services refuse; and COPY statements that cannot be expanded.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "interface/ccb_layout_loader.h"
#include "interface/service_test_util.h"
#include "lyra/ccb_layout_service.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

using copybook_test::source;
using test_support::own;
using ServicePtr = test_support::Owned<CCBMain>;

ServicePtr layoutService(const CCBLayoutOptions& options) {
  CCBLayoutService* created = createCCBLayoutService();
  created->setLayoutOptions(options);
  return own<CCBMain>(created);
}

// Each column as "name type length", then the root's max_record_size.
std::vector<std::string> columns(const ServicePtr& s) {
  std::vector<std::string> all = test_support::columnInfos(s.get());
  all.push_back(s->getRoot()->getProperty(2, nullptr).str());
  return all;
}

std::string dialect(const std::string& name) {
  return test_support::dataPath("copybooks/dialects/" + name);
}

// Each copybook read by a layout service with its options, refused by the classic rules.
TEST(CopybookDialectsTest, DialectCopybooksLoadTolerantly) {
  const struct {
    const char* copybook;
    std::function<void(CCBLayoutOptions*)> options;
    std::vector<std::string> columns;
    const char* classic;
  } cases[] = {
      {"customer.cpy",
       [](CCBLayoutOptions* o) { o->addCopyPath(dialect("copylib").c_str()); },
       {"CUST-ID 2 8", "CUST-NAME 4 30", "BILL-STREET 4 25", "BILL-CITY 4 20", "BILL-ZIP 2 5",
        "SHIP-STREET 4 25", "SHIP-CITY 4 20", "SHIP-ZIP 2 5",  // :PFX: is BILL, then SHIP
        "CUST-PH-HOME 3 12", "CUST-PH-MOBILE 3 12",            // 9(12): 12 positions
        "CUST-VISITS 2 6", "164"},          // 9(4) COMP-0: 2 bytes; 8 + 30 + 2 x 50 + 24 + 2
       "Invalid level number, Line: 6\n"},  // the first COPY
      {"listing.cpy",
       [](CCBLayoutOptions*) {},
       {"POL-NUMBER 4 10", "POL-HOLDER 4 30", "POL-PREMIUM 3 11",  // S9(7)V99 COMP-3: 5 bytes
        "POL-START 2 8", "POL-END 2 8", "61"},
       // "*CBL XREF,MAP" has R in column 7: "EF,MAP" starts the first statement
       "Invalid level number, Line: 5\n"},
      {"free.cpy",
       [](CCBLayoutOptions* o) { o->setSourceFormat(CCB_SOURCE_FREE); },
       {"SHP-ID 4 12", "SHP-WEIGHT 3 9",  // 9(5)V99 COMP-3: 4 bytes
        "SHP-COUNTRY 4 5", "SHP-POSTCODE 4 10", "SHP-NOTE 4 40", "68"},
       "Invalid level number, Line: 2\n"},  // the comment lines from column 8 on
      {"wide.cpy",
       [](CCBLayoutOptions* o) { o->setMargin(80); },
       {"LED-ACCOUNT 4 10", "LED-AMOUNT 3 13",  // S9(9)V99 COMP-3: 6 bytes
        "LED-CURRENCY 4 5", "LED-POSTED 2 8", "27"},
       // LED-ACCOUNT's period stands in column 73: the entry runs on into the next
       "No syntax match found for statement, Line: 5\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copybook);
    const QvbString path = dialect(c.copybook).c_str();
    CCBLayoutOptions options;
    c.options(&options);
    ServicePtr tolerant = layoutService(options);
    ASSERT_TRUE(tolerant->loadCopybook(path)) << tolerant->getErrorMessage().str();
    EXPECT_EQ(c.columns, columns(tolerant));
    options.setStrict(true);
    const ServicePtr classics[] = {own(createCCBMain()), layoutService(options)};
    for (const ServicePtr& classic : classics) {
      EXPECT_FALSE(classic->loadCopybook(path));
      EXPECT_EQ(c.classic, classic->getErrorMessage().str());
    }
  }
}

// COMP-0 is a usage of the tolerant rules alone: its XML layout document loads back
// in a layout service; the classic service refuses it there and in a copybook.
TEST(CopybookDialectsTest, Comp0IsKnownToTheTolerantRulesAlone) {
  test_support::TempDir dir;
  const QvbString path = dir.write("c.cpy", source({"01 R.", "05 N PIC S9(6) COMP-0."})).c_str();
  ServicePtr tolerant = layoutService(CCBLayoutOptions());
  ASSERT_TRUE(tolerant->loadCopybook(path));
  EXPECT_EQ((std::vector<std::string>{"N 2 8", "4"}), columns(tolerant));  // 4 bytes
  QvbString xml;
  ASSERT_TRUE(tolerant->saveLayoutXml(xml));
  ServicePtr copy = layoutService(CCBLayoutOptions());
  ASSERT_TRUE(copy->loadLayoutXml(xml)) << copy->getErrorMessage().str();
  EXPECT_EQ(columns(tolerant), columns(copy));
  ServicePtr classic = own(createCCBMain());
  EXPECT_FALSE(classic->loadCopybook(path));
  EXPECT_EQ("No syntax match found for statement, Line: 2\n", classic->getErrorMessage().str());
  EXPECT_FALSE(classic->loadLayoutXml(xml));
  EXPECT_EQ("Invalid or unknown usage clause", classic->getErrorMessage().str());
}

class CopyFailuresTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, mkdir(dir_.path("lib").c_str(), 0700)); }
  // text with {D} for the folder's path and {R} for it resolved.
  std::string inDir(std::string text) const {
    const std::string folder = dir_.path(".").substr(0, dir_.path(".").size() - 2);
    text = std::regex_replace(text, std::regex("\\{D\\}"), folder);
    return std::regex_replace(text, std::regex("\\{R\\}"),
                              std::filesystem::canonical(folder).string());
  }

  test_support::TempDir dir_;
};

// Each failure gives its message, its line and, inside a member or at a COPY, its file.
TEST_F(CopyFailuresTest, EachFailureNamesItsFile) {
  std::vector<std::string> many = {"01 R."}, huge = {"01 R."};
  many.resize(10002, "COPY ONE.");  // 10001 copies
  huge.resize(18, "COPY BIG.");     // 17 x 996268 characters: past 16 MiB
  // A statement of 996268 characters, on lines without a margin.
  std::vector<std::string> big = {">>SOURCE FORMAT VARIABLE", "05 F PIC X VALUE '"};
  big.resize(251, std::string(4000, 'A'));
  big.back() += "'.";
  dir_.write("one.cpy", source({"05 F PIC X."}));
  dir_.write("big.cpy", source(big));
  for (int i = 1; i <= 33; ++i) {  // D1 copies D2, ... D32 copies D33
    dir_.write("d" + std::to_string(i) + ".cpy", source({"05 F" + std::to_string(i) + " PIC X.",
                                                         "COPY D" + std::to_string(i + 1) + "."}));
  }
  const struct {
    std::vector<std::pair<std::string, std::vector<std::string>>> files;  // the first is loaded
    std::string message;
  } cases[] = {
      {{{"main.cpy", {"01 R.", "COPY NOPE."}}},
       "COPY member not found: NOPE (searched: {D}, {D}/lib), Line: 2 in {D}/main.cpy\n"},
      {{{"a.cpy", {"01 R.", "COPY B."}}, {"b.cpy", {"05 X PIC X.", "COPY a."}}},
       "COPY member includes itself: a ({R}/a.cpy), Line: 2 in {D}/b.cpy\n"},
      // A member in the copy path looks in its own folder first.
      {{{"n.cpy", {"01 R.", "COPY INNER."}}, {"lib/inner.cpy", {"05 A PIC X.", "COPY GONE."}}},
       "COPY member not found: GONE (searched: {D}/lib), Line: 2 in {D}/lib/inner.cpy\n"},
      {{{"deep.cpy", {"01 R.", "COPY D1."}}},
       "COPY members nested more than 32 deep: D33, Line: 2 in {D}/d32.cpy\n"},
      {{{"many.cpy", many}},
       "More than 10000 COPY members in one copybook, Line: 10002 in {D}/many.cpy\n"},
      {{{"huge.cpy", huge}},
       "COPY members expand to more than 16777216 characters, Line: 251 in {D}/big.cpy\n"},
  };
  CCBLayoutOptions options;
  options.addCopyPath(dir_.path("lib").c_str());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files[0].first);
    for (const auto& [name, lines] : c.files) dir_.write(name, source(lines));
    ServicePtr s = layoutService(options);
    EXPECT_FALSE(s->loadCopybook(dir_.path(c.files[0].first).c_str()));
    EXPECT_EQ(inDir(c.message), s->getErrorMessage().str());
  }
  options.setMargin(7);
  ServicePtr s = layoutService(options);
  EXPECT_FALSE(s->loadCopybook(dir_.path("one.cpy").c_str()));
  EXPECT_EQ("Invalid margin 7: the last column read must be 8 or more, or 0 for none, Line: 0\n",
            s->getErrorMessage().str());
}

// Text in memory has no folder: its members come from the copy path alone.
TEST_F(CopyFailuresTest, TextInMemorySearchesTheCopyPath) {
  dir_.write("lib/addr.cpy", source({"05 :P:-CITY PIC X(20)."}));
  const std::string text = source({"01 R.", "COPY ADDR REPLACING ==:P:== BY ==HOME==."});
  CCBLayoutOptions options;
  CCBLayoutLoader loader;
  loader.setLayoutOptions(options);
  EXPECT_EQ(nullptr, loader.readCopybookText(text.data(), text.size()));
  EXPECT_EQ("COPY member not found: ADDR (no folder to search), Line: 2\n",
            loader.getErrorMessage().str());
  options.addCopyPath(dir_.path("lib").c_str());
  loader.setLayoutOptions(options);
  std::unique_ptr<CCBDataRoot> root(loader.readCopybookText(text.data(), text.size()));
  ASSERT_NE(nullptr, root);
  ASSERT_EQ(1, root->getColumnCount());
  EXPECT_EQ("HOME-CITY", root->getColumn(0)->getName().str());
}

}  // namespace
