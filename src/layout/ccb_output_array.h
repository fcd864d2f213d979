// CCBOutputArray is a layout's flat list of output columns, one per repetition of
// every field, through which decoded values reach the host, together with the list
// of node entries (one per repetition of every node) that describes the layout's
// hierarchy. It owns its CCBOutputEntry objects; entries point to their nodes
// without owning them. The root of the layout owns the array.
#ifndef LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
#define LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_

#include <deque>
#include <map>
#include <vector>

#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"

class CCBData;

class CCBOutputEntry {
 public:
  CCBOutputEntry(CCBData* node, const QvbString& name, int entryId, int parentEntryId)
      : node_(node), name_(name), entryId_(entryId), parentEntryId_(parentEntryId) {}

  QvbString getName() const { return name_; }
  QvbDatavar getValue() const { return value_; }
  const QvbDatavar& value() const { return value_; }
  void setValue(const QvbDatavar& value) { value_ = value; }
  void clearValue() { value_.setNull(); }
  int getEntryId() const { return entryId_; }
  int getParentEntryId() const { return parentEntryId_; }  // 0 for the root's entry
  CCBData* getNode() const { return node_; }
  int getOutputType() const;
  int getOutputLength() const;
  bool isField() const;

 private:
  CCBData* node_;
  QvbString name_;
  QvbDatavar value_;
  int entryId_;
  int parentEntryId_;
};

class CCBOutputArray {
 public:
  CCBOutputArray() = default;
  CCBOutputArray(const CCBOutputArray&) = delete;
  CCBOutputArray& operator=(const CCBOutputArray&) = delete;

  // Adds an entry for one repetition of node under the entry parentEntryId, with a
  // name unique among fields (or among other nodes): the node's output name, else
  // its name, with "_1", "_2", ... for later uses. Returns the new 1-based entry id.
  int registerNode(CCBData* node, int parentEntryId);

  int getColumnCount() const { return static_cast<int>(columns_.size()); }
  CCBOutputEntry* getColumn(int index) const {  // null out of range
    return index >= 0 && index < getColumnCount() ? columns_[static_cast<size_t>(index)] : nullptr;
  }
  int getNodeEntryCount() const { return static_cast<int>(nodeEntries_.size()); }
  CCBOutputEntry* getNodeEntry(int index);  // null out of range
  void clearColumnValues();

 private:
  struct ExactOrder {
    bool operator()(const QvbString& a, const QvbString& b) const { return a.compare(b, true) < 0; }
  };
  QvbString uniqueName(CCBData* node);

  std::vector<CCBOutputEntry*> columns_;
  std::map<QvbString, int, ExactOrder> fieldNameCounts_;
  std::deque<CCBOutputEntry> nodeEntries_;  // a deque keeps entry addresses stable
  std::map<QvbString, int, ExactOrder> otherNameCounts_;
};

#endif  // LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
