// Option tables made of the rows of other commands' tables, for commands that take some
// of their options under the same names and help: `lyra diagnose` takes the layout
// options of `lyra read`, `lyra verify` its reading options.
#ifndef LYRA_TOOLS_OPTION_ROWS_H_
#define LYRA_TOOLS_OPTION_ROWS_H_

#include <initializer_list>
#include <vector>

#include "command_line.h"

// The rows of the table (count of them at defs) with the long names given, in the
// order given; a name the table lacks is left out.
std::vector<OptionDef> pickOptions(const OptionDef* defs, int count,
                                   std::initializer_list<const char*> names);

#endif  // LYRA_TOOLS_OPTION_ROWS_H_
