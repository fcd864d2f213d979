// The definitions of CCBOutputEntry::getValue, laterBytes and what they call, inline:
// readers that fetch every column of every record call one of them once per value,
// and inlined into them it costs a call less. Every file that calls getValue or
// laterBytes includes this one, and so does ccb_output_array.cpp, whose value and
// viewText call state and decodeText.
#ifndef LYRA_LAYOUT_CCB_OUTPUT_VALUE_H_
#define LYRA_LAYOUT_CCB_OUTPUT_VALUE_H_

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_array.h"

inline CCBOutputEntry::State CCBOutputEntry::state(const unsigned char** bytes) const {
  if (setAt_ == record_->clearCount) {
    if (!later_) return HELD;
    *bytes = static_cast<const CCBDataRoot*>(node_->getLayoutRoot())->keptBytes(position_);
    return LATER;
  }
  if (planOffset_ < 0 || record_->plannedAt != record_->clearCount) return NO_VALUE;
  *bytes = record_->plannedBytes + planOffset_;
  return LATER;
}

inline const CCBDecoding& CCBOutputEntry::decoding() const {
  return static_cast<const CCBDataRoot*>(node_->getLayoutRoot())->decoding();
}

inline const char* CCBOutputEntry::decodeText(const unsigned char* bytes, int* length) const {
  return static_cast<const CCBDataField*>(node_)->decodeBytes(bytes, decoding(), length);
}

inline const unsigned char* CCBOutputEntry::laterBytes() const {
  const unsigned char* bytes = nullptr;
  return state(&bytes) == LATER ? bytes : nullptr;
}

inline void CCBOutputEntry::decodeLater(const unsigned char* bytes, QvbDatavar* value) const {
  int length = 0;
  const char* text = decodeText(bytes, &length);
  value->assignBytes(text, length);
}

// One value, named, so that it is built where the caller receives it.
inline QvbDatavar CCBOutputEntry::getValue() const {
  QvbDatavar value;
  const unsigned char* bytes = nullptr;
  const State state = this->state(&bytes);
  if (state == LATER) {
    decodeLater(bytes, &value);
  } else if (state == HELD) {
    value = heldNow();
  }
  return value;
}

#endif  // LYRA_LAYOUT_CCB_OUTPUT_VALUE_H_
