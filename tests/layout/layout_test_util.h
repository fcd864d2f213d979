// Builders for layout trees in tests, and a probe field that records where the
// record walk decodes it instead of reading bytes.
#ifndef LYRA_TESTS_LAYOUT_LAYOUT_TEST_UTIL_H_
#define LYRA_TESTS_LAYOUT_LAYOUT_TEST_UTIL_H_

#include <string>
#include <vector>

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_data_table.h"

namespace test_support {

struct Decode {
  std::string name;
  int offset;
  int column;
};

// A field of a given length whose decode notes (name, offset, column) in a log.
class ProbeField : public CCBDataField {
 public:
  ProbeField(const char* name, int length, std::vector<Decode>* log) : length_(length), log_(log) {
    setName(name);
  }
  int getStorageLength(bool zeroIfRedefines) const override {
    return zeroIfRedefines && getRedefines() != nullptr ? 0 : length_;
  }
  bool decodeValue(int offset, int* nextOffset, int column) override {
    log_->push_back({getName().asCstr(), offset, column});
    *nextOffset = offset + length_;
    return true;
  }

 private:
  int length_;
  std::vector<Decode>* log_;
};

inline CCBDataTable* table(CCBData* parent, const char* name, int occurs = 0) {
  CCBDataTable* node = new CCBDataTable();
  node->setName(name);
  parent->addChild(node);
  if (occurs != 0) node->setOccurs(occurs);
  return node;
}

inline CCBDataField* field(CCBData* parent, const char* name) {
  CCBDataField* node = new CCBDataField();
  node->setName(name);
  parent->addChild(node);
  return node;
}

inline ProbeField* probe(CCBData* parent, const char* name, int length, std::vector<Decode>* log) {
  ProbeField* node = new ProbeField(name, length, log);
  parent->addChild(node);
  return node;
}

}  // namespace test_support

#endif  // LYRA_TESTS_LAYOUT_LAYOUT_TEST_UTIL_H_
