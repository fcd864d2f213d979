// The record framer on bytes built here, where the reader cannot reach it: a spanned
// record longer than the longest a framer joins.
#include "input/ccb_record_framer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char FIRST = 1, LAST = 2, MIDDLE = 3;

// A segment behind a big-endian segment descriptor word that counts its 4 bytes.
std::string segment(const std::string& data, char code) {
  return std::string{0, static_cast<char>(data.size() + 4), code, 0} + data;
}

// Each frame as "offset+length: joined bytes" or "bad offset+raw length: reason",
// "end" or "failed: reason" last.
std::string frames(const std::string& bytes, int longest) {
  CCBDataFile file(16);
  EXPECT_TRUE(file.openMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                              static_cast<int64_t>(bytes.size())));
  FramerSettings settings;
  settings.format = CCB_RECORD_VS;
  settings.longestRecord = longest;
  CCBRecordFramer framer;
  framer.reset(settings);
  std::string text;
  for (int position = 0;;) {
    RecordFrame frame;
    QvbString reason;
    const FrameStatus status = framer.next(&file, position, &frame, &reason);
    if (status == FRAME_END) return text + "end";
    if (status == FRAME_FAILED) return text + "failed: " + reason.str();
    const std::string where = std::to_string(frame.offset) + "+";
    if (status == FRAME_BAD) {
      text += "bad " + where + std::to_string(frame.next - frame.rawStart) + ": " + reason.str();
    } else {
      text += where + std::to_string(frame.length) + ": " +
              std::string(reinterpret_cast<const char*>(frame.joined), frame.length);
    }
    text += "; ";
    position = frame.next;
  }
}

// The segments up to the one that passes the longest length are a bad record; those
// that continue it belong to no record.
TEST(CCBRecordFramerTest, SpannedRecordsPastTheLongestAreBad) {
  const std::string four = segment("AB", FIRST) + segment("CD", LAST);
  EXPECT_EQ("0+4: ABCD; end", frames(four, 4));
  EXPECT_EQ("bad 0+12: Record at byte offset 0 is longer than 3 bytes; end", frames(four, 3));
  EXPECT_EQ(
      "bad 0+13: Record at byte offset 0 is longer than 4 bytes; bad 13+5: Segment at byte "
      "offset 13 is a last segment with no first segment; 18+4: GHIJ; end",
      frames(segment("AB", FIRST) + segment("CDE", MIDDLE) + segment("F", LAST) +
                 segment("GH", FIRST) + segment("IJ", LAST),
             4));
}

}  // namespace
