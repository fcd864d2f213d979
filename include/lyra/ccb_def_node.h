// CCBDefNode is the host's view of one node of a layout tree: the root, a group or
// table, or an elementary field. The layout service hands out the root through this
// interface; the tree belongs to the service, and a node pointer stays valid until
// the service loads another layout or is released. Through it a host walks the tree
// (first child, next sibling, parent), reads names, and reads or changes the node's
// named properties and level-88 conditions. One thread uses a tree at a time.
#ifndef LYRA_CCB_DEF_NODE_H_
#define LYRA_CCB_DEF_NODE_H_

#include "lyra/export.h"
#include "lyra/qvb_string.h"

class LYRA_API CCBDefNode {
 public:
  CCBDefNode();
  CCBDefNode(const CCBDefNode& other);
  CCBDefNode& operator=(const CCBDefNode& other);
  virtual ~CCBDefNode();

  virtual QvbString getErrorMessage() const = 0;  // the text of the node's last failure
  virtual CCBDefNode* getParent() const = 0;
  virtual CCBDefNode* getNextSibling() const = 0;
  virtual CCBDefNode* getFirstChild() const = 0;
  virtual QvbString getName() const = 0;
  virtual QvbString getDescription() const = 0;
  virtual QvbString getOutputName() const = 0;
  virtual void setOutputName(QvbString outputName) = 0;

  // Named properties: 14 for a field, 9 for a table, 3 for the root. An index out of
  // range gives an empty text (and *optional false) or, for setProperty, false.
  virtual int getPropertyCount() const = 0;
  virtual QvbString getPropertyName(int index) const = 0;
  virtual QvbString getProperty(int index, bool* optional) const = 0;
  virtual bool setProperty(int index, const QvbString& value) = 0;
  // Rebuilds a field's format from its picture, usage and sign properties; call it
  // after changing them. Tables and the root answer true.
  virtual bool createFormat() = 0;

  // Level-88 condition names of a field (tables and the root have none).
  virtual int getConditionCount() const = 0;
  virtual QvbString getConditionName(int index) const = 0;
  virtual QvbString getConditionValue(int index) const = 0;
  virtual bool addCondition(const QvbString& name, const QvbString& value) = 0;
  virtual void clearConditions() = 0;
};

#endif  // LYRA_CCB_DEF_NODE_H_
