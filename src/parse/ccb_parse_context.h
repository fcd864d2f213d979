// CCBParseContext collects what the grammar's handlers see of one data description
// entry while a copybook is parsed, and carries the tree being built. One context
// lives for one load; the clause fields are reset before every entry.
#ifndef LYRA_PARSE_CCB_PARSE_CONTEXT_H_
#define LYRA_PARSE_CCB_PARSE_CONTEXT_H_

#include <vector>

#include "layout/ccb_data_root.h"
#include "parse/ccb_source_reader.h"
#include "parse/syntax_parser.h"

struct CCBParseContext {
  CCBDataRoot* root = nullptr;  // the tree being built (not owned here)
  CCBData* lastNode = nullptr;  // the node placed most recently
  CCBSourceReader reader;       // the copybook's statements
  int occursMinimum = -1;       // m of OCCURS m TO n
  int occursMaximum = -1;       // the OCCURS count, or n of OCCURS m TO n
  QvbString objectName;         // the name after REDEFINES
  QvbString dependingName;      // the name after DEPENDING ON
  QvbString picture;
  QvbString usage;
  QvbString dataName;  // null for FILLER or no name
  bool redefines = false;
  bool occurs = false;
  bool depending = false;
  bool signLeading = false;
  bool signSeparate = false;
  std::vector<QvbString> values;  // literals of VALUE, in order

  CCBParseContext() { resetStatement(); }
  // Clears what one entry's clauses recorded.
  void resetStatement();
};

// The handlers of the copybook grammar, indexed by the grammar's handler numbers.
extern const ParseHandler CopybookHandlers[];

#endif  // LYRA_PARSE_CCB_PARSE_CONTEXT_H_
