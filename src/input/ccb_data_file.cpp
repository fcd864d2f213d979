#include "input/ccb_data_file.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* const ALLOCATION_FAILED = "Buffer Allocation failed";
const char* const READ_FAILED = "Error reading file";
const char* const EOF_IN_DATA = "Reached EOF on data file while reading data";
const char* const INVALID_POSITION = "Invalid read position";
const char* const NOT_OPEN = "Data file is not open";

const int SMALL_WINDOW_CAPACITY = 4096;  // the window of records shorter than this

// Room for two of the longest records: after a compaction the next record always fits.
int initialCapacity(int recordLength) {
  if (recordLength < SMALL_WINDOW_CAPACITY) return SMALL_WINDOW_CAPACITY;
  return static_cast<int>(
      std::min<int64_t>(2 * static_cast<int64_t>(recordLength), MAX_WINDOW_CAPACITY));
}

}  // namespace

// A record length below 1 would never let the window compact; 1 compacts it
// whenever no unread byte is left.
CCBDataFile::CCBDataFile(int recordLength)
    : error_(nullptr),
      fileName_(nullptr),
      capacity_(initialCapacity(recordLength)),
      recordLength_(std::max(recordLength, 1)) {}

CCBDataFile::~CCBDataFile() {
  close();
}

bool CCBDataFile::open(const QvbString& fileName, bool noConvert) {
  close();
  fileName_ = fileName;
  const int code = np_fio_open(fileName_.asCstr(), NP_FIO_READ_BINARY, &handle_);
  if (code != 0) {
    handle_ = -1;
    return fail(np_fio_errdesc(code));
  }
  capacity_ = initialCapacity(recordLength_);
  window_ = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(capacity_)));
  if (window_ == nullptr) {
    close();
    return fail(ALLOCATION_FAILED);
  }
  noConvert_ = noConvert;
  atEnd_ = false;
  return true;
}

bool CCBDataFile::skip(int64_t start, int* position) {
  if (!checkRequest(0, 0)) return false;
  if (start < 0) return fail(INVALID_POSITION);
  if (start < capacity_ / 2) {
    *position = static_cast<int>(start);
    return true;
  }
  *position = 0;
  if (np_fio_seek(handle_, start) == 0) return true;
  while (start > 0) {
    const int received =
        np_fio_getb(handle_, window_, static_cast<int>(std::min<int64_t>(start, capacity_ - 1)));
    if (received < 0) return fail(READ_FAILED);
    if (received == 0) break;
    start -= received;
  }
  return true;
}

int64_t CCBDataFile::getFileSize() const {
  NpFioStat64 info;
  np_fio_stat64(fileName_.asCstr(), &info);  // leaves the size 0 when the file is unknown
  return info.size;
}

bool CCBDataFile::fill(int n) {
  if (!checkRequest(position_, n)) return false;
  const int64_t end = static_cast<int64_t>(position_) + n;
  // One byte always stays free after the valid ones.
  if (end > MAX_WINDOW_CAPACITY - 1) return fail(ALLOCATION_FAILED);
  while (end > filled_) {
    if (atEnd_) return fail(EOF_IN_DATA);
    if (end > capacity_ - 1 && !grow()) return false;
    if (!readBlock()) return fail(READ_FAILED);
  }
  return true;
}

bool CCBDataFile::makeAvailable(int position, int n) {
  if (!checkRequest(position, n)) return false;
  position_ = position;
  return fill(n);
}

bool CCBDataFile::nextRecord(int& readerPosition) {
  if (!checkRequest(readerPosition, 0)) return false;
  if (readerPosition > filled_) return fail(INVALID_POSITION);
  if (static_cast<int64_t>(readerPosition) + recordLength_ > filled_) {
    compact(readerPosition);
    readerPosition = 0;
    // With nothing left unread, look for more now: a file that ends exactly where a
    // block read ended is then seen to end here, not at the next record's first read.
    // A read error is left for that read to report.
    if (filled_ == 0 && !atEnd_) readBlock();
  } else {
    position_ = readerPosition;
  }
  return !atEnd_ || filled_ > position_;
}

void CCBDataFile::close() {
  if (handle_ >= 0) np_fio_close(handle_);
  handle_ = -1;
  std::free(window_);
  window_ = nullptr;
  filled_ = 0;
  position_ = 0;
  atEnd_ = true;
}

bool CCBDataFile::checkRequest(int position, int n) {
  if (window_ == nullptr) return fail(NOT_OPEN);
  if (position < 0 || n < 0) return fail(INVALID_POSITION);
  return true;
}

bool CCBDataFile::grow() {
  const int64_t doubled = 2 * static_cast<int64_t>(capacity_);
  const int capacity = static_cast<int>(std::min<int64_t>(doubled, MAX_WINDOW_CAPACITY));
  void* grown = std::realloc(window_, static_cast<size_t>(capacity));
  if (grown == nullptr) return fail(ALLOCATION_FAILED);  // the old window stays valid
  window_ = static_cast<unsigned char*>(grown);
  capacity_ = capacity;
  return true;
}

bool CCBDataFile::readBlock() {
  const int asked = capacity_ - filled_ - 1;
  const int received = np_fio_getb(handle_, window_ + filled_, asked);
  if (received < 0) return false;
  filled_ += received;
  if (received < asked) atEnd_ = true;
  return true;
}

// The spare byte after the valid ones moves along with them.
void CCBDataFile::compact(int from) {
  std::memmove(window_, window_ + from, static_cast<size_t>(filled_ - from + 1));
  filled_ -= from;
  position_ = 0;
}

bool CCBDataFile::fail(const char* message) {
  error_ = message;
  return false;
}
