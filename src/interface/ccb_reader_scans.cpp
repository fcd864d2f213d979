// The record reader's scans of whole inputs beyond the split scan of plain ones: split
// points of compressed inputs, checkpoint indexes, and inputs cut into chunks.
#include <deque>
#include <new>

#include "interface/ccb_reader_impl.h"

namespace {

// The next split point a scan reports after one at `at`: the first at or after the next
// multiple of every past the skip.
int64_t nextPointAfter(int64_t at, int64_t skip, int64_t every) {
  return skip + ((at - skip) / every + 1) * every;
}

}  // namespace

CCBChunkCallback::~CCBChunkCallback() = default;

CCBCompression CCBReaderImpl::getCompression() {
  return framed_ && dataFile_ != nullptr ? dataFile_->compression() : CCB_COMPRESSION_NONE;
}

bool CCBReaderImpl::setIndexFile(const QvbString& fileName) {
  index_.reset();
  if (fileName.length() == 0) return true;
  std::unique_ptr<CCBInputIndex> index(new (std::nothrow) CCBInputIndex());
  QvbString error;
  if (index == nullptr || !index->read(fileName, &error)) {
    errorMessage_ = index == nullptr ? QvbString("Buffer Allocation failed") : error;
    return false;
  }
  index_ = std::move(index);
  return true;
}

// A compressed input: its split points are the first at or after each entry point.
// With an index set, they are the index's; otherwise the scan decompresses the input,
// noting its entry points, and, given indexFile, writes them with their split points.
bool CCBReaderImpl::scanCompressed(CCBDataFile* file, const CCBReadOptions& options, int64_t every,
                                   CCBSplitCallback* callback, const QvbString* indexFile) {
  if (index_ != nullptr && indexFile == nullptr) {
    if (!file->setIndex(index_.get())) {
      errorMessage_ = file->getErrorMessage();
      return false;
    }
    return reportIndexed(options, every, callback);
  }
  CCBDecompressor* decompressor = file->decompressor();
  CCBInputIndex index;
  CCBFingerprint print;
  if (indexFile != nullptr && !decompressor->fingerprint(&print)) {
    errorMessage_ = decompressor->getErrorMessage();
    return false;
  }
  index.start(decompressor->compression(), print, options);
  decompressor->noteEntryPoints(indexFile != nullptr ? every : 0);
  int position = 0;
  if (!startScan(file, options, &position)) return false;
  CCBRecordFramer framer;
  framer.reset(CCBRecordFramer::settingsOf(options, options.getRecordLength(), -1));
  std::deque<CCBEntryPoint> pending;  // entry points no split point follows yet
  bool reporting = true;
  int64_t nextPoint = options.getSkip(), reported = -1;
  for (int64_t number = 1;; ++number) {
    RecordFrame frame;
    QvbString reason;
    const FrameStatus status = framer.next(file, position, &frame, &reason);
    for (CCBEntryPoint& point : decompressor->takeEntryPoints())
      pending.push_back(std::move(point));
    if (status == FRAME_END) break;
    if (status == FRAME_FAILED) {
      errorMessage_ = reason;
      return false;
    }
    const int64_t split = frame.splitOffset;
    while (split >= 0 && !pending.empty() && pending.front().out <= split) {
      if (indexFile != nullptr && !index.add(pending.front(), split, number)) {
        errorMessage_ = QvbString("Buffer Allocation failed");
        return false;
      }
      pending.pop_front();
      if (!reporting || split <= reported || split < nextPoint) continue;
      reporting = callback->splitPoint(split, number);
      reported = split;
      nextPoint = nextPointAfter(split, options.getSkip(), every);
      if (!reporting && indexFile == nullptr) return true;
    }
    position = frame.next;
    if (!file->nextRecord(position) && !framer.insideBlock()) break;
  }
  if (indexFile == nullptr) return true;
  index.setDecompressedSize(decompressor->outputOffset());
  return index.write(*indexFile, &errorMessage_);
}

// The split points of the index set, for the framing it was made with.
bool CCBReaderImpl::reportIndexed(const CCBReadOptions& options, int64_t every,
                                  CCBSplitCallback* callback) {
  if (!index_->framedAs(options)) {
    errorMessage_ = QvbString(
        "The index was made with other record format options: its split points are not "
        "those of these records");
    return false;
  }
  int64_t nextPoint = options.getSkip(), reported = -1;
  for (size_t i = 0; i < index_->size(); ++i) {
    const int64_t split = index_->splitOffset(i);
    if (split < 0 || split <= reported || split < nextPoint) continue;
    if (!callback->splitPoint(split, index_->splitNumber(i))) return true;
    reported = split;
    nextPoint = nextPointAfter(split, options.getSkip(), every);
  }
  return true;
}

// Passes the skip of the input a scan opened.
bool CCBReaderImpl::startScan(CCBDataFile* file, const CCBReadOptions& options, int* position) {
  if (file->skip(options.getSkip(), position)) return true;
  errorMessage_ = file->getErrorMessage();
  return false;
}

// A chunk ends where a split point at least chunkBytes past its start begins the next
// one; its bytes stay in the window until it is handed over, and the window then
// drops them.
bool CCBReaderImpl::scanChunks(const QvbString& fileName, const CCBReadOptions& options,
                               int64_t chunkBytes, CCBChunkCallback* callback) {
  const CCBRecordFormat format = options.getRecordFormat();
  if (format < CCB_RECORD_FIXED || format > CCB_RECORD_VS || format == CCB_RECORD_LAYOUT ||
      chunkBytes < 1 || options.getSkip() < 0 || callback == nullptr) {
    errorMessage_ = QvbString(
        "Invalid chunk scan: give records that frame without a layout and chunks of at least "
        "1 byte");
    return false;
  }
  const int recordLength =
      options.getRecordLength() > 0 ? options.getRecordLength() : longestLayoutLength();
  if (format == CCB_RECORD_FIXED && recordLength == 0) {
    errorMessage_ = QvbString("Fixed-length records need a length: the layouts read no bytes");
    return false;
  }
  CCBDataFile file(SCAN_WINDOW);
  int position = 0;
  if (!file.open(fileName)) {
    errorMessage_ = file.getErrorMessage();
    return false;
  }
  if (!startScan(&file, options, &position)) return false;
  CCBRecordFramer framer;
  framer.reset(CCBRecordFramer::settingsOf(options, recordLength, -1));
  int start = position;  // the window position of the chunk's first byte
  int64_t first = 1;     // the number of its first record
  const auto handOver = [&](int end) {
    const int size = end - start;
    const unsigned char* bytes = size > 0 ? file.view(start, size, nullptr) : nullptr;
    return size <= 0 ||
           callback->chunk(bytes, static_cast<size_t>(size), file.offsetOf(start), first);
  };
  for (int64_t number = 1;; ++number) {
    RecordFrame frame;
    QvbString reason;
    const FrameStatus status = framer.next(&file, position, &frame, &reason);
    if (status == FRAME_END) {
      handOver(position);
      return true;
    }
    if (status == FRAME_FAILED) {
      if (handOver(position)) callback->stopped(number, frame.offset, reason);
      return true;
    }
    const int64_t split = frame.splitOffset;
    if (split >= 0 && split >= file.offsetOf(start) + chunkBytes) {
      const int at = static_cast<int>(split - file.offsetOf(0));
      if (!handOver(at)) return true;
      file.dropBefore(at);
      position -= at;
      frame.next -= at;
      start = 0;
      first = number;
    }
    position = frame.next;
  }
}
