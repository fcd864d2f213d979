// The output framer's spanned records and GnuCOBOL length words, byte for byte against
// framings worked out by hand. The writer's round trips read them back through the
// record reader; these pin where segments are cut.
#include "input/ccb_output_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The bytes the framer writes of the records with the settings.
std::string frame(const OutputFramerSettings& settings, const std::vector<std::string>& records) {
  std::vector<unsigned char> memory(4096);
  CCBOutputTarget target;
  target.openMemory(memory.data(), memory.size());
  CCBOutputFramer framer;
  framer.reset(settings, &target);
  for (const std::string& record : records) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
    const int length = static_cast<int>(record.size());
    std::string reason;
    EXPECT_TRUE(framer.fits(bytes, length, &reason)) << reason;
    EXPECT_TRUE(framer.write(bytes, length));
  }
  EXPECT_TRUE(framer.finish());
  std::string error;
  EXPECT_TRUE(target.finish(&error)) << error;
  return std::string(reinterpret_cast<const char*>(memory.data()),
                     static_cast<size_t>(target.size()));
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int value : values) out.push_back(static_cast<char>(value));
  return out;
}

const std::vector<std::string> RECORDS = {"ABCDEFGHIJ", "xyz", "0123456789012345678901"};

// Blocks of 20 bytes: a record fits the rest of its block whole or is cut, its first
// segment filling the block where a word and a byte still fit; a block with no room for
// that is written first.
TEST(OutputFramerTest, VbsFillsBlocksAndCutsRecordsAcrossThem) {
  OutputFramerSettings settings;
  settings.format = CCB_RECORD_VBS;
  settings.blockSize = 20;
  const std::string expected = bytes({0, 18, 0, 0, 0, 14, 0, 0}) + "ABCDEFGHIJ" +  //
                               bytes({0, 20, 0, 0, 0, 7, 0, 0}) + "xyz" + bytes({0, 9, 1, 0}) +
                               "01234" +                                             //
                               bytes({0, 20, 0, 0, 0, 16, 3, 0}) + "567890123456" +  //
                               bytes({0, 13, 0, 0, 0, 9, 2, 0}) + "78901";
  EXPECT_EQ(expected, frame(settings, RECORDS));
}

// Without blocks, segments of at most block_size bytes with their word; little-endian
// words hold the segment code next to the length, and excluding words count data alone.
TEST(OutputFramerTest, VsCutsRecordsIntoSegmentsOfTheBlockSize) {
  OutputFramerSettings settings;
  settings.format = CCB_RECORD_VS;
  settings.blockSize = 12;
  settings.littleEndian = true;
  EXPECT_EQ(
      bytes({0, 1, 12, 0}) + "ABCDEFGH" + bytes({0, 2, 6, 0}) + "IJ" + bytes({0, 0, 7, 0}) + "xyz",
      frame(settings, {"ABCDEFGHIJ", "xyz"}));
  settings.littleEndian = false;
  settings.excludesHeader = true;
  EXPECT_EQ(bytes({0, 8, 1, 0}) + "ABCDEFGH" + bytes({0, 2, 2, 0}) + "IJ",
            frame(settings, {"ABCDEFGHIJ"}));
}

// GnuCOBOL's four forms of the length before each record, counting its data alone.
TEST(OutputFramerTest, VarseqFormsWriteTheirLengthWords) {
  const std::pair<int, std::string> forms[] = {
      {0, bytes({0, 3, 0, 0})},
      {1, bytes({0, 0, 0, 3})},
      {2, bytes({3, 0, 0, 0})},
      {3, bytes({0, 3})},
  };
  for (const auto& [form, word] : forms) {
    OutputFramerSettings settings;
    settings.format = CCB_RECORD_RDW;
    settings.varseqFormat = form;
    EXPECT_EQ(word + "abc", frame(settings, {"abc"})) << "form " << form;
  }
}

// A 2-byte length tells at most 65535 bytes of data; a 4-byte one any record.
TEST(OutputFramerTest, VarseqShortFormsRefuseLongerRecords) {
  const std::string record(70000, 'x');
  const auto* data = reinterpret_cast<const unsigned char*>(record.data());
  for (int form : {0, 1, 2, 3}) {
    OutputFramerSettings settings;
    settings.format = CCB_RECORD_RDW;
    settings.varseqFormat = form;
    CCBOutputFramer framer;
    framer.reset(settings, nullptr);
    std::string reason;
    EXPECT_EQ(form == 1 || form == 2, framer.fits(data, 70000, &reason)) << "form " << form;
  }
}

}  // namespace
