#include "nested_layout.h"

#include "layout_source.h"
#include "output_text.h"

bool NestedLayout::build(CCBRecordWriter* writer, std::string* error) {
  nodes_.clear();
  open_.clear();
  if (writer->walkLayout(this)) return true;
  *error = messageText(writer->getErrorMessage());
  return false;
}

size_t NestedLayout::member(const Node& group, std::string_view name, size_t* hint) const {
  const size_t count = group.children.size();
  for (size_t i = 0; i < count; ++i) {
    const size_t at = (*hint + i) % count;
    if (nodes_[group.children[at]].name == name) {
      *hint = at + 1;
      return group.children[at];
    }
  }
  return NONE;
}

// A node inside the group or table open, or the record.
size_t NestedLayout::add(Kind kind, const QvbString& name, int column) {
  const size_t index = nodes_.size();
  nodes_.emplace_back();
  Node& node = nodes_.back();
  node.kind = kind;
  node.name = toUtf8(name.str());
  node.column = column;
  if (!open_.empty()) nodes_[open_.back()].children.push_back(index);
  return index;
}

void NestedLayout::beginGroup(int, const QvbString& name) {
  open_.push_back(add(GROUP, name, -1));
}

void NestedLayout::endGroup(int) {
  open_.pop_back();
}

void NestedLayout::beginArray(int, const QvbString& name, int) {
  open_.push_back(add(TABLE, name, -1));
}

void NestedLayout::endArray(int) {
  open_.pop_back();
}

void NestedLayout::value(int, const QvbString& name, int column, const char*, int) {
  add(VALUE, name, column);
}
