// Records as their copybooks shape them: the walk of groups, tables and values, the
// stripped values, every layout's records in one pass and record hierarchies, on the
// file GnuCOBOL wrote (hierarchy.dat, whose values and parents its program printed)
// and on bytes built here, worked out by hand.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "interface/service_test_util.h"
#include "lyra/lyra.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

using copybook_test::source;
using test_support::dataPath;
using std::string_literals::operator""s;

// A walk written down: NAME{...} a group, NAME[...] an array, NAME=text a value, the
// elements of an array without names, the record's own group without its name, a null
// value as ~, the items of a group or array apart by ','. Arrays check their counts.
// Given a writer, each value's name is checked against its column's: the output name of a
// table's element n (from 0) is the item's name with _n after it (none for the first).
class Rendering : public CCBRecordVisitor {
 public:
  explicit Rendering(CCBRecordWriter* columns = nullptr) : columns_(columns) {}
  void beginGroup(int, const QvbString& name) override { open(name, "{", false, 0); }
  void endGroup(int) override { close('}'); }
  void beginArray(int, const QvbString& name, int count) override { open(name, "[", true, count); }
  void endArray(int) override { close(']'); }
  void value(int, const QvbString& name, int column, const char* bytes, int length) override {
    name_(name, true);
    text_ += bytes != nullptr ? std::string(bytes, static_cast<size_t>(length)) : "~";
    text_ += ",";
    if (columns_ == nullptr) return;
    int element = 0;
    for (const Open& in : open_) element = in.array ? in.count - in.left - 1 : element;
    QvbString output;
    int type = 0, size = 0;
    columns_->getOutputInfo(column, output, type, size);
    EXPECT_EQ(name.str() + (element > 0 ? "_" + std::to_string(element) : ""), output.str());
    ++values;
  }

  // The record walked, without the ',' after it.
  std::string text() const { return text_.substr(0, text_.size() - 1); }
  int values = 0;  // checked against their columns

 private:
  struct Open {
    bool array;
    int count, left;  // an array's elements, and those it has yet to get
  };
  void name_(const QvbString& name, bool value) {
    if (open_.empty()) return;
    Open& in = open_.back();
    if (in.array) {
      EXPECT_GT(in.left--, 0) << "more elements than the array's count at " << text_;
    } else {
      text_ += name.str() + (value ? "=" : "");
    }
  }
  void open(const QvbString& name, const char* start, bool array, int count) {
    name_(name, false);
    text_ += start;
    open_.push_back({array, count, count});
  }
  void close(char end) {
    if (text_.back() == ',') text_.pop_back();
    text_ += end;
    text_ += ",";
    EXPECT_EQ(0, open_.back().left) << "fewer elements than the array's count at " << text_;
    open_.pop_back();
  }

  CCBRecordWriter* columns_;
  std::string text_;
  std::vector<Open> open_;
};

using Values = std::map<std::string, std::string>;

// The values and places GnuCOBOL printed for each record of hierarchy.dat: by record
// number, column name to value.
std::map<int, Values> expectedValues() {
  std::map<int, Values> records;
  for (const auto& [number, record] : test_support::readExpected("hierarchy.dat")) {
    records[number] = Values(record.begin(), record.end());
  }
  return records;
}

// A value GnuCOBOL printed as a stripped value is: text without its trailing blanks
// (numbers it printed in that form already).
std::string stripped(const Values& record, const std::string& name) {
  std::string value = record.at(name);
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

std::string suffix(int repetition) {
  return repetition == 0 ? "" : "_" + std::to_string(repetition);
}

// Each layout of hierarchy.dat walked with strip, as its copybook shapes the values GnuCOBOL
// printed: FILLER left out, HC-SINCE-TEXT beside the group it redefines, the quarters as
// many as HA-QUARTER-COUNT says.
std::string expectedWalk(const Values& r) {
  const auto v = [&](const std::string& name) { return name + "=" + stripped(r, name); };
  const std::string layout = r.at("_layout");
  if (layout == "C") {
    return "{" + v("HC-REC-TYPE") + "," + v("HC-CUST-ID") + ",HC-NAME{" + v("HC-LAST-NAME") + "," +
           v("HC-FIRST-NAME") + "},HC-SINCE{" + v("HC-SINCE-YEAR") + "," + v("HC-SINCE-MONTH") +
           "}," + v("HC-SINCE-TEXT") + ",HC-TAGS{HC-TAG[" + stripped(r, "HC-TAG") + "," +
           stripped(r, "HC-TAG_1") + "," + stripped(r, "HC-TAG_2") + "]}}";
  }
  if (layout == "A") {
    std::string limits;
    for (int i = 0; i < 2; ++i) {
      limits += std::string(i ? "," : "") +
                "{HA-LIMIT-CODE=" + stripped(r, "HA-LIMIT-CODE" + suffix(i)) +
                ",HA-LIMIT-AMT=" + stripped(r, "HA-LIMIT-AMT" + suffix(i)) + "}";
    }
    std::string quarters;
    for (int i = 0; i < std::stoi(r.at("HA-QUARTER-COUNT")); ++i) {
      quarters += std::string(i ? "," : "") + "{HA-Q-NO=" + stripped(r, "HA-Q-NO" + suffix(i)) +
                  ",HA-Q-FLOWS{HA-Q-IN=" + stripped(r, "HA-Q-IN" + suffix(i)) +
                  ",HA-Q-OUT=" + stripped(r, "HA-Q-OUT" + suffix(i)) + "}}";
    }
    return "{" + v("HA-REC-TYPE") + "," + v("HA-ACCT-NO") + "," + v("HA-KIND") + "," +
           v("HA-BALANCE") + ",HA-LIMITS{HA-LIMIT[" + limits + "]}," + v("HA-QUARTER-COUNT") +
           ",HA-QUARTER[" + quarters + "]}";
  }
  if (layout == "P")
    return "{" + v("HP-REC-TYPE") + "," + v("HP-KIND") + "," + v("HP-NUMBER") + "}";
  return "{" + v("HT-REC-TYPE") + ",HT-DATE{" + v("HT-YEAR") + "," + v("HT-MONTH") + "," +
         v("HT-DAY") + "}," + v("HT-AMOUNT") + "," + v("HT-MEMO") + "}";
}

const char* const HIERARCHY_LAYOUTS[][2] = {
    {"hcust.cpy", "C"}, {"hacct.cpy", "A"}, {"hphone.cpy", "P"}, {"htxn.cpy", "T"}};
const int HIERARCHY_RECORD = 72;

class RecordShapesTest : public ::testing::Test {
 protected:
  // A reader of the hierarchy file's four layouts, the customer's active.
  void addHierarchyLayouts() {
    for (const auto& [file, id] : HIERARCHY_LAYOUTS) {
      ASSERT_TRUE(reader_->addCopybook(dataPath(std::string("copybooks/") + file).c_str(), id,
                                       std::string(id) == "C"));
    }
    ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
    reader_->setBadRecordCallback(&bad_);
  }
  bool addChildren() {
    return reader_->addChildLayout("C", "A") && reader_->addChildLayout("C", "P") &&
           reader_->addChildLayout("A", "T");
  }
  bool add(const std::vector<std::string>& lines, const char* id = "", bool active = true) {
    return reader_->addCopybook(dir_.write("r.cpy", source(lines)).c_str(), id, active);
  }
  // Opens a copy of data, which the fixture keeps while the reader reads it.
  bool openMemory(const std::string& data, const CCBReadOptions& options) {
    bad_.text.clear();
    memory_ = data;
    return reader_->openDataMemory(reinterpret_cast<const unsigned char*>(memory_.data()),
                                   memory_.size(), options);
  }
  // Every record read as each gives it, then "end" or "failed: message".
  template <typename Each>
  std::string readAll(Each each) {
    std::string text;
    bool failed = false;
    while (reader_->readNextRecord(failed)) text += each() + ";";
    return text + (failed ? "failed: " + reader_->getErrorMessage().str() : "end");
  }
  // Every record read as "number:walk" (with strip, or as getOutputBytes gives values).
  std::string walkAll(bool strip) {
    return readAll([&] {
      Rendering walk;
      EXPECT_TRUE(reader_->walkRecord(&walk, strip));
      return std::to_string(reader_->getRecordNumber()) + ":" + walk.text();
    });
  }
  // Every record read as "number<parent" (a root's parent -1).
  std::string places() {
    return readAll([&] {
      return std::to_string(reader_->getRecordNumber()) + "<" +
             std::to_string(reader_->getParentRecordNumber());
    });
  }

  test_support::TempDir dir_;
  std::string memory_;
  test_support::Owned<CCBRecordReader> reader_ = test_support::own(createCCBRecordReader());
  test_support::BadRecords bad_;
};

CCBReadOptions fixedOptions(int length, bool allLayouts, int64_t maxErrors = 0) {
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  options.setRecordLength(length);
  options.setAllLayouts(allLayouts);
  options.setMaxErrors(maxErrors);
  return options;
}

// Every value of every record of the file GnuCOBOL wrote, in the shape of its layout:
// groups within groups, a table of values in a group, a table of groups in a group, a
// table of groups of OCCURS DEPENDING ON each holding a group, a REDEFINES.
TEST_F(RecordShapesTest, WalkHandsOverEveryValueInItsCopybookShape) {
  addHierarchyLayouts();
  const auto expected = expectedValues();
  std::string walks;
  for (const auto& [number, values] : expected) {
    walks += std::to_string(number) + ":" + expectedWalk(values) + ";";
  }
  ASSERT_TRUE(reader_->openData(dataPath("files/hierarchy.dat").c_str(),
                                fixedOptions(HIERARCHY_RECORD, true)));
  EXPECT_EQ(walks + "end", walkAll(true));
}

// What the walk leaves out, keeps apart or lends to the group around it, and the counts of
// tables, each from bytes worked out by hand; values as getOutputBytes gives them, or
// stripped.
TEST_F(RecordShapesTest, WalkRules) {
  const struct {
    const char* name;
    std::vector<std::string> copybook;
    std::string data;
    bool strip;
    std::string expected;
  } cases[] = {
      {"fillers: an elementary one goes, a group's items join the group around it, a table of "
       "named items keeps the name FILLER, one of fillers alone goes",
       {"01 R.", "05 A PIC X.", "05 FILLER PIC X.", "05 FILLER.", "10 B PIC X.", "10 PIC X.",
        "05 FILLER OCCURS 2.", "10 C PIC X.", "05 FILLER OCCURS 2.", "10 FILLER PIC X."},
       "a-b-cdef",
       false,
       "1:{A=a,B=b,FILLER[{C=c},{C=d}]};end"},
      {"a count inside a table counts its own repetition's table; values after the tables",
       {"01 R.", "05 T OCCURS 2.", "10 N PIC 9.", "10 E PIC X OCCURS 0 TO 3 DEPENDING ON N.",
        "05 Z PIC X."},
       "2ab1cz00y",
       false,
       "1:{T[{N=2,E[a,b]},{N=1,E[c]}],Z=z};2:{T[{N=0,E[]},{N=0,E[]}],Z=y};end"},
      {"several top-level items are the record's items; a value that redefines another, and "
       "one of a table, stripped",
       {"01 R.", "05 N PIC S9(3)V99.", "05 M REDEFINES N PIC X(5).", "01 S.",
        "05 D PIC 9(2) OCCURS 2.", "05 T PIC X(4)."},
       "0012u0705ab  ",
       true,
       "1:{R{N=-1.25,M=0012u},S{D[7,5],T=ab}};end"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reader_->clearCopybooks();
    ASSERT_TRUE(add(c.copybook));
    CCBReadOptions options;
    options.setRecordFormat(CCB_RECORD_LAYOUT);
    ASSERT_TRUE(openMemory(c.data, options));
    EXPECT_EQ(c.expected, walkAll(c.strip));
  }
}

// A segment's record holds only the redefinition its identifier names; fields past the end
// of a short record are null.
TEST_F(RecordShapesTest, WalkOfSegmentsAndShortRecords) {
  ASSERT_TRUE(add({"01 R.", "05 K PIC X.", "05 SA.", "10 A PIC X(2).", "05 SB REDEFINES SA.",
                   "10 B PIC 9(2).", "05 C PIC X."}));
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  ASSERT_TRUE(reader_->addSegment("SA", "1") && reader_->addSegment("SB", "2"));
  CCBReadOptions rdw;
  rdw.setRecordFormat(CCB_RECORD_RDW);
  ASSERT_TRUE(
      openMemory("\0\x08\0\0"
                 "1xyz"
                 "\0\x07\0\0"
                 "212"s,
                 rdw));
  EXPECT_EQ("1:{K=1,SA{A=xy},C=z};2:{K=2,SB{B=12},C=~};end", walkAll(false));
}

// Each kind of column stripped as the record batch reads its value; a value that is none of
// its column (an undecodable packed number) is no text.
TEST_F(RecordShapesTest, StrippedValues) {
  CCBLayoutOptions layout;
  layout.setFloatFormat(CCB_FLOAT_IEEE);
  reader_->setLayoutOptions(layout);
  ASSERT_TRUE(
      add({"01 R.", "05 T PIC X(4).", "05 N PIC 9(3)V99.", "05 S PIC S9(4).", "05 E PIC ZZ9.99CR.",
           "05 Z PIC ZZZZ.", "05 P PIC S9(3) COMP-3.", "05 Q PIC S9(3) COMP-3.", "05 X PIC X(5).",
           "05 F COMP-1.", "05 L PIC 9(20).", "05 G PIC +9(3)."}));
  const std::string record =
      "ab  00350000w  1.50CR    \x12\x3D"
      "ab#ERR#\x3F\xC0\0\0"
      "00000000000000000042+000"s;
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_LAYOUT);
  ASSERT_TRUE(openMemory(record, options));
  bool failed = false;
  ASSERT_TRUE(reader_->readNextRecord(failed));
  const char* const expected[] = {"ab",   "3.50",  "-7",  "-1.50", "0", "-123",
                                  "none", "#ERR#", "1.5", "42",    "0"};
  ASSERT_EQ(11, reader_->getOutputCount());
  for (int i = 0; i < reader_->getOutputCount(); ++i) {
    const char* bytes = nullptr;
    int length = 0;
    const bool present = reader_->getStrippedOutputBytes(i, bytes, length);
    EXPECT_EQ(expected[i], present ? std::string(bytes, static_cast<size_t>(length)) : "none")
        << "column " << i;
  }
}

// Records of the hierarchy placed under their parents, the parent numbers GnuCOBOL's program
// printed; the transaction without an account of its customer is a bad record, passed over
// as allowed or stopping the read.
TEST_F(RecordShapesTest, HierarchyPlacesEachRecordUnderItsParent) {
  addHierarchyLayouts();
  ASSERT_TRUE(addChildren());
  std::string expected, bad;
  for (const auto& [number, values] : expectedValues()) {
    const std::string parent = values.at("_parent");
    if (parent == "none") {
      bad = std::to_string(number) + "@" + std::to_string((number - 1) * HIERARCHY_RECORD) +
            "+72: Record of layout T has no record of its parent layout A before it in its tree;";
      continue;
    }
    expected += std::to_string(number) + "<" + (parent == "null" ? "-1" : parent) + ";";
  }
  const std::string file = dataPath("files/hierarchy.dat");
  ASSERT_TRUE(reader_->openData(file.c_str(), fixedOptions(HIERARCHY_RECORD, false, 1)));
  EXPECT_EQ(expected + "end", places());
  EXPECT_EQ(bad, bad_.text);
  bad_.text.clear();
  ASSERT_TRUE(reader_->openData(file.c_str(), fixedOptions(HIERARCHY_RECORD, false)));
  EXPECT_EQ(expected.substr(0, expected.find("11<")) +
                "failed: Record of layout T has no record of its parent layout A before it in "
                "its tree",
            places());
}

// A range holds the trees of the roots that start in it: ranges that meet, cut at every
// record boundary (and inside records), give every record once, the bad one too.
TEST_F(RecordShapesTest, HierarchyRangesHoldTheTreesOfTheirRoots) {
  addHierarchyLayouts();
  ASSERT_TRUE(addChildren());
  const std::string file = dataPath("files/hierarchy.dat");
  CCBReadOptions options = fixedOptions(HIERARCHY_RECORD, false, -1);
  ASSERT_TRUE(reader_->openData(file.c_str(), options));
  const std::string whole = places();
  const std::string wholeBad = bad_.text;
  const int64_t size = 14 * HIERARCHY_RECORD;
  const auto inRanges = [&](const std::vector<int64_t>& cuts) {
    std::string text;
    bad_.text.clear();
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
      options.setRange(cuts[i], cuts[i + 1]);
      EXPECT_TRUE(reader_->openData(file.c_str(), options));
      const std::string part = places();
      text += part.substr(0, part.size() - 3);  // without its "end"
    }
    return text + "end";
  };
  std::vector<int64_t> everyRecord = {0};
  for (int64_t cut = 0; cut <= size; cut += HIERARCHY_RECORD) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(whole, inRanges({0, cut, -1}));
    EXPECT_EQ(wholeBad, bad_.text);
    EXPECT_EQ(whole, inRanges({0, cut + 30, -1}));
    if (cut > 0) everyRecord.push_back(cut);
  }
  everyRecord.push_back(-1);
  EXPECT_EQ(whole, inRanges(everyRecord));
  EXPECT_EQ(wholeBad, bad_.text);
  // The range of record 10, which lies in the tree of root 9, holds nothing.
  options.setRange(9 * HIERARCHY_RECORD, 10 * HIERARCHY_RECORD);
  ASSERT_TRUE(reader_->openData(file.c_str(), options));
  EXPECT_EQ("end", places());
}

TEST_F(RecordShapesTest, HierarchyRefusals) {
  addHierarchyLayouts();
  EXPECT_FALSE(reader_->addChildLayout("C", "X"));
  EXPECT_EQ("No layout has the record identifier X", reader_->getErrorMessage().str());
  ASSERT_TRUE(reader_->addChildLayout("C", "A"));
  EXPECT_FALSE(reader_->addChildLayout("P", "A"));
  EXPECT_EQ("Child layout A already has a parent layout", reader_->getErrorMessage().str());
  ASSERT_TRUE(reader_->addChildLayout("A", "T"));
  EXPECT_FALSE(reader_->addChildLayout("T", "C"));
  EXPECT_EQ("Child layout C would be its own ancestor", reader_->getErrorMessage().str());
  EXPECT_FALSE(reader_->addChildLayout("C", "C"));
  // A range of lines past the skip does not know its record numbers; one past the end
  // holds nothing to number.
  CCBReadOptions lines;
  lines.setRecordFormat(CCB_RECORD_LINES);
  lines.setRange(2, -1);
  EXPECT_FALSE(openMemory("C\nA\nC\n", lines));
  EXPECT_NE(std::string::npos, reader_->getErrorMessage().str().find("need record numbers"));
  lines.setRange(6, -1);
  EXPECT_TRUE(openMemory("C\nA\nC\n", lines));
  EXPECT_EQ("end", places());
  reader_->clearChildLayouts();
  lines.setRange(2, -1);
  EXPECT_TRUE(openMemory("C\nA\nC\n", lines));
}

// With all_layouts, every record of every layout, each making its layout the active one;
// without it, the active layout's records alone. A batch refuses such a reader but takes
// its records one at a time.
TEST_F(RecordShapesTest, AllLayoutsReadEveryRecord) {
  addHierarchyLayouts();
  const std::string file = dataPath("files/hierarchy.dat");
  const auto layouts = [&](bool all) {
    EXPECT_TRUE(reader_->openData(file.c_str(), fixedOptions(HIERARCHY_RECORD, all)));
    std::string text;
    bool failed = false;
    while (reader_->readNextRecord(failed)) {
      text += std::to_string(reader_->getActiveLayout());
      EXPECT_EQ(reader_->getActiveLayout() == 0 ? 10 : 0, reader_->isFillerColumn(10) ? 10 : 0);
    }
    return text;
  };
  EXPECT_EQ("01332130032132", layouts(true));
  ASSERT_TRUE(reader_->setActiveLayout(0));
  EXPECT_EQ("000", layouts(false));
  EXPECT_FALSE(reader_->setActiveLayout(4));

  auto batch = test_support::own(createCCBRecordBatch());
  ASSERT_TRUE(reader_->openData(file.c_str(), fixedOptions(HIERARCHY_RECORD, true)));
  bool failed = false;
  EXPECT_EQ(0, batch->read(reader_.get(), 10, failed));
  EXPECT_TRUE(failed);
  ASSERT_TRUE(reader_->setActiveLayout(3));
  ASSERT_TRUE(batch->describe(reader_.get()));
  while (reader_->readNextRecord(failed)) {
    EXPECT_EQ(reader_->getActiveLayout() == 3, batch->append(reader_.get()));
  }
  ASSERT_EQ(5, batch->getRecordCount());
  EXPECT_EQ(CCB_COLUMN_DECIMAL, batch->getColumnKind(4));
  EXPECT_EQ(-9999999.99, batch->getReals(4)[3]);  // record 10, HT-AMOUNT
  EXPECT_EQ(10, batch->getRecordNumbers()[3]);
}

// A record's bytes as they stand in the input: its descriptor word too.
TEST_F(RecordShapesTest, RecordInputBytes) {
  ASSERT_TRUE(add({"01 R.", "05 A PIC X(2)."}));
  CCBReadOptions rdw;
  rdw.setRecordFormat(CCB_RECORD_RDW);
  const std::string data = "\0\x06\0\0ab"s;
  ASSERT_TRUE(openMemory(data, rdw));
  int length = -1;
  EXPECT_EQ(nullptr, reader_->getRecordInputBytes(length));
  bool failed = false;
  ASSERT_TRUE(reader_->readNextRecord(failed));
  const unsigned char* bytes = reader_->getRecordInputBytes(length);
  ASSERT_NE(nullptr, bytes);
  EXPECT_EQ(data, std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length)));
}

// The writer's walk of its layout: every table at its most elements (a table of
// DEPENDING ON too), FILLER left out, a redefinition beside the item it redefines also
// once a segment has left it out of a record, each value null and in its column.
TEST(WriterLayoutWalkTest, HandsOverTheWholeLayout) {
  auto writer = test_support::own(createCCBRecordWriter());
  ASSERT_TRUE(writer->addCopybook(dataPath("copybooks/hacct.cpy").c_str(), "A", true));
  ASSERT_TRUE(writer->addCopybook(dataPath("copybooks/hcust.cpy").c_str(), "C", false));
  Rendering account;
  ASSERT_TRUE(writer->walkLayout(&account));
  const std::string quarter = "{HA-Q-NO=~,HA-Q-FLOWS{HA-Q-IN=~,HA-Q-OUT=~}}";
  EXPECT_EQ(
      "{HA-REC-TYPE=~,HA-ACCT-NO=~,HA-KIND=~,HA-BALANCE=~,HA-LIMITS{HA-LIMIT[{HA-LIMIT-CODE=~,"
      "HA-LIMIT-AMT=~},{HA-LIMIT-CODE=~,HA-LIMIT-AMT=~}]},HA-QUARTER-COUNT=~,HA-QUARTER[" +
          quarter + "," + quarter + "," + quarter + "," + quarter + "]}",
      account.text());
  Rendering columns(writer.get());
  ASSERT_TRUE(writer->walkLayout(&columns));
  EXPECT_EQ(writer->getOutputCount(), columns.values);

  auto segmented = test_support::own(createCCBRecordWriter());
  ASSERT_TRUE(segmented->addCopybook(dataPath("copybooks/hcust.cpy").c_str(), "C", true));
  ASSERT_TRUE(segmented->setIdentifierField(0, "PIC X"));
  ASSERT_TRUE(segmented->addSegment("HC-SINCE-TEXT", "C"));
  CCBReadOptions options;
  ASSERT_TRUE(segmented->prepareEncoding(options));
  ASSERT_TRUE(segmented->setValueByName("HC-REC-TYPE", "C", 1));
  const unsigned char* bytes = nullptr;
  int length = 0;
  ASSERT_TRUE(segmented->encodeRecord(bytes, length)) << segmented->getErrorMessage().str();
  Rendering customer;
  ASSERT_TRUE(segmented->walkLayout(&customer));
  EXPECT_EQ(
      "{HC-REC-TYPE=~,HC-CUST-ID=~,HC-NAME{HC-LAST-NAME=~,HC-FIRST-NAME=~},HC-SINCE{"
      "HC-SINCE-YEAR=~,HC-SINCE-MONTH=~},HC-SINCE-TEXT=~,HC-TAGS{HC-TAG[~,~,~]}}",
      customer.text());

  auto empty = test_support::own(createCCBRecordWriter());
  EXPECT_FALSE(empty->walkLayout(&customer));
  EXPECT_FALSE(writer->walkLayout(nullptr));
}

}  // namespace
