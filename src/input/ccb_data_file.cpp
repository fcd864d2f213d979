#include "input/ccb_data_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

const char* const ALLOCATION_FAILED = "Buffer Allocation failed";
const char* const READ_FAILED = "Error reading file";
const char* const EOF_IN_DATA = "Reached EOF on data file while reading data";
const char* const INVALID_POSITION = "Invalid read position";
const char* const NOT_OPEN = "Data file is not open";
const char* const PAST_RECORD_END = "Field reaches past the end of its record";

const unsigned char UTF16_BLANK_LOW = 0x20;  // U+0020 is 00 20 in UTF-16 big-endian

// Room for two of the longest records, so that after a compaction the next record
// always fits, and at least the smallest capacity asked for.
int initialCapacity(int recordLength, int smallest) {
  const int64_t twice = recordLength < SMALL_WINDOW_CAPACITY
                            ? SMALL_WINDOW_CAPACITY
                            : 2 * static_cast<int64_t>(recordLength);
  return static_cast<int>(
      std::min<int64_t>(std::max<int64_t>(twice, smallest), MAX_WINDOW_CAPACITY));
}

}  // namespace

// A record length below 1 would never let the window compact; 1 compacts it
// whenever no unread byte is left.
CCBDataFile::CCBDataFile(int recordLength, int smallestCapacity)
    : error_(nullptr),
      fileName_(nullptr),
      capacity_(initialCapacity(recordLength, smallestCapacity)),
      smallestCapacity_(smallestCapacity),
      recordLength_(std::max(recordLength, 1)) {}

CCBDataFile::~CCBDataFile() {
  close();
}

bool CCBDataFile::open(const QvbString& fileName, unsigned char padByte) {
  close();
  fileName_ = fileName;
  const int code = np_fio_open(fileName_.asCstr(), NP_FIO_READ_BINARY, &handle_);
  if (code != 0) {
    handle_ = -1;
    return fail(np_fio_errdesc(code));
  }
  ownsHandle_ = true;
  seekable_ = np_fio_seek(handle_, 0) == 0;  // a named pipe cannot seek
  return prepare(padByte);
}

bool CCBDataFile::openDescriptor(int descriptor, unsigned char padByte) {
  close();
  if (descriptor < 0) return fail(np_fio_errdesc(EBADF));
  handle_ = descriptor;
  return prepare(padByte);
}

bool CCBDataFile::prepare(unsigned char padByte) {
  capacity_ = initialCapacity(recordLength_, smallestCapacity_);
  buffer_ = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(capacity_)));
  if (buffer_ == nullptr) {
    close();
    return fail(ALLOCATION_FAILED);
  }
  window_ = buffer_;
  padByte_ = padByte;
  atEnd_ = false;
  return true;
}

bool CCBDataFile::openMemory(const unsigned char* data, int64_t size, unsigned char padByte) {
  close();
  static const unsigned char NOTHING = 0;
  memory_ = data != nullptr ? data : &NOTHING;
  memorySize_ = data != nullptr && size > 0 ? size : 0;
  window_ = memory_;
  capacity_ = MAX_WINDOW_CAPACITY;
  padByte_ = padByte;
  atEnd_ = false;
  return true;
}

bool CCBDataFile::skip(int64_t start, int* position) {
  if (!checkRequest(0, 0)) return false;
  if (start < 0) return fail(INVALID_POSITION);
  const int64_t size = memory_ != nullptr ? memorySize_ : seekable_ ? np_fio_size(handle_) : -1;
  skippedPastEnd_ = size >= 0 && start > size;
  if (start < capacity_ / 2 && memory_ == nullptr) {
    *position = static_cast<int>(start);
    // A pipe tells its size only by ending.
    const int present = size < 0 ? available(0, *position) : *position;
    if (present < 0) return false;
    skippedPastEnd_ = skippedPastEnd_ || present < *position;
    return true;
  }
  *position = 0;
  windowOffset_ = start;
  if (memory_ != nullptr) {
    window_ = memory_ + std::min(start, memorySize_);
    return true;
  }
  if (seekable_ && np_fio_seek(handle_, start) == 0) return true;
  while (start > 0) {
    const int received =
        np_fio_getb(handle_, buffer_, static_cast<int>(std::min<int64_t>(start, capacity_ - 1)));
    if (received < 0) return failRead();
    if (received == 0) break;
    start -= received;
  }
  skippedPastEnd_ = skippedPastEnd_ || start > 0;
  return true;
}

int64_t CCBDataFile::getFileSize() const {
  if (memory_ != nullptr) return memorySize_;
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
    if (!readBlock()) return failRead();
  }
  return true;
}

int CCBDataFile::availableOutside(int position, int n) {
  if (!checkRequest(position, n)) return -1;
  const int want = static_cast<int>(
      std::min<int64_t>(static_cast<int64_t>(position) + n, MAX_WINDOW_CAPACITY - 1));
  while (want > filled_ && !atEnd_) {
    if (want > capacity_ - 1 && !grow()) return -1;
    if (!readBlock()) {
      failRead();
      return -1;
    }
  }
  return std::max(0, std::min(want, filled_) - position);
}

const unsigned char* CCBDataFile::viewOutside(int position, int n, bool national) {
  pastRecordEnd_ = false;
  if (!checkRequest(position, n)) return nullptr;
  if (recordEnd_ != INT_MAX && static_cast<int64_t>(position) + n > recordEnd_) {
    if (padded_) return viewPadded(position, n, national);
    pastRecordEnd_ = true;
    fail(PAST_RECORD_END);
    return nullptr;
  }
  if (!makeAvailable(position, n)) return nullptr;
  return window_ + position;
}

// The record's bytes from position, then the pad byte up to n bytes: for UTF-16 text
// the blank U+0020 in each character position, counted from position, whatever the
// pad byte.
const unsigned char* CCBDataFile::viewPadded(int position, int n, bool national) {
  const int present = std::max(0, recordEnd_ - position);
  if (present > 0 && !makeAvailable(position, present)) return nullptr;
  padding_.assign(static_cast<size_t>(n), padByte_);
  for (int i = 0; national && i < n; ++i)
    padding_[static_cast<size_t>(i)] = i % 2 ? UTF16_BLANK_LOW : 0;
  if (present > 0) std::memcpy(padding_.data(), window_ + position, static_cast<size_t>(present));
  return padding_.data();
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

void CCBDataFile::beginJoined(const unsigned char* bytes, int n, int64_t offset) {
  if (joined_) endJoined();
  setAside_ = {window_, position_, filled_, recordEnd_, atEnd_, padded_, windowOffset_};
  joined_ = true;
  window_ = bytes;
  position_ = 0;
  recordEnd_ = INT_MAX;
  padded_ = false;
  atEnd_ = true;  // nothing more to read
  windowOffset_ = offset;
  setFilled(n);
}

void CCBDataFile::endJoined() {
  if (!joined_) return;
  joined_ = false;
  window_ = setAside_.window;
  position_ = setAside_.position;
  recordEnd_ = setAside_.recordEnd;
  atEnd_ = setAside_.atEnd;
  padded_ = setAside_.padded;
  windowOffset_ = setAside_.windowOffset;
  setFilled(setAside_.filled);
}

void CCBDataFile::close() {
  endJoined();
  if (handle_ >= 0 && ownsHandle_) np_fio_close(handle_);
  handle_ = -1;
  ownsHandle_ = false;
  seekable_ = false;
  std::free(buffer_);
  buffer_ = nullptr;
  window_ = nullptr;
  memory_ = nullptr;
  memorySize_ = 0;
  windowOffset_ = 0;
  position_ = 0;
  recordEnd_ = INT_MAX;
  padded_ = false;
  setFilled(0);
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
  if (memory_ == nullptr) {
    void* grown = std::realloc(buffer_, static_cast<size_t>(capacity));
    if (grown == nullptr) return fail(ALLOCATION_FAILED);  // the old window stays valid
    window_ = buffer_ = static_cast<unsigned char*>(grown);
  }
  capacity_ = capacity;
  return true;
}

// Memory input only widens its view of the host's bytes.
bool CCBDataFile::readBlock() {
  const int asked = capacity_ - filled_ - 1;
  if (memory_ != nullptr) {
    const int64_t left = memorySize_ - std::min(windowOffset_ + filled_, memorySize_);
    const int received = static_cast<int>(std::min<int64_t>(left, asked));
    setFilled(filled_ + received);
    if (received == left) atEnd_ = true;
    return true;
  }
  const int received = np_fio_getb(handle_, buffer_ + filled_, asked);
  if (received < 0) return false;
  setFilled(filled_ + received);
  if (received < asked) atEnd_ = true;
  return true;
}

// The spare byte after the valid ones moves along with them. A view of memory input
// moves instead of its bytes.
void CCBDataFile::compact(int from) {
  if (memory_ != nullptr) {
    window_ += from;
  } else {
    std::memmove(buffer_, buffer_ + from, static_cast<size_t>(filled_ - from + 1));
  }
  windowOffset_ += from;
  if (recordEnd_ != INT_MAX) recordEnd_ -= from;
  setFilled(filled_ - from);
  position_ = 0;
}

// Called right after the failed read, whose error number is still errno.
bool CCBDataFile::failRead() {
  if (!readReasons_) return fail(READ_FAILED);
  error_ = qvbStringFormat("%s: %s", READ_FAILED, std::strerror(errno));
  return false;
}

bool CCBDataFile::fail(const char* message) {
  error_ = message;
  return false;
}
