// Text conversions of the output formats. Everything the tool writes is UTF-8: the
// reader gives values in UTF-8, while names come from the copybook's bytes, read as
// ISO-8859-1, one byte per character.
#ifndef LYRA_TOOLS_OUTPUT_TEXT_H_
#define LYRA_TOOLS_OUTPUT_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// What each byte is to the output formats: bit flags, any number of them per byte.
enum OutputByteClass : uint8_t {
  BYTE_CSV_QUOTED = 1,    // , " CR LF: a CSV field holding one is quoted
  BYTE_JSON_ESCAPED = 2,  // " \ the C0 controls and DEL: escaped in a JSON string
  BYTE_CONTROL = 4,       // the C0 controls, DEL, and C2, which leads the C1 controls in UTF-8
  BYTE_CONTINUATION = 8,  // 80 to BF: a UTF-8 continuation byte, no character of its own
};

// The classes of each byte, indexed by the byte.
extern const uint8_t OUTPUT_BYTE_CLASS[256];

inline bool isByteClass(char c, uint8_t classes) {
  return (OUTPUT_BYTE_CLASS[static_cast<unsigned char>(c)] & classes) != 0;
}

// The position of the first byte at or after from that is in one of the classes;
// text.size() when there is none.
inline size_t findByteClass(std::string_view text, uint8_t classes, size_t from = 0) {
  while (from < text.size() && !isByteClass(text[from], classes)) ++from;
  return from;
}

// Copies the text to out and returns the classes of its bytes, all of them ORed:
// what a writer must know to tell whether the copy can stand. Eight bytes are
// copied and looked up per step while eight are left, then four. REQUIRES: room for
// text.size() bytes at out.
inline uint8_t copyClassified(std::string_view text, char* out) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const uint8_t* table = OUTPUT_BYTE_CLASS;
  const size_t size = text.size();
  uint8_t classes = 0;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const unsigned char* b = bytes + i;
    std::memcpy(out + i, b, 8);
    classes |= table[b[0]] | table[b[1]] | table[b[2]] | table[b[3]] | table[b[4]] | table[b[5]] |
               table[b[6]] | table[b[7]];
  }
  if (i + 4 <= size) {
    std::memcpy(out + i, bytes + i, 4);
    classes |= table[bytes[i]] | table[bytes[i + 1]] | table[bytes[i + 2]] | table[bytes[i + 3]];
    i += 4;
  }
  for (; i < size; ++i) {
    out[i] = static_cast<char>(bytes[i]);
    classes |= table[bytes[i]];
  }
  return classes;
}

// The ISO-8859-1 text in UTF-8.
std::string toUtf8(const std::string& latin1);

// Text of mixed or unknown encoding made valid UTF-8: each well-formed UTF-8
// sequence stays as it is, every other byte is read as an ISO-8859-1 character.
std::string repairUtf8(const std::string& bytes);

// The number of characters of UTF-8 text: the bytes that are no continuation byte.
size_t utf8Length(std::string_view utf8);

// The most bytes writeJsonString writes for a text of `bytes` bytes.
inline size_t jsonStringMost(size_t bytes) {
  return 6 * bytes + 2;  // each byte as \u00XX, and the quotes
}

// Writes the UTF-8 text at out as a quoted JSON string: quote and backslash
// escaped, control characters as \uXXXX, every other byte as it stands. Returns
// the end. REQUIRES: room for jsonStringMost(utf8.size()) bytes at out.
char* writeJsonString(std::string_view utf8, char* out);
// The same, appended to out.
void appendJsonString(std::string_view utf8, std::string* out);

// The most bytes writeJsonNumber writes for a text of `bytes` bytes.
inline size_t jsonNumberMost(size_t bytes) {
  return bytes + 1;  // a "0" before a point without a digit before it
}

// Writes decoded numeric text at *out as a JSON number and moves *out past it:
// blanks around it and a leading '+' or blank are dropped, leading zeros removed, a
// point without a digit before it gets a "0" and one without a digit after it is
// dropped (" 007.50" gives "7.50", "-.05" gives "-0.05", "+12." gives "12"); an
// exponent is kept ("1e-20", "-2.5E+38"). The text of a numeric-edited item reads as
// its value: '*' and '$' before the digits are dropped, and one sign may stand before
// them, also apart ("-  12"), or after them, '+' or '-', "CR" or "DB" for a value
// below zero, or blanks for one above ("1234-" gives "-1234", "  $1.50CR" gives
// "-1.50", "12.50  " gives "12.50"). False for any text that holds no decimal
// number, such as "#ERR#" or blanks only, and nothing is written. REQUIRES: room
// for jsonNumberMost(text.size()) bytes at *out.
bool writeJsonNumber(std::string_view text, char** out);

#endif  // LYRA_TOOLS_OUTPUT_TEXT_H_
