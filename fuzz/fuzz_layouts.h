// The record layouts the data-file fuzz targets read with: together they use every
// kind of field (display with every sign convention, binary, packed, scaling, a
// variable table, a redefinition, an edited picture; floats, native binary, UTF-16
// national text and double-byte text), told apart by their first byte ("A", "B", the
// number layout and "D").
#ifndef LYRA_FUZZ_FUZZ_LAYOUTS_H_
#define LYRA_FUZZ_FUZZ_LAYOUTS_H_

#include <cstdlib>
#include <string>

#include "lyra/ccb_record_reader.h"

namespace {

const char* const LAYOUT_A =
    "       01  REC-A.\n"
    "           05  REC-TYPE        PIC X.\n"
    "           05  NAME            PIC X(5).\n"
    "           05  AMOUNT          PIC S9(5)V99.\n"
    "           05  LEAD-SEP        PIC S9(3) SIGN LEADING SEPARATE.\n"
    "           05  TRAIL-SEP       PIC S9V99 SIGN TRAILING SEPARATE.\n"
    "           05  COUNT-N         PIC 9.\n"
    "           05  ITEMS OCCURS 0 TO 4 DEPENDING ON COUNT-N.\n"
    "               10  ITEM-BIN    PIC S9(4) COMP.\n"
    "               10  ITEM-PACK   PIC S9(5)V9 COMP-3.\n"
    "           05  SCALED          PIC PP99.\n"
    "           05  BIG             PIC 9(18) COMP.\n"
    "           05  EDITED          PIC ZZ,ZZ9.99-.\n";
const char* const LAYOUT_B =
    "       01  REC-B.\n"
    "           05  REC-TYPE        PIC X.\n"
    "           05  RAW             PIC X(4).\n"
    "           05  RAW-NUM REDEFINES RAW PIC S9(7) COMP-3.\n"
    "           05  HUGE-P          PIC S99PP COMP.\n";

// Floats, native binary and national text; added once per float format.
const char* const LAYOUT_NUMBERS =
    "       01  REC-N.\n"
    "           05  REC-TYPE        PIC X.\n"
    "           05  SHORT-F         COMP-1.\n"
    "           05  LONG-F          USAGE COMPUTATIONAL-2.\n"
    "           05  NATIVE-B        PIC S9(4)V9 COMP-5.\n"
    "           05  NAME-N          PIC N(3).\n"
    "           05  CODE-N          PIC 9(2) USAGE NATIONAL.\n"
    "           05  TEXT-E          PIC X(3).\n";

// Mixed and double-byte text (two bytes a position on the extended side), told by "D".
const char* const LAYOUT_DOUBLE_BYTE =
    "       01  REC-D.\n"
    "           05  REC-TYPE        PIC X.\n"
    "           05  MIXED           PIC X(6).\n"
    "           05  NAME-G          PIC G(3).\n"
    "           05  NOTE-D          PIC N(2) USAGE DISPLAY-1.\n";

// Adds the copybook text as a layout.
inline bool addLayoutText(CCBRecordReader* reader, const char* text, const char* id, bool active) {
  return reader->addCopybookText(text, std::char_traits<char>::length(text), id, active);
}

}  // namespace

#endif  // LYRA_FUZZ_FUZZ_LAYOUTS_H_
