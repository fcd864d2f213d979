#include "input/ccb_output_framer.h"

#include <cstring>

namespace {

const int DESCRIPTOR_SIZE = 4;
const int MAX_RDW_LENGTH = 0xFFFF;       // a record descriptor word's 2 bytes of length
const int64_t MAX_SHORT_BLOCK = 0x7FFF;  // a block word's short form; longer: 31 bits
const unsigned char EXTENDED_BLOCK = 0x80;

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
      if (counted > MAX_RDW_LENGTH) {
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

void CCBOutputFramer::putRecordWord(int length, unsigned char* word) const {
  const int counted = length + (settings_.excludesHeader ? 0 : DESCRIPTOR_SIZE);
  const unsigned char high = static_cast<unsigned char>(counted >> 8);
  const unsigned char low = static_cast<unsigned char>(counted & 0xFF);
  if (settings_.littleEndian) {
    word[0] = word[1] = 0;
    word[2] = low;
    word[3] = high;
  } else {
    word[0] = high;
    word[1] = low;
    word[2] = word[3] = 0;
  }
}

bool CCBOutputFramer::write(const unsigned char* record, int length) {
  const size_t size = static_cast<size_t>(length);
  unsigned char word[DESCRIPTOR_SIZE];
  switch (settings_.format) {
    case CCB_RECORD_FIXED:
      return target_->write(record, size) &&
             target_->write(padding_.data(), padding_.size() - size);
    case CCB_RECORD_RDW:
      putRecordWord(length, word);
      return target_->write(word, sizeof word) && target_->write(record, size);
    case CCB_RECORD_LINES:
      word[0] = '\n';
      return target_->write(record, size) && target_->write(word, 1);
    case CCB_RECORD_VB:
      break;
    default:
      return target_->write(record, size);
  }
  const int64_t needed = DESCRIPTOR_SIZE + int64_t{length};
  if (!block_.empty() && static_cast<int64_t>(block_.size()) + needed > settings_.blockSize &&
      !writeBlock()) {
    return false;
  }
  if (block_.empty()) block_.resize(DESCRIPTOR_SIZE);  // its word, told when it is written
  putRecordWord(length, word);
  block_.insert(block_.end(), word, word + DESCRIPTOR_SIZE);
  block_.insert(block_.end(), record, record + size);
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
  return settings_.format != CCB_RECORD_VB || block_.empty() || writeBlock();
}
