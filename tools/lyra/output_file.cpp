#include "output_file.h"

#include <cerrno>
#include <cstring>

OutputFile::OutputFile(const std::string& path)
    : name_(path.empty() ? "standard output" : path),
      file_(path.empty() ? stdout : std::fopen(path.c_str(), "wb")),
      openError_(file_ == nullptr ? errno : 0) {}

OutputFile::~OutputFile() {
  std::string ignored;
  close(&ignored);
}

bool OutputFile::failed() {
  if (!std::ferror(file_)) return false;
  if (writeError_ == 0) writeError_ = errno;
  return true;
}

bool OutputFile::close(std::string* error) {
  if (file_ == nullptr) {
    if (openError_ == 0) return true;
    *error = "cannot create " + name_ + ": " + std::strerror(openError_);
    openError_ = 0;
    return false;
  }
  errno = 0;
  bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  int code = writeError_ != 0 ? writeError_ : errno;
  if (file_ != stdout && std::fclose(file_) != 0 && written) {
    written = false;
    code = errno;
  }
  file_ = nullptr;
  if (!written) *error = writeFailure(name_, code);
  return written;
}

std::string writeFailure(const std::string& name, int code) {
  if (code == EPIPE) return std::string();
  return "cannot write " + name + ": " + (code != 0 ? std::strerror(code) : "write error");
}
