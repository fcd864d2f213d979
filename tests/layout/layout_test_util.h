// Builders for layout trees, and a probe field that logs where the record walk decodes it.
#ifndef LYRA_TESTS_LAYOUT_LAYOUT_TEST_UTIL_H_
#define LYRA_TESTS_LAYOUT_LAYOUT_TEST_UTIL_H_

#include <string>

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_data_table.h"

namespace test_support {

// A field of a given length whose decode adds "NAME@offset#column " to a log.
struct ProbeField : CCBDataField {
  ProbeField(int length, std::string* log) : length(length), log(log) {}
  int getStorageLength(bool zeroIfRedefines) const override {
    return zeroIfRedefines && getRedefines() != nullptr ? 0 : length;
  }
  bool decodeValue(int offset, int* nextOffset, int column) override {
    *log += getName().str() + "@" + std::to_string(offset) + "#" + std::to_string(column) + " ";
    *nextOffset = offset + length;
    return true;
  }
  const int length;
  std::string* const log;
};

// The node, named, as parent's last child.
template <typename Node>
Node* adopt(CCBData* parent, const char* name, Node* node) {
  node->setName(name);
  parent->addChild(node);
  return node;
}

inline CCBDataTable* table(CCBData* parent, const char* name, int occurs = 0) {
  CCBDataTable* node = adopt(parent, name, new CCBDataTable());
  if (occurs != 0) node->setOccurs(occurs);
  return node;
}

inline CCBDataField* field(CCBData* parent, const char* name) {
  return adopt(parent, name, new CCBDataField());
}

inline ProbeField* probe(CCBData* parent, const char* name, int length, std::string* log) {
  return adopt(parent, name, new ProbeField(length, log));
}

}  // namespace test_support

#endif  // LYRA_TESTS_LAYOUT_LAYOUT_TEST_UTIL_H_
