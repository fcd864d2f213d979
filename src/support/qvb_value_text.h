// QvbValueText puts a decoded text into a QvbDatavar as its string value, with no
// library call per value: a text that fits in the value's own characters moves in
// 16-byte blocks, and the zero byte that ends it is found in the same blocks. It
// owns nothing; the value stays the caller's.
#ifndef LYRA_SUPPORT_QVB_VALUE_TEXT_H_
#define LYRA_SUPPORT_QVB_VALUE_TEXT_H_

#include <cstdint>

#include "lyra/qvb_datavar.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class QvbValueText {
 public:
  // Bytes past a text's end that assign may read (and ignore).
  static const int SOURCE_SLACK = 15;

  // As value->assignBytes(text, n): the characters up to the first zero byte among
  // the first n. REQUIRES: n >= 0 and SOURCE_SLACK readable bytes after text + n.
  static void assign(QvbDatavar* value, const char* text, int n) {
#if defined(__SSE2__)
    QvbString& string = value->text_;
    if (n <= QvbString::INLINE_CAPACITY && string.data_ == string.inline_) {
      const int length = copyBlocks(string.inline_, text, n);
      string.inline_[length] = '\0';
      string.length_ = length;
      string.null_ = false;
      value->type_ = QVB_TYPE_STRING;
      return;
    }
#endif
    value->assignBytes(text, n);
  }

 private:
#if defined(__SSE2__)
  // Copies the 16-byte blocks that hold the first n bytes of text to out; returns
  // how many come before the first zero byte among them (n when none does).
  static int copyBlocks(char* out, const char* text, int n) {
    const __m128i zero = _mm_setzero_si128();
    uint64_t zeros = uint64_t{1} << n;  // n < 64: the end counts as a zero byte
    for (int i = 0; i < n; i += 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), block);
      const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)));
      zeros |= static_cast<uint64_t>(mask) << i;
    }
    return __builtin_ctzll(zeros);
  }
#endif
};

#endif  // LYRA_SUPPORT_QVB_VALUE_TEXT_H_
