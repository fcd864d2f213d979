#include "file_sample.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "layout_source.h"

namespace {

const int SAMPLED_QUARTERS = 3;  // pieces in the middle: at 1/4, 2/4 and 3/4
// Decompressed bytes are read as fixed records of CHUNK_BYTES of a layout of one byte:
// only their bytes are taken, none is decoded.
const int CHUNK_BYTES = 4096;
const char BYTE_LAYOUT[] = "       01  SAMPLE-BYTE PIC X.\n";

// Appends the bytes of the last chunk, which the data's end cuts short.
struct LastChunk : CCBBadRecordCallback {
  explicit LastChunk(std::string* bytes) : bytes_(bytes) {}
  void badRecord(int64_t, int64_t, const unsigned char* bytes, int length,
                 const QvbString&) override {
    bytes_->append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  }
  std::string* bytes_;
};

// A reader of chunks; null where one cannot be made.
RecordReaderPtr chunkReader() {
  RecordReaderPtr reader(createCCBRecordReader());
  if (reader == nullptr ||
      !reader->addCopybookText(BYTE_LAYOUT, sizeof BYTE_LAYOUT - 1, QvbString(""), true)) {
    return nullptr;
  }
  return reader;
}

CCBReadOptions chunkOptions() {
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  options.setRecordLength(CHUNK_BYTES);
  options.setMaxErrors(-1);
  return options;
}

// Reads length bytes at offset into *bytes; false with errno set on a failed read.
bool readAt(int descriptor, int64_t offset, int64_t length, std::string* bytes) {
  bytes->assign(static_cast<size_t>(length), '\0');
  int64_t done = 0;
  while (done < length) {
    const ssize_t got = pread(descriptor, &(*bytes)[static_cast<size_t>(done)],
                              static_cast<size_t>(length - done), offset + done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;  // the file shrank meanwhile
    done += got;
  }
  bytes->resize(static_cast<size_t>(done));
  return true;
}

}  // namespace

std::vector<std::pair<int64_t, int64_t>> FileSample::plan() const {
  if (fileSize_ <= WHOLE_SAMPLE_BYTES) return {{0, fileSize_}};
  std::vector<std::pair<int64_t, int64_t>> pieces = {{0, START_SAMPLE_BYTES}};
  for (int quarter = 1; quarter <= SAMPLED_QUARTERS; ++quarter) {
    pieces.emplace_back(fileSize_ / (SAMPLED_QUARTERS + 1) * quarter, OTHER_SAMPLE_BYTES);
  }
  pieces.emplace_back(fileSize_ - OTHER_SAMPLE_BYTES, OTHER_SAMPLE_BYTES);
  return pieces;
}

bool FileSample::load(const std::string& path, std::string* error) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat info;
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = path + ": not a regular file: a sample is read at its start, middle and end";
    close(descriptor);
    return false;
  }
  fileSize_ = dataSize_ = info.st_size;
  RecordReaderPtr reader = chunkReader();
  if (reader != nullptr && reader->openData(QvbString(path.c_str()), chunkOptions()) &&
      reader->getCompression() != CCB_COMPRESSION_NONE) {
    close(descriptor);
    return loadDecompressed(reader.get(), path, error);
  }
  pieces_.clear();
  for (const auto& [offset, length] : plan()) {
    pieces_.emplace_back();
    pieces_.back().offset = offset;
    if (!readAt(descriptor, offset, length, &pieces_.back().bytes)) {
      *error = path + ": " + std::strerror(errno);
      close(descriptor);
      return false;
    }
  }
  close(descriptor);
  whole_ = pieces_.size() == 1;
  return true;
}

bool FileSample::loadMemory(const unsigned char* data, size_t size, std::string* error) {
  fileSize_ = dataSize_ = static_cast<int64_t>(size);
  RecordReaderPtr reader = chunkReader();
  if (reader != nullptr && reader->openDataMemory(data, size, chunkOptions()) &&
      reader->getCompression() != CCB_COMPRESSION_NONE) {
    return loadDecompressed(reader.get(), "the bytes given", error);
  }
  pieces_.clear();
  for (const auto& [offset, length] : plan()) {
    pieces_.emplace_back();
    pieces_.back().offset = offset;
    pieces_.back().bytes.assign(reinterpret_cast<const char*>(data) + offset,
                                static_cast<size_t>(length));
  }
  whole_ = pieces_.size() == 1;
  return true;
}

// Reads chunks while the sample holds no more than DECOMPRESSED_SAMPLE_BYTES: one past
// them tells that there is more. Data that stops decompressing after some bytes leaves
// them as a sample cut short.
bool FileSample::loadDecompressed(CCBRecordReader* reader, const std::string& name,
                                  std::string* error) {
  compression_ = reader->getCompression();
  pieces_.assign(1, SamplePiece());
  std::string& bytes = pieces_.front().bytes;
  LastChunk last(&bytes);
  reader->setBadRecordCallback(&last);
  bool failed = false;
  while (static_cast<int64_t>(bytes.size()) <= DECOMPRESSED_SAMPLE_BYTES &&
         reader->readNextRecord(failed)) {
    bytes.append(reinterpret_cast<const char*>(reader->getRecordBytes()),
                 static_cast<size_t>(reader->getRecordSize()));
  }
  reader->setBadRecordCallback(nullptr);
  whole_ = !failed && static_cast<int64_t>(bytes.size()) <= DECOMPRESSED_SAMPLE_BYTES;
  if (!whole_) bytes.resize(std::min(bytes.size(), static_cast<size_t>(DECOMPRESSED_SAMPLE_BYTES)));
  dataSize_ = whole_ ? static_cast<int64_t>(bytes.size()) : -1;
  if (failed) stop_ = messageText(reader->getErrorMessage());
  if (failed && bytes.empty()) {
    *error = name + ": " + stop_;
    return false;
  }
  return true;
}
