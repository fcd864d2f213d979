#include "output_text.h"

#include <cstring>

namespace {

// Short names for the rows of OUTPUT_BYTE_CLASS.
const uint8_t CT = BYTE_JSON_ESCAPED | BYTE_CONTROL;  // a C0 control or DEL
const uint8_t LE = CT | BYTE_CSV_QUOTED;              // CR, LF
const uint8_t QU = BYTE_CSV_QUOTED | BYTE_JSON_ESCAPED;
const uint8_t CO = BYTE_CSV_QUOTED;
const uint8_t BS = BYTE_JSON_ESCAPED;
const uint8_t C1 = BYTE_CONTROL;  // C2: the lead byte of the C1 controls
const uint8_t NX = BYTE_CONTINUATION;

const char HEX_DIGITS[] = "0123456789abcdef";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// The end of the run of digits that starts at i.
size_t skipDigits(std::string_view text, size_t i) {
  while (i < text.size() && isDigit(text[i])) ++i;
  return i;
}

// The end of the exponent ('e' or 'E', an optional sign, digits) that starts at i;
// i when none starts there, npos for an 'e' without digits.
size_t skipExponent(std::string_view text, size_t i) {
  if (i >= text.size() || (text[i] != 'e' && text[i] != 'E')) return i;
  size_t digits = i + 1;
  if (digits < text.size() && (text[digits] == '-' || text[digits] == '+')) ++digits;
  const size_t end = skipDigits(text, digits);
  return end > digits ? end : std::string_view::npos;
}

// Where the pieces of a decimal number are in its text: [intStart, intEnd) the
// integer digits, [fracStart, fracEnd) those after the point, [fracEnd, expEnd)
// the exponent.
struct NumberParts {
  bool negative = false;
  size_t intStart = 0, intEnd = 0, fracStart = 0, fracEnd = 0, expEnd = 0;
};

bool isSign(char c) {
  return c == '+' || c == '-';
}

// What numeric editing writes before the digits: blanks, the check-protection '*', the
// currency sign '$' and a sign.
bool isEditedLead(char c) {
  return isBlank(c) || c == '*' || c == '$' || isSign(c);
}

// The length of the sign that numeric editing writes after the digits at text[i]: '+',
// '-', "CR" or "DB", the last three for a value below zero; 0 when none starts there.
size_t trailingSignLength(std::string_view text, size_t i, bool* negative) {
  const std::string_view rest = text.substr(i);
  if (!rest.empty() && isSign(rest[0])) {
    *negative = rest[0] == '-';
    return 1;
  }
  if (rest.substr(0, 2) == "CR" || rest.substr(0, 2) == "DB") {
    *negative = true;
    return 2;
  }
  return 0;
}

// Finds the pieces of text that states a decimal number, as the decoders write it or as
// numeric editing prints it: blanks, '*' and '$' before it, one sign before or after it
// ('+', '-', "CR", "DB"), blanks after it. False for text that states none.
bool scanNumber(std::string_view text, NumberParts* parts) {
  size_t i = 0;
  size_t signs = 0;
  parts->negative = false;
  for (; i < text.size() && isEditedLead(text[i]); ++i) {
    if (!isSign(text[i])) continue;
    if (++signs > 1) return false;
    parts->negative = text[i] == '-';
  }
  parts->intStart = i;
  parts->intEnd = parts->fracStart = parts->fracEnd = skipDigits(text, i);
  if (parts->intEnd < text.size() && text[parts->intEnd] == '.') {
    parts->fracStart = parts->intEnd + 1;
    parts->fracEnd = skipDigits(text, parts->fracStart);
  }
  parts->expEnd = skipExponent(text, parts->fracEnd);
  if (parts->expEnd == std::string_view::npos) return false;
  size_t end = parts->expEnd;
  while (end < text.size() && isBlank(text[end])) ++end;
  const size_t trailing = signs == 0 ? trailingSignLength(text, end, &parts->negative) : 0;
  for (end += trailing; end < text.size() && isBlank(text[end]);) ++end;
  return end == text.size() &&
         (parts->intEnd > parts->intStart || parts->fracEnd > parts->fracStart);
}

unsigned char byteAt(const std::string& text, size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

bool isContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The lead bytes of well-formed UTF-8 sequences of 2 to 4 bytes, with the range
// their second byte must fall in (which rules out overlong forms, surrogates and
// code points above U+10FFFF); the bytes after the second are any continuation.
struct Utf8Lead {
  unsigned char first, last;  // the lead bytes of the row
  size_t length;              // of the whole sequence
  unsigned char secondMin, secondMax;
};

const Utf8Lead UTF8_LEADS[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// The length of the well-formed multi-byte UTF-8 sequence at text[at]; 0 when
// none starts there.
size_t sequenceLength(const std::string& text, size_t at) {
  const unsigned char lead = byteAt(text, at);
  for (const Utf8Lead& row : UTF8_LEADS) {
    if (lead < row.first || lead > row.last) continue;
    const unsigned char second = byteAt(text, at + 1);
    if (second < row.secondMin || second > row.secondMax) return 0;
    for (size_t i = 2; i < row.length; ++i) {
      if (!isContinuation(byteAt(text, at + i))) return 0;
    }
    return row.length;
  }
  return 0;
}

void appendLatin1(unsigned char byte, std::string* out) {
  if (byte < 0x80) {
    out->push_back(static_cast<char>(byte));
  } else {
    out->push_back(static_cast<char>(0xC0 | (byte >> 6)));
    out->push_back(static_cast<char>(0x80 | (byte & 0x3F)));
  }
}

// Writes the escape of a byte that a JSON string cannot hold as it stands.
char* writeJsonEscape(unsigned char byte, char* out) {
  *out++ = '\\';
  if (byte == '"' || byte == '\\') {
    *out++ = static_cast<char>(byte);
    return out;
  }
  const char escaped[] = {'u', '0', '0', HEX_DIGITS[byte >> 4], HEX_DIGITS[byte & 0xF]};
  std::memcpy(out, escaped, sizeof escaped);
  return out + sizeof escaped;
}

char* writeBytes(std::string_view bytes, char* out) {
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

}  // namespace

const uint8_t OUTPUT_BYTE_CLASS[256] = {
    CT, CT, CT, CT, CT, CT, CT, CT, CT, CT, LE, CT, CT, LE, CT, CT,  // 00-0F: LF, CR
    CT, CT, CT, CT, CT, CT, CT, CT, CT, CT, CT, CT, CT, CT, CT, CT,  // 10-1F
    0,  0,  QU, 0,  0,  0,  0,  0,  0,  0,  0,  0,  CO, 0,  0,  0,   // 20-2F: quote, comma
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 30-3F
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 40-4F
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  BS, 0,  0,  0,   // 50-5F: backslash
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 60-6F
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  CT,  // 70-7F: DEL
    NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX,  // 80-8F
    NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX,  // 90-9F
    NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX,  // A0-AF
    NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX, NX,  // B0-BF
    0,  0,  C1, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // C0-CF
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // D0-DF
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // E0-EF
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // F0-FF
};

std::string toUtf8(const std::string& latin1) {
  std::string out;
  for (char c : latin1) appendLatin1(static_cast<unsigned char>(c), &out);
  return out;
}

std::string repairUtf8(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = sequenceLength(bytes, i);
    if (length > 0) {
      out.append(bytes, i, length);
      i += length;
    } else {
      appendLatin1(byteAt(bytes, i++), &out);
    }
  }
  return out;
}

size_t utf8Length(std::string_view utf8) {
  size_t count = 0;
  for (char c : utf8) count += isByteClass(c, BYTE_CONTINUATION) ? 0 : 1;
  return count;
}

// Most text needs no escape: it is copied, and written again, escaped, only when
// the copy cannot stand.
char* writeJsonString(std::string_view utf8, char* out) {
  *out++ = '"';
  if ((copyClassified(utf8, out) & BYTE_JSON_ESCAPED) == 0) {
    out += utf8.size();
  } else {
    for (char c : utf8) {
      if (isByteClass(c, BYTE_JSON_ESCAPED)) {
        out = writeJsonEscape(static_cast<unsigned char>(c), out);
      } else {
        *out++ = c;
      }
    }
  }
  *out++ = '"';
  return out;
}

void appendJsonString(std::string_view utf8, std::string* out) {
  const size_t start = out->size();
  out->resize(start + jsonStringMost(utf8.size()));
  const char* end = writeJsonString(utf8, &(*out)[start]);
  out->resize(static_cast<size_t>(end - out->data()));
}

bool writeJsonNumber(std::string_view text, char** out) {
  NumberParts parts;
  if (!scanNumber(text, &parts)) return false;
  size_t firstDigit = parts.intStart;
  while (firstDigit + 1 < parts.intEnd && text[firstDigit] == '0') ++firstDigit;
  char* at = *out;
  if (parts.negative) *at++ = '-';
  at = writeBytes(parts.intEnd > parts.intStart ? text.substr(firstDigit, parts.intEnd - firstDigit)
                                                : std::string_view("0"),
                  at);
  if (parts.fracEnd > parts.fracStart) {
    *at++ = '.';
    at = writeBytes(text.substr(parts.fracStart, parts.fracEnd - parts.fracStart), at);
  }
  *out = writeBytes(text.substr(parts.fracEnd, parts.expEnd - parts.fracEnd), at);
  return true;
}
