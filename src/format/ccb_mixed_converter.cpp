#include "format/ccb_mixed_converter.h"

#include <unicode/ucnv_cb.h>
#include <unicode/utf16.h>

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
const UChar32 SHIFT_OUT_CHARACTER = 0x0E;  // never written: the bytes would shift
const UChar32 SHIFT_IN_CHARACTER = 0x0F;
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
  if (U_SUCCESS(error)) {
    ucnv_setFromUCallBack(converter_, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
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
  if (roundTrip_ != nullptr) uset_close(roundTrip_);
  converter_ = nullptr;
  roundTrip_ = nullptr;
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

int CCBMixedConverter::encode(const UChar* units, int count, bool doubleByte,
                              const unsigned char** bytes, int* refused) {
  *refused = 0;
  *bytes = nullptr;
  if (count <= 0) return 0;
  if (!makeRoundTripSet()) return UNMAPPED;
  *refused = firstUnmapped(units, count);
  if (*refused >= 0) return UNMAPPED;
  *refused = 0;
  const int length = convert(units, count);
  if (length < 0) return UNMAPPED;
  *bytes = bytes_.data();
  return doubleByte ? stripShifts(length, bytes, refused) : length;
}

bool CCBMixedConverter::makeRoundTripSet() {
  if (roundTrip_ != nullptr) return true;
  if (converter_ == nullptr) return false;
  UErrorCode error = U_ZERO_ERROR;
  roundTrip_ = uset_open(1, 0);  // empty
  ucnv_getUnicodeSet(converter_, roundTrip_, UCNV_ROUNDTRIP_SET, &error);
  if (U_SUCCESS(error)) return true;
  uset_close(roundTrip_);
  roundTrip_ = nullptr;
  return false;
}

// The index of the first unit of the first character that is not written, or -1. A
// character the page maps only together with the one before it (a kana and a combining
// semi-voiced mark, one pair of 1390 and 1399) is written with it.
int CCBMixedConverter::firstUnmapped(const UChar* units, int count) const {
  int previous = -1;  // the first unit of the character before
  for (int i = 0; i < count;) {
    const int start = i;
    UChar32 c = 0;
    U16_NEXT(units, i, count, c);
    const bool mapped =
        c != SHIFT_OUT_CHARACTER && c != SHIFT_IN_CHARACTER &&
        (uset_contains(roundTrip_, c) ||
         (previous >= 0 && uset_containsString(roundTrip_, units + previous, i - previous)));
    if (!mapped) return start;
    previous = start;
  }
  return -1;
}

// The page's bytes of the units, from the single-byte state and back to it at the end.
int CCBMixedConverter::convert(const UChar* units, int count) {
  const int room = UCNV_GET_MAX_BYTES_FOR_STRING(count, ucnv_getMaxCharSize(converter_));
  bytes_.resize(static_cast<size_t>(room));
  offsets_.resize(static_cast<size_t>(room));
  ucnv_resetFromUnicode(converter_);
  char* const start = reinterpret_cast<char*>(bytes_.data());
  char* target = start;
  const UChar* source = units;
  UErrorCode error = U_ZERO_ERROR;
  ucnv_fromUnicode(converter_, &target, start + room, &source, units + count, offsets_.data(), true,
                   &error);
  return U_SUCCESS(error) ? static_cast<int>(target - start) : UNMAPPED;
}

// Double-byte text is one run between a shift-out and a shift-in, which are dropped. A
// byte of the run is never a shift byte, so any other shift-in ends the run before a
// single-byte character.
int CCBMixedConverter::stripShifts(int length, const unsigned char** bytes, int* refused) const {
  const unsigned char* const b = bytes_.data();
  int single = b[0] == SHIFT_OUT ? -1 : 0;  // the first byte of a single-byte character
  for (int i = 1; single < 0 && i < length - 1; ++i) {
    if (b[i] == SHIFT_IN) single = i + 1;
  }
  if (single >= 0) {
    *refused = offsets_[static_cast<size_t>(single)];
    return SINGLE_BYTE;
  }
  *bytes = b + 1;
  return length - 2;
}
