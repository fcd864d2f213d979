#include "interface/ccb_record_builder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_map>

#include "format/ccb_decimal.h"
#include "layout/ccb_layout_map.h"

namespace {

const int UTF8_EXPANSION = 3;  // the most bytes a decoded character takes
const int NOT_A_NUMBER = INT_MIN;

// The repetitions a node of the layout may have.
int declaredRepetitions(const CCBData* data) {
  return data->isOccursFixed() || data->isOccursDepending() ? data->getOccursMax() : 1;
}

// The count a decoded text gives: a whole number, NOT_A_NUMBER otherwise.
int countOf(const char* text, int length) {
  CCBDecimal number;
  if (!parseDecimal(text, length, &number)) return NOT_A_NUMBER;
  if (number.zero) return 0;
  if (number.negative || number.low < 0 || number.high > 8) return NOT_A_NUMBER;
  int value = 0;
  for (int weight = number.high; weight >= 0; --weight) value = value * 10 + number.digitAt(weight);
  return value;
}

}  // namespace

bool CCBRecordBuilder::init(CCBDataRoot* root, std::string* error) {
  nodes_.clear();
  fields_.clear();
  segments_.clear();
  segmentArea_ = -1;
  if (!root->reserveText(UTF8_EXPANSION)) {
    *error = "Buffer Allocation failed";
    return false;
  }
  std::unordered_map<const CCBData*, int> indexes;
  if (compile(root, 0, &indexes, error) < 0) return false;
  columns_ = nodes_[0].columnCount;
  CCBLayoutMap map;
  if (!map.build(root, false)) {
    *error = "Out of memory while mapping the layout";
    return false;
  }
  maxLength_ = static_cast<int>(std::min<int64_t>(map.getRecordLength(), MAX_RECORD_LENGTH));
  counts_.assign(nodes_.size(), 0);
  countColumns_.assign(nodes_.size(), -1);
  int widest = 0;
  for (const Field& field : fields_) widest = std::max(widest, field.storage);
  scratch_.resize(static_cast<size_t>(widest) + 1);
  planned_ = true;
  for (const Node& node : nodes_) {
    planned_ = planned_ && node.counter < 0 && node.firstRedefinition < 0;
  }
  plan_.clear();
  planLength_ = 0;
  if (planned_) planNode(0, 0, &planLength_);
  return true;
}

// The steps of a node's field occurrences from position on, as the walk lays them.
void CCBRecordBuilder::planNode(int n, int column, int* position) {
  const Node& node = nodes_[static_cast<size_t>(n)];
  for (int r = 0; r < node.repetitions; ++r, column += node.perRepetition) {
    if (node.field >= 0) {
      const Field& field = fields_[static_cast<size_t>(node.field)];
      if (field.constant || field.data->format() == nullptr) continue;
      plan_.push_back(Step{column, *position, node.field});
      *position += field.storage;
      continue;
    }
    for (int c = node.firstChild; c >= 0; c = nodes_[static_cast<size_t>(c)].nextSibling) {
      planNode(c, column + nodes_[static_cast<size_t>(c)].columnOffset, position);
    }
  }
}

// The walk of a layout whose fields lie at the same offsets in every record.
bool CCBRecordBuilder::buildByPlan(int* length) {
  for (const Step& step : plan_) {
    const Field& field = fields_[static_cast<size_t>(step.field)];
    if (!writeValue(field, step.column, record_ + step.offset)) return false;
    if (field.filler || values_[step.column].kind != CCBValueSlot::NONE) {
      valued_ = std::max(valued_, step.offset + field.storage);
    }
  }
  *length = planLength_;
  return true;
}

// Adds the node of data and its subtree; returns its index, -1 on failure.
int CCBRecordBuilder::compile(const CCBData* data, int columnOffset,
                              std::unordered_map<const CCBData*, int>* indexes,
                              std::string* error) {
  const int index = static_cast<int>(nodes_.size());
  nodes_.emplace_back();
  (*indexes)[data] = index;
  Node node;
  node.data = data;
  node.columnOffset = columnOffset;
  node.repetitions = declaredRepetitions(data);
  if (data->isOccursDepending()) {
    const auto counter = indexes->find(data->getOccursDependingNode());
    if (counter == indexes->end() || nodes_[counter->second].field < 0) {
      *error = "The count of " + std::string(data->getName().asCstr()) +
               " is no field before it: its records cannot be written";
      return -1;
    }
    node.counter = counter->second;
    node.minimum = data->getOccursMinimum();
    fields_[static_cast<size_t>(nodes_[counter->second].field)].counter = true;
  }
  if (data->isField()) {
    const CCBDataField* fieldData = static_cast<const CCBDataField*>(data);
    Field field;
    field.data = fieldData;
    field.storage = fieldData->getStorageLength(false);
    field.constant = fieldData->getFieldKind() == FIELD_KIND_VALUE;
    field.filler = fieldData->getFieldKind() == FIELD_KIND_FILLER;
    if (fieldData->format() != nullptr) {
      const QvbString picture = fieldData->getPicture();
      field.encoder.init(fieldData->format(), picture.asCstr(), picture.length());
    }
    node.field = static_cast<int>(fields_.size());
    fields_.push_back(std::move(field));
    node.columnCount = data->getColumnCount();
  }
  int previous = -1;
  int childColumns = 0;
  for (const CCBData* child = data->getFirstChild(); child != nullptr;
       child = child->getNextSibling()) {
    const int childIndex = compile(child, childColumns, indexes, error);
    if (childIndex < 0) return -1;
    if (previous < 0) {
      node.firstChild = childIndex;
    } else {
      nodes_[static_cast<size_t>(previous)].nextSibling = childIndex;
    }
    previous = childIndex;
    childColumns += nodes_[static_cast<size_t>(childIndex)].columnCount;
  }
  if (!data->isField()) node.columnCount = childColumns * node.repetitions;
  node.perRepetition = node.columnCount / node.repetitions;
  nodes_[static_cast<size_t>(index)] = node;
  return linkRedefinitions(index, *indexes, error) ? index : -1;
}

// Chains each child that redefines an earlier child to that child, its area.
bool CCBRecordBuilder::linkRedefinitions(int parent,
                                         const std::unordered_map<const CCBData*, int>& indexes,
                                         std::string* error) {
  for (int c = nodes_[static_cast<size_t>(parent)].firstChild; c >= 0;
       c = nodes_[static_cast<size_t>(c)].nextSibling) {
    const CCBData* redefined = nodes_[static_cast<size_t>(c)].data->getRedefines();
    if (redefined == nullptr) continue;
    while (redefined->getRedefines() != nullptr) redefined = redefined->getRedefines();
    const auto found = indexes.find(redefined);
    int area = nodes_[static_cast<size_t>(parent)].firstChild;
    while (area >= 0 && (found == indexes.end() || area != found->second)) {
      area = nodes_[static_cast<size_t>(area)].nextSibling;
    }
    if (area < 0 || area == c) {
      *error = std::string(nodes_[static_cast<size_t>(c)].data->getName().asCstr()) +
               " redefines an item that is no earlier item of its group: its records cannot "
               "be written";
      return false;
    }
    nodes_[static_cast<size_t>(c)].redefinition = true;
    int* link = &nodes_[static_cast<size_t>(area)].firstRedefinition;
    while (*link >= 0) link = &nodes_[static_cast<size_t>(*link)].nextRedefinition;
    *link = c;
  }
  return true;
}

void CCBRecordBuilder::setSegments(const std::vector<CCBBuildSegment>& segments,
                                   const CCBData* area, const CCBDataField* idField, int idOffset) {
  segments_.clear();
  segmentArea_ = -1;
  planned_ = planned_ && segments.empty();
  idField_ = idField;
  idOffset_ = idOffset;
  for (size_t n = 0; n < nodes_.size(); ++n) {
    if (nodes_[n].data == area) segmentArea_ = static_cast<int>(n);
    for (const CCBBuildSegment& segment : segments) {
      if (nodes_[n].data == segment.item)
        segments_.emplace_back(static_cast<int>(n), segment.recordId);
    }
  }
}

bool CCBRecordBuilder::build(const CCBValueSlot* values, const CCBEncoding& encoding,
                             const CCBDecoding& decoding, unsigned char* record, int* length,
                             int* valued, CCBBuildFault* fault) {
  values_ = values;
  encoding_ = &encoding;
  decoding_ = &decoding;
  record_ = record;
  fault_ = fault;
  segmentChosen_ = -1;
  valued_ = 0;
  std::memset(record, encoding.text.blank(), static_cast<size_t>(maxLength_));
  int end = 0;
  if (planned_ ? !buildByPlan(&end) : !walkGroup(0, 0, 0, &end, MODE_WRITE)) return false;
  if (end == 0) return fail(-1, "Record of no bytes: its layout holds no data");
  *length = end;
  *valued = valued_;
  if (segmentChosen_ < 0) return true;
  // The segment was chosen by its values: the identifier written must name it.
  QvbString id;
  readIdentifier(idField_, idOffset_, record, end, decoding, &id);
  for (const auto& segment : segments_) {
    if (segment.second.compare(id, false) != 0) continue;
    if (segment.first == segmentChosen_) return true;
    return fail(-1, "The identifier '" + std::string(id.asCstr()) + "' names " +
                        nodes_[static_cast<size_t>(segment.first)].data->getName().asCstr() +
                        ", but values are given for " +
                        nodes_[static_cast<size_t>(segmentChosen_)].data->getName().asCstr());
  }
  return fail(-1, "No segment for this record: " + std::string(id.asCstr()));
}

bool CCBRecordBuilder::readIdentifier(const CCBDataField* idField, int idOffset,
                                      const unsigned char* record, int length,
                                      const CCBDecoding& decoding, QvbString* id) {
  if (idField == nullptr || idField->format() == nullptr ||
      idOffset + idField->format()->storageLength() > length) {
    return false;
  }
  int textLength = 0;
  const char* text = idField->decodeBytes(record + idOffset, decoding, &textLength);
  QvbDatavar value;
  value.assignBytes(text, textLength);
  *id = value.asString();
  id->trim(true, true);
  return true;
}

bool CCBRecordBuilder::fail(int column, const std::string& reason) {
  fault_->column = column;
  fault_->reason = reason;
  return false;
}

// The repetitions of node in this record: its maximum, or what its count holds, which
// must lie within the table's bounds; writing, no value may be given past it.
bool CCBRecordBuilder::repetitionCount(const Node& node, int column, int* count, Mode mode) {
  *count = node.repetitions;
  if (node.counter < 0) return true;
  const int value = counts_[static_cast<size_t>(node.counter)];
  const int countColumn = countColumns_[static_cast<size_t>(node.counter)];
  const CCBData* counter = nodes_[static_cast<size_t>(node.counter)].data;
  if (value == NOT_A_NUMBER) {
    return fail(countColumn, "Occurs depending value of " +
                                 std::string(counter->getName().asCstr()) + " is not a number");
  }
  if (value < node.minimum || value > node.repetitions) {
    return fail(countColumn, "Occurs depending value " + std::to_string(value) +
                                 " is out of range " + std::to_string(node.minimum) + " to " +
                                 std::to_string(node.repetitions));
  }
  *count = value;
  if (mode != MODE_WRITE) return true;
  const int past = column + value * node.perRepetition;
  const int end = column + node.columnCount;
  for (int c = past; c < end; ++c) {
    if (values_[c].kind == CCBValueSlot::NONE) continue;
    return fail(c, "is given past the " + std::to_string(value) + " repetitions that " +
                       counter->getName().asCstr() + " holds");
  }
  return true;
}

bool CCBRecordBuilder::walkNode(int n, int column, int start, int* end, Mode mode) {
  const Node& node = nodes_[static_cast<size_t>(n)];
  int count = 1;
  if (!repetitionCount(node, column, &count, mode)) return false;
  int position = start;
  for (int r = 0; r < count; ++r, column += node.perRepetition) {
    if (node.field >= 0) {
      if (!walkField(n, column, position, mode)) return false;
      position += fields_[static_cast<size_t>(node.field)].constant
                      ? 0
                      : fields_[static_cast<size_t>(node.field)].storage;
    } else if (!walkGroup(n, column, position, &position, mode)) {
      return false;
    }
  }
  *end = position;
  // The repetitions a count gives are part of the record, values or not.
  if (mode == MODE_WRITE && node.counter >= 0) valued_ = std::max(valued_, position);
  return true;
}

// One repetition of a group: each child after the one before it; an area with its
// redefinitions, which are passed over where they stand.
bool CCBRecordBuilder::walkGroup(int n, int column, int start, int* end, Mode mode) {
  int position = start;
  for (int c = nodes_[static_cast<size_t>(n)].firstChild; c >= 0;
       c = nodes_[static_cast<size_t>(c)].nextSibling) {
    const Node& child = nodes_[static_cast<size_t>(c)];
    if (child.redefinition) continue;
    const int childColumn = column + child.columnOffset;
    const bool walked = child.firstRedefinition >= 0
                            ? walkArea(c, column, position, &position, mode)
                            : walkNode(c, childColumn, position, &position, mode);
    if (!walked) return false;
  }
  *end = position;
  return true;
}

bool CCBRecordBuilder::hasValues(int n, int column) const {
  const Node& node = nodes_[static_cast<size_t>(n)];
  for (int c = column; c < column + node.columnCount; ++c) {
    if (values_[c].kind != CCBValueSlot::NONE) return true;
  }
  return false;
}

// The item after m of an area and its redefinitions, in layout order; -1 after the last.
int CCBRecordBuilder::nextMember(int area, int m) const {
  const Node& node = nodes_[static_cast<size_t>(m)];
  return m == area ? node.firstRedefinition : node.nextRedefinition;
}

// The item an area is written from: the segment its identifier names, where the
// identifier is written already; else the first item whose columns hold a value.
int CCBRecordBuilder::chooseMember(int area, int column, int start) {
  QvbString id;
  if (area == segmentArea_ &&
      readIdentifier(idField_, idOffset_, record_, start, *decoding_, &id)) {
    for (const auto& segment : segments_) {
      if (segment.second.compare(id, false) == 0) return segment.first;
    }
    fail(-1, "No segment for this record: " + std::string(id.asCstr()));
    return -1;
  }
  int chosen = area;
  for (int m = area; m >= 0; m = nextMember(area, m)) {
    if (hasValues(m, column + nodes_[static_cast<size_t>(m)].columnOffset)) {
      chosen = m;
      break;
    }
  }
  if (area == segmentArea_) segmentChosen_ = chosen;
  return chosen;
}

// An area and its redefinitions all start at start; the item after them starts past
// the furthest of their ends.
bool CCBRecordBuilder::walkArea(int area, int column, int start, int* end, Mode mode) {
  int chosen = -1;
  int furthest = start;
  if (mode == MODE_WRITE) {
    chosen = chooseMember(area, column, start);
    if (chosen < 0) return false;
    if (!walkNode(chosen, column + nodes_[static_cast<size_t>(chosen)].columnOffset, start,
                  &furthest, MODE_WRITE)) {
      return false;
    }
  }
  for (int m = area; m >= 0; m = nextMember(area, m)) {
    if (m == chosen) continue;
    writtenItem_ = chosen >= 0 ? nodes_[static_cast<size_t>(chosen)].data : nullptr;
    int memberEnd = start;
    if (!walkNode(m, column + nodes_[static_cast<size_t>(m)].columnOffset, start, &memberEnd,
                  MODE_CHECK)) {
      return false;
    }
    furthest = std::max(furthest, memberEnd);
  }
  *end = furthest;
  return true;
}

bool CCBRecordBuilder::walkField(int n, int column, int at, Mode mode) {
  const Field& field = fields_[static_cast<size_t>(nodes_[static_cast<size_t>(n)].field)];
  if (field.constant || field.data->format() == nullptr) return true;
  unsigned char* bytes = record_ + at;
  if (mode == MODE_WRITE ? !writeValue(field, column, bytes) : !checkValue(field, column, bytes)) {
    return false;
  }
  if (mode == MODE_WRITE && (field.filler || values_[column].kind != CCBValueSlot::NONE)) {
    valued_ = std::max(valued_, at + field.storage);
  }
  if (field.counter) noteCount(n, field, bytes, column);
  return true;
}

// The count an OCCURS DEPENDING ON field holds, as the reader reads it from its bytes.
void CCBRecordBuilder::noteCount(int n, const Field& field, const unsigned char* bytes,
                                 int column) {
  int length = 0;
  const char* text = field.data->decodeBytes(bytes, *decoding_, &length);
  counts_[static_cast<size_t>(n)] = countOf(text, length);
  countColumns_[static_cast<size_t>(n)] = column;
}

bool CCBRecordBuilder::encodeSlot(const Field& field, const CCBValueSlot& slot, unsigned char* out,
                                  CCBEncodeFault* fault) const {
  switch (slot.kind) {
    case CCBValueSlot::TEXT:
      return field.encoder.encodeText(slot.text, slot.length, *encoding_, out, fault);
    case CCBValueSlot::INTEGER:
      return field.encoder.encodeInteger(slot.integer, *encoding_, out, fault);
    case CCBValueSlot::UNSIGNED:
      return field.encoder.encodeUnsigned(slot.unsignedValue, *encoding_, out, fault);
    case CCBValueSlot::REAL:
      return field.encoder.encodeDouble(slot.real, *encoding_, out, fault);
    default:
      field.encoder.encodeDefault(*encoding_, out);
      return true;
  }
}

bool CCBRecordBuilder::writeValue(const Field& field, int column, unsigned char* out) {
  const CCBValueSlot& slot = values_[column];
  if (slot.kind == CCBValueSlot::NONE) {
    field.encoder.encodeDefault(*encoding_, out);
    return true;
  }
  if (encodeSlot(field, slot, out, &encodeFault_)) return true;
  return fail(column, field.encoder.reason(encodeFault_, *encoding_));
}

// A value given for an item that was not written must be what its bytes read: the
// same text, or a value that encodes to bytes that read the same.
bool CCBRecordBuilder::checkValue(const Field& field, int column, const unsigned char* bytes) {
  const CCBValueSlot& slot = values_[column];
  if (slot.kind == CCBValueSlot::NONE) return true;
  int length = 0;
  const char* text = field.data->decodeBytes(bytes, *decoding_, &length);
  if (slot.kind == CCBValueSlot::TEXT && slot.length == length &&
      std::memcmp(slot.text, text, static_cast<size_t>(length)) == 0) {
    return true;
  }
  readText_.assign(text, static_cast<size_t>(length));
  if (encodeSlot(field, slot, scratch_.data(), &encodeFault_)) {
    const char* given = field.data->decodeBytes(scratch_.data(), *decoding_, &length);
    if (readText_.size() == static_cast<size_t>(length) &&
        std::memcmp(readText_.data(), given, static_cast<size_t>(length)) == 0) {
      return true;
    }
  }
  const std::string item = writtenItem_ != nullptr ? writtenItem_->getName().asCstr() : "";
  return fail(column, "does not read back as given from the bytes written for " + item +
                          ": they read '" + readText_ + "'");
}
