// CCBColumnType is how the readers of typed values take a column: its kind as the
// record batch types it (by the field's picture), and what reading its text needs
// (numeric-edited, the zero of an edited text without digits, a binary32 float, the
// error text). stripValue cleans one value's text by that type, as the batch reads
// it: the text that the tool's --strip writes and the value a typed host receives
// agree. A plain value; nothing here allocates.
#ifndef LYRA_INTERFACE_CCB_COLUMN_TYPE_H_
#define LYRA_INTERFACE_CCB_COLUMN_TYPE_H_

#include "lyra/ccb_record_batch.h"

class CCBOutputEntry;

struct CCBColumnType {
  CCBColumnKind kind = CCB_COLUMN_TEXT;
  int digits = 0;          // digit positions of a fixed-point or edited number
  int fraction = 0;        // of them after the point
  bool single = false;     // float: an IEEE COMP-1 item, read as binary32
  bool errorText = false;  // "#ERR#" tells of bytes that could not be decoded
  bool edited = false;     // a number read from a numeric-edited text
  int zeroFraction = -1;   // edited: scanEditedNumber's, for a zero without digits
};

// The type of an entry's column; text for an entry that is no field.
CCBColumnType columnTypeOf(const CCBOutputEntry& entry);

// The most bytes stripValue writes to scratch for a text of length bytes.
inline int strippedMost(int length) {
  return length + 3;  // a sign, a point and a zero before it
}

// Cleans the length bytes at *text as a value of the type: text loses its trailing
// blanks (*length shortens); a fixed-point or edited number becomes its canonical
// text, written to scratch (*text then points there): '-' below zero, the integer
// digits without leading zeros (at least one), the point and the fraction digits the
// text has (" 00350.00" is "350.00", "-0007" is "-7", "1234-" is "-1234"); a float
// loses the blanks and '+' before it. False for a value that is none of its column:
// "#ERR#", a number the text does not state, an integer out of its kind's range.
// REQUIRES: room for strippedMost(*length) bytes at scratch.
bool stripValue(const CCBColumnType& type, const char** text, int* length, char* scratch);

#endif  // LYRA_INTERFACE_CCB_COLUMN_TYPE_H_
