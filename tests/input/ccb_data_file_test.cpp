#include "input/ccb_data_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>

#include "test_util.h"

namespace {

const char* const EOF_IN_DATA = "error: Reached EOF on data file while reading data";

// count records, each its number ("00000042") then byte values: a lost or moved byte shows.
std::string makeRecords(int count, int length) {
  std::string out;
  for (int i = 0; i < count; ++i)
    for (int k = 0; k < length; ++k)
      out += k < 8 ? std::to_string(100000000 + i)[k + 1] : static_cast<char>((i + k) % 256);
  return out;
}

// The n bytes at position, or "error: " and the message; a MiB or more has no destination.
std::string readText(CCBDataFile& file, int position, int n, int* end) {
  std::string bytes(n > 0 && n < (1 << 20) ? n : 0, '\0');
  auto* dest = reinterpret_cast<unsigned char*>(bytes.empty() ? nullptr : &bytes[0]);
  if (file.read(position, n, dest, end)) return bytes;
  return std::string("error: ") + file.getErrorMessage().asCstr();
}

// The windows of shorter records are proven with the reads below.
TEST(CCBDataFileTest, TheLongestRecordsGetTheLargestWindow) {
  EXPECT_EQ(MAX_WINDOW_CAPACITY, CCBDataFile(INT_MAX).capacity());  // clamped, not overflowed
  // A larger smallest window, as the readers ask for, unless records need more.
  EXPECT_EQ(READER_WINDOW_CAPACITY, CCBDataFile(100, READER_WINDOW_CAPACITY).capacity());
  EXPECT_EQ(200000, CCBDataFile(100000, READER_WINDOW_CAPACITY).capacity());
}

// One request on a fresh file of 1000 records of 100 bytes and one of 40, or on an empty one.
TEST(CCBDataFileTest, ReadsOrRefusesARequest) {
  const std::tuple<int, int, int, int, const char*> cases[] = {
      // file size, position, count, capacity after; the message, null when it succeeds
      {0, 0, 0, 4096, nullptr},                                       // a count of 0 needs no byte
      {0, 0, 1, 4096, EOF_IN_DATA},                                   // empty file
      {100040, 0, 4095, 4096, nullptr},                               // fits with the spare byte
      {100040, 0, 4096, 8192, nullptr},                               // ends at the window's end
      {100040, 0, 70000, 131072, nullptr},                            // 4096 doubled five times
      {100040, 100000, 100, 131072, EOF_IN_DATA},                     // the last record cut short
      {100040, 0, INT_MAX, 4096, "error: Buffer Allocation failed"},  //
      {100040, INT_MAX - 10, 100, 4096, "error: Buffer Allocation failed"},  // ends past 32 bits
      {100040, -1, 4, 4096, "error: Invalid read position"},                 //
      {100040, 10, -1, 4096, "error: Invalid read position"},                //
  };
  test_support::TempDir dir;
  const std::string data = makeRecords(1001, 100);
  for (const auto& [size, position, n, capacity, error] : cases) {
    SCOPED_TRACE(testing::Message() << size << " " << position << " " << n);
    CCBDataFile file(100);
    ASSERT_TRUE(file.open(dir.write("d", data.substr(0, size)).c_str()));
    int end = -7;  // stays when the request fails
    const std::string got = readText(file, position, n, &end);
    EXPECT_TRUE(got == (error ? error : data.substr(position, n))) << got.substr(0, 80);
    EXPECT_EQ(error ? -7 : position + n, end);
    EXPECT_EQ(capacity, file.capacity());
  }
}

// Records read in two pieces: every byte once and in order, no error at the end, a fixed window.
TEST(CCBDataFileTest, DeliversEveryRecordInOrderThroughABoundedWindow) {
  const int CASES[][4] = {
      // the record length the window is made for, the records' length, count, capacity
      {100, 100, 5, 4096},       // a file smaller than the window
      {105, 105, 39, 4096},      // 4095 bytes: ends exactly where the first block read does
      {37, 37, 10000, 4096},     // 370,000 bytes through a 4096-byte window
      {50, 37, 10000, 4096},     // records shorter than the longest expected
      {4095, 4095, 300, 4096},   // one record per block read
      {4096, 3000, 400, 8192},   //
      {5000, 5000, 300, 10000},  //
  };
  test_support::TempDir dir;
  for (const auto& c : CASES) {
    SCOPED_TRACE(testing::Message() << c[0] << " " << c[1]);
    const std::string content = makeRecords(c[2], c[1]);
    CCBDataFile file(c[0]);
    ASSERT_TRUE(file.open(dir.write("d", content).c_str()));
    int position = 0, records = 0;
    std::string got;
    do {
      ASSERT_LE(++records, c[2]);
      got += readText(file, position, 8, &position);
      got += readText(file, position, c[1] - 8, &position);
      ASSERT_EQ(c[3], file.capacity());
    } while (file.nextRecord(position));
    EXPECT_TRUE(got == content) << "the bytes read differ from the file";
    EXPECT_TRUE(file.getErrorMessage().isNull());
    EXPECT_FALSE(file.nextRecord(++position));  // past the bytes in the window
    EXPECT_EQ("Invalid read position", file.getErrorMessage().str());
  }
}

// A small start stays in the window, a large one is passed without growing it (sought
// over in a file, read through in a pipe); one at or past the end leaves nothing.
TEST(CCBDataFileTest, SkipsAStartWithoutHoldingIt) {
  const std::tuple<int64_t, int, bool, const char*> cases[] = {
      // start, where skip puts it, through a pipe; what 100 bytes read give (null: records)
      {0, 0, false, nullptr},
      {2047, 2047, false, nullptr},  // within half the window
      {2048, 0, false, nullptr},
      {(1LL << 31) + 5, 0, false, nullptr},  // sought over, past 32 bits
      {3 << 20, 0, true, nullptr},
      {5000, 0, true, nullptr},          // read through
      {1 << 20, 0, false, EOF_IN_DATA},  // past the end
  };
  test_support::TempDir dir;
  const std::string records = makeRecords(10, 100);
  for (const auto& [start, skipped, pipe, error] : cases) {
    SCOPED_TRACE(testing::Message() << start << (pipe ? " pipe" : ""));
    const bool past = error != nullptr;  // an empty file
    std::string path = dir.path("d");    // the records after start zero bytes, a hole if possible
    std::ofstream(path, std::ios::binary).seekp(past ? 0 : start) << (past ? "" : records);
    std::thread writer;
    if (pipe) {
      const std::string fifo = dir.path("fifo");
      ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
      writer = std::thread(
          [fifo, path] { std::ofstream(fifo, std::ios::binary) << test_support::readFile(path); });
      path = fifo;
    }
    CCBDataFile file(100);
    ASSERT_TRUE(file.open(path.c_str()));
    int position = -1;
    EXPECT_TRUE(file.skip(start, &position));
    EXPECT_EQ(skipped, position);
    EXPECT_EQ(error ? error : records.substr(0, 100), readText(file, position, 100, &position));
    EXPECT_EQ(4096, file.capacity());
    file.close();
    if (writer.joinable()) writer.join();
    unlink(path.c_str());
  }
}

// Past a record end, a padded read gives the record's bytes, then the pad byte given at
// open (UTF-16 blanks, 00 20, for national text); an unpadded one fails and says why.
TEST(CCBDataFileTest, PadsReadsPastTheRecordEnd) {
  const std::string data = "ABCDEFGH";
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const std::tuple<unsigned char, bool, std::string> cases[] = {
      // pad byte, national, the 6 bytes from position 2 with the record ending at 4
      {0x40, false, "CD\x40\x40\x40\x40"},  // an EBCDIC blank
      {' ', false, "CD    "},
      {0x40, true, std::string("CD\0 \0 ", 6)},
  };
  for (const auto& [padByte, national, want] : cases) {
    SCOPED_TRACE(want);
    CCBDataFile file(8);
    ASSERT_TRUE(file.openMemory(bytes, static_cast<int64_t>(data.size()), padByte));
    file.setRecordEnd(4, true);
    int end = 0;
    const unsigned char* got = file.view(2, 6, &end, national);
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(want, std::string(reinterpret_cast<const char*>(got), 6));
    EXPECT_EQ(8, end);
    file.setRecordEnd(4, false);
    EXPECT_EQ(nullptr, file.view(2, 6, &end, national));
    EXPECT_TRUE(file.pastRecordEnd());
    EXPECT_EQ("Field reaches past the end of its record", file.getErrorMessage().str());
  }
}

// A folder cannot be opened, and the file open before is closed: nothing is read.
TEST(CCBDataFileTest, ReadsNothingWithoutAnOpenFile) {
  test_support::TempDir dir;
  CCBDataFile file(100);
  ASSERT_TRUE(file.open(dir.write("d", makeRecords(3, 100)).c_str()));
  ASSERT_TRUE(file.read(0, 150, nullptr, nullptr));
  EXPECT_FALSE(file.open(dir.path("").c_str()));
  EXPECT_EQ("Is a directory", file.getErrorMessage().str());
  int position = 0;
  EXPECT_EQ("error: Data file is not open", readText(file, 0, 0, &position));
  EXPECT_FALSE(file.nextRecord(position));
  EXPECT_EQ("Data file is not open", file.getErrorMessage().str());
}

}  // namespace
