// BenchLayoutDecoder decodes the two benchmark records as a program written for
// exactly these layouts would: every field's offset known in advance, one small
// decoder per kind of field, no copybook and no lookup. It hands each value over as
// the library's reader does, a QvbDatavar holding the same text, so that timing it
// through the same calls shows what handing values over through that interface
// costs by itself. The decoder holds only constant tables; it owns nothing.
#ifndef LYRA_BENCH_LAYOUT_DECODER_H_
#define LYRA_BENCH_LAYOUT_DECODER_H_

#include <string>

#include "bench_records.h"
#include "lyra/qvb_datavar.h"

class BenchLayoutDecoder {
 public:
  explicit BenchLayoutDecoder(BenchRecordKind kind);

  int columnCount() const { return count_; }
  // The value of column index of the record at record (a whole record). Never
  // inlined: like the reader's getOutputValue, it is a call the caller cannot see into.
  __attribute__((noinline)) QvbDatavar value(const unsigned char* record, int index) const;

  // Compares every value of every record of the file at path with what the
  // library's reader gives; false with the first difference in *error.
  bool matchesReader(const std::string& path, std::string* error) const;

  enum FieldKind {
    TEXT,          // the bytes as they stand
    ZONED,         // unsigned display digits, a point before the last `scale`
    SIGNED_ZONED,  // the same with the sign in the last byte's zone: ' ' or '-' first
    PACKED,        // packed decimal: '-' first when negative
    BINARY,        // big-endian two's complement integer
  };
  struct Field {
    int offset;
    int length;
    FieldKind kind;
    int scale;  // digits after the point
  };

 private:
  BenchRecordKind kind_;
  const Field* fields_;
  int count_;
};

#endif  // LYRA_BENCH_LAYOUT_DECODER_H_
