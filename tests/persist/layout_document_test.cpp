// The XML layout document read and written through the layout service: every
// failure and its message, what a hand-edited document may do, the size limits,
// and the exact document written for a small tree.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "interface/ccb_layout_loader.h"
#include "layout/layout_test_util.h"
#include "persist/persist_test_util.h"

namespace {

using test_support::Column;
using test_support::columns;
using test_support::MainPtr;
using test_support::maxRecordSize;
using test_support::newMain;

// Builders for hand-written documents.
typedef std::vector<std::pair<std::string, std::string>> Properties;

std::string element(const std::string& name, const std::string& content) {
  return "<" + name + ">" + content + "</" + name + ">";
}

std::string properties(const Properties& list) {
  std::string content;
  for (const auto& property : list) content += element(property.first, property.second);
  return element("properties", content);
}

std::string node(const std::string& type, const std::string& content) {
  return "<node type=\"" + type + "\">" + content + "</node>";
}

std::string nodes(const std::string& content) {
  return element("nodes", content);
}

std::string layout(const std::string& content) {
  return element("CCBLayout", content);
}

std::string field(const std::string& name, const std::string& picture) {
  return node("field", properties({{"name", name}, {"picture", picture}}));
}

std::string group(const std::string& name, const std::string& children) {
  return node("table", properties({{"name", name}}) + nodes(children));
}

std::string root(const std::string& children) {
  return node("root", properties({{"Source_File", "t.cbl"}}) + nodes(children));
}

// A root holding tables nested inside each other and a field X(2) in the innermost,
// at depth tables + 1 below the root.
std::string nestedTables(int tables) {
  std::string open;
  std::string close;
  for (int i = 0; i < tables; ++i) {
    open += "<node type=\"table\">" + properties({{"name", "T" + std::to_string(i)}}) + "<nodes>";
    close += "</nodes></node>";
  }
  return layout(root(open + field("LEAF", "X(2)") + close));
}

// --- Failures -------------------------------------------------------------------

struct FailureCase {
  const char* what;
  std::string xml;
  const char* message;
};

std::vector<FailureCase> failureCases() {
  const std::string cust = field("CUST-ID", "X(4)");
  return {
      {"not well-formed", "<CCBLayout><node></CCBLayout>", "Error Loading xml"},
      {"no text", "", "Error Loading xml"},
      {"no element", "<!-- a comment only -->", "Error Loading xml"},
      {"head Layout", "<Layout>" + root(cust) + "</Layout>", "Invalid XML file - Missing Head tag"},
      {"first node a table", layout(group("REC", cust)), "First node not of type 'root'"},
      {"first node without type", layout("<node>" + nodes(cust) + "</node>"),
       "First node not of type 'root'"},
      {"first child item", layout("<item type=\"root\"/>"), "Tag mismatch - Node"},
      {"nodes: node then item", layout(root(cust + "<item/>")), "Tag mismatch - Node"},
      {"nodes: node then node-like item",
       layout(root(group("REC", cust + "<item type=\"field\"/>" + cust))), "Tag mismatch - Node"},
      {"type group", layout(root(node("group", properties({{"name", "REC"}})))),
       "Not a valid node type"},
      {"second top node type group", layout(root(cust) + node("group", "")),
       "Not a valid node type"},
      {"depending field missing",
       layout(root(group("REC", node("field", properties({{"name", "ITEM"},
                                                          {"occurs_max", "3"},
                                                          {"occurs_depend", "X"},
                                                          {"picture", "X"}}))))),
       "Occurs depending field not found: X"},
      {"redefined item missing",
       layout(root(group("REC", cust + node("field", properties({{"name", "ALT"},
                                                                 {"redefine", "X"},
                                                                 {"picture", "X(4)"}}))))),
       "Redefine field/table not found: X"},
      {"usage COMP-9",
       layout(root(
           node("field", properties({{"name", "N"}, {"picture", "9(4)"}, {"usage", "COMP-9"}})))),
       "Invalid or unknown usage clause"},
      {"nested 300 levels below the root", nestedTables(299),
       "Layout nested too deeply. Max depth is 256"},
      {"nested one level too deep", nestedTables(256),
       "Layout nested too deeply. Max depth is 256"},
  };
}

TEST(LayoutDocumentTest, EveryFailureHasItsMessageFromTextAndFromFile) {
  test_support::TempDir dir;
  for (const FailureCase& c : failureCases()) {
    SCOPED_TRACE(c.what);
    MainPtr service = newMain();
    ASSERT_TRUE(service->loadCopybook(
        test_support::writeCopybook(dir, "ok.cpy", {"01  R.", "    05  A  PIC X."}).c_str()));
    EXPECT_FALSE(service->loadLayoutXml(c.xml.c_str()));
    EXPECT_STREQ(c.message, service->getErrorMessage().asCstr());
    EXPECT_EQ(nullptr, service->getRoot());  // the earlier layout is gone too
    EXPECT_EQ(0, service->getOutputCount());

    MainPtr fromFile = newMain();
    EXPECT_FALSE(fromFile->loadLayoutFile(dir.write("case.xml", c.xml).c_str()));
    EXPECT_STREQ(c.message, fromFile->getErrorMessage().asCstr());
    EXPECT_EQ(nullptr, fromFile->getRoot());
  }
}

TEST(LayoutDocumentTest, MissingFileCannotBeLoaded) {
  test_support::TempDir dir;
  MainPtr service = newMain();
  EXPECT_FALSE(service->loadLayoutFile(dir.path("missing.xml").c_str()));
  EXPECT_STREQ("Error Loading xml", service->getErrorMessage().asCstr());
  EXPECT_FALSE(service->loadLayoutFile(dir.path("").c_str()));  // a folder
  EXPECT_STREQ("Error Loading xml", service->getErrorMessage().asCstr());
}

// A head without children is refused with a reason, not with an empty message.
TEST(LayoutDocumentTest, HeadWithoutChildrenIsRefusedWithAReason) {
  for (const char* xml : {"<CCBLayout/>", "<CCBLayout>\n  <!-- none -->\n</CCBLayout>"}) {
    SCOPED_TRACE(xml);
    MainPtr service = newMain();
    EXPECT_FALSE(service->loadLayoutXml("<CCBLayout>"));
    EXPECT_STREQ("Error Loading xml", service->getErrorMessage().asCstr());
    EXPECT_FALSE(service->loadLayoutXml(xml));
    EXPECT_STREQ("Invalid XML file - No node under the head tag",
                 service->getErrorMessage().asCstr());
    EXPECT_EQ(nullptr, service->getRoot());
  }
}

// --- Size limits ------------------------------------------------------------------

TEST(LayoutDocumentTest, NestingUpToTheLimitIsRead) {
  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(nestedTables(255).c_str()))  // LEAF at depth 256
      << service->getErrorMessage().asCstr();
  EXPECT_EQ((std::vector<Column>{{"LEAF", 4, 5}}), columns(*service));
  EXPECT_EQ(2, maxRecordSize(*service));
}

// Siblings are read one after the other, not by recursion: the sanitizer build,
// with its larger frames, must read them too.
TEST(LayoutDocumentTest, HundredThousandSiblingFieldsAreRead) {
  const int count = 100000;
  std::string fields;
  for (int i = 1; i <= count; ++i) fields += field("F" + std::to_string(i), "X");
  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(layout(root(group("REC", fields))).c_str()))
      << service->getErrorMessage().asCstr();
  ASSERT_EQ(count, service->getOutputCount());
  const std::vector<Column> all = columns(*service);
  EXPECT_EQ((Column{"F1", 4, 5}), all.front());
  EXPECT_EQ((Column{"F100000", 4, 5}), all.back());
  EXPECT_EQ(count, maxRecordSize(*service));
}

// --- What a hand-edited document may do -------------------------------------------

// A field whose depending link is written before its maximum loses the link: the
// item repeats a fixed 3 times.
TEST(LayoutDocumentTest, DependingLinkBeforeItsMaximumIsDropped) {
  const std::string items =
      node("table", properties({{"name", "ITEMS"}, {"occurs_depend", "CNT"}, {"occurs_max", "3"}}) +
                        nodes(field("ITEM", "X(2)")));
  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(layout(root(group("REC", field("CNT", "9") + items))).c_str()))
      << service->getErrorMessage().asCstr();
  const CCBDefNode* table = service->getRoot()->getFirstChild()->getFirstChild()->getNextSibling();
  ASSERT_NE(nullptr, table);
  bool optional = false;
  EXPECT_STREQ("ITEMS", table->getProperty(0, &optional).asCstr());
  EXPECT_STREQ("", table->getProperty(5, &optional).asCstr());  // occurs_depend
  EXPECT_STREQ("3", table->getProperty(4, &optional).asCstr());
  EXPECT_EQ(
      (std::vector<Column>{{"CNT", 2, 5}, {"ITEM", 4, 5}, {"ITEM_1", 4, 5}, {"ITEM_2", 4, 5}}),
      columns(*service));
  EXPECT_EQ(7, maxRecordSize(*service));
}

TEST(LayoutDocumentTest, UnknownElementsAreSkipped) {
  const std::string cust = node("field", properties({{"name", "CUST-ID"},
                                                     {"colour", "red"},
                                                     {"picture", "X(4)"},
                                                     {"output_length", "99"},
                                                     {"max_record_size", "1"}}) +
                                             "<remarks>none</remarks>");
  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(layout(root(cust)).c_str()))
      << service->getErrorMessage().asCstr();
  EXPECT_EQ((std::vector<Column>{{"CUST-ID", 4, 5}}), columns(*service));
  EXPECT_EQ(4, maxRecordSize(*service));
}

TEST(LayoutDocumentTest, RepeatedValuesElementsAddUp) {
  const std::string flag =
      node("field", "<values><A>1</A></values>" + properties({{"name", "FLAG"}, {"picture", "9"}}) +
                        "<values><B>2</B><A>3</A></values>");
  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(layout(root(flag)).c_str()));
  const CCBDefNode* field = service->getRoot()->getFirstChild();
  ASSERT_EQ(3, field->getConditionCount());
  const char* const expected[][2] = {{"A", "1"}, {"B", "2"}, {"A", "3"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(expected[i][0], field->getConditionName(i).asCstr());
    EXPECT_STREQ(expected[i][1], field->getConditionValue(i).asCstr());
  }
}

// Without "properties" a field keeps its defaults and gets no field format.
TEST(LayoutDocumentTest, FieldWithoutPropertiesHasNoFormat) {
  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(
      layout(root(field("A", "X(3)") + node("field", "<values/><nodes/>"))).c_str()));
  EXPECT_EQ((std::vector<Column>{{"A", 4, 5}, {"", 4, -1}}), columns(*service));
  const CCBDefNode* bare = service->getRoot()->getFirstChild()->getNextSibling();
  bool optional = false;
  EXPECT_STREQ("-1", bare->getProperty(8, &optional).asCstr());  // output_length
  EXPECT_STREQ("DISPLAY", bare->getProperty(11, &optional).asCstr());
  EXPECT_STREQ("1", bare->getProperty(12, &optional).asCstr());  // sign_leading
}

// Further "node" elements under the head are read and checked, then dropped.
TEST(LayoutDocumentTest, SecondTopLevelNodeIsReadAndDropped) {
  const std::string second = root(group("OTHER", field("B", "X(9)") + field("C", "X")));
  MainPtr service = newMain();
  ASSERT_TRUE(
      service->loadLayoutXml(layout(root(field("A", "X(3)")) + second + node("field", "")).c_str()))
      << service->getErrorMessage().asCstr();
  EXPECT_EQ((std::vector<Column>{{"A", 4, 5}}), columns(*service));
  EXPECT_EQ(3, maxRecordSize(*service));
  EXPECT_EQ(nullptr, service->getRoot()->getNextSibling());
}

// Only the first node's type is compared with "root"; one deeper is a node like others.
TEST(LayoutDocumentTest, RootDeeperInTheTreeIsAccepted) {
  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(
      layout(root(group("REC", node("root", nodes(field("INNER", "X(2)"))) + field("B", "X"))))
          .c_str()))
      << service->getErrorMessage().asCstr();
  const CCBDefNode* inner = service->getRoot()->getFirstChild()->getFirstChild();
  ASSERT_NE(nullptr, inner);
  EXPECT_EQ(3, inner->getPropertyCount());  // a root's properties
  EXPECT_STREQ("Source_File", inner->getPropertyName(0).asCstr());
  EXPECT_STREQ("INNER", inner->getFirstChild()->getName().asCstr());
}

TEST(LayoutDocumentTest, SourceFileIsTheStoredName) {
  test_support::TempDir dir;
  MainPtr service = newMain();
  ASSERT_TRUE(
      service->loadLayoutFile(dir.write("layout.xml", layout(root(field("A", "X")))).c_str()));
  bool optional = false;
  EXPECT_STREQ("t.cbl", service->getRoot()->getProperty(0, &optional).asCstr());
  EXPECT_TRUE(optional);
}

// --- Nodes of failed reads are released (checked by the sanitizer build) ----------

TEST(LayoutDocumentTest, NodesOfFailedReadsAreReleased) {
  const std::string built = group("REC", field("A", "X") + group("G", field("B", "X")));
  const std::string bad = node("field", properties({{"name", "Z"}, {"redefine", "NONE"}}));
  const char* const message = "Redefine field/table not found: NONE";
  const std::string documents[] = {
      layout(root(built + bad)),  // after siblings and a subtree
      layout(root(group("R2", built + group("G2", bad))) + root(built)),  // in the first node
      layout(root(built) + root(built) + root(built + bad)),              // in a later top node
  };
  for (const std::string& xml : documents) {
    MainPtr service = newMain();
    EXPECT_FALSE(service->loadLayoutXml(xml.c_str()));
    EXPECT_STREQ(message, service->getErrorMessage().asCstr());
  }
}

// --- The document written for a small tree ----------------------------------------

// Pugixml spells an empty element "<name />": spell it "<name/>".
std::string normalised(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, " />") == 0) continue;
    out.push_back(text[i]);
  }
  return out;
}

const char* const EXAMPLE_DOCUMENT = R"(<?xml version="1.0"?>
<CCBLayout>
  <node type="root">
    <properties>
      <Source_File>custrec.cbl</Source_File>
      <usage>DISPLAY</usage>
      <max_record_size>11</max_record_size>
    </properties>
    <values/>
    <nodes>
      <node type="table">
        <properties>
          <name>CUST-REC</name>
          <desc/>
          <output_name>CUST-REC</output_name>
          <level_number>1</level_number>
          <occurs_max>0</occurs_max>
          <occurs_depend/>
          <redefine/>
          <const_value/>
          <usage>DISPLAY</usage>
        </properties>
        <values/>
        <nodes>
          <node type="field">
            <properties>
              <name>CUST-ID</name>
              <desc/>
              <output_name>CUST-ID</output_name>
              <level_number>5</level_number>
              <occurs_max>0</occurs_max>
              <occurs_depend/>
              <redefine/>
              <field_type>Field</field_type>
              <output_length>10</output_length>
              <picture>X(10)</picture>
              <const_value/>
              <usage>DISPLAY</usage>
              <sign_leading>0</sign_leading>
              <sign_separate>0</sign_separate>
            </properties>
            <values/>
            <nodes/>
          </node>
          <node type="field">
            <properties>
              <name>CUST-FLAG</name>
              <desc/>
              <output_name>CUST-FLAG</output_name>
              <level_number>5</level_number>
              <occurs_max>0</occurs_max>
              <occurs_depend/>
              <redefine/>
              <field_type>Field</field_type>
              <output_length>5</output_length>
              <picture>9</picture>
              <const_value/>
              <usage>DISPLAY</usage>
              <sign_leading>0</sign_leading>
              <sign_separate>0</sign_separate>
            </properties>
            <values>
              <CUST-ACTIVE>1</CUST-ACTIVE>
            </values>
            <nodes/>
          </node>
        </nodes>
      </node>
    </nodes>
  </node>
</CCBLayout>
)";

CCBDataField* exampleField(CCBData* parent, const char* name, const char* picture) {
  CCBDataField* node = test_support::field(parent, name);
  node->setLevelNumber(5);
  node->setOutputName(name);
  node->setDescription("");
  node->setSignLeading(false);
  EXPECT_TRUE(node->setPicture(picture));
  return node;
}

TEST(LayoutDocumentTest, WritesTheExampleDocument) {
  CCBDataRoot root;
  root.setSourceFile("custrec.cbl");
  CCBDataTable* rec = test_support::table(&root, "CUST-REC");
  rec->setLevelNumber(1);
  rec->setOutputName("CUST-REC");
  rec->setDescription("");
  exampleField(rec, "CUST-ID", "X(10)");
  exampleField(rec, "CUST-FLAG", "9")->addCondition("CUST-ACTIVE", "1");

  CCBLayoutLoader loader;
  QvbString xml;
  ASSERT_TRUE(loader.writeLayoutXml(xml, &root));
  EXPECT_EQ(EXAMPLE_DOCUMENT, normalised(xml.asCstr()));

  MainPtr service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(EXAMPLE_DOCUMENT)) << service->getErrorMessage().asCstr();
  EXPECT_EQ((std::vector<Column>{{"CUST-ID", 4, 10}, {"CUST-FLAG", 2, 5}}), columns(*service));
  EXPECT_EQ(11, maxRecordSize(*service));
}

}  // namespace
