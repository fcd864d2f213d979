#include "range_planner.h"

#include <algorithm>
#include <memory>
#include <string>

#include "layout_source.h"
#include "reader_setup.h"

RangePlanner::RangePlanner(const ReadOptions& options, int64_t fileSize, int recordLength,
                           bool feed, ChunkQueue* queue, bool oneRange)
    : options_(options),
      fileSize_(fileSize),
      recordLength_(recordLength),
      feed_(feed),
      queue_(queue),
      oneRange_(oneRange) {}

// The first range is the one the options give, up to the second range's start.
void RangePlanner::run() {
  if (feed_) {
    feed();
    queue_->endRanges(-1);
    return;
  }
  const int64_t start = std::max(options_.records.skip, options_.rangeStart);
  lastStart_ = start;
  if (queue_->addRange(options_.rangeStart, options_.firstRecord) && !oneRange_) {
    if (options_.records.format == CCB_RECORD_FIXED) {
      cutFixed(start);
    } else {
      scan(start);
    }
  }
  queue_->endRanges(options_.rangeEnd);
}

void RangePlanner::cutFixed(int64_t start) {
  const int64_t end = options_.rangeEnd >= 0 ? std::min(options_.rangeEnd, fileSize_) : fileSize_;
  for (int64_t at = start + options_.chunkBytes; at < end; at += options_.chunkBytes) {
    if (!queue_->addRange(at, -1)) return;
  }
}

// The scan starts where the first range's records start and numbers them from 1. A
// lines range that starts past the skip begins after the line that holds the byte
// before its start, so the scan starts at that byte, its first line being that one.
void RangePlanner::scan(int64_t start) {
  const bool lines = options_.records.format == CCB_RECORD_LINES;
  const bool ranged = start > options_.records.skip;
  CCBReadOptions scanOptions;
  applyRecordFormatOptions(options_.records, &scanOptions);
  scanOptions.setSkip(ranged && lines ? start - 1 : start);
  numbersKnown_ = !ranged || options_.firstRecord >= 1;
  numberBase_ = !ranged ? 0 : options_.firstRecord - (lines ? 2 : 1);
  RecordReaderPtr scanner(createCCBRecordReader());
  if (scanner == nullptr) return;
  if (!options_.indexFile.empty() && !scanner->setIndexFile(options_.indexFile.c_str())) return;
  if (options_.dataBytes != nullptr) {
    scanner->scanSplitPointsMemory(options_.dataBytes, options_.dataSize, scanOptions,
                                   options_.chunkBytes, this);
  } else {
    scanner->scanSplitPoints(options_.dataFile.c_str(), scanOptions, options_.chunkBytes, this);
  }
}

bool RangePlanner::splitPoint(int64_t offset, int64_t number) {
  if (options_.rangeEnd >= 0 && offset >= options_.rangeEnd) return false;
  if (offset <= lastStart_) return true;  // inside the first range, or where it starts
  lastStart_ = offset;
  return queue_->addRange(offset, numbersKnown_ ? numberBase_ + number : -1);
}

// The whole file, from the skip on, in chunks of whole records.
void RangePlanner::feed() {
  RecordReaderPtr scanner(createCCBRecordReader());
  CCBReadOptions scanOptions;
  applyRecordFormatOptions(options_.records, &scanOptions);
  scanOptions.setRecordLength(recordLength_);
  if (scanner != nullptr &&
      scanner->scanChunks(options_.dataFile.c_str(), scanOptions, options_.chunkBytes, this)) {
    return;
  }
  const QvbString reason =
      scanner != nullptr ? scanner->getErrorMessage() : QvbString("cannot create a record reader");
  queue_->addRange(options_.records.skip, -1, nullptr,
                   dataFileName(options_) + ": " + messageText(reason));
}

bool RangePlanner::chunk(const unsigned char* bytes, size_t size, int64_t offset,
                         int64_t firstRecord) {
  auto copy = std::make_shared<const std::string>(reinterpret_cast<const char*>(bytes), size);
  return queue_->addRange(offset, firstRecord, std::move(copy));
}

void RangePlanner::stopped(int64_t number, int64_t offset, const QvbString& reason) {
  queue_->addRange(offset, number, nullptr, recordFailure(options_, number, offset, reason));
}
