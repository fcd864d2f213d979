// CCBLayoutDocument reads and writes the XML layout document: a layout tree as
// nested "node" elements with their properties, condition values and children, and
// the root's layout options other than the defaults as attributes of its element.
// It owns the XML document of one read or write and keeps the message of the step
// that failed. A read hands back the tree as the document describes it, owned by
// the caller and not yet complete (its limits unchecked, no output columns); a
// write leaves its tree unchanged. Created on the stack for one call.
#ifndef LYRA_PERSIST_CCB_LAYOUT_DOCUMENT_H_
#define LYRA_PERSIST_CCB_LAYOUT_DOCUMENT_H_

#include "format/ccb_format.h"
#include "layout/ccb_data_root.h"
#include "lyra/qvb_string.h"
#include "support/qv_dom.h"

class CCBLayoutDocument {
 public:
  CCBLayoutDocument();
  CCBLayoutDocument(const CCBLayoutDocument&) = delete;
  CCBLayoutDocument& operator=(const CCBLayoutDocument&) = delete;

  // Reads the document in the file, or in the text, into a layout tree whose format
  // rules are rules, with the layout options the document records in their place;
  // null on failure.
  CCBDataRoot* readFile(const QvbString& fileName, const CCBFormatRules& rules);
  CCBDataRoot* readXml(const QvbString& xml, const CCBFormatRules& rules);
  // Writes the tree as a document, to the file or as text.
  bool writeFile(const QvbString& fileName, CCBDataRoot* root);
  bool writeXml(QvbString& xml, CCBDataRoot* root);

  QvbString getErrorMessage() const { return errorMessage_; }

 private:
  bool build(CCBDataRoot* root);
  bool writeNode(QvDomNode element, CCBData* node);
  void writeRules(QvDomNode element, const CCBFormatRules& rules);
  bool readRules(QvDomNode element, CCBDataRoot* root);
  CCBDataRoot* readTree();
  CCBData* readNodeList(QvDomNode element, CCBData* parent, int depth);
  CCBData* readNode(QvDomNode element, CCBData* parent, int depth);
  bool readChildren(QvDomNode element, CCBData* node, int depth);
  bool readProperties(CCBData* node, QvDomNode properties);

  QvbString errorMessage_;
  QvDom document_;
  CCBFormatRules rules_;  // of the tree being read
};

#endif  // LYRA_PERSIST_CCB_LAYOUT_DOCUMENT_H_
