// The record reader's reading of inputs opened with read options: record formats,
// ranges, record positions and bad records passed over.
#include <algorithm>
#include <new>

#include "interface/ccb_reader_impl.h"

namespace {

const int DESCRIPTOR_SIZE = 4;  // the longest word before a record

// The formats whose records only a read from a split point finds.
bool needsFirstRecord(CCBRecordFormat format) {
  return format == CCB_RECORD_RDW || format == CCB_RECORD_VB || format == CCB_RECORD_VBS ||
         format == CCB_RECORD_VS;
}

}  // namespace

CCBBadRecordCallback::~CCBBadRecordCallback() = default;
CCBSplitCallback::~CCBSplitCallback() = default;

bool CCBReaderImpl::openData(const QvbString& fileName, const CCBReadOptions& options) {
  return openFramed(options, [&](CCBDataFile* file, unsigned char padByte) {
    return file->open(fileName, padByte);
  });
}

bool CCBReaderImpl::openDataMemory(const unsigned char* data, size_t size,
                                   const CCBReadOptions& options) {
  return openFramed(options, [&](CCBDataFile* file, unsigned char padByte) {
    return file->openMemory(data, static_cast<int64_t>(size), padByte);
  });
}

bool CCBReaderImpl::openDataDescriptor(int descriptor, const CCBReadOptions& options) {
  return openFramed(options, [&](CCBDataFile* file, unsigned char padByte) {
    return file->openDescriptor(descriptor, padByte);
  });
}

bool CCBReaderImpl::openDataPart(const unsigned char* data, size_t size, int64_t origin,
                                 const CCBReadOptions& options) {
  if (origin < 0) {
    state_ = NOT_OPEN;
    errorMessage_ = QvbString("Invalid part: its origin must not be negative");
    return false;
  }
  CCBReadOptions part = options;
  part.setSkip(0);
  part.setRange(-1, -1);
  part.setFirstRecord(-1);
  const bool opened = openFramed(
      part,
      [&](CCBDataFile* file, unsigned char padByte) {
        return file->openMemory(data, static_cast<int64_t>(size), padByte, false);
      },
      false);
  if (!opened) return false;
  dataFile_->setOrigin(origin);
  frame_.offset = inputPosition_ = origin;
  nextNumber_ = options.getFirstRecord() >= 1 ? options.getFirstRecord() : -1;
  return true;
}

// A data file opened with read options; useIndex false: the index set does not apply.
template <typename Open>
bool CCBReaderImpl::openFramed(const CCBReadOptions& options, Open open, bool useIndex) {
  state_ = NOT_OPEN;
  CCBDecoding decoding;
  if (!checkOptions(options) || !decodingOf(options, &decoding)) return false;
  options_ = options;
  const bool fixed = options.getRecordFormat() == CCB_RECORD_FIXED;
  fixedLength_ = fixed;
  recordLength_ =
      fixed && options.getRecordLength() > 0 ? options.getRecordLength() : longestLayoutLength();
  if (fixed && recordLength_ == 0) {
    errorMessage_ = QvbString("Fixed-length records need a length: the layouts read no bytes");
    return false;
  }
  if (!prepareDataFile(std::max(recordLength_, longestLayoutLength()) + DESCRIPTOR_SIZE)) {
    return false;
  }
  const int64_t start = std::max(options.getSkip(), options.getRangeStart());
  dataFile_->setReadReasons(true);
  if (!open(dataFile_.get(), decoding.codec.blank())) {
    errorMessage_ = dataFile_->getErrorMessage();
    return false;
  }
  decoding_ = decoding;
  treeReading_ = hierarchical_;
  treesEnd_ = treeReading_ ? options.getRangeEnd() : -1;
  if (!dataFile_->setIndex(useIndex ? index_.get() : nullptr)) {
    errorMessage_ = dataFile_->getErrorMessage();
    dataFile_->close();
    return false;
  }
  if (!startAt(start)) {
    dataFile_->close();
    return false;
  }
  if (treeReading_ && nextNumber_ < 0 && !rangePastEnd_) {
    errorMessage_ = QvbString(
        "Record hierarchies need record numbers: a range of lines that starts past the skip "
        "needs the number of its first record");
    dataFile_->close();
    return false;
  }
  countProblem();  // forgets what earlier reading left
  framed_ = true;
  if (!attachLayouts()) return false;
  if (rangePastEnd_) state_ = ENDED;
  return true;
}

bool CCBReaderImpl::decodingOf(const CCBReadOptions& options, CCBDecoding* decoding) {
  const int page = options.getEffectiveCodePage();
  if (!decoding->codec.init(page, options.getResultEncoding() == CCB_RESULT_UTF8)) {
    errorMessage_ = qvbStringFormat("Unknown code page %d", page);
    return false;
  }
  decoding->binaryLittleEndian = options.getBinaryLittleEndian();
  decoding->comp5LittleEndian = options.getComp5LittleEndian();
  decoding->zeroBytes = options.getZeroBytes();
  return true;
}

bool CCBReaderImpl::checkOptions(const CCBReadOptions& options) {
  const CCBRecordFormat format = options.getRecordFormat();
  const int64_t rangeStart = options.getRangeStart();
  const int64_t rangeEnd = options.getRangeEnd();
  const char* problem = nullptr;
  if (layouts_.empty()) {
    problem = "One or more Copybook Files required for reading data";
  } else if (format < CCB_RECORD_FIXED || format > CCB_RECORD_VS) {
    problem = "Unknown record format";
  } else if (options.getVarseqFormat() < -1 || options.getVarseqFormat() > 3) {
    problem = "Invalid varseq format: GnuCOBOL's variable files have the forms 0 to 3";
  } else if (options.getVarseqFormat() >= 0 && format != CCB_RECORD_RDW) {
    problem = "A varseq format goes with the rdw record format only";
  } else if (options.getRecordLength() < 0 || options.getRecordLength() > MAX_RECORD_LENGTH) {
    errorMessage_ = qvbStringFormat("Invalid record length %d: it must be from 0 to %d",
                                    options.getRecordLength(), MAX_RECORD_LENGTH);
    return false;
  } else if (options.getSkip() < 0) {
    problem = "Invalid skip: it must not be negative";
  } else if (rangeStart < -1 || rangeEnd < -1 || (rangeEnd >= 0 && rangeEnd < rangeStart)) {
    problem = "Invalid range: an offset is negative or its end comes before its start";
  } else if (format == CCB_RECORD_LAYOUT && (rangeStart >= 0 || rangeEnd >= 0)) {
    problem = "The layout record format takes no range: only its walk finds where records end";
  }
  if (problem == nullptr) return true;
  errorMessage_ = QvbString(problem);
  return false;
}

// Places the reader at the first record that starts at or after start, and numbers it.
// A range that starts at or past the end of the input holds no record, whatever the
// format: nothing of the input is read then.
bool CCBReaderImpl::startAt(int64_t start) {
  const bool ranged = start > options_.getSkip();
  if (ranged && !dataFile_->canSeek()) {
    errorMessage_ = QvbString("A range needs a file or memory: this input cannot seek");
    return false;
  }
  const int64_t size = dataFile_->knownSize();
  rangePastEnd_ = ranged && size >= 0 && start >= size;
  const bool midLine = options_.getRecordFormat() == CCB_RECORD_LINES && ranged;
  if (!rangePastEnd_ && !seekFirstRecord(ranged, midLine, &start)) return false;
  // Trees read on past the range's end, up to the next root.
  framer_.reset(CCBRecordFramer::settingsOf(options_, recordLength_,
                                            treeReading_ ? -1 : options_.getRangeEnd()));
  frame_ = RecordFrame();
  frame_.offset = start;
  inputPosition_ = start;
  recordNumber_ = -1;
  badRecords_ = unknownRecords_ = 0;
  recordHeld_ = false;
  latest_.assign(layouts_.size(), -1);
  parentNumber_ = -1;
  leading_ = treeReading_ && ranged && !rangePastEnd_;
  if (rangePastEnd_ || !midLine) return true;
  // The line that holds the byte before start began before the range: pass it.
  QvbString reason;
  if (framer_.next(dataFile_.get(), position_, &frame_, &reason) == FRAME_RECORD) {
    position_ = frame_.next;
  }
  return true;
}

// Moves the input to the first record at or after *start (a fixed record's start, or
// the byte before a lines range), which lies within the input, and numbers it.
bool CCBReaderImpl::seekFirstRecord(bool ranged, bool midLine, int64_t* start) {
  const CCBRecordFormat format = options_.getRecordFormat();
  const int64_t skip = options_.getSkip();
  if (ranged && needsFirstRecord(format) && options_.getFirstRecord() < 1) {
    errorMessage_ = QvbString(
        "A range of rdw, vb, vbs or vs records must start at a split point: give the record "
        "number that the split scan gives for it");
    return false;
  }
  nextNumber_ = ranged ? options_.getFirstRecord() : 1;
  if (format == CCB_RECORD_FIXED && ranged) {
    const int64_t distance = *start - skip;
    const int64_t before = distance / recordLength_ + (distance % recordLength_ != 0 ? 1 : 0);
    *start = skip + before * recordLength_;
    nextNumber_ = before + 1;
  }
  if (!dataFile_->skip(midLine ? *start - 1 : *start, &position_)) {
    errorMessage_ = dataFile_->getErrorMessage();
    return false;
  }
  // The records themselves may not start past the end.
  if (ranged || !dataFile_->skippedPastEnd()) return true;
  errorMessage_ = qvbStringFormat(
      "The input ends before its first record: it is shorter than the skip of %lld bytes",
      static_cast<long long>(skip));
  return false;
}

const unsigned char* CCBReaderImpl::getRecordBytes() {
  if (!framed_ || !recordHeld_ || state_ != READING) return nullptr;
  if (frame_.joined != nullptr) return frame_.joined;
  return dataFile_->view(frame_.start, frame_.length, nullptr);
}

// Reads framed records up to one of the active layout; false when reading ended
// or failed.
bool CCBReaderImpl::readFramed() {
  while (state_ == READING) {
    if (recordHeld_) {
      recordHeld_ = false;
      // An input that ends inside a vb block is cut short: the framer says so.
      if (!dataFile_->nextRecord(position_) && !framer_.insideBlock()) {
        state_ = ENDED;
        break;
      }
    }
    const RecordOutcome outcome = readFramedRecord();
    if (outcome == RECORD_ACTIVE) return true;
    // A failure before a range's first root is the range before it's to report.
    if (outcome == RECORD_FAILED) state_ = leading_ ? ENDED : FAILED;
    if (outcome == RECORD_END) state_ = ENDED;
  }
  return false;
}

// Frames the next record and reads it: the active layout's records are decoded,
// the others stepped over.
CCBReaderImpl::RecordOutcome CCBReaderImpl::readFramedRecord() {
  if (options_.getRecordFormat() == CCB_RECORD_LAYOUT) return readByLayout();
  QvbString reason;
  const FrameStatus status = framer_.next(dataFile_.get(), position_, &frame_, &reason);
  recordNumber_ = nextNumber_;
  if (status == FRAME_END) return RECORD_END;
  if (status == FRAME_FAILED) {
    errorMessage_ = reason;
    return RECORD_FAILED;
  }
  position_ = frame_.next;
  inputPosition_ = frame_.offset + (frame_.next - frame_.rawStart);
  recordHeld_ = true;
  if (nextNumber_ > 0) ++nextNumber_;
  return status == FRAME_BAD ? passOver(reason) : walkFramed();
}

// The layout format: the walk of the record's layout finds where it ends, so a bad
// record cannot be passed over.
CCBReaderImpl::RecordOutcome CCBReaderImpl::readByLayout() {
  const int start = position_;
  frame_ = RecordFrame();
  frame_.rawStart = frame_.start = start;
  frame_.offset = dataFile_->offsetOf(start);
  recordNumber_ = nextNumber_;
  const int present = dataFile_->available(start, 1);
  if (present == 0) return RECORD_END;
  bool isActive = false;
  if (present < 0 || !readRecord(isActive)) {
    if (present < 0) errorMessage_ = dataFile_->getErrorMessage();
    return RECORD_FAILED;
  }
  frame_.length = position_ - start;
  frame_.next = position_;
  inputPosition_ = dataFile_->offsetOf(position_);
  recordHeld_ = true;
  ++nextNumber_;
  // A count out of range may have misplaced the end of any layout's record.
  const QvbString problem = countProblem();
  if (problem.length() > 0) {
    errorMessage_ = problem;
    return RECORD_FAILED;
  }
  if (!isActive && !readsAllLayouts()) return RECORD_OTHER;
  if (recordLayout_ != activeLayout_) activate(recordLayout_);
  if (!treeReading_) return RECORD_ACTIVE;
  const RecordOutcome placed = placeBeforeWalk(recordLayout_);
  return placed == RECORD_PLACED ? placeRecord(recordLayout_) : placed;
}

// Decodes a framed record with its layout. Fields past the end of a record with a
// descriptor word are null; a line is read as if padded with blanks. A record joined
// from segments is read from the framer's buffer, as if it stood at position 0.
CCBReaderImpl::RecordOutcome CCBReaderImpl::walkFramed() {
  struct JoinedRecord {  // serves the joined bytes during the walk
    CCBDataFile* file;
    explicit JoinedRecord(CCBDataFile* f, const RecordFrame& frame) : file(f) {
      if (frame.joined != nullptr) file->beginJoined(frame.joined, frame.length, frame.offset);
    }
    ~JoinedRecord() { file->endJoined(); }
  } joined(dataFile_.get(), frame_);
  const CCBRecordFormat format = options_.getRecordFormat();
  const int start = frame_.joined != nullptr ? 0 : frame_.start;
  if (format != CCB_RECORD_FIXED)
    dataFile_->setRecordEnd(start + frame_.length, format == CCB_RECORD_LINES);
  const int layout = chooseLayout(start);
  if (layout < 0 || (layout != activeLayout_ && !readsAllLayouts())) {
    dataFile_->clearRecordEnd();
    if (layout == UNKNOWN_LAYOUT) return stepOverUnknown();
    return layout < 0 ? passOver(errorMessage_) : RECORD_OTHER;
  }
  if (treeReading_) {
    const RecordOutcome placed = placeBeforeWalk(layout);
    if (placed != RECORD_PLACED) {
      dataFile_->clearRecordEnd();
      return placed;
    }
  }
  if (layout != activeLayout_) activate(layout);
  CCBDataRoot* root = layouts_[static_cast<size_t>(layout)];
  root->clearColumnValues();
  int walked = start;
  const bool read = root->readRecord(start, &walked);
  dataFile_->clearRecordEnd();
  if (!read) return passOver(root->getErrorMessage());
  const int used = walked - start;
  const QvbString problem = countProblem();
  if (problem.length() > 0) return passOver(problem);
  if (format == CCB_RECORD_FIXED && used > frame_.length) {
    return passOver(
        qvbStringFormat("Record layout reads %d bytes, more than the fixed record length of %d",
                        used, frame_.length));
  }
  if (format == CCB_RECORD_LINES && used < frame_.length) {
    return passOver(qvbStringFormat("Line of %d bytes is longer than its layout, which reads %d",
                                    frame_.length, used));
  }
  return treeReading_ ? placeRecord(layout) : RECORD_ACTIVE;
}

// Where a record of the layout stands among the trees, before it is read: a root past
// the range's end ends the reading, and one within it starts a tree; before the
// range's first root, records are the range before it's. A record of a child layout
// takes its layout's place in the tree at once, as none, so that a bad one leaves its
// children without a parent.
CCBReaderImpl::RecordOutcome CCBReaderImpl::placeBeforeWalk(int layout) {
  if (latest_.size() < layouts_.size()) latest_.resize(layouts_.size(), -1);
  if (parentLayoutOf(layout) < 0) {
    if (treesEnd_ >= 0 && frame_.offset >= treesEnd_) return RECORD_END;
    leading_ = false;
    std::fill(latest_.begin(), latest_.end(), -1);
  } else if (leading_) {
    return RECORD_OTHER;
  } else {
    latest_[static_cast<size_t>(layout)] = -1;
  }
  parentNumber_ = -1;
  return RECORD_PLACED;
}

// A record read whole takes its place in its tree: a child record without a record of
// its parent layout before it in the tree is bad.
CCBReaderImpl::RecordOutcome CCBReaderImpl::placeRecord(int layout) {
  const int parentLayout = parentLayoutOf(layout);
  const int64_t parent = parentLayout < 0 ? -1 : latest_[static_cast<size_t>(parentLayout)];
  if (parentLayout >= 0 && parent < 0) {
    return passOver(qvbStringFormat(
        "Record of layout %s has no record of its parent layout %s before it in its tree",
        layouts_[static_cast<size_t>(layout)]->getRecordId().asCstr(),
        layouts_[static_cast<size_t>(parentLayout)]->getRecordId().asCstr()));
  }
  latest_[static_cast<size_t>(layout)] = recordNumber_;
  parentNumber_ = parent;
  return RECORD_ACTIVE;
}

// The message of a repetition count that a walk noted as no number or out of range,
// or an empty text; every layout's note is taken.
QvbString CCBReaderImpl::countProblem() {
  QvbString problem;
  for (CCBDataRoot* root : layouts_) {
    QvbString noted;
    if (root->getOutputArray()->takeCountProblem(&noted) && problem.length() == 0) {
      problem = noted;
    }
  }
  return problem;
}

// A bad record: reading stops at it, unless the options allow passing over more.
CCBReaderImpl::RecordOutcome CCBReaderImpl::passOver(const QvbString& reason) {
  if (leading_) return RECORD_OTHER;  // the range before this one's
  errorMessage_ = reason;
  dataFile_->endJoined();  // the record's bytes as they stand in the window
  const int64_t allowed = options_.getMaxErrors();
  if (allowed >= 0 && badRecords_ >= allowed) return RECORD_FAILED;
  ++badRecords_;
  if (badRecordCallback_ != nullptr) {
    const int length = frame_.next - frame_.rawStart;
    const unsigned char* bytes = dataFile_->view(frame_.rawStart, length, nullptr);
    badRecordCallback_->badRecord(recordNumber_, frame_.offset, bytes, bytes ? length : 0, reason);
  }
  return RECORD_PASSED;
}

// A record whose identifier matches no layout, framed without one: stepped over and
// counted, the first one noted.
CCBReaderImpl::RecordOutcome CCBReaderImpl::stepOverUnknown() {
  if (leading_) return RECORD_OTHER;  // the range before this one's
  if (unknownRecords_++ == 0) {
    firstUnknownNumber_ = recordNumber_;
    firstUnknownOffset_ = frame_.offset;
    firstUnknownId_ = unknownId_;
  }
  return RECORD_OTHER;
}

bool CCBReaderImpl::scanSplitPoints(const QvbString& fileName, const CCBReadOptions& options,
                                    int64_t every, CCBSplitCallback* callback) {
  return scanSplits(options, every, callback,
                    [&](CCBDataFile* file) { return file->open(fileName); });
}

bool CCBReaderImpl::scanSplitPointsMemory(const unsigned char* data, size_t size,
                                          const CCBReadOptions& options, int64_t every,
                                          CCBSplitCallback* callback) {
  return scanSplits(options, every, callback, [&](CCBDataFile* file) {
    return file->openMemory(data, static_cast<int64_t>(size));
  });
}

bool CCBReaderImpl::writeIndexFile(const QvbString& fileName, const CCBReadOptions& options,
                                   int64_t every, CCBSplitCallback* callback,
                                   const QvbString& indexFile) {
  return scanSplits(
      options, every, callback, [&](CCBDataFile* file) { return file->open(fileName); },
      &indexFile);
}

// The scan of all: open opens the input in the file it is given; indexFile, when not
// null, is where the index of a compressed input goes.
template <typename Open>
bool CCBReaderImpl::scanSplits(const CCBReadOptions& options, int64_t every,
                               CCBSplitCallback* callback, Open open, const QvbString* indexFile) {
  const CCBRecordFormat format = options.getRecordFormat();
  if (!needsFirstRecord(format) && format != CCB_RECORD_LINES) {
    errorMessage_ = QvbString("Split points are for the rdw, vb, vbs, vs and lines record formats");
    return false;
  }
  if (every < 1 || options.getSkip() < 0 || callback == nullptr) {
    errorMessage_ = QvbString("Invalid split scan: give a split size of at least 1 byte");
    return false;
  }
  CCBDataFile file(SCAN_WINDOW);
  int position = 0;
  if (!open(&file)) {
    errorMessage_ = file.getErrorMessage();
    return false;
  }
  if (file.compression() != CCB_COMPRESSION_NONE) {
    return scanCompressed(&file, options, every, callback, indexFile);
  }
  if (indexFile != nullptr || index_ != nullptr) {
    errorMessage_ = QvbString("The data file is not compressed: it takes no index");
    return false;
  }
  if (!file.skip(options.getSkip(), &position)) {
    errorMessage_ = file.getErrorMessage();
    return false;
  }
  CCBRecordFramer framer;
  framer.reset(CCBRecordFramer::settingsOf(options, 0, -1));
  const int64_t skip = options.getSkip();
  int64_t nextPoint = skip;
  for (int64_t number = 1;; ++number) {
    RecordFrame frame;
    QvbString reason;
    const FrameStatus status = framer.next(&file, position, &frame, &reason);
    if (status == FRAME_END) return true;
    if (status == FRAME_FAILED) {
      errorMessage_ = reason;
      return false;
    }
    const int64_t at = frame.splitOffset;
    if (at >= 0 && at >= nextPoint) {
      if (!callback->splitPoint(at, number)) return true;
      nextPoint = skip + ((at - skip) / every + 1) * every;
    }
    position = frame.next;
    if (!file.nextRecord(position) && !framer.insideBlock()) return true;
  }
}
