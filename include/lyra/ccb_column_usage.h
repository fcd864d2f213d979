// CCBColumnUsage says how the bytes of an output column's field are stored in a
// record, as the layout service and the record reader describe where each column
// lies (getColumnLayout). A plain value; the names ccbColumnUsageName gives are
// constant texts the library owns.
#ifndef LYRA_CCB_COLUMN_USAGE_H_
#define LYRA_CCB_COLUMN_USAGE_H_

#include "lyra/export.h"

// National: USAGE NATIONAL items, and PIC N items where national items hold UTF-16
// (the national_utf16 layout option); otherwise a PIC N item is read as display.
// Display-1: PIC G and USAGE DISPLAY-1 items where they hold double-byte text, two
// bytes per character position (the extended services, unless strict); otherwise they
// are display.
enum CCBColumnUsage {
  CCB_USAGE_DISPLAY = 0,    // characters (DISPLAY, DISPLAY-1), and constants
  CCB_USAGE_BINARY = 1,     // binary integer (BINARY, COMP, COMP-4, COMP-5)
  CCB_USAGE_PACKED = 2,     // packed decimal (COMP-3, PACKED-DECIMAL)
  CCB_USAGE_FLOAT = 3,      // floating point (COMP-1, COMP-2)
  CCB_USAGE_NATIONAL = 4,   // national characters
  CCB_USAGE_DISPLAY_1 = 5,  // double-byte characters
};

// "display", "binary", "packed", "float", "national" or "display-1"; "" for any other
// value.
extern "C" LYRA_API const char* ccbColumnUsageName(CCBColumnUsage usage);

#endif  // LYRA_CCB_COLUMN_USAGE_H_
