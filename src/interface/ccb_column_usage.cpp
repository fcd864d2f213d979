#include "lyra/ccb_column_usage.h"

namespace {

const char* const USAGE_NAMES[] = {"display", "binary",   "packed",
                                   "float",   "national", "display-1"};  // by value
const int USAGE_COUNT = sizeof USAGE_NAMES / sizeof USAGE_NAMES[0];

}  // namespace

const char* ccbColumnUsageName(CCBColumnUsage usage) {
  const int index = static_cast<int>(usage);  // a host may pass any number
  return index >= 0 && index < USAGE_COUNT ? USAGE_NAMES[index] : "";
}
