#include "input/ccb_output_framer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

const int DESCRIPTOR_SIZE = 4;
const int MAX_RDW_LENGTH = 0xFFFF;       // a record descriptor word's 2 bytes of length
const int64_t MAX_SHORT_BLOCK = 0x7FFF;  // a block word's short form; longer: 31 bits
const unsigned char EXTENDED_BLOCK = 0x80;

// A segment's place in its record, in its segment descriptor word.
enum SegmentCode {
  SEGMENT_WHOLE = 0,
  SEGMENT_FIRST = 1,
  SEGMENT_LAST = 2,
  SEGMENT_MIDDLE = 3,
};

// The forms of GnuCOBOL's variable files: the length before each record, which counts
// its data alone.
enum VarseqForm {
  VARSEQ_SHORT_ZEROS = 0,  // 2 bytes big-endian, then 2 zero bytes
  VARSEQ_LONG = 1,         // 4 bytes big-endian
  VARSEQ_LONG_LITTLE = 2,  // 4 bytes little-endian
  VARSEQ_SHORT = 3,        // 2 bytes big-endian
};

int segmentCode(bool first, bool last) {
  if (first) return last ? SEGMENT_WHOLE : SEGMENT_FIRST;
  return last ? SEGMENT_LAST : SEGMENT_MIDDLE;
}

void putBigEndian(uint32_t value, int size, unsigned char* out) {
  for (int i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(value >> (8 * (size - 1 - i)));
}

}  // namespace

void CCBOutputFramer::reset(const OutputFramerSettings& settings, CCBOutputTarget* target) {
  settings_ = settings;
  target_ = target;
  block_.clear();
  padding_.assign(
      settings.format == CCB_RECORD_FIXED ? static_cast<size_t>(settings.recordLength) : 0,
      settings.padByte);
}

bool CCBOutputFramer::fits(const unsigned char* record, int length, std::string* reason) const {
  const int counted = length + (settings_.excludesHeader ? 0 : DESCRIPTOR_SIZE);
  switch (settings_.format) {
    case CCB_RECORD_FIXED:
      if (length <= settings_.recordLength) return true;
      *reason = "Record of " + std::to_string(length) + " bytes is longer than the fixed record " +
                "length of " + std::to_string(settings_.recordLength);
      return false;
    case CCB_RECORD_RDW:
    case CCB_RECORD_VB:
      if (settings_.varseqFormat == VARSEQ_LONG || settings_.varseqFormat == VARSEQ_LONG_LITTLE) {
        return true;
      }
      if ((settings_.varseqFormat >= 0 ? length : counted) > MAX_RDW_LENGTH) {
        *reason = "Record of " + std::to_string(length) +
                  " bytes is longer than a record descriptor word can tell";
        return false;
      }
      if (settings_.format == CCB_RECORD_VB &&
          DESCRIPTOR_SIZE + DESCRIPTOR_SIZE + int64_t{length} > settings_.blockSize) {
        *reason = "Record of " + std::to_string(length) + " bytes does not fit a block of " +
                  std::to_string(settings_.blockSize) + " bytes";
        return false;
      }
      return true;
    case CCB_RECORD_LINES: {
      const void* end = std::memchr(record, '\n', static_cast<size_t>(length));
      if (end == nullptr && (length == 0 || record[length - 1] != '\r')) return true;
      *reason = end != nullptr
                    ? "Record holds a line end (byte 0A at offset " +
                          std::to_string(static_cast<const unsigned char*>(end) - record) +
                          "), which the lines format cannot frame"
                    : std::string(
                          "Record ends in a carriage return, which the lines format "
                          "reads as part of its line end");
      return false;
    }
    default:
      return true;
  }
}

// The word before a record, or a segment of a spanned record, of length data bytes.
int CCBOutputFramer::putRecordWord(int length, int segmentCode, unsigned char* word) const {
  switch (settings_.varseqFormat) {
    case VARSEQ_SHORT_ZEROS:
      putBigEndian(static_cast<uint32_t>(length), 2, word);
      word[2] = word[3] = 0;
      return DESCRIPTOR_SIZE;
    case VARSEQ_LONG:
      putBigEndian(static_cast<uint32_t>(length), DESCRIPTOR_SIZE, word);
      return DESCRIPTOR_SIZE;
    case VARSEQ_LONG_LITTLE:
      putBigEndian(static_cast<uint32_t>(length), DESCRIPTOR_SIZE, word);
      std::swap(word[0], word[3]);
      std::swap(word[1], word[2]);
      return DESCRIPTOR_SIZE;
    case VARSEQ_SHORT:
      putBigEndian(static_cast<uint32_t>(length), 2, word);
      return 2;
    default:
      break;
  }
  const int counted = length + (settings_.excludesHeader ? 0 : DESCRIPTOR_SIZE);
  const unsigned char high = static_cast<unsigned char>(counted >> 8);
  const unsigned char low = static_cast<unsigned char>(counted & 0xFF);
  const unsigned char code = static_cast<unsigned char>(segmentCode);
  if (settings_.littleEndian) {
    word[0] = 0;
    word[1] = code;
    word[2] = low;
    word[3] = high;
  } else {
    word[0] = high;
    word[1] = low;
    word[2] = code;
    word[3] = 0;
  }
  return DESCRIPTOR_SIZE;
}

bool CCBOutputFramer::write(const unsigned char* record, int length) {
  const size_t size = static_cast<size_t>(length);
  unsigned char word[DESCRIPTOR_SIZE];
  switch (settings_.format) {
    case CCB_RECORD_FIXED:
      return target_->write(record, size) &&
             target_->write(padding_.data(), padding_.size() - size);
    case CCB_RECORD_RDW: {
      const int wordSize = putRecordWord(length, SEGMENT_WHOLE, word);
      return target_->write(word, static_cast<size_t>(wordSize)) && target_->write(record, size);
    }
    case CCB_RECORD_LINES:
      word[0] = '\n';
      return target_->write(record, size) && target_->write(word, 1);
    case CCB_RECORD_VB:
      putRecordWord(length, SEGMENT_WHOLE, word);
      return addToBlock(word, record, length);
    case CCB_RECORD_VBS:
    case CCB_RECORD_VS:
      return writeSpanned(record, length);
    default:
      return target_->write(record, size);
  }
}

// Adds a record or segment behind its word to the block, writing the block first where
// it has no room left for it.
bool CCBOutputFramer::addToBlock(const unsigned char* word, const unsigned char* data, int length) {
  const int64_t needed = DESCRIPTOR_SIZE + int64_t{length};
  if (!block_.empty() && static_cast<int64_t>(block_.size()) + needed > settings_.blockSize &&
      !writeBlock()) {
    return false;
  }
  if (block_.empty()) block_.resize(DESCRIPTOR_SIZE);  // its word, told when it is written
  block_.insert(block_.end(), word, word + DESCRIPTOR_SIZE);
  block_.insert(block_.end(), data, data + length);
  return true;
}

// The most data bytes a segment holds: what its word can count, and in vs what
// block_size leaves besides the word.
int CCBOutputFramer::longestSegment() const {
  const int64_t counted = MAX_RDW_LENGTH - (settings_.excludesHeader ? 0 : DESCRIPTOR_SIZE);
  const int64_t sized = settings_.blockSize - DESCRIPTOR_SIZE;
  return static_cast<int>(settings_.format == CCB_RECORD_VS ? std::min(counted, sized) : counted);
}

// A record in as few segments as it takes. In vbs a record that fits what is left of
// the block goes there whole; one that does not is cut, its first segment filling the
// block where a word and a byte still fit, and its next ones the blocks after it.
bool CCBOutputFramer::writeSpanned(const unsigned char* record, int length) {
  unsigned char word[DESCRIPTOR_SIZE];
  const int64_t longest = longestSegment();
  for (int done = 0; done < length;) {
    int64_t room = longest;
    if (settings_.format == CCB_RECORD_VBS) {
      const int64_t used = block_.empty() ? DESCRIPTOR_SIZE : static_cast<int64_t>(block_.size());
      const int64_t left = settings_.blockSize - used - DESCRIPTOR_SIZE;
      if (left < 1) {
        if (!writeBlock()) return false;
        continue;
      }
      room = std::min(room, left);
    }
    const int piece = static_cast<int>(std::min<int64_t>(room, length - done));
    putRecordWord(piece, segmentCode(done == 0, done + piece == length), word);
    const bool written = settings_.format == CCB_RECORD_VBS
                             ? addToBlock(word, record + done, piece)
                             : target_->write(word, DESCRIPTOR_SIZE) &&
                                   target_->write(record + done, static_cast<size_t>(piece));
    if (!written) return false;
    done += piece;
  }
  return true;
}

// The block's word: its length in 2 bytes big-endian and 2 zero bytes, or in 31 bits
// with the top bit set where it is longer than 2 bytes tell.
bool CCBOutputFramer::writeBlock() {
  const int64_t length =
      static_cast<int64_t>(block_.size()) - (settings_.blockExcludesHeader ? DESCRIPTOR_SIZE : 0);
  if (length <= MAX_SHORT_BLOCK) {
    block_[0] = static_cast<unsigned char>(length >> 8);
    block_[1] = static_cast<unsigned char>(length & 0xFF);
    block_[2] = block_[3] = 0;
  } else {
    block_[0] = static_cast<unsigned char>(EXTENDED_BLOCK | (length >> 24 & 0x7F));
    block_[1] = static_cast<unsigned char>(length >> 16 & 0xFF);
    block_[2] = static_cast<unsigned char>(length >> 8 & 0xFF);
    block_[3] = static_cast<unsigned char>(length & 0xFF);
  }
  const bool written = target_->write(block_.data(), block_.size());
  block_.clear();
  return written;
}

bool CCBOutputFramer::finish() {
  const bool blocked = settings_.format == CCB_RECORD_VB || settings_.format == CCB_RECORD_VBS;
  return !blocked || block_.empty() || writeBlock();
}
