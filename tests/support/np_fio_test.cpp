#include "support/np_fio.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace {

TEST(NpFioTest, ReadsInBlocksAndReportsShortReadAtEnd) {
  test_support::TempDir dir;
  const std::string path = dir.write("data.bin", std::string("0123456789"));
  NpFioHandle handle = -1;
  ASSERT_EQ(0, np_fio_open(path.c_str(), NP_FIO_READ_BINARY, &handle));
  char buffer[16] = {};
  EXPECT_EQ(4, np_fio_getb(handle, buffer, 4));
  EXPECT_EQ("0123", std::string(buffer, 4));
  EXPECT_EQ(6, np_fio_getb(handle, buffer, 16));  // fewer than asked: the end
  EXPECT_EQ("456789", std::string(buffer, 6));
  EXPECT_EQ(0, np_fio_getb(handle, buffer, 16));
  np_fio_close(handle);
}

TEST(NpFioTest, OpenErrorsHaveMessages) {
  test_support::TempDir dir;
  NpFioHandle handle = -1;
  const int code = np_fio_open(dir.path("none.dat").c_str(), NP_FIO_READ_BINARY, &handle);
  EXPECT_NE(0, code);
  EXPECT_STREQ("No such file or directory", np_fio_errdesc(code));
  EXPECT_STREQ("Is a directory",
               np_fio_errdesc(np_fio_open(dir.path("").c_str(), NP_FIO_READ_BINARY, &handle)));
  EXPECT_NE(0, np_fio_open(dir.write("x", "x").c_str(), 1, &handle));  // only mode 9
}

TEST(NpFioTest, StatGivesTheSizeAtOffset16) {
  test_support::TempDir dir;
  const std::string path = dir.write("sized.bin", std::string(1234, 'z'));
  NpFioStat64 info;
  EXPECT_EQ(0, np_fio_stat64(path.c_str(), &info));
  EXPECT_EQ(1234, info.size);
  int64_t atOffset16 = 0;
  memcpy(&atOffset16, reinterpret_cast<const char*>(&info) + 16, sizeof atOffset16);
  EXPECT_EQ(1234, atOffset16);
  EXPECT_NE(0, np_fio_stat64(dir.path("none").c_str(), &info));
  EXPECT_EQ(0, info.size);
}

}  // namespace
