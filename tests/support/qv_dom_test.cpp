#include "support/qv_dom.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace {

// Builds head > node(type=field) > properties > {name: CUST-ID, desc: <empty>}.
void buildSample(QvDom& dom) {
  dom.startNewDocument("CCBLayout");
  QvDomNode node = dom.getRoot().addChild("node");
  node.setAttributeValue("type", "field");
  QvDomNode properties = node.addChild("properties");
  properties.addChild("name").setValue("CUST-ID");
  properties.addChild("desc").setValue(QvbString());
  properties.addChild("note").setValue(" ");
  node.addChild("values");
}

TEST(QvDomTest, WrittenDocumentReadsBackIntoTheSameElementsAndTexts) {
  QvDom dom;
  buildSample(dom);
  const QvbString xml = dom.createXML(true, QvDomNode());

  QvDom again;
  ASSERT_TRUE(again.loadXML(xml));
  const QvDomNode head = again.getRoot();
  EXPECT_STREQ("CCBLayout", head.getName().asCstr());
  const QvDomNode node = head.getFirstChild(false);
  EXPECT_STREQ("node", node.getName().asCstr());
  EXPECT_STREQ("field", node.getAttributeValue("type").asCstr());
  EXPECT_TRUE(node.getNextSibling(false).null());

  // Element children never include the whitespace of the indentation.
  QvDomNode properties = node.getFirstChild(false);
  QvDomNode name = properties.getFirstChild(false);
  EXPECT_STREQ("CUST-ID", name.getValue(false).asCstr());
  QvDomNode desc = name.getNextSibling(false);
  EXPECT_STREQ("desc", desc.getName().asCstr());
  EXPECT_TRUE(desc.getValue(false).isNull());  // no text content: a null string
  QvDomNode note = desc.getNextSibling(false);
  EXPECT_STREQ(" ", note.getValue(false).asCstr());  // a single blank survives
  EXPECT_STREQ("values", properties.getNextSibling(false).getName().asCstr());
  EXPECT_TRUE(properties.getNextSibling(false).getFirstChild(false).null());

  EXPECT_STREQ(xml.asCstr(), again.createXML(true, QvDomNode()).asCstr());
}

TEST(QvDomTest, MissingAttributeMatchesNoNodeType) {
  QvDom dom;
  ASSERT_TRUE(dom.loadXML("<CCBLayout><node/></CCBLayout>"));
  const QvbString type = dom.getRoot().getFirstChild(false).getAttributeValue("type");
  for (const char* word : {"root", "table", "field"}) EXPECT_NE(0, type.compare(word, false));
}

TEST(QvDomTest, MalformedInputIsRefused) {
  QvDom dom;
  EXPECT_FALSE(dom.loadXML("<CCBLayout><node></CCBLayout>"));
  EXPECT_FALSE(dom.loadXML("not xml at all <"));
  EXPECT_FALSE(dom.loadXML(""));
  test_support::TempDir dir;
  EXPECT_FALSE(dom.loadFile(dir.path("missing.xml").c_str()));
  EXPECT_STREQ(
      ("Cannot read file '" + dir.path("missing.xml") + "': No such file or directory").c_str(),
      dom.getErrorMessage().asCstr());
  EXPECT_FALSE(dom.loadFile(dir.path("").c_str()));  // a folder: never sized by seeking
  EXPECT_STREQ(("Cannot read file '" + dir.path("") + "': not a regular file").c_str(),
               dom.getErrorMessage().asCstr());
  EXPECT_TRUE(dom.loadFile(dir.write("ok.xml", "<a>1</a>").c_str()));
  EXPECT_TRUE(dom.getRoot().getFirstChild(false).null());
}

TEST(QvDomTest, EntitiesAreNotExpanded) {
  QvDom dom;
  const char* xml =
      "<!DOCTYPE a [<!ENTITY big \"xxxxxxxxxx\"><!ENTITY ext SYSTEM \"file:///etc/passwd\">]>"
      "<a>&big;&ext;&amp;</a>";
  ASSERT_TRUE(dom.loadXML(xml));
  EXPECT_STREQ("&big;&ext;&", dom.getRoot().getValue(false).asCstr());
}

TEST(QvDomTest, Latin1TextRoundTripsThroughUtf8) {
  QvDom dom;
  dom.startNewDocument("CCBLayout");
  dom.getRoot().addChild("v").setValue("caf\xe9");
  const QvbString xml = dom.createXML(false, QvDomNode());
  EXPECT_NE(std::string::npos, std::string(xml.asCstr()).find("caf\xc3\xa9"));
  QvDom again;
  ASSERT_TRUE(again.loadXML(xml));
  EXPECT_STREQ("caf\xe9", again.getRoot().getFirstChild(false).getValue(false).asCstr());
}

TEST(QvDomTest, FilesAreWrittenAndFailuresExplained) {
  test_support::TempDir dir;
  QvDom dom;
  buildSample(dom);
  const std::string path = dir.path("layout.xml");
  ASSERT_TRUE(dom.createFile(path.c_str(), true, QvDomNode()));
  QvDom again;
  ASSERT_TRUE(again.loadFile(path.c_str()));
  EXPECT_STREQ(dom.createXML(true, QvDomNode()).asCstr(),
               again.createXML(true, QvDomNode()).asCstr());

  EXPECT_FALSE(dom.createFile(dir.path("no/such/dir/x.xml").c_str(), true, QvDomNode()));
  EXPECT_NE(std::string::npos,
            std::string(dom.getErrorMessage().asCstr()).find("No such file or directory"));
}

// Element names that are not XML names are escaped character by character as
// "_xHHHH_"; XML names are written as they are.
struct NameCase {
  const char* name;
  const char* written;  // the element name in the UTF-8 document
};

const NameCase NAME_CASES[] = {
    {"CUST-ID", "CUST-ID"},                          // an XML name
    {"A-1.B", "A-1.B"},                              // '-', digit, '.' after the first
    {"a:b", "a:b"},                                  // colon
    {"1ST-CLASS", "_x0031_ST-CLASS"},                // digit first
    {"88", "_x0038_8"},                              // only the first digit
    {"-X", "_x002D_X"},                              // hyphen first
    {"A$B", "A_x0024_B"},                            // '$'
    {"A B", "A_x0020_B"},                            // blank
    {"A&B<C", "A_x0026_B_x003C_C"},                  // markup characters
    {"caf\xe9", "caf\xc3\xa9"},                      // Latin-1 letter
    {"\xe9T\xe9", "\xc3\xa9T\xc3\xa9"},              // Latin-1 letter first
    {"A\xd7Z", "A_x00D7_Z"},                         // multiplication sign
    {"X\xb7", "X\xc2\xb7"},                          // middle dot after the first
    {"\xb7X", "_x00B7_X"},                           // middle dot first
    {"\x80", "_x0080_"},                             // C1 control
    {"_x0031_", "_x005F_x0031_"},                    // looks like an escape
    {"A_x00e9_B", "A_x005F_x00e9_B"},                // lower-case hex digits too
    {"_x0031$", "_x005F_x0031_x0024_"},              // '$' written as an escape
    {"_x0031", "_x0031"},                            // nothing after the digits
    {"_x0031A", "_x0031A"},                          // no '_' after the digits
    {"_X0031_", "_X0031_"},                          // upper-case X
    {"_x00G1_", "_x00G1_"},                          // not hex
    {"_x005F_x0031_", "_x005F_x005F_x005F_x0031_"},  // two look-alikes
    {"", "_x0000_"},                                 // the empty name
};

TEST(QvDomTest, NamesAreEncodedWhenWrittenAndDecodedWhenRead) {
  for (const NameCase& c : NAME_CASES) {
    SCOPED_TRACE(c.name);
    QvDom dom;
    dom.startNewDocument("t");
    dom.getRoot().addChild(c.name).setValue("v");
    EXPECT_STREQ(c.name, dom.getRoot().getFirstChild(false).getName().asCstr());
    const QvbString xml = dom.createXML(false, QvDomNode());
    const std::string element = std::string("<") + c.written + ">v</" + c.written + ">";
    EXPECT_NE(std::string::npos, std::string(xml.asCstr()).find(element)) << xml.asCstr();

    QvDom again;
    ASSERT_TRUE(again.loadXML(xml));
    EXPECT_STREQ(c.name, again.getRoot().getFirstChild(false).getName().asCstr());
  }
}

TEST(QvDomTest, HeadNameIsEncodedToo) {
  QvDom dom;
  dom.startNewDocument("1 HEAD");
  QvDom again;
  ASSERT_TRUE(again.loadXML(dom.createXML(false, QvDomNode())));
  EXPECT_STREQ("1 HEAD", again.getRoot().getName().asCstr());
}

TEST(QvDomTest, HandWrittenEscapesAreDecoded) {
  QvDom dom;
  ASSERT_TRUE(dom.loadXML("<a><_x0041_b/><_x00e9_/><_x0100_/><_x0000_/><x_x/></a>"));
  QvDomNode child = dom.getRoot().getFirstChild(false);
  for (const char* name : {"Ab", "\xe9", "?", "", "x_x"}) {
    ASSERT_FALSE(child.null());
    EXPECT_STREQ(name, child.getName().asCstr());
    child = child.getNextSibling(false);
  }
  EXPECT_TRUE(child.null());
}

}  // namespace
