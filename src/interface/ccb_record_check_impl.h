// CCBRecordCheckImpl is the check behind CCBRecordCheck. It owns one state, fault and
// field offset per column of the last record checked, kept from check to check so that
// checking allocates nothing per record; it points to the reader's layout (its output
// entries and the decoding of its input) only during a check and while answering
// getExpected for that check's record.
#ifndef LYRA_INTERFACE_CCB_RECORD_CHECK_IMPL_H_
#define LYRA_INTERFACE_CCB_RECORD_CHECK_IMPL_H_

#include <vector>

#include "format/ccb_value_check.h"
#include "layout/ccb_output_array.h"
#include "lyra/ccb_record_check.h"

struct CCBDecoding;

class CCBRecordCheckImpl final : public CCBRecordCheck {
 public:
  CCBRecordCheckImpl() = default;
  CCBRecordCheckImpl(const CCBRecordCheckImpl&) = delete;
  CCBRecordCheckImpl& operator=(const CCBRecordCheckImpl&) = delete;

  void release() override { delete this; }
  QvbString getErrorMessage() override { return errorMessage_; }
  bool check(CCBRecordReader* reader) override;
  int getColumnCount() override { return static_cast<int>(states_.size()); }
  const unsigned char* getStates() override { return states_.data(); }
  int getStateCount(CCBValueState state) override;
  int getFieldOffset(int column) override;
  int getFieldLength(int column) override;
  QvbString getExpected(int column) override;

 private:
  bool hasColumn(int column) const {
    return column >= 0 && static_cast<size_t>(column) < states_.size();
  }
  void checkColumn(size_t index, const unsigned char* record);

  QvbString errorMessage_;
  std::vector<unsigned char> states_;  // CCBValueState per column
  std::vector<CCBValueFault> faults_;
  std::vector<int> offsets_;               // of the field's bytes in the record; -1: unknown
  const CCBOutputArray* array_ = nullptr;  // the checked record's layout
  const CCBDecoding* decoding_ = nullptr;  // of the reader's input
  CCBByteClasses classes_;                 // of the bytes of its page
  int classesPage_ = -1;                   // the CCSID of that page
};

#endif  // LYRA_INTERFACE_CCB_RECORD_CHECK_IMPL_H_
