// The XML layout document: failures, hand-edited and written ones, round trips; node properties.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <string>

#include "layout/layout_test_util.h"
#include "lyra/ccb_layout_options.h"
#include "lyra/ccb_main.h"
#include "lyra/ccb_reader.h"
#include "parse/copybook_test_util.h"
#include "persist/ccb_layout_document.h"
#include "test_util.h"

namespace {

// A "node" element; its properties are given as "name=value;name=value".
std::string node(const std::string& type, const std::string& props, const std::string& rest = "") {
  return "<node type=\"" + type + "\"><properties>" +
         std::regex_replace(props, std::regex("([^;=]+)=([^;]*);?"), "<$1>$2</$1>") +
         "</properties>" + rest + "</node>";
}
std::string field(const std::string& name) {
  return node("field", "name=" + name + ";picture=X(2)");
}
std::string group(const std::string& children) {
  return node("table", "name=G", "<nodes>" + children + "</nodes>");
}
std::string root(const std::string& children) {
  return node("root", "Source_File=t.cbl", "<nodes>" + children + "</nodes>");
}
std::string layout(const std::string& children, const std::string& moreNodes = "") {
  return "<CCBLayout>" + root(children) + moreNodes + "</CCBLayout>";
}
// A field at the given depth below the root, in tables nested one in the other.
std::string nested(int depth) {
  std::string xml = field("LEAF");
  while (--depth > 0) xml = group(xml);
  return layout(xml);
}

std::shared_ptr<CCBMain> newMain() {
  return std::shared_ptr<CCBMain>(createCCBMain(), [](CCBMain* main) { main->release(); });
}

// "name:type:length;" of every output column.
std::string columns(CCBMain& service) {
  std::string text;
  QvbString name;
  for (int i = 0, type = 0, length = 0; i < service.getOutputCount(); ++i) {
    service.getOutputInfo(i, name, type, length);
    text += name.asCstr() + (":" + std::to_string(type)) + ":" + std::to_string(length) + ";";
  }
  return text;
}

// "name=value;" of every condition entry.
std::string conditions(const CCBDefNode* field) {
  std::string text;
  for (int i = 0; i < field->getConditionCount(); ++i)
    text += field->getConditionName(i).asCstr() +
            ("=" + std::string(field->getConditionValue(i).asCstr())) + ";";
  return text;
}

// Nodes that a failed read built are released: the sanitizer build checks for leaks.
TEST(LayoutDocumentTest, EveryFailureHasItsMessage) {
  const std::string a = field("A");
  const std::string bad = node("field", "name=Z;redefine=NONE");
  const std::pair<std::string, const char*> cases[] = {
      {"<CCBLayout><node></CCBLayout>", "Error Loading xml"},
      {"<Layout>" + root(a) + "</Layout>", "Invalid XML file - Missing Head tag"},
      {"<CCBLayout> <!-- none --> </CCBLayout>", "Invalid XML file - No node under the head tag"},
      {"<CCBLayout>" + group(a) + "</CCBLayout>", "First node not of type 'root'"},
      {layout(a + "<item type=\"field\"/>" + a), "Tag mismatch - Node"},
      {layout(node("group", "name=G")), "Not a valid node type"},
      {layout(a, "<node type=\"group\"/>"), "Not a valid node type"},  // second top-level node
      {layout(node("field", "name=N;occurs_max=3;occurs_depend=X")),
       "Occurs depending field not found: X"},
      {layout(group(a + group(a) + bad)), "Redefine field/table not found: NONE"},
      {layout(node("field", "name=N;picture=9;usage=COMP-9")), "Invalid or unknown usage clause"},
      {nested(257), "Layout nested too deeply. Max depth is 256"},
  };
  const std::shared_ptr<CCBMain> service = newMain();
  for (const auto& c : cases) {
    ASSERT_TRUE(service->loadLayoutXml(nested(256).c_str())) << service->getErrorMessage().asCstr();
    EXPECT_FALSE(service->loadLayoutXml(c.first.c_str()));
    EXPECT_STREQ(c.second, service->getErrorMessage().asCstr()) << c.first.substr(0, 300);
    EXPECT_EQ(nullptr, service->getRoot());  // the earlier layout is gone
  }
  EXPECT_FALSE(service->loadLayoutFile(test_support::dataPath("missing.xml").c_str()));
  EXPECT_STREQ("Error Loading xml", service->getErrorMessage().asCstr());
}

// The document hands back the tree it describes, with the rules it was given but for those it
// records; checking the limits is the loader's: 20 fields of 16000000 bytes exceed the record.
TEST(LayoutDocumentTest, HandsBackTheTreeForTheLoaderToComplete) {
  const std::string xml =
      "<CCBLayout><node type=\"root\" float_format=\"ibm\"><properties/><nodes>" +
      node("table", "name=T;occurs_max=20",
           "<nodes>" + node("field", "name=F;picture=X(16000000)") + "</nodes>") +
      "</nodes></node></CCBLayout>";
  CCBFormatRules rules;
  rules.extended = rules.tolerant = true;
  rules.floatFormat = CCB_FLOAT_IEEE;
  CCBLayoutDocument document;
  const std::unique_ptr<CCBDataRoot> tree(document.readXml(xml.c_str(), rules));
  ASSERT_NE(nullptr, tree) << document.getErrorMessage().asCstr();
  EXPECT_EQ(320000000, tree->getMaxLength());
  EXPECT_TRUE(tree->formatRules().extended && tree->formatRules().tolerant);
  EXPECT_EQ(CCB_FLOAT_IBM, tree->formatRules().floatFormat);
  const std::shared_ptr<CCBMain> service = newMain();
  EXPECT_FALSE(service->loadLayoutXml(xml.c_str()));
  EXPECT_STREQ("Record length exceeds the maximum of 268435456 bytes",
               service->getErrorMessage().asCstr());
  EXPECT_EQ(nullptr, document.readXml("<CCBLayout><node></CCBLayout>", rules));
  EXPECT_STREQ("Error Loading xml", document.getErrorMessage().asCstr());
}

// Hand-edited documents: unknown properties, a root deeper down, links before maximums, fields
// without properties, and 100000 of those side by side.
TEST(LayoutDocumentTest, HandEditedDocuments) {
  const std::string xml =
      layout(node("field", "name=FLAG;colour=red;picture=9",  // an unknown property is skipped
                  "<values><A>1</A></values><values><B>2</B><A>3</A></values>") +
                 node("root", "", "<nodes>" + field("INNER") + "</nodes>") +  // a root deeper down
                 node("field", "name=CNT;picture=9") +
                 node("table", "name=ITEMS;occurs_depend=CNT;occurs_max=3",  // link before maximum
                      "<nodes>" + field("ITEM") + "</nodes>") +
                 // a maximum given again, as 0: no repetition, and so no link
                 node("table", "name=ONCE;occurs_max=2;occurs_depend=CNT;occurs_max=",
                      "<nodes>" + field("ONE") + "</nodes>") +
                 "<node type=\"field\"/>",  // no properties: no format
             root(field("SECOND")));        // a second top-level node
  const std::shared_ptr<CCBMain> service = newMain();
  ASSERT_TRUE(service->loadLayoutXml(xml.c_str())) << service->getErrorMessage().asCstr();
  EXPECT_EQ("FLAG:2:5;INNER:4:5;CNT:2:5;ITEM:4:5;ITEM_1:4:5;ITEM_2:4:5;ONE:4:5;:4:-1;",
            columns(*service));
  EXPECT_EQ("A=1;B=2;A=3;", conditions(service->getRoot()->getFirstChild()));
  QvbString saved;  // the same columns read back (the field without format gets one)
  const std::shared_ptr<CCBMain> again = newMain();
  ASSERT_TRUE(service->saveLayoutXml(saved) && again->loadLayoutXml(saved));
  EXPECT_EQ("FLAG;INNER;CNT;ITEM;ITEM_1;ITEM_2;ONE;;",
            std::regex_replace(columns(*again), std::regex(":[^;]*:[^;]*;"), ";"));
  EXPECT_EQ(3, service->getRoot()->getFirstChild()->getNextSibling()->getPropertyCount());
  std::string fields;  // 100000 sibling fields
  for (int i = 0; i < 100000; ++i) fields += "<node type=\"field\"/>";
  ASSERT_TRUE(service->loadLayoutXml(layout(fields).c_str()));
  EXPECT_EQ(100000, service->getOutputCount());
}

// A document read, then written again element by element (derived values recomputed).
TEST(LayoutDocumentTest, WritesTheExampleDocument) {
  const char* const example =
      "<?xml version=\"1.0\"?><CCBLayout><node type=\"root\"><properties>"
      "<Source_File>custrec.cbl</Source_File><usage>DISPLAY</usage>"
      "<max_record_size>11</max_record_size></properties><values/><nodes>"
      "<node type=\"table\"><properties><name>CUST-REC</name><desc/><output_name>CUST-REC"
      "</output_name><level_number>1</level_number><occurs_max>0</occurs_max><occurs_depend/>"
      "<redefine/><const_value/><usage>DISPLAY</usage></properties><values/><nodes>"
      "<node type=\"field\"><properties><name>CUST-ID</name><desc/>"
      "<output_name>CUST-ID</output_name><level_number>5</level_number><occurs_max>0</occurs_max>"
      "<occurs_depend/><redefine/><field_type>Field</field_type><output_length>10</output_length>"
      "<picture>X(10)</picture><const_value/><usage>DISPLAY</usage><sign_leading>0</sign_leading>"
      "<sign_separate>0</sign_separate></properties><values/><nodes/></node>"
      "<node type=\"field\"><properties><name>CUST-FLAG</name><desc/>"
      "<output_name>CUST-FLAG</output_name><level_number>5</level_number><occurs_max>0</occurs_max>"
      "<occurs_depend/><redefine/><field_type>Field</field_type><output_length>5</output_length>"
      "<picture>9</picture><const_value/><usage>DISPLAY</usage><sign_leading>0</sign_leading>"
      "<sign_separate>0</sign_separate></properties>"
      "<values><CUST-ACTIVE>1</CUST-ACTIVE></values><nodes/></node>"
      "</nodes></node></nodes></node></CCBLayout>";
  const std::shared_ptr<CCBMain> service = newMain();
  QvbString xml;
  ASSERT_TRUE(service->loadLayoutXml(example) && service->saveLayoutXml(xml));
  EXPECT_EQ(example, std::regex_replace(xml.asCstr(), std::regex("\n *| (?=/>)"), ""));
}

// Saved, loaded, saved again: the same text, columns and record values; returns the loaded one.
std::shared_ptr<CCBMain> expectRoundTrip(const std::string& copybook, const char* file = nullptr,
                                         int start = 0, int length = 0, int records = 0) {
  test_support::TempDir dir;
  const std::string path = dir.path("layout.xml");
  const std::shared_ptr<CCBMain> parsed = newMain(), loaded = newMain();
  EXPECT_TRUE(parsed->loadCopybook(copybook.c_str()) && parsed->saveLayoutFile(path.c_str()));
  EXPECT_TRUE(loaded->loadLayoutFile(path.c_str())) << loaded->getErrorMessage().asCstr();
  QvbString second;
  EXPECT_TRUE(loaded->saveLayoutXml(second));
  EXPECT_EQ(test_support::readFile(path), second.asCstr());
  EXPECT_EQ(columns(*parsed), columns(*loaded));
  EXPECT_STREQ(copybook.c_str(), loaded->getRoot()->getProperty(0, nullptr).asCstr());
  std::string values[2];  // through the copybook, through the XML
  for (int asXml = 0; file != nullptr && asXml < 2; ++asXml) {
    std::shared_ptr<CCBReader> reader(createCCBReader(), [](CCBReader* r) { r->release(); });
    EXPECT_TRUE(asXml ? reader->addLayoutXml(second, "", true)
                      : reader->addCopybook(copybook.c_str(), "", true));
    EXPECT_TRUE(reader->openDataFile(test_support::dataPath(file).c_str(), start, length != 0, true,
                                     length));
    for (bool failed = false; reader->readNextRecord(failed); values[asXml] += "\n")
      for (int i = 0; i < reader->getOutputCount(); ++i)
        values[asXml] += reader->getOutputValue(i).asString().asCstr() + std::string(";");
  }
  EXPECT_EQ(records, std::count(values[0].begin(), values[0].end(), '\n'));
  EXPECT_EQ(values[0], values[1]);
  return loaded;
}

TEST(LayoutDocumentTest, EveryTestCopybookRoundTrips) {
  const std::string books = test_support::dataPath("copybooks/");
  expectRoundTrip(books + "acctrec.cpy", "files/accounts.dat", 0, 0, 8);    // variable length
  expectRoundTrip(books + "policy.cpy", "files/policies.dat", 32, 185, 6);  // bytes before
  for (const char* name : {"custmast", "itemprice", "jobstats", "txndtl", "txnhdr", "txntrl"})
    expectRoundTrip(books + name + ".cpy");
  // Quotes, markup characters, Latin-1 letters (ISO-8859-1 bytes), a digit first.
  test_support::TempDir dir;
  const std::shared_ptr<CCBMain> loaded = expectRoundTrip(dir.write(
      "cond.cpy",
      copybook_test::source({"01 REC.", "05 KIND PIC X.", "88 1ST-CLASS VALUE 'F'.",
                             "88 QUOTED VALUES 'A\"B' 'IT''S'.", "88 MARKUP VALUES '&' '<' '>'.",
                             "88 CAF\xc9 VALUE '\xe9'.", "05 CR\rLF PIC X."})));
  EXPECT_EQ("1ST-CLASS=F;QUOTED=A\"B;QUOTED=IT''S;MARKUP=&;MARKUP=<;MARKUP=>;CAF\xc9=\xe9;",
            conditions(loaded->getRoot()->getFirstChild()->getFirstChild()));
}

// "name=value;" for the indices -1 to the count, with a '*' after an optional name.
std::string dump(const CCBData& node) {
  std::string text;
  for (int i = -1; i <= node.getPropertyCount(); ++i) {
    bool optional = true;
    const std::string value = node.getProperty(i, &optional).asCstr();
    text += std::string(node.getPropertyName(i).asCstr()) + (optional ? "*=" : "=") + value + ";";
  }
  return text;
}

TEST(NodePropertiesTest, EachKindsList) {
  CCBDataRoot root;
  EXPECT_TRUE(root.setProperty(2, "99"));  // derived: no effect
  EXPECT_EQ("=;Source_File*=;usage=DISPLAY;max_record_size=0;=;", dump(root));
  EXPECT_EQ(
      "=;name=;desc*=;output_name*=;level_number=0;occurs_max=0;occurs_depend=;redefine=;"
      "const_value=;usage=DISPLAY;=;",
      dump(CCBDataTable()));
  CCBDataField f;
  EXPECT_EQ(
      "=;name=;desc*=;output_name*=;level_number=0;occurs_max=0;occurs_depend=;redefine=;"
      "field_type=Field;output_length=-1;picture=;const_value=;usage=DISPLAY;sign_leading=1;"
      "sign_separate=0;=;",
      dump(f));
  for (int index : {-1, 14}) EXPECT_FALSE(f.setProperty(index, "1"));
  EXPECT_FALSE(root.setProperty(3, "1"));
  EXPECT_EQ(-1, CCBDataTable().getPropertyIndex("output_length"));
  EXPECT_EQ(9, f.getPropertyIndex("PICTURE"));  // letter case ignored
}

// One field, set row after row; the links look for the field's earlier siblings.
TEST(NodePropertiesTest, SettingByText) {
  CCBDataRoot root;
  test_support::field(&root, "CNT");
  test_support::table(&root, "ITEMS");
  CCBDataField* f = test_support::field(&root, "F");
  const char* const cases[][4] = {
      // property, text set, text read back, message when setting fails
      {"level_number", "05", "5", ""},
      {"level_number", "abc", "0", ""},  // not validated
      {"sign_leading", "0", "0", ""},
      {"sign_separate", "7", "1", ""},
      {"field_type", "Value", "Value", ""},
      {"field_type", "Filler", "Filler", ""},
      {"field_type", "", "Field", ""},
      {"output_length", "123", "-1", ""},  // derived
      {"occurs_depend", "CNT", "", ""},    // dropped while occurs_max is 0
      {"occurs_max", "9", "9", ""},
      {"occurs_depend", "cnt", "CNT", ""},
      {"occurs_depend", "NOPE", "", "Occurs depending field not found: NOPE"},  // link cleared
      {"redefine", "ITEMS", "ITEMS", ""},
      {"redefine", "", "", "Redefine field/table not found: "},  // looked up like a name
  };
  for (const auto& c : cases) {
    const int index = f->getPropertyIndex(c[0]);
    EXPECT_EQ(*c[3] == '\0', f->setProperty(index, c[1])) << c[0] << "=" << c[1];
    EXPECT_STREQ(c[3], *c[3] == '\0' ? "" : f->getErrorMessage().asCstr());
    EXPECT_STREQ(c[2], f->getProperty(index, nullptr).asCstr()) << c[0] << "=" << c[1];
  }
  EXPECT_STREQ("F", f->getName().asCstr());  // "Filler" left the name alone
  EXPECT_TRUE(f->setProperty(6, "ITEMS") && f->setProperty(6, QvbString(nullptr)));
  EXPECT_EQ(nullptr, f->getRedefines());  // a null text clears the link
}

}  // namespace
