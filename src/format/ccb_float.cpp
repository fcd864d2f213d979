#include "format/ccb_float.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Longest texts: a sign, 17 significant digits (9 for a single), a point, 'e', the
// exponent's sign and its digits (IBM exponents stay within 2 digits: 16^-64 times
// the smallest 56-bit fraction is about 1.9e-94, 16^63 about 7.2e75).
const int IEEE_SINGLE_TEXT = 1 + 9 + 1 + 2 + 2;
const int IEEE_DOUBLE_TEXT = 1 + 17 + 1 + 2 + 3;
const int IBM_TEXT = 1 + 17 + 1 + 2 + 2;

uint64_t readBytes(const unsigned char* bytes, int size, bool littleEndian) {
  uint64_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | bytes[littleEndian ? size - 1 - i : i];
  return value;
}

// IBM hexadecimal floating point: a sign bit, a 7-bit exponent of 16 biased by 64
// and a fraction of the remaining bytes, 0.F x 16^(E-64). The fraction need not be
// normalised. A 24-bit fraction is exact in a double; a 56-bit one is rounded once,
// to nearest, by the conversion; the scaling by a power of two is exact.
double ibmValue(const unsigned char* bytes, int size) {
  const uint64_t fraction = readBytes(bytes + 1, size - 1, false);
  const int exponent = (bytes[0] & 0x7F) - 64;
  const double magnitude = std::ldexp(static_cast<double>(fraction), 4 * exponent - 8 * (size - 1));
  return (bytes[0] & 0x80) != 0 ? -magnitude : magnitude;
}

template <typename Value>
int writeShortest(Value value, char* out, int room) {
  if (!std::isfinite(value)) return -1;
  const std::to_chars_result result = std::to_chars(out, out + room, value);
  return result.ec == std::errc() ? static_cast<int>(result.ptr - out) : -1;
}

}  // namespace

int floatTextLength(int size, int format) {
  if (format == FLOAT_IBM) return IBM_TEXT;
  return size == 4 ? IEEE_SINGLE_TEXT : IEEE_DOUBLE_TEXT;
}

int writeFloatText(const unsigned char* bytes, int size, int format, char* out) {
  const int room = floatTextLength(size, format);
  if (format == FLOAT_IBM) return writeShortest(ibmValue(bytes, size), out, room);
  const uint64_t bits = readBytes(bytes, size, format == FLOAT_IEEE_LE);
  if (size == 4) {
    const uint32_t single = static_cast<uint32_t>(bits);
    float value = 0;
    std::memcpy(&value, &single, sizeof value);
    return writeShortest(value, out, room);
  }
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return writeShortest(value, out, room);
}
