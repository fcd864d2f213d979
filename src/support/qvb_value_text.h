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
  static const int SOURCE_SLACK = 16;

  // As value->assignBytes(text, n): the characters up to the first zero byte among
  // the first n. REQUIRES: n >= 0 and SOURCE_SLACK readable bytes after text + n.
  static void assign(QvbDatavar* value, const char* text, int n) {
#if defined(__SSE2__)
    QvbString& string = value->text_;
    if (n <= QvbString::INLINE_CAPACITY && string.data_ == string.inline_) {
      string.length_ = copyBlocks(string.inline_, text, n);
      string.null_ = false;
      value->type_ = QVB_TYPE_STRING;
      return;
    }
#endif
    assignElsewhere(value, text, n);
  }

 private:
  // A text longer than the value's own characters, or a value whose text is on the
  // heap: rare, and kept out of the callers so that their common path stays short.
  __attribute__((noinline, cold)) static void assignElsewhere(QvbDatavar* value, const char* text,
                                                              int n) {
    value->assignBytes(text, n);
  }

#if defined(__SSE2__)
  // Copies the 16-byte blocks of text up to the one that holds byte n to out, every
  // byte from the first zero byte among the first n (or from byte n) on made zero;
  // returns how many bytes come before it. Whole blocks, not a block and then a zero
  // byte: a copy of the value that reads them soon after is then served straight from
  // these stores.
  static int copyBlocks(char* out, const char* text, int n) {
    const int blocks = n / 16 + 1;  // n < 64: at most 4
    __m128i block[4];
    uint64_t zeros = uint64_t{1} << n;  // the end counts as a zero byte
    for (int b = 0; b < blocks; ++b) {
      block[b] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16 * b));
      const __m128i found = _mm_cmpeq_epi8(block[b], _mm_setzero_si128());
      zeros |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(found))) << 16 * b;
    }
    const int length = __builtin_ctzll(zeros);
    const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    for (int b = 0; b < blocks; ++b) {
      const __m128i kept = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(length - 16 * b)), index);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * b), _mm_and_si128(block[b], kept));
    }
    return length;
  }
#endif
};

#endif  // LYRA_SUPPORT_QVB_VALUE_TEXT_H_
