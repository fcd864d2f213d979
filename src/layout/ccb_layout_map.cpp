#include "layout/ccb_layout_map.h"

#include <new>

#include "format/ccb_format.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"

namespace {

// Offsets stop growing here, far past any accepted record, so that no sum overflows.
const int64_t OFFSET_CAP = int64_t{1} << 62;

int64_t cappedSum(int64_t a, int64_t b) {
  return a > OFFSET_CAP - b ? OFFSET_CAP : a + b;
}

struct UsageRow {
  int usage;  // a CCBUsage code
  CCBColumnUsage column;
};

// The usages stored other than as display characters; national and double-byte items
// by their format.
const UsageRow USAGE_ROWS[] = {
    {USAGE_BINARY, CCB_USAGE_BINARY},      // BINARY, COMP, COMP-4, COMP-5
    {USAGE_PACKED, CCB_USAGE_PACKED},      // COMP-3, PACKED-DECIMAL
    {USAGE_FLOAT_SHORT, CCB_USAGE_FLOAT},  // COMP-1
    {USAGE_FLOAT_LONG, CCB_USAGE_FLOAT},   // COMP-2
    {USAGE_NATIONAL, CCB_USAGE_NATIONAL},  // USAGE NATIONAL, also when one byte a position
};

CCBColumnUsage columnUsage(const CCBFormat* format) {
  if (format == nullptr) return CCB_USAGE_DISPLAY;
  if (format->isNational()) return CCB_USAGE_NATIONAL;
  if (format->isDoubleByte()) return CCB_USAGE_DISPLAY_1;
  for (const UsageRow& row : USAGE_ROWS) {
    if (row.usage == format->usage()) return row.column;
  }
  return CCB_USAGE_DISPLAY;
}

// The repetitions a node has with every table at its maximum.
int repetitions(const CCBData* node) {
  return node->isOccursFixed() || node->isOccursDepending() ? node->getOccursMax() : 1;
}

}  // namespace

bool CCBLayoutMap::build(const CCBData* root, bool withColumns) {
  columns_.clear();
  redefinedStarts_.clear();
  recordLength_ = 0;
  withColumns_ = withColumns;
  tablesAtMaximum_ = root->isRoot() && static_cast<const CCBDataRoot*>(root)->formatRules().odoMax;
  try {
    // One column per field repetition, made room for at once: the columns of a large
    // layout are not copied as they grow.
    const long long columns = withColumns ? root->countOutputEntries(true) : 0;
    if (columns <= MAX_OUTPUT_ENTRIES) columns_.reserve(static_cast<size_t>(columns));
    noteRedefinedNodes(root);
    const Position end = place(root, Position{0, false}, false);
    if (end.offset > recordLength_) recordLength_ = end.offset;
  } catch (const std::bad_alloc&) {
    columns_.clear();
    redefinedStarts_.clear();
    recordLength_ = 0;
    return false;
  }
  redefinedStarts_.clear();
  return true;
}

// Every node some item redefines, over the siblings from first and their subtrees.
void CCBLayoutMap::noteRedefinedNodes(const CCBData* first) {
  for (const CCBData* node = first; node != nullptr; node = node->getNextSibling()) {
    if (node->getRedefines() != nullptr) {
      redefinedStarts_.emplace(node->getRedefines(), Position{0, false});
    }
    if (node->getFirstChild() != nullptr) noteRedefinedNodes(node->getFirstChild());
  }
}

// A node's repetitions from start, each where the one before it ended; returns where
// the last one ends. A table of no repetitions ends where it starts.
CCBLayoutMap::Position CCBLayoutMap::place(const CCBData* node, Position start,
                                           bool insideVariable) {
  const auto redefined = redefinedStarts_.find(node);
  if (redefined != redefinedStarts_.end()) redefined->second = start;
  const bool variableTable = node->isOccursDepending();
  insideVariable = insideVariable || variableTable;
  Position position = start;
  const int count = repetitions(node);
  for (int r = 0; r < count; ++r) {
    position = node->isField()
                   ? placeField(static_cast<const CCBDataField*>(node), position, insideVariable)
                   : placeChildren(node, position, insideVariable);
  }
  if (variableTable && !tablesAtMaximum_) position.variable = true;
  return position;
}

int64_t CCBLayoutMap::repetitionLength(const CCBData* node) {
  CCBLayoutMap map;
  map.withColumns_ = false;
  try {
    if (node->getFirstChild() != nullptr) map.noteRedefinedNodes(node->getFirstChild());
    const Position start{0, false};
    const Position end = node->isField()
                             ? map.placeField(static_cast<const CCBDataField*>(node), start, false)
                             : map.placeChildren(node, start, false);
    return end.offset;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

// One repetition of a group, child after child as the record walk steps through it.
CCBLayoutMap::Position CCBLayoutMap::placeChildren(const CCBData* node, Position start,
                                                   bool insideVariable) {
  for (const CCBData* child = node->getFirstChild(); child != nullptr;
       child = child->getNextSibling()) {
    const CCBData* redefines = child->getRedefines();
    const Position before = start;
    if (redefines != nullptr) {
      const auto found = redefinedStarts_.find(redefines);
      start = found != redefinedStarts_.end() ? found->second : Position{0, false};
    }
    const Position end = place(child, start, insideVariable);
    if (redefines == nullptr) {
      start = end;
    } else {
      // Which of the two ends comes further may depend on the counts of either side.
      start = before.offset > end.offset ? before : end;
      start.variable = before.variable || end.variable;
    }
  }
  return start;
}

CCBLayoutMap::Position CCBLayoutMap::placeField(const CCBDataField* field, Position start,
                                                bool insideVariable) {
  const CCBFormat* format = field->format();
  const bool constant = field->getFieldKind() == FIELD_KIND_VALUE;
  const int length = constant ? 0 : field->getStorageLength(false);
  if (withColumns_) {
    columns_.push_back(
        Column{start.offset, length, columnUsage(format), start.variable || insideVariable});
  }
  const Position end{cappedSum(start.offset, length), start.variable};
  if (end.offset > recordLength_) recordLength_ = end.offset;
  return end;
}
