// CCBRecordFramer tells where each record of a data file starts and ends for the
// record formats that frame records without a layout: fixed-length records, records
// behind record descriptor words (rdw, also in the forms of GnuCOBOL's variable
// files), blocks of such records behind block descriptor words (vb), spanned records
// cut into segments behind segment descriptor words, in blocks (vbs) or not (vs), and
// text lines. It reads the descriptor words and line ends from the data file's window
// and keeps what it must between records (the bytes left in a block); the reader
// walks each framed record with its layout.
//
// A frame's positions are window positions, valid until the data file compacts its
// window (the reader's next nextRecord()). A spanned record of several segments is
// joined into a buffer the framer owns, valid until its next call; the raw segments
// stay in the window. The framer owns nothing else.
#ifndef LYRA_INPUT_CCB_RECORD_FRAMER_H_
#define LYRA_INPUT_CCB_RECORD_FRAMER_H_

#include <cstdint>
#include <vector>

#include "input/ccb_data_file.h"
#include "lyra/ccb_read_options.h"
#include "lyra/qvb_string.h"

enum FrameStatus {
  FRAME_RECORD,  // a record was framed
  FRAME_END,     // no record is left (or none starts before the range's end)
  FRAME_BAD,     // a record that cannot be read, framed so that it can be passed over
  FRAME_FAILED,  // no safe way to find the next record: reading must stop
};

struct RecordFrame {
  int rawStart = 0;    // the record as it stands in the input, descriptor word included
  int start = 0;       // its data
  int length = 0;      // bytes of data
  int next = 0;        // after the record, its line end included
  int64_t offset = 0;  // the input offset of rawStart
  // Where a range that starts with this record starts (vb, vbs: its block, when the
  // record is the block's first; otherwise the record's offset); -1 where no range may
  // start at the record (a record that is not its block's first, a segment that
  // continues a record).
  int64_t splitOffset = -1;
  // A spanned record joined from several segments: its length bytes, which lie apart
  // in the window, joined here (start is then meaningless); null for any other.
  const unsigned char* joined = nullptr;
};

struct FramerSettings {
  CCBRecordFormat format = CCB_RECORD_FIXED;  // fixed, rdw, vb or lines
  int recordLength = 0;                       // fixed: bytes per record
  bool littleEndian = false;                  // rdw, vb: the record descriptor word
  bool excludesHeader = false;                // rdw, vb: the length leaves out 4 bytes
  bool blockExcludesHeader = false;           // vb, vbs: a block's length leaves out its 4 bytes
  int varseqFormat = -1;  // rdw: GnuCOBOL's variable-file form 0 to 3; -1: the rdw options
  int64_t rangeEnd = -1;  // no record starts here or later; -1: none
  int longestRecord = 256 * 1024 * 1024;  // vbs, vs: no joined record is longer
};

class CCBRecordFramer {
 public:
  // The settings of reading with options: fixed records of recordLength bytes, none
  // starting at or after rangeEnd (-1: none).
  static FramerSettings settingsOf(const CCBReadOptions& options, int recordLength,
                                   int64_t rangeEnd);
  void reset(const FramerSettings& settings);
  // Frames the record at window position `position`; a reason for FRAME_BAD and
  // FRAME_FAILED.
  FrameStatus next(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  // Whether a vb or vbs block has been entered and not yet framed to its end: an
  // input that ends here is cut short.
  bool insideBlock() const { return blockLeft_ > 0; }

 private:
  // A segment descriptor word and the segment behind it.
  struct Segment {
    int length = 0;  // bytes of data
    int code = 0;    // its place in its record: a SegmentCode
    int next = 0;    // the window position after it
  };

  FrameStatus nextFixed(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus nextRdw(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus nextVb(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus nextLine(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus enterBlock(CCBDataFile* file, int* position, bool checkRange, QvbString* reason);
  bool pastRange(const CCBDataFile* file, int position) const;
  // Spanned records (ccb_segment_framing.cpp).
  FrameStatus nextSpanned(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus readSegment(CCBDataFile* file, int position, Segment* segment, QvbString* reason);
  FrameStatus startRecord(CCBDataFile* file, int position, const Segment& segment,
                          int64_t splitOffset, RecordFrame* frame, QvbString* reason);
  FrameStatus badJoin(int end, const QvbString& why, RecordFrame* frame, QvbString* reason);
  void takeSegment(const Segment& segment);

  FramerSettings settings_;
  int descriptorSize_ = 4;   // bytes of the word before each record or segment
  int64_t blockLeft_ = 0;    // vb, vbs: bytes of the current block after the records framed
  int64_t blockOffset_ = 0;  // vb, vbs: the input offset of the current block
  std::vector<unsigned char> joined_;  // the data of the segments joined so far
};

#endif  // LYRA_INPUT_CCB_RECORD_FRAMER_H_
