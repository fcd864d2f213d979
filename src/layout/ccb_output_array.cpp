#include "layout/ccb_output_array.h"

#include "layout/ccb_data_field.h"

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
