#include "parse/ccb_source_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_util.h"

namespace {

// A source line: sequence number, blank indicator, content from column 8.
std::string src(const std::string& content) {
  return "000100 " + content + "\n";
}

// The tokens of the current statement joined by "|"; a literal token is shown in [].
std::string tokensOf(const CCBSourceReader& reader) {
  std::string text;
  for (int i = 0; i < reader.getTokenCount(); ++i) {
    const std::string token = reader.getToken(i).asCstr();
    if (i > 0) text += "|";
    text += reader.isLiteral(i) ? "[" + token + "]" : token;
  }
  return text;
}

struct Read {
  std::string tokens;
  int lineCount;  // after the statement was read
};

class CCBSourceReaderTest : public testing::Test {
 protected:
  void open(const std::string& content) {
    ASSERT_TRUE(reader_.open(dir_.write("copy.cbl", content).c_str()))
        << reader_.getErrorMessage().asCstr();
  }

  // Reads every statement; the input must end without a read failure.
  std::vector<Read> readAll() {
    std::vector<Read> reads;
    bool failed = true;
    while (reader_.readStatement(failed)) {
      EXPECT_FALSE(failed);
      reads.push_back({tokensOf(reader_), reader_.getLineCount()});
    }
    EXPECT_FALSE(failed);
    return reads;
  }

  void expectReads(const std::vector<Read>& expected) {
    const std::vector<Read> reads = readAll();
    ASSERT_EQ(expected.size(), reads.size());
    for (size_t i = 0; i < reads.size(); ++i) {
      EXPECT_EQ(expected[i].tokens, reads[i].tokens) << i;
      EXPECT_EQ(expected[i].lineCount, reads[i].lineCount) << i;
    }
  }

  test_support::TempDir dir_;
  CCBSourceReader reader_;
};

TEST_F(CCBSourceReaderTest, CommentBlankAndShortLinesAreSkippedButCounted) {
  open(src("01  CUSTOMER-REC.") +             // 1
       "000200* a comment, PIC X.\n" +        // 2
       "000300/ a page eject.\n" +            // 3
       "\n" +                                 // 4 empty
       "000400\n" +                           // 5 six characters
       "0005001\n" +                          // 6 seven: indicator, no content
       "000600          \n" +                 // 7 blank content
       src("    05  CUST-ID    PIC X(5).") +  // 8
       src("05 B"));                          // 9, no period at the end of the file
  expectReads({{"01|CUSTOMER-REC", 1}, {"05|CUST-ID|PIC|X(5)", 8}, {"05|B", 9}});
  EXPECT_EQ(9, reader_.getLineCount());
}

TEST_F(CCBSourceReaderTest, OnlyColumns8To72AreContent) {
  const std::string content = "05 A PIC X";
  // Columns 73-80 hold a period here, which must neither end the statement nor
  // reach a token.
  open("000100 " + content + std::string(65 - content.length(), ' ') + "SEQ0001.\n" +
       "000200-    VALUE 'Q'.\n" +  // a continuation indicator is ignored
       "000300D05 B.\n");           // so is any other indicator but "*" and "/"
  expectReads({{"05|A|PIC|X|VALUE|[Q]", 2}, {"05|B", 3}});
}

TEST_F(CCBSourceReaderTest, LinesJoinWithOneSpaceUpToALineEndingInAPeriod) {
  open(src("05  A") + src("        PIC    X(10)") + src("   VALUE 'AB") + src("CD'.") +
       src("05 B PIC X. 05 C PIC X") + src("VALUE 2.5."));
  bool failed = true;
  ASSERT_TRUE(reader_.readStatement(failed));
  EXPECT_STREQ("05  A PIC    X(10) VALUE 'AB CD'", reader_.getStatementText().asCstr());
  EXPECT_EQ("05|A|PIC|X(10)|VALUE|[AB CD]", tokensOf(reader_));
  // A period inside a line belongs to the statement.
  ASSERT_TRUE(reader_.readStatement(failed));
  EXPECT_EQ("05|B|PIC|X.|05|C|PIC|X|VALUE|2.5", tokensOf(reader_));
  EXPECT_FALSE(reader_.readStatement(failed));
  EXPECT_FALSE(failed);
}

TEST_F(CCBSourceReaderTest, LonePeriodLinesAreSkipped) {
  open(src("01 A.") + src(".") + src("    .    ") + src("05 B PIC X.") + src("."));
  expectReads({{"01|A", 1}, {"05|B|PIC|X", 4}});
  EXPECT_EQ(5, reader_.getLineCount());
}

TEST_F(CCBSourceReaderTest, CrlfLineEndsAndTabsAreRead) {
  // A tab advances to the next of the columns 9, 17, 25, ...: after a sequence
  // number the content starts in column 9, at the start of a line too.
  open("000100 01 A.\r\n000200* note\r\n\r\n000300\t05 B\tPIC X.\r\n\t\t05 C PIC 9.\r\n");
  expectReads({{"01|A", 1}, {"05|B|PIC|X", 4}, {"05|C|PIC|9", 5}});
}

TEST_F(CCBSourceReaderTest, TokenizingKeepsQuotedTextTogether) {
  struct Case {
    const char* statement;
    const char* tokens;
  };
  const Case cases[] = {
      {"05   A    PIC   X(10)", "05|A|PIC|X(10)"},
      {"VALUE 'A B C'", "VALUE|[A B C]"},
      {"VALUE \"'AB'\"", "VALUE|['AB']"},           // only the outer pair goes
      {"VALUE 'ABC DEF  G", "VALUE|[ABC DEF  G]"},  // no closing quote
      {"VALUE X'41'", "VALUE|X'41"},
      {"VALUE 'IT''S' X", "VALUE|[IT''S]|X"},  // doubled quotes stay
      {"VALUE 'AB\"", "VALUE|[AB]"},           // the closing quote need not match
      {"VALUE 'AB\" X", "VALUE|[AB\" X]"},     // though only a matching one closes
      {"VALUE \"A'B C\" D", "VALUE|[A'B C]|D"},
      {"A'B C'D E", "A'B C'D|E"},
      {"'' \"\" '", "[]|[]|[]"},
      {"A,B;C\tD E", "A,B;C\tD|E"},  // only the space separates
      {"  05 A  ", "05|A"},
      {"", ""},
  };
  for (const Case& c : cases) {
    reader_.setStatement(c.statement);
    EXPECT_EQ(c.tokens, tokensOf(reader_)) << c.statement;
    EXPECT_STREQ(c.statement, reader_.getStatementText().asCstr());
  }
}

TEST_F(CCBSourceReaderTest, TokenIndexesOutOfRangeGiveDefaults) {
  reader_.setStatement("VALUE 'X'");
  ASSERT_EQ(2, reader_.getTokenCount());
  EXPECT_TRUE(reader_.isLiteral(1));
  EXPECT_STREQ("", reader_.getToken(2).asCstr());
  EXPECT_FALSE(reader_.getToken(2).isNull());
  EXPECT_STREQ("", reader_.getToken(-1).asCstr());
  EXPECT_FALSE(reader_.isLiteral(-1));
  EXPECT_FALSE(reader_.isLiteral(2));
}

TEST_F(CCBSourceReaderTest, OpenFailureGivesTheReason) {
  const std::string path = dir_.path("missing.cbl");
  EXPECT_FALSE(reader_.open(path.c_str()));
  EXPECT_EQ("Cannot open file '" + path + "': No such file or directory",
            reader_.getErrorMessage().asCstr());
  bool failed = true;
  EXPECT_FALSE(reader_.readStatement(failed));
  EXPECT_FALSE(failed);
}

TEST_F(CCBSourceReaderTest, ReadFailureEndsTheInput) {
  // Reading the start of a process's memory fails with an I/O error.
  ASSERT_TRUE(reader_.open("/proc/self/mem"));
  bool failed = false;
  EXPECT_FALSE(reader_.readStatement(failed));
  EXPECT_TRUE(failed);
  EXPECT_STREQ("Error reading file: Input/output error", reader_.getErrorMessage().asCstr());
  EXPECT_EQ(0, reader_.getLineCount());
  // The failure is reported once; the input stays ended.
  QvbString line;
  EXPECT_FALSE(reader_.readSourceLine(line, failed));
  EXPECT_FALSE(failed);
}

TEST_F(CCBSourceReaderTest, OpenRestartsTheLineCountAndCloseEndsTheInput) {
  open(src("01 A.") + src("05 B."));
  bool failed = false;
  ASSERT_TRUE(reader_.readStatement(failed));
  ASSERT_TRUE(reader_.readStatement(failed));
  EXPECT_EQ(2, reader_.getLineCount());
  open(src("01 C."));
  EXPECT_EQ(0, reader_.getLineCount());
  ASSERT_TRUE(reader_.readStatement(failed));
  EXPECT_EQ("01|C", tokensOf(reader_));
  open(src("01 D."));
  reader_.close();
  EXPECT_FALSE(reader_.readStatement(failed));
  EXPECT_FALSE(failed);
}

}  // namespace
