#include "layout/ccb_data.h"

#include <climits>

#include "layout/ccb_data_field.h"
#include "layout/ccb_output_array.h"

namespace {

// Saturating arithmetic for size estimates that must never overflow.
const long long SIZE_CAP = 1LL << 62;

long long cappedProduct(long long a, long long b) {
  if (a <= 0 || b <= 0) return 0;
  return a > SIZE_CAP / b ? SIZE_CAP : a * b;
}

long long cappedSum(long long a, long long b) {
  return a > SIZE_CAP - b ? SIZE_CAP : a + b;
}

bool matches(const CCBData* node, const QvbString& name, bool matchTables, bool matchFields) {
  const bool kindAdmitted = (node->isTable() && matchTables) || (node->isField() && matchFields);
  return kindAdmitted && name.compare(node->getName(), false) == 0;
}

}  // namespace

QvbString layoutTooDeepMessage() {
  return qvbStringFormat("Layout nested too deeply. Max depth is %d", MAX_LAYOUT_DEPTH);
}

CCBData::CCBData(int propertyCount, bool isFieldNode)
    : propertyCount_(propertyCount), fieldNode_(isFieldNode), usage_("DISPLAY") {
  errorMessage_.setNull();
  name_.setNull();
  description_.setNull();
  outputName_.setNull();
}

// Destroys the subtree and the later siblings without recursion: each node's
// children are spliced into the chain in front of its next sibling before the node
// (by then childless and without a sibling) is deleted.
CCBData::~CCBData() {
  CCBData* node = firstChild_;
  if (node != nullptr) {
    lastChild_->nextSibling_ = nextSibling_;
  } else {
    node = nextSibling_;
  }
  firstChild_ = lastChild_ = nextSibling_ = nullptr;
  while (node != nullptr) {
    if (node->firstChild_ != nullptr) {
      node->lastChild_->nextSibling_ = node->nextSibling_;
      node->nextSibling_ = node->firstChild_;
      node->firstChild_ = node->lastChild_ = nullptr;
    }
    CCBData* next = node->nextSibling_;
    node->nextSibling_ = nullptr;
    delete node;
    node = next;
  }
}

QvbString CCBData::getConditionName(int) const {
  return QvbString();
}
QvbString CCBData::getConditionValue(int) const {
  return QvbString();
}
bool CCBData::addCondition(const QvbString&, const QvbString&) {
  return true;
}
void CCBData::setConstValue(const QvbString&) {}
QvbString CCBData::getConstValue() const {
  return QvbString();
}
bool CCBData::decodeValue(int, int*, int) {
  return true;
}
int CCBData::getStorageLength(bool) const {
  return 0;
}

int CCBData::getDepth() const {
  int depth = 0;
  for (const CCBData* node = parent_; node != nullptr; node = node->parent_) ++depth;
  return depth;
}

void CCBData::addChild(CCBData* child) {
  if (child == nullptr) return;
  if (lastChild_ != nullptr) {
    lastChild_->nextSibling_ = child;
    child->previousSibling_ = lastChild_;
  } else {
    firstChild_ = child;
  }
  lastChild_ = child;
  child->parent_ = this;
}

CCBData* CCBData::nextChild(bool restart) {
  if (restart) {
    childCursor_ = firstChild_;
  } else if (childCursor_ != nullptr) {
    childCursor_ = childCursor_->nextSibling_;
  }
  return childCursor_;
}

// The three propagations walk the sibling chain in a loop and descend into
// children by recursion, so their depth is bounded by the tree's depth.
void CCBData::setDebugCallback(LYRADebugCallback* callback) {
  for (CCBData* node = this; node != nullptr; node = node->nextSibling_) {
    node->debugCallback_ = callback;
    if (node->firstChild_ != nullptr) node->firstChild_->setDebugCallback(callback);
  }
}

void CCBData::setDataSource(CCBDataFile* dataSource, const CCBDecoding* decoding) {
  attachSource(dataSource, decoding, isRoot() ? this : nullptr);
}

void CCBData::attachSource(CCBDataFile* dataSource, const CCBDecoding* decoding, CCBData* root) {
  for (CCBData* node = this; node != nullptr; node = node->nextSibling_) {
    node->dataSource_ = dataSource;
    node->decoding_ = decoding;
    node->layoutRoot_ = root;
    if (node->firstChild_ != nullptr) node->firstChild_->attachSource(dataSource, decoding, root);
  }
}

bool CCBData::reserveText(int expansion) {
  for (CCBData* node = this; node != nullptr; node = node->nextSibling_) {
    if (!node->reserveOwnText(expansion)) return false;
    if (node->firstChild_ != nullptr && !node->firstChild_->reserveText(expansion)) return false;
  }
  return true;
}

void CCBData::setOutputArray(CCBOutputArray* outputArray) {
  for (CCBData* node = this; node != nullptr; node = node->nextSibling_) {
    node->outputArray_ = outputArray;
    if (node->firstChild_ != nullptr) node->firstChild_->setOutputArray(outputArray);
  }
}

void CCBData::setOccurs(int maximum) {
  dependingNode_ = nullptr;
  occursMax_ = maximum;
}

bool CCBData::setOccursDepending(const QvbString& name, int maximum) {
  dependingNode_ = nullptr;
  occursMax_ = maximum;
  if (maximum == 0 || name.isNull()) return true;
  dependingNode_ = findOther(name, false, true);
  if (dependingNode_ != nullptr) {
    static_cast<CCBDataField*>(dependingNode_)->setReadByWalk();
    return true;
  }
  errorMessage_ = QvbString("Occurs depending field not found: ");
  errorMessage_.append(name);
  return false;
}

bool CCBData::isOccursFixed() const {
  return occursMax_ != 0 && dependingNode_ == nullptr;
}

bool CCBData::isOccursDepending() const {
  return dependingNode_ != nullptr;
}

bool CCBData::setRedefines(const QvbString& name) {
  redefines_ = nullptr;
  if (name.isNull()) return true;
  redefines_ = findOther(name, true, true);
  if (redefines_ != nullptr) return true;
  errorMessage_ = QvbString("Redefine field/table not found: ");
  errorMessage_.append(name);
  return false;
}

// The name search from this node, where the node itself never counts: an item
// cannot redefine itself or take its repetition count from itself.
CCBData* CCBData::findOther(const QvbString& name, bool matchTables, bool matchFields) {
  CCBData* found = findByName(this, name, matchTables, matchFields, true);
  return found != this ? found : nullptr;
}

int CCBData::getOccursDependingValue() const {
  if (dependingNode_ == nullptr || !dependingNode_->isField()) return 0;
  return static_cast<const CCBDataField*>(dependingNode_)->value().asInt();
}

// The repetitions that lengths and columns count: the maximum of a repeated node.
int CCBData::declaredRepetitions() const {
  return isOccursFixed() || isOccursDepending() ? getOccursMax() : 1;
}

// The repetitions of the record being walked. A count that is no number reads as 0
// and one out of the table's bounds is kept to them; both are noted for the readers
// that take such a record as bad. A count past the end of a short record (null) is 0.
int CCBData::repetitionCount() {
  if (isOccursFixed()) return getOccursMax();
  if (!isOccursDepending()) return 1;
  bool notNumber = false;
  const int value = dependingCount(&notNumber);
  const int maximum = getOccursMax();
  if (debugCallback_ != nullptr) {
    debugCallback_->debugMessage(
        qvbStringFormat("Occurs Depends Value: %d, Max Occurs: %d", value, maximum));
  }
  if ((notNumber || value < occursMin_ || value > maximum) && outputArray_ != nullptr) {
    outputArray_->noteCountProblem(countProblem(value, notNumber));
  }
  return value > maximum ? maximum : value;
}

int CCBData::dependingCount(bool* notNumber) const {
  if (dependingNode_ == nullptr || !dependingNode_->isField()) return 0;
  const QvbDatavar& count = static_cast<const CCBDataField*>(dependingNode_)->value();
  if (count.isNull()) return 0;
  const int value = count.asInt(notNumber);
  return *notNumber ? 0 : value;
}

QvbString CCBData::countProblem(int value, bool notNumber) const {
  if (!notNumber) {
    return qvbStringFormat("Occurs depending value %d is out of range %d to %d", value, occursMin_,
                           getOccursMax());
  }
  const QvbDatavar& count = static_cast<const CCBDataField*>(dependingNode_)->value();
  return qvbStringFormat("Occurs depending value '%s' of %s is not a number", count.text().asCstr(),
                         dependingNode_->getName().asCstr());
}

// The repetitions of a repeated node, each in the columns after the previous one's. A
// table laid out at its maximum ends after its last possible repetition.
bool CCBData::walkRepetitions(int column, int* position) {
  const int start = *position;
  const int repetitions = repetitionCount();
  for (int r = 0; r < repetitions; ++r) {
    if (fieldNode_ ? !decodeValue(*position, position, column) : !walkChildren(column, position)) {
      return false;
    }
    column += columnsPerRepetition_;
  }
  if (maximumStride_ > 0) *position = start + maximumStride_ * occursMax_;
  return true;
}

// One repetition of a group: each child starts where the previous one ended, or,
// when it redefines a node, where that node started; after a redefining child the
// position is the further of the two ends. A skipped child only notes its start.
bool CCBData::walkChildren(int column, int* position) {
  int start = *position;
  for (CCBData* child = firstChild_; child != nullptr; child = child->nextSibling_) {
    if (child->skipped_) {
      child->startOffset_ = child->redefines_ != nullptr ? child->redefines_->startOffset_ : start;
      column += child->columnCount_;
      continue;
    }
    const CCBData* redefined = child->redefines_;
    const int before = start;
    if (redefined != nullptr) start = redefined->startOffset_;
    if (!child->walkRecord(column, start, position)) {
      errorMessage_ = child->errorMessage_;
      return false;
    }
    column += child->columnCount_;
    start = redefined != nullptr && before > *position ? before : *position;
  }
  *position = start;
  return true;
}

int CCBData::getMaxLength() const {
  const long long length = maxLength();
  return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

long long CCBData::maxLength() const {
  if (getRedefines() != nullptr) return 0;
  long long one = 0;
  if (isField()) {
    one = getStorageLength(true);
  } else {
    for (const CCBData* child = firstChild_; child != nullptr; child = child->nextSibling_) {
      one = cappedSum(one, child->maxLength());
    }
  }
  return cappedProduct(declaredRepetitions(), one);
}

int CCBData::countColumns(int parentEntryId) {
  int total = 0;
  const int repetitions = declaredRepetitions();
  for (int r = 0; r < repetitions; ++r) {
    const int entryId = outputArray_->registerNode(this, parentEntryId);
    if (isField()) {
      total += 1;
      if (r == 0) columnsPerRepetition_ = 1;
      continue;
    }
    for (CCBData* child = firstChild_; child != nullptr; child = child->nextSibling_) {
      total += child->countColumns(entryId);
      if (r == 0) columnsPerRepetition_ = total;
    }
  }
  columnCount_ = total;
  return total;
}

long long CCBData::countOutputEntries(bool columnsOnly) const {
  long long one = !columnsOnly || isField() ? 1 : 0;
  if (!isField()) {
    for (const CCBData* child = firstChild_; child != nullptr; child = child->nextSibling_) {
      one = cappedSum(one, child->countOutputEntries(columnsOnly));
    }
  }
  return cappedProduct(declaredRepetitions(), one);
}

CCBData* findInSubtree(CCBData* node, const QvbString& name, CCBData* excluded, bool matchTables,
                       bool matchFields) {
  if (name.isNull() || node == nullptr) return nullptr;
  if (matches(node, name, matchTables, matchFields)) return node;
  for (CCBData* child = node->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
    if (child == excluded) continue;
    CCBData* found = findInSubtree(child, name, nullptr, matchTables, matchFields);
    if (found != nullptr) return found;
  }
  return nullptr;
}

// Climbs the tree in a loop: from a node to its previous sibling, or to its parent
// once there is none, searching each subtree on the way.
CCBData* findByName(CCBData* start, const QvbString& name, bool matchTables, bool matchFields,
                    bool skipStart) {
  if ((!matchTables && !matchFields) || name.isNull()) return nullptr;
  CCBData* node = start;
  bool skip = skipStart;
  while (node != nullptr) {
    if (!skip && matches(node, name, matchTables, matchFields)) return node;
    skip = false;
    CCBData* previous = node->getPreviousSibling();
    if (previous != nullptr) {
      CCBData* found = findInSubtree(previous, name, nullptr, matchTables, matchFields);
      if (found != nullptr) return found;
      node = previous;
      continue;
    }
    CCBData* parent = node->getParent();
    CCBData* found = findInSubtree(parent, name, node, matchTables, matchFields);
    if (found != nullptr) return found;
    node = parent;
  }
  return nullptr;
}
