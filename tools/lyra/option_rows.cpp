#include "option_rows.h"

#include <cstring>

std::vector<OptionDef> pickOptions(const OptionDef* defs, int count,
                                   std::initializer_list<const char*> names) {
  std::vector<OptionDef> rows;
  for (const char* name : names) {
    for (int i = 0; i < count; ++i) {
      if (std::strcmp(defs[i].longName, name) == 0) rows.push_back(defs[i]);
    }
  }
  return rows;
}
