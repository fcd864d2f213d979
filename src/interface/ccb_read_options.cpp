#include "lyra/ccb_read_options.h"

#include <cstring>

namespace {

const char* const FORMAT_NAMES[] = {"fixed", "layout", "rdw", "vb", "lines"};  // by value
const int FORMAT_COUNT = sizeof FORMAT_NAMES / sizeof FORMAT_NAMES[0];

enum OptionFlag : uint32_t {
  FLAG_RDW_LITTLE_ENDIAN = 1,
  FLAG_RDW_EXCLUDES_HEADER = 2,
  FLAG_EBCDIC = 4,
};

uint32_t withFlag(uint32_t flags, uint32_t flag, bool on) {
  return on ? flags | flag : flags & ~flag;
}

}  // namespace

bool ccbRecordFormatFromName(const char* name, CCBRecordFormat* format) {
  for (int i = 0; name != nullptr && i < FORMAT_COUNT; ++i) {
    if (std::strcmp(name, FORMAT_NAMES[i]) == 0) {
      *format = static_cast<CCBRecordFormat>(i);
      return true;
    }
  }
  return false;
}

const char* ccbRecordFormatName(CCBRecordFormat format) {
  return format >= 0 && format < FORMAT_COUNT ? FORMAT_NAMES[format] : "";
}

CCBReadOptions::CCBReadOptions()
    : recordFormat_(CCB_RECORD_LAYOUT),
      recordLength_(0),
      skip_(0),
      rangeStart_(-1),
      rangeEnd_(-1),
      firstRecord_(-1),
      maxErrors_(0),
      flags_(0),
      reserved1_(0),
      reserved_() {}

void CCBReadOptions::setRecordFormat(CCBRecordFormat format) {
  recordFormat_ = format;
}
CCBRecordFormat CCBReadOptions::getRecordFormat() const {
  return static_cast<CCBRecordFormat>(recordFormat_);
}
void CCBReadOptions::setRecordLength(int length) {
  recordLength_ = length;
}
int CCBReadOptions::getRecordLength() const {
  return recordLength_;
}
void CCBReadOptions::setRdwLittleEndian(bool littleEndian) {
  flags_ = withFlag(flags_, FLAG_RDW_LITTLE_ENDIAN, littleEndian);
}
bool CCBReadOptions::getRdwLittleEndian() const {
  return (flags_ & FLAG_RDW_LITTLE_ENDIAN) != 0;
}
void CCBReadOptions::setRdwExcludesHeader(bool excludes) {
  flags_ = withFlag(flags_, FLAG_RDW_EXCLUDES_HEADER, excludes);
}
bool CCBReadOptions::getRdwExcludesHeader() const {
  return (flags_ & FLAG_RDW_EXCLUDES_HEADER) != 0;
}
void CCBReadOptions::setSkip(int64_t bytes) {
  skip_ = bytes;
}
int64_t CCBReadOptions::getSkip() const {
  return skip_;
}
void CCBReadOptions::setRange(int64_t start, int64_t end) {
  rangeStart_ = start;
  rangeEnd_ = end;
}
int64_t CCBReadOptions::getRangeStart() const {
  return rangeStart_;
}
int64_t CCBReadOptions::getRangeEnd() const {
  return rangeEnd_;
}
void CCBReadOptions::setFirstRecord(int64_t number) {
  firstRecord_ = number;
}
int64_t CCBReadOptions::getFirstRecord() const {
  return firstRecord_;
}
void CCBReadOptions::setEbcdic(bool ebcdic) {
  flags_ = withFlag(flags_, FLAG_EBCDIC, ebcdic);
}
bool CCBReadOptions::getEbcdic() const {
  return (flags_ & FLAG_EBCDIC) != 0;
}
void CCBReadOptions::setMaxErrors(int64_t count) {
  maxErrors_ = count;
}
int64_t CCBReadOptions::getMaxErrors() const {
  return maxErrors_;
}
