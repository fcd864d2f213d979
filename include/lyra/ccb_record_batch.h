// CCBRecordBatch takes records from a record reader (CCBRecordReader) in bulk, as
// typed columns, for hosts that build data frames or columnar files: read() reads
// up to a chosen number of records of the reader's active layout and fills, for
// each column, one value per record, typed by the column's picture:
//
//   kind                    picture                          values
//   CCB_COLUMN_INTEGER      numeric, no digit after the      int64 (getIntegers)
//                           point, at most 18 digits
//   CCB_COLUMN_UNSIGNED     unsigned binary of 8 bytes, no   uint64 (getUnsigned): such
//                           digit after the point            items reach 2^64 - 1
//   CCB_COLUMN_DECIMAL      numeric with digits after the    double (getReals), and the
//                           point, at most 18 digits         exact text on request
//   CCB_COLUMN_BIG_DECIMAL  numeric of more than 18 digits   exact text and double
//   CCB_COLUMN_FLOAT        COMP-1, COMP-2                   double
//   CCB_COLUMN_TEXT         any other: alphanumeric,         text
//                           other edited, national
//
// Numeric pictures hold S, 9, V and P alone (scaling positions P count as digits),
// in any usage, or are numeric-edited display pictures whose output type is a number
// (getOutputInfo: integer or real), such as 9(4)-, -ZZZ9, ZZ9.99CR, $$$9.99 or **9.99.
// Their digit positions are 9, Z, * and each symbol of a floating $, + or - string
// but the first, and their value is the one their text states: blanks, '*' and '$'
// before the digits, one sign before or after them ('+', '-', CR or DB; CR and DB
// below zero), the point. A text without a digit is zero where every digit position
// may be suppressed (ZZZZ, $$$$, **.**, whose zero numeric editing prints as blanks or
// stars) and an error elsewhere, as is any other text that is no such number. Edited
// pictures whose text is no plain statement of the value (an inserted 0, an exponent
// E, scaling positions anywhere but after the last digit of a picture without a
// point) stay text.
//
// Texts lie one after another in one byte buffer (getTextBytes): value i is the
// bytes from offset i to offset i + 1 (getTextOffsets, count + 1 entries), the
// layout Apache Arrow uses; they are in the reader's result encoding. Exact
// decimal texts are canonical: '-' below zero, the integer digits without leading
// zeros (at least one), the point and the picture's fraction digits ("-12.50",
// "0.0012"). A validity byte per value (getValidity) is 1 for a value and 0 for none:
// null (a repetition a variable table did not reach, a field past the end of a short
// record, another segment's item) or an error, a value that is no number of its
// column ("#ERR#", bytes that are no digits, an integer out of range), which
// getErrorCount counts. A value that is none holds 0, NaN and an empty text.
//
// createCCBRecordBatch() returns a new batch owned by the host until it calls
// release(); never delete it. The batch owns its buffers; the pointers its
// accessors return stay valid until its next read, describe or release. Buffers are
// kept from one read to the next and only grow, so that reading allocates nothing
// per record. The batch keeps no hold on the reader between calls. One thread uses a
// batch at a time, and the reader it reads from meanwhile.
#ifndef LYRA_CCB_RECORD_BATCH_H_
#define LYRA_CCB_RECORD_BATCH_H_

#include <cstdint>

#include "lyra/ccb_record_reader.h"
#include "lyra/export.h"
#include "lyra/qvb_string.h"

enum CCBColumnKind {
  CCB_COLUMN_INTEGER = 0,
  CCB_COLUMN_UNSIGNED = 1,
  CCB_COLUMN_DECIMAL = 2,
  CCB_COLUMN_BIG_DECIMAL = 3,
  CCB_COLUMN_FLOAT = 4,
  CCB_COLUMN_TEXT = 5,
};

// "integer", "unsigned", "decimal", "big_decimal", "float" or "text"; "" for any
// other value.
extern "C" LYRA_API const char* ccbColumnKindName(CCBColumnKind kind);

class LYRA_API CCBRecordBatch {
 public:
  virtual ~CCBRecordBatch();
  virtual void release() = 0;
  // The message of the last failed describe or read.
  virtual QvbString getErrorMessage() = 0;

  // Settings, kept until changed. The columns to fill, as indexes of the reader's
  // columns (0 <= index < getOutputCount()), in the order given; a null list or a
  // negative count: every column, in order. Columns left out are not decoded at all.
  virtual void setColumns(const int* indexes, int count) = 0;
  // Decimal columns also get their exact text (default false).
  virtual void setDecimalText(bool decimalText) = 0;
  // Text values lose their trailing blanks (default false).
  virtual void setTrimText(bool trim) = 0;

  // Describes the columns of the reader's active layout, as the next read fills
  // them, and empties the batch. False with a message without an active layout, for
  // a column index out of range, or for a reader that createCCBRecordReader did not
  // make.
  virtual bool describe(CCBRecordReader* reader) = 0;
  // Describes the columns as describe does, then reads records with the reader (an
  // input must be open) until the batch holds maxRecords or reading ends, and returns
  // how many it holds. When reading fails, failed is true, the batch holds the
  // records read before the failure, and the reader tells which record failed
  // (getRecordNumber, getRecordOffset) and why (getErrorMessage, also this batch's
  // message). 0 records and failed false: reading had ended. maxRecords must be at
  // least 1. A reader that reads every layout's records (all_layouts, child layouts)
  // is refused: append takes its records.
  virtual int read(CCBRecordReader* reader, int maxRecords, bool& failed) = 0;

  virtual int getRecordCount() = 0;
  // Each record's number in the file (from 1; -1 where it cannot be known) and the
  // offset of its first byte, as the reader gave them.
  virtual const int64_t* getRecordNumbers() = 0;
  virtual const int64_t* getRecordOffsets() = 0;

  virtual int getColumnCount() = 0;
  // Column column (0 <= column < getColumnCount()) of the batch: the reader's column it
  // holds, its name, kind, digit positions (scaling positions included; 0 for float
  // and text) and digits after the point. Out of range: -1, a null name, text, 0.
  virtual int getColumnIndex(int column) = 0;
  virtual QvbString getColumnName(int column) = 0;
  virtual CCBColumnKind getColumnKind(int column) = 0;
  virtual int getColumnDigits(int column) = 0;
  virtual int getColumnFractionDigits(int column) = 0;

  // The values of the column, getRecordCount() of each; null for a column out of
  // range and where the column's kind has none.
  virtual const unsigned char* getValidity(int column) = 0;
  virtual const int64_t* getIntegers(int column) = 0;   // integer columns
  virtual const uint64_t* getUnsigned(int column) = 0;  // unsigned columns
  virtual const double* getReals(int column) = 0;       // decimal, big decimal and float
  // Text columns; big decimal columns; decimal columns with setDecimalText.
  virtual const char* getTextBytes(int column) = 0;
  virtual const int64_t* getTextOffsets(int column) = 0;
  // Values of the column in this batch that are errors.
  virtual int64_t getErrorCount(int column) = 0;

  // Appends the record the reader holds (the one its readNextRecord last returned) as
  // read() reads one, after the records the batch holds: for hosts that read the
  // records themselves, such as those of several layouts in one pass (all_layouts),
  // each layout with a batch of its own. The reader's active layout must be the one
  // that describe last described, its layouts unchanged since; false with a message
  // otherwise.
  virtual bool append(CCBRecordReader* reader) = 0;
};

extern "C" LYRA_API CCBRecordBatch* createCCBRecordBatch();

#endif  // LYRA_CCB_RECORD_BATCH_H_
