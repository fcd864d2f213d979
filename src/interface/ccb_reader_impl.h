// CCBReaderImpl is the record reader service behind CCBReader and CCBRecordReader.
// It owns its layouts (roots of layout trees, in the order they were added), the
// input of the open data file and the identifier field that tells record layouts
// apart; the debug and bad-record callbacks stay the host's. An input opened with
// openDataFile is read by the rules CCBReader documents; one opened with the
// record reader's options is framed by its record format (ccb_reader_framed.cpp).
// The map of the active layout's columns is made when first asked for and kept
// while that layout stays the active one.
#ifndef LYRA_INTERFACE_CCB_READER_IMPL_H_
#define LYRA_INTERFACE_CCB_READER_IMPL_H_

#include <memory>
#include <vector>

#include "format/ccb_format.h"
#include "input/ccb_data_file.h"
#include "input/ccb_input_index.h"
#include "input/ccb_record_framer.h"
#include "interface/ccb_column_type.h"
#include "interface/ccb_record_walk.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_layout_map.h"
#include "lyra/ccb_record_reader.h"

class CCBLayoutLoader;

class CCBReaderImpl final : public CCBRecordReader {
 public:
  // extended: a CCBRecordReader, whose loads follow its layout options; else a
  // CCBReader, whose loads follow the classic rules.
  explicit CCBReaderImpl(bool extended);
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

  bool openData(const QvbString& fileName, const CCBReadOptions& options) override;
  bool openDataMemory(const unsigned char* data, size_t size,
                      const CCBReadOptions& options) override;
  bool openDataDescriptor(int descriptor, const CCBReadOptions& options) override;
  int64_t getRecordOffset() override { return framed_ ? frame_.offset : -1; }
  int64_t getRecordNumber() override { return framed_ ? recordNumber_ : -1; }
  int getRecordSize() override { return framed_ ? frame_.length : 0; }
  const unsigned char* getRecordBytes() override;
  bool getOutputBytes(int index, const char*& bytes, int& length) override;
  int64_t getInputPosition() override { return inputPosition_; }
  int64_t getBadRecordCount() override { return badRecords_; }
  void setBadRecordCallback(CCBBadRecordCallback* callback) override {
    badRecordCallback_ = callback;
  }
  bool scanSplitPoints(const QvbString& fileName, const CCBReadOptions& options, int64_t every,
                       CCBSplitCallback* callback) override;
  void setLayoutOptions(const CCBLayoutOptions& options) override { layoutOptions_ = options; }
  bool addSegment(const QvbString& name, const QvbString& recordId) override;
  void clearSegments() override;
  bool getColumnLayout(int index, int64_t& offset, int& storageLength, CCBColumnUsage& usage,
                       bool& variable) override;
  int getLayoutFileCount(int layoutIndex) override;
  QvbString getLayoutFile(int layoutIndex, int index) override;
  int64_t getUnknownRecordCount() override { return unknownRecords_; }
  bool getFirstUnknownRecord(int64_t& number, int64_t& offset, QvbString& identifier) override;
  bool addCopybookText(const char* data, size_t size, QvbString recordId, bool makeActive) override;
  bool scanSplitPointsMemory(const unsigned char* data, size_t size, const CCBReadOptions& options,
                             int64_t every, CCBSplitCallback* callback) override;
  int getActiveLayout() override { return activeLayout_; }
  bool setActiveLayout(int index) override;
  bool isFillerColumn(int index) override;
  bool getStrippedOutputBytes(int index, const char*& bytes, int& length) override;
  bool walkRecord(CCBRecordVisitor* visitor, bool strip) override;
  const unsigned char* getRecordInputBytes(int& length) override;
  bool addChildLayout(const QvbString& parentId, const QvbString& childId) override;
  void clearChildLayouts() override;
  int64_t getParentRecordNumber() override { return parentNumber_; }
  CCBCompression getCompression() override;
  bool setIndexFile(const QvbString& fileName) override;
  bool writeIndexFile(const QvbString& fileName, const CCBReadOptions& options, int64_t every,
                      CCBSplitCallback* callback, const QvbString& indexFile) override;
  bool scanChunks(const QvbString& fileName, const CCBReadOptions& options, int64_t chunkBytes,
                  CCBChunkCallback* callback) override;
  bool openDataPart(const unsigned char* data, size_t size, int64_t origin,
                    const CCBReadOptions& options) override;

  // The active layout's output array, whose columns the record just read fills; null
  // without an active layout. For the readers of the library's own (CCBRecordBatch).
  const CCBOutputArray* activeColumnArray() const { return activeColumns_; }
  // Whether the open input is read record by record of every layout (all_layouts, or a
  // hierarchy), each making its layout the active one.
  bool readsAllLayouts() const { return framed_ && (options_.getAllLayouts() || treeReading_); }

 private:
  // Where reading stands: readNextRecord reads only while READING.
  enum ReadState { NOT_OPEN, READING, ENDED, FAILED };
  // What reading one framed record came to; RECORD_PLACED: a record placed in its tree,
  // to be read on (RECORD_ACTIVE once placed).
  enum RecordOutcome {
    RECORD_ACTIVE,
    RECORD_OTHER,
    RECORD_PASSED,
    RECORD_END,
    RECORD_FAILED,
    RECORD_PLACED
  };

  template <typename Step>
  bool addLayout(Step step, const QvbString& recordId, bool makeActive);
  void destroyLayouts();
  CCBDataRoot* activeRoot() const;
  // What the walk and the strip of the active layout need, made when first asked for.
  struct LayoutShape {
    std::unique_ptr<CCBRecordWalk> walk;
    std::vector<CCBColumnType> types;  // per column
  };
  LayoutShape* activeShape();
  int layoutById(const QvbString& recordId) const;  // -1 for none
  int parentLayoutOf(int layout) const;
  RecordOutcome placeBeforeWalk(int layout);
  RecordOutcome placeRecord(int layout);
  int longestLayoutLength();  // the record length of the longest layout
  void activate(int index);
  // chooseLayout's result for a record whose identifier matches no layout.
  static constexpr int UNKNOWN_LAYOUT = -2;
  // The index of the layout of the record at start; UNKNOWN_LAYOUT, or -1 with a
  // message when none can be chosen.
  int chooseLayout(int start) {
    return layouts_.size() == 1 && segments_.empty() ? 0 : chooseByRecordId(start);
  }
  int chooseByRecordId(int start);
  bool readRecordId(int start, QvbString* id);
  bool chooseSegment(const QvbString& id);
  bool readRecord(bool& isActive);
  bool readUnframed();
  bool fail(bool& failed);
  bool prepareDataFile(int recordLength);
  bool attachLayouts();
  bool attachLayout(CCBDataRoot* root);

  // Framed reading (ccb_reader_framed.cpp).
  template <typename Open>
  bool openFramed(const CCBReadOptions& options, Open open, bool useIndex = true);
  bool checkOptions(const CCBReadOptions& options);
  bool decodingOf(const CCBReadOptions& options, CCBDecoding* decoding);
  bool startAt(int64_t start);
  bool seekFirstRecord(bool ranged, bool midLine, int64_t* start);
  bool readFramed();
  RecordOutcome readFramedRecord();
  RecordOutcome readByLayout();
  RecordOutcome walkFramed();
  RecordOutcome passOver(const QvbString& reason);
  RecordOutcome stepOverUnknown();
  QvbString countProblem();
  template <typename Open>
  bool scanSplits(const CCBReadOptions& options, int64_t every, CCBSplitCallback* callback,
                  Open open, const QvbString* indexFile = nullptr);
  // The window of a scan of a whole input.
  static constexpr int SCAN_WINDOW = 64 * 1024;
  // Whole-input scans of compressed inputs and in chunks (ccb_reader_scans.cpp).
  bool scanCompressed(CCBDataFile* file, const CCBReadOptions& options, int64_t every,
                      CCBSplitCallback* callback, const QvbString* indexFile);
  bool reportIndexed(const CCBReadOptions& options, int64_t every, CCBSplitCallback* callback);
  bool startScan(CCBDataFile* file, const CCBReadOptions& options, int* position);

  QvbString errorMessage_;
  std::vector<CCBDataRoot*> layouts_;  // owned
  int activeLayout_ = -1;
  // The active layout's output array, asked for every column of every record.
  const CCBOutputArray* activeColumns_ = nullptr;
  CCBLayoutMap activeMap_;
  bool activeMapped_ = false;  // activeMap_ is the active layout's
  bool fixedLength_ = false;
  int recordLength_ = 0;
  CCBDataField idField_;
  int idOffset_ = 0;
  std::unique_ptr<CCBDataFile> dataFile_;
  CCBDecoding decoding_;  // of the open data file: its fields and layouts point to it
  ReadState state_ = NOT_OPEN;
  int position_ = 0;
  LYRADebugCallback* debugCallback_ = nullptr;  // not owned
  const bool extended_;
  CCBLayoutOptions layoutOptions_;  // of the layouts added next

  // Segments: the item of the area each identifier value chooses.
  struct Segment {
    QvbString recordId;
    CCBData* item;  // in the only layout
  };
  std::vector<Segment> segments_;
  CCBData* segmentArea_ = nullptr;  // the item the segments' items are or redefine

  // Framed reading: the options the input was opened with, the framer, the current
  // record and where it is.
  bool framed_ = false;
  CCBReadOptions options_;
  CCBRecordFramer framer_;
  RecordFrame frame_;
  bool recordHeld_ = false;    // the window holds the current record until the next read
  bool rangePastEnd_ = false;  // the range starts at or past the end: nothing to read
  int64_t recordNumber_ = -1;
  int64_t nextNumber_ = -1;  // -1: not known
  int64_t inputPosition_ = 0;
  int64_t badRecords_ = 0;
  CCBBadRecordCallback* badRecordCallback_ = nullptr;  // not owned
  QvbString unknownId_;  // the identifier of the last record chooseLayout found unknown
  int64_t unknownRecords_ = 0;
  int64_t firstUnknownNumber_ = -1;
  int64_t firstUnknownOffset_ = -1;
  QvbString firstUnknownId_;
  int recordLayout_ = -1;  // the layout readRecord chose for the last record

  std::vector<LayoutShape> shapes_;  // per layout
  // The texts getStrippedOutputBytes gives, kept until the next read (reads_ counts them).
  CCBKeptTexts stripped_;
  uint64_t reads_ = 0;

  // Hierarchies: each layout's parent layout (-1: a root layout); a shorter list leaves
  // the later layouts roots.
  std::vector<int> parentLayouts_;
  bool hierarchical_ = false;  // a layout has a parent
  // Reading the open input as trees (hierarchical_ when it was opened): the number of
  // the latest record of each layout in the current tree (-1: none, or a bad one), the
  // current record's parent, where the trees read end (the range's end; -1: none) and
  // whether the records before the range's first root are still being stepped over.
  bool treeReading_ = false;
  std::vector<int64_t> latest_;
  int64_t parentNumber_ = -1;
  int64_t treesEnd_ = -1;
  bool leading_ = false;
  std::unique_ptr<CCBInputIndex> index_;  // of the compressed files opened next
};

#endif  // LYRA_INTERFACE_CCB_READER_IMPL_H_
