#include "parse/syntax_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "parse/ccb_source_reader.h"
#include "parse/copybook_grammar.h"

namespace {

const char* const NO_MATCH = "No syntax match found for statement";

// Handler N appends "N:token" to the calls; it refuses the token FAIL.
template <int N>
bool record(void* context, const QvbString& token) {
  std::string* calls = static_cast<std::string*>(context);
  *calls += (calls->empty() ? "" : " ") + std::to_string(N) + ":" + token.asCstr();
  return token.compare("FAIL", true) != 0;
}

// Indexes 14 and 15 mark rows of the copybook grammar.
const ParseHandler HANDLERS[] = {
    nullptr,   record<1>, record<2>,  record<3>,  record<4>,  record<5>,  record<6>,  record<7>,
    record<8>, record<9>, record<10>, record<11>, record<12>, record<13>, record<14>, record<15>};

// Matches an entry without its level number against grammar: "" or the parser's message.
std::string match(const SyntaxNodeDef* grammar, const std::string& text, std::string* calls) {
  CCBSourceReader reader;
  reader.setStatement(text.c_str());
  std::vector<QvbString> texts;
  std::vector<int> codes;
  for (int i = 0; i < reader.getTokenCount(); ++i) {
    texts.push_back(reader.getToken(i));
    codes.push_back(reader.isLiteral(i) ? TOKEN_WORD : lookupTokenCode(reader.getToken(i)));
  }
  texts.emplace_back();
  codes.push_back(TOKEN_END);
  SyntaxParser* parser = createSyntaxParser();
  const bool matched =
      parser->buildParseTree(grammar, HANDLERS, calls) && parser->parse(texts.data(), codes.data());
  const std::string error = matched ? "" : parser->getErrorMessage().asCstr();
  parser->release();
  return error;
}

TEST(CopybookGrammarTest, AcceptedEntriesRunTheirHandlersRejectedOnesNone) {
  // Handlers: 1 occurs maximum, 2 minimum, 3 object name, 4 picture, 5 usage, 6 value,
  // 7 data name, 9 OCCURS, 10 DEPENDING, 11 REDEFINES, 12 sign position, 13 SEPARATE,
  // 14 VALUE of the clause and 15 VALUE of the value list (marked below).
  const char* const cases[][2] = {
      // entry, handler calls; "-" when rejected, the message first when a handler fails
      {"a picture is 9(5)v99", "7:a 4:9(5)v99"},
      {"A PIC S9 SIGN IS LEADING SEPARATE CHARACTER", "7:A 4:S9 12:LEADING 13:SEPARATE"},
      {"A VALUE 'X'", "7:A 14:VALUE 6:X"},
      {"A VALUE 'X' 'Y'", "7:A 15:VALUE 6:X 6:Y"},  // after backing out of the clause
      {"A VALUE 'ZERO' USAGE IS COMP-3", "7:A 14:VALUE 6:ZERO 5:COMP-3"},
      {"A VALUE ZERO", "7:A 14:VALUE"},
      {"A VALUES ARE 'X' SPACES ALL '*' \"Y\"", "7:A 15:VALUES 6:X 6:Y"},
      {"A OCCURS 1 TO 9 DEPENDING ON N", "7:A 9:OCCURS 2:1 1:9 10:DEPENDING 3:N"},
      {"A BLANK WHEN ZERO JUST RIGHT SYNC EXTERNAL GLOBAL DATE FORMAT YYMMDD", "7:A"},
      {"A OCCURS 5 TIMES DEPENDING ON N", "-"},  // a single count with DEPENDING takes no TIMES
      {"A OCCURS 1 TO 9", "-"},                  // a range needs DEPENDING
      {"KEY PIC X", "-"},                        // a keyword is not a data name
      {"A PIC X REDEFINES B", "-"},              // REDEFINES only right after the name
      {"A VALUE 'X' 'Y' PIC X", "-"},            // a value list ends the entry
      // A failing handler stops the rest.
      {"A REDEFINES FAIL PIC X", "Parse handler failed at 'FAIL': 7:A 11:REDEFINES 3:FAIL"},
  };
  // The two VALUE rows get handlers of their own, to show which one matched.
  SyntaxNodeDef marked[COPYBOOK_GRAMMAR_ROWS + 1];
  std::copy(CopybookGrammar, CopybookGrammar + COPYBOOK_GRAMMAR_ROWS + 1, marked);
  marked[31].handlerIndex = 14;  // VALUE of the clause
  marked[70].handlerIndex = 15;  // VALUE of the value list
  for (const auto& c : cases) {
    std::string calls;
    const std::string error = match(marked, c[0], &calls);
    EXPECT_EQ(c[1], error.empty()                        ? calls
                    : error == NO_MATCH && calls.empty() ? "-"
                                                         : error + ": " + calls)
        << c[0];
  }
}

// Every keyword, in any letter case, gives its code, synonyms (a group) the same one, each
// group its own; any other word, a keyword's prefix or extension among them, is a plain
// word. COMP-0 is a keyword of tolerant parsing alone.
TEST(CopybookGrammarTest, KeywordsInAnyLetterCase) {
  // Groups of synonyms between bars.
  const std::string keywords =
      "PIC PICTURE|OCCURS|FILLER|DEPENDING|TIMES|ON|REDEFINES|TO|USAGE|NATIVE|ARE IS|BINARY "
      "COMP COMP-1 COMP-2 COMP-3 COMP-4 COMP-5 COMPUTATIONAL COMPUTATIONAL-1 COMPUTATIONAL-2 "
      "COMPUTATIONAL-3 COMPUTATIONAL-4 COMPUTATIONAL-5 DISPLAY DISPLAY-1 FUNCTION-POINTER "
      "INDEX PACKED-DECIMAL POINTER PROCEDURE-POINTER|BLANK|WHEN|ZERO ZEROES ZEROS|EXTERNAL|"
      "GROUP-USAGE|GLOBAL|NATIONAL|JUST JUSTIFIED|RIGHT|DESCENDING|ASCENDING|KEY|INDEXED|BY|"
      "SIGN|LEADING|TRAILING|SEPARATE|CHARACTER|SYNC SYNCHRONIZED|LEFT|OBJECT|REFERENCE|"
      "VALUE VALUES|DATE|FORMAT|SPACE SPACES|LOW-VALUE LOW-VALUES|HIGH-VALUE HIGH-VALUES|"
      "QUOTE|ALL";
  const char* const plain =
      "A PI PICS COMP- COMP-6 COMPUTATIONAL-55 PROCEDURE-POINTERS ALLX ZEROSS AL - 9(5) X'41 "
      "PIC\xC9";
  std::set<int> codes;
  int count = 0;
  std::istringstream groups(keywords);
  for (std::string words; std::getline(groups, words, '|');) {
    CCBSourceReader reader;
    reader.setStatement(words.c_str());
    const int code = lookupTokenCode(reader.getToken(0).asCstr(), true);
    EXPECT_TRUE(codes.insert(code).second) << words;
    for (int i = 0; i < reader.getTokenCount(); ++i, ++count) {
      std::string word = reader.getToken(i).str();
      SCOPED_TRACE(word);
      EXPECT_EQ(code, lookupTokenCode(word.c_str(), true));
      std::transform(word.begin(), word.end(), word.begin(), ::tolower);
      EXPECT_EQ(code, lookupTokenCode(word.c_str(), false));
    }
  }
  EXPECT_EQ(72, count);
  EXPECT_EQ(0u, codes.count(TOKEN_WORD));
  CCBSourceReader reader;
  reader.setStatement(plain);
  for (int i = 0; i < reader.getTokenCount(); ++i) {
    std::string word = reader.getToken(i).str();
    EXPECT_EQ(TOKEN_WORD, lookupTokenCode(word.c_str(), true)) << word;
    std::transform(word.begin(), word.end(), word.begin(), ::tolower);
    EXPECT_EQ(TOKEN_WORD, lookupTokenCode(word.c_str(), false)) << word;
  }
  EXPECT_EQ(TOKEN_WORD, lookupTokenCode("", false));
  EXPECT_EQ(TOKEN_WORD, lookupTokenCode(QvbString(nullptr), false));
  for (const char* word : {"COMP-0", "computational-0"}) {
    EXPECT_EQ(TOKEN_WORD, lookupTokenCode(word, false)) << word;
    EXPECT_EQ(TOKEN_USAGE_WORD, lookupTokenCode(word, true)) << word;
  }
}

// Grammars that cannot be built; backtracking through exponentially many paths is cut off.
TEST(SyntaxParserTest, InvalidGrammarsAndExponentialBacktracking) {
  const SyntaxNodeDef badSuccessor[] = {{TOKEN_BRANCH, 0, 0, 0, {1}}, {GRAMMAR_END, 0, 0, 0, {}}};
  const SyntaxNodeDef empty[] = {{GRAMMAR_END, 0, 0, 0, {}}};
  std::string calls;
  EXPECT_EQ("Build parse tree failed", match(badSuccessor, "A", &calls));
  EXPECT_EQ("Build parse tree failed", match(empty, "A", &calls));
  // Each word may be read by row 1 or row 2: a failing statement of n words has 2^n paths.
  const SyntaxNodeDef ambiguous[] = {
      {TOKEN_BRANCH, 0, 0, 0, {1, 2}},  {TOKEN_WORD, 0, 0, 0, {1, 2, 3}},
      {TOKEN_WORD, 0, 0, 0, {1, 2, 3}}, {TOKEN_PIC, 0, 0, 0, {4}},
      {TOKEN_END, 0, 0, 0, {}},         {GRAMMAR_END, 0, 0, 0, {}},
  };
  std::string words;
  for (int i = 0; i < 60; ++i) words += "W ";
  EXPECT_EQ("", match(ambiguous, words + "PIC", &calls));
  EXPECT_EQ(NO_MATCH, match(ambiguous, words + "W", &calls));
}

}  // namespace
