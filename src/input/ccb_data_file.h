// CCBDataFile is the record reader's input: a data file, a host's bytes in memory
// or a descriptor read strictly forward, and a window of its bytes. Fields are read
// out of the window by position (a byte offset in the window, not in the input);
// after each record nextRecord() compacts the window so that the next record can
// be served from it. A file or descriptor is read forward in large blocks into a
// window of capacity bytes: 4096 for records below 4096 bytes, otherwise twice the
// record length, or a larger capacity asked for, doubled when a read needs more (up
// to MAX_WINDOW_CAPACITY); one byte always stays free after the valid ones. Memory
// input is never copied: the window is a view of the host's bytes that moves along
// them.
//
// A record end may be set: a read reaching past it either fails with
// pastRecordEnd() set (the caller makes the field null) or, in padded mode, gives
// the record's bytes followed by the pad byte given at open, a blank of the
// input's text. The window knows positions and bytes only: how fields decode is
// the reader's and the fields' to know.
//
// A compressed input (gzip, bzip2, zstd: CCBDecompressor tells it by its first bytes)
// is decompressed as it is read: the window, its positions and offsets, skip() and the
// size are those of the decompressed bytes. skip() starts at the last entry point of a
// checkpoint index (setIndex) at or before where it goes, or reads forward from the
// start.
//
// The reader owns its CCBDataFile; every node of a layout points to it without
// owning it. A descriptor, memory and an index stay the caller's; the decompressor is
// the data file's. One thread uses it at a time.
#ifndef LYRA_INPUT_CCB_DATA_FILE_H_
#define LYRA_INPUT_CCB_DATA_FILE_H_

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "input/ccb_decompressor.h"
#include "lyra/qvb_string.h"
#include "support/np_fio.h"

class CCBInputIndex;

// The largest window a data file may grow to.
const int MAX_WINDOW_CAPACITY = 1 << 30;
// The window of records shorter than it, unless a larger one is asked for.
const int SMALL_WINDOW_CAPACITY = 4096;
// The smallest window of the readers: blocks this large read a file with few system
// calls, while a window stays a small, bounded part of memory.
const int READER_WINDOW_CAPACITY = 64 * 1024;

class CCBDataFile {
 public:
  explicit CCBDataFile(int recordLength, int smallestCapacity = SMALL_WINDOW_CAPACITY);
  ~CCBDataFile();  // closes
  CCBDataFile(const CCBDataFile&) = delete;
  CCBDataFile& operator=(const CCBDataFile&) = delete;

  // Closes any input already open, then opens the file and allocates the window.
  // padByte fills padded reads past the record end (see setRecordEnd); with detect
  // false a compressed file is read as it stands, as the classic reader reads it.
  bool open(const QvbString& fileName, unsigned char padByte = ' ', bool detect = true);
  // The same for size bytes at data, which stay the caller's; with detect false they
  // are never taken for compressed data.
  bool openMemory(const unsigned char* data, int64_t size, unsigned char padByte = ' ',
                  bool detect = true);
  // Makes the offsets of the input just opened (and skipped) count from origin: the
  // offset of its first byte in a larger input it is a part of.
  void setOrigin(int64_t origin) { origin_ = origin; }
  // The same for a descriptor read strictly forward from where it stands (never
  // sought, even when it could be), which stays the caller's.
  bool openDescriptor(int descriptor, unsigned char padByte = ' ');
  // Passes over the first start bytes of the input just opened and sets *position to
  // the window position of the byte at start. A start beyond half the window is
  // not read into it: the input seeks over it, or, where it cannot seek (a pipe),
  // reads forward through it block by block, so memory does not grow with it.
  // An input shorter than start has no byte left to read.
  bool skip(int64_t start, int* position);
  // Whether the last skip() found the input ending before its start (the size of a
  // file or memory; the end of a pipe read through).
  bool skippedPastEnd() const { return skippedPastEnd_; }
  // The size of the input in bytes (also when closed); 0 when unknown.
  int64_t getFileSize() const;
  // The same, -1 when unknown (a compressed input before its end, without an index).
  int64_t knownSize() const;
  // Whether skip() seeks: a file or memory, not a pipe.
  bool canSeek() const { return memory_ != nullptr || seekable_; }
  // How the input just opened is compressed; its decompressor (null for none), for the
  // scans that note its entry points.
  CCBCompression compression() const {
    return decompressor_ != nullptr ? decompressor_->compression() : CCB_COMPRESSION_NONE;
  }
  CCBDecompressor* decompressor() { return decompressor_.get(); }
  // Lets skip() start at the index's entry points: after an opening, for the input
  // opened, which must be the compressed file the index was made of (or false with a
  // message). Null: none.
  bool setIndex(const CCBInputIndex* index);
  // The offset in the input of window position `position`.
  int64_t offsetOf(int position) const { return origin_ + windowOffset_ + position; }
  // Makes n bytes from the current position available in the window.
  bool fill(int n);
  // Makes up to n bytes at position available and returns how many are: fewer
  // only where the input ends; -1 on an error.
  int available(int position, int n) {
    if (window_ != nullptr && position >= 0 && n >= 0 && position <= filled_ - n) return n;
    return availableOutside(position, n);
  }
  // Makes n bytes at position available, leaves the position after them and stores
  // it in *endPosition (when not null). Returns where the bytes lie in the window
  // (valid until the next call that may fill or compact it), or null, reading
  // nothing, on a negative position or count, when no input is open, when the
  // input cannot supply them, or when they reach past the record end. national:
  // the bytes are UTF-16 text, padded (see setRecordEnd) with UTF-16 blanks.
  const unsigned char* view(int position, int n, int* endPosition, bool national = false) {
    const unsigned char* bytes = nullptr;
    if (window_ != nullptr && position >= 0 && n >= 0 && position <= limit_ - n) {
      bytes = window_ + position;
    } else if ((bytes = viewOutside(position, n, national)) == nullptr) {
      return nullptr;
    }
    position_ = position + n;
    if (endPosition != nullptr) *endPosition = position_;
    return bytes;
  }
  // The same, copying the bytes into dest when it is not null.
  bool read(int position, int n, unsigned char* dest, int* endPosition) {
    const unsigned char* bytes = view(position, n, endPosition);
    if (bytes != nullptr && dest != nullptr) std::memcpy(dest, bytes, static_cast<size_t>(n));
    return bytes != nullptr;
  }
  // Reads end at window position end until clearRecordEnd(); padded: a read past it
  // gives the pad byte for each missing byte (UTF-16 blanks for national text).
  void setRecordEnd(int end, bool padded) {
    recordEnd_ = end;
    padded_ = padded;
    setFilled(filled_);
  }
  void clearRecordEnd() { setRecordEnd(INT_MAX, false); }
  // Serves the reads that follow from the n bytes at bytes, at window positions 0 to
  // n, as if they stood there, until endJoined(): a record joined from pieces that lie
  // apart in the input, whose first byte is at input offset `offset`. Nothing is read
  // from the input meanwhile. The bytes stay the caller's.
  void beginJoined(const unsigned char* bytes, int n, int64_t offset);
  void endJoined();
  // Whether reads are padded past the record end (which a read of bytes before
  // position reaches, for padsBefore).
  bool padded() const { return padded_; }
  bool padsBefore(int position) const { return padded_ && recordEnd_ < position; }
  // Whether the last failed view reached past the record end.
  bool pastRecordEnd() const { return pastRecordEnd_; }
  // Called after each record with the reader's position (the start of the next
  // record); may compact the window and move readerPosition. False when the input
  // is exhausted and no byte of it is left unread (or on a bad position or closed
  // input, with the error text set).
  bool nextRecord(int& readerPosition);
  // Drops the bytes before window position from: the byte there moves to position 0.
  void dropBefore(int from) {
    if (window_ != nullptr && from > 0 && from <= filled_) compact(from);
  }
  void close();  // closes the input and releases the window; again does nothing
  // Whether a failed read's message gives the system's reason ("Error reading file:
  // Is a directory") rather than the bare "Error reading file" of the classic reader.
  void setReadReasons(bool reasons) { readReasons_ = reasons; }
  QvbString getErrorMessage() const { return error_; }

  // The window size, for tests.
  int capacity() const { return capacity_; }

 private:
  bool prepare(unsigned char padByte);  // allocates the window of a file or descriptor
  bool detectCompression();             // reads the first bytes of a file or descriptor
  bool decompressMemory(unsigned char padByte);
  bool skipDecompressed(int64_t start, int* position);
  int pull(unsigned char* dest, int n);  // input bytes, decompressed where they are compressed
  const unsigned char* viewOutside(int position, int n, bool national);
  const unsigned char* viewPadded(int position, int n, bool national);
  bool makeAvailable(int position, int n);
  bool checkRequest(int position, int n);  // open input, no negative position or count
  bool grow();                             // doubles the window, keeping its bytes
  bool readBlock();                        // reads into the free part of the window; false on error
  void compact(int from);                  // moves the bytes from `from` on to the start
  void setFilled(int filled) {
    filled_ = filled;
    limit_ = filled_ < recordEnd_ ? filled_ : recordEnd_;
  }
  int availableOutside(int position, int n);
  bool fail(const char* message);
  bool failRead();

  // What beginJoined sets aside until endJoined.
  struct WindowState {
    const unsigned char* window;
    int position, filled, recordEnd;
    bool atEnd, padded;
    int64_t windowOffset;
  };

  QvbString error_;
  QvbString fileName_;
  WindowState setAside_ = {};
  bool joined_ = false;
  NpFioHandle handle_ = -1;
  bool ownsHandle_ = false;
  bool seekable_ = false;
  const unsigned char* memory_ = nullptr;  // memory input; not owned
  int64_t memorySize_ = 0;
  bool atEnd_ = true;
  int position_ = 0;
  int filled_ = 0;
  int limit_ = 0;  // reads end here: the smaller of filled_ and the record end
  int recordEnd_ = INT_MAX;
  bool padded_ = false;
  bool pastRecordEnd_ = false;
  bool skippedPastEnd_ = false;
  bool readReasons_ = false;
  int64_t windowOffset_ = 0;               // the input offset of window position 0
  int64_t origin_ = 0;                     // the offset of the input in a larger one
  unsigned char* buffer_ = nullptr;        // the window of a file or descriptor; owned
  const unsigned char* window_ = nullptr;  // buffer_, or a view of memory input
  std::vector<unsigned char> padding_;     // a padded read's bytes
  std::unique_ptr<CCBDecompressor> decompressor_;
  const CCBInputIndex* index_ = nullptr;  // not owned
  int capacity_;
  int smallestCapacity_;
  int recordLength_;
  unsigned char padByte_ = ' ';
};

#endif  // LYRA_INPUT_CCB_DATA_FILE_H_
