#include "lyra/ccb_layout_options.h"

#include <strings.h>

namespace {

const char* const FLOAT_FORMAT_NAMES[] = {"none", "ibm", "ieee", "ieee-le"};  // by value
const int FLOAT_FORMAT_COUNT = sizeof FLOAT_FORMAT_NAMES / sizeof FLOAT_FORMAT_NAMES[0];

const uint32_t FLAG_NATIONAL_UTF16 = 1;

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

CCBLayoutOptions::CCBLayoutOptions() : floatFormat_(CCB_FLOAT_NONE), flags_(0), reserved_() {}

void CCBLayoutOptions::setFloatFormat(CCBFloatFormat format) {
  floatFormat_ = format;
}
CCBFloatFormat CCBLayoutOptions::getFloatFormat() const {
  return static_cast<CCBFloatFormat>(floatFormat_);
}
void CCBLayoutOptions::setNationalUtf16(bool utf16) {
  flags_ = utf16 ? flags_ | FLAG_NATIONAL_UTF16 : flags_ & ~FLAG_NATIONAL_UTF16;
}
bool CCBLayoutOptions::getNationalUtf16() const {
  return (flags_ & FLAG_NATIONAL_UTF16) != 0;
}
