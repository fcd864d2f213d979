#include "parse/copybook_grammar.h"

#include <cstddef>

#include "support/np_uchar.h"

namespace {

struct Keyword {
  const char* word;
  int code;
};

// In byte order of the words, for a binary search.
constexpr Keyword KEYWORDS[] = {
    {"ALL", TOKEN_ALL},
    {"ARE", TOKEN_IS},
    {"ASCENDING", TOKEN_ASCENDING},
    {"BINARY", TOKEN_USAGE_WORD},
    {"BLANK", TOKEN_BLANK},
    {"BY", TOKEN_BY},
    {"CHARACTER", TOKEN_CHARACTER},
    {"COMP", TOKEN_USAGE_WORD},
    {"COMP-1", TOKEN_USAGE_WORD},
    {"COMP-2", TOKEN_USAGE_WORD},
    {"COMP-3", TOKEN_USAGE_WORD},
    {"COMP-4", TOKEN_USAGE_WORD},
    {"COMP-5", TOKEN_USAGE_WORD},
    {"COMPUTATIONAL", TOKEN_USAGE_WORD},
    {"COMPUTATIONAL-1", TOKEN_USAGE_WORD},
    {"COMPUTATIONAL-2", TOKEN_USAGE_WORD},
    {"COMPUTATIONAL-3", TOKEN_USAGE_WORD},
    {"COMPUTATIONAL-4", TOKEN_USAGE_WORD},
    {"COMPUTATIONAL-5", TOKEN_USAGE_WORD},
    {"DATE", TOKEN_DATE},
    {"DEPENDING", TOKEN_DEPENDING},
    {"DESCENDING", TOKEN_DESCENDING},
    {"DISPLAY", TOKEN_USAGE_WORD},
    {"DISPLAY-1", TOKEN_USAGE_WORD},
    {"EXTERNAL", TOKEN_EXTERNAL},
    {"FILLER", TOKEN_FILLER},
    {"FORMAT", TOKEN_FORMAT},
    {"FUNCTION-POINTER", TOKEN_USAGE_WORD},
    {"GLOBAL", TOKEN_GLOBAL},
    {"GROUP-USAGE", TOKEN_GROUP_USAGE},
    {"HIGH-VALUE", TOKEN_HIGH_VALUE},
    {"HIGH-VALUES", TOKEN_HIGH_VALUE},
    {"INDEX", TOKEN_USAGE_WORD},
    {"INDEXED", TOKEN_INDEXED},
    {"IS", TOKEN_IS},
    {"JUST", TOKEN_JUST},
    {"JUSTIFIED", TOKEN_JUST},
    {"KEY", TOKEN_KEY},
    {"LEADING", TOKEN_LEADING},
    {"LEFT", TOKEN_LEFT},
    {"LOW-VALUE", TOKEN_LOW_VALUE},
    {"LOW-VALUES", TOKEN_LOW_VALUE},
    {"NATIONAL", TOKEN_NATIONAL},  // a usage the grammar accepts, apart from the usage words
    {"NATIVE", TOKEN_NATIVE},
    {"OBJECT", TOKEN_OBJECT},
    {"OCCURS", TOKEN_OCCURS},
    {"ON", TOKEN_ON},
    {"PACKED-DECIMAL", TOKEN_USAGE_WORD},
    {"PIC", TOKEN_PIC},
    {"PICTURE", TOKEN_PIC},
    {"POINTER", TOKEN_USAGE_WORD},
    {"PROCEDURE-POINTER", TOKEN_USAGE_WORD},
    {"QUOTE", TOKEN_QUOTE},
    {"REDEFINES", TOKEN_REDEFINES},
    {"REFERENCE", TOKEN_REFERENCE},
    {"RIGHT", TOKEN_RIGHT},
    {"SEPARATE", TOKEN_SEPARATE},
    {"SIGN", TOKEN_SIGN},
    {"SPACE", TOKEN_SPACE},
    {"SPACES", TOKEN_SPACE},
    {"SYNC", TOKEN_SYNC},
    {"SYNCHRONIZED", TOKEN_SYNC},
    {"TIMES", TOKEN_TIMES},
    {"TO", TOKEN_TO},
    {"TRAILING", TOKEN_TRAILING},
    {"USAGE", TOKEN_USAGE},
    {"VALUE", TOKEN_VALUE},
    {"VALUES", TOKEN_VALUE},
    {"WHEN", TOKEN_WHEN},
    {"ZERO", TOKEN_ZERO},
    {"ZEROES", TOKEN_ZERO},
    {"ZEROS", TOKEN_ZERO},
};
static_assert(sizeof(KEYWORDS) / sizeof(KEYWORDS[0]) == 72, "the keyword table has 72 words");

// Words that only tolerant parsing takes as keywords; to the classic rules they are
// plain words, which no clause accepts.
constexpr Keyword TOLERANT_KEYWORDS[] = {
    {"COMP-0", TOKEN_USAGE_WORD},
    {"COMPUTATIONAL-0", TOKEN_USAGE_WORD},
};

// Byte order of two zero-terminated words: negative, 0 or positive.
constexpr int compareWords(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

template <size_t N>
constexpr bool inWordOrder(const Keyword (&table)[N]) {
  for (size_t i = 1; i < N; ++i) {
    if (compareWords(table[i - 1].word, table[i].word) >= 0) return false;
  }
  return true;
}
static_assert(inWordOrder(KEYWORDS) && inWordOrder(TOLERANT_KEYWORDS),
              "keyword tables are in word order");
static_assert(KEYWORDS[0].word[0] >= 'A' &&
                  KEYWORDS[sizeof KEYWORDS / sizeof KEYWORDS[0] - 1].word[0] <= 'Z' &&
                  TOLERANT_KEYWORDS[0].word[0] >= 'A',
              "every keyword begins with a letter");

constexpr size_t longestWord() {
  size_t longest = 0;
  for (const Keyword& keyword : KEYWORDS) {
    size_t n = 0;
    while (keyword.word[n] != '\0') ++n;
    longest = n > longest ? n : longest;
  }
  return longest;
}
// Longer words are no keyword of either table.
constexpr size_t LONGEST_KEYWORD = longestWord();
static_assert(LONGEST_KEYWORD >= sizeof "COMPUTATIONAL-0" - 1, "tolerant keywords fit");

// The code of word (in upper case) in a table in word order; 0 when it is not there.
template <size_t N>
int findKeyword(const Keyword (&table)[N], const char* word) {
  size_t low = 0;
  size_t high = N;
  while (low < high) {
    const size_t middle = (low + high) / 2;
    const int order = compareWords(table[middle].word, word);
    if (order == 0) return table[middle].code;
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return 0;
}

}  // namespace

// Columns: token code, max repeats, handler, reserved, successor rows in the order
// they are tried. The entry is an optional name (rows 2, 3), an optional REDEFINES
// (5, 6), then either clauses in any order, each at most once (7 to 69), or a list
// of values (70 to 80), then the end (1).
const SyntaxNodeDef CopybookGrammar[COPYBOOK_GRAMMAR_ROWS + 1] = {
    {TOKEN_BRANCH, 0, HANDLER_NONE, 0, {2, 3, 4}},      // 0 start
    {TOKEN_END, 1, HANDLER_NONE, 0, {}},                // 1 end of the entry
    {TOKEN_WORD, 1, HANDLER_DATA_NAME, 0, {4}},         // 2 data name
    {TOKEN_FILLER, 1, HANDLER_NONE, 0, {4}},            // 3 FILLER
    {TOKEN_BRANCH, 1, HANDLER_NONE, 0, {1, 5, 7, 70}},  // 4 after the name
    {TOKEN_REDEFINES, 1, HANDLER_REDEFINES, 0, {6}},    // 5 REDEFINES
    {TOKEN_WORD, 1, HANDLER_OBJECT_NAME, 0, {7}},       // 6 redefined name
    // 7: the next clause, or the end
    {TOKEN_BRANCH, 0, HANDLER_NONE, 0, {1, 8, 11, 14, 15, 16, 19, 21, 28, 31, 36, 40, 43, 61}},
    {TOKEN_PIC, 1, HANDLER_NONE, 0, {9, 10}},                          // 8 PIC
    {TOKEN_IS, 1, HANDLER_NONE, 0, {10}},                              // 9 PIC IS
    {TOKEN_WORD, 1, HANDLER_PICTURE, 0, {7}},                          // 10 picture string
    {TOKEN_BLANK, 1, HANDLER_NONE, 0, {12, 13}},                       // 11 BLANK
    {TOKEN_WHEN, 1, HANDLER_NONE, 0, {13}},                            // 12 BLANK WHEN
    {TOKEN_ZERO, 1, HANDLER_NONE, 0, {7}},                             // 13 BLANK WHEN ZERO
    {TOKEN_EXTERNAL, 1, HANDLER_NONE, 0, {7}},                         // 14 EXTERNAL
    {TOKEN_GLOBAL, 1, HANDLER_NONE, 0, {7}},                           // 15 GLOBAL
    {TOKEN_GROUP_USAGE, 1, HANDLER_NONE, 0, {17, 18}},                 // 16 GROUP-USAGE
    {TOKEN_IS, 1, HANDLER_NONE, 0, {18}},                              // 17 GROUP-USAGE IS
    {TOKEN_NATIONAL, 1, HANDLER_NONE, 0, {7}},                         // 18 GROUP-USAGE NATIONAL
    {TOKEN_JUST, 1, HANDLER_NONE, 0, {20, 7}},                         // 19 JUST
    {TOKEN_RIGHT, 1, HANDLER_NONE, 0, {7}},                            // 20 JUST RIGHT
    {TOKEN_BRANCH, 1, HANDLER_NONE, 0, {22, 24, 25}},                  // 21 sign clause
    {TOKEN_SIGN, 1, HANDLER_NONE, 0, {23, 24, 25}},                    // 22 SIGN
    {TOKEN_IS, 1, HANDLER_NONE, 0, {24, 25}},                          // 23 SIGN IS
    {TOKEN_LEADING, 1, HANDLER_SIGN_POSITION, 0, {26, 7}},             // 24 LEADING
    {TOKEN_TRAILING, 1, HANDLER_SIGN_POSITION, 0, {26, 7}},            // 25 TRAILING
    {TOKEN_SEPARATE, 1, HANDLER_SIGN_SEPARATE, 0, {27, 7}},            // 26 SEPARATE
    {TOKEN_CHARACTER, 1, HANDLER_NONE, 0, {7}},                        // 27 SEPARATE CHARACTER
    {TOKEN_SYNC, 1, HANDLER_NONE, 0, {29, 30, 7}},                     // 28 SYNC
    {TOKEN_LEFT, 1, HANDLER_NONE, 0, {7}},                             // 29 SYNC LEFT
    {TOKEN_RIGHT, 1, HANDLER_NONE, 0, {7}},                            // 30 SYNC RIGHT
    {TOKEN_VALUE, 1, HANDLER_NONE, 0, {32, 33, 34, 35}},               // 31 VALUE clause
    {TOKEN_IS, 1, HANDLER_NONE, 0, {33, 34, 35}},                      // 32 VALUE IS
    {TOKEN_WORD, 1, HANDLER_VALUE, 0, {7}},                            // 33 the value
    {TOKEN_SPACE, 1, HANDLER_NONE, 0, {7}},                            // 34 VALUE SPACE
    {TOKEN_ZERO, 1, HANDLER_NONE, 0, {7}},                             // 35 VALUE ZERO
    {TOKEN_DATE, 1, HANDLER_NONE, 0, {37}},                            // 36 DATE
    {TOKEN_FORMAT, 1, HANDLER_NONE, 0, {38, 39}},                      // 37 DATE FORMAT
    {TOKEN_IS, 1, HANDLER_NONE, 0, {39}},                              // 38 DATE FORMAT IS
    {TOKEN_WORD, 1, HANDLER_NONE, 0, {7}},                             // 39 date pattern
    {TOKEN_OCCURS, 1, HANDLER_OCCURS, 0, {41}},                        // 40 OCCURS n
    {TOKEN_WORD, 1, HANDLER_OCCURS_MAX, 0, {42, 52, 7}},               // 41 its count
    {TOKEN_TIMES, 1, HANDLER_NONE, 0, {52, 7}},                        // 42 OCCURS n TIMES
    {TOKEN_OCCURS, 1, HANDLER_OCCURS, 0, {44, 48}},                    // 43 OCCURS ... DEPENDING
    {TOKEN_WORD, 1, HANDLER_OCCURS_MIN, 0, {45}},                      // 44 its minimum m
    {TOKEN_TO, 1, HANDLER_NONE, 0, {46}},                              // 45 m TO
    {TOKEN_WORD, 1, HANDLER_OCCURS_MAX, 0, {47, 49}},                  // 46 its maximum n
    {TOKEN_TIMES, 1, HANDLER_NONE, 0, {49}},                           // 47 m TO n TIMES
    {TOKEN_WORD, 1, HANDLER_OCCURS_MAX, 0, {49}},                      // 48 its single count n
    {TOKEN_DEPENDING, 1, HANDLER_DEPENDING_ON, 0, {50, 51}},           // 49 DEPENDING
    {TOKEN_ON, 1, HANDLER_NONE, 0, {51}},                              // 50 DEPENDING ON
    {TOKEN_WORD, 1, HANDLER_OBJECT_NAME, 0, {52, 7}},                  // 51 the count's data name
    {TOKEN_BRANCH, 1, HANDLER_NONE, 0, {53, 54, 58}},                  // 52 keys and indexes
    {TOKEN_ASCENDING, 1, HANDLER_NONE, 0, {55, 56, 57}},               // 53 ASCENDING
    {TOKEN_DESCENDING, 1, HANDLER_NONE, 0, {55, 56, 57}},              // 54 DESCENDING
    {TOKEN_KEY, 1, HANDLER_NONE, 0, {56, 57}},                         // 55 KEY
    {TOKEN_IS, 1, HANDLER_NONE, 0, {57}},                              // 56 KEY IS
    {TOKEN_WORD, 0, HANDLER_NONE, 0, {57, 58, 7}},                     // 57 key names
    {TOKEN_INDEXED, 1, HANDLER_NONE, 0, {59, 60}},                     // 58 INDEXED
    {TOKEN_BY, 1, HANDLER_NONE, 0, {60}},                              // 59 INDEXED BY
    {TOKEN_WORD, 0, HANDLER_NONE, 0, {60, 7}},                         // 60 index names
    {TOKEN_BRANCH, 1, HANDLER_NONE, 0, {62, 64, 65, 66}},              // 61 usage clause
    {TOKEN_USAGE, 1, HANDLER_NONE, 0, {63, 64, 65, 66}},               // 62 USAGE
    {TOKEN_IS, 1, HANDLER_NONE, 0, {64, 65, 66}},                      // 63 USAGE IS
    {TOKEN_USAGE_WORD, 1, HANDLER_USAGE, 0, {69, 7}},                  // 64 usage word
    {TOKEN_NATIONAL, 1, HANDLER_USAGE, 0, {69, 7}},                    // 65 NATIONAL
    {TOKEN_OBJECT, 1, HANDLER_NONE, 0, {67}},                          // 66 OBJECT
    {TOKEN_REFERENCE, 1, HANDLER_NONE, 0, {68, 7}},                    // 67 OBJECT REFERENCE
    {TOKEN_WORD, 1, HANDLER_NONE, 0, {7}},                             // 68 class name
    {TOKEN_NATIVE, 1, HANDLER_NONE, 0, {7}},                           // 69 NATIVE
    {TOKEN_VALUE, 1, HANDLER_NONE, 0, {71, 72}},                       // 70 value list
    {TOKEN_IS, 1, HANDLER_NONE, 0, {72}},                              // 71 VALUES ARE
    {TOKEN_BRANCH, 0, HANDLER_NONE, 0, {73, 74, 75, 76, 77, 78, 79}},  // 72 next value
    {TOKEN_WORD, 0, HANDLER_VALUE, 0, {1, 72}},                        // 73 literal
    {TOKEN_ZERO, 0, HANDLER_NONE, 0, {1, 72}},                         // 74 ZERO
    {TOKEN_SPACE, 0, HANDLER_NONE, 0, {1, 72}},                        // 75 SPACE
    {TOKEN_QUOTE, 0, HANDLER_NONE, 0, {1, 72}},                        // 76 QUOTE
    {TOKEN_HIGH_VALUE, 0, HANDLER_NONE, 0, {1, 72}},                   // 77 HIGH-VALUE
    {TOKEN_LOW_VALUE, 0, HANDLER_NONE, 0, {1, 72}},                    // 78 LOW-VALUE
    {TOKEN_ALL, 0, HANDLER_NONE, 0, {80}},                             // 79 ALL
    {TOKEN_WORD, 0, HANDLER_NONE, 0, {1, 72}},                         // 80 ALL literal
    {GRAMMAR_END, 0, HANDLER_NONE, 0, {}},                             // end of the table
};

// The word's letters are put in upper case as the string comparison without regard to
// case does, so the word is a keyword exactly when it compares equal to one.
int lookupTokenCode(const QvbString& word, bool tolerant) {
  const size_t length = static_cast<size_t>(word.length());
  const unsigned char first = np_uchar_asupper_table[static_cast<unsigned char>(word.asCstr()[0])];
  // Every keyword begins with a letter: numbers and pictures such as 9(5) are words.
  if (word.isNull() || length > LONGEST_KEYWORD || first < 'A' || first > 'Z') return TOKEN_WORD;
  char upper[LONGEST_KEYWORD + 1];
  for (size_t i = 0; i < length; ++i) {
    upper[i] =
        static_cast<char>(np_uchar_asupper_table[static_cast<unsigned char>(word.asCstr()[i])]);
  }
  upper[length] = '\0';
  int code = findKeyword(KEYWORDS, upper);
  if (code == 0 && tolerant) code = findKeyword(TOLERANT_KEYWORDS, upper);
  return code != 0 ? code : TOKEN_WORD;
}
