// Copybooks in the dialects the extended services read tolerantly (COPY with REPLACING,
// periods past column 72, COMP-0), their columns worked out by hand, which the classic
// services refuse; and COPY statements that cannot be expanded.
#include <gtest/gtest.h>

#include <filesystem>
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

// The copybook read by a layout service with options into its columns (then max_record_size)
// and refused by the classic rules; its XML layout document loads back in a layout service,
// and in the classic service unless it holds COMP-0, a usage of the tolerant rules alone.
void expectDialect(const std::string& copybook, CCBLayoutOptions options, const char* classic,
                   bool comp0, const std::vector<std::string>& expected) {
  SCOPED_TRACE(copybook);
  const QvbString path = copybook.c_str();
  ServicePtr tolerant = layoutService(options), copy = layoutService(CCBLayoutOptions());
  ASSERT_TRUE(tolerant->loadCopybook(path)) << tolerant->getErrorMessage().str();
  EXPECT_EQ(expected, columns(tolerant));
  QvbString xml;
  ASSERT_TRUE(tolerant->saveLayoutXml(xml));
  ASSERT_TRUE(copy->loadLayoutXml(xml)) << copy->getErrorMessage().str();
  EXPECT_EQ(expected, columns(copy));
  options.setStrict(true);
  const ServicePtr classics[] = {own(createCCBMain()), layoutService(options)};
  for (const ServicePtr& s : classics) {
    EXPECT_FALSE(s->loadCopybook(path));
    EXPECT_EQ(classic, s->getErrorMessage().str());
  }
  const bool loaded = classics[0]->loadLayoutXml(xml);
  EXPECT_EQ(comp0 ? "Invalid or unknown usage clause" : "",
            loaded ? "" : classics[0]->getErrorMessage().str());
}

// The dialect copybooks with the options each needs, and a COMP-0 item.
TEST(CopybookDialectsTest, DialectCopybooksLoadTolerantly) {
  CCBLayoutOptions copyPath, margin80;
  copyPath.addCopyPath(dialect("copylib").c_str());
  margin80.setMargin(80);
  // :PFX: is BILL, then SHIP; 9(12): 12 positions; 9(4) COMP-0: 2 bytes; 164 bytes are
  // 8 + 30 + 2 x 50 + 24 + 2. The first COPY stops the classic rules.
  expectDialect(dialect("customer.cpy"), copyPath, "Invalid level number, Line: 6\n", true,
                {"CUST-ID 2 8", "CUST-NAME 4 30", "BILL-STREET 4 25", "BILL-CITY 4 20",
                 "BILL-ZIP 2 5", "SHIP-STREET 4 25", "SHIP-CITY 4 20", "SHIP-ZIP 2 5",
                 "CUST-PH-HOME 3 12", "CUST-PH-MOBILE 3 12", "CUST-VISITS 2 6", "164"});
  // S9(9)V99 COMP-3: 6 bytes. LED-ACCOUNT's period stands in column 73: to the classic rules
  // the entry runs on into the next.
  expectDialect(
      dialect("wide.cpy"), margin80, "No syntax match found for statement, Line: 5\n", false,
      {"LED-ACCOUNT 4 10", "LED-AMOUNT 3 13", "LED-CURRENCY 4 5", "LED-POSTED 2 8", "27"});
  // X(10), 9(4), X and **,**9.99: 24 bytes; a column holds at least the 5 characters of "#ERR#".
  // To the classic rules the comment with its asterisk in column 8 starts an entry that ends on
  // line 5.
  expectDialect(dialect("late_comments.cpy"), CCBLayoutOptions(), "Invalid level number, Line: 5\n",
                false, {"OL-ITEM 4 10", "OL-QTY 2 5", "OL-MARK 4 5", "OL-PRICE 4 9", "24"});
  test_support::TempDir dir;  // S9(6) COMP-0: 4 bytes
  expectDialect(dir.write("c.cpy", source({"01 R.", "05 N PIC S9(6) COMP-0."})), CCBLayoutOptions(),
                "No syntax match found for statement, Line: 2\n", true, {"N 2 8", "4"});
}

// A COPY member is the file named exactly as written, then as written with .cpy, .cbl or .cob
// added, in that order; else the one file whose name matches without regard to letter case, in
// the name and in the ending; two or more such files are an error. Folders are searched in order
// (the copybook's own, then the copy path) and a folder is no member.
TEST(CopyLookupTest, MembersMatchWithoutRegardToCase) {
  const struct {
    std::string member;              // as the COPY statement names it
    std::vector<std::string> files;  // in the copybook's folder, lib/ the copy path; "x/" a folder
    std::string found;               // the file read, or the message ({D}: the copybook's folder)
  } cases[] = {
      {"ADDRPART", {"addrpart.cpy"}, "addrpart.cpy"},
      {"addrpart", {"ADDRPART.CPY"}, "ADDRPART.CPY"},
      {"AddrPart", {"lib/ADDRPART.Cbl"}, "lib/ADDRPART.Cbl"},
      {"ADDR", {"addr.cpy", "ADDR.CPY", "ADDR.cpy"}, "ADDR.cpy"},
      {"ADDR", {"ADDR.cbl", "ADDR.cpy", "ADDR"}, "ADDR"},
      {"ADDR", {"ADDR.cob", "ADDR.cbl", "addr.cpy"}, "ADDR.cbl"},
      {"'addr.CPY'", {"addr.CPY", "ADDR.cpy"}, "addr.CPY"},
      {"ADDR", {"ADDR/", "addr.cpy"}, "addr.cpy"},
      {"ADDR", {"addr.cpy", "lib/ADDR.cpy"}, "addr.cpy"},
      {"ADDR",
       {"ADDR.txt", "ADDRESS.cpy", "ADDR.cpy.bak", "ADDR.cpy/"},
       "COPY member not found: ADDR (searched: {D}, {D}/lib), Line: 2 in {D}/main.cpy\n"},
      {"ADDRPART",
       {"addrpart.cpy", "ADDRPART.CPY", "lib/ADDRPART.cpy"},
       "COPY member ADDRPART is ambiguous: {D}/ADDRPART.CPY and {D}/addrpart.cpy, Line: 2 in "
       "{D}/main.cpy\n"},
      {"ADDR",
       {"addr.cbl", "Addr.COB", "ADDR.CPY"},
       "COPY member ADDR is ambiguous: {D}/ADDR.CPY, {D}/Addr.COB and {D}/addr.cbl, Line: 2 in "
       "{D}/main.cpy\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.member + " " + c.found);
    test_support::TempDir dir;
    const std::string folder = dir.path("x").substr(0, dir.path("x").size() - 2);
    std::filesystem::create_directory(dir.path("lib"));
    for (const std::string& file : c.files) {
      if (file.back() == '/') {
        std::filesystem::create_directory(dir.path(file));
      } else {
        dir.write(file, source({"05 F PIC X."}));
      }
    }
    const std::string copybook = dir.write("main.cpy", source({"01 R.", "COPY " + c.member + "."}));
    CCBLayoutOptions options;
    options.addCopyPath(dir.path("lib").c_str());
    auto service = own(createCCBLayoutService());
    service->setLayoutOptions(options);
    if (service->loadCopybook(copybook.c_str())) {
      ASSERT_EQ(2, service->getLayoutFileCount());
      EXPECT_EQ(dir.path(c.found), service->getLayoutFile(1).str());
    } else {
      EXPECT_EQ(std::regex_replace(c.found, std::regex("\\{D\\}"), folder),
                service->getErrorMessage().str());
    }
  }
}

// Each failure gives its message, its line and, inside a member or at a COPY, its file; text in
// memory has no folder, so its members come from the copy path alone.
TEST(CopyFailuresTest, EachFailureNamesItsFile) {
  test_support::TempDir dir;
  std::filesystem::create_directory(dir.path("lib"));
  const std::string folder = dir.path(".").substr(0, dir.path(".").size() - 2);
  const auto inDir = [&folder](const std::string& text) {  // {D}: the folder, {R}: resolved
    return std::regex_replace(std::regex_replace(text, std::regex("\\{D\\}"), folder),
                              std::regex("\\{R\\}"), std::filesystem::canonical(folder).string());
  };
  std::vector<std::string> many = {"01 R."}, huge = {"01 R."};
  many.resize(10002, "COPY ONE.");  // 10001 copies
  huge.resize(18, "COPY BIG.");     // 17 x 996268 characters: past 16 MiB
  // A statement of 996268 characters, on lines without a margin.
  std::vector<std::string> big = {">>SOURCE FORMAT VARIABLE", "05 F PIC X VALUE '"};
  big.resize(251, std::string(4000, 'A'));
  big.back() += "'.";
  dir.write("one.cpy", source({"05 F PIC X."}));
  dir.write("big.cpy", source(big));
  for (int i = 1; i <= 33; ++i) {  // D1 copies D2, ... D32 copies D33
    dir.write("d" + std::to_string(i) + ".cpy", source({"05 F" + std::to_string(i) + " PIC X.",
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
  options.addCopyPath(dir.path("lib").c_str());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files[0].first);
    for (const auto& [name, lines] : c.files) dir.write(name, source(lines));
    ServicePtr s = layoutService(options);
    EXPECT_FALSE(s->loadCopybook(dir.path(c.files[0].first).c_str()));
    EXPECT_EQ(inDir(c.message), s->getErrorMessage().str());
  }
  dir.write("lib/addr.cpy", source({"05 :P:-CITY PIC X(20)."}));
  const std::string text = source({"01 R.", "COPY ADDR REPLACING ==:P:== BY ==HOME==."});
  CCBLayoutLoader loader;
  loader.setLayoutOptions(CCBLayoutOptions());
  EXPECT_EQ(nullptr, loader.readCopybookText(text.data(), text.size()));
  EXPECT_EQ("COPY member not found: ADDR (no folder to search), Line: 2\n",
            loader.getErrorMessage().str());
  loader.setLayoutOptions(options);
  std::unique_ptr<CCBDataRoot> root(loader.readCopybookText(text.data(), text.size()));
  ASSERT_NE(nullptr, root);
  ASSERT_EQ(1, root->getColumnCount());
  EXPECT_EQ("HOME-CITY", root->getColumn(0)->getName().str());
  options.setMargin(7);
  ServicePtr s = layoutService(options);
  EXPECT_FALSE(s->loadCopybook(dir.path("one.cpy").c_str()));
  EXPECT_EQ("Invalid margin 7: the last column read must be 8 or more, or 0 for none, Line: 0\n",
            s->getErrorMessage().str());
}

// The files a layout was read from: the copybook or XML document named, then each COPY member
// once, by the path it was first found by, in the order first read; for text, its members alone.
TEST(LayoutFilesTest, NameTheFilesReadFrom) {
  test_support::TempDir dir;
  std::filesystem::create_directory(dir.path("lib"));
  // REC copies ADDR twice and phone, which copies NUM, which copies ADDR by another path.
  const std::string copybook =
      dir.write("rec.cpy", source({"01 R.", "COPY ADDR.", "COPY phone.", "COPY ADDR."}));
  const std::string addr = dir.write("ADDR.cpy", source({"05 A PIC X."}));
  const std::string phone = dir.write("lib/PHONE.CBL", source({"05 P PIC X.", "COPY NUM."}));
  const std::string num = dir.write("lib/num", source({"05 N PIC 9.", "COPY ADDR."}));
  CCBLayoutOptions options;
  options.addCopyPath(dir.path("lib").c_str());
  options.addCopyPath(dir.path("lib/..").c_str());
  const auto reader = own(createCCBRecordReader());
  reader->setLayoutOptions(options);
  ASSERT_TRUE(reader->addCopybook(copybook.c_str(), "", true)) << reader->getErrorMessage().str();
  QvbString xml;
  auto service = own(createCCBLayoutService());
  service->setLayoutOptions(options);
  ASSERT_TRUE(service->loadCopybook(copybook.c_str()));
  ASSERT_TRUE(service->saveLayoutXml(xml));
  const std::string document = dir.write("rec.xml", xml.str());
  ASSERT_TRUE(reader->addLayoutFile(document.c_str(), "", false));
  ASSERT_TRUE(reader->addLayoutXml(xml, "", false));
  const std::vector<std::string> read = {copybook, addr, phone, num};
  const std::vector<std::vector<std::string>> expected = {read, {document}, {}, {}};
  for (int layout = 0; layout < 4; ++layout) {
    std::vector<std::string> files;
    for (int i = 0; i < reader->getLayoutFileCount(layout); ++i) {
      files.push_back(reader->getLayoutFile(layout, i).str());
    }
    EXPECT_EQ(expected[static_cast<size_t>(layout)], files);
    EXPECT_TRUE(reader->getLayoutFile(layout, static_cast<int>(files.size())).isNull());
  }
  std::vector<std::string> files;
  for (int i = 0; i < service->getLayoutFileCount(); ++i) {
    files.push_back(service->getLayoutFile(i).str());
  }
  EXPECT_EQ(read, files);
  EXPECT_TRUE(service->getLayoutFile(-1).isNull());
  const std::string text = source({"01 R.", "COPY ADDR.", "COPY ADDR."});
  CCBLayoutLoader loader;
  loader.setLayoutOptions(options);
  std::unique_ptr<CCBDataRoot> root(loader.readCopybookText(text.data(), text.size()));
  ASSERT_NE(nullptr, root);
  ASSERT_EQ(1, root->getInputFileCount());
  EXPECT_EQ(dir.path("lib/../ADDR.cpy"), root->getInputFile(0).str());
}

}  // namespace
