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
// decoded from the record its layout root keeps when it is asked for. A record read
// by its layout's plan sets no column at all: the array notes where it starts, and
// each column knows its field's offset in it.
#ifndef LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
#define LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"

class CCBData;
struct CCBDecoding;

// Room for the texts that the entries of one array keep whole for the record being
// read, in blocks that stay where they are until the next record: a layout may have
// millions of columns, and a block of texts costs a few bytes each.
class CCBKeptTexts {
 public:
  // Room for length bytes, valid until room is asked for with another clear count
  // than at.
  char* room(uint64_t at, size_t length);

 private:
  static const size_t BLOCK_SIZE = 64 * 1024;

  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t size;
  };
  std::vector<Block> blocks_;
  size_t current_ = 0;    // the block being filled for the record blocksAt_
  size_t blockUsed_ = 0;  // of it
  uint64_t blocksAt_ = UINT64_MAX;
};

// What the entries of one array share about the record being read: the clear count
// (a value set before the latest clear reads as null), when the record was set from
// its layout's plan, where its bytes are kept, and the texts its entries keep.
struct CCBRecordState {
  uint64_t clearCount = 0;                      // never wraps in practice: 2^64 records
  uint64_t plannedAt = UINT64_MAX;              // the clear count of the record set from the plan
  const unsigned char* plannedBytes = nullptr;  // its bytes, kept by the layout root
  mutable CCBKeptTexts kept;                    // a cache of texts, which readers fill
};

class CCBOutputEntry {
 public:
  // baseName is kept by the array the entry belongs to: the entry's name is it, with
  // "_" and nameNumber after it when nameNumber is not 0. record is that array's
  // state; soleColumn says that the entry is the only column of a field.
  CCBOutputEntry(CCBData* node, const QvbString* baseName, int nameNumber, int entryId,
                 int parentEntryId, const CCBRecordState* record, bool soleColumn)
      : node_(node),
        record_(record),
        setAt_(record->clearCount),
        soleColumn_(soleColumn),
        baseName_(baseName),
        nameNumber_(nameNumber),
        entryId_(entryId),
        parentEntryId_(parentEntryId) {}

  QvbString getName() const;
  const CCBData* node() const { return node_; }  // the node the entry is a repetition of
  // Null when cleared since the value was last set; otherwise the value given to
  // setValue, the field's own value after showFieldValue, or the value decoded from
  // the bytes noted by setLater or by the plan. getValue decodes straight into the
  // value it returns.
  QvbDatavar getValue() const;
  const QvbDatavar& value() const;
  // The whole text of the value, zero bytes included where they are kept; valid
  // until the entry's next use. False for a null value.
  bool wholeText(const char** bytes, int* length) const;
  // The field's bytes in the record its layout root keeps (walked, or set from the
  // plan), decoded as the root says, while the value is still to be decoded from
  // them; null otherwise.
  const unsigned char* laterBytes() const;
  // The same text where it lies, without a copy: valid only until the next decoding
  // of the entry's field (for any of its columns) or the next record.
  bool viewText(const char** bytes, int* length) const;
  // The text that the field's bytes at bytes give, as viewText gives a value still to
  // be decoded: valid only until the next decoding of the entry's field.
  void textOf(const unsigned char* bytes, const char** text, int* length) const;
  void setValue(const QvbDatavar& value) {
    heldValue() = value;
    showsFieldValue_ = false;
    later_ = false;
    setAt_ = record_->clearCount;
  }
  // The field's bytes lie at this window position of the record being walked: the
  // value is decoded from there, in the record the layout root keeps, when asked.
  void setLater(int position) {
    position_ = position;
    showsFieldValue_ = false;
    later_ = true;
    setAt_ = record_->clearCount;
  }
  // The field's bytes lie at offset from the start of every record set from the
  // layout's plan (see CCBOutputArray::setPlannedRecord).
  void setPlanOffset(int offset) { planOffset_ = offset; }
  int planOffset() const { return planOffset_; }  // -1: none
  // Whether this is the only column of its field (neither the field nor any of its
  // ancestors repeats), which may show the field's own value.
  bool isSoleColumn() const { return soleColumn_; }
  // Makes the column show the field's value (REQUIRES: isSoleColumn()) until the next
  // clear or setValue: the field's only column needs no copy of it.
  void showFieldValue() {
    showsFieldValue_ = true;
    later_ = false;
    setAt_ = record_->clearCount;
  }
  // Keeps the whole text of the value just set, zero bytes included, for readers
  // that hand text on with them.
  void keepText(const std::string& text) {
    keep(text.data(), static_cast<int>(text.size()));
    keptValue_ = true;
  }

  int getEntryId() const { return entryId_; }
  int getParentEntryId() const { return parentEntryId_; }  // 0 for the root's entry
  int getOutputType() const;
  int getOutputLength() const;
  bool isField() const;

 private:
  enum State { NO_VALUE, LATER, HELD };
  // Where the value of the record is: none, the field's bytes (*bytes) in the record
  // its layout root keeps, or held by the entry.
  State state(const unsigned char** bytes) const;
  State view(const char** bytes, int* length, const unsigned char** later) const;
  const CCBDecoding& decoding() const;  // of the kept record
  static const QvbDatavar& nullValue();
  void decodeLater(const unsigned char* bytes, QvbDatavar* value) const;
  const char* decodeText(const unsigned char* bytes, int* length) const;
  const QvbDatavar& fieldValue() const;  // REQUIRES: soleColumn_
  // Keeps a copy of the text for the rest of the record, as a text that is not the
  // value's (keepText marks it so); returns the copy.
  const char* keep(const char* bytes, int length) const;
  // The text keepText kept in this record; false when it kept none.
  bool keptValue(const char** bytes, int* length) const {
    if (keptAt_ != record_->clearCount || !keptValue_) return false;
    *bytes = kept_;
    *length = keptLength_;
    return true;
  }
  // The value held in state HELD: the field's, the one set, or null when none was.
  const QvbDatavar& heldNow() const {
    if (showsFieldValue_) return fieldValue();
    return value_ != nullptr ? *value_ : nullValue();
  }
  // What the entry holds, made the first time it is needed: most entries never hold a
  // value or keep a text, and a layout may have millions of them.
  QvbDatavar& heldValue() const {
    if (value_ == nullptr) value_.reset(new QvbDatavar());
    return *value_;
  }

  // What reading a value looks at first, then what names and keeps it.
  CCBData* node_;
  const CCBRecordState* record_;  // the array's
  mutable uint64_t setAt_;        // the clear count when the value was set
  int position_ = 0;
  int planOffset_ = -1;                   // none: the plan does not set the column
  mutable bool later_ = false;            // the value is to be decoded at position_
  mutable bool showsFieldValue_ = false;  // the value is the field's, not *value_
  bool soleColumn_;
  mutable bool keptValue_ = false;             // the kept text is the value's, from keepText
  mutable std::unique_ptr<QvbDatavar> value_;  // given to setValue, or decoded for value()
  const QvbString* baseName_;                  // the array's
  int nameNumber_;
  int entryId_;
  int parentEntryId_;
  mutable int keptLength_ = 0;
  mutable const char* kept_ = nullptr;    // the text kept whole, in the array's blocks
  mutable uint64_t keptAt_ = UINT64_MAX;  // the clear count when it was kept
};

class CCBOutputArray {
 public:
  CCBOutputArray() = default;
  CCBOutputArray(const CCBOutputArray&) = delete;
  CCBOutputArray& operator=(const CCBOutputArray&) = delete;

  // Makes room for entries entries, columns of them columns, so that registering
  // them moves nothing.
  void reserve(size_t entries, size_t columns) {
    columns_.reserve(columns);
    others_.reserve(entries - columns);
  }
  // Adds an entry for one repetition of node under the entry parentEntryId, with a
  // name unique among fields (or among other nodes): the node's output name, else
  // its name, with "_1", "_2", ... for later uses. Returns the new 1-based entry id.
  int registerNode(CCBData* node, int parentEntryId);

  int getColumnCount() const { return columnCount_; }
  bool hasColumn(int index) const {
    return static_cast<unsigned>(index) < static_cast<unsigned>(columnCount_);
  }
  // The column at index, REQUIRES: hasColumn(index).
  const CCBOutputEntry& column(int index) const { return columns_[static_cast<size_t>(index)]; }
  const CCBOutputEntry* getColumn(int index) const {  // null out of range
    return hasColumn(index) ? &column(index) : nullptr;
  }
  CCBOutputEntry* getColumn(int index) {
    return hasColumn(index) ? &columns_[static_cast<size_t>(index)] : nullptr;
  }
  int getNodeEntryCount() const { return static_cast<int>(columns_.size() + others_.size()); }
  CCBOutputEntry* getNodeEntry(int index);            // null out of range
  void clearColumnValues() { ++record_.clearCount; }  // every column's value reads as null
  // The record just read was set from the layout's plan: every entry with a plan
  // offset has its bytes at that offset in bytes, the record's bytes kept.
  void setPlannedRecord(const unsigned char* bytes) {
    record_.plannedAt = record_.clearCount;
    record_.plannedBytes = bytes;
  }
  // The bytes of the record just read when it was set from the plan: every column
  // with a plan offset is still to be decoded from there. Null otherwise.
  const unsigned char* plannedRecord() const {
    return record_.plannedAt == record_.clearCount ? record_.plannedBytes : nullptr;
  }

  // A repetition count that is no number or lies outside its table's bounds, noted
  // by the record walk (which keeps to those bounds) with its message, for readers
  // that take such a record as bad. The first one noted is kept until taken.
  void noteCountProblem(const QvbString& problem) {
    if (!countProblem_) countMessage_ = problem;
    countProblem_ = true;
  }
  // False when none was noted; otherwise gives its message and forgets it.
  bool takeCountProblem(QvbString* problem) {
    if (!countProblem_) return false;
    countProblem_ = false;
    *problem = countMessage_;
    return true;
  }

 private:
  struct ExactOrder {
    bool operator()(const QvbString& a, const QvbString& b) const { return a.compare(b, true) < 0; }
  };
  // How many entries beyond the first carry a base name: among fields, and among the
  // root and tables; -1 before the first.
  struct NameCounts {
    int fields = -1;
    int others = -1;
  };
  using NameMap = std::map<QvbString, NameCounts, ExactOrder>;

  // The base name of node's entries, kept as a key of names_ (whose keys stay where
  // they are), and the number that follows it in the name of the next one.
  const QvbString* nextName(CCBData* node, int* number);

  // The entries of fields, in column order, and the others (the root's, groups' and
  // tables'), in entry id order: a value read finds its column at its index with no
  // step between, and getNodeEntry, which few call, searches others_ by entry id.
  std::vector<CCBOutputEntry> columns_;
  std::vector<CCBOutputEntry> others_;
  int columnCount_ = 0;  // of columns_, kept apart: its size() divides by an entry's size
  NameMap names_;
  // The node of the latest registration and its base name: repetitions of a node are
  // registered together, and need no search.
  const CCBData* lastNode_ = nullptr;
  NameMap::iterator lastName_;
  CCBRecordState record_;
  bool countProblem_ = false;
  QvbString countMessage_;
};

#endif  // LYRA_LAYOUT_CCB_OUTPUT_ARRAY_H_
