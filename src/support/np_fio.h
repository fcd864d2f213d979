// Binary file access over POSIX descriptors with 64-bit sizes. A handle belongs to
// the caller from np_fio_open until np_fio_close.
#ifndef LYRA_SUPPORT_NP_FIO_H_
#define LYRA_SUPPORT_NP_FIO_H_

#include <cstdint>

typedef int NpFioHandle;

const int NP_FIO_READ_BINARY = 9;  // the open mode for reading a file as bytes

// What np_fio_stat64 reports of a file: 32 bytes, the size at byte 16.
struct NpFioStat64 {
  int64_t device;
  int64_t inode;
  int64_t size;
  int64_t modified;  // seconds since the epoch
};
static_assert(sizeof(NpFioStat64) == 32, "the information record is 32 bytes");

// Opens name for reading; 0 with *handle set on success, otherwise an error code
// (an errno value) for np_fio_errdesc. Only NP_FIO_READ_BINARY is a valid mode.
int np_fio_open(const char* name, int mode, NpFioHandle* handle);

// The message text for an error code of np_fio_open.
const char* np_fio_errdesc(int code);

// Reads up to count bytes into dest; returns the number read, fewer than count only
// at the end of the file, or -1 on a read error.
int np_fio_getb(NpFioHandle handle, void* dest, int count);

// The size of the regular file open on handle; -1 for any other kind of input.
int64_t np_fio_size(NpFioHandle handle);

// Moves the read position to offset bytes from the start; 0, or an error code
// (ESPIPE for input that cannot seek, such as a pipe).
int np_fio_seek(NpFioHandle handle, int64_t offset);

void np_fio_close(NpFioHandle handle);

// Fills *info for the named file; returns 0, or an error code with *info zeroed.
int np_fio_stat64(const char* name, NpFioStat64* info);

#endif  // LYRA_SUPPORT_NP_FIO_H_
