// FileSample is the part of a data file that `lyra diagnose` reads: the whole file
// when it is small, otherwise its start, three places in the middle and its end, so
// that what it reads and decodes stays bounded whatever the size of the file. Of a
// compressed file (gzip, bzip2, zstd, as the record reader tells them) it is the start
// of the decompressed data alone, at most DECOMPRESSED_SAMPLE_BYTES: the middle and the
// end are reached only by decompressing all that comes before them. It owns copies of
// the bytes it read.
#ifndef LYRA_TOOLS_FILE_SAMPLE_H_
#define LYRA_TOOLS_FILE_SAMPLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>

// Bytes of the file from offset on.
struct SamplePiece {
  int64_t offset = 0;
  std::string bytes;
};

// A file no larger than this is read whole.
const int64_t WHOLE_SAMPLE_BYTES = 3 * 1024 * 1024;
// Otherwise: its first START_SAMPLE_BYTES, and OTHER_SAMPLE_BYTES at a quarter, half
// and three quarters of it, and at its end.
const int64_t START_SAMPLE_BYTES = 1024 * 1024;
const int64_t OTHER_SAMPLE_BYTES = 256 * 1024;
// Of a compressed file: the decompressed bytes read at most.
const int64_t DECOMPRESSED_SAMPLE_BYTES = 4 * 1024 * 1024;

class FileSample {
 public:
  // Reads the sample of a regular file. False with a message when it cannot be read,
  // is no regular file (a pipe cannot be sampled in the middle and at the end), or is
  // compressed and its start does not decompress.
  bool load(const std::string& path, std::string* error);
  // Takes the sample of size bytes at data, which stay the caller's; false with a
  // message as load gives one.
  bool loadMemory(const unsigned char* data, size_t size, std::string* error);

  // The size of the file (or bytes) as stored, compressed or not.
  int64_t fileSize() const { return fileSize_; }
  // The size of the data whose records are framed: the file's, or its decompressed
  // size; -1 where it is unknown (a compressed file sampled at its start).
  int64_t dataSize() const { return dataSize_; }
  CCBCompression compression() const { return compression_; }
  // Why decompression stopped before the sample was full (cut or damaged data); empty
  // where it did not.
  const std::string& decompressionStop() const { return stop_; }
  // Whether the sample is all the data: its start piece then holds every byte.
  bool whole() const { return whole_; }
  // The pieces in file order; the first starts at offset 0.
  const std::vector<SamplePiece>& pieces() const { return pieces_; }
  const SamplePiece& start() const { return pieces_.front(); }

 private:
  // Where each piece starts and how long it is, for a file of fileSize_ bytes.
  std::vector<std::pair<int64_t, int64_t>> plan() const;
  // Takes the decompressed start of the data the reader has open as the sample.
  bool loadDecompressed(CCBRecordReader* reader, const std::string& name, std::string* error);

  int64_t fileSize_ = 0;
  int64_t dataSize_ = 0;
  CCBCompression compression_ = CCB_COMPRESSION_NONE;
  bool whole_ = true;
  std::string stop_;
  std::vector<SamplePiece> pieces_ = std::vector<SamplePiece>(1);
};

#endif  // LYRA_TOOLS_FILE_SAMPLE_H_
