// The constant tables of the copybook's data description entry: the keyword table
// that turns a word into its token code, and CopybookGrammar, the grammar that a
// SyntaxParser matches each entry against (the level number excluded). The handler
// numbers in the grammar index the handler table of the data description handler.
// Everything here is constant and may be shared by any number of threads.
#ifndef LYRA_PARSE_COPYBOOK_GRAMMAR_H_
#define LYRA_PARSE_COPYBOOK_GRAMMAR_H_

#include "lyra/qvb_string.h"
#include "parse/syntax_parser.h"

// Keyword token codes; a keyword code stands for every spelling of the keyword.
enum CopybookTokenCode {
  TOKEN_PIC = 1,  // PIC, PICTURE
  TOKEN_OCCURS = 2,
  TOKEN_FILLER = 3,
  TOKEN_DEPENDING = 4,
  TOKEN_TIMES = 5,
  TOKEN_ON = 6,
  TOKEN_REDEFINES = 7,
  TOKEN_TO = 8,
  TOKEN_USAGE = 9,
  TOKEN_NATIVE = 10,
  TOKEN_IS = 11,          // IS, ARE
  TOKEN_USAGE_WORD = 12,  // BINARY, COMP, COMP-3, DISPLAY, PACKED-DECIMAL, ...
  TOKEN_BLANK = 13,
  TOKEN_WHEN = 14,
  TOKEN_ZERO = 15,  // ZERO, ZEROES, ZEROS
  TOKEN_EXTERNAL = 16,
  TOKEN_GROUP_USAGE = 17,
  TOKEN_GLOBAL = 18,
  TOKEN_NATIONAL = 19,
  TOKEN_JUST = 20,  // JUST, JUSTIFIED
  TOKEN_RIGHT = 21,
  TOKEN_DESCENDING = 22,
  TOKEN_ASCENDING = 23,
  TOKEN_KEY = 24,
  TOKEN_INDEXED = 25,
  TOKEN_BY = 26,
  TOKEN_SIGN = 27,
  TOKEN_LEADING = 28,
  TOKEN_TRAILING = 29,
  TOKEN_SEPARATE = 30,
  TOKEN_CHARACTER = 31,
  TOKEN_SYNC = 32,  // SYNC, SYNCHRONIZED
  TOKEN_LEFT = 33,
  TOKEN_OBJECT = 34,
  TOKEN_REFERENCE = 35,
  TOKEN_VALUE = 36,  // VALUE, VALUES
  TOKEN_DATE = 37,
  TOKEN_FORMAT = 38,
  TOKEN_SPACE = 39,       // SPACE, SPACES
  TOKEN_LOW_VALUE = 40,   // LOW-VALUE, LOW-VALUES
  TOKEN_HIGH_VALUE = 41,  // HIGH-VALUE, HIGH-VALUES
  TOKEN_QUOTE = 42,
  TOKEN_ALL = 43,
};

// Code of every token that is not a keyword, and of every quoted token.
const int TOKEN_WORD = 1000;

// Handler numbers used by CopybookGrammar; 0 and 8 name no handler.
enum CopybookHandlerIndex {
  HANDLER_NONE = 0,
  HANDLER_OCCURS_MAX = 1,
  HANDLER_OCCURS_MIN = 2,
  HANDLER_OBJECT_NAME = 3,
  HANDLER_PICTURE = 4,
  HANDLER_USAGE = 5,
  HANDLER_VALUE = 6,
  HANDLER_DATA_NAME = 7,
  HANDLER_OCCURS = 9,
  HANDLER_DEPENDING_ON = 10,
  HANDLER_REDEFINES = 11,
  HANDLER_SIGN_POSITION = 12,
  HANDLER_SIGN_SEPARATE = 13,
  COPYBOOK_HANDLER_COUNT = 14,  // entries of a handler table for the grammar
};

// Rows of CopybookGrammar before its GRAMMAR_END row.
const int COPYBOOK_GRAMMAR_ROWS = 81;

extern const SyntaxNodeDef CopybookGrammar[COPYBOOK_GRAMMAR_ROWS + 1];

// The keyword code of a word, letter case ignored; TOKEN_WORD for any other word.
// With tolerant, the words of the dialects that tolerant parsing reads are keywords
// too (COMP-0).
int lookupTokenCode(const QvbString& word, bool tolerant = false);

#endif  // LYRA_PARSE_COPYBOOK_GRAMMAR_H_
