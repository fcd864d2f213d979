// QvbTextWriter gives a decoded value its text where the library knows more than
// QvbDatavar::assignBytes can: that the bytes after the text may be read too. A
// short text is then copied, and cut at its first zero byte, in two block moves,
// where a scan and a copy would each cost more to set up than to run. It holds no
// state; the value stays the caller's.
#ifndef LYRA_SUPPORT_QVB_TEXT_WRITER_H_
#define LYRA_SUPPORT_QVB_TEXT_WRITER_H_

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstdint>

#include "lyra/qvb_datavar.h"

class QvbTextWriter {
 public:
  // The longest text taken in blocks, and the bytes that must be readable at it.
  static const int SHORT_TEXT = 32;

  // What value->assignBytes(text, n) does. REQUIRES: SHORT_TEXT bytes, or n when
  // more, readable at text.
  static void assignBytes(QvbDatavar* value, const char* text, int n) {
#ifdef __SSE2__
    if (text != nullptr && n >= 0 && n <= SHORT_TEXT) {
      assignShort(value, text, n);
      return;
    }
#endif
    value->assignBytes(text, n);
  }

 private:
#ifdef __SSE2__
  static void assignShort(QvbDatavar* value, const char* text, int n) {
    QvbString& string = value->text_;  // its buffer always has room for SHORT_TEXT + 1
    const __m128i zero = _mm_setzero_si128();
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16));
    // A bit per zero byte, and one at n: the text ends at the first of them.
    const uint64_t ends = static_cast<uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(first, zero))) |
                          static_cast<uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(second, zero)))
                              << 16 |
                          uint64_t{1} << n;
    const int length = __builtin_ctzll(ends);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(string.data_), first);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(string.data_ + 16), second);
    string.data_[length] = '\0';
    string.length_ = length;
    string.null_ = false;
    value->type_ = QVB_TYPE_STRING;
  }
#endif
};

#endif  // LYRA_SUPPORT_QVB_TEXT_WRITER_H_
