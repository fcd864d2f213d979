// CCBMixedConverter decodes the text of IBM's mixed code pages, EBCDIC pages whose
// text switches between single-byte characters and double-byte ones at shift-out
// (0x0E) and shift-in (0x0F) bytes (Japanese 930, 939, 1390, 1399; Korean 933,
// 1364; Simplified Chinese 935, 1388; Traditional Chinese 937, 1371), through ICU's
// converter of the page. Each text is decoded from the single-byte state; double-byte
// text without shift bytes (PIC G, USAGE DISPLAY-1) is read as if it stood between a
// shift-out and a shift-in. A byte or pair the page has no character for, and a pair
// cut short, is U+FFFD.
//
// The converter owns its ICU converter and a buffer of UTF-16 units; a copy opens a
// converter of its own. Decoding changes both, so one thread uses a converter at a time.
#ifndef LYRA_FORMAT_CCB_MIXED_CONVERTER_H_
#define LYRA_FORMAT_CCB_MIXED_CONVERTER_H_

#include <unicode/ucnv.h>

#include <cstdint>
#include <vector>

class CCBMixedConverter {
 public:
  CCBMixedConverter() = default;
  CCBMixedConverter(const CCBMixedConverter& other);
  CCBMixedConverter& operator=(const CCBMixedConverter& other);
  ~CCBMixedConverter();

  // Whether a CCSID is one of the mixed pages.
  static bool isMixedPage(int ccsid);
  // Opens the converter of a mixed page, closing any other; false, closed, for a CCSID
  // that is none or that ICU cannot open.
  bool open(int ccsid);
  bool isOpen() const { return converter_ != nullptr; }

  // Decodes n bytes at src into UTF-16 units, which *units points to until the next
  // call; returns their count. doubleByte: the bytes are double-byte text without
  // shift bytes.
  int decode(const unsigned char* src, int n, bool doubleByte, const UChar** units);

 private:
  void close();

  int ccsid_ = 0;
  UConverter* converter_ = nullptr;  // owned
  std::vector<UChar> units_;
};

#endif  // LYRA_FORMAT_CCB_MIXED_CONVERTER_H_
