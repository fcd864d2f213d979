// NestedLayout is the shape of a layout as `lyra read --format json-nested` writes its
// records: the record an object of its items, each group an object keyed by its items'
// names, each table an array of its elements, each elementary item a value with the
// writer's column. It is made once from the record writer's walk of its active layout
// (every table at its most elements, FILLER and level-88 names left out as the reader's
// walk leaves them) and then only read, so that a json-nested line's values find their
// columns by their places. It owns its nodes; the writer stays the caller's.
#ifndef LYRA_TOOLS_NESTED_LAYOUT_H_
#define LYRA_TOOLS_NESTED_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <lyra/lyra.h>

class NestedLayout : public CCBRecordVisitor {
 public:
  enum Kind { GROUP, TABLE, VALUE };
  struct Node {
    Kind kind = GROUP;
    std::string name;              // in UTF-8
    int column = -1;               // a value's
    std::vector<size_t> children;  // a group's items, a table's elements, in order
  };
  static const size_t NONE = SIZE_MAX;

  // The shape of the writer's active layout; false with the writer's message.
  bool build(CCBRecordWriter* writer, std::string* error);
  // Node 0 is the record, named as the layout's level-01 item.
  const Node& node(size_t index) const { return nodes_[index]; }
  // The item of the group with the name; NONE for none. *hint: where the search starts,
  // then the place after the item found (members mostly come in layout order).
  size_t member(const Node& group, std::string_view name, size_t* hint) const;

  void beginGroup(int item, const QvbString& name) override;
  void endGroup(int item) override;
  void beginArray(int item, const QvbString& name, int count) override;
  void endArray(int item) override;
  void value(int item, const QvbString& name, int column, const char* text, int length) override;

 private:
  size_t add(Kind kind, const QvbString& name, int column);

  std::vector<Node> nodes_;
  std::vector<size_t> open_;  // the groups and tables being built
};

#endif  // LYRA_TOOLS_NESTED_LAYOUT_H_
