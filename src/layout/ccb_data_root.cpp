#include "layout/ccb_data_root.h"

#include <cstring>

#include "input/ccb_data_file.h"
#include "layout/ccb_layout_map.h"

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

void CCBDataRoot::addInputFile(const QvbString& path) {
  for (const QvbString& file : inputFiles_) {
    if (file.compare(path, true) == 0) return;
  }
  inputFiles_.push_back(path);
}

QvbString CCBDataRoot::getInputFile(int index) const {
  if (index < 0 || index >= getInputFileCount()) return QvbString(nullptr);
  return inputFiles_[static_cast<size_t>(index)];
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
  planState_ = PLAN_UNKNOWN;
  outputArray_.reset(new CCBOutputArray());
  const long long entries = countOutputEntries();
  if (entries <= MAX_OUTPUT_ENTRIES) {
    outputArray_->reserve(static_cast<size_t>(entries),
                          static_cast<size_t>(countOutputEntries(true)));
  }
  setOutputArray(outputArray_.get());
  countColumns(0);
}

namespace {

// Sets the stride of every table of OCCURS DEPENDING ON among these nodes and their
// subtrees.
bool setMaximumStrides(CCBData* first) {
  for (CCBData* node = first; node != nullptr; node = node->getNextSibling()) {
    if (node->isOccursDepending()) {
      const int64_t length = CCBLayoutMap::repetitionLength(node);
      if (length < 0) return false;
      node->setMaximumStride(static_cast<int>(length));
    }
    if (node->getFirstChild() != nullptr && !setMaximumStrides(node->getFirstChild())) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool CCBDataRoot::layTablesAtMaximum() {
  return !formatRules_.odoMax || setMaximumStrides(getFirstChild());
}

void CCBDataRoot::clearColumnValues() {
  if (outputArray_ != nullptr) outputArray_->clearColumnValues();
}

// A padded record's fields are decoded as the walk reads them, each padded as its
// kind of text is: a copy of the whole record could be padded with only one blank.
bool CCBDataRoot::readRecord(int start, int* end) {
  if (planReady() && readByPlan(start, end)) return true;
  walkEnd_ = start;
  decodesLater_ = getDataSource() == nullptr || !getDataSource()->padded();
  const bool walked = walkRecord(0, start, end);
  decodesLater_ = false;
  // Every field left for later was read from the window, so its bytes are there.
  const int length = walkEnd_ - start;
  const unsigned char* bytes = length > 0 && getDataSource() != nullptr
                                   ? getDataSource()->view(start, length, nullptr)
                                   : nullptr;
  if (bytes != nullptr) keep(bytes, start, length);
  return walked;
}

void CCBDataRoot::keep(const unsigned char* bytes, int start, int length) {
  if (kept_.size() < static_cast<size_t>(length)) kept_.resize(static_cast<size_t>(length));
  std::memcpy(kept_.data(), bytes, static_cast<size_t>(length));
  keptStart_ = start;
}

namespace {

// Whether the shape of any of these nodes or their subtrees depends on the record: a
// repetition count read from it. (Items passed over come from segments, which mark
// the layout as varying.)
bool shapeVariesIn(const CCBData* node) {
  for (; node != nullptr; node = node->getNextSibling()) {
    if (node->isOccursDepending()) return true;
    if (shapeVariesIn(node->getFirstChild())) return true;
  }
  return false;
}

}  // namespace

// Whether records may be read by the plan, which is made the first time it may.
bool CCBDataRoot::planReady() {
  if (shapeVaries_ || getDebugCallback() != nullptr || getDataSource() == nullptr) return false;
  if (planState_ == PLAN_UNKNOWN) planState_ = makePlan() ? PLAN_READY : PLAN_NONE;
  return planState_ == PLAN_READY;
}

// The planning walk: a walk from offset 0 over no data, in which every field only
// notes its offset in its column. A layout whose shape varies has no plan, nor one
// with a field that the walk cannot leave for later.
bool CCBDataRoot::makePlan() {
  if (shapeVariesIn(getFirstChild())) return false;
  planKept_ = 0;
  planning_ = true;
  const bool walked = walkRecord(0, 0, &planLength_);
  planning_ = false;
  return walked && planKept_ > 0;
}

void CCBDataRoot::notePlanned(CCBOutputEntry* entry, int offset, int end) {
  entry->setPlanOffset(offset);
  if (end > planKept_) planKept_ = end;
}

// Sets the record's columns from the plan when all its fields' bytes are there;
// false, having set nothing, for a record that the walk must read (one cut short,
// or padded).
bool CCBDataRoot::readByPlan(int start, int* end) {
  if (getDataSource()->padsBefore(start + planKept_)) return false;
  const unsigned char* bytes = getDataSource()->view(start, planKept_, nullptr);
  if (bytes == nullptr) return false;
  keep(bytes, start, planKept_);
  outputArray_->setPlannedRecord(kept_.data());
  *end = start + planLength_;
  return true;
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
