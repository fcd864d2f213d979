#include "nested_records.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "layout_source.h"
#include "write_options.h"

namespace {

std::string_view keyOf(const rapidjson::Value& name) {
  return std::string_view(name.GetString(), name.GetStringLength());
}

// What a JSON value is, for messages.
const char* kindOf(const rapidjson::Value& value) {
  if (value.IsObject()) return "an object";
  if (value.IsArray()) return "an array";
  if (value.IsBool()) return "true or false";
  return "text or a number";
}

// Where each kind of node of a layout is written, for messages.
const char* const PLACE_OF_KIND[] = {
    " where the layout has a group (an object)",
    " where the layout has a table (an array)",
    " where the layout has an elementary item (text or a number)",
};

}  // namespace

bool NestedRecords::build(CCBRecordWriter* writer, const std::vector<ChildLink>& links,
                          std::string* error) {
  const int active = writer->getActiveLayout();
  const size_t count = static_cast<size_t>(writer->getLayoutCount());
  shapes_.assign(count, NestedLayout());
  ids_.assign(count, std::string());
  children_.assign(count, std::vector<int>());
  bool built = true;
  for (size_t layout = 0; layout < count && built; ++layout) {
    writer->setActiveLayout(static_cast<int>(layout));
    ids_[layout] = messageText(writer->getLayoutId(static_cast<int>(layout)));
    built = shapes_[layout].build(writer, error);
  }
  writer->setActiveLayout(active);
  for (const ChildLink& link : links) {
    const int parent = writer->findLayout(QvbString(link.parent.c_str()));
    const int child = writer->findLayout(QvbString(link.child.c_str()));
    if (parent >= 0 && child >= 0) children_[static_cast<size_t>(parent)].push_back(child);
  }
  return built;
}

bool NestedRecords::take(const rapidjson::Value& line, int layout,
                         std::vector<NestedRecord>* records, NestedProblem* problem) {
  records_ = records;
  problem_ = problem;
  records->clear();
  path_ = shapes_[static_cast<size_t>(layout)].node(0).name;
  const bool taken = addRecord(line, layout);
  if (taken) sortByNumbers();
  records_ = nullptr;
  problem_ = nullptr;
  return taken;
}

// The record of the object, at path_, then its children.
bool NestedRecords::addRecord(const rapidjson::Value& object, int layout) {
  const size_t record = records_->size();
  records_->emplace_back();
  records_->back().layout = layout;
  size_t hint = 0;
  for (const auto& member : object.GetObject()) {
    if (!addMember(member, layout, record, &hint)) return false;
  }
  return true;
}

// A key of a record's object: one `lyra read` adds, an item of the layout, or the
// children of a child layout.
bool NestedRecords::addMember(const rapidjson::Value::Member& member, int layout, size_t record,
                              size_t* hint) {
  const std::string_view key = keyOf(member.name);
  if (key == RECORD_KEY && member.value.IsString()) {
    const char* text = member.value.GetString();
    int64_t number = -1;
    const auto parsed = std::from_chars(text, text + member.value.GetStringLength(), number);
    if (parsed.ec == std::errc()) (*records_)[record].number = number;
    return true;
  }
  if (key == LAYOUT_KEY || key == RECORD_KEY || key == OFFSET_KEY) return true;
  const size_t length = path_.size();
  path_ += '.';
  path_ += key;
  const NestedLayout& shape = shapes_[static_cast<size_t>(layout)];
  const size_t node = shape.member(shape.node(0), key, hint);
  bool placed = false;
  if (node != NestedLayout::NONE) {
    placed = place(member.value, shape, node, record);
  } else {
    int child = -1;
    for (int candidate : children_[static_cast<size_t>(layout)]) {
      if (shapes_[static_cast<size_t>(candidate)].node(0).name == key) child = candidate;
    }
    placed = child >= 0 ? addChildren(member.value, child)
                        : fail(nullptr, "the layout " + idWithBlank(layout) + "has no item " +
                                            (children_[static_cast<size_t>(layout)].empty()
                                                 ? "of this name"
                                                 : "and no child layout of this name"));
  }
  path_.resize(length);
  return placed;
}

// The layout's identifier and a blank after it; nothing for a layout without one.
std::string NestedRecords::idWithBlank(int layout) const {
  const std::string& id = ids_[static_cast<size_t>(layout)];
  return id.empty() ? id : id + " ";
}

bool NestedRecords::addChildren(const rapidjson::Value& array, int layout) {
  if (array.IsNull()) return true;
  const std::string reason =
      " where the records of layout " + ids_[static_cast<size_t>(layout)] + " belong";
  if (!array.IsArray()) return fail(&array, kindOf(array) + reason + " (an array of objects)");
  const size_t length = path_.size();
  for (rapidjson::SizeType i = 0; i < array.Size(); ++i) {
    path_ += '[' + std::to_string(i + 1) + ']';
    const rapidjson::Value& element = array[i];
    if (!(element.IsObject() ? addRecord(element, layout)
                             : fail(&element, kindOf(element) + reason + " (an object)"))) {
      return false;
    }
    path_.resize(length);
  }
  return true;
}

// The value of the item at node, and of the items inside it; null is none.
bool NestedRecords::place(const rapidjson::Value& value, const NestedLayout& shape, size_t node,
                          size_t record) {
  if (value.IsNull()) return true;
  const NestedLayout::Node& item = shape.node(node);
  if (item.kind == NestedLayout::GROUP && value.IsObject()) {
    return placeMembers(value, shape, item, record);
  }
  if (item.kind == NestedLayout::TABLE && value.IsArray()) {
    return placeElements(value, shape, item, record);
  }
  if (item.kind == NestedLayout::VALUE && value.IsString()) {
    (*records_)[record].values.push_back(
        {item.column, value.GetString(), static_cast<int>(value.GetStringLength())});
    return true;
  }
  if (item.kind == NestedLayout::VALUE && value.IsBool()) {
    return fail(&value, "true or false, which is neither text nor a number");
  }
  return fail(&value, kindOf(value) + std::string(PLACE_OF_KIND[item.kind]));
}

bool NestedRecords::placeMembers(const rapidjson::Value& object, const NestedLayout& shape,
                                 const NestedLayout::Node& group, size_t record) {
  const size_t length = path_.size();
  size_t hint = 0;
  for (const auto& member : object.GetObject()) {
    const std::string_view key = keyOf(member.name);
    path_ += '.';
    path_ += key;
    const size_t node = shape.member(group, key, &hint);
    if (node == NestedLayout::NONE) return fail(nullptr, "the group has no item of this name");
    if (!place(member.value, shape, node, record)) return false;
    path_.resize(length);
  }
  return true;
}

bool NestedRecords::placeElements(const rapidjson::Value& array, const NestedLayout& shape,
                                  const NestedLayout::Node& table, size_t record) {
  const size_t most = table.children.size();
  if (array.Size() > most) {
    return fail(nullptr, std::to_string(array.Size()) + " elements, more than the table's " +
                             std::to_string(most) + " (OCCURS)");
  }
  const size_t length = path_.size();
  for (rapidjson::SizeType i = 0; i < array.Size(); ++i) {
    path_ += '[' + std::to_string(i + 1) + ']';
    if (!place(array[i], shape, table.children[i], record)) return false;
    path_.resize(length);
  }
  return true;
}

bool NestedRecords::fail(const rapidjson::Value* value, const std::string& reason) {
  problem_->path = path_;
  problem_->value.clear();
  if (value != nullptr && value->IsString()) {
    problem_->value.assign(value->GetString(), value->GetStringLength());
  }
  problem_->reason = reason;
  return false;
}

// Records that all hold their numbers in the file go in that order.
void NestedRecords::sortByNumbers() {
  std::vector<NestedRecord>& records = *records_;
  const bool numbered = std::all_of(records.begin(), records.end(),
                                    [](const NestedRecord& record) { return record.number >= 0; });
  if (!numbered || records.size() < 2) return;
  std::stable_sort(
      records.begin(), records.end(),
      [](const NestedRecord& a, const NestedRecord& b) { return a.number < b.number; });
}
