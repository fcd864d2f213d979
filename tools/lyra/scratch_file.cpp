#include "scratch_file.h"

#include <stdlib.h>
#include <unistd.h>

ScratchFile::ScratchFile(const std::string& content) {
  const char* dir = getenv("TMPDIR");
  path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/lyra_XXXXXX";
  const int fd = mkstemp(&path_[0]);
  if (fd < 0) {
    path_.clear();
    return;
  }
  const bool written =
      write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  close(fd);
  if (!written) {
    unlink(path_.c_str());
    path_.clear();
  }
}

ScratchFile::~ScratchFile() {
  if (!path_.empty()) unlink(path_.c_str());
}
