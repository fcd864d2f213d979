// Helpers for the matcher tests: a handler table whose handlers record their handler
// number and token text, so that a test sees which nodes a matched path ran through,
// and a statement holder that turns text into the token arrays parse() takes.
#ifndef LYRA_TESTS_PARSE_PARSE_TEST_UTIL_H_
#define LYRA_TESTS_PARSE_PARSE_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lyra/qvb_string.h"
#include "parse/ccb_source_reader.h"
#include "parse/copybook_grammar.h"
#include "parse/syntax_parser.h"

namespace parse_test {

// The handler context of the tests.
struct HandlerLog {
  std::vector<std::string> calls;  // "number:token" per handler call, in order
  int rejecting = 0;               // number of the handler that returns false

  // The calls joined by single spaces.
  std::string joined() const {
    std::string text;
    for (const std::string& call : calls) text += (text.empty() ? "" : " ") + call;
    return text;
  }
};

template <int N>
bool recordCall(void* context, const QvbString& token) {
  HandlerLog* log = static_cast<HandlerLog*>(context);
  log->calls.push_back(std::to_string(N) + ":" + token.asCstr());
  return log->rejecting != N;
}

// Index n holds the recorder of handler number n; index 0 holds none.
static const ParseHandler RECORDING_HANDLERS[COPYBOOK_HANDLER_COUNT] = {
    nullptr,        recordCall<1>,  recordCall<2>,  recordCall<3>,  recordCall<4>,
    recordCall<5>,  recordCall<6>,  recordCall<7>,  recordCall<8>,  recordCall<9>,
    recordCall<10>, recordCall<11>, recordCall<12>, recordCall<13>,
};

// The token texts and codes of one statement, TOKEN_END appended.
struct Statement {
  std::vector<QvbString> texts;
  std::vector<int> codes;

  // Tokenizes text as the source reader does; a quoted token is a TOKEN_WORD, any
  // other is looked up in the keyword table.
  explicit Statement(const std::string& text) {
    CCBSourceReader reader;
    reader.setStatement(text.c_str());
    for (int i = 0; i < reader.getTokenCount(); ++i) {
      add(reader.getToken(i).asCstr(),
          reader.isLiteral(i) ? TOKEN_WORD : lookupTokenCode(reader.getToken(i)));
    }
    end();
  }
  // Tokens given with their codes; end() must follow the last one.
  Statement() = default;

  void add(const std::string& text, int code) {
    texts.emplace_back(text.c_str());
    codes.push_back(code);
  }
  void end() { add("", TOKEN_END); }
};

struct ParserRelease {
  void operator()(SyntaxParser* parser) const { parser->release(); }
};
typedef std::unique_ptr<SyntaxParser, ParserRelease> ParserPtr;

// A parser built over grammar with the recording handlers writing to log.
inline ParserPtr buildParser(const SyntaxNodeDef* grammar, HandlerLog* log) {
  ParserPtr parser(createSyntaxParser());
  EXPECT_TRUE(parser->buildParseTree(grammar, RECORDING_HANDLERS, log))
      << parser->getErrorMessage().asCstr();
  return parser;
}

}  // namespace parse_test

#endif  // LYRA_TESTS_PARSE_PARSE_TEST_UTIL_H_
