#include "layout/ccb_output_array.h"

#include <cstring>

#include "format/ccb_format.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"

namespace {

// The value of field node when it has a single column: when neither it nor any of
// its ancestors repeats. Otherwise null.
const QvbDatavar* soleColumnValue(CCBData* node) {
  if (!node->isField()) return nullptr;
  for (const CCBData* n = node; n != nullptr; n = n->getParent()) {
    if (n->isOccursFixed() || n->isOccursDepending()) return nullptr;
  }
  return &static_cast<CCBDataField*>(node)->value();
}

}  // namespace

int CCBOutputEntry::getOutputType() const {
  return node_->getOutputType();
}
int CCBOutputEntry::getOutputLength() const {
  return node_->getOutputLength();
}
bool CCBOutputEntry::isField() const {
  return node_->isField();
}

// The text of the field's bytes noted by setLater, decoded from the kept record.
const char* CCBOutputEntry::decodeText(int* length) const {
  const CCBDataRoot* root = static_cast<const CCBDataRoot*>(node_->getLayoutRoot());
  return static_cast<const CCBDataField*>(node_)->decodeBytes(root->keptBytes(position_),
                                                              root->decoding(), length);
}

// Decodes the field's bytes noted by setLater into value; a text known to hold no
// zero byte is copied without looking for one.
void CCBOutputEntry::decodeLater(QvbDatavar* value) const {
  int length = 0;
  const char* text = decodeText(&length);
  if (static_cast<const CCBDataField*>(node_)->format()->textHoldsNoZero()) {
    value->assignChars(text, length);
  } else {
    value->assignBytes(text, length);
  }
}

// One value, named, so that it is built where the caller receives it.
QvbDatavar CCBOutputEntry::getValue() const {
  QvbDatavar value;
  if (setAt_ != *clearCount_) return value;
  if (later_) {
    decodeLater(&value);
  } else {
    value = showsFieldValue_ ? *fieldValue_ : value_;
  }
  return value;
}

const QvbDatavar& CCBOutputEntry::value() const {
  if (setAt_ != *clearCount_) return nullValue();
  if (later_) {
    decodeLater(&value_);
    later_ = false;
  }
  return showsFieldValue_ ? *fieldValue_ : value_;
}

bool CCBOutputEntry::viewText(const char** bytes, int* length) const {
  if (setAt_ != *clearCount_) return false;
  if (later_) {
    *bytes = decodeText(length);
    const CCBDataRoot* root = static_cast<const CCBDataRoot*>(node_->getLayoutRoot());
    // The end rule leaves zero bytes in text as it stands, where the value ends; the
    // space rule leaves none, and the keep rule keeps them.
    const void* zero = root->decoding().zeroBytes == CCB_ZERO_BYTES_END
                           ? std::memchr(*bytes, 0, static_cast<size_t>(*length))
                           : nullptr;
    if (zero != nullptr) *length = static_cast<int>(static_cast<const char*>(zero) - *bytes);
  } else if (keptAt_ == *clearCount_) {
    *bytes = kept_.data();
    *length = static_cast<int>(kept_.size());
  } else {
    if (value().isNull()) return false;
    *bytes = value().text().asCstr();
    *length = value().text().length();
  }
  return true;
}

bool CCBOutputEntry::wholeText(const char** bytes, int* length) const {
  if (!viewText(bytes, length)) return false;
  if (later_) {  // the text lies in the field's buffer, which its next decoding reuses
    kept_.assign(*bytes, static_cast<size_t>(*length));
    *bytes = kept_.data();
  }
  return true;
}

const QvbDatavar& CCBOutputEntry::nullValue() {
  static const QvbDatavar value;
  return value;
}

QvbString CCBOutputArray::uniqueName(CCBData* node) {
  QvbString base = node->getOutputName();
  if (base.isNull() || base.compare("", true) == 0) base = node->getName();
  auto& counts = node->isField() ? fieldNameCounts_ : otherNameCounts_;
  auto found = counts.find(base);
  if (found == counts.end()) {
    counts.emplace(base, 0);
    return base;
  }
  found->second += 1;
  QvbString name = base;
  name.append(qvbStringFormat("_%d", found->second));
  return name;
}

int CCBOutputArray::registerNode(CCBData* node, int parentEntryId) {
  const int entryId = getNodeEntryCount() + 1;
  nodeEntries_.emplace_back(node, uniqueName(node), entryId, parentEntryId, &clearCount_,
                            soleColumnValue(node));
  if (node->isField()) columns_.push_back(&nodeEntries_.back());
  return entryId;
}

CCBOutputEntry* CCBOutputArray::getNodeEntry(int index) {
  if (index < 0 || index >= getNodeEntryCount()) return nullptr;
  return &nodeEntries_[static_cast<size_t>(index)];
}

void CCBOutputArray::noteCountOutOfRange(int count, int maximum) {
  if (countOutOfRange_) return;
  countOutOfRange_ = true;
  badCount_ = count;
  badMaximum_ = maximum;
}
