#include "layout_decoder.h"

#include <cstdio>
#include <vector>

namespace {

using Field = BenchLayoutDecoder::Field;
using Kind = BenchLayoutDecoder::FieldKind;
const Kind TEXT = BenchLayoutDecoder::TEXT;
const Kind ZONED = BenchLayoutDecoder::ZONED;
const Kind SIGNED_ZONED = BenchLayoutDecoder::SIGNED_ZONED;
const Kind PACKED = BenchLayoutDecoder::PACKED;
const Kind BINARY = BenchLayoutDecoder::BINARY;

// txnrec.cpy: the fee table's five code and amount pairs follow one another.
const Field MIXED_FIELDS[] = {
    {0, 12, TEXT, 0},   {12, 10, TEXT, 0},         {22, 30, TEXT, 0},  {52, 25, TEXT, 0},
    {77, 3, TEXT, 0},   {80, 8, TEXT, 0},          {88, 6, PACKED, 2}, {94, 2, BINARY, 0},
    {96, 4, BINARY, 0}, {100, 9, SIGNED_ZONED, 2}, {109, 2, TEXT, 0},  {111, 4, PACKED, 2},
    {115, 2, TEXT, 0},  {117, 4, PACKED, 2},       {121, 2, TEXT, 0},  {123, 4, PACKED, 2},
    {127, 2, TEXT, 0},  {129, 4, PACKED, 2},       {133, 2, TEXT, 0},  {135, 4, PACKED, 2},
    {139, 61, TEXT, 0},
};

// custaddr.cpy: unsigned digits without a point read as their bytes.
const Field DISPLAY_FIELDS[] = {
    {0, 10, TEXT, 0},  {10, 1, TEXT, 0},    {11, 20, TEXT, 0},  {31, 15, TEXT, 0},
    {46, 1, TEXT, 0},  {47, 30, TEXT, 0},   {77, 20, TEXT, 0},  {97, 2, TEXT, 0},
    {99, 5, TEXT, 0},  {104, 4, TEXT, 0},   {108, 10, TEXT, 0}, {118, 40, TEXT, 0},
    {158, 8, TEXT, 0}, {166, 8, TEXT, 0},   {174, 4, TEXT, 0},  {178, 2, TEXT, 0},
    {180, 3, TEXT, 0}, {183, 11, ZONED, 2}, {194, 1, TEXT, 0},  {195, 5, TEXT, 0},
};

template <typename T, size_t N>
int countOf(const T (&)[N]) {
  return static_cast<int>(N);
}

// Writes count digits, a point before the last scale of them; returns the end.
char* putDigits(char* out, const char* digits, int count, int scale) {
  for (int i = 0; i < count; ++i) {
    if (i == count - scale) *out++ = '.';
    *out++ = digits[i];
  }
  return out;
}

int decodeZoned(const unsigned char* bytes, const Field& field, bool isSigned, char* text) {
  char digits[32];
  for (int i = 0; i < field.length; ++i) digits[i] = static_cast<char>('0' + (bytes[i] & 0x0F));
  char* out = text;
  if (isSigned) *out++ = (bytes[field.length - 1] & 0xF0) == 0x70 ? '-' : ' ';
  return static_cast<int>(putDigits(out, digits, field.length, field.scale) - text);
}

int decodePacked(const unsigned char* bytes, const Field& field, char* text) {
  char digits[32];
  int count = 0;
  for (int i = 0; i < field.length; ++i) {
    digits[count++] = static_cast<char>('0' + (bytes[i] >> 4));
    if (i + 1 < field.length) digits[count++] = static_cast<char>('0' + (bytes[i] & 0x0F));
  }
  const int sign = bytes[field.length - 1] & 0x0F;
  char* out = text;
  if (sign == 0x0D || sign == 0x0B) *out++ = '-';
  return static_cast<int>(putDigits(out, digits, count, field.scale) - text);
}

int decodeBinary(const unsigned char* bytes, const Field& field, char* text) {
  int64_t value = static_cast<signed char>(bytes[0]);
  for (int i = 1; i < field.length; ++i) value = value * 256 + bytes[i];
  char reversed[24];
  int count = 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    reversed[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* out = text;
  if (value < 0) *out++ = '-';
  while (count > 0) *out++ = reversed[--count];
  return static_cast<int>(out - text);
}

}  // namespace

BenchLayoutDecoder::BenchLayoutDecoder(BenchRecordKind kind)
    : kind_(kind),
      fields_(kind == BENCH_RECORD_MIXED ? MIXED_FIELDS : DISPLAY_FIELDS),
      count_(kind == BENCH_RECORD_MIXED ? countOf(MIXED_FIELDS) : countOf(DISPLAY_FIELDS)) {}

QvbDatavar BenchLayoutDecoder::value(const unsigned char* record, int index) const {
  const Field& field = fields_[index];
  const unsigned char* bytes = record + field.offset;
  QvbDatavar value;
  char text[64];
  int length = 0;
  switch (field.kind) {
    case TEXT:
      value.assignBytes(reinterpret_cast<const char*>(bytes), field.length);
      return value;
    case ZONED:
    case SIGNED_ZONED:
      length = decodeZoned(bytes, field, field.kind == SIGNED_ZONED, text);
      break;
    case PACKED:
      length = decodePacked(bytes, field, text);
      break;
    case BINARY:
      length = decodeBinary(bytes, field, text);
      break;
  }
  value.assignBytes(text, length);
  return value;
}

bool BenchLayoutDecoder::matchesReader(const std::string& path, std::string* error) const {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open " + path;
    return false;
  }
  std::vector<unsigned char> record(static_cast<size_t>(benchRecord(kind_).length));
  CCBReader* reader = openBenchReader(kind_, path, error);
  if (reader == nullptr) {
    std::fclose(file);
    return false;
  }
  if (reader->getOutputCount() != count_) *error = "the reader has another number of columns";
  bool failed = false;
  int64_t number = 0;
  while (error->empty() && reader->readNextRecord(failed)) {
    ++number;
    if (std::fread(record.data(), record.size(), 1, file) != 1) *error = "the file ended early";
    for (int i = 0; i < count_ && error->empty(); ++i) {
      const QvbString expected = reader->getOutputValue(i).asString();
      const QvbString got = value(record.data(), i).asString();
      if (got.compare(expected, true) != 0) {
        *error = "record " + std::to_string(number) + ", column " + std::to_string(i) + ": [" +
                 got.asCstr() + "], the reader gives [" + expected.asCstr() + "]";
      }
    }
  }
  if (failed) *error = reader->getErrorMessage().asCstr();
  reader->release();
  std::fclose(file);
  return error->empty();
}
