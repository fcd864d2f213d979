// The source reader's statements, tokens and lines, classic and tolerant; COPY, its REPLACING
// and members held in memory.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "copybook_test_util.h"
#include "parse/ccb_copy_statement.h"
#include "parse/ccb_memory_member_source.h"
#include "parse/ccb_source_reader.h"
#include "parse/parse_copybook.h"
#include "test_util.h"

namespace {

using copybook_test::source;

// Lines 1 to 11: a comment, a page eject, an empty line, a short one, "SEQ0001." in columns 73 to
// 80 (not content), a lone period, tabs and CRLF, no period at the end.
TEST(CCBSourceReaderTest, StatementsAndTheLinesTheyEndOn) {
  const std::string sequenced = "000500     05 A" + std::string(57, ' ') + "SEQ0001.";
  std::string text;
  for (const std::string& line : std::vector<std::string>{
           "000100 01  REC.", "000200* COMMENT PIC X.", "000300/ PAGE EJECT.", "", "000400",
           sequenced, "000600         PIC X(3)", "000700         VALUE 'A  C'.", "000800     .",
           "000900\t05 B\tPIC X.\r", "\t05 C PIC 9\r"})
    text += line + "\n";
  test_support::TempDir dir;
  CCBSourceReader reader;
  ASSERT_TRUE(reader.open(dir.write("copy.cpy", text).c_str()));
  std::string read;  // each statement and the line count after it
  bool failed = true;
  while (reader.readStatement(failed))
    read += reader.getStatementText().str() + "@" + std::to_string(reader.getLineCount()) + "|";
  EXPECT_FALSE(failed);
  // The tabs of line 10 stop at columns 9 and 17.
  EXPECT_EQ("01  REC@1|05 A PIC X(3) VALUE 'A  C'@8|05 B    PIC X@10|05 C PIC 9@11|", read);
}

// The tokens of the reader's statement, literals in [].
std::string tokens(const CCBSourceReader& reader) {
  std::string joined;
  for (int i = 0; i < reader.getTokenCount(); ++i) {
    const std::string token = reader.getToken(i).str();
    joined += (i > 0 ? " " : "") + (reader.isLiteral(i) ? "[" + token + "]" : token);
  }
  return joined;
}

TEST(CCBSourceReaderTest, TokensSplitAtSpacesOutsideQuotes) {
  const char* const cases[][2] = {
      {"  05   A    PIC   X(10) ", "05 A PIC X(10)"},
      {"VALUE 'A B C'", "VALUE [A B C]"},
      {"VALUE \"'AB'\"", "VALUE ['AB']"},           // only the outer quotes go
      {"VALUE \"A'B C\" D", "VALUE [A'B C] D"},     // ' inside "..." closes nothing
      {"VALUE 'ABC DEF  G", "VALUE [ABC DEF  G]"},  // no closing quote
      {"VALUE X'41'", "VALUE X'41"},
  };
  CCBSourceReader reader;
  for (const auto& c : cases) {
    reader.setStatement(c[0]);
    EXPECT_EQ(c[1], tokens(reader)) << c[0];
  }
}

// "tokens@line|" of every statement of text, then "failed: " and the message of a failure.
std::string statements(const std::string& text, const CCBSourceRules& rules) {
  CCBSourceReader reader;
  reader.setRules(rules);
  reader.openMemory(text.data(), text.size());
  std::string read;
  bool failed = false;
  while (reader.readStatement(failed))
    read += tokens(reader) + "@" + std::to_string(reader.getLineCount()) + "|";
  return failed ? read + "failed: " + reader.getErrorMessage().str() : read;
}

TEST(CopybookDialectsTest, TolerantLinesAndForms) {
  CCBSourceRules tolerant, freeForm;
  tolerant.tolerant = freeForm.tolerant = freeForm.freeForm = true;
  const std::tuple<std::string, CCBSourceRules, std::string> cases[] = {
      // Listing and option lines, from column 1 or inside an entry; words like them are data.
      {"*CBL XREF\n" + source({"CBL APOST"}) + "  PROCESS X\n" +
           source({"01 R.", "EJECT", "05 A", "SKIP1 .", "  PIC X.", "TITLE 'DATES'."}) +
           "*CONTROL NOSOURCE\n" + source({"SKIP2", "SKIP3.", "01 G", "SKIP1-X.", "TITLE X."}),
       tolerant, "01 R@4|05 A PIC X@8|01 G SKIP1-X@14|TITLE X@15|"},
      // "*>" outside quotes ends the line; a line of nothing else is a comment.
      {source({"01 R. *> the record"}) + "      *> a comment line\n" +
           source({"05 A PIC X VALUE '*> kept'. *> gone"}),
       tolerant, "01 R@1|05 A PIC X VALUE [*> kept]@3|"},
      {"01 R.\n*> comment\n  05 A PIC X(3)\n       VALUE 'A B'. *> note\n05 B PIC 9.", freeForm,
       "01 R@1|05 A PIC X(3) VALUE [A B]@4|05 B PIC 9@5|"},
      // >>SOURCE switches the form (VARIABLE: fixed, read past column 72); other directives pass.
      {"      >>SOURCE FORMAT IS FREE\n01 R.\n>>source fixed\n" + source({"05 A PIC X."}) +
           "   >>SOURCE FREE\n05 B PIC X.\n>>DEFINE DEBUG 1\n>>SOURCE FORMAT VARIABLE\n" +
           source({"05 A" + std::string(61, ' ') + "PIC X.", "05 B PIC 9."}),
       tolerant, "01 R@2|05 A PIC X@4|05 B PIC X@6|05 A PIC X@9|05 B PIC 9@10|"},
      {"01 R.\n>>SOURCE FORMAT ODD\n05 A PIC X.", freeForm,
       "01 R@1|failed: Unknown source format in directive: >>SOURCE FORMAT ODD"},
      // A period inside the pseudo-text of a COPY statement ends nothing.
      {source({"COPY M REPLACING ==05 A.", "== BY ==05 B.==.", "01 R."}), tolerant,
       "COPY M REPLACING ==05 A. == BY ==05 B.==@2|01 R@3|"},
      // A fixed-form line whose content starts with '*' is a comment; a '*' further on is not,
      // nor is the line of a continued literal. Free form keeps such a line: it is a picture.
      {source(
           {"01 R.", "* NOTE", "   * NOTE.", "05 A PIC X VALUE '*'.", "05 B PIC X(9) VALUE 'A *"}) +
           "      -    '*B'.\n",
       tolerant, "01 R@1|05 A PIC X VALUE [*]@4|05 B PIC X(9) VALUE [A * '*B]@6|"},
      {"01 R.\n05 A PIC\n  **9.99.\n* NOTE.\n", freeForm, "01 R@1|05 A PIC **9.99@3|* NOTE@4|"},
      // The classic rules read none of it.
      {source({"01 R.", "EJECT", "05 A PIC X. *> note", "* NOTE."}), CCBSourceRules(),
       "01 R@1|EJECT 05 A PIC X. *> note * NOTE@4|"},
  };
  for (const auto& [text, rules, expected] : cases)
    EXPECT_EQ(expected, statements(text, rules)) << text;
}

// Members held in memory are found as files are, in the folders of the copy path, and the
// layout names each once.
TEST(CopybookDialectsTest, MembersFromMemory) {
  CCBMemoryMemberSource members;
  members.add("lib/ADDR.cpy", source({"05 :P:-CITY PIC X(20).", "COPY zip."}));
  members.add("lib/ZIP", source({"05 ZIP PIC 9(5)."}));
  members.add("other/NONE.cpy", source({"05 N PIC X."}));
  CCBSourceRules rules;
  rules.tolerant = true;
  rules.copyPath = {"lib"};
  rules.members = &members;
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"01 R.", "COPY addr REPLACING ==:P:== BY ==HOME==.", "COPY ZIP."},
       "HOME-CITY ZIP ZIP|lib/ADDR.cpy lib/ZIP"},
      {{"01 R.", "COPY NONE."}, "COPY member not found: NONE (searched: lib)@2"},
  };
  for (const auto& [lines, expected] : cases) {
    const std::string text = source(lines);
    QvbString error;
    int line = 0;
    std::unique_ptr<CCBDataRoot> root(
        parseCopybookText(text.data(), text.size(), error, line, nullptr, CCBFormatRules(), rules));
    std::string read = error.str() + "@" + std::to_string(line);
    if (root != nullptr) {
      read.clear();
      for (const CCBData* n = root->getFirstChild()->getFirstChild(); n != nullptr;
           n = n->getNextSibling()) {
        read += (read.empty() ? "" : " ") + n->getName().str();
      }
      for (int i = 0; i < root->getInputFileCount(); ++i) {
        read += (i == 0 ? "|" : " ") + root->getInputFile(i).str();
      }
    }
    EXPECT_EQ(expected, read);
  }
}

// Each COPY statement applied to a statement of its member: "member|statement"; a statement
// refused, or one that REPLACING would make longer than 1 MiB, is left as it was.
TEST(CopybookDialectsTest, CopyReplacingChangesTheMembersStatements) {
  std::string pairs;  // 65 of them
  for (int i = 0; i < 65; ++i) pairs += " A BY B";
  const std::string cases[][3] = {
      // COPY statement, member's statement, result
      // A tag: every occurrence in a word, letter case ignored, never in a literal.
      {"COPY M REPLACING ==:PFX:== BY ==CUST==", "05 :pfx:-A-:PFX: PIC X VALUE ':PFX:'",
       "M|05 CUST-A-CUST PIC X VALUE ':PFX:'"},
      // Pseudo-text: whole words in sequence, letter case ignored outside literals.
      {"copy M replacing ==PIC X(10)== by ==PIC X(12)==", "05 A pic x(10) VALUE 'X'",
       "M|05 A PIC X(12) VALUE 'X'"},
      {"COPY M REPLACING ==A B== BY ==C==", "05  A  PIC B", "M|05  A  PIC B"},
      {"COPY M REPLACING 'OLD' BY 'NEW' X BY Y", "05 X PIC X VALUE 'OLD' 'old'",
       "M|05 Y PIC Y VALUE 'NEW' 'old'"},
      {"COPY M REPLACING ==VALUE 'A'== BY ====", "05 F PIC X VALUE 'A'", "M|05 F PIC X"},
      // The first pair that matches replaces; a replacement is not searched again.
      {"COPY M REPLACING ==A== BY ==B== ==B== BY ==C==", "05 A B PIC X", "M|05 B C PIC X"},
      {"COPY M REPLACING TRAILING ==-IN== BY ==-OUT==", "05 REC-IN PIC X", "M|05 REC-OUT PIC X"},
      {"COPY 'm.cpy' IN LIB SUPPRESS", "05 A PIC X", "m.cpy|05 A PIC X"},
      // The ways a COPY statement is refused.
      {"COPY", "", "Invalid COPY statement: no member name"},
      {"COPY M OF", "", "Invalid COPY statement: no library name after OF"},
      {"COPY M EXTRA", "", "Invalid COPY statement: unexpected 'EXTRA'"},
      {"COPY M REPLACING", "", "Invalid COPY statement: REPLACING without operands"},
      {"COPY M REPLACING ==A== ==B==", "", "Invalid COPY statement: BY expected after 'A'"},
      {"COPY M REPLACING ==A== BY", "", "Invalid COPY statement: no text after BY"},
      {"COPY M REPLACING ==A== BY ==B", "", "Invalid COPY statement: pseudo-text not closed"},
      {"COPY M REPLACING ==== BY ==B==", "", "Invalid COPY statement: empty text to replace"},
      {"COPY M REPLACING LEADING ==A B== BY ==C==", "",
       "Invalid COPY statement: LEADING and TRAILING replace a part of one word"},
      {"COPY M REPLACING" + pairs, "", "Invalid COPY statement: more than 64 REPLACING pairs"},
      // Two replacements of 600000 characters make a statement longer than 1 MiB.
      {"COPY M REPLACING ==A== BY ==" + std::string(600000, 'B') + "==", "A A",
       "Statement longer than 1048576 characters after COPY REPLACING"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0].substr(0, 80));
    CCBCopyStatement copy;
    QvbString error;
    std::string text = c[1];
    if (copy.parse(c[0], error) && copy.replacing().apply(text, error)) {
      EXPECT_EQ(c[2], copy.member() + "|" + text);
    } else {
      EXPECT_EQ(c[2], error.str());
      EXPECT_EQ(c[1], text);
    }
  }
}

}  // namespace
