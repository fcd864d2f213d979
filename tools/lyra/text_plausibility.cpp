#include "text_plausibility.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

enum CharKind {
  KIND_PLAIN,     // ASCII letters, digits, blanks: every page of a family has them
  KIND_NATIONAL,  // letters beyond ASCII: accented Latin, Greek, Cyrillic
  KIND_PUNCT,     // ASCII punctuation and symbols
  KIND_CURRENCY,  // currency signs people write: $ £ ¥ €
  KIND_RARE,      // other symbols, seldom meant where a page puts them
  KIND_CONTROL,   // control characters and U+FFFD
};

// Scores of a character by kind and context.
const int NATIONAL_AMONG_LETTERS = 2;  // "Jürgen"
const int NATIONAL_ALONE = -1;         // a national letter between non-letters
const int PUNCT_INSIDE_WORD = -2;      // "J}rgen", "Wei~"
const int RARE_SYMBOL = -1;            // '¬', '¤', '¦'
const int CONTROL_CHARACTER = -3;
const int PAIRED_BRACKET = 1;     // "[REAR ENTRANCE]"
const int UNPAIRED_BRACKET = -1;  // "12]DOCK"

// Punctuation that words hold: "O'BRIEN", "SCHMIDT-WEBER", "C/O", "A&P", "U.S.A".
const char WORD_PUNCTUATION[] = "'-&./";
const char OPENING_BRACKETS[] = "([{";
const char CLOSING_BRACKETS[] = ")]}";

// Code point ranges of national letters.
struct Range {
  uint32_t first, last;
};
const Range NATIONAL_LETTERS[] = {
    {0x00C0, 0x00D6},  // À to Ö
    {0x00D8, 0x00F6},  // Ø to ö
    {0x00F8, 0x024F},  // ø to the end of Latin Extended-B
    {0x0370, 0x03FF},  // Greek
    {0x0400, 0x04FF},  // Cyrillic
};
const uint32_t CURRENCY_SIGNS[] = {0x24, 0xA3, 0xA5, 0x20AC};  // $ £ ¥ €
const uint32_t REPLACEMENT_CHARACTER = 0xFFFD;

bool isAsciiLetter(uint32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isNationalLetter(uint32_t c) {
  for (const Range& range : NATIONAL_LETTERS) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

bool isLetter(uint32_t c) {
  return isAsciiLetter(c) || isNationalLetter(c);
}

CharKind kindOf(uint32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == REPLACEMENT_CHARACTER) return KIND_CONTROL;
  for (uint32_t sign : CURRENCY_SIGNS) {
    if (c == sign) return KIND_CURRENCY;
  }
  if (c < 0x7F) {
    const bool plain = isAsciiLetter(c) || (c >= '0' && c <= '9') || c == ' ';
    return plain ? KIND_PLAIN : KIND_PUNCT;
  }
  return isNationalLetter(c) ? KIND_NATIONAL : KIND_RARE;
}

// The code points of UTF-8 text; a byte that starts no well-formed sequence is
// U+FFFD.
std::vector<uint32_t> codePoints(std::string_view utf8) {
  std::vector<uint32_t> points;
  points.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
    if (length == 0 || i + length > utf8.size()) {
      points.push_back(REPLACEMENT_CHARACTER);
      ++i;
      continue;
    }
    uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    points.push_back(c);
    i += length;
  }
  return points;
}

// The score of the character at i among its neighbours (blanks beyond the ends).
int characterScore(const std::vector<uint32_t>& text, size_t i) {
  const uint32_t c = text[i];
  const bool letterBefore = i > 0 && isLetter(text[i - 1]);
  const bool letterAfter = i + 1 < text.size() && isLetter(text[i + 1]);
  switch (kindOf(c)) {
    case KIND_NATIONAL:
      if (letterBefore && letterAfter) return NATIONAL_AMONG_LETTERS;
      return letterBefore || letterAfter ? 0 : NATIONAL_ALONE;
    case KIND_PUNCT:
      return letterBefore && letterAfter &&
                     std::strchr(WORD_PUNCTUATION, static_cast<int>(c)) == nullptr
                 ? PUNCT_INSIDE_WORD
                 : 0;
    case KIND_RARE:
      return RARE_SYMBOL;
    case KIND_CONTROL:
      return CONTROL_CHARACTER;
    default:
      return 0;
  }
}

// Brackets that pair up, and those that do not, each kind on its own.
int bracketScore(const std::vector<uint32_t>& text) {
  int score = 0;
  for (int kind = 0; kind < 3; ++kind) {
    int open = 0;
    for (uint32_t c : text) {
      if (c == static_cast<uint32_t>(OPENING_BRACKETS[kind])) {
        ++open;
      } else if (c == static_cast<uint32_t>(CLOSING_BRACKETS[kind])) {
        score += open > 0 ? PAIRED_BRACKET : UNPAIRED_BRACKET;
        if (open > 0) --open;
      }
    }
    score += open * UNPAIRED_BRACKET;
  }
  return score;
}

}  // namespace

int textPlausibility(std::string_view utf8) {
  bool plain = true;
  for (char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    plain = plain && (isAsciiLetter(byte) || (byte >= '0' && byte <= '9') || byte == ' ');
  }
  if (plain) return 0;
  const std::vector<uint32_t> text = codePoints(utf8);
  int score = bracketScore(text);
  for (size_t i = 0; i < text.size(); ++i) score += characterScore(text, i);
  return score;
}
