#include "lyra/ccb_read_options.h"

#include <strings.h>
#include <cstdlib>
#include <cstring>

namespace {

struct PageName {
  int ccsid;
  const char* name;  // the tool's name
};

// Every character set display text may be in, in CCSID order.
const PageName PAGE_NAMES[] = {
    {37, "037"},    {273, "273"},   {277, "277"},   {278, "278"},     {280, "280"},
    {284, "284"},   {285, "285"},   {297, "297"},   {500, "500"},     {819, "latin1"},
    {871, "871"},   {930, "930"},   {933, "933"},   {935, "935"},     {937, "937"},
    {939, "939"},   {1047, "1047"}, {1140, "1140"}, {1141, "1141"},   {1142, "1142"},
    {1143, "1143"}, {1144, "1144"}, {1145, "1145"}, {1146, "1146"},   {1147, "1147"},
    {1148, "1148"}, {1149, "1149"}, {1208, "utf8"}, {1252, "cp1252"}, {1364, "1364"},
    {1371, "1371"}, {1388, "1388"}, {1390, "1390"}, {1399, "1399"},
};

struct PageAlias {
  const char* name;
  int ccsid;
};

// Names that are not a number.
const PageAlias PAGE_ALIASES[] = {
    {"latin1", 819},        {"iso-8859-1", 819}, {"iso8859-1", 819},
    {"windows-1252", 1252}, {"utf8", 1208},      {"utf-8", 1208},
};

// The number of a name such as "273", "037", "cp273", "IBM-273" or "ibm273"; -1
// when the name is no such number.
int pageNumber(const char* name) {
  if (strncasecmp(name, "cp", 2) == 0) {
    name += 2;
  } else if (strncasecmp(name, "ibm", 3) == 0) {
    name += 3;
    if (*name == '-') ++name;
  }
  const size_t digits = std::strspn(name, "0123456789");
  if (digits == 0 || digits > 5 || name[digits] != '\0') return -1;
  return static_cast<int>(std::strtol(name, nullptr, 10));
}

const char* const FORMAT_NAMES[] = {"fixed", "layout", "rdw", "vb",
                                    "lines", "vbs",    "vs"};  // by value
const int FORMAT_COUNT = sizeof FORMAT_NAMES / sizeof FORMAT_NAMES[0];

enum OptionFlag : uint32_t {
  FLAG_RDW_LITTLE_ENDIAN = 1,
  FLAG_RDW_EXCLUDES_HEADER = 2,
  FLAG_EBCDIC = 4,
  FLAG_RESULT_UTF8 = 8,
  FLAG_COMP5_LITTLE_ENDIAN = 16,
  FLAG_BINARY_LITTLE_ENDIAN = 32,
  // Bits 6 and 7 hold the zero_bytes rule.
  FLAG_BDW_EXCLUDES_HEADER = 256,
  FLAG_ALL_LAYOUTS = 512,
  FLAG_OVERPUNCH_SIGNS = 1024,
  FLAG_BINARY_FULL_RANGE = 2048,
};

const int64_t DEFAULT_BLOCK_SIZE = 32760;  // the largest block of classic z/OS data sets

// The zero_bytes rule: two bits of the flags.
const int ZERO_BYTES_SHIFT = 6;
const uint32_t ZERO_BYTES_MASK = 3u << ZERO_BYTES_SHIFT;
const char* const ZERO_BYTES_NAMES[] = {"space", "end", "keep"};  // by value

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

const char* ccbCompressionName(CCBCompression compression) {
  static const char* const NAMES[] = {"none", "gzip", "bzip2", "zstd"};  // by value
  const int index = static_cast<int>(compression);  // a host may pass any number
  return index >= 0 && index < 4 ? NAMES[index] : "";
}

bool ccbCodePageFromName(const char* name, int* ccsid) {
  if (name == nullptr) return false;
  int number = pageNumber(name);
  for (const PageAlias& alias : PAGE_ALIASES) {
    if (strcasecmp(name, alias.name) == 0) number = alias.ccsid;
  }
  if (ccbCodePageName(number)[0] == '\0') return false;
  *ccsid = number;
  return true;
}

const char* ccbCodePageName(int ccsid) {
  for (const PageName& page : PAGE_NAMES) {
    if (page.ccsid == ccsid) return page.name;
  }
  return "";
}

bool ccbResultEncodingFromName(const char* name, CCBResultEncoding* encoding) {
  for (const PageAlias& alias : PAGE_ALIASES) {
    const bool result = alias.ccsid == 819 || alias.ccsid == 1208;
    if (result && name != nullptr && strcasecmp(name, alias.name) == 0) {
      *encoding = alias.ccsid == 1208 ? CCB_RESULT_UTF8 : CCB_RESULT_LATIN1;
      return true;
    }
  }
  return false;
}

bool ccbZeroBytesFromName(const char* name, CCBZeroBytes* rule) {
  for (int i = 0; name != nullptr && i < 3; ++i) {
    if (strcasecmp(name, ZERO_BYTES_NAMES[i]) == 0) {
      *rule = static_cast<CCBZeroBytes>(i);
      return true;
    }
  }
  return false;
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
      codePage_(0),
      varseqFormat_(-1),
      reservedWord_(0),
      blockSize_(DEFAULT_BLOCK_SIZE),
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
void CCBReadOptions::setBdwExcludesHeader(bool excludes) {
  flags_ = withFlag(flags_, FLAG_BDW_EXCLUDES_HEADER, excludes);
}
bool CCBReadOptions::getBdwExcludesHeader() const {
  return (flags_ & FLAG_BDW_EXCLUDES_HEADER) != 0;
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
void CCBReadOptions::setCodePage(int ccsid) {
  codePage_ = ccsid;
}
int CCBReadOptions::getCodePage() const {
  return codePage_;
}
int CCBReadOptions::getEffectiveCodePage() const {
  if (codePage_ != 0) return codePage_;
  return getEbcdic() ? 37 : 819;
}
void CCBReadOptions::setResultEncoding(CCBResultEncoding encoding) {
  flags_ = withFlag(flags_, FLAG_RESULT_UTF8, encoding == CCB_RESULT_UTF8);
}
CCBResultEncoding CCBReadOptions::getResultEncoding() const {
  return (flags_ & FLAG_RESULT_UTF8) != 0 ? CCB_RESULT_UTF8 : CCB_RESULT_LATIN1;
}
void CCBReadOptions::setComp5LittleEndian(bool littleEndian) {
  flags_ = withFlag(flags_, FLAG_COMP5_LITTLE_ENDIAN, littleEndian);
}
bool CCBReadOptions::getComp5LittleEndian() const {
  return (flags_ & FLAG_COMP5_LITTLE_ENDIAN) != 0;
}
void CCBReadOptions::setBinaryLittleEndian(bool littleEndian) {
  flags_ = withFlag(flags_, FLAG_BINARY_LITTLE_ENDIAN, littleEndian);
}
bool CCBReadOptions::getBinaryLittleEndian() const {
  return (flags_ & FLAG_BINARY_LITTLE_ENDIAN) != 0;
}
void CCBReadOptions::setZeroBytes(CCBZeroBytes rule) {
  const uint32_t value = rule == CCB_ZERO_BYTES_END || rule == CCB_ZERO_BYTES_KEEP ? rule : 0;
  flags_ = (flags_ & ~ZERO_BYTES_MASK) | value << ZERO_BYTES_SHIFT;
}
CCBZeroBytes CCBReadOptions::getZeroBytes() const {
  return static_cast<CCBZeroBytes>((flags_ & ZERO_BYTES_MASK) >> ZERO_BYTES_SHIFT);
}
void CCBReadOptions::setAllLayouts(bool all) {
  flags_ = withFlag(flags_, FLAG_ALL_LAYOUTS, all);
}
bool CCBReadOptions::getAllLayouts() const {
  return (flags_ & FLAG_ALL_LAYOUTS) != 0;
}
void CCBReadOptions::setBlockSize(int64_t bytes) {
  blockSize_ = bytes;
}
int64_t CCBReadOptions::getBlockSize() const {
  return blockSize_;
}
void CCBReadOptions::setOverpunchSigns(bool overpunch) {
  flags_ = withFlag(flags_, FLAG_OVERPUNCH_SIGNS, overpunch);
}
bool CCBReadOptions::getOverpunchSigns() const {
  return (flags_ & FLAG_OVERPUNCH_SIGNS) != 0;
}
void CCBReadOptions::setBinaryFullRange(bool fullRange) {
  flags_ = withFlag(flags_, FLAG_BINARY_FULL_RANGE, fullRange);
}
bool CCBReadOptions::getBinaryFullRange() const {
  return (flags_ & FLAG_BINARY_FULL_RANGE) != 0;
}
void CCBReadOptions::setVarseqFormat(int form) {
  varseqFormat_ = form;
}
int CCBReadOptions::getVarseqFormat() const {
  return varseqFormat_;
}

// The object's size is part of what a host compiles in: new options take reserved room.
static_assert(sizeof(CCBReadOptions) == 248, "CCBReadOptions must keep its size");
