// CCBData is the common base of the three kinds of layout node: the root
// (CCBDataRoot), groups and tables (CCBDataTable) and elementary fields
// (CCBDataField). It holds the tree links, the attributes every data description
// entry has, the OCCURS and REDEFINES links, the state of the last record walk, and
// plain pointers to the objects a whole tree shares while records are read (data
// file, its decoding, output array, debug callback), none of which it owns.
//
// Ownership: a node owns its first child and its next sibling, so destroying the
// root destroys the whole tree once. Destruction never recurses, whatever the shape
// of the tree. A node that was never added to a parent is destroyed directly.
// One thread uses a tree at a time; even a walk changes per-node state.
#ifndef LYRA_LAYOUT_CCB_DATA_H_
#define LYRA_LAYOUT_CCB_DATA_H_

#include "lyra/ccb_def_node.h"
#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_string.h"

class CCBDataFile;
class CCBOutputArray;
struct CCBDecoding;

// How deep a layout tree may nest below its root; deeper layouts are refused when
// they are built, so that walks over the depth of a tree stay within the stack.
const int MAX_LAYOUT_DEPTH = 256;

// The message that refuses a layout nested deeper than MAX_LAYOUT_DEPTH.
QvbString layoutTooDeepMessage();

class CCBData : public CCBDefNode {
 public:
  ~CCBData() override;
  CCBData(const CCBData&) = delete;
  CCBData& operator=(const CCBData&) = delete;

  QvbString getErrorMessage() const override { return errorMessage_; }
  CCBData* getParent() const override { return parent_; }
  CCBData* getNextSibling() const override { return nextSibling_; }
  CCBData* getFirstChild() const override { return firstChild_; }
  QvbString getName() const override { return name_; }
  QvbString getDescription() const override { return description_; }
  QvbString getOutputName() const override { return outputName_; }
  void setOutputName(QvbString outputName) override { outputName_ = outputName; }
  int getPropertyCount() const override { return propertyCount_; }
  int getConditionCount() const override { return 0; }
  QvbString getConditionName(int index) const override;
  QvbString getConditionValue(int index) const override;
  bool addCondition(const QvbString& name, const QvbString& value) override;
  void clearConditions() override {}

  virtual void setConstValue(const QvbString& value);
  virtual QvbString getConstValue() const;
  virtual void setOccurs(int maximum);  // a fixed repetition count
  // A variable repetition count read from the named field, which must precede this
  // node; false with a message when no such field is found.
  virtual bool setOccursDepending(const QvbString& name, int maximum);
  virtual bool isOccursFixed() const;
  virtual bool isOccursDepending() const;
  virtual CCBData* getOccursDependingNode() const { return dependingNode_; }
  virtual int getOccursMax() const { return occursMax_; }
  // Makes this node start where the named earlier node starts; false with a message
  // when no such node is found. A null name removes the redefinition.
  virtual bool setRedefines(const QvbString& name);
  virtual CCBData* getRedefines() const { return redefines_; }
  virtual bool decodeValue(int offset, int* nextOffset, int column);
  virtual int getStorageLength(bool zeroIfRedefines) const;
  virtual int getOutputLength() const { return 0; }
  virtual int getOutputType() const { return 0; }
  virtual QvbString getNodeTypeName() const = 0;
  virtual int getPropertyIndex(const QvbString& name) const = 0;
  // The most bytes a record of this subtree occupies: repetitions at their maximum,
  // redefining items counted 0. Saturates at INT_MAX.
  virtual int getMaxLength() const;
  virtual bool isRoot() const { return false; }
  virtual bool isField() const { return false; }
  virtual bool isTable() const { return false; }

  void setName(const QvbString& name) { name_ = name; }
  void setDescription(const QvbString& description) { description_ = description; }
  QvbString getUsage() const { return usage_; }
  void setUsage(const QvbString& usage) { usage_ = usage; }
  int getLevelNumber() const { return levelNumber_; }
  void setLevelNumber(int levelNumber) { levelNumber_ = levelNumber; }
  void setErrorMessage(const char* message) { errorMessage_.assign(message); }
  void setErrorMessage(const QvbString& message) { errorMessage_ = message; }
  CCBData* getPreviousSibling() const { return previousSibling_; }
  int getDepth() const;  // the number of ancestors

  // Appends child (not yet in any tree) as the last child; this node then owns it.
  void addChild(CCBData* child);
  // Child iteration with a cursor kept in the node: restart gives the first child,
  // each later call the next one, null past the last.
  CCBData* nextChild(bool restart);

  // These store the pointer in this node, its subtree and every later sibling with
  // its subtree; called on a root they reach the whole tree.
  void setDebugCallback(LYRADebugCallback* callback);
  // The data file and how its bytes decode; both stay the reader's.
  void setDataSource(CCBDataFile* dataSource, const CCBDecoding* decoding);
  void setOutputArray(CCBOutputArray* outputArray);
  // Makes room in the fields' text buffers for characters of up to expansion bytes
  // each, over the same nodes; false when memory runs out.
  bool reserveText(int expansion);
  CCBDataFile* getDataSource() const { return dataSource_; }
  const CCBDecoding* getDecoding() const { return decoding_; }
  // The root whose walks read this node, from the time a data source is set on that
  // root; null for a node outside a layout.
  CCBData* getLayoutRoot() const { return layoutRoot_; }
  CCBOutputArray* getOutputArray() const { return outputArray_; }
  LYRADebugCallback* getDebugCallback() const { return debugCallback_; }

  // Registers one output entry per repetition of this node and of its subtree, and
  // returns the number of columns (field repetitions) it covers.
  int countColumns(int parentEntryId);
  // The number of output entries countColumns would register, or with columnsOnly of
  // its columns (saturating).
  long long countOutputEntries(bool columnsOnly = false) const;
  // Lays this node over the record bytes at startOffset, decoding every field
  // occurrence into columns from column on; *position ends after the node.
  bool walkRecord(int column, int startOffset, int* position) {
    startOffset_ = startOffset;
    *position = startOffset;
    // Most nodes have no OCCURS, which their own links tell without virtual queries.
    if (occursMax_ != 0 || dependingNode_ != nullptr) return walkRepetitions(column, position);
    return fieldNode_ ? decodeValue(startOffset, position, column) : walkChildren(column, position);
  }

  // A skipped node is passed over by walks of its parent: it reads no bytes and its
  // columns stay null, though a node that redefines it still starts where it would.
  void setSkipped(bool skipped) { skipped_ = skipped; }
  bool isSkipped() const { return skipped_; }

  // A maximum of 0 is no repetition, so it also ends any DEPENDING ON link: a table
  // of at most 0 repetitions depending on a count could not be saved as it reads.
  void setOccursMax(int maximum) {
    occursMax_ = maximum;
    if (maximum == 0) dependingNode_ = nullptr;
  }
  int getOccursDependingValue() const;
  // The fewest repetitions a DEPENDING ON count may give (m of OCCURS m TO n); a count
  // below it makes a record bad for the readers that check counts. 0 unless written.
  void setOccursMinimum(int minimum) { occursMin_ = minimum; }
  int getOccursMinimum() const { return occursMin_; }
  int getColumnCount() const { return columnCount_; }
  // Makes an OCCURS DEPENDING ON table take its maximum size, repetitionLength bytes
  // each, whatever its count: the walk passes over the repetitions the count leaves
  // out. 0: the table takes what its count gives.
  void setMaximumStride(int repetitionLength) { maximumStride_ = repetitionLength; }

 protected:
  // isFieldNode: the node is a field (what isField() answers), kept in the node so
  // that the record walk asks it without a virtual call.
  CCBData(int propertyCount, bool isFieldNode);

  // The reserveText step of one node; only fields keep text.
  virtual bool reserveOwnText(int /*expansion*/) { return true; }

  // The shared properties of fields and tables (indices 0 to 6).
  QvbString getCommonProperty(int index) const;
  bool setCommonProperty(int index, const QvbString& value);

  QvbString errorMessage_;

 private:
  CCBData* findOther(const QvbString& name, bool matchTables, bool matchFields);
  void attachSource(CCBDataFile* dataSource, const CCBDecoding* decoding, CCBData* root);
  int repetitionCount();
  int dependingCount(bool* notNumber) const;
  QvbString countProblem(int value, bool notNumber) const;
  int declaredRepetitions() const;
  bool walkRepetitions(int column, int* position);
  bool walkChildren(int column, int* position);
  long long maxLength() const;

  CCBData* parent_ = nullptr;
  CCBData* previousSibling_ = nullptr;
  CCBData* nextSibling_ = nullptr;
  CCBData* firstChild_ = nullptr;
  CCBData* lastChild_ = nullptr;
  CCBData* childCursor_ = nullptr;  // null: past the last child
  QvbString name_;
  QvbString description_;
  QvbString outputName_;
  int levelNumber_ = 0;
  int propertyCount_;
  const bool fieldNode_;
  QvbString usage_;
  int startOffset_ = 0;
  CCBData* dependingNode_ = nullptr;
  int occursMax_ = 0;
  int occursMin_ = 0;
  CCBData* redefines_ = nullptr;
  CCBDataFile* dataSource_ = nullptr;
  const CCBDecoding* decoding_ = nullptr;
  CCBData* layoutRoot_ = nullptr;
  CCBOutputArray* outputArray_ = nullptr;
  int columnCount_ = 0;
  int columnsPerRepetition_ = 0;
  int maximumStride_ = 0;
  bool skipped_ = false;
  LYRADebugCallback* debugCallback_ = nullptr;
};

// Name search used to resolve DEPENDING ON and REDEFINES: the nearest preceding
// siblings of start (each with its whole subtree) first, then its parent and the
// parent's other children, then the same one level up, and so on. Only tables
// (matchTables) and fields (matchFields) match; names compare without regard to
// case. skipStart leaves start itself out. Null when nothing matches.
CCBData* findByName(CCBData* start, const QvbString& name, bool matchTables, bool matchFields,
                    bool skipStart);
// The first match in node's subtree, node first, children in order, leaving out
// the child excluded (and its subtree).
CCBData* findInSubtree(CCBData* node, const QvbString& name, CCBData* excluded, bool matchTables,
                       bool matchFields);

#endif  // LYRA_LAYOUT_CCB_DATA_H_
