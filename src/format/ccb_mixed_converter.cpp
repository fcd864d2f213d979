#include "format/ccb_mixed_converter.h"

#include <unicode/ucnv_cb.h>

namespace {

struct MixedPage {
  int ccsid;
  const char* icuName;  // the name ICU's converter of the page goes by
};

// The mixed pages, in CCSID order.
const MixedPage MIXED_PAGES[] = {
    {930, "ibm-930"},   {933, "ibm-933"},   {935, "ibm-935"},   {937, "ibm-937"},
    {939, "ibm-939"},   {1364, "ibm-1364"}, {1371, "ibm-1371"}, {1388, "ibm-1388"},
    {1390, "ibm-1390"}, {1399, "ibm-1399"},
};

const char SHIFT_OUT = 0x0E;
const char SHIFT_IN = 0x0F;
const UChar REPLACEMENT = 0xFFFD;

const MixedPage* findPage(int ccsid) {
  for (const MixedPage& page : MIXED_PAGES) {
    if (page.ccsid == ccsid) return &page;
  }
  return nullptr;
}

// Writes U+FFFD for every byte sequence the page has no character for (ICU's own
// substitution gives some of them U+001A).
void substituteReplacement(const void* /*context*/, UConverterToUnicodeArgs* args,
                           const char* /*codeUnits*/, int32_t /*length*/,
                           UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;  // a reset, close or clone: nothing to write
  *error = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &REPLACEMENT, 1, 0, error);
}

}  // namespace

CCBMixedConverter::CCBMixedConverter(const CCBMixedConverter& other) {
  if (other.isOpen()) open(other.ccsid_);
}

CCBMixedConverter& CCBMixedConverter::operator=(const CCBMixedConverter& other) {
  if (this == &other) return *this;
  close();
  if (other.isOpen()) open(other.ccsid_);
  return *this;
}

CCBMixedConverter::~CCBMixedConverter() {
  close();
}

bool CCBMixedConverter::isMixedPage(int ccsid) {
  return findPage(ccsid) != nullptr;
}

bool CCBMixedConverter::open(int ccsid) {
  close();
  const MixedPage* page = findPage(ccsid);
  if (page == nullptr) return false;
  UErrorCode error = U_ZERO_ERROR;
  converter_ = ucnv_open(page->icuName, &error);
  if (U_SUCCESS(error)) {
    ucnv_setToUCallBack(converter_, substituteReplacement, nullptr, nullptr, nullptr, &error);
  }
  if (U_FAILURE(error)) {
    close();
    return false;
  }
  ccsid_ = ccsid;
  return true;
}

void CCBMixedConverter::close() {
  if (converter_ != nullptr) ucnv_close(converter_);
  converter_ = nullptr;
  ccsid_ = 0;
}

// A byte gives one unit, a pair up to two (a surrogate pair, or two characters), and a
// pair cut short one.
int CCBMixedConverter::decode(const unsigned char* src, int n, bool doubleByte,
                              const UChar** units) {
  units_.resize(2 * static_cast<size_t>(n > 0 ? n : 0) + 2);
  *units = units_.data();
  if (converter_ == nullptr || n <= 0) return 0;
  ucnv_resetToUnicode(converter_);
  UChar* target = units_.data();
  UChar* const limit = target + units_.size();
  UErrorCode error = U_ZERO_ERROR;
  const auto feed = [&](const char* from, const char* to, bool flush) {
    ucnv_toUnicode(converter_, &target, limit, &from, to, nullptr, flush, &error);
  };
  const char* bytes = reinterpret_cast<const char*>(src);
  if (doubleByte) feed(&SHIFT_OUT, &SHIFT_OUT + 1, false);
  feed(bytes, bytes + n, !doubleByte);
  if (doubleByte) feed(&SHIFT_IN, &SHIFT_IN + 1, true);
  return U_SUCCESS(error) ? static_cast<int>(target - units_.data()) : 0;
}
