#include "input/ccb_output_target.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

namespace {

const size_t BUFFER_SIZE = 1 << 20;
const char TEMPORARY_PREFIX[] = "/.lyra-";
const int NAME_LETTERS = 6;
const int NAME_ATTEMPTS = 100;
const unsigned CREATE_MODE = 0666;  // less the umask, as any new file
const unsigned PERMISSION_BITS = 07777;
// An unnamed file is named through its descriptor's link here, which needs no privilege.
const char DESCRIPTOR_LINKS[] = "/proc/self/fd/";

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == 0) return "/";
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Where an existing file's links lead: that file is replaced, the links stay.
std::string resolved(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  const std::string result(real);
  free(real);
  return result;
}

std::string randomName(const std::string& folder, std::mt19937_64* random) {
  static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string name = folder + TEMPORARY_PREFIX;
  for (int i = 0; i < NAME_LETTERS; ++i) name += LETTERS[(*random)() % (sizeof LETTERS - 1)];
  return name;
}

std::string failure(const char* what, const std::string& name, int code) {
  return std::string("cannot ") + what + " " + name + ": " +
         (code != 0 ? std::strerror(code) : "write error");
}

}  // namespace

CCBOutputTarget::~CCBOutputTarget() {
  abandon();
}

void CCBOutputTarget::reset() {
  abandon();
  kind_ = KIND_NONE;
  failed_ = false;
  error_.clear();
  used_ = 0;
  written_ = 0;
  memory_ = nullptr;
  memoryLength_ = 0;
}

bool CCBOutputTarget::openFile(const std::string& path, std::string* error) {
  reset();
  path_ = path;
  struct stat info;
  const bool exists = stat(path.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    descriptor_ = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor_ < 0) {
      *error = failure("create", path, errno);
      return false;
    }
  } else {
    target_ = exists ? resolved(path) : path;
    folder_ = folderOf(target_);
    const unsigned mode = exists ? info.st_mode & PERMISSION_BITS : CREATE_MODE;
    if (!createTemporary(folder_, mode) || (exists && fchmod(descriptor_, mode) != 0)) {
      *error = failure("create", path, errno);
      abandon();
      return false;
    }
  }
  ownsDescriptor_ = true;
  kind_ = KIND_FILE;
  buffer_.resize(BUFFER_SIZE);
  open_ = true;
  return true;
}

// An unnamed file in folder where the system makes one, else a named one; false with
// errno set when neither can be made.
bool CCBOutputTarget::createTemporary(const std::string& folder, unsigned mode) {
  if (access(DESCRIPTOR_LINKS, X_OK) == 0) {
    descriptor_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    unnamed_ = descriptor_ >= 0;
    if (unnamed_) return true;
  }
  std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
    const std::string name = randomName(folder, &random);
    descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor_ >= 0) {
      temporary_ = name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool CCBOutputTarget::openDescriptor(int descriptor, std::string* error) {
  reset();
  if (descriptor < 0) {
    *error = "cannot write to descriptor " + std::to_string(descriptor);
    return false;
  }
  descriptor_ = descriptor;
  ownsDescriptor_ = false;
  path_ = "descriptor " + std::to_string(descriptor);
  kind_ = KIND_DESCRIPTOR;
  buffer_.resize(BUFFER_SIZE);
  open_ = true;
  return true;
}

void CCBOutputTarget::openMemory(unsigned char* buffer, size_t length) {
  reset();
  memory_ = buffer;
  memoryLength_ = length;
  buffer_.clear();
  kind_ = KIND_MEMORY;
  open_ = true;
}

bool CCBOutputTarget::writeSlow(const unsigned char* bytes, size_t length) {
  if (failed_ || !open_) {
    if (error_.empty()) error_ = "The output is not open";
    failed_ = true;
    return false;
  }
  if (kind_ == KIND_MEMORY) {
    if (length > memoryLength_ - used_) {
      error_ = "The memory buffer of " + std::to_string(memoryLength_) + " bytes is full";
      failed_ = true;
      return false;
    }
    if (length > 0) std::memcpy(memory_ + used_, bytes, length);
    used_ += length;
    return true;
  }
  if (!flush()) return false;
  if (length >= buffer_.size()) return writeOut(bytes, length);
  std::memcpy(buffer_.data(), bytes, length);
  used_ = length;
  return true;
}

bool CCBOutputTarget::flush() {
  if (kind_ == KIND_MEMORY || used_ == 0) return !failed_;
  const bool written = writeOut(buffer_.data(), used_);
  used_ = 0;
  return written;
}

bool CCBOutputTarget::writeOut(const unsigned char* bytes, size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(descriptor_, bytes, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = failure("write", path_, n < 0 ? errno : 0);
      failed_ = true;
      return false;
    }
    bytes += n;
    length -= static_cast<size_t>(n);
    written_ += n;
  }
  return true;
}

// Gives the unnamed file a name of its own in its folder; false with errno set.
bool CCBOutputTarget::nameTemporary() {
  const std::string link = DESCRIPTOR_LINKS + std::to_string(descriptor_);
  std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
    const std::string name = randomName(folder_, &random);
    if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporary_ = name;
      unnamed_ = false;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool CCBOutputTarget::finish(std::string* error) {
  if (!open_) {
    *error = "The output is not open";
    return false;
  }
  bool done = flush();
  const bool temporary = unnamed_ || !temporary_.empty();
  if (done && unnamed_ && !nameTemporary()) {
    error_ = failure("write", path_, errno);
    done = false;
  }
  if (ownsDescriptor_ && descriptor_ >= 0) {
    if (::close(descriptor_) != 0 && done) {
      error_ = failure("write", path_, errno);
      done = false;
    }
    descriptor_ = -1;
  }
  if (done && temporary && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    error_ = failure("write", path_, errno);
    done = false;
  }
  if (done) temporary_.clear();  // in place now
  if (!done) *error = error_;
  abandon();
  return done;
}

void CCBOutputTarget::abandon() {
  if (ownsDescriptor_ && descriptor_ >= 0) ::close(descriptor_);
  if (!temporary_.empty()) unlink(temporary_.c_str());
  descriptor_ = -1;
  ownsDescriptor_ = false;
  temporary_.clear();
  unnamed_ = false;
  open_ = false;
}
