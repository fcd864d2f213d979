#include "read_offset_probe.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

const int MAX_DESCRIPTOR_SCANNED = 4096;

}  // namespace

ReadOffsetProbe::ReadOffsetProbe(const std::string& dataFile) {
  struct stat file;
  if (stat(dataFile.c_str(), &file) != 0) return;
  for (int fd = 0; fd < MAX_DESCRIPTOR_SCANNED; ++fd) {
    struct stat open;
    if (fstat(fd, &open) == 0 && open.st_dev == file.st_dev && open.st_ino == file.st_ino) {
      descriptor_ = fd;
      return;
    }
  }
}

long long ReadOffsetProbe::offset() const {
  if (descriptor_ < 0) return -1;
  return static_cast<long long>(lseek(descriptor_, 0, SEEK_CUR));
}
