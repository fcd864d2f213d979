#include "support/qvb_txt_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

const int TAB_WIDTH = 8;
const size_t BLOCK_SIZE = 64 * 1024;  // bytes read from a file at a time, at most
const size_t LINE_RESERVED = 256;     // room made at once for a line, enough for most

QvbString openFailure(const char* name, int code) {
  return qvbStringFormat("Cannot open file '%s': %s", name == nullptr ? "" : name,
                         std::strerror(code));
}

// How many characters from p on, at most room of them and none past stop, are
// neither a tab nor a '\r': those are copied as they stand.
size_t plainRun(const char* p, const char* stop, size_t room) {
  const size_t n = std::min(static_cast<size_t>(stop - p), room);
  const void* tab = std::memchr(p, '\t', n);
  const void* ret = std::memchr(p, '\r', tab != nullptr ? static_cast<const char*>(tab) - p : n);
  const char* end = ret != nullptr   ? static_cast<const char*>(ret)
                    : tab != nullptr ? static_cast<const char*>(tab)
                                     : p + n;
  return static_cast<size_t>(end - p);
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
  const bool known = file != nullptr && fstat(fileno(file), &st) == 0;
  if (known && S_ISDIR(st.st_mode)) {
    std::fclose(file);
    file = nullptr;
    code = EISDIR;
  }
  if (file == nullptr) {
    if (reason != nullptr) *reason = openFailure(name, code);
    return nullptr;
  }
  // A file smaller than a block is read into a block of its own size.
  const bool small = known && S_ISREG(st.st_mode) && st.st_size < static_cast<off_t>(BLOCK_SIZE);
  const size_t block = small ? std::max<size_t>(static_cast<size_t>(st.st_size), 1) : BLOCK_SIZE;
  return new QvbTxtFile(file, block, nullptr, 0);
}

QvbTxtFile* qvbTxtFileOpenMemory(const char* data, size_t size) {
  return new QvbTxtFile(nullptr, 0, data, data == nullptr ? 0 : size);
}

QvbTxtFile::QvbTxtFile(std::FILE* file, size_t blockSize, const char* data, size_t size)
    : file_(file),
      blockSize_(blockSize),
      block_(file != nullptr ? new char[blockSize] : nullptr),
      next_(data),
      end_(data + size) {
  line_.reserve(LINE_RESERVED);
}

QvbTxtFile::~QvbTxtFile() {
  if (file_ != nullptr) std::fclose(file_);
  delete[] block_;
}

void QvbTxtFile::close() {
  delete this;
}

int QvbTxtFile::readLine(int maxLength, const char** line, bool* lineFlag) {
  *lineFlag = false;
  line_.clear();
  *line = line_.c_str();
  if (failed_) return 0;
  const size_t limit = maxLength < 0 ? 0 : static_cast<size_t>(maxLength);
  bool started = false;  // a byte of this line was read
  bool ended = false;    // its line end was read
  while (!ended) {
    if (next_ == end_ && !refill()) {
      if (failed_) return -1;
      if (!started) return 0;
      break;  // a last line without a line end
    }
    started = true;
    const char* lineEnd = static_cast<const char*>(std::memchr(next_, '\n', end_ - next_));
    const char* stop = lineEnd != nullptr ? lineEnd : end_;
    // Text never holds a zero byte: stop at the first, however long the line goes on.
    if (std::memchr(next_, '\0', stop - next_) != nullptr) {
      *lineFlag = true;
      return fail(QvbString("File holds a zero byte: it is not a text file"));
    }
    // Past the length asked for, the rest of the line is only looked through.
    for (const char* p = next_; p < stop && (line_.size() < limit || pendingReturn_);) {
      const size_t plain = pendingReturn_ ? 0 : plainRun(p, stop, limit - line_.size());
      line_.append(p, plain);
      p += plain;
      if (plain == 0) appendChar(*p++, limit);
    }
    ended = lineEnd != nullptr;
    next_ = ended ? lineEnd + 1 : end_;
  }
  pendingReturn_ = false;  // a '\r' before the line end belongs to it
  *lineFlag = true;
  *line = line_.c_str();
  return static_cast<int>(line_.size());
}

bool QvbTxtFile::refill() {
  if (file_ == nullptr) return false;
  errno = 0;
  const size_t n = std::fread(block_, 1, blockSize_, file_);
  if (n == 0) {
    if (std::ferror(file_)) {
      fail(qvbStringFormat("Error reading file: %s", std::strerror(errno != 0 ? errno : EIO)));
    }
    return false;
  }
  next_ = block_;
  end_ = block_ + n;
  return true;
}

// A '\r' is held back until the next character shows that it does not end the line.
void QvbTxtFile::appendChar(char c, size_t limit) {
  if (pendingReturn_) {
    pendingReturn_ = false;
    if (line_.size() < limit) line_.push_back('\r');
  }
  if (c == '\r') {
    pendingReturn_ = true;
  } else if (line_.size() >= limit) {
    return;
  } else if (c != '\t') {
    line_.push_back(c);
  } else {
    do {
      line_.push_back(' ');
    } while (line_.size() % TAB_WIDTH != 0 && line_.size() < limit);
  }
}

int QvbTxtFile::fail(const QvbString& message) {
  failed_ = true;
  error_ = message;
  return -1;
}
