#include "parse/copybook_grammar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "parse_test_util.h"

namespace {

using parse_test::buildParser;
using parse_test::HandlerLog;
using parse_test::ParserPtr;
using parse_test::Statement;

const char* const NO_MATCH = "No syntax match found for statement";

TEST(LookupTokenCodeTest, KeywordsInAnyCaseAndOtherWords) {
  struct Case {
    const char* word;
    int code;
  };
  const Case cases[] = {
      {"PICTURE", 1},
      {"pic", 1},
      {"OCCURS", 2},
      {"REDEFINES", 7},
      {"ARE", 11},
      {"is", 11},
      {"BINARY", 12},
      {"Comp-3", 12},
      {"COMPUTATIONAL-5", 12},
      {"DISPLAY-1", 12},
      {"PROCEDURE-POINTER", 12},
      {"INDEX", 12},
      {"NATIONAL", 19},
      {"ZEROES", 15},
      {"JUSTIFIED", 20},
      {"SYNCHRONIZED", 32},
      {"VALUES", 36},
      {"SPACES", 39},
      {"low-values", 40},
      {"HIGH-VALUE", 41},
      {"QUOTE", 42},
      {"ALL", 43},
      {"X(10)", TOKEN_WORD},
      {"CUST-ID", TOKEN_WORD},
      {"PICS", TOKEN_WORD},
      {"COMP-6", TOKEN_WORD},
      {"COMP3", TOKEN_WORD},
      {"THRU", TOKEN_WORD},
      {"", TOKEN_WORD},
      {"05", TOKEN_WORD},
  };
  for (const Case& c : cases) EXPECT_EQ(c.code, lookupTokenCode(c.word)) << c.word;
  EXPECT_EQ(TOKEN_WORD, lookupTokenCode(QvbString(nullptr)));
}

TEST(CopybookGrammarTest, TableHasItsRowsAndEndsWithGrammarEnd) {
  EXPECT_EQ(GRAMMAR_END, CopybookGrammar[COPYBOOK_GRAMMAR_ROWS].tokenCode);
  for (int row = 0; row < COPYBOOK_GRAMMAR_ROWS; ++row) {
    EXPECT_NE(GRAMMAR_END, CopybookGrammar[row].tokenCode) << row;
    EXPECT_EQ(0, CopybookGrammar[row].reserved) << row;
  }
}

struct GrammarCase {
  const char* statement;  // an entry without its level number
  const char* calls;      // recorded handler calls, "number:token"; null when rejected
};

// Every clause form, each alone and in combination. Handler numbers: 1 occurs
// maximum, 2 occurs minimum, 3 object name, 4 picture, 5 usage, 6 value, 7 data
// name, 9 OCCURS, 10 DEPENDING, 11 REDEFINES, 12 sign position, 13 SEPARATE.
const GrammarCase ACCEPTED[] = {
    {"A", "7:A"},
    {"FILLER", ""},
    {"PIC X", "4:X"},
    {"A PIC X(10)", "7:A 4:X(10)"},
    {"a picture is 9(5)v99", "7:a 4:9(5)v99"},
    {"B REDEFINES A", "7:B 11:REDEFINES 3:A"},
    {"FILLER REDEFINES A PIC X", "11:REDEFINES 3:A 4:X"},
    {"A BLANK WHEN ZERO PIC 9", "7:A 4:9"},
    {"A BLANK ZEROES", "7:A"},
    {"A EXTERNAL GLOBAL", "7:A"},
    {"A GROUP-USAGE IS NATIONAL", "7:A"},
    {"A GROUP-USAGE NATIONAL", "7:A"},
    {"A JUST", "7:A"},
    {"A JUSTIFIED RIGHT PIC X", "7:A 4:X"},
    {"A PIC S9 SIGN IS LEADING SEPARATE CHARACTER", "7:A 4:S9 12:LEADING 13:SEPARATE"},
    {"A SIGN TRAILING SEPARATE", "7:A 12:TRAILING 13:SEPARATE"},
    {"A PIC S9 TRAILING", "7:A 4:S9 12:TRAILING"},
    {"A LEADING", "7:A 12:LEADING"},
    {"A SYNC", "7:A"},
    {"A SYNCHRONIZED LEFT", "7:A"},
    {"A SYNC RIGHT JUST RIGHT", "7:A"},
    {"A VALUE IS 'X Y'", "7:A 6:X Y"},
    {"A VALUE 'X' PIC X", "7:A 6:X 4:X"},
    {"A VALUE SPACES PIC X", "7:A 4:X"},
    {"A VALUE ZERO", "7:A"},
    {"A VALUE 'ZERO'", "7:A 6:ZERO"},
    {"A DATE FORMAT IS YYXXXX", "7:A"},
    {"A DATE FORMAT YYYYMMDD PIC X(8)", "7:A 4:X(8)"},
    {"A OCCURS 5", "7:A 9:OCCURS 1:5"},
    {"A OCCURS 5 TIMES PIC X", "7:A 9:OCCURS 1:5 4:X"},
    {"A OCCURS 5 ASCENDING KEY IS K1 K2 INDEXED BY I1 I2", "7:A 9:OCCURS 1:5"},
    {"A OCCURS 5 TIMES DESCENDING K1", "7:A 9:OCCURS 1:5"},
    {"A OCCURS 5 INDEXED I1 PIC X", "7:A 9:OCCURS 1:5 4:X"},
    {"A OCCURS 1 TO 10 TIMES DEPENDING ON N", "7:A 9:OCCURS 2:1 1:10 10:DEPENDING 3:N"},
    {"A OCCURS 1 TO 10 DEPENDING N ASCENDING K INDEXED I",
     "7:A 9:OCCURS 2:1 1:10 10:DEPENDING 3:N"},
    {"A OCCURS 10 DEPENDING ON N PIC X", "7:A 9:OCCURS 1:10 10:DEPENDING 3:N 4:X"},
    {"A OCCURS X TIMES", "7:A 9:OCCURS 1:X"},  // the count is checked by its handler
    {"A USAGE IS COMP-3", "7:A 5:COMP-3"},
    {"A USAGE ARE DISPLAY", "7:A 5:DISPLAY"},
    {"A BINARY NATIVE", "7:A 5:BINARY"},
    {"A USAGE NATIONAL NATIVE", "7:A 5:NATIONAL"},
    {"A NATIONAL", "7:A 5:NATIONAL"},
    {"A USAGE IS OBJECT REFERENCE CLS", "7:A"},
    {"A OBJECT REFERENCE", "7:A"},
    {"A VALUES ARE 'A' 'B'", "7:A 6:A 6:B"},
    {"A VALUE 1 THRU 3", "7:A 6:1 6:THRU 6:3"},
    {"A VALUE SPACE ZEROS QUOTE HIGH-VALUES LOW-VALUE ALL '*' 'Z'", "7:A 6:Z"},
    {"A VALUE ALL 'X'", "7:A"},
    {"VALUE 'Y' 'N'", "6:Y 6:N"},
    {"A VALUE 0 COMP-3 PIC S9(5) SIGN LEADING OCCURS 3",
     "7:A 6:0 5:COMP-3 4:S9(5) 12:LEADING 9:OCCURS 1:3"},
    // Each OCCURS form is a clause of its own, so one of each may stand together.
    {"A OCCURS 2 OCCURS 3 DEPENDING N", "7:A 9:OCCURS 1:2 9:OCCURS 1:3 10:DEPENDING 3:N"},
};

const char* const REJECTED[] = {
    "A PIC X PIC X",  // a clause stands once
    "A PIC X PICTURE 9",
    "A COMP COMP-3",
    "A SIGN LEADING TRAILING",
    "A EXTERNAL EXTERNAL",
    "A VALUE 'X' VALUE 'Y'",
    "A OCCURS 5 TIMES DEPENDING ON N",  // a single count with DEPENDING takes no TIMES
    "A OCCURS 1 TO 10",                 // a range needs DEPENDING
    "A OCCURS",
    "A OCCURS 1 TO",
    "A OCCURS 5 INDEXED BY",
    "A OCCURS 5 ASCENDING KEY IS",
    "A OCCURS 5 KEY K1",  // keys start with ASCENDING or DESCENDING
    "KEY PIC X",          // a keyword is not a data name
    "DATE",
    "A B",
    "FILLER FILLER",
    "A PIC",
    "A PIC IS",
    "A REDEFINES",
    "A PIC X REDEFINES B",  // REDEFINES only right after the name
    "A VALUE",
    "A VALUE 'X' 'Y' PIC X",  // a value list ends the entry
    "A VALUE ALL",
    "A BLANK WHEN",
    "A USAGE",
    "A USAGE IS",
    "A NATIVE",
    "A SYNC LEFT RIGHT",
    "A DATE FORMAT",
    "A GROUP-USAGE",
    "A INDEXED BY I",  // keys and indexes belong to OCCURS
    "A KEY IS K",
    "A SEPARATE",
    "A ALL 'X'",
    "A REDEFINES B VALUE 'P' 'Q'",  // a value list only right after the name
};

TEST(CopybookGrammarTest, AcceptsEveryClauseForm) {
  for (const GrammarCase& c : ACCEPTED) {
    SCOPED_TRACE(c.statement);
    HandlerLog log;
    ParserPtr parser = buildParser(CopybookGrammar, &log);
    const Statement statement(c.statement);
    EXPECT_TRUE(parser->parse(statement.texts.data(), statement.codes.data()))
        << parser->getErrorMessage().asCstr();
    EXPECT_EQ(c.calls, log.joined());
  }
}

TEST(CopybookGrammarTest, RejectsWhatNoPathReads) {
  for (const char* text : REJECTED) {
    SCOPED_TRACE(text);
    HandlerLog log;
    ParserPtr parser = buildParser(CopybookGrammar, &log);
    const Statement statement(text);
    EXPECT_FALSE(parser->parse(statement.texts.data(), statement.codes.data()));
    EXPECT_STREQ(NO_MATCH, parser->getErrorMessage().asCstr());
    EXPECT_TRUE(log.calls.empty());
  }
}

TEST(CopybookGrammarTest, OneValueTakesTheClauseTwoValuesTheList) {
  // Mark the two VALUE rows with handlers of their own to see which one matched.
  SyntaxNodeDef marked[COPYBOOK_GRAMMAR_ROWS + 1];
  std::copy(CopybookGrammar, CopybookGrammar + COPYBOOK_GRAMMAR_ROWS + 1, marked);
  marked[31].handlerIndex = 8;
  marked[70].handlerIndex = 2;
  const GrammarCase cases[] = {
      {"A VALUE 'X'", "7:A 8:VALUE 6:X"},
      {"A VALUE 'X' 'Y'", "7:A 2:VALUE 6:X 6:Y"},  // after backtracking out of the clause
  };
  for (const GrammarCase& c : cases) {
    SCOPED_TRACE(c.statement);
    HandlerLog log;
    ParserPtr parser = buildParser(marked, &log);
    const Statement statement(c.statement);
    EXPECT_TRUE(parser->parse(statement.texts.data(), statement.codes.data()));
    EXPECT_EQ(c.calls, log.joined());
  }
}

TEST(CopybookGrammarTest, FailingHandlerKeepsEarlierValues) {
  HandlerLog log;
  log.rejecting = HANDLER_OCCURS_MAX;
  ParserPtr parser = buildParser(CopybookGrammar, &log);
  const Statement statement("A REDEFINES B OCCURS X TIMES PIC 9");
  EXPECT_FALSE(parser->parse(statement.texts.data(), statement.codes.data()));
  EXPECT_EQ("7:A 11:REDEFINES 3:B 9:OCCURS 1:X", log.joined());
  EXPECT_STREQ("Parse handler failed at 'X'", parser->getErrorMessage().asCstr());
}

// "A OCCURS 5 INDEXED BY" and index names up to count tokens, then last if given.
Statement longEntry(int count, const char* last = nullptr) {
  std::string text = "A OCCURS 5 INDEXED BY";
  const int names = count - 5 - (last != nullptr ? 1 : 0);
  for (int i = 1; i <= names; ++i) text += " I" + std::to_string(i);
  if (last != nullptr) text += std::string(" ") + last;
  const Statement statement(text);
  EXPECT_EQ(count + 1, static_cast<int>(statement.codes.size()));
  return statement;
}

TEST(CopybookGrammarTest, LongEntriesMatchOrFailPromptly) {
  // An entry's path holds six entries that stand for no token of their own (the
  // start, the branches 4, 7, 52 and 7 again, and the end), so the longest entry
  // that fits the 2000 entries of the path has 1994 tokens.
  struct Case {
    int count;
    const char* last;
    const char* error;  // null when the entry matches
  };
  const Case cases[] = {
      {1994, nullptr, nullptr},
      {1994, "PIC", NO_MATCH},  // fails at its last token after backtracking all the way
      {1995, nullptr, "Too many tokens on line. Max is 2000"},
      {1999, nullptr, "Too many tokens on line. Max is 2000"},
      {1999, "PIC", "Too many tokens on line. Max is 2000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + (c.last != nullptr ? c.last : ""));
    HandlerLog log;
    ParserPtr parser = buildParser(CopybookGrammar, &log);
    const Statement statement = longEntry(c.count, c.last);
    EXPECT_EQ(c.error == nullptr, parser->parse(statement.texts.data(), statement.codes.data()));
    if (c.error == nullptr) {
      EXPECT_EQ("7:A 9:OCCURS 1:5", log.joined());
    } else {
      EXPECT_STREQ(c.error, parser->getErrorMessage().asCstr());
    }
  }
}

TEST(CopybookGrammarTest, LongValueListsAndKeyListsFailAtTheirEnd) {
  // Each value of a list takes two path entries (the branch 72 and the value).
  std::string values = "A VALUE";
  for (int i = 0; i < 997; ++i) values += " V";
  std::string keys = "A OCCURS 5 ASCENDING";
  for (int i = 0; i < 1989; ++i) keys += " K";
  const std::string texts[] = {values + " PIC", keys + " PIC", keys + " INDEXED"};
  for (const std::string& text : texts) {
    HandlerLog log;
    ParserPtr parser = buildParser(CopybookGrammar, &log);
    const Statement statement(text);
    EXPECT_FALSE(parser->parse(statement.texts.data(), statement.codes.data()));
    EXPECT_STREQ(NO_MATCH, parser->getErrorMessage().asCstr());
  }
}

}  // namespace
