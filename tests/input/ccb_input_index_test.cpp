// The checkpoint index: written and read back whole, matched against the file it was
// made of, and refused when damaged.
#include "input/ccb_input_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::readFile;

// The entry points of customers_rdw.dat.gz, as its decompressor notes them.
std::vector<CCBEntryPoint> entryPoints(const std::string& bytes, CCBFingerprint* print) {
  CCBDecompressor decompressor(CCB_COMPRESSION_GZIP);
  EXPECT_TRUE(decompressor.openMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                      static_cast<int64_t>(bytes.size())));
  EXPECT_TRUE(decompressor.fingerprint(print));
  decompressor.noteEntryPoints(100);
  unsigned char out[4096];
  while (decompressor.read(out, sizeof out) > 0) {
  }
  return decompressor.takeEntryPoints();
}

CCBReadOptions rdw() {
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_RDW);
  return options;
}

TEST(CCBInputIndexTest, WritesAndReadsBackWhatItHolds) {
  test_support::TempDir dir;
  const std::string bytes = readFile(dataPath("files/customers_rdw.dat.gz"));
  CCBFingerprint print;
  const std::vector<CCBEntryPoint> points = entryPoints(bytes, &print);
  ASSERT_LT(3u, points.size());
  CCBInputIndex index;
  index.start(CCB_COMPRESSION_GZIP, print, rdw());
  for (size_t i = 0; i < points.size(); ++i) {
    ASSERT_TRUE(index.add(points[i], i + 1 < points.size() ? points[i].out + 3 : -1,
                          static_cast<int64_t>(i) + 1));
  }
  index.setDecompressedSize(2448);
  QvbString error;
  const std::string path = dir.path("customers.idx");
  ASSERT_TRUE(index.write(path.c_str(), &error)) << error.str();
  CCBInputIndex read;
  ASSERT_TRUE(read.read(path.c_str(), &error)) << error.str();
  EXPECT_TRUE(read.describes(CCB_COMPRESSION_GZIP, print));
  EXPECT_FALSE(read.describes(CCB_COMPRESSION_ZSTD, print));
  CCBFingerprint other = print;
  other.last[31] ^= 1;
  EXPECT_FALSE(read.describes(CCB_COMPRESSION_GZIP, other));
  EXPECT_TRUE(read.framedAs(rdw()));
  CCBReadOptions skipping = rdw();
  skipping.setSkip(4);
  EXPECT_FALSE(read.framedAs(skipping));
  EXPECT_EQ(2448, read.decompressedSize());
  ASSERT_EQ(points.size(), read.size());
  for (size_t i = 0; i < points.size(); ++i) {
    CCBEntryPoint point;
    ASSERT_TRUE(read.entryBefore(points[i].out + 1, &point));
    EXPECT_EQ(points[i].in, point.in);
    EXPECT_EQ(points[i].bits, point.bits);
    EXPECT_EQ(points[i].out, point.out);
    EXPECT_EQ(points[i].window, point.window);
    EXPECT_EQ(i + 1 < points.size() ? points[i].out + 3 : -1, read.splitOffset(i));
  }
  // A damaged or foreign file is refused, and the index left empty.
  const std::string whole = readFile(path);
  const std::vector<std::string> damaged = {
      "",          "LYRAIDX2" + whole.substr(8), whole.substr(0, whole.size() - 1),
      whole + "x", whole.substr(0, 100),         readFile(dataPath("files/customers_rdw.dat.gz"))};
  for (const std::string& bytes : damaged) {
    const std::string bad = dir.write("bad.idx", bytes);
    CCBInputIndex refused;
    EXPECT_FALSE(refused.read(bad.c_str(), &error));
    EXPECT_EQ(bad + " is no lyra index file, or it is damaged", error.str());
    EXPECT_EQ(0u, refused.size());
  }
  EXPECT_FALSE(read.read(dir.path("missing.idx").c_str(), &error));
  EXPECT_EQ("Cannot open the index file " + dir.path("missing.idx") + ": No such file or directory",
            error.str());
}

}  // namespace
