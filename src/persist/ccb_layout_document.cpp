#include "persist/ccb_layout_document.h"

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_table.h"
#include "lyra/ccb_layout_options.h"

namespace {

const char* const HEAD_ELEMENT = "CCBLayout";
// Attributes of the root node element that record layout options other than the
// defaults, so that a document loads back into the layout it was saved from.
const char* const FLOAT_FORMAT_ATTRIBUTE = "float_format";
const char* const NATIONAL_UTF16_ATTRIBUTE = "national_utf16";
const char* const ODO_LAYOUT_ATTRIBUTE = "odo_layout";
const char* const OCCURS_MINIMUM_ATTRIBUTE = "occurs_min";  // of a node: m of OCCURS m TO n

bool named(const QvbString& actual, const char* expected) {
  return actual.compare(expected, false) == 0;
}

// A new node of the type an element's "type" attribute names, or null.
CCBData* createNode(const QvbString& type) {
  if (named(type, "root")) return new CCBDataRoot();
  if (named(type, "table")) return new CCBDataTable();
  if (named(type, "field")) return new CCBDataField();
  return nullptr;
}

}  // namespace

CCBLayoutDocument::CCBLayoutDocument() {
  errorMessage_.setNull();
}

bool CCBLayoutDocument::writeFile(const QvbString& fileName, CCBDataRoot* root) {
  if (!build(root)) return false;
  if (document_.createFile(fileName, true, QvDomNode())) return true;
  errorMessage_ = document_.getErrorMessage();
  return false;
}

bool CCBLayoutDocument::writeXml(QvbString& xml, CCBDataRoot* root) {
  if (!build(root)) return false;
  xml = document_.createXML(true, QvDomNode());
  return true;
}

bool CCBLayoutDocument::build(CCBDataRoot* root) {
  document_.startNewDocument(HEAD_ELEMENT);
  return writeNode(document_.getRoot().addChild("node"), root);
}

bool CCBLayoutDocument::writeNode(QvDomNode element, CCBData* node) {
  if (node == nullptr) return true;
  element.setAttributeValue("type", node->getNodeTypeName());
  if (node->isRoot()) writeRules(element, static_cast<CCBDataRoot*>(node)->formatRules());
  // Only a layout of the extended services has a minimum; the properties have no room.
  if (node->getOccursMinimum() > 0) {
    element.setAttributeValue(OCCURS_MINIMUM_ATTRIBUTE,
                              qvbStringFormat("%d", node->getOccursMinimum()));
  }
  QvDomNode properties = element.addChild("properties");
  for (int i = 0; i < node->getPropertyCount(); ++i) {
    properties.addChild(node->getPropertyName(i)).setValue(node->getProperty(i, nullptr));
  }
  QvDomNode values = element.addChild("values");
  for (int i = 0; i < node->getConditionCount(); ++i) {
    values.addChild(node->getConditionName(i)).setValue(node->getConditionValue(i));
  }
  QvDomNode nodes = element.addChild("nodes");
  for (CCBData* child = node->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
    if (!writeNode(nodes.addChild("node"), child)) return false;
  }
  return true;
}

CCBDataRoot* CCBLayoutDocument::readFile(const QvbString& fileName, const CCBFormatRules& rules) {
  rules_ = rules;
  if (document_.loadFile(fileName)) return readTree();
  errorMessage_ = QvbString("Error Loading xml");
  return nullptr;
}

CCBDataRoot* CCBLayoutDocument::readXml(const QvbString& xml, const CCBFormatRules& rules) {
  rules_ = rules;
  if (document_.loadXML(xml)) return readTree();
  errorMessage_ = QvbString("Error Loading xml");
  return nullptr;
}

CCBDataRoot* CCBLayoutDocument::readTree() {
  // A document without a head element, or with an empty head, would fail with no
  // reason at all; it gets one.
  const QvDomNode head = document_.getRoot();
  if (head.null()) {
    errorMessage_ = QvbString("Invalid XML file - Missing Head tag");
    return nullptr;
  }
  if (!named(head.getName(), HEAD_ELEMENT)) {
    errorMessage_ = QvbString("Invalid XML file - Missing Head tag");
    return nullptr;
  }
  const QvDomNode first = head.getFirstChild(false);
  if (first.null()) {
    errorMessage_ = QvbString("Invalid XML file - No node under the head tag");
    return nullptr;
  }
  if (!named(first.getAttributeValue("type"), "root")) {
    errorMessage_ = QvbString("First node not of type 'root'");
    return nullptr;
  }
  return static_cast<CCBDataRoot*>(readNodeList(first, nullptr, 0));
}

// Reads element and every element after it. With a parent, each node is attached
// to it as soon as it is created (so that links resolve from the node's place) and
// the parent's tree owns it. Without one, the first node is the result and the
// nodes of later elements are checked like it and then released. On failure every
// node not owned by a parent is released and the result is null.
CCBData* CCBLayoutDocument::readNodeList(QvDomNode element, CCBData* parent, int depth) {
  CCBData* first = nullptr;
  for (QvDomNode e = element; !e.null(); e = e.getNextSibling(false)) {
    CCBData* node = readNode(e, parent, depth);
    if (node == nullptr) {
      if (parent == nullptr) delete first;
      return nullptr;
    }
    if (first == nullptr) {
      first = node;
    } else if (parent == nullptr) {
      delete node;
    }
  }
  return first;
}

// Reads one "node" element with its properties, values and children.
CCBData* CCBLayoutDocument::readNode(QvDomNode element, CCBData* parent, int depth) {
  if (!named(element.getName(), "node")) {
    errorMessage_ = QvbString("Tag mismatch - Node");
    return nullptr;
  }
  CCBData* node = createNode(element.getAttributeValue("type"));
  if (node == nullptr) {
    errorMessage_ = QvbString("Not a valid node type");
    return nullptr;
  }
  if (parent != nullptr) parent->addChild(node);
  const int minimum = element.getAttributeValue(OCCURS_MINIMUM_ATTRIBUTE).asInt();
  node->setOccursMinimum(minimum > 0 ? minimum : 0);
  if (node->isRoot() && !readRules(element, static_cast<CCBDataRoot*>(node))) {
    if (parent == nullptr) delete node;
    return nullptr;
  }
  if (depth > MAX_LAYOUT_DEPTH) {
    errorMessage_ = layoutTooDeepMessage();
  } else if (readChildren(element, node, depth)) {
    return node;
  }
  if (parent == nullptr) delete node;
  return nullptr;
}

void CCBLayoutDocument::writeRules(QvDomNode element, const CCBFormatRules& rules) {
  if (rules.floatFormat != CCB_FLOAT_NONE) {
    element.setAttributeValue(FLOAT_FORMAT_ATTRIBUTE,
                              ccbFloatFormatName(static_cast<CCBFloatFormat>(rules.floatFormat)));
  }
  if (rules.nationalUtf16) element.setAttributeValue(NATIONAL_UTF16_ATTRIBUTE, "true");
  if (rules.odoMax) element.setAttributeValue(ODO_LAYOUT_ATTRIBUTE, "max");
}

// The root's rules: those the read was given, with those the document records in
// their place.
bool CCBLayoutDocument::readRules(QvDomNode element, CCBDataRoot* root) {
  CCBFormatRules rules = rules_;
  const QvbString floatFormat = element.getAttributeValue(FLOAT_FORMAT_ATTRIBUTE);
  if (floatFormat.length() > 0) {
    CCBFloatFormat format = CCB_FLOAT_NONE;
    if (!ccbFloatFormatFromName(floatFormat.asCstr(), &format)) {
      errorMessage_ = qvbStringFormat("Unknown float format: %s", floatFormat.asCstr());
      return false;
    }
    rules.floatFormat = format;
  }
  const QvbString national = element.getAttributeValue(NATIONAL_UTF16_ATTRIBUTE);
  if (national.length() > 0) rules.nationalUtf16 = national.compare("true", false) == 0;
  const QvbString odoLayout = element.getAttributeValue(ODO_LAYOUT_ATTRIBUTE);
  if (odoLayout.length() > 0) {
    CCBOdoLayout layout = CCB_ODO_SHIFT;
    if (!ccbOdoLayoutFromName(odoLayout.asCstr(), &layout)) {
      errorMessage_ = qvbStringFormat("Unknown odo layout: %s", odoLayout.asCstr());
      return false;
    }
    rules.odoMax = layout == CCB_ODO_MAX;
  }
  root->setFormatRules(rules);
  return true;
}

bool CCBLayoutDocument::readChildren(QvDomNode element, CCBData* node, int depth) {
  for (QvDomNode child = element.getFirstChild(false); !child.null();
       child = child.getNextSibling(false)) {
    const QvbString name = child.getName();
    if (named(name, "properties")) {
      if (!readProperties(node, child)) return false;
    } else if (named(name, "nodes")) {
      const QvDomNode first = child.getFirstChild(false);
      if (!first.null() && readNodeList(first, node, depth + 1) == nullptr) return false;
    } else if (named(name, "values")) {
      for (QvDomNode value = child.getFirstChild(false); !value.null();
           value = value.getNextSibling(false)) {
        node->addCondition(value.getName(), value.getValue(false));
      }
    }
  }
  return true;
}

// Documents list a node's properties in the order of their indexes: the index after
// the last one read is tried first.
bool CCBLayoutDocument::readProperties(CCBData* node, QvDomNode properties) {
  int next = 0;
  for (QvDomNode child = properties.getFirstChild(false); !child.null();
       child = child.getNextSibling(false)) {
    const QvbString name = child.getName();
    const bool inOrder =
        next < node->getPropertyCount() && name.compare(node->getPropertyName(next), false) == 0;
    const int index = inOrder ? next : node->getPropertyIndex(name);
    if (index == -1) continue;
    next = index + 1;
    if (!node->setProperty(index, child.getValue(false))) {
      errorMessage_ = node->getErrorMessage();
      return false;
    }
  }
  if (node->createFormat()) return true;
  errorMessage_ = node->getErrorMessage();
  return false;
}
