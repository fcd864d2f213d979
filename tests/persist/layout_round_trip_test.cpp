// Layouts saved as XML and loaded back: the document text is stable, the columns
// and record length stay, condition names that are not XML names survive, and data
// read with the loaded layout decodes exactly as with the copybook.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "persist/persist_test_util.h"

namespace {

using test_support::Column;
using test_support::columns;
using test_support::dataPath;
using test_support::MainPtr;
using test_support::maxRecordSize;
using test_support::newMain;
using test_support::newReader;
using test_support::ReaderPtr;

// The layout of a copybook saved as XML text.
std::string savedLayout(const std::string& copybook) {
  MainPtr service = newMain();
  EXPECT_TRUE(service->loadCopybook(copybook.c_str())) << service->getErrorMessage().asCstr();
  QvbString xml;
  EXPECT_TRUE(service->saveLayoutXml(xml)) << service->getErrorMessage().asCstr();
  return xml.asCstr();
}

// Parses the copybook, saves it, loads the text and saves again, through text and
// through a file: the texts are identical and the layouts alike.
void expectRoundTrip(const std::string& copybook) {
  MainPtr parsed = newMain();
  ASSERT_TRUE(parsed->loadCopybook(copybook.c_str())) << parsed->getErrorMessage().asCstr();
  QvbString first;
  ASSERT_TRUE(parsed->saveLayoutXml(first));

  MainPtr loaded = newMain();
  ASSERT_TRUE(loaded->loadLayoutXml(first)) << loaded->getErrorMessage().asCstr();
  QvbString second;
  ASSERT_TRUE(loaded->saveLayoutXml(second));
  EXPECT_STREQ(first.asCstr(), second.asCstr());
  EXPECT_EQ(columns(*parsed), columns(*loaded));
  EXPECT_EQ(maxRecordSize(*parsed), maxRecordSize(*loaded));

  test_support::TempDir dir;
  const std::string path = dir.path("layout.xml");
  ASSERT_TRUE(parsed->saveLayoutFile(path.c_str())) << parsed->getErrorMessage().asCstr();
  EXPECT_EQ(first.asCstr(), test_support::readFile(path));
  MainPtr fromFile = newMain();
  ASSERT_TRUE(fromFile->loadLayoutFile(path.c_str())) << fromFile->getErrorMessage().asCstr();
  QvbString third;
  ASSERT_TRUE(fromFile->saveLayoutXml(third));
  EXPECT_STREQ(first.asCstr(), third.asCstr());
  EXPECT_EQ(columns(*parsed), columns(*fromFile));
  EXPECT_EQ(maxRecordSize(*parsed), maxRecordSize(*fromFile));
}

// Column counts from the expected-value files (a record that fills every
// repetition), lengths from the copybooks' record lengths.
struct CopybookCase {
  const char* file;
  int columns;
  int maxRecordSize;
};

const CopybookCase COPYBOOKS[] = {
    {"acctrec.cpy", 60, 400},   // 12 fixed columns, 12 repetitions of 4
    {"custmast.cpy", 31, 200},  // bank customer master
    {"itemprice.cpy", 19, 90},  // lower-case copybook
    {"jobstats.cpy", 14, 69},   // the 77 entry gives no column
    {"policy.cpy", 41, 185},    // nested OCCURS
    {"txndtl.cpy", 16, 116},    // detail record
    {"txnhdr.cpy", 7, 61},      // header record
    {"txntrl.cpy", 8, 45},      // trailer record
};

// The names of the copybooks in the test data, sorted.
std::vector<std::string> testCopybooks() {
  std::vector<std::string> names;
  DIR* folder = opendir(dataPath("copybooks").c_str());
  if (folder == nullptr) return names;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cpy") == 0) names.push_back(name);
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LayoutRoundTripTest, EveryTestCopybookRoundTrips) {
  std::vector<std::string> listed;
  for (const CopybookCase& c : COPYBOOKS) listed.push_back(c.file);
  EXPECT_EQ(testCopybooks(), listed);  // a new copybook needs its row
  for (const CopybookCase& c : COPYBOOKS) {
    SCOPED_TRACE(c.file);
    const std::string copybook = dataPath(std::string("copybooks/") + c.file);
    expectRoundTrip(copybook);
    MainPtr loaded = newMain();
    ASSERT_TRUE(loaded->loadLayoutXml(savedLayout(copybook).c_str()));
    EXPECT_EQ(c.columns, loaded->getOutputCount());
    EXPECT_EQ(c.maxRecordSize, maxRecordSize(*loaded));
  }
}

// Condition names and values with characters XML must escape, Latin-1 letters
// (written here as ISO-8859-1 bytes) and names that begin with a digit.
const std::vector<std::string> CONDITIONS_COPYBOOK = {
    "01  REC.",
    "    05  KIND         PIC X.",
    "        88  1ST-CLASS      VALUE 'F'.",
    "        88  QUOTED         VALUES 'A\"B' 'IT''S'.",
    "        88  MARKUP         VALUES '&' '<' '>'.",
    "        88  CAF\xc9          VALUE '\xe9'.",
    "        88  2ND-CLASS      VALUE 'S'.",
    "    05  NOTE         PIC X(5) VALUE '<&>'.",
};

TEST(LayoutRoundTripTest, ConditionNamesAndValuesRoundTrip) {
  test_support::TempDir dir;
  const std::string copybook = test_support::writeCopybook(dir, "cond.cpy", CONDITIONS_COPYBOOK);
  expectRoundTrip(copybook);

  MainPtr loaded = newMain();
  ASSERT_TRUE(loaded->loadLayoutXml(savedLayout(copybook).c_str()));
  const CCBDefNode* kind = loaded->getRoot()->getFirstChild()->getFirstChild();
  const char* const expected[][2] = {
      {"1ST-CLASS", "F"}, {"QUOTED", "A\"B"}, {"QUOTED", "IT''S"}, {"MARKUP", "&"},
      {"MARKUP", "<"},    {"MARKUP", ">"},    {"CAF\xc9", "\xe9"}, {"2ND-CLASS", "S"},
  };
  ASSERT_EQ(8, kind->getConditionCount());
  for (int i = 0; i < 8; ++i) {
    EXPECT_STREQ(expected[i][0], kind->getConditionName(i).asCstr());
    EXPECT_STREQ(expected[i][1], kind->getConditionValue(i).asCstr());
  }
  bool optional = false;
  EXPECT_STREQ("<&>", kind->getNextSibling()->getProperty(10, &optional).asCstr());
}

// A variable table, an item after it, and redefinitions of a field and a group.
const std::vector<std::string> LINKS_COPYBOOK = {
    "01  ORDER-REC.",
    "    05  LINE-COUNT       PIC 9(2).",
    "    05  ORDER-DATE.",
    "        10  ORDER-YEAR   PIC 9(4).",
    "        10  ORDER-DAY    PIC 9(3).",
    "    05  ORDER-DATE-X     REDEFINES ORDER-DATE PIC X(7).",
    "    05  ORDER-LINE       OCCURS 1 TO 4 DEPENDING ON LINE-COUNT.",
    "        10  LINE-ITEM    PIC X(3).",
    "        10  LINE-QTY     PIC S9(3) COMP-3.",
    "        10  LINE-QTY-X   REDEFINES LINE-QTY PIC X(2).",
    "    05  ORDER-END        PIC X.",
};

// The property of the node at a path of child indices below the root.
std::string propertyAt(CCBMain& service, std::vector<int> path, int index) {
  const CCBDefNode* node = service.getRoot();
  for (int step : path) {
    node = node->getFirstChild();
    for (int i = 0; i < step && node != nullptr; ++i) node = node->getNextSibling();
    if (node == nullptr) return "(no node)";
  }
  bool optional = false;
  return node->getProperty(index, &optional).asCstr();
}

TEST(LayoutRoundTripTest, DependingAndRedefiningLinksRoundTrip) {
  test_support::TempDir dir;
  const std::string copybook = test_support::writeCopybook(dir, "links.cpy", LINKS_COPYBOOK);
  expectRoundTrip(copybook);

  MainPtr loaded = newMain();
  ASSERT_TRUE(loaded->loadLayoutXml(savedLayout(copybook).c_str()));
  EXPECT_EQ("ORDER-DATE", propertyAt(*loaded, {0, 2}, 6));  // ORDER-DATE-X redefine
  EXPECT_EQ("4", propertyAt(*loaded, {0, 3}, 4));           // ORDER-LINE occurs_max
  EXPECT_EQ("LINE-COUNT", propertyAt(*loaded, {0, 3}, 5));  // and occurs_depend
  EXPECT_EQ("LINE-QTY", propertyAt(*loaded, {0, 3, 2}, 6));
  EXPECT_EQ(30, maxRecordSize(*loaded));  // 2 + 7 + 4 x (3 + 2) + 1
  const std::vector<Column> all = columns(*loaded);
  ASSERT_EQ(17u, all.size());  // 4 before the table, 4 x 3 in it, 1 after
  EXPECT_EQ((Column{"ORDER-DATE-X", 4, 7}), all[3]);
  EXPECT_EQ((Column{"LINE-QTY-X_3", 4, 5}), all[15]);
  EXPECT_EQ((Column{"ORDER-END", 4, 5}), all[16]);
}

// --- Data read with a loaded layout ----------------------------------------------

struct DataLayout {
  const char* id;  // record identifier; empty with one layout
  const char* copybook;
  int records;        // records of this layout in the file
  const char* first;  // text of column 0 in its first record; null: not checked
};

struct DataCase {
  const char* file;
  bool noConvert;     // ASCII display bytes
  int recordLength;   // 0: variable
  int startPosition;  // bytes before the first record
  std::vector<DataLayout> layouts;
};

// Record counts and first values from the data files' descriptions and expected values.
const DataCase DATA_CASES[] = {
    {"customers_ebcdic.dat", false, 200, 0, {{"", "custmast.cpy", 12, "C"}}},  // EBCDIC
    {"accounts.dat", true, 0, 0, {{"", "acctrec.cpy", 8, nullptr}}},           // depending
    {"policies.dat", true, 185, 32, {{"", "policy.cpy", 6, "AU00012345"}}},    // header, P
    {"txn_var.dat",
     true,
     0,
     0,
     {{"HD", "txnhdr.cpy", 3, "HD"},    // header
      {"DT", "txndtl.cpy", 9, "DT"},    // details
      {"TR", "txntrl.cpy", 3, "TR"}}},  // trailer
};

// The decoded columns of every record, as "<index>=<type>:<text>" ("<index>" alone
// for a null value), one list per record.
typedef std::vector<std::vector<std::string>> Records;

// Adds the layouts, with the one at active made active, by copybook or by the XML
// text saved from it, and reads the file through.
Records readAll(const DataCase& c, size_t active, bool asXml) {
  ReaderPtr reader = newReader();
  for (size_t i = 0; i < c.layouts.size(); ++i) {
    const std::string copybook = dataPath(std::string("copybooks/") + c.layouts[i].copybook);
    const QvbString id = c.layouts[i].id;
    const bool added = asXml ? reader->addLayoutXml(savedLayout(copybook).c_str(), id, i == active)
                             : reader->addCopybook(copybook.c_str(), id, i == active);
    EXPECT_TRUE(added) << reader->getErrorMessage().asCstr();
  }
  if (c.layouts.size() > 1) {
    EXPECT_TRUE(reader->setIdentifierField(0, "PIC X(2)"));
  }
  EXPECT_TRUE(reader->openDataFile(dataPath(std::string("files/") + c.file).c_str(),
                                   c.startPosition, c.recordLength != 0, c.noConvert,
                                   c.recordLength))
      << reader->getErrorMessage().asCstr();
  Records records;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    std::vector<std::string> values;
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      const QvbDatavar value = reader->getOutputValue(i);
      std::string text = std::to_string(i);
      if (!value.isNull())
        text += "=" + std::to_string(value.getType()) + ":" + value.asString().asCstr();
      values.push_back(text);
    }
    records.push_back(values);
  }
  EXPECT_FALSE(failed) << reader->getErrorMessage().asCstr();
  return records;
}

TEST(LayoutRoundTripTest, DataDecodesAlikeWithTheLoadedLayout) {
  for (const DataCase& c : DATA_CASES) {
    for (size_t active = 0; active < c.layouts.size(); ++active) {
      const DataLayout& layout = c.layouts[active];
      SCOPED_TRACE(std::string(c.file) + " " + layout.copybook);
      const Records fromCopybook = readAll(c, active, false);
      const Records fromXml = readAll(c, active, true);
      ASSERT_EQ(static_cast<size_t>(layout.records), fromCopybook.size());
      ASSERT_EQ(fromCopybook.size(), fromXml.size());
      if (layout.first != nullptr) {
        EXPECT_EQ(std::string("0=4:") + layout.first, fromXml[0][0]);
      }
      for (size_t r = 0; r < fromCopybook.size(); ++r) {
        SCOPED_TRACE("record " + std::to_string(r + 1));
        EXPECT_FALSE(fromCopybook[r].empty());
        EXPECT_EQ(fromCopybook[r], fromXml[r]);
      }
    }
  }
}

}  // namespace
