#include "parse/ccb_source_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace {

TEST(CCBSourceReaderTest, StatementsAndTheLinesTheyEndOn) {
  // Line 6 holds "SEQ0001." in columns 73 to 80, which are not content.
  const std::string text = std::string("000100 01  REC.\n") +                         // 1
                           "000200* COMMENT PIC X.\n" +                               // 2
                           "000300/ PAGE EJECT.\n" +                                  // 3
                           "\n" +                                                     // 4
                           "000400\n" +                                               // 5 short
                           "000500     05 A" + std::string(57, ' ') + "SEQ0001.\n" +  // 6
                           "000600         PIC X(3)\n" +                              // 7
                           "000700         VALUE 'A  C'.\n" +                         // 8
                           "000800     .\n" +            // 9 lone period
                           "000900\t05 B\tPIC X.\r\n" +  // 10 tabs, CRLF
                           "\t05 C PIC 9\r\n";           // 11 no period
  test_support::TempDir dir;
  CCBSourceReader reader;
  ASSERT_TRUE(reader.open(dir.write("copy.cpy", text).c_str()));
  std::string read;  // each statement and the line count after it
  bool failed = true;
  while (reader.readStatement(failed)) {
    read += std::string(reader.getStatementText().asCstr()) + "@" +
            std::to_string(reader.getLineCount()) + "|";
  }
  EXPECT_FALSE(failed);
  // The tabs of line 10 stop at columns 9 and 17.
  EXPECT_EQ("01  REC@1|05 A PIC X(3) VALUE 'A  C'@8|05 B    PIC X@10|05 C PIC 9@11|", read);
}

TEST(CCBSourceReaderTest, TokensSplitAtSpacesOutsideQuotes) {
  const char* const cases[][2] = {
      // statement, tokens joined by "|" with literals in []
      {"  05   A    PIC   X(10) ", "05|A|PIC|X(10)"},
      {"VALUE 'A B C'", "VALUE|[A B C]"},
      {"VALUE \"'AB'\"", "VALUE|['AB']"},           // only the outer quotes go
      {"VALUE \"A'B C\" D", "VALUE|[A'B C]|D"},     // ' inside "..." closes nothing
      {"VALUE 'ABC DEF  G", "VALUE|[ABC DEF  G]"},  // no closing quote
      {"VALUE X'41'", "VALUE|X'41"},
  };
  CCBSourceReader reader;
  for (const auto& c : cases) {
    reader.setStatement(c[0]);
    std::string tokens;
    for (int i = 0; i < reader.getTokenCount(); ++i) {
      const std::string token = reader.getToken(i).asCstr();
      tokens += (i > 0 ? "|" : "") + (reader.isLiteral(i) ? "[" + token + "]" : token);
    }
    EXPECT_EQ(c[1], tokens) << c[0];
  }
}

}  // namespace
