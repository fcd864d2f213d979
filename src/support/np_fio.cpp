#include "support/np_fio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int np_fio_open(const char* name, int mode, NpFioHandle* handle) {
  if (name == nullptr || handle == nullptr || mode != NP_FIO_READ_BINARY) return EINVAL;
  const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return EISDIR;
  }
  *handle = fd;
  return 0;
}

const char* np_fio_errdesc(int code) {
  return std::strerror(code);
}

int np_fio_getb(NpFioHandle handle, void* dest, int count) {
  char* out = static_cast<char*>(dest);
  int total = 0;
  while (total < count) {
    const ssize_t n = ::read(handle, out + total, static_cast<size_t>(count - total));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    total += static_cast<int>(n);
  }
  return total;
}

int64_t np_fio_size(NpFioHandle handle) {
  struct stat st;
  if (::fstat(handle, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

int np_fio_seek(NpFioHandle handle, int64_t offset) {
  return ::lseek(handle, static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
}

void np_fio_close(NpFioHandle handle) {
  ::close(handle);
}

int np_fio_stat64(const char* name, NpFioStat64* info) {
  std::memset(info, 0, sizeof *info);
  struct stat st;
  if (name == nullptr || ::stat(name, &st) != 0) return name == nullptr ? EINVAL : errno;
  info->device = static_cast<int64_t>(st.st_dev);
  info->inode = static_cast<int64_t>(st.st_ino);
  info->size = static_cast<int64_t>(st.st_size);
  info->modified = static_cast<int64_t>(st.st_mtime);
  return 0;
}
