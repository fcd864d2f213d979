// The record reader on bytes built here: record formats, positions, ranges, split
// points, memory, files and pipes, and bad records passed over or stopping the read.
#include "lyra/ccb_record_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "input/ccb_data_file.h"
#include "interface/service_test_util.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

// Records of 5 bytes: a 2-character key and a 3-digit number.
const std::vector<std::string> KEYED = {"01 R.", "05 K PIC X(2).", "05 N PIC 9(3)."};

// A descriptor word (big-endian length, two bytes), and a record or vb block with one.
std::string word(size_t length, char second = 0) {
  return {static_cast<char>(length >> 8), static_cast<char>(length & 0xFF), 0, second};
}
std::string rdw(const std::string& data) {
  return word(data.size() + 4) + data;
}

CCBReadOptions format(CCBRecordFormat recordFormat, int64_t maxErrors = 0) {
  CCBReadOptions options;
  options.setRecordFormat(recordFormat);
  options.setMaxErrors(maxErrors);
  return options;
}

class RecordReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(add(KEYED));
    reader_->setBadRecordCallback(&bad_);
  }
  bool add(const std::vector<std::string>& lines, const char* id = "", bool active = true) {
    return reader_->addCopybook(dir_.write("r.cpy", copybook_test::source(lines)).c_str(), id,
                                active);
  }

  // Reads what was opened: "number@offset:columns;" a record (null: "~"; bytes: as
  // getOutputBytes gives them, every column's taken before any is looked at, as they
  // stay until the next read), then "end" or "failed: message"; "open: message"
  // unopened.
  std::string read(bool opened, bool bytes = false) {
    if (!opened) return "open: " + reader_->getErrorMessage().str();
    std::string text;
    bool failed = false;
    for (int n = 0; n < 100000 && reader_->readNextRecord(failed); ++n) {
      text += std::to_string(reader_->getRecordNumber()) + "@" +
              std::to_string(reader_->getRecordOffset()) + ":";
      std::vector<std::pair<const char*, int>> wholes(
          static_cast<size_t>(reader_->getOutputCount()));
      for (int i = 0; bytes && i < reader_->getOutputCount(); ++i) {
        auto& [whole, length] = wholes[static_cast<size_t>(i)];
        if (!reader_->getOutputBytes(i, whole, length)) whole = nullptr;
      }
      for (int i = 0; i < reader_->getOutputCount(); ++i) {
        const auto& [whole, length] = wholes[static_cast<size_t>(i)];
        const QvbDatavar value = bytes ? QvbDatavar() : reader_->getOutputValue(i);
        std::string column = value.isNull() ? "~" : value.text().str();
        if (bytes) column = whole ? std::string(whole, static_cast<size_t>(length)) : "no bytes";
        text += (i ? "|" : "") + column;
      }
      text += ";";
    }
    return text + (failed ? "failed: " + reader_->getErrorMessage().str() : "end");
  }
  std::string readMemory(const std::string& data, const CCBReadOptions& options,
                         bool bytes = false) {
    bad_.text.clear();
    const auto* start = reinterpret_cast<const unsigned char*>(data.data());
    return read(reader_->openDataMemory(start, data.size(), options), bytes);
  }
  std::string readFile(const std::string& file, const CCBReadOptions& options) {
    return read(reader_->openData(file.c_str(), options));
  }
  // Reads a pipe holding bytes, fewer than its buffer takes.
  std::string readPipe(const std::string& bytes, const CCBReadOptions& options) {
    int ends[2];
    EXPECT_EQ(0, pipe(ends));
    EXPECT_EQ(static_cast<ssize_t>(bytes.size()), write(ends[1], bytes.data(), bytes.size()));
    close(ends[1]);
    const std::string text = read(reader_->openDataDescriptor(ends[0], options));
    close(ends[0]);
    return text;
  }

  test_support::TempDir dir_;
  test_support::Owned<CCBRecordReader> reader_ = test_support::own(createCCBRecordReader());
  test_support::BadRecords bad_;
};

// Descriptor records short and long, extended and empty blocks, empty inputs; bad records
// stop the read unless allowed, then are reported and passed over; bad descriptors always.
TEST_F(RecordReaderTest, EachFormatFramesItsRecordsAndBadRecords) {
  const std::string extended = std::string("\x80\0\0\x16", 4) + rdw("EE555") + rdw("FF666");
  const std::string aa = rdw("AA111"), lines = "AA111\nAA1111\nBB222\n";
  const std::string tooLong = "Line of 6 bytes is longer than its layout, which reads 5";
  const auto RDW = format(CCB_RECORD_RDW, -1), VB = format(CCB_RECORD_VB, -1);
  const std::string AA = "1@0:AA|111;failed: ";         // one record read, then a fatal error
  CCBReadOptions bdwExcluding = format(CCB_RECORD_VB);  // block lengths leave out their word
  bdwExcluding.setBdwExcludesHeader(true);
  const struct {
    CCBReadOptions options;
    std::string bytes, expected, bad = "";
  } cases[] = {
      {format(CCB_RECORD_RDW), aa + rdw("BB2") + rdw("CC333xyz") + rdw("D"),
       "1@0:AA|111;2@9:BB|~;3@16:CC|333;4@28:~|~;end"},
      {format(CCB_RECORD_VB), rdw(aa + rdw("BB222")) + rdw(rdw("CC333")) + extended,
       "1@4:AA|111;2@13:BB|222;3@26:CC|333;4@39:EE|555;5@48:FF|666;end"},
      {format(CCB_RECORD_VB), rdw("") + rdw(aa), "1@8:AA|111;end"},  // an empty block
      {format(CCB_RECORD_LINES), "", "end"},
      {format(CCB_RECORD_RDW), "", "end"},
      {format(CCB_RECORD_LINES), lines, AA + tooLong},
      {format(CCB_RECORD_LINES, 1), lines, "1@0:AA|111;3@13:BB|222;end", "2@6+7: " + tooLong + ";"},
      {RDW, aa + rdw("") + word(0) + rdw("BB222"), "1@0:AA|111;4@17:BB|222;end",
       "2@9+4: Record of zero length;3@13+4: Record of zero length;"},
      {format(CCB_RECORD_FIXED, 5), "AA111BB222CC3", "1@0:AA|111;2@5:BB|222;end",
       "3@10+3: Record cut short: 3 of 5 bytes;"},
      {RDW, aa + word(9, 1) + "BB222", AA + "Invalid record descriptor word at byte offset 9"},
      {RDW, aa + word(2), AA + "Invalid record descriptor word at byte offset 9"},
      {RDW, aa + word(32) + "BB222", AA + "Record at byte offset 9 runs past the end of the file"},
      {RDW, aa + word(32).substr(0, 2),
       AA + "Record descriptor word at byte offset 9 is cut short"},
      {VB, word(12) + aa, "failed: Record at byte offset 4 runs past the end of its block"},
      {VB, word(15) + aa + "xx",
       "1@4:AA|111;failed: Block ends inside a record descriptor word at byte offset 13"},
      {VB, word(3), "failed: Invalid block descriptor word at byte offset 0"},
      {bdwExcluding, word(9) + aa + word(0) + word(9) + rdw("BB222"), "1@4:AA|111;2@21:BB|222;end"},
      {VB, word(88) + aa + rdw("BB222"),
       "1@4:AA|111;2@13:BB|222;failed: Block at byte offset 0 runs past the end of the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ccbRecordFormatName(c.options.getRecordFormat()) + (": " + c.bytes));
    EXPECT_EQ(c.expected, readMemory(c.bytes, c.options));
    EXPECT_EQ(c.bad, bad_.text);
    EXPECT_EQ(std::count(c.bad.begin(), c.bad.end(), ';'), reader_->getBadRecordCount());
  }
  // The split scan meets a block cut short as reading does.
  test_support::SplitCollector split;
  EXPECT_FALSE(
      reader_->scanSplitPoints(dir_.write("cut.dat", word(88) + aa).c_str(), VB, 1, &split));
  EXPECT_EQ("Block at byte offset 0 runs past the end of the file",
            reader_->getErrorMessage().str());
}

// A segment of a spanned record behind its segment descriptor word, the segment code in
// its third byte.
std::string segment(const std::string& data, char code) {
  const size_t length = data.size() + 4;
  return std::string{static_cast<char>(length >> 8), static_cast<char>(length & 0xFF), code, 0} +
         data;
}

// Spanned records: segments joined from a first to a last one, over blocks (vbs) or not
// (vs); every segment out of order a bad record of its own, nothing joined across it.
TEST_F(RecordReaderTest, SpannedRecordsJoinTheirSegments) {
  const char WHOLE = 0, FIRST = 1, LAST = 2, MIDDLE = 3;
  const std::string aa = segment("AA111", WHOLE), bb = segment("BB222", WHOLE);
  const std::string joined = segment("CC", FIRST) + segment("3", MIDDLE) + segment("33", LAST);
  const auto VS = format(CCB_RECORD_VS, -1), VBS = format(CCB_RECORD_VBS, -1);
  CCBReadOptions little = format(CCB_RECORD_VS);
  little.setRdwLittleEndian(true);
  little.setRdwExcludesHeader(true);
  const std::string AA = "1@0:AA|111;failed: ";
  const struct {
    CCBReadOptions options;
    std::string bytes, expected, bad = "";
  } cases[] = {
      {VS, aa + joined + bb, "1@0:AA|111;2@9:CC|333;3@26:BB|222;end"},
      {little, std::string{0, FIRST, 2, 0} + "CC" + std::string{0, LAST, 3, 0} + "333",
       "1@0:CC|333;end"},
      {VBS,
       word(24) + aa + segment("CC", FIRST) + segment("3", MIDDLE) + word(10) + segment("33", LAST),
       "1@4:AA|111;2@13:CC|333;end"},
      {VS, aa + segment("x", MIDDLE) + segment("yy", LAST) + bb, "1@0:AA|111;4@20:BB|222;end",
       "2@9+5: Segment at byte offset 9 is a middle segment with no first segment;"
       "3@14+6: Segment at byte offset 14 is a last segment with no first segment;"},
      {VS, segment("CC", FIRST) + segment("3", MIDDLE) + bb, "2@11:BB|222;end",
       "1@0+11: Record at byte offset 0 has no last segment: the segment at byte offset 11 "
       "starts another record;"},
      {VS, aa + segment("CC", FIRST), "1@0:AA|111;end",
       "2@9+6: Record at byte offset 9 has no last segment: the input ends before it;"},
      // The block that the next record opens is no part of the bad one.
      {VBS, word(10) + segment("CC", FIRST) + word(13) + bb, "2@14:BB|222;end",
       "1@4+6: Record at byte offset 4 has no last segment: the segment at byte offset 14 "
       "starts another record;"},
      {VS, aa + segment("", WHOLE) + segment("", FIRST) + segment("", LAST) + bb,
       "1@0:AA|111;4@21:BB|222;end", "2@9+4: Record of zero length;3@13+8: Record of zero length;"},
      {VS, aa + segment("CC", 4), AA + "Invalid segment descriptor word at byte offset 9"},
      {VS, aa + segment("CC", FIRST) + std::string("\0\4\3\1", 4),
       AA + "Invalid segment descriptor word at byte offset 15"},
      {VS, aa + segment("CC", FIRST).substr(0, 5),
       AA + "Segment at byte offset 9 runs past the end of the file"},
      {VS, aa + std::string("\0\6", 2),
       AA + "Segment descriptor word at byte offset 9 is cut short"},
      {VBS, word(18) + aa + segment("CC", FIRST),
       "1@4:AA|111;failed: Segment at byte offset 13 runs past the end of its block"},
      {VBS, word(15) + aa + "xx",
       "1@4:AA|111;failed: Block ends inside a segment descriptor word at byte offset 13"},
      {VBS, word(30) + aa,
       "1@4:AA|111;failed: Block at byte offset 0 runs past the end of the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ccbRecordFormatName(c.options.getRecordFormat()) + (": " + c.bytes));
    EXPECT_EQ(c.expected, readMemory(c.bytes, c.options));
    EXPECT_EQ(c.bad, bad_.text);
  }
  // Split points: where a whole or first segment opens a block (vbs) or stands (vs).
  const std::string blocks = word(13) + aa + word(10) + segment("CC", FIRST) + word(17) +
                             segment("333", LAST) + segment("DD", FIRST) + word(11) +
                             segment("444", LAST) + word(13) + bb;
  test_support::SplitCollector split;
  ASSERT_TRUE(reader_->scanSplitPointsMemory(reinterpret_cast<const unsigned char*>(blocks.data()),
                                             blocks.size(), VBS, 1, &split));
  EXPECT_EQ((std::vector<std::pair<int64_t, int64_t>>{{0, 1}, {13, 2}, {51, 4}}), split.points);
  EXPECT_EQ("1@4:AA|111;2@17:CC|333;3@34:DD|444;4@55:BB|222;end", readMemory(blocks, VBS));
}

// Tables laid out at their maximum: whatever the count, the items after a table stay in
// place, within repeated groups too; repetitions past the count are null.
TEST_F(RecordReaderTest, TablesLaidOutAtTheirMaximum) {
  const std::vector<std::string> nested = {"01 R.",
                                           "05 C PIC 9.",
                                           "05 T OCCURS 0 TO 3 DEPENDING ON C.",
                                           "10 V PIC X(2).",
                                           "05 E PIC X(2).",
                                           "05 G OCCURS 2.",
                                           "10 N PIC 9.",
                                           "10 U PIC X OCCURS 0 TO 2 DEPENDING ON N."};
  const std::string records =
      "2AABB  EE1x 0  "
      "0      FF2yz1w ";
  CCBLayoutOptions maximum;
  maximum.setOdoLayout(CCB_ODO_MAX);
  reader_->clearCopybooks();
  reader_->setLayoutOptions(maximum);
  ASSERT_TRUE(add(nested));
  EXPECT_EQ(15, reader_->getMaxRecordLength());
  EXPECT_EQ("1@0:2|AA|BB|~|EE|1|x|~|0|~|~;2@15:0|~|~|~|FF|2|y|z|1|w|~;end",
            readMemory(records, format(CCB_RECORD_FIXED)));
}

// Each option of the read options keeps its value whatever the others are set to.
TEST(ReadOptionsTest, EachOptionKeepsItsValue) {
  using Flag = std::pair<void (CCBReadOptions::*)(bool), bool (CCBReadOptions::*)() const>;
  const Flag flags[] = {
      {&CCBReadOptions::setRdwLittleEndian, &CCBReadOptions::getRdwLittleEndian},
      {&CCBReadOptions::setRdwExcludesHeader, &CCBReadOptions::getRdwExcludesHeader},
      {&CCBReadOptions::setBdwExcludesHeader, &CCBReadOptions::getBdwExcludesHeader},
      {&CCBReadOptions::setEbcdic, &CCBReadOptions::getEbcdic},
      {&CCBReadOptions::setComp5LittleEndian, &CCBReadOptions::getComp5LittleEndian},
      {&CCBReadOptions::setBinaryLittleEndian, &CCBReadOptions::getBinaryLittleEndian},
  };
  for (const CCBZeroBytes rule : {CCB_ZERO_BYTES_SPACE, CCB_ZERO_BYTES_END, CCB_ZERO_BYTES_KEEP}) {
    for (const Flag& on : flags) {
      CCBReadOptions options;
      (options.*on.first)(true);
      options.setZeroBytes(rule);
      options.setResultEncoding(CCB_RESULT_UTF8);
      for (const Flag& flag : flags) EXPECT_EQ(&flag == &on, (options.*flag.second)());
      EXPECT_EQ(rule, options.getZeroBytes());
      EXPECT_EQ(CCB_RESULT_UTF8, options.getResultEncoding());
    }
  }
}

// A record whose identifier matches no layout is stepped over where its format frames
// it, counted apart from bad records, the first one noted; where only a layout's walk
// could find its end it stops the read. The identifier field is kept when layouts are
// added after it.
TEST_F(RecordReaderTest, UnknownRecordTypes) {
  reader_->clearCopybooks();
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  ASSERT_TRUE(add(KEYED, "A"));
  ASSERT_TRUE(add({"01 O.", "05 T PIC X(4)."}, "O", false));
  int64_t number = 0, offset = 0;
  QvbString id;
  EXPECT_EQ("1@0:AA|111;3@17:AB|222;end",
            readMemory(rdw("AA111") + rdw("OXYZ") + rdw("AB222") + rdw("Z") + rdw("Q"),
                       format(CCB_RECORD_RDW, 0)));
  EXPECT_EQ("", bad_.text);
  EXPECT_EQ(0, reader_->getBadRecordCount());
  EXPECT_EQ(2, reader_->getUnknownRecordCount());
  ASSERT_TRUE(reader_->getFirstUnknownRecord(number, offset, id));
  EXPECT_EQ("4@26:Z", std::to_string(number) + "@" + std::to_string(offset) + ":" + id.str());
  EXPECT_EQ("1@0:AA|111;end", readMemory("AA111OXYZZ", format(CCB_RECORD_FIXED)));
  EXPECT_EQ(0, reader_->getUnknownRecordCount());  // records of 5 bytes: no Z record
  EXPECT_FALSE(reader_->getFirstUnknownRecord(number, offset, id));
  EXPECT_EQ("1@0:AA|111;failed: Copybook not found for this record: Z",
            readMemory("AA111OXYZZZ", format(CCB_RECORD_LAYOUT, -1)));
}

// A repetition count that holds no number, or one below the table's minimum, makes a
// bad record with its reason, as one above the maximum does, also when the layout comes
// from an XML layout document; the layout format, which knows no other end of a record,
// stops there rather than read the rest as further records.
TEST_F(RecordReaderTest, CountsThatAreNoNumberOrOutOfRangeAreBad) {
  const std::vector<std::string> table = {"01 R.", "05 N PIC 9.",
                                          "05 T OCCURS 1 TO 3 DEPENDING ON N.", "10 V PIC X."};
  auto service = test_support::own(createCCBLayoutService());
  ASSERT_TRUE(service->loadCopybook(dir_.write("t.cpy", copybook_test::source(table)).c_str()));
  QvbString xml;
  ASSERT_TRUE(service->saveLayoutXml(xml));
  EXPECT_NE(std::string::npos, xml.str().find("occurs_min=\"1\""));
  const std::string records = "2AB XABC0   4ABC1A  ";
  const std::string bad =
      "2@4+4: Occurs depending value 'X' of N is not a number;"
      "3@8+4: Occurs depending value 0 is out of range 1 to 3;"
      "4@12+4: Occurs depending value 4 is out of range 1 to 3;";
  for (const bool fromXml : {false, true}) {
    SCOPED_TRACE(fromXml ? "XML layout document" : "copybook");
    reader_->clearCopybooks();
    ASSERT_TRUE(fromXml ? reader_->addLayoutXml(xml, "", true) : add(table));
    EXPECT_EQ("1@0:2|A|B|~;5@16:1|A|~|~;end", readMemory(records, format(CCB_RECORD_FIXED, -1)));
    EXPECT_EQ(bad, bad_.text);
    EXPECT_EQ("1@0:2|A|B|~;failed: Occurs depending value 'X' of N is not a number",
              readMemory("2ABXABC", format(CCB_RECORD_LAYOUT)));
  }
}

// A reader opened again reads fixed records of the length asked for now, or of its
// layouts now (a longer redefinition last counted), never of an earlier opening's.
TEST_F(RecordReaderTest, EachOpeningTakesItsOwnRecordLength) {
  CCBReadOptions sixBytes = format(CCB_RECORD_FIXED);
  sixBytes.setRecordLength(6);
  EXPECT_EQ("1@0:AA|111;2@6:BB|222;end", readMemory("AA111 BB222 ", sixBytes));
  EXPECT_EQ("1@0:AA|111;2@5:BB|222;end", readMemory("AA111BB222", format(CCB_RECORD_FIXED)));
  reader_->clearCopybooks();
  ASSERT_TRUE(add({"01 R.", "05 K PIC X(2).", "05 L REDEFINES K PIC X(3)."}));
  EXPECT_EQ("1@0:AA|AAB;2@3:BC|BCC;end", readMemory("AABBCC", format(CCB_RECORD_FIXED)));
}

// Two ranges cut anywhere give every fixed record and line once, cut at a split point
// every descriptor record, numbered; a line range past the skip has no numbers.
TEST_F(RecordReaderTest, RangesGiveEveryRecordOnce) {
  std::string fixed = "HDR", lines = "HDR", records = "HDR", blocks = "HDR", inBlock;
  for (int i = 0; i < 40; ++i) {
    const std::string record =
        std::string(1, static_cast<char>('A' + i % 26)) + "K" + std::to_string(100 + i);
    fixed += record;
    lines += record.substr(0, 2 + i % 4) + (i % 3 == 0 ? "\r\n" : "\n");
    records += rdw(record + std::string(static_cast<size_t>(i % 7), '.'));
    inBlock += rdw(record);
    if (i % 6 == 0 || i % 6 == 4 || i == 39) blocks += rdw(std::exchange(inBlock, {}));
  }
  const std::regex number("(^|;)-?[0-9]+@");  // a record's number in read's text
  const std::pair<CCBRecordFormat, std::string> files[] = {{CCB_RECORD_FIXED, fixed},
                                                           {CCB_RECORD_LINES, lines},
                                                           {CCB_RECORD_RDW, records},
                                                           {CCB_RECORD_VB, blocks}};
  for (const auto& f : files) {
    SCOPED_TRACE(ccbRecordFormatName(f.first));
    CCBReadOptions options = format(f.first);
    options.setSkip(3);
    const std::string file = dir_.write("ranges.dat", f.second);
    const std::string whole = readFile(file, options);
    ASSERT_EQ(41, std::count(whole.begin(), whole.end(), ';') + 1) << whole;
    test_support::SplitCollector split;
    auto& points = split.points;
    if (f.first == CCB_RECORD_FIXED || f.first == CCB_RECORD_LINES) {
      for (size_t cut = 3; cut <= f.second.size(); ++cut) points.emplace_back(cut, -1);
    } else {
      ASSERT_TRUE(reader_->scanSplitPoints(file.c_str(), options, 20, &split));
      ASSERT_LT(3u, points.size());
      EXPECT_EQ((std::pair<int64_t, int64_t>(3, 1)), points.front());
      test_support::SplitCollector inMemory;  // the same bytes in memory: the same points
      ASSERT_TRUE(
          reader_->scanSplitPointsMemory(reinterpret_cast<const unsigned char*>(f.second.data()),
                                         f.second.size(), options, 20, &inMemory));
      EXPECT_EQ(points, inMemory.points);
    }
    for (size_t i = 0; i + 1 < points.size(); ++i) {
      CCBReadOptions before = options, after = options;
      before.setRange(-1, points[i].first);
      after.setRange(points[i].first, -1);
      if (points[i].second > 0) after.setFirstRecord(points[i].second);
      const std::string first = readFile(file, before), second = readFile(file, after);
      const std::string joined = first.substr(0, first.size() - 3) + second;
      SCOPED_TRACE("cut at " + std::to_string(points[i].first));
      const bool numbered = f.first != CCB_RECORD_LINES || i == 0;  // lines past the skip: -1
      EXPECT_TRUE(numbered || std::regex_replace(second, number, "$1-1@") == second) << second;
      const auto strip = [&](const std::string& t) {
        return numbered ? t : std::regex_replace(t, number, "$1@");
      };
      ASSERT_EQ(strip(whole), strip(joined));
    }
  }
}

// A range that starts at or past the end of the input holds no record, in every format,
// however far past it starts and whether or not its first record's number is known.
TEST_F(RecordReaderTest, RangesPastTheEndHoldNoRecords) {
  const std::string bytes = rdw(rdw("AA111"));  // 13 bytes, a vb block; rdw records too
  const std::string file = dir_.write("past.dat", bytes);
  for (const CCBRecordFormat recordFormat :
       {CCB_RECORD_FIXED, CCB_RECORD_LINES, CCB_RECORD_RDW, CCB_RECORD_VB}) {
    for (const int64_t start : {int64_t{13}, int64_t{14}, int64_t{100}, INT64_MAX}) {
      SCOPED_TRACE(std::string(ccbRecordFormatName(recordFormat)) + " from " +
                   std::to_string(start));
      CCBReadOptions options = format(recordFormat);
      options.setRange(start, -1);
      EXPECT_EQ("end", readMemory(bytes, options));
      EXPECT_EQ("end", readFile(file, options));
      EXPECT_EQ(start, reader_->getInputPosition());
    }
  }
}

// A line shorter than its layout reads as if padded with blanks, each of its kind: the
// page's blank in display text, U+0020 in UTF-16 national text (also where a character
// is cut in two), whether fields are decoded at once (with a debug callback) or later.
TEST_F(RecordReaderTest, ShortLinesArePaddedWithBlanksOfTheirKind) {
  using std::string_literals::operator""s;
  reader_->clearCopybooks();
  CCBLayoutOptions layout;
  layout.setNationalUtf16(true);
  reader_->setLayoutOptions(layout);
  ASSERT_TRUE(add({"01 L.", "05 T PIC X(2).", "05 N PIC N(3).", "05 U PIC X(2)."}));
  struct Silent : LYRADebugCallback {
    void debugMessage(const QvbString&) override {}
  } silent;
  const std::pair<const char*, std::string> pages[] = {{"latin1", "ab"}, {"037", "\x81\x82"}};
  for (const auto& [codePage, text] : pages) {
    for (LYRADebugCallback* callback : std::vector<LYRADebugCallback*>{nullptr, &silent}) {
      SCOPED_TRACE(std::string(codePage) + (callback ? ", decoded at once" : ""));
      reader_->setDebugCallback(callback);
      CCBReadOptions options = format(CCB_RECORD_LINES);
      int ccsid = 0;
      ASSERT_TRUE(ccbCodePageFromName(codePage, &ccsid));
      options.setCodePage(ccsid);
      options.setResultEncoding(CCB_RESULT_UTF8);
      EXPECT_EQ("1@0:ab|\xC3\xA9  |  ;2@5:ab|   |  ;3@8:ab|\xC3\xA9\xC3\xA0 |  ;end",
                readMemory(text + "\0\xE9\n"s + text + "\n" + text + "\0\xE9\0\xE0\0\n"s, options));
    }
  }
  reader_->setDebugCallback(nullptr);
}

// A zero byte in display and national text reads as a space, ends the text or stays,
// getOutputBytes giving the whole text; in every character set, numeric display too.
TEST_F(RecordReaderTest, ZeroBytesInText) {
  reader_->clearCopybooks();
  CCBLayoutOptions layout;
  layout.setNationalUtf16(true);
  reader_->setLayoutOptions(layout);
  ASSERT_TRUE(add({"01 Z.", "05 T PIC X(4).", "05 D PIC S9(3).", "05 N PIC N(2)."}));
  const auto zeros = [](std::string text) {  // '~' for a zero byte
    std::replace(text.begin(), text.end(), '~', '\0');
    return text;
  };
  const std::string ascii = zeros("a~b~1~3~~~x"), ebcdic = zeros("\x81~\x82~\xF1~\xF3~~~x");
  const std::pair<CCBZeroBytes, std::string> rules[] = {
      {CCB_ZERO_BYTES_SPACE, "a b | 1 3| x"},  // values: T|D|N
      {CCB_ZERO_BYTES_END, "a| 1|"},
      {CCB_ZERO_BYTES_KEEP, zeros("a~b~| 1~3|~x")}};
  const std::pair<const char*, std::string> pages[] = {
      {"latin1", ascii}, {"utf8", ascii}, {"037", ebcdic}, {"1140", ebcdic}};
  for (const auto& [rule, values] : rules) {
    for (const auto& [codePage, bytes] : pages) {
      CCBReadOptions options = format(CCB_RECORD_FIXED);
      int ccsid = 0;
      ASSERT_TRUE(ccbCodePageFromName(codePage, &ccsid));
      options.setCodePage(ccsid);
      options.setResultEncoding(CCB_RESULT_UTF8);
      options.setZeroBytes(rule);
      EXPECT_EQ("1@0:" + values + ";end", readMemory(bytes, options, true))
          << codePage << " " << rule;
    }
  }
}

// Every whole text stays until the next read, whatever is asked for after it: the
// repetitions of a field, decoded into one buffer, and fields of a single column; the
// next record's texts replace them.
TEST_F(RecordReaderTest, WholeTextsStayUntilTheNextRead) {
  reader_->clearCopybooks();
  ASSERT_TRUE(
      add({"01 R.", "05 A PIC X(2).", "05 B PIC S9(3) COMP-3 OCCURS 3.", "05 C PIC 9(2)."}));
  CCBReadOptions options = format(CCB_RECORD_FIXED);
  options.setCodePage(37);  // text is converted into each field's buffer
  options.setResultEncoding(CCB_RESULT_UTF8);
  const std::string first("\xC1\xC2\x00\x1C\x02\x3D\x99\x9C\xF4\xF2", 10);
  const std::string second("\xC3\xC4\x00\x5C\x12\x3D\x00\x0C\xF0\xF7", 10);
  EXPECT_EQ("1@0:AB|001|-023|999|42;2@10:CD|005|-123|000|07;3@20:AB|001|-023|999|42;end",
            readMemory(first + second + first, options, true));
  // Asked for again, a repetition's text is the same.
  ASSERT_TRUE(reader_->openDataMemory(reinterpret_cast<const unsigned char*>(second.data()),
                                      second.size(), options));
  bool failed = false;
  ASSERT_TRUE(reader_->readNextRecord(failed));
  const char* bytes[2] = {nullptr, nullptr};
  int lengths[2] = {0, 0};
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(reader_->getOutputBytes(2, bytes[i], lengths[i]));
  EXPECT_EQ("-123", std::string(bytes[0], static_cast<size_t>(lengths[0])));
  EXPECT_EQ(bytes[0], bytes[1]);
}

// Record types as redefinitions of one area: the identifier chooses the item that
// applies, the others are null, and the area takes the chosen item's bytes.
TEST_F(RecordReaderTest, SegmentsChooseTheRedefinitionThatApplies) {
  reader_->clearCopybooks();
  ASSERT_TRUE(add({"01 REC.", "05 REC-TYPE PIC X(2).", "05 SEG-A.", "10 A-NAME PIC X(5).",
                   "10 A-QTY PIC 9(3).", "05 SEG-B REDEFINES SEG-A.", "10 B-CODE PIC X(2).",
                   "05 SEG-C REDEFINES SEG-A.", "10 C-AMOUNT PIC S9(5) COMP-3.", "10 C-FLAG PIC X.",
                   "05 TRAILER PIC X(2).", "05 OTHER PIC X.", "05 ALSO REDEFINES OTHER PIC X."}));
  const std::string whole = "1@0:01|ALPHA|007|AL|#ERR#|H|ZZ|.|.;";  // every item read
  const std::string data = std::string("01ALPHA007ZZ.02XYZZ.03\x12\x34\x5CYZZ.", 29) + "09XYZZ.";
  EXPECT_EQ(whole, readMemory(data, format(CCB_RECORD_LAYOUT)).substr(0, whole.size()));
  EXPECT_FALSE(reader_->addSegment("NOPE", "01"));
  EXPECT_EQ("Segment item not found: NOPE", reader_->getErrorMessage().str());
  ASSERT_TRUE(reader_->addSegment("seg-a", "01"));
  ASSERT_TRUE(reader_->addSegment("SEG-B", "02"));
  ASSERT_TRUE(reader_->addSegment("SEG-C", " 03 "));
  EXPECT_EQ("failed: Segments need an identifier field: set it first",
            readMemory(data, format(CCB_RECORD_LAYOUT)));
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X(2)"));
  EXPECT_EQ(
      "1@0:01|ALPHA|007|~|~|~|ZZ|.|.;2@13:02|~|~|XY|~|~|ZZ|.|.;"
      "3@20:03|~|~|~|12345|Y|ZZ|.|.;failed: No segment for this record: 09",
      readMemory(data, format(CCB_RECORD_LAYOUT)));
  EXPECT_FALSE(reader_->addSegment("ALSO", "04"));
  EXPECT_EQ("Segment ALSO is not SEG-A or a redefinition of it", reader_->getErrorMessage().str());
  reader_->clearSegments();  // every item is read again, the area as long as its longest
  EXPECT_EQ(whole, readMemory(data, format(CCB_RECORD_LAYOUT)).substr(0, whole.size()));
}

// Records of one shape read from the offsets one walk found as walked under a debug
// callback, in every format, records cut short included.
TEST_F(RecordReaderTest, RecordsOfOneShapeReadAsTheirWalkReadsThem) {
  reader_->clearCopybooks();
  ASSERT_TRUE(add({"01 R.", "05 A PIC X(2).", "05 B REDEFINES A PIC 9(3).", "05 T OCCURS 2.",
                   "10 P PIC S9(3) COMP-3.", "10 C PIC X.", "05 K PIC X(3).", "05 Z PIC 9(2)."}));
  const std::string full = std::string("123\x01\x2Cx\x98\x7DyKKK45", 14);
  const std::string cut = full.substr(0, 7);
  const std::string values = "12|123|012|x|-987|y|KKK|45;";
  const struct {
    CCBRecordFormat format;
    std::string data, expected;
  } cases[] = {
      {CCB_RECORD_FIXED, full + full, "1@0:" + values + "2@14:" + values + "end"},
      {CCB_RECORD_LAYOUT, full + cut, "1@0:" + values + "failed: Reached EOF"},
      {CCB_RECORD_RDW, rdw(cut) + rdw(full), "1@0:12|123|012|x|~|~|~|~;2@11:" + values + "end"},
      {CCB_RECORD_LINES, cut + "\n" + full,
       "1@0:12|123|012|x|#ERR#| |   |  ;2@8:" + values + "end"},
  };
  copybook_test::RecordingCallback callback;
  for (const auto& c : cases) {
    SCOPED_TRACE(ccbRecordFormatName(c.format));
    const std::string planned = readMemory(c.data, format(c.format));
    EXPECT_EQ(c.expected, planned.substr(0, c.expected.size()));
    reader_->setDebugCallback(&callback);
    EXPECT_EQ(planned, readMemory(c.data, format(c.format)));
    EXPECT_FALSE(callback.messages.empty());
    reader_->setDebugCallback(nullptr);
  }
}

// Split points of bytes in memory, worked out by hand: the first record at or after each
// multiple of the split size past the skip, the first record included; what the scan
// refuses.
TEST_F(RecordReaderTest, SplitPointsOfMemory) {
  using Points = std::vector<std::pair<int64_t, int64_t>>;
  const std::string rdws = rdw("AA111") + rdw("BB222") + rdw("CC333");  // at 0, 9 and 18
  const struct {
    CCBRecordFormat format;
    int64_t skip, every;
    std::string bytes;
    Points points;
  } cases[] = {
      {CCB_RECORD_LINES, 0, 6, "AA111\nBB222\nCC333\n", {{0, 1}, {6, 2}, {12, 3}}},
      {CCB_RECORD_LINES, 0, 7, "AA111\nBB222\nCC333\n", {{0, 1}, {12, 3}}},
      {CCB_RECORD_LINES, 0, 7, "", {}},
      {CCB_RECORD_RDW, 0, 10, rdws, {{0, 1}, {18, 3}}},
      {CCB_RECORD_RDW, 3, 10, "HDR" + rdws, {{3, 1}, {21, 3}}},
      {CCB_RECORD_VB,
       0,
       1,
       rdw(rdw("AA111") + rdw("BB222")) + rdw(rdw("CC333")),
       {{0, 1}, {22, 3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ccbRecordFormatName(c.format) + (": " + c.bytes));
    CCBReadOptions options = format(c.format);
    options.setSkip(c.skip);
    test_support::SplitCollector split;
    ASSERT_TRUE(
        reader_->scanSplitPointsMemory(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                       c.bytes.size(), options, c.every, &split))
        << reader_->getErrorMessage().str();
    EXPECT_EQ(c.points, split.points);
  }
  const std::string bad = rdw("AA111") + word(2);
  const auto* data = reinterpret_cast<const unsigned char*>(bad.data());
  test_support::SplitCollector split;
  EXPECT_FALSE(reader_->scanSplitPointsMemory(data, bad.size(), format(CCB_RECORD_RDW), 5, &split));
  EXPECT_EQ("Invalid record descriptor word at byte offset 9", reader_->getErrorMessage().str());
  EXPECT_FALSE(
      reader_->scanSplitPointsMemory(data, bad.size(), format(CCB_RECORD_FIXED), 5, &split));
  EXPECT_EQ("Split points are for the rdw, vb, vbs, vs and lines record formats",
            reader_->getErrorMessage().str());
  EXPECT_FALSE(reader_->scanSplitPointsMemory(data, bad.size(), format(CCB_RECORD_RDW), 0, &split));
  EXPECT_EQ("Invalid split scan: give a split size of at least 1 byte",
            reader_->getErrorMessage().str());
}

// Copybook text is a layout as its file is: the bytes given and only those, for its
// record identifier; its messages count lines from the text's first; it names no file.
TEST_F(RecordReaderTest, CopybookTextIsALayoutAsItsFileIs) {
  const auto addText = [&](const std::string& text, size_t size, const char* id, bool active) {
    return reader_->addCopybookText(text.data(), size, id, active);
  };
  reader_->clearCopybooks();
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  const std::string keyed = copybook_test::source(KEYED);
  ASSERT_TRUE(addText(keyed, keyed.size(), "A", true)) << reader_->getErrorMessage().str();
  const std::string shorter = copybook_test::source({"01 S.", "05 K PIC X(2).", "05 T PIC X(3)."});
  ASSERT_TRUE(addText(shorter, shorter.rfind("05 T"), "B", false));
  EXPECT_EQ(2, reader_->getCopybookCount());
  EXPECT_EQ("1@0:AA|111;3@10:AC|333;end", readMemory("AA111BBxyzAC333", format(CCB_RECORD_FIXED)));
  reader_->clearCopybooks();
  ASSERT_TRUE(addText(shorter, shorter.rfind("05 T"), "", true));  // the text before T alone
  EXPECT_EQ("1@0:BB;2@2:xy;end", readMemory("BBxy", format(CCB_RECORD_FIXED)));
  EXPECT_EQ(0, reader_->getLayoutFileCount(0));
  const std::string bad = copybook_test::source({"01 R.", "05 A PIC X.", "05 B PIC 9()."});
  EXPECT_FALSE(addText(bad, bad.size(), "", true));
  EXPECT_EQ("Invalid number of repetitions, Line: 3\n", reader_->getErrorMessage().str());
  const std::string zero = std::string(bad.data(), bad.find('B')) + '\0';
  EXPECT_FALSE(addText(zero, zero.size(), "", true));
  EXPECT_EQ("File holds a zero byte: it is not a text file, Line: 3\n",
            reader_->getErrorMessage().str());
}

// Pipes read forward, through the header; ranges need inputs that seek; descriptors read
// from where they stand; impossible options refused; records across read blocks read right.
TEST_F(RecordReaderTest, PipesAndRefusedOptions) {
  const std::string piped = std::string(10000, 'h') + rdw("AA111") + rdw("BB222");
  CCBReadOptions options = format(CCB_RECORD_RDW);
  options.setSkip(10000);
  EXPECT_EQ("1@10000:AA|111;2@10009:BB|222;end", readPipe(piped, options));
  options.setRange(10009, -1);
  options.setFirstRecord(2);
  EXPECT_EQ("open: A range needs a file or memory: this input cannot seek",
            readPipe(piped, options));
  // Input that cannot be read says why.
  const int folder = ::open(dir_.path("").c_str(), O_RDONLY | O_DIRECTORY);
  EXPECT_EQ("failed: Error reading file: Is a directory",
            read(reader_->openDataDescriptor(folder, format(CCB_RECORD_FIXED))));
  close(folder);
  EXPECT_EQ("failed: Error reading file: Bad file descriptor",
            read(reader_->openDataDescriptor(folder, format(CCB_RECORD_FIXED))));
  const int placed = ::open(dir_.write("placed.dat", "xxxAA111BB222").c_str(), O_RDONLY);
  ASSERT_EQ(3, lseek(placed, 3, SEEK_SET));
  EXPECT_EQ("1@0:AA|111;2@5:BB|222;end",
            read(reader_->openDataDescriptor(placed, format(CCB_RECORD_FIXED))));
  close(placed);

  CCBReadOptions unnumbered = format(CCB_RECORD_VB), fixed = format(CCB_RECORD_FIXED);
  unnumbered.setRange(4, -1);
  EXPECT_EQ(
      "open: A range of rdw, vb, vbs or vs records must start at a split point: give the "
      "record number that the split scan gives for it",
      readMemory(rdw(rdw("AA111")), unnumbered));
  fixed.setRecordLength(1 << 30);
  EXPECT_EQ("open: Invalid record length 1073741824: it must be from 0 to 268435456",
            readMemory("AA111", fixed));
  fixed.setRecordLength(0);
  fixed.setSkip(5);
  EXPECT_EQ("end", readMemory("AA111", fixed));  // nothing after the header: no record
  fixed.setSkip(6);
  const std::string tooShort =
      "open: The input ends before its first record: it is shorter than the skip of 6 bytes";
  EXPECT_EQ(tooShort, readMemory("AA111", fixed));
  EXPECT_EQ(tooShort, readPipe("AA111", fixed));

  // The next descriptor word 2 bytes before the end of the first block read; a line's
  // CR there, its LF at the block's last byte.
  const int block = READER_WINDOW_CAPACITY;
  const std::string crossing = rdw("AA111" + std::string(block - 11, '.')) + rdw("BB222");
  EXPECT_EQ(qvbStringFormat("1@0:AA|111;2@%d:BB|222;end", block - 2).str(),
            readFile(dir_.write("crossing.dat", crossing), format(CCB_RECORD_RDW)));
  const int shortLines = (block - 28) / 6;  // then 3 lines of 7 bytes end at block - 7
  std::string lines;
  for (int i = 0; i < shortLines + 3; ++i) lines += i < shortLines ? "ZZ999\n" : "YY888\r\n";
  const std::string text =
      readFile(dir_.write("crossing.txt", lines + "BB222\r\nCC333"), format(CCB_RECORD_LINES));
  EXPECT_EQ(shortLines + 5, std::count(text.begin(), text.end(), ';'));
  const std::string last = qvbStringFormat(";%d@%d:BB|222;%d@%d:CC|333;end", shortLines + 4,
                                           block - 7, shortLines + 5, block)
                               .str();
  EXPECT_EQ(last, text.substr(text.size() - last.size()));
}

// In a 5 GiB file (a hole but for three records), ranges reach records by 64-bit offsets.
TEST_F(RecordReaderTest, FilesBeyondFourGibibytes) {
  const int64_t middle = 2684354000, last = 5368709000;  // multiples of the record's 5 bytes
  const std::string big = dir_.path("big.dat");
  (std::ofstream(big, std::ios::binary) << "AA111").seekp(middle) << "MM222";
  std::ofstream(big, std::ios::binary | std::ios::in).seekp(last) << "ZZ333";
  CCBReadOptions options = format(CCB_RECORD_FIXED);
  options.setRange(middle - 4, middle + 1);
  EXPECT_EQ("536870801@2684354000:MM|222;end", readFile(big, options));
  EXPECT_EQ(last + 5, reader_->getDataFileSize());
  options.setRange(last, -1);
  EXPECT_EQ("1073741801@5368709000:ZZ|333;end", readFile(big, options));
}

}  // namespace
