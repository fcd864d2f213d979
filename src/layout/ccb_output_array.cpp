#include "layout/ccb_output_array.h"

#include <cstring>

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_value.h"

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

// Decodes a value still to be decoded into the entry's own, for the rest of the record.
const QvbDatavar& CCBOutputEntry::value() const {
  const unsigned char* bytes = nullptr;
  const State state = this->state(&bytes);
  if (state == NO_VALUE) return nullValue();
  if (state == LATER) {
    decodeLater(bytes, &value_);
    showsFieldValue_ = later_ = false;
    setAt_ = record_->clearCount;
  }
  return showsFieldValue_ ? *fieldValue_ : value_;
}

bool CCBOutputEntry::viewText(const char** bytes, int* length) const {
  const unsigned char* later = nullptr;
  return view(bytes, length, &later) != NO_VALUE;
}

// The text where it lies, and where the value was: NO_VALUE leaves *bytes unset;
// LATER sets *later to the field's bytes it was decoded from.
CCBOutputEntry::State CCBOutputEntry::view(const char** bytes, int* length,
                                           const unsigned char** later) const {
  const State state = this->state(later);
  if (state == NO_VALUE) return NO_VALUE;
  if (state == LATER) {
    textOf(*later, bytes, length);
  } else if (keptAt_ == record_->clearCount) {
    *bytes = kept_.data();
    *length = static_cast<int>(kept_.size());
  } else {
    const QvbDatavar& held = showsFieldValue_ ? *fieldValue_ : value_;
    if (held.isNull()) return NO_VALUE;
    *bytes = held.text().asCstr();
    *length = held.text().length();
  }
  return state;
}

void CCBOutputEntry::textOf(const unsigned char* bytes, const char** text, int* length) const {
  *text = decodeText(bytes, length);
  // The end rule leaves zero bytes in text as it stands, where the value ends; the
  // space rule leaves none, and the keep rule keeps them.
  const void* zero = decoding().zeroBytes == CCB_ZERO_BYTES_END
                         ? std::memchr(*text, 0, static_cast<size_t>(*length))
                         : nullptr;
  if (zero != nullptr) *length = static_cast<int>(static_cast<const char*>(zero) - *text);
}

bool CCBOutputEntry::wholeText(const char** bytes, int* length) const {
  const unsigned char* later = nullptr;
  const State state = view(bytes, length, &later);
  if (state == NO_VALUE) return false;
  // The field's bytes in the kept record stay until the next record, and so does a
  // text in the format's buffer when this is the field's only column; otherwise the
  // field's next decoding, for any of its columns, writes over it.
  if (state == LATER && fieldValue_ == nullptr && *bytes != reinterpret_cast<const char*>(later)) {
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
  nodeEntries_.emplace_back(node, uniqueName(node), entryId, parentEntryId, &record_,
                            soleColumnValue(node));
  if (node->isField()) columns_.push_back(&nodeEntries_.back());
  return entryId;
}

CCBOutputEntry* CCBOutputArray::getNodeEntry(int index) {
  if (index < 0 || index >= getNodeEntryCount()) return nullptr;
  return &nodeEntries_[static_cast<size_t>(index)];
}
