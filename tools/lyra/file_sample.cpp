#include "file_sample.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const int SAMPLED_QUARTERS = 3;  // pieces in the middle: at 1/4, 2/4 and 3/4

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
  fileSize_ = info.st_size;
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
  return true;
}

void FileSample::loadMemory(const unsigned char* data, size_t size) {
  fileSize_ = static_cast<int64_t>(size);
  pieces_.clear();
  for (const auto& [offset, length] : plan()) {
    pieces_.emplace_back();
    pieces_.back().offset = offset;
    pieces_.back().bytes.assign(reinterpret_cast<const char*>(data) + offset,
                                static_cast<size_t>(length));
  }
}
