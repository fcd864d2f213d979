// CCBRecordCheck tells, for each column of a record that a record reader
// (CCBRecordReader) has just read, whether its value is one the field's picture and
// usage allow: for tools that check whole files, and for tools that guess how a file
// is laid out by how cleanly its records decode. A value is
//
//   CCB_VALUE_CLEAN    what the picture and usage allow
//   CCB_VALUE_UNUSUAL  allowed, but unlike what programs store: a native binary
//                      (COMP-5) value beyond its picture's digits, a float that is
//                      neither zero nor between 1e-30 and 1e30 in magnitude, or that
//                      no decimal of a few digits gives (7 for COMP-1, 15 for COMP-2;
//                      also an IBM float whose fraction is not normalised)
//   CCB_VALUE_NULL     no value: a repetition a variable table did not reach, a field
//                      past the end of a short record, another segment's item
//   CCB_VALUE_BAD      not allowed: a display number whose bytes are no digits of the
//                      code page, or whose sign byte is none; a separate sign that is
//                      neither '+' nor '-'; a packed nibble above 9, a sign nibble that
//                      is a digit, a pad nibble that is not 0; a binary value with more
//                      digits than its picture (not native binary); a float NaN or
//                      infinity; a numeric-edited text that states no number; text with
//                      a character its code page has none for or a control character
//                      (a zero byte, low-value, is none); and every value that decodes
//                      to "#ERR#"
//
// Values are judged as the reader decodes them, in the code page, byte orders and
// float format it reads with. The reader's result encoding should be UTF-8: in
// ISO-8859-1 results a character the page has none for cannot be told from '?'.
//
// createCCBRecordCheck() returns a new check owned by the host until it calls
// release(); never delete it. The check keeps no hold on the reader between calls.
// One thread uses a check at a time, and the reader it checks meanwhile.
#ifndef LYRA_CCB_RECORD_CHECK_H_
#define LYRA_CCB_RECORD_CHECK_H_

#include "lyra/ccb_record_reader.h"
#include "lyra/export.h"
#include "lyra/qvb_string.h"

enum CCBValueState {
  CCB_VALUE_CLEAN = 0,
  CCB_VALUE_UNUSUAL = 1,
  CCB_VALUE_NULL = 2,
  CCB_VALUE_BAD = 3,
};

class LYRA_API CCBRecordCheck {
 public:
  virtual ~CCBRecordCheck();
  virtual void release() = 0;
  // The message of the last failed check.
  virtual QvbString getErrorMessage() = 0;

  // Checks every column of the record the reader's readNextRecord has just returned
  // (those of its active layout). False with a message for a reader that
  // createCCBRecordReader did not make, or without an active layout. REQUIRES: the
  // last readNextRecord returned true.
  virtual bool check(CCBRecordReader* reader) = 0;

  // The results of the last check, one per column of the active layout; the pointer
  // stays valid until the next check or release.
  virtual int getColumnCount() = 0;
  virtual const unsigned char* getStates() = 0;  // CCBValueState values
  // How many values of the record are in the state.
  virtual int getStateCount(CCBValueState state) = 0;
  // Where column's bytes lie in the record: the offset of their first byte from the
  // record's first data byte (a descriptor word left out), -1 where the reader holds
  // the value without its bytes at hand (a null value, a repetition count, a short
  // line padded with blanks); and their length.
  virtual int getFieldOffset(int column) = 0;
  virtual int getFieldLength(int column) = 0;
  // For a bad value: what its bytes should have held, in a phrase that names the
  // bytes of the reader's code page ("digits F0 to F9, the sign in the zone of the
  // last byte: C, D or F"). Empty for any other value and out of range.
  virtual QvbString getExpected(int column) = 0;
};

extern "C" LYRA_API CCBRecordCheck* createCCBRecordCheck();

#endif  // LYRA_CCB_RECORD_CHECK_H_
