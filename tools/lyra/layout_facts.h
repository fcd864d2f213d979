// LayoutFacts is what `lyra diagnose` needs to know of the layouts before it tries
// ways of reading a file with them: whether they hold binary items (native ones among
// them), floats (which need a float format to load at all) and variable tables, and
// how long their records are. readLayoutFacts loads each layout to find out.
#ifndef LYRA_TOOLS_LAYOUT_FACTS_H_
#define LYRA_TOOLS_LAYOUT_FACTS_H_

#include <string>

#include "read_options.h"

struct LayoutFacts {
  bool floats = false;    // COMP-1 or COMP-2 items
  bool binary = false;    // binary items of any kind
  bool native = false;    // COMP-5 items
  bool variable = false;  // a table of OCCURS DEPENDING ON
  // The usages of the repetition counts of such tables, as far as the walk of a
  // record reads them: display digits (in the code page) or binary (in a byte order).
  bool displayCounts = false;
  bool binaryCounts = false;
  int recordLength = 0;  // the longest layout's, every table at its maximum
};

// Loads every layout of the options with their layout options; where none is given,
// a layout that needs a float format to load is loaded with one, and has floats. False
// with the load's message (and its hint) when a layout does not load.
bool readLayoutFacts(const ReadOptions& options, LayoutFacts* facts, std::string* error);

#endif  // LYRA_TOOLS_LAYOUT_FACTS_H_
