// The layout map on trees built here, in the shapes copybooks do not reach in the
// service tests: a level 100,000 items wide, nesting as deep as layouts may go, and
// constants, which take no bytes.
#include "layout/ccb_layout_map.h"

#include <gtest/gtest.h>

#include <vector>

#include "layout/layout_test_util.h"

namespace {

using test_support::Decode;
using test_support::field;
using test_support::probe;
using test_support::table;

// "offset+storage" of the columns listed.
std::string places(const CCBLayoutMap& map, const std::vector<int>& columns) {
  std::string out;
  for (const int i : columns) {
    const CCBLayoutMap::Column* c = map.getColumn(i);
    out += c == nullptr ? "none "
                        : std::to_string(c->offset) + "+" + std::to_string(c->storageLength) + " ";
  }
  return out;
}

TEST(LayoutMapTest, WideDeepAndConstant) {
  std::vector<Decode> log;
  CCBDataRoot wide;  // 100000 items of 2 bytes
  for (int i = 0; i < 100000; ++i) probe(&wide, "W", 2, &log);
  CCBDataRoot deep;  // 255 nested groups, each opening with a byte, then 3 bytes at the bottom
  CCBData* group = &deep;
  for (int level = 1; level <= 255; ++level) {
    group = table(group, "G");
    probe(group, "B", 1, &log);
  }
  probe(group, "L", 3, &log);
  CCBDataRoot constant;  // 2 bytes, a constant, 1 byte
  probe(&constant, "A", 2, &log);
  field(&constant, "K")->setFieldKind(FIELD_KIND_VALUE);
  probe(&constant, "C", 1, &log);
  const struct {
    const char* what;
    CCBDataRoot* root;
    std::vector<int> columns;
    const char* places;
    int64_t recordLength;
  } cases[] = {
      {"wide", &wide, {0, 1, 99999, 100000}, "0+2 2+2 199998+2 none ", 200000},
      {"deep", &deep, {0, 254, 255, 256}, "0+1 254+1 255+3 none ", 258},
      {"constant", &constant, {0, 1, 2}, "0+2 2+0 2+1 ", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.root->buildOutputColumns();
    CCBLayoutMap map;
    ASSERT_TRUE(map.build(c.root, true));
    EXPECT_EQ(c.root->getColumnCount(), map.getColumnCount());
    EXPECT_EQ(c.places, places(map, c.columns));
    EXPECT_EQ(c.recordLength, map.getRecordLength());
    CCBLayoutMap lengthOnly;
    ASSERT_TRUE(lengthOnly.build(c.root, false));
    EXPECT_EQ(0, lengthOnly.getColumnCount());
    EXPECT_EQ(c.recordLength, lengthOnly.getRecordLength());
  }
}

}  // namespace
