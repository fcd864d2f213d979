#include "support/qvb_txt_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

const int TAB_WIDTH = 8;

QvbString openFailure(const char* name, int code) {
  return qvbStringFormat("Cannot open file '%s': %s", name == nullptr ? "" : name,
                         std::strerror(code));
}

}  // namespace

QvbTxtFile* qvbTxtFileOpen(const char* name, QvbTxtFileOpenMode mode, int, int, QvbString* reason) {
  int code = EINVAL;
  std::FILE* file = nullptr;
  if (name != nullptr && mode == QVB_TXT_FILE_READ) {
    file = std::fopen(name, "rb");
    code = errno;
  }
  struct stat st;
  if (file != nullptr && fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(file);
    file = nullptr;
    code = EISDIR;
  }
  if (file == nullptr) {
    if (reason != nullptr) *reason = openFailure(name, code);
    return nullptr;
  }
  return new QvbTxtFile(file);
}

QvbTxtFile::~QvbTxtFile() {
  if (file_ != nullptr) std::fclose(file_);
  std::free(raw_);
}

void QvbTxtFile::close() {
  delete this;
}

int QvbTxtFile::readLine(int maxLength, const char** line, bool* lineFlag) {
  *lineFlag = false;
  line_.clear();
  *line = line_.c_str();
  if (failed_) return 0;
  errno = 0;
  const ssize_t n = getline(&raw_, &rawCapacity_, file_);
  if (n < 0) {
    if (!std::ferror(file_)) return 0;
    failed_ = true;
    error_ = qvbStringFormat("Error reading file: %s", std::strerror(errno != 0 ? errno : EIO));
    return -1;
  }
  size_t length = static_cast<size_t>(n);
  if (length > 0 && raw_[length - 1] == '\n') --length;
  if (length > 0 && raw_[length - 1] == '\r') --length;
  expandLine(raw_, length, maxLength);
  *line = line_.c_str();
  *lineFlag = true;
  return static_cast<int>(line_.size());
}

void QvbTxtFile::expandLine(const char* raw, size_t length, int maxLength) {
  const size_t limit = maxLength < 0 ? 0 : static_cast<size_t>(maxLength);
  for (size_t i = 0; i < length && line_.size() < limit; ++i) {
    if (raw[i] != '\t') {
      line_.push_back(raw[i]);
      continue;
    }
    do {
      line_.push_back(' ');
    } while (line_.size() % TAB_WIDTH != 0 && line_.size() < limit);
  }
}
