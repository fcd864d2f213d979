// The record reader on bytes built here: each record format, fields past a short
// record's end, positions, ranges and split points, inputs in memory and on a pipe,
// and bad records passed over or stopping the read.
#include "lyra/ccb_record_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

// Records of 5 bytes: a 2-character key and a 3-digit number.
const std::vector<std::string> KEYED = {"01 R.", "05 K PIC X(2).", "05 N PIC 9(3)."};

// "RDW" framing: a big-endian length counting the 4 descriptor bytes, 2 zero bytes.
std::string rdw(const std::string& data) {
  const size_t length = data.size() + 4;
  return std::string{static_cast<char>(length >> 8), static_cast<char>(length & 0xFF), 0, 0} + data;
}

// A block descriptor word (2-byte big-endian length counting its 4 bytes) and records.
std::string block(const std::string& records) {
  return rdw(records);
}

// The record number before each record's "@offset" in readAll's text.
const std::regex NUMBER("(^|;)-?[0-9]+@");

class RecordReaderTest : public ::testing::Test, public CCBBadRecordCallback {
 protected:
  void SetUp() override {
    const std::string path = dir_.write("keyed.cpy", copybook_test::source(KEYED));
    ASSERT_TRUE(reader_->addCopybook(path.c_str(), "", true));
    reader_->setBadRecordCallback(this);
  }

  void badRecord(int64_t number, int64_t offset, const unsigned char*, int length,
                 const QvbString& reason) override {
    bad_.push_back(std::to_string(number) + "@" + std::to_string(offset) + "+" +
                   std::to_string(length) + ": " + reason.str());
  }

  // Reads what is open to its end: each record as "number@offset:columns;" with
  // null columns as "~", then "end" or "failed: " and the message.
  std::string readAll() {
    std::string text;
    bool failed = false;
    for (int n = 0; n < 10000 && reader_->readNextRecord(failed); ++n) {
      text += std::to_string(reader_->getRecordNumber()) + "@" +
              std::to_string(reader_->getRecordOffset()) + ":";
      for (int i = 0; i < reader_->getOutputCount(); ++i) {
        const QvbDatavar v = reader_->getOutputValue(i);
        text += (i ? "|" : "") + (v.isNull() ? std::string("~") : v.text().str());
      }
      text += ";";
    }
    return text + (failed ? "failed: " + reader_->getErrorMessage().str() : "end");
  }

  std::string readMemory(const std::string& bytes, const CCBReadOptions& options) {
    bad_.clear();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (!reader_->openDataMemory(data, bytes.size(), options)) {
      return "open: " + reader_->getErrorMessage().str();
    }
    return readAll();
  }

  // The same bytes as a file must read the same.
  std::string readBoth(const std::string& bytes, const CCBReadOptions& options) {
    const std::string fromMemory = readMemory(bytes, options);
    const std::vector<std::string> memoryBad = bad_;
    bad_.clear();
    const std::string path = dir_.write("data.dat", bytes);
    EXPECT_TRUE(reader_->openData(path.c_str(), options)) << reader_->getErrorMessage().str();
    EXPECT_EQ(fromMemory, readAll()) << "read from a file";
    EXPECT_EQ(memoryBad, bad_);
    return fromMemory;
  }

  test_support::TempDir dir_;
  std::unique_ptr<CCBRecordReader, void (*)(CCBRecordReader*)> reader_{
      createCCBRecordReader(), [](CCBRecordReader* r) { r->release(); }};
  std::vector<std::string> bad_;
};

CCBReadOptions format(CCBRecordFormat recordFormat, int64_t maxErrors = 0) {
  CCBReadOptions options;
  options.setRecordFormat(recordFormat);
  options.setMaxErrors(maxErrors);
  return options;
}

// Every format on the records it frames; fields wholly or partly past a short
// descriptor record are null, its extra bytes stepped over; a short line reads as
// if padded with blanks.
TEST_F(RecordReaderTest, EachFormatFramesItsRecords) {
  CCBReadOptions little = format(CCB_RECORD_RDW), excludes = format(CCB_RECORD_RDW);
  little.setRdwLittleEndian(true);
  excludes.setRdwExcludesHeader(true);
  const std::string extended = std::string("\x80\x00\x00\x16", 4) + rdw("EE555") + rdw("FF666");
  const struct {
    CCBReadOptions options;
    std::string bytes;
    const char* expected;
  } cases[] = {
      {format(CCB_RECORD_FIXED), "AA111BB222", "1@0:AA|111;2@5:BB|222;end"},
      {format(CCB_RECORD_LAYOUT), "AA111BB222", "1@0:AA|111;2@5:BB|222;end"},
      {format(CCB_RECORD_RDW), rdw("AA111") + rdw("BB2") + rdw("CC333xyz") + rdw("D"),
       "1@0:AA|111;2@9:BB|~;3@16:CC|333;4@28:~|~;end"},
      {little, std::string("\0\0\x09\0AA111\0\0\x07\0BB2", 16), "1@0:AA|111;2@9:BB|~;end"},
      {excludes, std::string("\0\x05\0\0AA111\0\x02\0\0BB", 15), "1@0:AA|111;2@9:BB|~;end"},
      {format(CCB_RECORD_VB), block(rdw("AA111") + rdw("BB222")) + block(rdw("CC333")) + extended,
       "1@4:AA|111;2@13:BB|222;3@26:CC|333;4@39:EE|555;5@48:FF|666;end"},
      {format(CCB_RECORD_VB), block("") + block(rdw("AA111")), "1@8:AA|111;end"},  // empty block
      {format(CCB_RECORD_LINES), "AA111\r\nBB\nCC333\r\nDD444",
       "1@0:AA|111;2@7:BB|   ;3@10:CC|333;4@17:DD|444;end"},
      {format(CCB_RECORD_LINES), "AA111\n", "1@0:AA|111;end"},
      {format(CCB_RECORD_LINES), "", "end"},
      {format(CCB_RECORD_RDW), "", "end"},
      {format(CCB_RECORD_FIXED), "", "end"},
      {format(CCB_RECORD_LAYOUT), "", "end"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ccbRecordFormatName(c.options.getRecordFormat()) + (": " + c.bytes));
    EXPECT_EQ(c.expected, readBoth(c.bytes, c.options));
    EXPECT_TRUE(bad_.empty());
  }
}

// Bad records: reading stops at the first unless more are allowed; then each is
// reported (number, offset, length with its framing, reason) and passed over. A
// descriptor word that cannot be trusted always stops the read.
TEST_F(RecordReaderTest, BadRecordsArePassedOverOrStopTheRead) {
  const std::string badLines = "AA111\nAA1111\nBB222\n";
  const struct {
    CCBReadOptions options;
    std::string bytes;
    const char* expected;
    std::vector<std::string> bad;
  } cases[] = {
      {format(CCB_RECORD_LINES),
       badLines,
       "1@0:AA|111;failed: Line of 6 bytes is longer than its layout, which reads 5",
       {}},
      {format(CCB_RECORD_LINES, 1),
       badLines,
       "1@0:AA|111;3@13:BB|222;end",
       {"2@6+7: Line of 6 bytes is longer than its layout, which reads 5"}},
      {format(CCB_RECORD_RDW, -1),
       rdw("AA111") + rdw("") + std::string(4, '\0') + rdw("BB222"),
       "1@0:AA|111;4@17:BB|222;end",
       {"2@9+4: Record of zero length", "3@13+4: Record of zero length"}},
      {format(CCB_RECORD_FIXED, 5),
       "AA111BB222CC3",
       "1@0:AA|111;2@5:BB|222;end",
       {"3@10+3: Record cut short: 3 of 5 bytes"}},
      {format(CCB_RECORD_RDW, -1),
       rdw("AA111") + std::string("\x00\x09\x00\x01"
                                  "BB222",
                                  9),
       "1@0:AA|111;failed: Invalid record descriptor word at byte offset 9",
       {}},
      {format(CCB_RECORD_RDW, -1),
       rdw("AA111") + std::string("\x00\x02\x00\x00", 4),
       "1@0:AA|111;failed: Invalid record descriptor word at byte offset 9",
       {}},
      {format(CCB_RECORD_RDW, -1),
       rdw("AA111") + std::string("\x00\x20\x00\x00"
                                  "BB222",
                                  9),
       "1@0:AA|111;failed: Record at byte offset 9 runs past the end of the file",
       {}},
      {format(CCB_RECORD_RDW, -1),
       rdw("AA111") + std::string("\x00\x20", 2),
       "1@0:AA|111;failed: Record descriptor word at byte offset 9 is cut short",
       {}},
      {format(CCB_RECORD_VB, -1),
       std::string("\x00\x0c\x00\x00", 4) + rdw("AA111"),
       "failed: Record at byte offset 4 runs past the end of its block",
       {}},
      {format(CCB_RECORD_VB, -1),
       std::string("\x00\x0f\x00\x00", 4) + rdw("AA111") + "xx",
       "1@4:AA|111;failed: Block ends inside a record descriptor word at byte offset 13",
       {}},
      {format(CCB_RECORD_VB, -1),
       std::string("\x00\x03\x00\x00", 4),
       "failed: Invalid block descriptor word at byte offset 0",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.expected, readBoth(c.bytes, c.options));
    EXPECT_EQ(c.bad, bad_);
    EXPECT_EQ(static_cast<int64_t>(c.bad.size()), reader_->getBadRecordCount());
  }
}

// Records of several layouts told apart by their first character; one whose
// identifier matches no layout is a bad record where its format frames it, and
// stops the read where only a layout's walk could find its end.
TEST_F(RecordReaderTest, UnknownRecordTypes) {
  const std::string other =
      dir_.write("other.cpy", copybook_test::source({"01 O.", "05 T PIC X(4)."}));
  reader_->clearCopybooks();
  ASSERT_TRUE(
      reader_->addCopybook(dir_.write("k.cpy", copybook_test::source(KEYED)).c_str(), "A", true));
  ASSERT_TRUE(reader_->addCopybook(other.c_str(), "O", false));
  ASSERT_TRUE(reader_->setIdentifierField(0, "PIC X"));
  EXPECT_EQ(
      "1@0:AA|111;3@17:AB|222;end",
      readBoth(rdw("AA111") + rdw("OXYZ") + rdw("AB222") + rdw("Z"), format(CCB_RECORD_RDW, 1)));
  EXPECT_EQ((std::vector<std::string>{"4@26+5: Copybook not found for this record: Z"}), bad_);
  EXPECT_EQ("1@0:AA|111;failed: Copybook not found for this record: Z",
            readBoth("AA111OXYZZZ", format(CCB_RECORD_LAYOUT, -1)));
}

// The record just read: where it is, its length and its bytes without framing; the
// input position follows the records.
TEST_F(RecordReaderTest, PositionAndBytesOfTheCurrentRecord) {
  const std::string bytes = rdw("AA111") + rdw("BB222xyz");
  ASSERT_TRUE(reader_->openDataMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                      bytes.size(), format(CCB_RECORD_RDW)));
  bool failed = false;
  std::string seen;
  while (reader_->readNextRecord(failed)) {
    seen += std::to_string(reader_->getRecordOffset()) + "+" +
            std::to_string(reader_->getRecordSize()) + "=" +
            std::string(reinterpret_cast<const char*>(reader_->getRecordBytes()),
                        reader_->getRecordSize()) +
            " to " + std::to_string(reader_->getInputPosition()) + ";";
  }
  EXPECT_EQ("0+5=AA111 to 9;9+8=BB222xyz to 21;", seen);
  EXPECT_FALSE(failed);
}

// Consecutive ranges cut anywhere give every fixed record and every line exactly once;
// ranges between split points do the same for descriptor-word records and blocks, with
// their numbers in the file. A line range cut past the skip cannot know numbers.
TEST_F(RecordReaderTest, RangesGiveEveryRecordOnce) {
  std::string fixed = "HDR", lines = "HDR", records, blocks = "HDR";
  for (int i = 0; i < 40; ++i) {
    const std::string record =
        std::string(1, static_cast<char>('A' + i % 26)) + "K" + std::to_string(100 + i);
    fixed += record;
    lines += record.substr(0, 2 + i % 4) + (i % 3 == 0 ? "\r\n" : "\n");
    records += rdw(record + std::string(static_cast<size_t>(i % 7), '.'));
  }
  for (int b = 0; b < 40; b += 1 + b % 5) {
    std::string inBlock;
    for (int i = b; i < std::min(40, b + 1 + b % 5); ++i)
      inBlock += rdw(fixed.substr(3 + 5 * i, 5));
    blocks += block(inBlock);
  }
  const std::string paths[] = {dir_.write("fixed", fixed), dir_.write("lines", lines),
                               dir_.write("rdw", "HDR" + records), dir_.write("vb", blocks)};
  const CCBRecordFormat formats[] = {CCB_RECORD_FIXED, CCB_RECORD_LINES, CCB_RECORD_RDW,
                                     CCB_RECORD_VB};
  for (int f = 0; f < 4; ++f) {
    SCOPED_TRACE(ccbRecordFormatName(formats[f]));
    CCBReadOptions options = format(formats[f]);
    options.setSkip(3);
    ASSERT_TRUE(reader_->openData(paths[f].c_str(), options));
    const std::string whole = readAll();
    ASSERT_EQ(41, std::count(whole.begin(), whole.end(), ';') + 1) << whole;
    std::vector<std::pair<int64_t, int64_t>> starts;  // offset, record number
    if (f < 2) {
      const int64_t size = static_cast<int64_t>(test_support::readFile(paths[f]).size());
      for (int64_t cut = 3; cut <= size; ++cut) starts.emplace_back(cut, -1);
    } else {
      struct Points : CCBSplitCallback {
        bool splitPoint(int64_t offset, int64_t number) override {
          found.emplace_back(offset, number);
          return true;
        }
        std::vector<std::pair<int64_t, int64_t>> found;
      } points;
      ASSERT_TRUE(reader_->scanSplitPoints(paths[f].c_str(), options, 20, &points));
      ASSERT_LT(3u, points.found.size());
      EXPECT_EQ((std::pair<int64_t, int64_t>(3, 1)), points.found.front());
      starts = points.found;
    }
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
      const int64_t cut = starts[i].first;
      CCBReadOptions before = options, after = options;
      before.setRange(-1, cut);
      after.setRange(cut, -1);
      if (starts[i].second > 0) after.setFirstRecord(starts[i].second);
      ASSERT_TRUE(reader_->openData(paths[f].c_str(), before));
      std::string joined = readAll();
      ASSERT_TRUE(reader_->openData(paths[f].c_str(), after)) << reader_->getErrorMessage().str();
      const std::string second = readAll();
      joined = joined.substr(0, joined.size() - 3) + second;
      if (formats[f] != CCB_RECORD_LINES) {
        ASSERT_EQ(whole, joined) << "cut at " << cut;
        continue;
      }
      // Past the skip, a line range knows no record numbers.
      if (cut > 3) {
        EXPECT_EQ(std::regex_replace(second, NUMBER, "$1-1@"), second);
      }
      ASSERT_EQ(std::regex_replace(whole, NUMBER, "$1@"), std::regex_replace(joined, NUMBER, "$1@"))
          << "cut at " << cut;
    }
  }
}

// A pipe is read strictly forward, its header skipped by reading through it; a
// range needs an input that can seek, and rdw and vb ranges past the skip need the
// record number of their split point. Records and line ends that cross the file's
// read blocks of 4096 bytes read right.
TEST_F(RecordReaderTest, PipesAndRefusedOptions) {
  int ends[2];
  ASSERT_EQ(0, pipe(ends));
  const std::string header(10000, 'h');
  std::thread writer([&] {
    const std::string bytes = header + rdw("AA111") + rdw("BB222");
    EXPECT_EQ(static_cast<ssize_t>(bytes.size()), write(ends[1], bytes.data(), bytes.size()));
    close(ends[1]);
  });
  CCBReadOptions options = format(CCB_RECORD_RDW);
  options.setSkip(10000);
  ASSERT_TRUE(reader_->openDataDescriptor(ends[0], options));
  EXPECT_EQ("1@10000:AA|111;2@10009:BB|222;end", readAll());
  writer.join();
  options.setRange(10009, -1);
  options.setFirstRecord(2);
  EXPECT_FALSE(reader_->openDataDescriptor(ends[0], options));
  EXPECT_EQ("A range needs a file or memory: this input cannot seek",
            reader_->getErrorMessage().str());
  close(ends[0]);

  CCBReadOptions layout = format(CCB_RECORD_LAYOUT), unnumbered = format(CCB_RECORD_VB);
  layout.setRange(0, 10);
  unnumbered.setRange(8, -1);
  EXPECT_EQ("open: The layout record format takes no range: only its walk finds where records end",
            readMemory("AA111", layout));
  EXPECT_EQ(
      "open: A range of rdw or vb records must start at a split point: give the record "
      "number that the split scan gives for it",
      readMemory("AA111", unnumbered));
  // A descriptor is read on from where it stands, never rewound.
  const int placed = ::open(dir_.write("placed.dat", "xxxAA111BB222").c_str(), O_RDONLY);
  ASSERT_EQ(3, lseek(placed, 3, SEEK_SET));
  ASSERT_TRUE(reader_->openDataDescriptor(placed, format(CCB_RECORD_FIXED)));
  EXPECT_EQ("1@0:AA|111;2@5:BB|222;end", readAll());
  close(placed);
  CCBReadOptions skipped = format(CCB_RECORD_FIXED);
  skipped.setSkip(5);
  EXPECT_EQ("end", readBoth("AA111", skipped));  // nothing after the header: no record
  skipped.setSkip(6);
  EXPECT_EQ("open: The input ends before its first record: it is shorter than the skip of 6 bytes",
            readMemory("AA111", skipped));
  int shortPipe[2];
  ASSERT_EQ(0, pipe(shortPipe));
  ASSERT_EQ(5, write(shortPipe[1], "AA111", 5));
  close(shortPipe[1]);
  EXPECT_FALSE(reader_->openDataDescriptor(shortPipe[0], skipped));
  EXPECT_EQ("The input ends before its first record: it is shorter than the skip of 6 bytes",
            reader_->getErrorMessage().str());
  close(shortPipe[0]);
  CCBReadOptions huge = format(CCB_RECORD_FIXED), backwards = format(CCB_RECORD_FIXED);
  huge.setRecordLength(1 << 30);
  backwards.setRange(5, 4);
  EXPECT_EQ("open: Invalid record length 1073741824: it must be from 0 to 268435456",
            readMemory("AA111", huge));
  EXPECT_EQ("open: Invalid range: an offset is negative or its end comes before its start",
            readMemory("AA111", backwards));

  // The next descriptor word at 4094; a line's CR at 4094, its LF at 4095.
  const std::string crossing = rdw("AA111" + std::string(4085, '.')) + rdw("BB222");
  EXPECT_EQ("1@0:AA|111;2@4094:BB|222;end", readBoth(crossing, format(CCB_RECORD_RDW)));
  std::string lines;
  for (int i = 0; i < 678; ++i) lines += "ZZ999\n";
  for (int i = 0; i < 3; ++i) lines += "YY888\r\n";
  const std::string text = readBoth(lines + "BB222\r\nCC333", format(CCB_RECORD_LINES));
  EXPECT_EQ(683, std::count(text.begin(), text.end(), ';'));
  EXPECT_EQ(";682@4089:BB|222;683@4096:CC|333;end", text.substr(text.rfind(";682@")));
}

// A file of 5 GiB, a hole but for records at its start, middle and end: ranges reach
// each by its 64-bit offset and number it in the whole file.
TEST_F(RecordReaderTest, FilesBeyondFourGibibytes) {
  const int64_t length = 1000, middle = 2684354000, last = 5368709000;  // multiples of 1000
  const std::string path = dir_.path("big.dat");
  {
    std::ofstream out(path, std::ios::binary);
    for (const auto& at : {std::make_pair(int64_t{0}, "AA111"), std::make_pair(middle, "MM222"),
                           std::make_pair(last, "ZZ333")}) {
      out.seekp(at.first);
      out << at.second << std::string(length - 5, ' ');
    }
  }
  CCBReadOptions options = format(CCB_RECORD_FIXED);
  options.setRecordLength(static_cast<int>(length));
  options.setRange(middle - 999, middle + 1);
  ASSERT_TRUE(reader_->openData(path.c_str(), options));
  EXPECT_EQ("2684355@2684354000:MM|222;end", readAll());
  EXPECT_EQ(last + length, reader_->getDataFileSize());
  options.setRange(last, -1);
  ASSERT_TRUE(reader_->openData(path.c_str(), options));
  EXPECT_EQ("5368710@5368709000:ZZ|333;end", readAll());
}

}  // namespace
