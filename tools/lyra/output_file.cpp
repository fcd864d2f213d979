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

bool OutputFile::close(std::string* error) {
  if (file_ == nullptr) {
    if (openError_ == 0) return true;
    *error = "cannot create " + name_ + ": " + std::strerror(openError_);
    openError_ = 0;
    return false;
  }
  errno = 0;
  bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  int code = errno;
  if (file_ != stdout && std::fclose(file_) != 0 && written) {
    written = false;
    code = errno;
  }
  file_ = nullptr;
  if (!written) {
    *error = "cannot write " + name_ + ": " + (code != 0 ? std::strerror(code) : "write error");
  }
  return written;
}
