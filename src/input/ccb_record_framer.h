// CCBRecordFramer tells where each record of a data file starts and ends for the
// record formats that frame records without a layout: fixed-length records, records
// behind record descriptor words (rdw), blocks of such records behind block
// descriptor words (vb) and text lines. It reads the descriptor words and line ends
// from the data file's window and keeps what it must between records (the bytes
// left in a vb block); the reader walks each framed record with its layout.
//
// A frame's positions are window positions, valid until the data file compacts its
// window (the reader's next nextRecord()). The framer owns nothing.
#ifndef LYRA_INPUT_CCB_RECORD_FRAMER_H_
#define LYRA_INPUT_CCB_RECORD_FRAMER_H_

#include <cstdint>

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
};

struct FramerSettings {
  CCBRecordFormat format = CCB_RECORD_FIXED;  // fixed, rdw, vb or lines
  int recordLength = 0;                       // fixed: bytes per record
  bool littleEndian = false;                  // rdw, vb: the record descriptor word
  bool excludesHeader = false;                // rdw, vb: the length leaves out 4 bytes
  bool blockExcludesHeader = false;           // vb: a block's length leaves out its 4 bytes
  int64_t rangeEnd = -1;                      // no record starts here or later; -1: none
};

class CCBRecordFramer {
 public:
  void reset(const FramerSettings& settings);
  // Frames the record at window position `position`; a reason for FRAME_BAD and
  // FRAME_FAILED.
  FrameStatus next(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  // Whether a vb block has been entered and not yet framed to its end: an input that
  // ends here is cut short.
  bool insideBlock() const { return blockLeft_ > 0; }

 private:
  FrameStatus nextFixed(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus nextRdw(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus nextVb(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  FrameStatus nextLine(CCBDataFile* file, int position, RecordFrame* frame, QvbString* reason);
  bool pastRange(const CCBDataFile* file, int position) const;

  FramerSettings settings_;
  int64_t blockLeft_ = 0;    // vb: bytes of the current block after the records framed
  int64_t blockOffset_ = 0;  // vb: the input offset of the current block
};

#endif  // LYRA_INPUT_CCB_RECORD_FRAMER_H_
