// CCBRecordBatchImpl is the batch behind CCBRecordBatch. It owns one set of
// buffers per column it fills (validity, numbers, text bytes and offsets) and the
// records' numbers and offsets; all of them are emptied, never shrunk, at each read.
// During a read it points to the output entries of the reader's active layout. It
// takes plain numbers and plain text straight from the field's bytes, and every other
// value's text from its entry (decoded only for the columns it fills), typed by the
// column's kind; between reads it points to nothing of the reader's.
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

 private:
  struct Column {
    int index = -1;  // the reader's column
    QvbString name;
    CCBColumnKind kind = CCB_COLUMN_TEXT;
    int digits = 0;
    int fraction = 0;
    bool single = false;     // float: a COMP-1 item, read as binary32
    bool errorText = false;  // text: "#ERR#" tells of bytes that could not be decoded
    bool keepsText = false;  // text, big decimal, and decimal with decimal text
    // integer, unsigned and decimal without decimal text: its format, which may give the
    // value straight from the bytes; otherwise null
    const CCBFormat* direct = nullptr;
    // text: the field's bytes are its text (zero bytes aside), so many of them; else 0
    int plainWidth = 0;
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
  void describeColumn(const CCBOutputEntry* entry, int index, Column* column) const;
  void clear();
  void reserve(size_t records);
  void truncate(size_t records);
  bool readRecords(CCBReaderImpl* reader, int maxRecords);
  void appendRecord();
  void appendValue(Column& column);
  bool appendDirect(Column& column, const unsigned char* bytes, const CCBDecoding& decoding);
  bool appendPlainText(Column& column, const unsigned char* bytes);
  void appendFixedPoint(Column& column, const char* bytes, int length);
  void appendNone(Column& column, bool error);
  void appendText(Column& column, const char* bytes, int length);
  void appendCanonical(Column& column, const CCBFixedPointText& number);

  QvbString errorMessage_;
  std::vector<Column> columns_;
  const CCBDecoding* decoding_ = nullptr;  // of the reader's open data, during a read
  std::vector<int> indexes_;               // of setColumns
  bool everyColumn_ = true;
  bool decimalText_ = false;
  bool trimText_ = false;
  CCBValueBuffer<int64_t> numbers_;
  CCBValueBuffer<int64_t> offsets_;
};

#endif  // LYRA_INTERFACE_CCB_RECORD_BATCH_IMPL_H_
