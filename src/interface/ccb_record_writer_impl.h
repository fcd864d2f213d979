// CCBRecordWriterImpl is the record writer behind CCBRecordWriter. It owns its layouts
// (roots of layout trees, in the order they were added) with a record builder each,
// the identifier field, the values of the record being built (texts copied into a
// buffer of its own) and the output: its target, its framer and the encoding of the
// options it was opened with. The bad-value callback and the host's arrays and memory
// stay the host's.
#ifndef LYRA_INTERFACE_CCB_RECORD_WRITER_IMPL_H_
#define LYRA_INTERFACE_CCB_RECORD_WRITER_IMPL_H_

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "input/ccb_output_framer.h"
#include "input/ccb_output_target.h"
#include "interface/ccb_record_builder.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "lyra/ccb_record_writer.h"

class CCBLayoutLoader;

class CCBRecordWriterImpl final : public CCBRecordWriter {
 public:
  CCBRecordWriterImpl() = default;
  ~CCBRecordWriterImpl() override;  // destroys the layouts, abandons an output not closed
  CCBRecordWriterImpl(const CCBRecordWriterImpl&) = delete;
  CCBRecordWriterImpl& operator=(const CCBRecordWriterImpl&) = delete;

  void release() override { delete this; }
  QvbString getErrorMessage() override { return errorMessage_; }

  void setLayoutOptions(const CCBLayoutOptions& options) override { layoutOptions_ = options; }
  bool addCopybook(const QvbString& fileName, QvbString recordId, bool makeActive) override;
  bool addCopybookText(const char* data, size_t size, QvbString recordId, bool makeActive) override;
  bool addLayoutFile(const QvbString& fileName, QvbString recordId, bool makeActive) override;
  bool addLayoutXml(const QvbString& xml, QvbString recordId, bool makeActive) override;
  bool setIdentifierField(int offset, const QvbString& clauseText) override;
  bool addSegment(const QvbString& name, const QvbString& recordId) override;
  int getLayoutCount() override { return static_cast<int>(layouts_.size()); }
  QvbString getLayoutId(int layoutIndex) override;
  int getLayoutFileCount(int layoutIndex) override;
  QvbString getLayoutFile(int layoutIndex, int index) override;

  bool setActiveLayout(int layoutIndex) override;
  int getActiveLayout() override { return active_; }
  int findLayout(const QvbString& recordId) override;
  int getOutputCount() override;
  void getOutputInfo(int index, QvbString& name, int& type, int& length) override;
  int findColumn(const QvbString& name) override;

  bool openFile(const QvbString& fileName, const CCBReadOptions& options) override;
  bool openDescriptor(int descriptor, const CCBReadOptions& options) override;
  bool openMemory(unsigned char* buffer, size_t length, const CCBReadOptions& options) override;
  bool prepareEncoding(const CCBReadOptions& options) override;
  bool close() override;
  int64_t getOutputSize() override { return target_.size(); }

  bool setValue(int column, const char* text, int length) override;
  bool setValueByName(const QvbString& name, const char* text, int length) override;
  void setNull(int column) override;
  void clearValues() override;
  bool writeRecord(bool& failed) override;
  bool encodeRecord(const unsigned char*& bytes, int& length) override;
  bool writeRecordBytes(const unsigned char* bytes, int length, bool& failed) override;
  bool identifierMatches(bool& matches) override;

  bool setBatchIntegers(int column, const int64_t* values, const unsigned char* validity) override;
  bool setBatchUnsigned(int column, const uint64_t* values, const unsigned char* validity) override;
  bool setBatchReals(int column, const double* values, const unsigned char* validity) override;
  bool setBatchTexts(int column, const char* bytes, const int64_t* offsets,
                     const unsigned char* validity) override;
  int64_t writeBatch(int64_t count, bool& failed) override;

  int64_t getRecordsGiven() override { return given_; }
  int64_t getRecordsWritten() override { return written_; }
  int64_t getBadRecordCount() override { return badRecords_; }
  void setBadValueCallback(CCBBadValueCallback* callback) override { callback_ = callback; }
  bool getBadValue(int64_t& record, int& column, QvbString& value, QvbString& reason) override;
  bool walkLayout(CCBRecordVisitor* visitor) override;

 private:
  // Where writing stands: records are written only while WRITING; ENCODING has options
  // but no output.
  enum State { CLOSED, ENCODING, WRITING, STOPPED };

  // A column of the batch: its typed values for the next writeBatch.
  struct BatchColumn {
    CCBValueSlot::Kind kind = CCBValueSlot::NONE;
    const void* values = nullptr;  // int64_t, uint64_t or double; texts: their bytes
    const int64_t* offsets = nullptr;
    const unsigned char* validity = nullptr;
  };

  template <typename Step>
  bool addLayout(Step step, const QvbString& recordId, bool makeActive);
  CCBDataRoot* activeRoot() const;
  bool setOptions(const CCBReadOptions& options);
  bool checkOptions(const CCBReadOptions& options);
  template <typename Open>
  bool openOutput(const CCBReadOptions& options, Open open);
  void resolveTexts();
  bool buildRecord(int* length);
  bool writeBuilt(int length, bool& failed);
  bool passOver(int column, const std::string& reason, bool& failed);
  void noteBad(int column, const std::string& reason);
  std::string valueText(int column) const;
  bool setBatch(int column, CCBValueSlot::Kind kind, const void* values, const int64_t* offsets,
                const unsigned char* validity);
  void loadBatchRecord(int64_t record);
  void applySegments();

  QvbString errorMessage_;
  CCBLayoutOptions layoutOptions_;
  std::vector<CCBDataRoot*> layouts_;  // owned
  std::vector<std::unique_ptr<CCBRecordBuilder>> builders_;
  std::vector<QvbString> layoutIds_;
  int active_ = -1;
  std::unordered_map<std::string, int> columnNames_;  // of the active layout, once asked
  CCBDataField idField_;
  int idOffset_ = 0;
  bool idSet_ = false;
  struct Segment {
    QvbString recordId;
    CCBData* item;
  };
  std::vector<Segment> segments_;
  CCBData* segmentArea_ = nullptr;

  // The record being built: a value per column of the active layout, texts kept in
  // texts_ at textOffsets_ until they are resolved into the slots for a build.
  std::vector<CCBValueSlot> values_;
  std::vector<size_t> textOffsets_;
  std::string texts_;  // its first textsUsed_ bytes hold the texts of the values
  size_t textsUsed_ = 0;
  std::vector<BatchColumn> batch_;
  std::vector<unsigned char> record_;
  CCBBuildFault fault_;

  State state_ = CLOSED;
  CCBReadOptions options_;
  CCBEncoding encoding_;
  CCBDecoding decoding_;
  CCBOutputTarget target_;
  CCBOutputFramer framer_;
  int64_t given_ = 0;
  int64_t written_ = 0;
  int64_t badRecords_ = 0;
  CCBBadValueCallback* callback_ = nullptr;  // not owned
  bool hasBad_ = false;
  int64_t badRecord_ = 0;
  int badColumn_ = -1;
  std::string badValue_;
  std::string badReason_;
};

#endif  // LYRA_INTERFACE_CCB_RECORD_WRITER_IMPL_H_
