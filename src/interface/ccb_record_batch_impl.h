// CCBRecordBatchImpl is the batch behind CCBRecordBatch. It owns one set of
// buffers per column it fills (validity, numbers, text bytes and offsets) and the
// records' numbers and offsets; all of them are emptied, never shrunk, at each read.
// During a read it points to the output entries of the reader's active layout. It
// takes plain numbers and plain text straight from the field's bytes, and every other
// value's text from its entry (decoded only for the columns it fills), typed by the
// column's kind (numeric-edited texts read as the values they state); between reads
// it points to nothing of the reader's. Records that the reader set from its layout's
// plan, whose every column lies at a fixed offset, are copied aside a few hundred at a
// time and decoded a column at a time.
#ifndef LYRA_INTERFACE_CCB_RECORD_BATCH_IMPL_H_
#define LYRA_INTERFACE_CCB_RECORD_BATCH_IMPL_H_

#include <vector>

#include "format/ccb_number_text.h"
#include "interface/ccb_value_buffer.h"
#include "layout/ccb_output_array.h"
#include "lyra/ccb_record_batch.h"

class CCBFormat;
class CCBReaderImpl;
struct CCBDecoding;

class CCBRecordBatchImpl final : public CCBRecordBatch {
 public:
  CCBRecordBatchImpl() = default;
  CCBRecordBatchImpl(const CCBRecordBatchImpl&) = delete;
  CCBRecordBatchImpl& operator=(const CCBRecordBatchImpl&) = delete;

  void release() override { delete this; }
  QvbString getErrorMessage() override { return errorMessage_; }
  void setColumns(const int* indexes, int count) override;
  void setDecimalText(bool decimalText) override { decimalText_ = decimalText; }
  void setTrimText(bool trim) override { trimText_ = trim; }
  bool describe(CCBRecordReader* reader) override;
  int read(CCBRecordReader* reader, int maxRecords, bool& failed) override;

  int getRecordCount() override { return static_cast<int>(numbers_.size()); }
  const int64_t* getRecordNumbers() override { return numbers_.data(); }
  const int64_t* getRecordOffsets() override { return offsets_.data(); }
  int getColumnCount() override { return static_cast<int>(columns_.size()); }
  int getColumnIndex(int column) override;
  QvbString getColumnName(int column) override;
  CCBColumnKind getColumnKind(int column) override;
  int getColumnDigits(int column) override;
  int getColumnFractionDigits(int column) override;
  const unsigned char* getValidity(int column) override;
  const int64_t* getIntegers(int column) override;
  const uint64_t* getUnsigned(int column) override;
  const double* getReals(int column) override;
  const char* getTextBytes(int column) override;
  const int64_t* getTextOffsets(int column) override;
  int64_t getErrorCount(int column) override;
  bool append(CCBRecordReader* reader) override;

 private:
  struct Column {
    int index = -1;  // the reader's column
    QvbString name;
    CCBColumnKind kind = CCB_COLUMN_TEXT;
    int digits = 0;
    int fraction = 0;
    bool single = false;     // float: an IEEE COMP-1 item, read as binary32
    bool errorText = false;  // text: "#ERR#" tells of bytes that could not be decoded
    bool edited = false;     // a number read from a numeric-edited text (never direct)
    bool keepsText = false;  // text, big decimal, and decimal with decimal text
    // integer, unsigned and decimal without decimal text: its format, which may give the
    // value straight from the bytes; otherwise null
    const CCBFormat* direct = nullptr;
    bool plainText = false;  // text: the field's bytes are its text, zero bytes aside
    int storageLength = 0;   // of the field's bytes; 0 for an entry that is no field
    int zeroFraction = -1;   // edited: scanEditedNumber's, for a zero without digits
    const CCBOutputEntry* entry = nullptr;  // during a read only
    CCBValueBuffer<unsigned char> validity;
    CCBValueBuffer<int64_t> integers;  // integer; unsigned, as their 64 bits
    CCBValueBuffer<double> reals;
    CCBValueBuffer<char> text;
    CCBValueBuffer<int64_t> textOffsets;  // one more than values
    int64_t errors = 0;
  };

  const Column* columnAt(int column) const;
  bool hasIntegers(const Column& column) const;
  bool hasReals(const Column& column) const;
  bool describeColumns(const CCBOutputArray* array);
  void attach(const CCBOutputArray* array);
  void detach();
  void describeColumn(const CCBOutputEntry* entry, int index, Column* column) const;
  void clear();
  void reserve(int records);
  void truncate(size_t records);
  void describeStaging();
  bool readRecords(CCBReaderImpl* reader, int maxRecords);
  void stage(const unsigned char* record, int64_t number, int64_t offset);
  void appendStaged();
  void appendRecord();
  void appendRun(Column& column, const unsigned char* bytes, size_t stride, size_t count);
  void appendNumbers(Column& column, const unsigned char* bytes, size_t stride, size_t count);
  void appendPlainTexts(Column& column, const unsigned char* bytes, size_t stride, size_t count);
  void appendDecoded(Column& column, const unsigned char* bytes);
  void appendValue(Column& column);
  void appendValueText(Column& column, const char* bytes, int length);
  void appendFixedPoint(Column& column, const char* bytes, int length);
  void appendNone(Column& column, bool error);
  void appendText(Column& column, const char* bytes, int length);
  void appendCanonical(Column& column, const CCBFixedPointText& number);

  QvbString errorMessage_;
  std::vector<Column> columns_;
  const CCBDecoding* decoding_ = nullptr;      // of the reader's open data, during a read
  const CCBOutputArray* array_ = nullptr;      // the active layout's, during a read
  const CCBOutputArray* described_ = nullptr;  // the array describe last described
  // Records set from the plan wait here, the first stageWidth_ bytes of each, to be
  // decoded a column at a time; with no width, each record is decoded as it is read.
  CCBValueBuffer<unsigned char> staged_;  // stageRecords_ records of stageWidth_ bytes
  CCBValueBuffer<int64_t> stagedNumbers_;
  CCBValueBuffer<int64_t> stagedOffsets_;
  bool stagingKnown_ = false;  // whether describeStaging has run during the read
  int stageWidth_ = 0;
  int stageRecords_ = 0;      // the most that wait at once
  std::vector<int> indexes_;  // of setColumns
  bool everyColumn_ = true;
  bool decimalText_ = false;
  bool trimText_ = false;
  CCBValueBuffer<int64_t> numbers_;
  CCBValueBuffer<int64_t> offsets_;
};

#endif  // LYRA_INTERFACE_CCB_RECORD_BATCH_IMPL_H_
