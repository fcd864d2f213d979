#include "layout/ccb_data_root.h"

#include <cstring>

#include "input/ccb_data_file.h"

namespace {

const int ROOT_PROPERTY_COUNT = 3;

}  // namespace

CCBDataRoot::CCBDataRoot() : CCBData(ROOT_PROPERTY_COUNT, false) {}

CCBDataRoot::~CCBDataRoot() {
  outputArray_.reset();
}

bool CCBDataRoot::matchesRecordId(const QvbString& recordId) const {
  return recordId_.compare(recordId, false) == 0;
}

bool CCBDataRoot::checkLimits() {
  if (getMaxLength() > MAX_RECORD_LENGTH) {
    errorMessage_ =
        qvbStringFormat("Record length exceeds the maximum of %d bytes", MAX_RECORD_LENGTH);
    return false;
  }
  const long long entries = countOutputEntries();
  if (entries > MAX_OUTPUT_ENTRIES) {
    errorMessage_ = qvbStringFormat(
        "Layout needs %lld output entries (repetitions of its items), more than the maximum "
        "of %lld",
        entries, MAX_OUTPUT_ENTRIES);
    return false;
  }
  return true;
}

void CCBDataRoot::buildOutputColumns() {
  outputArray_.reset(new CCBOutputArray());
  setOutputArray(outputArray_.get());
  countColumns(0);
}

void CCBDataRoot::clearColumnValues() {
  if (outputArray_ != nullptr) outputArray_->clearColumnValues();
}

bool CCBDataRoot::readRecord(int start, int* end) {
  walkEnd_ = start;
  decodesLater_ = true;
  const bool walked = walkRecord(0, start, end);
  decodesLater_ = false;
  // Every field left for later was read from the window, so its bytes are there.
  const int length = walkEnd_ - start;
  const unsigned char* bytes = length > 0 && getDataSource() != nullptr
                                   ? getDataSource()->view(start, length, nullptr)
                                   : nullptr;
  if (bytes != nullptr) {
    if (kept_.size() < static_cast<size_t>(length)) kept_.resize(static_cast<size_t>(length));
    std::memcpy(kept_.data(), bytes, static_cast<size_t>(length));
    keptStart_ = start;
  }
  return walked;
}

int CCBDataRoot::getColumnCount() const {
  return outputArray_ != nullptr ? outputArray_->getColumnCount() : 0;
}

CCBOutputEntry* CCBDataRoot::getColumn(int index) const {
  return outputArray_ != nullptr ? outputArray_->getColumn(index) : nullptr;
}

int CCBDataRoot::getNodeEntryCount() const {
  return outputArray_ != nullptr ? outputArray_->getNodeEntryCount() : 0;
}

CCBOutputEntry* CCBDataRoot::getNodeEntry(int index) const {
  return outputArray_ != nullptr ? outputArray_->getNodeEntry(index) : nullptr;
}
