// The decompressor over the compressed files of tests/data/files, which
// make_compressed.py made of customers_rdw.dat with Python's zlib and bz2 and the zstd
// command, in pieces starting at known decompressed offsets; and over those files cut
// short, damaged or followed by other bytes.
#include "input/ccb_decompressor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "input/ccb_data_file.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::readFile;

const std::string ORIGINAL = readFile(dataPath("files/customers_rdw.dat"));

struct Compressed {
  const char* file;
  CCBCompression compression;
  std::vector<int64_t> pieces;  // the decompressed offsets where members, streams, frames start
};

const Compressed FILES[] = {
    {"customers_rdw.dat.gz", CCB_COMPRESSION_GZIP, {0, 1020}},
    {"customers_rdw.dat.bz2", CCB_COMPRESSION_BZIP2, {0, 1000}},
    {"customers_rdw.dat.zst", CCB_COMPRESSION_ZSTD, {0, 700, 1500}},
};

std::string bytesOf(const Compressed& c) {
  return readFile(dataPath(std::string("files/") + c.file));
}

const unsigned char* u(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

// Everything a decompressor of memory gives, n bytes a read; then "|message" when it
// fails.
std::string readAll(CCBDecompressor* decompressor, int n) {
  std::vector<unsigned char> out(static_cast<size_t>(n));
  std::string all;
  for (int got; (got = decompressor->read(out.data(), n)) > 0;) {
    all.append(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(got));
  }
  if (decompressor->failed()) all += "|" + decompressor->getErrorMessage().str();
  return all;
}

std::string decompressMemory(CCBCompression compression, const std::string& bytes, int n = 4096) {
  CCBDecompressor decompressor(compression);
  EXPECT_TRUE(decompressor.openMemory(u(bytes), static_cast<int64_t>(bytes.size())));
  return readAll(&decompressor, n);
}

// The first bytes tell each compression; near misses are none.
TEST(CCBDecompressorTest, DetectsByTheFirstBytes) {
  const struct {
    std::string bytes;
    CCBCompression compression;
  } cases[] = {
      {std::string("\x1F\x8B\x08\x00", 4), CCB_COMPRESSION_GZIP},
      {std::string("\x1F\x8B\x07\x00", 4), CCB_COMPRESSION_NONE},  // no deflate
      {std::string("\x1F\x8B\x08\xE0", 4), CCB_COMPRESSION_NONE},  // reserved flags
      {"BZh91AY&SY", CCB_COMPRESSION_BZIP2},
      {std::string("BZh9\x17\x72\x45\x38\x50\x90", 10), CCB_COMPRESSION_BZIP2},  // no block
      {"BZh0", CCB_COMPRESSION_NONE},
      {"BZh91AY&SX", CCB_COMPRESSION_NONE},
      {std::string("\x28\xB5\x2F\xFD", 4), CCB_COMPRESSION_ZSTD},
      {std::string("\x28\xB5\x2F", 3), CCB_COMPRESSION_NONE},
      {"", CCB_COMPRESSION_NONE},
      {ORIGINAL.substr(0, 10), CCB_COMPRESSION_NONE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.compression, CCBDecompressor::detect(u(c.bytes), static_cast<int>(c.bytes.size())))
        << c.bytes;
  }
  for (const Compressed& c : FILES) {
    EXPECT_EQ(c.compression, CCBDecompressor::detect(u(bytesOf(c)), 10)) << c.file;
  }
}

// Every piece, read in reads of any size, from memory and from a file's descriptor;
// the data file reads them decompressed, its offsets too.
TEST(CCBDecompressorTest, ReadsEveryPieceFromMemoryAndFiles) {
  for (const Compressed& c : FILES) {
    SCOPED_TRACE(c.file);
    const std::string bytes = bytesOf(c);
    for (const int n : {1, 7, 204, 65536})
      EXPECT_EQ(ORIGINAL, decompressMemory(c.compression, bytes, n));
    const int descriptor = open(dataPath(std::string("files/") + c.file).c_str(), O_RDONLY);
    ASSERT_LE(0, descriptor);
    CCBDecompressor fromFile(c.compression);
    ASSERT_TRUE(fromFile.openDescriptor(descriptor, true, u(bytes), 3));
    ASSERT_EQ(3, lseek(descriptor, 3, SEEK_SET));
    EXPECT_EQ(ORIGINAL, readAll(&fromFile, 500));
    EXPECT_TRUE(fromFile.ended());
    close(descriptor);
    CCBDataFile file(204);
    ASSERT_TRUE(file.open(dataPath(std::string("files/") + c.file).c_str()));
    EXPECT_EQ(c.compression, file.compression());
    int position = 0;
    ASSERT_TRUE(file.skip(2000, &position));
    EXPECT_EQ(448, file.available(position, 1000));
    EXPECT_EQ(2000, file.offsetOf(position));
    EXPECT_EQ(ORIGINAL.substr(2000),
              std::string(reinterpret_cast<const char*>(file.view(position, 448, nullptr)), 448));
  }
}

// The entry points noted are each piece's start and, in gzip, the ends of deflate blocks
// (most inside a byte); decompression started over at any of them gives the rest.
TEST(CCBDecompressorTest, StartsOverAtEveryEntryPoint) {
  for (const Compressed& c : FILES) {
    SCOPED_TRACE(c.file);
    const std::string bytes = bytesOf(c);
    CCBDecompressor noting(c.compression);
    ASSERT_TRUE(noting.openMemory(u(bytes), static_cast<int64_t>(bytes.size())));
    noting.noteEntryPoints(1);
    ASSERT_EQ(ORIGINAL, readAll(&noting, 100));
    const std::vector<CCBEntryPoint> points = noting.takeEntryPoints();
    std::vector<int64_t> starts, inside;
    int unaligned = 0;
    for (const CCBEntryPoint& point : points) {
      (point.window.empty() ? starts : inside).push_back(point.out);
      unaligned += point.bits != 0;
      CCBDecompressor again(c.compression);
      ASSERT_TRUE(again.openMemory(u(bytes), static_cast<int64_t>(bytes.size())));
      ASSERT_TRUE(again.restart(point)) << again.getErrorMessage().str();
      EXPECT_EQ(point.out, again.outputOffset());
      EXPECT_EQ(ORIGINAL.substr(static_cast<size_t>(point.out)), readAll(&again, 300))
          << "from " << point.out;
    }
    EXPECT_EQ(c.pieces, starts);
    if (c.compression == CCB_COMPRESSION_GZIP) {
      EXPECT_LT(4u, inside.size());
      EXPECT_LT(0, unaligned);
    } else {
      EXPECT_TRUE(inside.empty());
    }
  }
}

// A file cut inside its last piece stops with the decompressed offset after the pieces
// before it (bzip2 and zstd give a block whole or not at all, and the cut gzip member has
// not given its header); damage stops it too. Zero bytes after the last piece are
// padding; other bytes are no compressed data.
TEST(CCBDecompressorTest, CutDamagedAndTrailingData) {
  const std::string gz = bytesOf(FILES[0]), bz2 = bytesOf(FILES[1]), zst = bytesOf(FILES[2]);
  EXPECT_EQ(ORIGINAL.substr(0, 1020) +
                "|The gzip data is cut short: it ends at decompressed byte offset 1020",
            decompressMemory(CCB_COMPRESSION_GZIP, gz.substr(0, 623 + 5)));
  EXPECT_EQ(ORIGINAL.substr(0, 1000) +
                "|The bzip2 data is cut short: it ends at decompressed byte offset 1000",
            decompressMemory(CCB_COMPRESSION_BZIP2, bz2.substr(0, bz2.size() - 40)));
  EXPECT_EQ(ORIGINAL.substr(0, 1500) +
                "|The zstd data is cut short: it ends at decompressed byte offset 1500",
            decompressMemory(CCB_COMPRESSION_ZSTD, zst.substr(0, zst.size() - 30)));
  EXPECT_EQ(ORIGINAL, decompressMemory(CCB_COMPRESSION_GZIP, gz + std::string(700, '\0')));
  EXPECT_EQ(ORIGINAL +
                "|The data after the gzip data at compressed byte offset 1383 "
                "(decompressed byte offset 2448) is no gzip data",
            decompressMemory(CCB_COMPRESSION_GZIP, gz + "\n"));
  std::string damaged = bz2;
  damaged[700] = static_cast<char>(damaged[700] ^ 0x55);  // inside the second stream
  const std::string read = decompressMemory(CCB_COMPRESSION_BZIP2, damaged);
  EXPECT_EQ(ORIGINAL.substr(0, 1000), read.substr(0, 1000));
  EXPECT_NE(std::string::npos,
            read.find("|The bzip2 data is damaged at decompressed byte offset "));
  damaged = zst;
  damaged[100] = static_cast<char>(damaged[100] ^ 0x55);  // inside the first frame
  EXPECT_NE(std::string::npos, decompressMemory(CCB_COMPRESSION_ZSTD, damaged)
                                   .find("|The zstd data is damaged at decompressed byte offset "));
}

}  // namespace
