// CCBDataRoot is the top node of one layout: the parent of the level-01 items and
// the owner of the layout's output array (its columns and node entries). It also
// carries the copybook file the layout came from and the identifier value that
// marks its records when a reader holds several layouts.
//
// Columns are decoded when they are asked for: a record's walk notes where each
// field lies, and the root keeps a copy of the record's bytes and of the decoding of
// the input, from which the columns are decoded later (see CCBOutputEntry).
//
// Most layouts have the same shape in every record: no OCCURS DEPENDING ON, no
// segment chosen per record. Their fields lie at the same offsets in every record,
// so one walk over no data (the plan) notes those offsets in the columns, and each
// record whose bytes are all there is then read without a walk: the output array
// only notes where it starts. A record that is short, or read with a debug callback,
// is walked as before.
#ifndef LYRA_LAYOUT_CCB_DATA_ROOT_H_
#define LYRA_LAYOUT_CCB_DATA_ROOT_H_

#include <memory>
#include <vector>

#include "format/ccb_format.h"
#include "layout/ccb_data.h"
#include "layout/ccb_output_array.h"

// Limits on the layouts that loads accept, so that the output array and the data
// window stay within memory and 32-bit positions.
const long long MAX_OUTPUT_ENTRIES = 4000000;
const int MAX_RECORD_LENGTH = 256 * 1024 * 1024;

class CCBDataRoot : public CCBData {
 public:
  CCBDataRoot();
  ~CCBDataRoot() override;  // the output array first, then the tree

  QvbString getPropertyName(int index) const override;
  QvbString getProperty(int index, bool* optional) const override;
  bool setProperty(int index, const QvbString& value) override;
  bool createFormat() override { return true; }
  void setOccurs(int) override {}
  bool setOccursDepending(const QvbString&, int) override { return true; }
  bool isOccursFixed() const override { return false; }
  bool isOccursDepending() const override { return false; }
  CCBData* getOccursDependingNode() const override { return nullptr; }
  int getOccursMax() const override { return 0; }
  bool setRedefines(const QvbString&) override { return true; }
  CCBData* getRedefines() const override { return nullptr; }
  QvbString getNodeTypeName() const override { return QvbString("root"); }
  int getPropertyIndex(const QvbString& name) const override;
  bool isRoot() const override { return true; }

  void setSourceFile(const QvbString& sourceFile) { sourceFile_ = sourceFile; }
  // The files the layout was read from, as the load named them: its copybook or XML
  // layout document first, then the COPY members it included, each once.
  void addInputFile(const QvbString& path);
  int getInputFileCount() const { return static_cast<int>(inputFiles_.size()); }
  QvbString getInputFile(int index) const;  // null out of range
  void setRecordId(const QvbString& recordId) { recordId_ = recordId; }
  const QvbString& getRecordId() const { return recordId_; }
  bool matchesRecordId(const QvbString& recordId) const;  // letter case ignored
  // The rules the layout's field formats are built by; set before any field is added.
  void setFormatRules(const CCBFormatRules& rules) { formatRules_ = rules; }
  const CCBFormatRules& formatRules() const { return formatRules_; }

  // False, with a message in the error text, when the layout exceeds
  // MAX_RECORD_LENGTH or would need more than MAX_OUTPUT_ENTRIES output entries.
  // Loads check this before building the output array.
  bool checkLimits();
  // (Re)builds the output array: one entry per repetition of every node, one
  // column per repetition of every field, in record order.
  void buildOutputColumns();
  // Where the rules lay every OCCURS DEPENDING ON table out at its maximum, tells each
  // the length of its repetitions; false when memory ran out.
  bool layTablesAtMaximum();
  void clearColumnValues();
  // Walks the record at start, as walkRecord does, then keeps the bytes of its
  // fields whose decoding was left for later; *end is the position after it.
  bool readRecord(int start, int* end);
  // Whether the walk under way may leave fields to be decoded later: only the walk of
  // readRecord, which keeps the record's bytes.
  bool decodesLater() const { return decodesLater_; }
  // Notes that a field ending at end was left to be decoded from the kept record.
  void noteLaterField(int end) {
    if (end > walkEnd_) walkEnd_ = end;
  }
  // The kept bytes at a window position of the walked record, and how to decode them.
  const unsigned char* keptBytes(int position) const {
    return kept_.data() + (position - keptStart_);
  }
  // The kept bytes of the record read last, from its first byte.
  const unsigned char* keptRecord() const { return kept_.data(); }
  void setDecoding(const CCBDecoding& decoding) { decoding_ = decoding; }
  const CCBDecoding& decoding() const { return decoding_; }
  // Whether the walk under way is the planning walk, which only notes where the
  // fields lie, relative to the record's start.
  bool planning() const { return planning_; }
  // Notes, during the planning walk, the field of entry at offset, ending at end.
  void notePlanned(CCBOutputEntry* entry, int offset, int end);
  // Whether the reader changes the layout's shape from record to record (by
  // choosing segments): every record is then walked.
  void setShapeVaries(bool varies) { shapeVaries_ = varies; }
  int getColumnCount() const;
  CCBOutputEntry* getColumn(int index) const;  // null out of range
  int getNodeEntryCount() const;
  CCBOutputEntry* getNodeEntry(int index) const;  // null out of range

 private:
  QvbString sourceFile_;
  std::vector<QvbString> inputFiles_;
  QvbString recordId_;
  CCBFormatRules formatRules_;
  CCBDecoding decoding_;             // of the input the kept record came from
  std::vector<unsigned char> kept_;  // the bytes of the last record read
  int keptStart_ = 0;                // their window position
  int walkEnd_ = 0;                  // the end of the fields left for later
  bool decodesLater_ = false;        // during the walk of readRecord
  std::unique_ptr<CCBOutputArray> outputArray_;

  enum PlanState { PLAN_UNKNOWN, PLAN_NONE, PLAN_READY };
  void keep(const unsigned char* bytes, int start, int length);
  bool planReady();
  bool makePlan();
  bool readByPlan(int start, int* end);
  PlanState planState_ = PLAN_UNKNOWN;
  int planLength_ = 0;  // where the walk of a record ends, from its start
  int planKept_ = 0;    // where its last field ends: the bytes kept
  bool planning_ = false;
  bool shapeVaries_ = false;
};

#endif  // LYRA_LAYOUT_CCB_DATA_ROOT_H_
