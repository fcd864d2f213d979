// FileSample is the part of a data file that `lyra diagnose` reads: the whole file
// when it is small, otherwise its start, three places in the middle and its end, so
// that what it reads and decodes stays bounded whatever the size of the file. It
// owns copies of the bytes it read.
#ifndef LYRA_TOOLS_FILE_SAMPLE_H_
#define LYRA_TOOLS_FILE_SAMPLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

class FileSample {
 public:
  // Reads the sample of a regular file. False with a message when it cannot be read
  // or is no regular file (a pipe cannot be sampled in the middle and at the end).
  bool load(const std::string& path, std::string* error);
  // Takes the sample of size bytes at data, which stay the caller's.
  void loadMemory(const unsigned char* data, size_t size);

  int64_t fileSize() const { return fileSize_; }
  // Whether the sample is the whole file: its start piece then holds every byte.
  bool whole() const { return pieces_.size() == 1; }
  // The pieces in file order; the first starts at offset 0.
  const std::vector<SamplePiece>& pieces() const { return pieces_; }
  const SamplePiece& start() const { return pieces_.front(); }

 private:
  // Where each piece starts and how long it is, for a file of fileSize_ bytes.
  std::vector<std::pair<int64_t, int64_t>> plan() const;

  int64_t fileSize_ = 0;
  std::vector<SamplePiece> pieces_ = std::vector<SamplePiece>(1);
};

#endif  // LYRA_TOOLS_FILE_SAMPLE_H_
