// CCBDataFile is the record reader's input: an open data file and a window of its
// bytes in memory. Fields are read out of the window by position (a byte offset in
// the window, not in the file); after each record nextRecord() compacts the window
// so that the next record can be served from it. The file is read strictly forward
// in large blocks. The window holds capacity bytes: 4096 for records below 4096
// bytes, otherwise twice the record length, doubled when a read needs more (up to
// MAX_WINDOW_CAPACITY); one byte always stays free after the valid ones.
//
// The reader owns its CCBDataFile; every node of a layout points to it without
// owning it. One thread uses it at a time.
#ifndef LYRA_INPUT_CCB_DATA_FILE_H_
#define LYRA_INPUT_CCB_DATA_FILE_H_

#include <cstdint>
#include <cstring>

#include "lyra/qvb_string.h"
#include "support/np_fio.h"

// The largest window a data file may grow to.
const int MAX_WINDOW_CAPACITY = 1 << 30;

class CCBDataFile {
 public:
  explicit CCBDataFile(int recordLength);
  ~CCBDataFile();  // closes
  CCBDataFile(const CCBDataFile&) = delete;
  CCBDataFile& operator=(const CCBDataFile&) = delete;

  // Closes any file already open, then opens the file and allocates the window.
  // noConvert true: the file's characters are used as they stand; false: display
  // characters are EBCDIC.
  bool open(const QvbString& fileName, bool noConvert);
  // Passes over the first start bytes of the file just opened and sets *position to
  // the window position of the byte at start. A start beyond half the window is
  // not read into it: the file seeks over it, or, where it cannot seek (a pipe),
  // reads forward through it block by block, so memory does not grow with it.
  // A file shorter than start has no byte left to read.
  bool skip(int64_t start, int* position);
  // The size of the named file in bytes (also when closed); 0 when unknown.
  int64_t getFileSize() const;
  // Makes n bytes from the current position available in the window.
  bool fill(int n);
  // Makes n bytes at position available, leaves the position after them and stores
  // it in *endPosition (when not null). Returns where the bytes lie in the window
  // (valid until the next call that may fill or compact it), or null, reading
  // nothing, on a negative position or count, when no file is open, or when the file
  // cannot supply them.
  const unsigned char* view(int position, int n, int* endPosition) {
    const bool inWindow = window_ != nullptr && position >= 0 && n >= 0 && position <= filled_ - n;
    if (!inWindow && !makeAvailable(position, n)) return nullptr;
    position_ = position + n;
    if (endPosition != nullptr) *endPosition = position_;
    return window_ + position;
  }
  // The same, copying the bytes into dest when it is not null.
  bool read(int position, int n, unsigned char* dest, int* endPosition) {
    const unsigned char* bytes = view(position, n, endPosition);
    if (bytes != nullptr && dest != nullptr) std::memcpy(dest, bytes, static_cast<size_t>(n));
    return bytes != nullptr;
  }
  // Called after each record with the reader's position (the start of the next
  // record); may compact the window and move readerPosition. False when the file is
  // exhausted and no byte of it is left unread (or on a bad position or closed file,
  // with the error text set).
  bool nextRecord(int& readerPosition);
  void close();  // closes the file and releases the window; again does nothing
  QvbString getErrorMessage() const { return error_; }
  bool noConvert() const { return noConvert_; }

  // The window size, for tests.
  int capacity() const { return capacity_; }

 private:
  bool makeAvailable(int position, int n);
  bool checkRequest(int position, int n);  // open file, no negative position or count
  bool grow();                             // doubles the window, keeping its bytes
  bool readBlock();                        // reads into the free part of the window; false on error
  void compact(int from);                  // moves the bytes from `from` on to the start
  bool fail(const char* message);

  QvbString error_;
  QvbString fileName_;
  NpFioHandle handle_ = -1;
  bool atEnd_ = true;
  int position_ = 0;
  int filled_ = 0;
  unsigned char* window_ = nullptr;
  int capacity_;
  int recordLength_;
  bool noConvert_ = true;
};

#endif  // LYRA_INPUT_CCB_DATA_FILE_H_
