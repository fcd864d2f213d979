// QvDom is an XML document and QvDomNode a handle on one of its elements: a thin
// layer over pugixml. The document owns every element; a handle is a small value,
// valid while its document lives and is not reloaded. A default handle is null.
//
// Text crosses this layer as ISO-8859-1 (the library's one-byte text) and is held
// and written as UTF-8. Loading never expands entities beyond the five predefined
// ones and character references, and never reads anything but the given input.
//
// Element names are any text. A name is encoded when it is written (addChild,
// startNewDocument) and decoded when it is read (getName), so every name reads back
// as written. Each character that may not stand where it is in an XML name (a digit
// or '-' first, a blank, '$', ...) becomes "_xHHHH_", its code in four upper-case
// hex digits ("1ST" is written "_x0031_ST"). A '_' that would begin such an escape
// once written is itself escaped as "_x005F_", so decoding is exact; any other XML
// name is written unchanged. The empty name is written "_x0000_". Reading also
// takes lower-case hex digits; a code above 0xFF reads as '?'.
#ifndef LYRA_SUPPORT_QV_DOM_H_
#define LYRA_SUPPORT_QV_DOM_H_

#include <pugixml.hpp>

#include "lyra/qvb_string.h"

class QvDomNode {
 public:
  QvDomNode() = default;

  bool null() const { return !node_; }
  QvbString getName() const;  // decoded
  // The element's text content; a null string when it has none. The flag is unused.
  QvbString getValue(bool deep) const;
  // The attribute's value; a null string when the attribute is missing.
  QvbString getAttributeValue(const QvbString& name) const;
  bool setAttributeValue(const QvbString& name, const QvbString& value);
  // Appends an element of that name (encoded) after the existing children.
  QvDomNode addChild(const QvbString& name);
  void setValue(const QvbString& text);  // null or empty: no text content
  // Element children in document order; never text, comments or whitespace.
  QvDomNode getFirstChild(bool deep) const;
  QvDomNode getNextSibling(bool deep) const;

 private:
  friend class QvDom;
  explicit QvDomNode(pugi::xml_node node) : node_(node) {}
  pugi::xml_node node_;
};

class QvDom {
 public:
  QvDom() = default;
  QvDom(const QvDom&) = delete;
  QvDom& operator=(const QvDom&) = delete;

  // Replaces the document with one holding an empty head element of that name.
  bool startNewDocument(const QvbString& headName);
  QvDomNode getRoot() const;  // the head element, or a null handle

  // Write the document (or the subtree of a non-null node), indented by two spaces
  // when indent is set. createFile returns false and keeps a message on failure.
  bool createFile(const QvbString& fileName, bool indent, QvDomNode node);
  QvbString createXML(bool indent, QvDomNode node) const;

  // Replace the document with the one read; false when it cannot be read or is not
  // well-formed, with a message.
  bool loadFile(const QvbString& fileName);
  bool loadXML(const QvbString& text);

  QvbString getErrorMessage() const { return error_; }

 private:
  bool takeResult(const pugi::xml_parse_result& result);

  pugi::xml_document doc_;
  QvbString error_;
};

#endif  // LYRA_SUPPORT_QV_DOM_H_
