// CCBMixedConverter decodes the text of IBM's mixed code pages, EBCDIC pages whose
// text switches between single-byte characters and double-byte ones at shift-out
// (0x0E) and shift-in (0x0F) bytes (Japanese 930, 939, 1390, 1399; Korean 933,
// 1364; Simplified Chinese 935, 1388; Traditional Chinese 937, 1371), through ICU's
// converter of the page. Each text is decoded from the single-byte state; double-byte
// text without shift bytes (PIC G, USAGE DISPLAY-1) is read as if it stood between a
// shift-out and a shift-in. A byte or pair the page has no character for, and a pair
// cut short, is U+FFFD.
//
// Encoding is the reverse, as ICU's converter writes the page: from the single-byte
// state, a shift-out before each run of double-byte characters and a shift-in after
// it; double-byte text without shift bytes is such a run alone. Only characters the
// page maps both ways are written: ICU would write a substitute for the others, or a
// one-way mapping that reads back as another character.
//
// The converter owns its ICU converter, the set of characters it maps both ways (made
// on the first encoding) and its buffers; a copy opens a converter of its own.
// Decoding and encoding change them, so one thread uses a converter at a time.
#ifndef LYRA_FORMAT_CCB_MIXED_CONVERTER_H_
#define LYRA_FORMAT_CCB_MIXED_CONVERTER_H_

#include <unicode/ucnv.h>
#include <unicode/uset.h>

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

  // Why encode() refused a text.
  static const int UNMAPPED = -1;     // a character the page does not map both ways
  static const int SINGLE_BYTE = -2;  // double-byte text: a character the page has only
                                      // as a single byte
  // Encodes count UTF-16 units into the page's bytes, which *bytes points to until the
  // next call, and returns their count; doubleByte: double-byte text without shift
  // bytes. UNMAPPED or SINGLE_BYTE, with the index of the refused character's first
  // unit in *refused, when the text cannot be written.
  int encode(const UChar* units, int count, bool doubleByte, const unsigned char** bytes,
             int* refused);

 private:
  void close();
  bool makeRoundTripSet();
  int firstUnmapped(const UChar* units, int count) const;
  int convert(const UChar* units, int count);
  int stripShifts(int length, const unsigned char** bytes, int* refused) const;

  int ccsid_ = 0;
  UConverter* converter_ = nullptr;  // owned
  USet* roundTrip_ = nullptr;        // owned: the characters mapped both ways
  std::vector<UChar> units_;
  std::vector<unsigned char> bytes_;  // encoded text
  std::vector<int32_t> offsets_;      // the unit each encoded byte comes from
};

#endif  // LYRA_FORMAT_CCB_MIXED_CONVERTER_H_
