#include "interface/ccb_record_walk.h"

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_value.h"

namespace {

bool isRepeated(const CCBData* node) {
  return node->isOccursFixed() || node->isOccursDepending();
}

// The name the node's columns are named after: its output name, else its data name.
QvbString nameOf(const CCBData* node) {
  QvbString name = node->getOutputName();
  if (name.isNull() || name.length() == 0) name = node->getName();
  return name;
}

// Whether a walk hands over anything of the node: a named field, or a group holding one.
bool holdsNamed(const CCBData* node) {
  if (node->isField()) return !isFillerNode(node);
  for (const CCBData* child = node->getFirstChild(); child != nullptr;
       child = child->getNextSibling()) {
    if (holdsNamed(child)) return true;
  }
  return false;
}

}  // namespace

CCBRecordVisitor::~CCBRecordVisitor() = default;

bool isFillerNode(const CCBData* node) {
  if (node->isField() &&
      static_cast<const CCBDataField*>(node)->getFieldKind() == FIELD_KIND_FILLER) {
    return true;
  }
  return node->getName().isNull() || node->getName().compare("FILLER", false) == 0;
}

// The record is step 0: the only top-level item when it is a group that does not
// repeat, whose items are then the record's; otherwise the root, whose items are the
// top-level items. Either way its columns start at the layout's first.
CCBRecordWalk::CCBRecordWalk(const CCBDataRoot* root) {
  const CCBData* top = root->getFirstChild();
  const bool single =
      top != nullptr && top->getNextSibling() == nullptr && !top->isField() && !isRepeated(top);
  const CCBData* record = single ? top : root;
  Step step;
  step.node = record;
  step.name = top != nullptr ? nameOf(top) : QvbString("");
  step.columnOffset = 0;
  step.columnsEach = record->getColumnCount();
  step.repetitions = 1;
  step.repeated = false;
  step.dependingStep = -1;
  step.field = false;
  step.walked = step.shown = true;
  steps_.push_back(step);
  addItems(record, 0);
  steps_[0].end = static_cast<int>(steps_.size());
  lastColumn_.assign(steps_.size(), -1);
}

// The items of parent, whose (first repetition's) first column is column, each after
// the columns of the items before it; skipped items keep their columns too.
void CCBRecordWalk::addItems(const CCBData* parent, int column) {
  int offset = 0;
  for (const CCBData* child = parent->getFirstChild(); child != nullptr;
       child = child->getNextSibling()) {
    addStep(child, offset, column + offset);
    offset += child->getColumnCount();
  }
}

void CCBRecordWalk::addStep(const CCBData* node, int columnOffset, int column) {
  const size_t index = steps_.size();
  Step step;
  step.node = node;
  step.name = nameOf(node);
  step.columnOffset = columnOffset;
  step.repeated = isRepeated(node);
  step.repetitions = step.repeated ? node->getOccursMax() : 1;
  step.columnsEach = node->getColumnCount() / (step.repetitions > 0 ? step.repetitions : 1);
  step.dependingStep = -1;
  step.field = node->isField();
  const bool filler = isFillerNode(node);
  step.walked = step.field || !filler || holdsNamed(node);
  step.shown = !filler || (!step.field && step.repeated && step.walked);
  const CCBData* count = node->getOccursDependingNode();
  for (size_t i = 0; count != nullptr && i < index; ++i) {
    if (steps_[i].node == count) step.dependingStep = static_cast<int>(i);
  }
  if (step.dependingStep >= 0) counts_.push_back(step.dependingStep);
  const CCBOutputArray* array = node->getOutputArray();
  if (step.field && array != nullptr && array->hasColumn(column)) {
    step.type = columnTypeOf(array->column(column));
  }
  steps_.push_back(step);
  if (!step.field) addItems(node, column);
  steps_[index].end = static_cast<int>(steps_.size());
}

void CCBRecordWalk::walk(const CCBOutputArray& array, bool strip, CCBRecordVisitor* visitor) {
  array_ = &array;
  strip_ = strip;
  visitor_ = visitor;
  walkRecord();
}

void CCBRecordWalk::walkLayout(CCBRecordVisitor* visitor) {
  array_ = nullptr;
  strip_ = false;
  visitor_ = visitor;
  walkRecord();
}

void CCBRecordWalk::walkRecord() {
  for (int count : counts_) lastColumn_[static_cast<size_t>(count)] = -1;
  const Step& record = steps_[0];
  visitor_->beginGroup(0, record.name);
  walkItems(0, 0);
  visitor_->endGroup(0);
  array_ = nullptr;
  visitor_ = nullptr;
}

// The items of the group at step, in the repetition whose first column is column.
void CCBRecordWalk::walkItems(int step, int column) {
  const int end = steps_[static_cast<size_t>(step)].end;
  for (int item = step + 1; item < end; item = steps_[static_cast<size_t>(item)].end) {
    const Step& s = steps_[static_cast<size_t>(item)];
    if (s.walked && (array_ == nullptr || !s.node->isSkipped()))
      walkItem(item, column + s.columnOffset);
  }
}

void CCBRecordWalk::walkItem(int step, int column) {
  const Step& s = steps_[static_cast<size_t>(step)];
  if (!s.repeated) {
    walkElement(step, column);
    return;
  }
  const int count = repetitionsOf(s);
  if (s.shown) visitor_->beginArray(step, s.name, count);
  for (int r = 0; r < count; ++r) walkElement(step, column + r * s.columnsEach);
  if (s.shown) visitor_->endArray(step);
}

void CCBRecordWalk::walkElement(int step, int column) {
  const Step& s = steps_[static_cast<size_t>(step)];
  if (s.field) {
    lastColumn_[static_cast<size_t>(step)] = column;
    if (s.shown) handValue(s, step, column);
    return;
  }
  // A FILLER group that does not repeat lends its items to the group around it.
  const bool own = s.shown || s.repeated;
  if (own) visitor_->beginGroup(step, s.name);
  walkItems(step, column);
  if (own) visitor_->endGroup(step);
}

void CCBRecordWalk::handValue(const Step& step, int index, int column) {
  const char* text = nullptr;
  int length = 0;
  if (array_ == nullptr || !array_->hasColumn(column) ||
      !array_->column(column).wholeText(&text, &length)) {
    visitor_->value(index, step.name, column, nullptr, 0);
    return;
  }
  if (strip_) {
    const size_t most = static_cast<size_t>(strippedMost(length));
    if (scratch_.size() < most) scratch_.resize(most);
    if (!stripValue(step.type, &text, &length, scratch_.data())) text = nullptr;
  }
  visitor_->value(index, step.name, column, text, text != nullptr ? length : 0);
}

// A DEPENDING ON count is read as the reader's walk read it: the count field's value
// where this walk last passed it (in the same repetition of any table around both),
// else the field's own last value; one that is no number is 0, and the table's bounds
// hold it. The layout's walk takes every repetition.
int CCBRecordWalk::repetitionsOf(const Step& step) const {
  if (array_ == nullptr) return step.repetitions;  // the layout's walk: every repetition
  if (step.dependingStep < 0) return step.node->isOccursDepending() ? 0 : step.repetitions;
  const int column = lastColumn_[static_cast<size_t>(step.dependingStep)];
  const CCBData* count = steps_[static_cast<size_t>(step.dependingStep)].node;
  const QvbDatavar& value = column >= 0 && array_->hasColumn(column)
                                ? array_->column(column).value()
                                : static_cast<const CCBDataField*>(count)->value();
  if (value.isNull()) return 0;
  bool notNumber = false;
  const int number = value.asInt(&notNumber);
  if (notNumber || number < 0) return 0;
  return number < step.repetitions ? number : step.repetitions;
}
