// CCBColumnUsage says how the bytes of an output column's field are stored in a
// record, as the layout service and the record reader describe where each column
// lies (getColumnLayout). A plain value; the names ccbColumnUsageName gives are
// constant texts the library owns.
#ifndef LYRA_CCB_COLUMN_USAGE_H_
#define LYRA_CCB_COLUMN_USAGE_H_

#include "lyra/export.h"

enum CCBColumnUsage {
  CCB_USAGE_DISPLAY = 0,   // a byte per character position (DISPLAY, DISPLAY-1, constants)
  CCB_USAGE_BINARY = 1,    // binary integer (BINARY, COMP, COMP-4, COMP-5)
  CCB_USAGE_PACKED = 2,    // packed decimal (COMP-3, PACKED-DECIMAL)
  CCB_USAGE_FLOAT = 3,     // floating point (COMP-1, COMP-2)
  CCB_USAGE_NATIONAL = 4,  // national characters (PIC N, USAGE NATIONAL)
};

// "display", "binary", "packed", "float" or "national"; "" for any other value.
extern "C" LYRA_API const char* ccbColumnUsageName(CCBColumnUsage usage);

#endif  // LYRA_CCB_COLUMN_USAGE_H_
