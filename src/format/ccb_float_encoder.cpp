#include "format/ccb_float_encoder.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "format/ccb_float.h"

namespace {

const int IBM_EXPONENT_BIAS = 64;
const int IBM_MAX_EXPONENT = 127;  // of the 7-bit field
const unsigned char IBM_SIGN = 0x80;

void writeBytes(uint64_t value, int size, bool littleEndian, unsigned char* out) {
  for (int i = 0; i < size; ++i) {
    const int shift = 8 * (littleEndian ? i : size - 1 - i);
    out[i] = static_cast<unsigned char>(value >> shift);
  }
}

// The exponent e of 16 with 16^(e-1) <= magnitude < 16^e, for a finite magnitude above 0.
int hexExponent(double magnitude) {
  int binary = 0;
  std::frexp(magnitude, &binary);  // 2^(binary-1) <= magnitude < 2^binary
  return binary >= 0 ? (binary + 3) / 4 : -((-binary) / 4);
}

// IBM hexadecimal floating point: a sign bit, a 7-bit exponent of 16 biased by 64 and a
// fraction of the other bytes, 0.F x 16^(E-64), normalised (its first hex digit not 0)
// where the exponent allows. The fraction is the magnitude scaled by a power of two,
// exact in a double, rounded to an integer once (to nearest, ties to even).
CCBFloatProblem writeIbm(double value, int size, unsigned char* out) {
  const int bits = 8 * (size - 1);
  const unsigned char sign = std::signbit(value) ? IBM_SIGN : 0;
  const double magnitude = std::fabs(value);
  std::memset(out, 0, static_cast<size_t>(size));
  out[0] = sign;
  if (magnitude == 0) return FLOAT_WRITTEN;
  int exponent = hexExponent(magnitude);
  double scaled = std::ldexp(magnitude, bits - 4 * exponent);  // below 2^bits
  int biased = exponent + IBM_EXPONENT_BIAS;
  if (biased < 0) {  // below the smallest normalised value: fewer fraction digits
    scaled = std::ldexp(scaled, 4 * biased);
    biased = 0;
  }
  uint64_t fraction = static_cast<uint64_t>(std::nearbyint(scaled));
  if (fraction >> bits != 0) {  // rounded up to the next power of 16
    fraction >>= 4;
    ++biased;
  }
  if (biased > IBM_MAX_EXPONENT || fraction == 0) return FLOAT_OUT_OF_RANGE;
  out[0] = static_cast<unsigned char>(sign | biased);
  writeBytes(fraction, size - 1, false, out + 1);
  return FLOAT_WRITTEN;
}

CCBFloatProblem writeIeee(double value, int size, bool littleEndian, unsigned char* out) {
  if (size == 4) {
    const float single = static_cast<float>(value);
    if (!std::isfinite(single) || (single == 0 && value != 0)) return FLOAT_OUT_OF_RANGE;
    uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    writeBytes(bits, 4, littleEndian, out);
    return FLOAT_WRITTEN;
  }
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  writeBytes(bits, 8, littleEndian, out);
  return FLOAT_WRITTEN;
}

// The number at text: blanks and '+' skipped before it, blanks after it.
template <typename Value>
CCBFloatProblem parseNumber(const char* text, int length, Value* value) {
  const char* p = text;
  const char* end = text + (length > 0 ? length : 0);
  while (p < end && *p == ' ') ++p;
  while (end > p && end[-1] == ' ') --end;
  if (p < end && *p == '+' && end - p > 1 && p[1] != '-') ++p;
  const std::from_chars_result result = std::from_chars(p, end, *value);
  if (result.ec == std::errc::result_out_of_range && result.ptr == end) return FLOAT_OUT_OF_RANGE;
  if (result.ec != std::errc() || result.ptr != end || p == end || !std::isfinite(*value)) {
    return FLOAT_NOT_NUMBER;
  }
  return FLOAT_WRITTEN;
}

}  // namespace

CCBFloatProblem encodeFloatValue(double value, int size, int format, unsigned char* out) {
  if (!std::isfinite(value)) return FLOAT_NOT_NUMBER;
  if (format == FLOAT_IBM) return writeIbm(value, size, out);
  return writeIeee(value, size, format == FLOAT_IEEE_LE, out);
}

CCBFloatProblem encodeFloatText(const char* text, int length, int size, int format,
                                unsigned char* out) {
  if (size == 4 && format != FLOAT_IBM) {
    float single = 0;
    const CCBFloatProblem problem = parseNumber(text, length, &single);
    return problem != FLOAT_WRITTEN ? problem : writeIeee(single, 4, format == FLOAT_IEEE_LE, out);
  }
  double value = 0;
  const CCBFloatProblem problem = parseNumber(text, length, &value);
  return problem != FLOAT_WRITTEN ? problem : encodeFloatValue(value, size, format, out);
}
