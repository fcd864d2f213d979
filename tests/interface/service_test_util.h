// Helpers of the interface suites: a service released when the test ends, an output
// column as a host sees it, and a collector of split points.
#ifndef LYRA_TESTS_INTERFACE_SERVICE_TEST_UTIL_H_
#define LYRA_TESTS_INTERFACE_SERVICE_TEST_UTIL_H_

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lyra/lyra.h"

namespace test_support {

template <typename T>
using Owned = std::unique_ptr<T, void (*)(T*)>;

template <typename T>
Owned<T> own(T* service) {
  return Owned<T>(service, [](T* s) { s->release(); });
}

// Column index of a service, or of a reader's active layout, as "name type length"
// (types: 2 integer, 3 real, 4 text); "? -1 -1" where the index changes nothing.
template <typename Service>
std::string columnInfo(Service* service, int index) {
  QvbString name("?");
  int type = -1, length = -1;
  service->getOutputInfo(index, name, type, length);
  return name.str() + " " + std::to_string(type) + " " + std::to_string(length);
}

// The columns from first to last (by default all of them) as columnInfo gives them.
template <typename Service>
std::vector<std::string> columnInfos(Service* service, int first = 0, int last = -1) {
  std::vector<std::string> all;
  if (last < 0) last = service->getOutputCount() - 1;
  for (int i = first; i <= last; ++i) all.push_back(columnInfo(service, i));
  return all;
}

// The split points a scan reports, as (offset, record number).
struct SplitCollector : CCBSplitCallback {
  bool splitPoint(int64_t offset, int64_t number) override {
    points.emplace_back(offset, number);
    return true;
  }
  std::vector<std::pair<int64_t, int64_t>> points;
};

}  // namespace test_support

#endif  // LYRA_TESTS_INTERFACE_SERVICE_TEST_UTIL_H_
