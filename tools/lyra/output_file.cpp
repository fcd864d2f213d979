#include "output_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char TEMPORARY_NAME[] = "/.lyra-XXXXXX";  // in the folder of the output
const mode_t PERMISSION_BITS = 07777;
const mode_t CREATE_MODE = 0666;  // what a plain create asks for

// The umask can only be read by setting it, so it is set back at once.
mode_t newFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return CREATE_MODE & ~mask;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
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

}  // namespace

OutputFile::~OutputFile() {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
  if (!temporary_.empty()) unlink(temporary_.c_str());
}

bool OutputFile::open(std::string* error) {
  if (path_.empty()) {
    file_ = stdout;
    return true;
  }
  struct stat info;
  const bool exists = stat(path_.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) return openDirectly(error);
  target_ = exists ? resolved(path_) : path_;
  temporary_ = folderOf(target_) + TEMPORARY_NAME;
  const int fd = mkstemp(&temporary_[0]);
  const mode_t mode = exists ? info.st_mode & PERMISSION_BITS : newFileMode();
  if (fd >= 0 && fchmod(fd, mode) == 0) file_ = fdopen(fd, "wb");
  if (file_ != nullptr) return true;
  const int code = errno;
  if (fd >= 0) {
    close(fd);
    unlink(temporary_.c_str());
  }
  temporary_.clear();
  *error = "cannot create " + path_ + ": " + std::strerror(code);
  return false;
}

bool OutputFile::openDirectly(std::string* error) {
  file_ = std::fopen(path_.c_str(), "wb");
  if (file_ != nullptr) return true;
  *error = "cannot create " + path_ + ": " + std::strerror(errno);
  return false;
}

bool OutputFile::failed() {
  if (!std::ferror(file_)) return false;
  if (writeError_ == 0) writeError_ = errno;
  return true;
}

bool OutputFile::commit(std::string* error) {
  errno = 0;
  bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  int code = writeError_ != 0 ? writeError_ : errno;
  if (file_ != stdout && std::fclose(file_) != 0 && written) {
    written = false;
    code = errno;
  }
  file_ = nullptr;
  if (written && !temporary_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    written = false;
    code = errno;
  }
  if (!written && !temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  if (!written) *error = writeFailure(name(), code);
  return written;
}

std::string writeFailure(const std::string& name, int code) {
  if (code == EPIPE) return std::string();
  return "cannot write " + name + ": " + (code != 0 ? std::strerror(code) : "write error");
}

bool isSameFile(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string overwrittenInput(const char* option, const std::string& output,
                             const std::string& input) {
  return std::string(option) + " '" + output + "' would overwrite the input file '" + input + "'";
}
