// CCBOutputFramer frames the records a record writer writes, as CCBRecordFramer reads
// them back: fixed-length records padded with blanks to their length, records as
// they are (the layout format), records behind record descriptor words (rdw, or the
// length words of GnuCOBOL's variable files), blocks of them behind block descriptor
// words (vb, each block at most block_size bytes), spanned records cut into segments
// behind segment descriptor words, in such blocks (vbs) or one after another (vs, each
// segment at most block_size bytes), and text lines ended by LF. It tells beforehand
// whether a record can be framed, so that a record that cannot is passed over whole.
// It writes to a CCBOutputTarget it does not own and keeps the block being filled.
#ifndef LYRA_INPUT_CCB_OUTPUT_FRAMER_H_
#define LYRA_INPUT_CCB_OUTPUT_FRAMER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "input/ccb_output_target.h"
#include "lyra/ccb_read_options.h"

struct OutputFramerSettings {
  CCBRecordFormat format = CCB_RECORD_LAYOUT;
  int recordLength = 0;              // fixed: bytes per record
  bool littleEndian = false;         // rdw, vb, vbs, vs: the record or segment word
  bool excludesHeader = false;       // rdw, vb, vbs, vs: the length leaves out the word
  bool blockExcludesHeader = false;  // vb, vbs: a block's length leaves out its 4 bytes
  int64_t blockSize = 0;             // vb, vbs: the most bytes of a block, its word
                                     // included; vs: of a segment
  int varseqFormat = -1;             // rdw: GnuCOBOL's variable-file form 0 to 3; -1: none
  unsigned char padByte = ' ';       // fixed: what pads a shorter record
};

class CCBOutputFramer {
 public:
  // The least block_size a vb file can have: its word and a record of one byte.
  static const int64_t MIN_BLOCK_SIZE = 9;
  // The most a block descriptor word tells: 31 bits.
  static const int64_t MAX_BLOCK_SIZE = 0x7FFFFFFF;

  void reset(const OutputFramerSettings& settings, CCBOutputTarget* target);
  // Whether a record of length bytes can be framed; the reason when not.
  bool fits(const unsigned char* record, int length, std::string* reason) const;
  // Frames and writes a record that fits; false when the target failed.
  bool write(const unsigned char* record, int length);
  // Writes the last block; false when the target failed.
  bool finish();

 private:
  bool writeBlock();
  bool writeSpanned(const unsigned char* record, int length);
  bool addToBlock(const unsigned char* word, const unsigned char* data, int length);
  // The word before a record or segment of length data bytes; returns its size.
  int putRecordWord(int length, int segmentCode, unsigned char* word) const;
  int longestSegment() const;

  OutputFramerSettings settings_;
  CCBOutputTarget* target_ = nullptr;   // not owned
  std::vector<unsigned char> block_;    // vb, vbs: the block being filled, its word first
  std::vector<unsigned char> padding_;  // fixed: blanks
};

#endif  // LYRA_INPUT_CCB_OUTPUT_FRAMER_H_
