// CCBInputIndex is a checkpoint index of a compressed data file: the entry points
// where its decompression can start (CCBEntryPoint), each with the first split point
// of the records at or after it and that record's number, as a split scan with the
// framing options it records found them; what identifies the compressed file it was
// made of (CCBFingerprint); and the file's decompressed size. A scan builds one and
// writes it to a file; readers load it to start a range near where it starts.
//
// The file (little-endian numbers):
//   "LYRAIDX1", u32 compression, i64 compressed size, 32 first and 32 last bytes,
//   i32 record format, i32 varseq form, u32 framing flags, i64 skip,
//   i64 decompressed size, i64 entry count, then per entry: i64 compressed offset,
//   u8 bits, i64 decompressed offset, i64 split offset (-1: none), i64 record
//   number, u32 window length, u32 packed length and the window deflated; "LYRAEND1".
//
// An index is a value that owns its entries (windows kept deflated); const methods may
// be called from many threads.
#ifndef LYRA_INPUT_CCB_INPUT_INDEX_H_
#define LYRA_INPUT_CCB_INPUT_INDEX_H_

#include <cstdint>
#include <vector>

#include "input/ccb_decompressor.h"
#include "lyra/ccb_read_options.h"
#include "lyra/qvb_string.h"

class CCBInputIndex {
 public:
  // Starts an index of a compressed file read with the framing of options.
  void start(CCBCompression compression, const CCBFingerprint& print,
             const CCBReadOptions& options);
  // Adds an entry point after those added (further on in the file), with the split
  // point that follows it (-1, -1: none); false when memory runs out.
  bool add(const CCBEntryPoint& point, int64_t splitOffset, int64_t splitNumber);
  void setDecompressedSize(int64_t size) { decompressedSize_ = size; }
  // Writes the index to the named file; false with a message.
  bool write(const QvbString& fileName, QvbString* error) const;
  // Reads the named file into this index; false with a message, the index then empty.
  bool read(const QvbString& fileName, QvbString* error);

  // Whether the index was made of the compressed file the fingerprint describes.
  bool describes(CCBCompression compression, const CCBFingerprint& print) const;
  // Whether the index's split points are those of reading with options' framing.
  bool framedAs(const CCBReadOptions& options) const;
  int64_t decompressedSize() const { return decompressedSize_; }
  size_t size() const { return entries_.size(); }
  int64_t splitOffset(size_t i) const { return entries_[i].splitOffset; }
  int64_t splitNumber(size_t i) const { return entries_[i].splitNumber; }
  // The last entry point at or before a decompressed offset, into *point; false where
  // there is none (or its window cannot be unpacked).
  bool entryBefore(int64_t offset, CCBEntryPoint* point) const;

 private:
  struct Entry {
    int64_t in;
    int bits;
    int64_t out;
    int64_t splitOffset;
    int64_t splitNumber;
    uint32_t windowLength;
    std::vector<unsigned char> packed;  // the window, deflated
  };
  // The framing an index's split points are for.
  struct Framing {
    int32_t format = 0;
    int32_t varseq = -1;
    uint32_t flags = 0;
    int64_t skip = 0;
    bool operator==(const Framing& other) const {
      return format == other.format && varseq == other.varseq && flags == other.flags &&
             skip == other.skip;
    }
  };
  static Framing framingOf(const CCBReadOptions& options);
  bool readEntries(const std::vector<unsigned char>& file, size_t at, int64_t count);

  CCBCompression compression_ = CCB_COMPRESSION_NONE;
  CCBFingerprint print_;
  Framing framing_;
  int64_t decompressedSize_ = -1;
  std::vector<Entry> entries_;
};

#endif  // LYRA_INPUT_CCB_INPUT_INDEX_H_
