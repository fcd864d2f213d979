// CCBReaderImpl is the record reader service behind CCBReader. It owns its layouts
// (roots of layout trees, in the order they were added), the input of the open data
// file and the identifier field that tells record layouts apart; the debug callback
// stays the host's.
#ifndef LYRA_INTERFACE_CCB_READER_IMPL_H_
#define LYRA_INTERFACE_CCB_READER_IMPL_H_

#include <memory>
#include <vector>

#include "input/ccb_data_file.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "lyra/ccb_reader.h"

class CCBLayoutLoader;

class CCBReaderImpl : public CCBReader {
 public:
  CCBReaderImpl();
  ~CCBReaderImpl() override;  // destroys what release() would, if still held
  CCBReaderImpl(const CCBReaderImpl&) = delete;
  CCBReaderImpl& operator=(const CCBReaderImpl&) = delete;

  QvbString getErrorMessage() override { return errorMessage_; }
  void release() override;
  void clearCopybooks() override;
  bool addCopybook(const QvbString& fileName, QvbString recordId, bool makeActive) override;
  bool addLayoutFile(const QvbString& fileName, QvbString recordId, bool makeActive) override;
  bool addLayoutXml(const QvbString& xml, QvbString recordId, bool makeActive) override;
  int getCopybookCount() override { return static_cast<int>(layouts_.size()); }
  int getOutputCount() override;
  void getOutputInfo(int index, QvbString& name, int& type, int& length) override;
  bool openDataFile(const QvbString& fileName, int startPosition, bool fixedLength, bool noConvert,
                    int recordLength) override;
  bool setIdentifierField(int offset, const QvbString& clauseText) override;
  bool readNextRecord(bool& failed) override;
  QvbDatavar getOutputValue(int index) override;
  int64_t getDataFileSize() override;
  int getRecordLength(int layoutIndex) override;
  int getMaxRecordLength() override;
  int getNodeCount() override;
  void getNodeInfo(int index, int& entryId, int& parentEntryId, bool& isField, QvbString& name,
                   int& type, int& length) override;
  void setDebugCallback(LYRADebugCallback* callback) override { debugCallback_ = callback; }

 private:
  // Where reading stands: readNextRecord reads only while READING.
  enum ReadState { NOT_OPEN, READING, ENDED, FAILED };

  template <typename Step>
  bool addLayout(Step step, const QvbString& recordId, bool makeActive);
  void destroyLayouts();
  CCBDataRoot* activeRoot() const;
  int chooseLayout(int start);
  bool readRecord(bool& isActive);
  bool fail(bool& failed);

  QvbString errorMessage_;
  std::vector<CCBDataRoot*> layouts_;  // owned
  int activeLayout_ = -1;
  // The active layout's output array, asked for every column of every record.
  const CCBOutputArray* activeColumns_ = nullptr;
  bool fixedLength_ = false;
  int recordLength_ = 0;
  CCBDataField idField_;
  int idOffset_ = 0;
  std::unique_ptr<CCBDataFile> dataFile_;
  ReadState state_ = NOT_OPEN;
  int position_ = 0;
  LYRADebugCallback* debugCallback_ = nullptr;  // not owned
};

#endif  // LYRA_INTERFACE_CCB_READER_IMPL_H_
