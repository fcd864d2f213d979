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
  lyra_test::TempDir dir;
  EXPECT_FALSE(dom.loadFile(dir.path("missing.xml").c_str()));
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
  lyra_test::TempDir dir;
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

}  // namespace
