#include "parse/syntax_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "parse_test_util.h"

namespace {

using parse_test::buildParser;
using parse_test::HandlerLog;
using parse_test::ParserPtr;
using parse_test::Statement;

const int WORD = 1000;
const int KEY = 5;
const char* const NO_MATCH = "No syntax match found for statement";

// A statement of the given words, each with code WORD except "K" (KEY).
Statement words(const std::vector<std::string>& tokens) {
  Statement statement;
  for (const std::string& token : tokens) statement.add(token, token == "K" ? KEY : WORD);
  statement.end();
  return statement;
}

Statement repeated(int count, const std::string& last = "") {
  std::vector<std::string> tokens(count, "w");
  if (!last.empty()) tokens.push_back(last);
  return words(tokens);
}

bool parse(SyntaxParser* parser, const Statement& statement) {
  return parser->parse(statement.texts.data(), statement.codes.data());
}

// Start and row 3 are branches; rows 0 to 4 run the handler of their row number plus 1.
const SyntaxNodeDef CHAIN[] = {
    {TOKEN_BRANCH, 0, 1, 0, {1}},  // 0 start
    {WORD, 0, 2, 0, {2}},          // 1 first word
    {WORD, 0, 3, 0, {3}},          // 2 second word
    {TOKEN_BRANCH, 0, 4, 0, {4}},  // 3 branch before the third word
    {WORD, 0, 5, 0, {5}},          // 4 third word
    {TOKEN_END, 0, 0, 0, {}},      // 5 end
    {GRAMMAR_END, 0, 0, 0, {}},
};

TEST(SyntaxParserTest, HandlersRunInPathOrderWithTheTokenOfTheirEntry) {
  HandlerLog log;
  ParserPtr parser = buildParser(CHAIN, &log);
  EXPECT_TRUE(parse(parser.get(), words({"a", "b", "c"})));
  // The start and a branch carry the text of the token that follows them.
  EXPECT_EQ("1:a 2:a 3:b 4:c 5:c", log.joined());
}

TEST(SyntaxParserTest, FailingHandlerStopsTheRestAndIsNamed) {
  HandlerLog log;
  log.rejecting = 3;  // the third entry of the path
  ParserPtr parser = buildParser(CHAIN, &log);
  EXPECT_FALSE(parse(parser.get(), words({"a", "b", "c"})));
  EXPECT_EQ("1:a 2:a 3:b", log.joined());
  EXPECT_STREQ("Parse handler failed at 'b'", parser->getErrorMessage().asCstr());
}

TEST(SyntaxParserTest, StatementWithoutTokensMatchesWithoutHandlers) {
  HandlerLog log;
  ParserPtr parser = buildParser(CHAIN, &log);
  EXPECT_TRUE(parse(parser.get(), words({})));
  EXPECT_TRUE(log.calls.empty());
}

// Two ways to read a word: followed by K (row 1), or followed by K or the end (row 2).
const SyntaxNodeDef ALTERNATIVES[] = {
    {TOKEN_BRANCH, 0, 0, 0, {1, 2}},  // 0 start
    {WORD, 0, 1, 0, {3}},             // 1 word before K
    {WORD, 0, 2, 0, {3, 4}},          // 2 word before K or the end
    {KEY, 0, 3, 0, {4}},              // 3 K
    {TOKEN_END, 0, 0, 0, {}},         // 4 end
    {GRAMMAR_END, 0, 0, 0, {}},
};

TEST(SyntaxParserTest, FirstCompletePathInDepthFirstOrderWins) {
  struct Case {
    std::vector<std::string> tokens;
    bool matches;
    std::string calls;
  };
  const Case cases[] = {
      {{"x", "K"}, true, "1:x 3:K"},  // rows 1 and 2 both match; row 1 comes first
      {{"x"}, true, "2:x"},           // row 1 is abandoned, its handler never runs
      {{"x", "y"}, false, ""},
      {{"K"}, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.tokens));
    HandlerLog log;
    ParserPtr parser = buildParser(ALTERNATIVES, &log);
    EXPECT_EQ(c.matches, parse(parser.get(), words(c.tokens)));
    EXPECT_EQ(c.calls, log.joined());
    if (!c.matches) {
      EXPECT_STREQ(NO_MATCH, parser->getErrorMessage().asCstr());
    }
  }
}

// A word that may stand twice on a path, with K between its occurrences.
const SyntaxNodeDef REPEATS[] = {
    {TOKEN_BRANCH, 0, 0, 0, {1}},  // 0 start
    {WORD, 2, 1, 0, {2, 3}},       // 1 word, at most twice
    {KEY, 0, 0, 0, {1}},           // 2 K
    {TOKEN_END, 0, 0, 0, {}},      // 3 end
    {GRAMMAR_END, 0, 0, 0, {}},
};

TEST(SyntaxParserTest, RepeatLimitCountsEveryEntryOfTheNodeOnThePath) {
  HandlerLog log;
  ParserPtr parser = buildParser(REPEATS, &log);
  EXPECT_TRUE(parse(parser.get(), words({"a", "K", "b"})));
  EXPECT_EQ("1:a 1:b", log.joined());
  EXPECT_FALSE(parse(parser.get(), words({"a", "K", "b", "K", "c"})));
  EXPECT_STREQ(NO_MATCH, parser->getErrorMessage().asCstr());
  // Each statement starts from an empty path, whatever the one before left.
  log.calls.clear();
  EXPECT_TRUE(parse(parser.get(), words({"d", "K", "e"})));
  EXPECT_EQ("1:d 1:e", log.joined());
  // The error text is replaced only by a failure.
  EXPECT_STREQ(NO_MATCH, parser->getErrorMessage().asCstr());
}

// Any number of words.
const SyntaxNodeDef WORD_LOOP[] = {
    {TOKEN_BRANCH, 0, 0, 0, {1, 2}},  // 0 start
    {WORD, 0, 0, 0, {1, 2}},          // 1 word
    {TOKEN_END, 0, 0, 0, {}},         // 2 end
    {GRAMMAR_END, 0, 0, 0, {}},
};

TEST(SyntaxParserTest, PathHoldsAtMost2000Entries) {
  HandlerLog log;
  ParserPtr parser = buildParser(WORD_LOOP, &log);
  // The start, 1998 words and the end fill the path exactly.
  EXPECT_TRUE(parse(parser.get(), repeated(1998)));
  EXPECT_FALSE(parse(parser.get(), repeated(1999)));
  EXPECT_STREQ("Too many tokens on line. Max is 2000", parser->getErrorMessage().asCstr());
}

// Every word may be read by row 1 or by row 2, so a statement that fails at its end
// has two to the power of its length paths to try.
const SyntaxNodeDef AMBIGUOUS[] = {
    {TOKEN_BRANCH, 0, 0, 0, {1, 2}},  // 0 start
    {WORD, 0, 0, 0, {1, 2, 3}},       // 1 word, one way
    {WORD, 0, 0, 0, {1, 2, 3}},       // 2 word, the other way
    {KEY, 0, 0, 0, {4}},              // 3 K
    {TOKEN_END, 0, 0, 0, {}},         // 4 end
    {GRAMMAR_END, 0, 0, 0, {}},
};

TEST(SyntaxParserTest, ExponentialBacktrackingIsCutOff) {
  HandlerLog log;
  ParserPtr parser = buildParser(AMBIGUOUS, &log);
  EXPECT_TRUE(parse(parser.get(), repeated(60, "K")));
  EXPECT_FALSE(parse(parser.get(), repeated(60, "x")));
  EXPECT_STREQ(NO_MATCH, parser->getErrorMessage().asCstr());
}

TEST(SyntaxParserTest, InvalidGrammarsFailToBuild) {
  const SyntaxNodeDef negativeRow[] = {
      {TOKEN_BRANCH, 0, 0, 0, {1, -1}},
      {TOKEN_END, 0, 0, 0, {}},
      {GRAMMAR_END, 0, 0, 0, {}},
  };
  const SyntaxNodeDef rowCountAsRow[] = {
      {TOKEN_BRANCH, 0, 0, 0, {1}},
      {TOKEN_END, 0, 0, 0, {2}},
      {GRAMMAR_END, 0, 0, 0, {}},
  };
  const SyntaxNodeDef negativeHandler[] = {
      {TOKEN_BRANCH, 0, 0, 0, {1}},
      {TOKEN_END, 0, -1, 0, {}},
      {GRAMMAR_END, 0, 0, 0, {}},
  };
  const SyntaxNodeDef empty[] = {
      {GRAMMAR_END, 0, 0, 0, {}},
  };
  const SyntaxNodeDef* grammars[] = {negativeRow, rowCountAsRow, negativeHandler, empty, nullptr};
  for (const SyntaxNodeDef* grammar : grammars) {
    ParserPtr parser(createSyntaxParser());
    EXPECT_FALSE(parser->buildParseTree(grammar, nullptr, nullptr));
    EXPECT_STREQ("Build parse tree failed", parser->getErrorMessage().asCstr());
    // Without a graph no statement matches.
    EXPECT_FALSE(parse(parser.get(), words({"a"})));
    EXPECT_STREQ(NO_MATCH, parser->getErrorMessage().asCstr());
  }
}

TEST(SyntaxParserTest, FailedRebuildDropsTheOldGraph) {
  const SyntaxNodeDef lastRow[] = {
      {TOKEN_BRANCH, 0, 0, 0, {1}},
      {WORD, 0, 0, 0, {2}},
      {TOKEN_END, 0, 0, 0, {}},
      {GRAMMAR_END, 0, 0, 0, {}},
  };
  const SyntaxNodeDef broken[] = {
      {TOKEN_BRANCH, 0, 0, 0, {1}},
      {GRAMMAR_END, 0, 0, 0, {}},
  };
  ParserPtr parser(createSyntaxParser());
  ASSERT_TRUE(parser->buildParseTree(lastRow, nullptr, nullptr));  // the last row may follow
  EXPECT_TRUE(parse(parser.get(), words({"a"})));
  EXPECT_FALSE(parser->buildParseTree(broken, nullptr, nullptr));
  EXPECT_FALSE(parse(parser.get(), words({"a"})));
}

}  // namespace
