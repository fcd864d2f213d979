// CCBOutputArray is a layout's flat list of output columns, one per repetition of
// every field, through which decoded values reach the host, together with the list
// of node entries (one per repetition of every node) that describes the layout's
// hierarchy. It owns its CCBOutputEntry objects; entries point to their nodes
// without owning them. The root of the layout owns the array.
//
// Clearing the column values is done once per record, so it costs one count: a
// value set before the latest clear reads as null. A value that is set again keeps
// its characters' storage, so that decoding allocates nothing in steady state.
#ifndef LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
#define LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"

class CCBData;

class CCBOutputEntry {
 public:
  // clearCount is the clear count of the array the entry belongs to.
  CCBOutputEntry(CCBData* node, const QvbString& name, int entryId, int parentEntryId,
                 const uint64_t* clearCount)
      : node_(node),
        name_(name),
        entryId_(entryId),
        parentEntryId_(parentEntryId),
        clearCount_(clearCount),
        setAt_(*clearCount) {}

  QvbString getName() const { return name_; }
  QvbDatavar getValue() const { return isSet() ? value_ : QvbDatavar(); }
  const QvbDatavar& value() const { return isSet() ? value_ : nullValue(); }
  void setValue(const QvbDatavar& value) {
    value_ = value;
    setAt_ = *clearCount_;
  }
  void clearValue() { value_.setNull(); }
  int getEntryId() const { return entryId_; }
  int getParentEntryId() const { return parentEntryId_; }  // 0 for the root's entry
  CCBData* getNode() const { return node_; }
  int getOutputType() const;
  int getOutputLength() const;
  bool isField() const;

 private:
  bool isSet() const { return setAt_ == *clearCount_; }
  static const QvbDatavar& nullValue();

  CCBData* node_;
  QvbString name_;
  QvbDatavar value_;  // the value, unless cleared since it was set
  int entryId_;
  int parentEntryId_;
  const uint64_t* clearCount_;  // the array's
  uint64_t setAt_;              // the clear count when value_ was set
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
  CCBOutputEntry* getNodeEntry(int index);     // null out of range
  void clearColumnValues() { ++clearCount_; }  // every column's value reads as null

 private:
  struct ExactOrder {
    bool operator()(const QvbString& a, const QvbString& b) const { return a.compare(b, true) < 0; }
  };
  QvbString uniqueName(CCBData* node);

  std::vector<CCBOutputEntry*> columns_;
  std::map<QvbString, int, ExactOrder> fieldNameCounts_;
  std::deque<CCBOutputEntry> nodeEntries_;  // a deque keeps entry addresses stable
  std::map<QvbString, int, ExactOrder> otherNameCounts_;
  uint64_t clearCount_ = 0;  // never wraps in practice: 2^64 records
};

#endif  // LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
