#include "input/ccb_data_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "input/ccb_input_index.h"

namespace {

const char* const ALLOCATION_FAILED = "Buffer Allocation failed";
const char* const READ_FAILED = "Error reading file";
const char* const EOF_IN_DATA = "Reached EOF on data file while reading data";
const char* const INVALID_POSITION = "Invalid read position";
const char* const NOT_OPEN = "Data file is not open";
const char* const PAST_RECORD_END = "Field reaches past the end of its record";
const char* const NOT_COMPRESSED = "The data file is not compressed: it takes no index";
const char* const OTHER_FILE =
    "The index was made of another file: its size or bytes differ from this one's";

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

bool CCBDataFile::open(const QvbString& fileName, unsigned char padByte, bool detect) {
  close();
  fileName_ = fileName;
  const int code = np_fio_open(fileName_.asCstr(), NP_FIO_READ_BINARY, &handle_);
  if (code != 0) {
    handle_ = -1;
    return fail(np_fio_errdesc(code));
  }
  ownsHandle_ = true;
  seekable_ = np_fio_seek(handle_, 0) == 0;  // a named pipe cannot seek
  return prepare(padByte) && (!detect || detectCompression());
}

bool CCBDataFile::openDescriptor(int descriptor, unsigned char padByte) {
  close();
  if (descriptor < 0) return fail(np_fio_errdesc(EBADF));
  handle_ = descriptor;
  return prepare(padByte) && detectCompression();
}

// The first bytes tell a compressed input, whose decompressor then takes them (a pipe
// cannot give them twice); those of any other input stay in the window. An input that
// cannot be read fails at its first read, as it would without this one.
bool CCBDataFile::detectCompression() {
  const int received = np_fio_getb(handle_, buffer_, CCBDecompressor::DETECT_BYTES);
  if (received < 0) return true;
  const CCBCompression compression = CCBDecompressor::detect(buffer_, received);
  if (compression == CCB_COMPRESSION_NONE) {
    setFilled(received);
    atEnd_ = received < CCBDecompressor::DETECT_BYTES;
    return true;
  }
  decompressor_.reset(new (std::nothrow) CCBDecompressor(compression));
  if (decompressor_ != nullptr &&
      decompressor_->openDescriptor(handle_, seekable_, buffer_, received)) {
    return true;
  }
  error_ =
      decompressor_ != nullptr ? decompressor_->getErrorMessage() : QvbString(ALLOCATION_FAILED);
  close();
  return false;
}

// Compressed memory is read through a window of the data file's own, as a file is.
bool CCBDataFile::decompressMemory(unsigned char padByte) {
  const unsigned char* data = memory_;
  const int64_t size = memorySize_;
  memory_ = nullptr;
  memorySize_ = 0;
  if (!prepare(padByte)) return false;
  seekable_ = true;  // the decompressor seeks in the memory
  decompressor_.reset(new (std::nothrow) CCBDecompressor(CCBDecompressor::detect(
      data, static_cast<int>(std::min<int64_t>(size, CCBDecompressor::DETECT_BYTES)))));
  if (decompressor_ != nullptr && decompressor_->openMemory(data, size)) return true;
  error_ =
      decompressor_ != nullptr ? decompressor_->getErrorMessage() : QvbString(ALLOCATION_FAILED);
  close();
  return false;
}

bool CCBDataFile::setIndex(const CCBInputIndex* index) {
  index_ = nullptr;
  if (index == nullptr) return true;
  if (decompressor_ == nullptr) return fail(NOT_COMPRESSED);
  CCBFingerprint print;
  if (!decompressor_->fingerprint(&print)) {
    error_ = decompressor_->getErrorMessage();
    return false;
  }
  if (!index->describes(decompressor_->compression(), print)) return fail(OTHER_FILE);
  index_ = index;
  return true;
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

bool CCBDataFile::openMemory(const unsigned char* data, int64_t size, unsigned char padByte,
                             bool detect) {
  close();
  static const unsigned char NOTHING = 0;
  memory_ = data != nullptr ? data : &NOTHING;
  memorySize_ = data != nullptr && size > 0 ? size : 0;
  window_ = memory_;
  capacity_ = MAX_WINDOW_CAPACITY;
  padByte_ = padByte;
  atEnd_ = false;
  const int head = static_cast<int>(std::min<int64_t>(memorySize_, CCBDecompressor::DETECT_BYTES));
  if (!detect || CCBDecompressor::detect(memory_, head) == CCB_COMPRESSION_NONE) return true;
  return decompressMemory(padByte);
}

bool CCBDataFile::skip(int64_t start, int* position) {
  if (!checkRequest(0, 0)) return false;
  if (start < 0) return fail(INVALID_POSITION);
  if (decompressor_ != nullptr) return skipDecompressed(start, position);
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
  // The window holds the first bytes, read to tell a compressed input.
  const int buffered = filled_;
  setFilled(0);
  if (seekable_ && np_fio_seek(handle_, start) == 0) return true;
  start -= buffered;
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

// From the start of the decompressed bytes, or from the index's last entry point at or
// before start; bytes before a start beyond half the window are read and dropped.
bool CCBDataFile::skipDecompressed(int64_t start, int* position) {
  CCBEntryPoint point;
  if (index_ != nullptr && index_->entryBefore(start, &point) && point.out > 0) {
    if (!decompressor_->restart(point)) {
      error_ = decompressor_->getErrorMessage();
      return false;
    }
    windowOffset_ = point.out;
    setFilled(0);
  }
  int64_t left = start - windowOffset_;
  if (left < capacity_ / 2) {
    *position = static_cast<int>(left);
    const int present = available(0, *position);
    if (present < 0) return false;
    skippedPastEnd_ = present < *position;
    return true;
  }
  *position = 0;
  while (left > 0 && !atEnd_) {
    const int asked = static_cast<int>(std::min<int64_t>(left, capacity_ - 1));
    const int received = pull(buffer_, asked);
    if (received < 0) return failRead();
    left -= received;
    atEnd_ = received < asked && !decompressor_->failed();
  }
  windowOffset_ = start;
  skippedPastEnd_ = left > 0;
  return true;
}

int CCBDataFile::pull(unsigned char* dest, int n) {
  return decompressor_ != nullptr ? decompressor_->read(dest, n) : np_fio_getb(handle_, dest, n);
}

int64_t CCBDataFile::knownSize() const {
  if (decompressor_ == nullptr) return getFileSize();
  if (index_ != nullptr && index_->decompressedSize() >= 0) return index_->decompressedSize();
  return decompressor_->ended() ? decompressor_->outputOffset() : -1;
}

int64_t CCBDataFile::getFileSize() const {
  if (decompressor_ != nullptr) return std::max<int64_t>(knownSize(), 0);
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
  windowOffset_ = offset - origin_;
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
  decompressor_.reset();
  index_ = nullptr;
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
  origin_ = 0;
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
  const int received = pull(buffer_ + filled_, asked);
  if (received < 0) return false;
  setFilled(filled_ + received);
  // Decompressed bytes fall short before damage too, which the next read meets.
  if (received < asked && (decompressor_ == nullptr || !decompressor_->failed())) atEnd_ = true;
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
  if (decompressor_ != nullptr && decompressor_->getErrorMessage().length() > 0) {
    error_ = decompressor_->getErrorMessage();
    return false;
  }
  if (!readReasons_) return fail(READ_FAILED);
  error_ = qvbStringFormat("%s: %s", READ_FAILED, std::strerror(errno));
  return false;
}

bool CCBDataFile::fail(const char* message) {
  error_ = message;
  return false;
}
