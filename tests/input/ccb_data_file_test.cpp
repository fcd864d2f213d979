#include "input/ccb_data_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

const char* const EOF_IN_DATA = "Reached EOF on data file while reading data";
const char* const ALLOCATION_FAILED = "Buffer Allocation failed";
const char* const INVALID_POSITION = "Invalid read position";
const char* const NOT_OPEN = "Data file is not open";

// Makes count records of the given length; each starts with its own number ("00000042")
// followed by bytes that run through all 256 values, so any lost, repeated or moved
// byte shows.
std::string makeRecords(int count, int length) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%08d", i);
    std::string record = std::string(number).substr(0, static_cast<size_t>(length));
    while (static_cast<int>(record.size()) < length) {
      record.push_back(static_cast<char>((i + record.size()) % 256));
    }
    out += record;
  }
  return out;
}

class CCBDataFileTest : public ::testing::Test {
 protected:
  // Writes content to a file and opens it.
  void openWith(CCBDataFile& file, const std::string& content) {
    const std::string path = dir_.write("data.bin", content);
    ASSERT_TRUE(file.open(path.c_str(), true)) << file.getErrorMessage().asCstr();
  }

  // The n bytes at position, or "error: " and the message.
  static std::string readText(CCBDataFile& file, int position, int n, int* end = nullptr) {
    std::vector<unsigned char> bytes(static_cast<size_t>(n > 0 ? n : 0) + 1);
    if (!file.read(position, n, bytes.data(), end)) {
      return std::string("error: ") + file.getErrorMessage().asCstr();
    }
    return std::string(bytes.begin(), bytes.begin() + n);
  }

  test_support::TempDir dir_;
};

TEST_F(CCBDataFileTest, CapacityFollowsTheRecordLength) {
  struct Case {
    int recordLength;
    int capacity;
  };
  static const Case CASES[] = {
      {100, 4096},                           // short records share the smallest window
      {4095, 4096},                          //
      {4096, 8192},                          // from 4096 on: two records
      {5000, 10000},                         //
      {0, 4096},                             // no length at all
      {-7, 4096},                            //
      {1 << 29, 1 << 30},                    // exactly the largest window
      {(1 << 29) + 1, MAX_WINDOW_CAPACITY},  // clamped, not overflowed
      {INT_MAX, MAX_WINDOW_CAPACITY},        //
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.recordLength);
    CCBDataFile file(c.recordLength);
    EXPECT_EQ(c.capacity, file.capacity());
    EXPECT_TRUE(file.atEnd());  // nothing to read before open
  }
}

TEST_F(CCBDataFileTest, ReadsWholeRecordsOfAFileSmallerThanTheWindow) {
  CCBDataFile file(100);
  openWith(file, makeRecords(5, 100));
  EXPECT_EQ(4096, file.capacity());
  EXPECT_FALSE(file.atEnd());
  int position = 0;
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const int start = position;
    EXPECT_EQ(makeRecords(i + 1, 100).substr(i * 100), readText(file, start, 100, &position));
    EXPECT_EQ(start + 100, position);
    EXPECT_TRUE(file.atEnd());  // the first block came back short: 500 of 4095 bytes
    EXPECT_EQ(i < 4, file.nextRecord(position));
  }
  EXPECT_EQ(0, position);  // the last compaction left nothing unread
  EXPECT_EQ(0, file.filled());
  EXPECT_TRUE(file.getErrorMessage().isNull());
}

TEST_F(CCBDataFileTest, ReportsTheEndOfTheFileInsideARecord) {
  CCBDataFile file(100);
  openWith(file, std::string(200, 'a') + std::string(40, 'b'));  // the third record is cut short
  int position = 0;
  EXPECT_TRUE(file.read(0, 200, nullptr, &position));
  EXPECT_TRUE(file.nextRecord(position));  // 40 unread bytes moved to the start
  EXPECT_EQ(0, position);
  EXPECT_EQ(40, file.filled());
  EXPECT_EQ(std::string("error: ") + EOF_IN_DATA, readText(file, 0, 100));
  EXPECT_EQ(40, file.filled());  // the window keeps what was read
  EXPECT_EQ(std::string(40, 'b'), readText(file, 0, 40));
}

TEST_F(CCBDataFileTest, EmptyFile) {
  CCBDataFile file(100);
  openWith(file, "");
  EXPECT_EQ("", readText(file, 0, 0));  // a count of 0 needs no byte
  EXPECT_EQ(std::string("error: ") + EOF_IN_DATA, readText(file, 0, 1));
  EXPECT_TRUE(file.atEnd());
  int position = 0;
  EXPECT_FALSE(file.nextRecord(position));
}

TEST_F(CCBDataFileTest, GrowsTheWindowWhenARequestNeedsMore) {
  struct Case {
    int n;
    int capacity;  // afterwards; one byte of the window always stays free
  };
  static const Case CASES[] = {
      {4095, 4096},     // fits with the spare byte
      {4096, 8192},     // ends exactly at the last byte of the window
      {8191, 8192},     //
      {70000, 131072},  // 4096 doubled five times
  };
  const std::string content = makeRecords(1000, 100);
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.n);
    CCBDataFile file(100);
    openWith(file, content);
    int end = 0;
    EXPECT_EQ(content.substr(0, static_cast<size_t>(c.n)), readText(file, 0, c.n, &end));
    EXPECT_EQ(c.n, end);
    EXPECT_EQ(c.capacity, file.capacity());
  }
}

TEST_F(CCBDataFileTest, RefusesRequestsBeyondTheLargestWindow) {
  struct Case {
    int position;
    int n;
    const char* message;
  };
  static const Case CASES[] = {
      {0, INT_MAX, ALLOCATION_FAILED},              //
      {0, MAX_WINDOW_CAPACITY, ALLOCATION_FAILED},  // leaves no spare byte
      {INT_MAX - 10, 100, ALLOCATION_FAILED},       // the end is past the 32-bit range
      {MAX_WINDOW_CAPACITY - 11, 10, EOF_IN_DATA},  // would fit, but the file is too short
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.n);
    CCBDataFile file(100);
    openWith(file, std::string(3000, 'x'));
    ASSERT_EQ(std::string(2, 'x'), readText(file, 0, 2));
    EXPECT_FALSE(file.read(c.position, c.n, nullptr, nullptr));
    EXPECT_EQ(c.message, file.getErrorMessage().str());
    EXPECT_EQ(4096, file.capacity());  // the window is as it was
    EXPECT_EQ(3000, file.filled());
    EXPECT_EQ(std::string(3000, 'x'), readText(file, 0, 3000));
  }
}

TEST_F(CCBDataFileTest, ZeroCountReadsLeaveThePositionWhereItWas) {
  CCBDataFile file(100);
  openWith(file, makeRecords(3, 100));
  unsigned char untouched[2] = {'?', '?'};
  int end = -1;
  EXPECT_TRUE(file.read(50, 0, untouched, &end));
  EXPECT_EQ(50, end);
  EXPECT_EQ(50, file.position());
  EXPECT_EQ('?', untouched[0]);
  EXPECT_TRUE(file.read(300, 0, nullptr, &end));  // at the very end of the file
  EXPECT_EQ(300, end);
}

TEST_F(CCBDataFileTest, StepsOverBytesWithoutADestination) {
  CCBDataFile file(100);
  openWith(file, "0123456789");
  int end = 0;
  EXPECT_TRUE(file.read(2, 5, nullptr, &end));
  EXPECT_EQ(7, end);
  EXPECT_EQ(7, file.position());
  EXPECT_TRUE(file.read(end, 3, nullptr, nullptr));
  EXPECT_EQ(10, file.position());
}

// Records read one after the other, each in two pieces as fields are, with
// nextRecord after each: every byte arrives once and in order, and the window never
// grows beyond what the longest record expected needs, whatever the file size.
TEST_F(CCBDataFileTest, CompactionKeepsEveryByteInOrderAndTheWindowBounded) {
  struct Case {
    int longest;  // the record length the window is made for
    int length;   // the length of the records in the file
    int count;
    int capacity;  // never grows while reading
  };
  static const Case CASES[] = {
      {37, 37, 10000, 4096},     // 370,000 bytes through a 4096-byte window
      {50, 37, 10000, 4096},     // records shorter than the longest expected
      {4095, 4095, 300, 4096},   // one record per block read
      {4096, 3000, 400, 8192},   //
      {5000, 5000, 300, 10000},  //
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.longest);
    SCOPED_TRACE(c.length);
    const std::string content = makeRecords(c.count, c.length);
    CCBDataFile file(c.longest);
    openWith(file, content);
    int position = 0;
    int records = 0;
    bool more = true;
    std::string got;
    while (more && records < c.count + 1) {
      got += readText(file, position, 8, &position);
      got += readText(file, position, c.length - 8, &position);
      ++records;
      more = file.nextRecord(position);
      ASSERT_EQ(c.capacity, file.capacity());
      ASSERT_LT(position + c.length - 1, file.capacity()) << "the next record fits";
    }
    EXPECT_EQ(c.count, records);
    EXPECT_TRUE(got == content) << "the bytes read differ from the file";
    EXPECT_TRUE(file.getErrorMessage().isNull());
  }
}

// 39 records of 105 bytes make 4095 bytes: the first block read asks for exactly
// that and comes back full, so the end is seen only by asking again.
TEST_F(CCBDataFileTest, AFileEndingAtABlockBoundaryEndsAfterItsLastRecord) {
  CCBDataFile file(105);
  openWith(file, makeRecords(39, 105));
  int position = 0;
  ASSERT_TRUE(file.read(0, 105, nullptr, &position));
  EXPECT_EQ(4095, file.filled());
  EXPECT_FALSE(file.atEnd());
  for (int i = 1; i < 39; ++i) {
    ASSERT_TRUE(file.nextRecord(position)) << i;
    ASSERT_TRUE(file.read(position, 105, nullptr, &position)) << i;
  }
  EXPECT_FALSE(file.atEnd());
  EXPECT_FALSE(file.nextRecord(position));
  EXPECT_TRUE(file.atEnd());
  EXPECT_TRUE(file.getErrorMessage().isNull());
}

TEST_F(CCBDataFileTest, RefusesNegativePositionsAndCounts) {
  CCBDataFile file(100);
  openWith(file, makeRecords(3, 100));
  ASSERT_TRUE(file.read(10, 20, nullptr, nullptr));
  struct Case {
    int position;
    int n;
  };
  static const Case CASES[] = {
      {-1, 4},        //
      {INT_MIN, 4},   //
      {0, -1},        //
      {10, INT_MIN},  //
      {-5, 0},        // even a count of 0
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.position);
    SCOPED_TRACE(c.n);
    int end = 77;
    EXPECT_EQ(std::string("error: ") + INVALID_POSITION, readText(file, c.position, c.n, &end));
    EXPECT_EQ(77, end);
    EXPECT_EQ(30, file.position());  // nothing was read
  }
  EXPECT_FALSE(file.fill(-1));
  EXPECT_EQ(INVALID_POSITION, file.getErrorMessage().str());
  for (int position : {-1, 301}) {  // before the window, past its valid bytes
    SCOPED_TRACE(position);
    int readerPosition = position;
    EXPECT_FALSE(file.nextRecord(readerPosition));
    EXPECT_EQ(INVALID_POSITION, file.getErrorMessage().str());
    EXPECT_EQ(position, readerPosition);
  }
  EXPECT_EQ(300, file.filled());
}

TEST_F(CCBDataFileTest, OpenFailsWithTheFileLibrarysMessage) {
  struct Case {
    const char* name;
    const char* message;
  };
  static const Case CASES[] = {
      {"missing.dat", "No such file or directory"},  //
      {"", "Is a directory"},                        // the temporary folder itself
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.name);
    CCBDataFile file(100);
    EXPECT_FALSE(file.open(dir_.path(c.name).c_str(), true));
    EXPECT_EQ(c.message, file.getErrorMessage().str());
    EXPECT_TRUE(file.atEnd());
  }
}

// Before open, after close and after a failed open nothing can be read.
TEST_F(CCBDataFileTest, NothingIsReadWithoutAnOpenFile) {
  const std::string path = dir_.write("data.bin", makeRecords(3, 100));
  CCBDataFile neverOpened(100);
  CCBDataFile closed(100);
  ASSERT_TRUE(closed.open(path.c_str(), true));
  ASSERT_TRUE(closed.read(0, 150, nullptr, nullptr));
  closed.close();
  closed.close();  // again: nothing happens
  CCBDataFile failed(100);
  ASSERT_TRUE(failed.open(path.c_str(), true));
  ASSERT_FALSE(failed.open(dir_.path("missing.dat").c_str(), true));  // the old file is closed
  for (CCBDataFile* file : {&neverOpened, &closed, &failed}) {
    int end = 5;
    EXPECT_FALSE(file->read(0, 0, nullptr, &end));
    EXPECT_EQ(NOT_OPEN, file->getErrorMessage().str());
    EXPECT_FALSE(file->read(0, 10, nullptr, &end));
    EXPECT_EQ(5, end);
    EXPECT_FALSE(file->fill(1));
    int position = 0;
    EXPECT_FALSE(file->nextRecord(position));
    EXPECT_EQ(NOT_OPEN, file->getErrorMessage().str());
    EXPECT_EQ(0, file->filled());
    EXPECT_TRUE(file->atEnd());
  }
}

TEST_F(CCBDataFileTest, ReopeningStartsOverWithTheNewFile) {
  CCBDataFile file(100);
  openWith(file, std::string(9000, 'a'));
  ASSERT_TRUE(file.read(0, 5000, nullptr, nullptr));
  ASSERT_EQ(8192, file.capacity());
  const std::string second = dir_.write("second.bin", "second file");
  ASSERT_TRUE(file.open(second.c_str(), false));
  EXPECT_FALSE(file.noConvert());
  EXPECT_EQ(4096, file.capacity());
  EXPECT_EQ(0, file.filled());
  EXPECT_EQ("second file", readText(file, 0, 11));
}

TEST_F(CCBDataFileTest, FileSizeIsKnownWhetherOpenOrNot) {
  CCBDataFile file(100);
  EXPECT_EQ(0, file.getFileSize());  // no name yet
  openWith(file, std::string(1234, 'z'));
  EXPECT_EQ(1234, file.getFileSize());
  file.close();
  EXPECT_EQ(1234, file.getFileSize());
  EXPECT_FALSE(file.open(dir_.path("missing.dat").c_str(), true));
  EXPECT_EQ(0, file.getFileSize());
}

// Reading /proc/self/mem at offset 0 fails: the first page is never mapped.
TEST_F(CCBDataFileTest, ReportsAReadError) {
  CCBDataFile file(100);
  if (!file.open("/proc/self/mem", true)) GTEST_SKIP() << "/proc/self/mem cannot be opened";
  EXPECT_FALSE(file.read(0, 10, nullptr, nullptr));
  EXPECT_EQ("Error reading file", file.getErrorMessage().str());
  EXPECT_FALSE(file.atEnd());
}

}  // namespace
