// CCBOutputArray is a layout's flat list of output columns, one per repetition of
// every field, through which decoded values reach the host, together with the list
// of node entries (one per repetition of every node) that describes the layout's
// hierarchy. It owns its CCBOutputEntry objects; entries point to their nodes
// without owning them. The root of the layout owns the array.
//
// The values are cleared before every record and set once per column, so both are
// cheap: clearing costs one count (a value set before the latest clear reads as
// null), and the only column of a field that is repeated nowhere shows the field's
// own value instead of a copy of it. A value copied again keeps its characters'
// storage, so that decoding allocates nothing in steady state. Most columns are
// set later still: the walk notes where the field's bytes are, and the value is
// decoded from the record its layout root keeps when it is asked for.
#ifndef LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
#define LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"

class CCBData;

class CCBOutputEntry {
 public:
  // clearCount is the clear count of the array the entry belongs to; fieldValue is
  // the value of the field whose only column this is, otherwise null.
  CCBOutputEntry(CCBData* node, const QvbString& name, int entryId, int parentEntryId,
                 const uint64_t* clearCount, const QvbDatavar* fieldValue)
      : node_(node),
        name_(name),
        entryId_(entryId),
        parentEntryId_(parentEntryId),
        clearCount_(clearCount),
        setAt_(*clearCount),
        fieldValue_(fieldValue) {}

  QvbString getName() const { return name_; }
  const CCBData* node() const { return node_; }  // the node the entry is a repetition of
  // Null when cleared since the value was last set; otherwise the value given to
  // setValue, the field's own value after showFieldValue, or the value decoded from
  // the bytes noted by setLater. getValue decodes straight into the value it returns.
  QvbDatavar getValue() const;
  const QvbDatavar& value() const;
  // The whole text of the value, zero bytes included where they are kept; valid
  // until the entry's next use. False for a null value.
  bool wholeText(const char** bytes, int* length) const;
  // The same text where it lies, without a copy: valid only until the next decoding
  // of the entry's field (for any of its columns) or the next record.
  bool viewText(const char** bytes, int* length) const;
  void setValue(const QvbDatavar& value) {
    value_ = value;
    showsFieldValue_ = false;
    later_ = false;
    setAt_ = *clearCount_;
  }
  // The field's bytes lie at this window position of the record being walked: the
  // value is decoded from there, in the record the layout root keeps, when asked.
  void setLater(int position) {
    position_ = position;
    showsFieldValue_ = false;
    later_ = true;
    setAt_ = *clearCount_;
  }
  // The field's value when this is its only column, otherwise null.
  const QvbDatavar* fieldValue() const { return fieldValue_; }
  // Makes the column show the field's value (fieldValue() must not be null) until the
  // next clear or setValue: the field's only column needs no copy of it.
  void showFieldValue() {
    showsFieldValue_ = true;
    later_ = false;
    setAt_ = *clearCount_;
  }
  // Keeps the whole text of the value just set, zero bytes included, for readers
  // that hand text on with them.
  void keepText(const std::string& text) {
    kept_ = text;
    keptAt_ = *clearCount_;
  }

  int getEntryId() const { return entryId_; }
  int getParentEntryId() const { return parentEntryId_; }  // 0 for the root's entry
  int getOutputType() const;
  int getOutputLength() const;
  bool isField() const;

 private:
  static const QvbDatavar& nullValue();
  void decodeLater(QvbDatavar* value) const;
  const char* decodeText(int* length) const;

  CCBData* node_;
  QvbString name_;
  mutable QvbDatavar value_;  // the value given to setValue, or decoded for value()
  int entryId_;
  int parentEntryId_;
  const uint64_t* clearCount_;    // the array's
  uint64_t setAt_;                // the clear count when the value was set
  const QvbDatavar* fieldValue_;  // not owned
  bool showsFieldValue_ = false;  // the value is *fieldValue_, not value_
  mutable bool later_ = false;    // the value is to be decoded at position_
  int position_ = 0;
  mutable std::string kept_;      // the whole text, for wholeText
  uint64_t keptAt_ = UINT64_MAX;  // the clear count when kept_ was set by keepText
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

  // A repetition count outside 0 to its table's maximum, noted by the record walk
  // (which keeps to those bounds) for readers that take such a record as bad. The
  // first one noted is kept until taken.
  void noteCountOutOfRange(int count, int maximum);
  // False when none was noted; otherwise gives it and forgets it.
  bool takeCountOutOfRange(int* count, int* maximum) {
    if (!countOutOfRange_) return false;
    countOutOfRange_ = false;
    *count = badCount_;
    *maximum = badMaximum_;
    return true;
  }

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
  bool countOutOfRange_ = false;
  int badCount_ = 0;
  int badMaximum_ = 0;
};

#endif  // LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
