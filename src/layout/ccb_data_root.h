// CCBDataRoot is the top node of one layout: the parent of the level-01 items and
// the owner of the layout's output array (its columns and node entries). It also
// carries the copybook file the layout came from and the identifier value that
// marks its records when a reader holds several layouts.
#ifndef LYRA_LAYOUT_CCB_DATA_ROOT_H_
#define LYRA_LAYOUT_CCB_DATA_ROOT_H_

#include <memory>

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
  void setRecordId(const QvbString& recordId) { recordId_ = recordId; }
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
  void clearColumnValues();
  int getColumnCount() const;
  CCBOutputEntry* getColumn(int index) const;  // null out of range
  int getNodeEntryCount() const;
  CCBOutputEntry* getNodeEntry(int index) const;  // null out of range

 private:
  QvbString sourceFile_;
  QvbString recordId_;
  CCBFormatRules formatRules_;
  std::unique_ptr<CCBOutputArray> outputArray_;
};

#endif  // LYRA_LAYOUT_CCB_DATA_ROOT_H_
