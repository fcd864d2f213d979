// CCBSourceReader turns a COBOL copybook source file into statements, each split
// into tokens. It applies the fixed columns of a source line (1-6 sequence area,
// 7 indicator, 8-72 content, 73 onward ignored), drops comment lines, joins lines up
// to a statement's terminating period and splits the statement at spaces, keeping
// quoted literals together. A statement may also be given as text. With tolerant
// source rules (setRules) it also reads free form and other right margins, drops
// "*>" comments and fixed-form lines whose content starts with '*', and skips the
// lines of compiler directives, compiler options and listing statements; a ">>SOURCE"
// directive switches the form until the end of the file or the next one.
//
// The reader owns its text file between open() and close() (the destructor closes
// it) and owns its tokens; text given to openMemory() stays the caller's and must
// outlive the reading. One thread uses a reader at a time.
#ifndef LYRA_PARSE_CCB_SOURCE_READER_H_
#define LYRA_PARSE_CCB_SOURCE_READER_H_

#include <string>
#include <string_view>
#include <vector>

#include "lyra/qvb_string.h"
#include "parse/ccb_source_rules.h"
#include "support/qvb_txt_file.h"

// The longest statement read: far more than the most tokens a statement may hold
// need, and a bound on memory for text that never ends a statement.
const int MAX_STATEMENT_LENGTH = 1 << 20;

class CCBSourceReader {
 public:
  CCBSourceReader() = default;
  ~CCBSourceReader();
  CCBSourceReader(const CCBSourceReader&) = delete;
  CCBSourceReader& operator=(const CCBSourceReader&) = delete;

  // The rules of the files opened from now on; the classic rules until called.
  void setRules(const CCBSourceRules& rules);

  // Opens a copybook file (closing one still open) and sets the line count to 0.
  // False when it cannot be opened, with the reason in getErrorMessage().
  bool open(const QvbString& fileName);
  // Reads size bytes at data as the copybook, as open() reads a file.
  void openMemory(const char* data, size_t size);
  void close();

  // Delivers the next line that has content in columns 8-72 (with tolerant rules:
  // in the content area of its form, without any comment), trimmed at both ends.
  // False at the end of the input. failed is set when a read failed during this
  // call; the reason is then in getErrorMessage().
  bool readSourceLine(QvbString& line, bool& failed);

  // Reads the next statement: content lines joined with one space, up to a line
  // whose content ends with a period, which is removed (with tolerant rules, not a
  // period inside the pseudo-text of a COPY statement). A statement holding only a
  // period is skipped; a last statement without a period is still delivered.
  // False at the end of the input, with failed set when a read failure, a zero
  // byte or a statement longer than MAX_STATEMENT_LENGTH ended it.
  bool readStatement(bool& failed);

  // Makes text the current statement and tokenizes it; needs no open file.
  void setStatement(const QvbString& text);

  // Rebuilds the tokens and literal flags from the statement text. Tokens are
  // separated by spaces outside quotes; a leading quote character is removed and
  // marks the token as a literal; a trailing quote character is removed.
  void tokenize();

  int getTokenCount() const { return static_cast<int>(literals_.size()); }
  // The token at index, or an empty string when index is out of range.
  QvbString getToken(int index) const;
  // The token at index, not copied. REQUIRES: 0 <= index < getTokenCount().
  const QvbString& token(int index) const { return tokens_[static_cast<size_t>(index)]; }
  // The tokens from first on, followed by an empty text: the token texts that
  // SyntaxParser::parse takes, valid until the next statement. REQUIRES: 0 <= first
  // <= getTokenCount().
  const QvbString* tokenTexts(int first) const { return tokens_.data() + first; }
  // Whether the token at index was written with an opening quote; false out of range.
  bool isLiteral(int index) const;
  QvbString getErrorMessage() const { return error_; }
  // Physical lines read since open(), skipped ones included.
  int getLineCount() const { return lineCount_; }
  // The current statement without its terminating period.
  const QvbString& getStatementText() const { return statement_; }

 private:
  void addToken(const char* chars, size_t n);
  bool statementTooLong(bool& failed);  // sets the message and ends the input
  void restart();                       // line count and form as at the start of a file
  bool tolerantContent(const char* chars, int n, QvbString& line, bool& failed);
  bool skipsLine(std::string_view text, bool& failed);
  bool sourceDirective(std::string_view text, bool& failed);
  bool failWith(const QvbString& message, bool& failed);  // sets the message, ends the input

  std::vector<QvbString> tokens_;  // then an empty text
  std::vector<bool> literals_;     // one per token
  QvbTxtFile* file_ = nullptr;     // null when no file is open
  QvbString error_;
  int lineCount_ = 0;
  QvbString statement_;
  // The statement being read and its current line, kept so that their room serves
  // every statement.
  std::string building_;
  QvbString line_;
  bool tolerant_ = false;
  bool startFreeForm_ = false;  // the form and margin each file starts with
  int startMargin_ = CLASSIC_MARGIN;
  bool freeForm_ = false;  // the form and margin of the current line
  int margin_ = CLASSIC_MARGIN;
};

#endif  // LYRA_PARSE_CCB_SOURCE_READER_H_
