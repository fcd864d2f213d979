// SyntaxParser recognises the form of one statement: the rows of a constant grammar
// table, checked once, are the nodes of a graph that it matches each statement's
// token codes against by a depth-first search with backtracking and, on a match, runs
// the handlers of the matched nodes in path order. Handlers record what they see in a
// context object the parser passes through without looking into it.
//
// Created by createSyntaxParser() and destroyed by release(). The parser owns its
// match path; the grammar table, the handler table, the handler context and the debug
// callback stay the caller's and must outlive the parser's use of them. One thread
// uses a parser at a time.
#ifndef LYRA_PARSE_SYNTAX_PARSER_H_
#define LYRA_PARSE_SYNTAX_PARSER_H_

#include <cstdint>

#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_string.h"

// Token code of a branch node: it matches without consuming a token.
const int TOKEN_BRANCH = 0;
// Token code that stands after the last token of a statement.
const int TOKEN_END = 999999;
// Token code of the row that ends a grammar table.
const int GRAMMAR_END = -999999;
// The most entries a match path holds. The token arrays handed to parse() need
// no more slots than this: at most MAX_PATH_ENTRIES - 1 tokens and the end code.
const int MAX_PATH_ENTRIES = 2000;
// The most successors a grammar row lists.
const int MAX_SUCCESSORS = 32;

// One row of a grammar table. Row 0 is the start node; a row whose token code is
// GRAMMAR_END ends the table.
struct SyntaxNodeDef {
  int32_t tokenCode;                   // code matched; TOKEN_BRANCH matches no token
  int32_t maxRepeats;                  // times the node may stand on one path; 0: no limit
  int32_t handlerIndex;                // index into the handler table; 0: no handler
  int32_t reserved;                    // copied into the node, not used
  int32_t successors[MAX_SUCCESSORS];  // row numbers tried in order, ended by 0
};
static_assert(sizeof(SyntaxNodeDef) == 36 * sizeof(int32_t), "a grammar row is 36 words");

// Receives the text of the token its node matched; false rejects the statement.
typedef bool (*ParseHandler)(void* context, const QvbString& token);

class SyntaxParser {
 public:
  virtual ~SyntaxParser() = default;

  // The reason of the last failure; replaced only when an operation fails.
  virtual QvbString getErrorMessage() const = 0;

  // Builds the node graph of a grammar table ended by a GRAMMAR_END row and stores
  // the handler table (indexed by handler index; entry 0 is never called; may be
  // null when no row names a handler) and the context passed to every handler.
  // Fails with "Build parse tree failed" when the table is empty or a successor row
  // number lies outside 1 .. rows - 1.
  virtual bool buildParseTree(const SyntaxNodeDef* grammar, const ParseHandler* handlers,
                              void* context) = 0;

  // Matches one statement. tokenCodes ends with TOKEN_END; tokenTexts holds one text
  // per code, the TOKEN_END position included. On a match runs the handlers of the
  // matched path in order and returns whether all of them accepted.
  virtual bool parse(const QvbString* tokenTexts, const int* tokenCodes) = 0;

  // Stores a callback the host owns (null: none). Matching sends no messages.
  virtual void setDebugCallback(LYRADebugCallback* callback) = 0;

  // Destroys the parser.
  virtual void release() = 0;
};

// A parser with no graph, an empty path and no debug callback; never null.
SyntaxParser* createSyntaxParser();

#endif  // LYRA_PARSE_SYNTAX_PARSER_H_
