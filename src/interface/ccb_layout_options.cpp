#include "lyra/ccb_layout_options.h"

#include <strings.h>

#include <cstring>

namespace {

const char* const FLOAT_FORMAT_NAMES[] = {"none", "ibm", "ieee", "ieee-le"};  // by value
const int FLOAT_FORMAT_COUNT = sizeof FLOAT_FORMAT_NAMES / sizeof FLOAT_FORMAT_NAMES[0];

const uint32_t FLAG_NATIONAL_UTF16 = 1;
const uint32_t FLAG_STRICT = 2;

const char* const SOURCE_FORMAT_NAMES[] = {"fixed", "free"};  // by value
const char* const ODO_LAYOUT_NAMES[] = {"shift", "max"};      // by value
const int DEFAULT_MARGIN = 72;
const char PATH_END = '\n';

uint32_t withFlag(uint32_t flags, uint32_t flag, bool on) {
  return on ? flags | flag : flags & ~flag;
}

}  // namespace

bool ccbFloatFormatFromName(const char* name, CCBFloatFormat* format) {
  for (int i = 0; name != nullptr && i < FLOAT_FORMAT_COUNT; ++i) {
    if (strcasecmp(name, FLOAT_FORMAT_NAMES[i]) == 0) {
      *format = static_cast<CCBFloatFormat>(i);
      return true;
    }
  }
  return false;
}

const char* ccbFloatFormatName(CCBFloatFormat format) {
  const int index = static_cast<int>(format);  // a host may pass any number
  return index >= 0 && index < FLOAT_FORMAT_COUNT ? FLOAT_FORMAT_NAMES[index] : "";
}

bool ccbSourceFormatFromName(const char* name, CCBSourceFormat* format) {
  for (int i = 0; name != nullptr && i < 2; ++i) {
    if (strcasecmp(name, SOURCE_FORMAT_NAMES[i]) == 0) {
      *format = static_cast<CCBSourceFormat>(i);
      return true;
    }
  }
  return false;
}

bool ccbOdoLayoutFromName(const char* name, CCBOdoLayout* layout) {
  for (int i = 0; name != nullptr && i < 2; ++i) {
    if (strcasecmp(name, ODO_LAYOUT_NAMES[i]) == 0) {
      *layout = static_cast<CCBOdoLayout>(i);
      return true;
    }
  }
  return false;
}

CCBLayoutOptions::CCBLayoutOptions()
    : floatFormat_(CCB_FLOAT_NONE),
      flags_(0),
      sourceFormat_(CCB_SOURCE_FIXED),
      margin_(DEFAULT_MARGIN),
      odoLayout_(CCB_ODO_SHIFT),
      reservedWord_(0),
      reserved_() {}

void CCBLayoutOptions::setFloatFormat(CCBFloatFormat format) {
  floatFormat_ = format;
}
CCBFloatFormat CCBLayoutOptions::getFloatFormat() const {
  return static_cast<CCBFloatFormat>(floatFormat_);
}
void CCBLayoutOptions::setNationalUtf16(bool utf16) {
  flags_ = withFlag(flags_, FLAG_NATIONAL_UTF16, utf16);
}
bool CCBLayoutOptions::getNationalUtf16() const {
  return (flags_ & FLAG_NATIONAL_UTF16) != 0;
}
void CCBLayoutOptions::setStrict(bool strict) {
  flags_ = withFlag(flags_, FLAG_STRICT, strict);
}
bool CCBLayoutOptions::getStrict() const {
  return (flags_ & FLAG_STRICT) != 0;
}
void CCBLayoutOptions::setSourceFormat(CCBSourceFormat format) {
  sourceFormat_ = format;
}
CCBSourceFormat CCBLayoutOptions::getSourceFormat() const {
  return static_cast<CCBSourceFormat>(sourceFormat_);
}
void CCBLayoutOptions::setMargin(int column) {
  margin_ = column;
}
int CCBLayoutOptions::getMargin() const {
  return margin_;
}

void CCBLayoutOptions::addCopyPath(const QvbString& folder) {
  if (folder.isNull() || std::strchr(folder.asCstr(), PATH_END) != nullptr) return;
  copyPath_.append(folder);
  copyPath_.append("\n");
}

void CCBLayoutOptions::clearCopyPath() {
  copyPath_ = QvbString();
}

int CCBLayoutOptions::getCopyPathCount() const {
  int count = 0;
  for (const char* p = copyPath_.asCstr(); *p != '\0'; ++p) count += *p == PATH_END ? 1 : 0;
  return count;
}

QvbString CCBLayoutOptions::getCopyPath(int index) const {
  const char* start = copyPath_.asCstr();
  for (int i = 0; i < index && start != nullptr; ++i) {
    start = std::strchr(start, PATH_END);
    if (start != nullptr) ++start;
  }
  const char* end = start != nullptr ? std::strchr(start, PATH_END) : nullptr;
  QvbString folder;
  if (index < 0 || end == nullptr) {
    folder.setNull();
    return folder;
  }
  folder.assign(start, static_cast<int>(end - start));
  return folder;
}

void CCBLayoutOptions::setOdoLayout(CCBOdoLayout layout) {
  odoLayout_ = layout;
}
CCBOdoLayout CCBLayoutOptions::getOdoLayout() const {
  return odoLayout_ == CCB_ODO_MAX ? CCB_ODO_MAX : CCB_ODO_SHIFT;
}

// The object's size is part of what a host compiles in: new options take reserved room.
static_assert(sizeof(CCBLayoutOptions) == 304, "CCBLayoutOptions must keep its size");
