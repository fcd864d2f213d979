#include "parse/ccb_source_reader.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "support/np_uchar.h"

namespace {

const int MAX_LINE_LENGTH = 255;  // characters asked of the text file per line
// Room made at once for the tokens and the text of a statement, enough for most.
const size_t TOKENS_RESERVED = 16;
const size_t STATEMENT_RESERVED = 256;
// The same for tolerant rules, whose free form and wide margins read longer lines.
const int MAX_TOLERANT_LINE_LENGTH = 4096;
const int INDICATOR_COLUMN = 7;                   // 1-based; "*" or "/" there makes a comment line
const int CONTENT_COLUMN = FIXED_CONTENT_COLUMN;  // 1-based first column of the content area
const int CONTENT_LENGTH = CLASSIC_MARGIN - CONTENT_COLUMN + 1;  // columns 8 to 72

// How the first word of a line that holds no data description is followed.
enum LineMatch {
  MATCH_ALONE,    // by nothing but an optional period
  MATCH_LITERAL,  // by a literal
  MATCH_WORD,     // by a blank, or nothing
};

struct SkippedLine {
  const char* word;
  LineMatch match;
};

// Lines that tolerant rules pass over: listing statements and compiler options.
constexpr SkippedLine SKIPPED_LINES[] = {
    {"EJECT", MATCH_ALONE},    // listing: next page
    {"SKIP1", MATCH_ALONE},    // listing: one blank line
    {"SKIP2", MATCH_ALONE},    // listing: two blank lines
    {"SKIP3", MATCH_ALONE},    // listing: three blank lines
    {"TITLE", MATCH_LITERAL},  // listing: page title
    {"CBL", MATCH_WORD},       // compiler options
    {"PROCESS", MATCH_WORD},   // compiler options
    {"*CBL", MATCH_WORD},      // listing control
    {"*CONTROL", MATCH_WORD},  // listing control
};

struct SourceForm {
  const char* name;
  bool freeForm;
  bool wholeLine;  // fixed columns without a right margin
};

// The forms a >>SOURCE directive names.
const SourceForm SOURCE_FORMS[] = {
    {"FREE", true, false},      // no columns
    {"FIXED", false, false},    // columns 8 to the margin of the rules
    {"VARIABLE", false, true},  // columns 8 to the end of the line
};

constexpr char DIRECTIVE_MARK[] = ">>";
const char COMMENT_MARK[] = "*>";
const char PSEUDO_TEXT_MARK[] = "==";

bool isCommentIndicator(char c) {
  return c == '*' || c == '/';
}

bool isQuote(char c) {
  return c == '"' || c == '\'';
}

bool sameWord(const std::string& text, const char* word) {
  return strcasecmp(text.c_str(), word) == 0;
}

// The first quote or '*' from p on, or end. The characters between are passed over
// by the C library, which reads them faster than a loop over each would.
const char* nextMark(const char* p, const char* end) {
  for (const char mark : {'\'', '"', COMMENT_MARK[0]}) {
    const void* found = std::memchr(p, mark, static_cast<size_t>(end - p));
    if (found != nullptr) end = static_cast<const char*>(found);
  }
  return end;
}

// The n characters at chars up to a "*>" that stands outside quotes, without the
// blanks at either end.
std::string_view withoutComment(const char* chars, size_t n) {
  const char* const last = chars + n;
  const char* end = chars;
  while (end < last) {
    const char* mark = nextMark(end, last);
    if (mark == last ||
        (*mark == COMMENT_MARK[0] && mark + 1 < last && mark[1] == COMMENT_MARK[1])) {
      end = mark;
      break;
    }
    end = mark + 1;
    if (isQuote(*mark)) {  // the literal runs to its closing quote, or to the end
      const void* close = std::memchr(end, *mark, static_cast<size_t>(last - end));
      end = close != nullptr ? static_cast<const char*>(close) + 1 : last;
    }
  }
  const char* begin = chars;
  while (begin < end && *begin == ' ') ++begin;
  while (end > begin && end[-1] == ' ') --end;
  return std::string_view(begin, static_cast<size_t>(end - begin));
}

// Whether trimmed text is a line of the kind row describes.
bool matchesLine(std::string_view text, const SkippedLine& row) {
  // The first letters differ on most lines: they are compared before anything else.
  if (text.empty() || np_uchar_asupper_table[static_cast<unsigned char>(text[0])] != row.word[0]) {
    return false;
  }
  const size_t n = std::strlen(row.word);
  if (text.size() < n || strncasecmp(text.data(), row.word, n) != 0) return false;
  const size_t rest = text.find_first_not_of(' ', n);
  switch (row.match) {
    case MATCH_ALONE:
      return rest == std::string_view::npos || (text[rest] == '.' && rest + 1 == text.size());
    case MATCH_LITERAL:
      return rest != std::string_view::npos && rest > n && isQuote(text[rest]);
    case MATCH_WORD:
      return n == text.size() || text[n] == ' ';
  }
  return false;
}

// Whether a directive, listing or option line may begin with the character.
struct FirstCharacters {
  bool may[256];
};

// The first characters of directives and of the skipped lines' words, in either case.
constexpr FirstCharacters skippedFirstCharacters() {
  FirstCharacters table{};
  table.may[static_cast<unsigned char>(DIRECTIVE_MARK[0])] = true;
  for (const SkippedLine& row : SKIPPED_LINES) {
    const unsigned char c = static_cast<unsigned char>(row.word[0]);
    table.may[c] = true;
    if (c >= 'A' && c <= 'Z') table.may[c - 'A' + 'a'] = true;
  }
  return table;
}

constexpr FirstCharacters SKIPPED_FIRST = skippedFirstCharacters();

bool mayStartSkipped(char first) {
  return SKIPPED_FIRST.may[static_cast<unsigned char>(first)];
}

// Whether a line of n characters may be a directive, listing or option line.
bool mayBeSkipped(const char* chars, int n) {
  int first = 0;
  while (first < n && chars[first] == ' ') ++first;
  return first < n && mayStartSkipped(chars[first]);
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  for (size_t at = text.find_first_not_of(' '); at != std::string::npos;) {
    const size_t end = std::min(text.find(' ', at), text.size());
    result.push_back(text.substr(at, end - at));
    at = text.find_first_not_of(' ', end);
  }
  return result;
}

// Whether a statement is a COPY statement, the one kind that holds pseudo-text.
bool isCopyStatement(const std::string& statement) {
  return statement.size() >= 5 && (statement[0] == 'C' || statement[0] == 'c') &&
         strncasecmp(statement.c_str(), "COPY ", 5) == 0;
}

// The "==" marks of pseudo-text outside quotes in a COPY statement, read as the
// statement grows line by line, so that each character is read once.
struct PseudoTextScan {
  char quote = 0;
  bool open = false;   // an odd number of marks so far
  size_t scanned = 0;  // characters read; none until the statement shows it is a COPY

  void scan(const std::string& text) {
    if (scanned == 0 && !isCopyStatement(text)) return;
    for (size_t i = scanned; i < text.size(); ++i) {
      const char c = text[i];
      if (quote != 0) {
        quote = c == quote ? 0 : quote;
      } else if (isQuote(c) && !open) {
        quote = c;
      } else if (c == PSEUDO_TEXT_MARK[0] && i + 1 < text.size() &&
                 text[i + 1] == PSEUDO_TEXT_MARK[1]) {
        open = !open;
        ++i;
      }
    }
    scanned = text.size();
  }
};

size_t skipBlanks(const char* text, size_t at, size_t n) {
  while (at < n && text[at] == ' ') ++at;
  return at;
}

// The end of the token that starts at start in the n characters of text: the first
// blank outside quotes, or n. A quote opens a literal that the same quote closes.
size_t tokenEnd(const char* text, size_t start, size_t n) {
  const char* const last = text + n;
  const char* p = text + start;
  for (;;) {
    const char* stop = last;
    for (const char mark : {' ', '"', '\''}) {
      const void* found = std::memchr(p, mark, static_cast<size_t>(stop - p));
      if (found != nullptr) stop = static_cast<const char*>(found);
    }
    if (stop == last || *stop == ' ') return static_cast<size_t>(stop - text);
    const void* close = std::memchr(stop + 1, *stop, static_cast<size_t>(last - stop - 1));
    if (close == nullptr) return n;
    p = static_cast<const char*>(close) + 1;
  }
}

}  // namespace

CCBSourceReader::~CCBSourceReader() {
  close();
}

void CCBSourceReader::setRules(const CCBSourceRules& rules) {
  tolerant_ = rules.tolerant;
  startFreeForm_ = rules.tolerant && rules.freeForm;
  startMargin_ = rules.tolerant ? rules.margin : CLASSIC_MARGIN;
}

bool CCBSourceReader::open(const QvbString& fileName) {
  close();
  file_ = qvbTxtFileOpen(fileName.asCstr(), QVB_TXT_FILE_READ, -1, 0, &error_);
  if (file_ == nullptr) return false;
  restart();
  return true;
}

void CCBSourceReader::openMemory(const char* data, size_t size) {
  close();
  file_ = qvbTxtFileOpenMemory(data, size);
  restart();
}

void CCBSourceReader::restart() {
  lineCount_ = 0;
  freeForm_ = startFreeForm_;
  margin_ = startMargin_;
}

void CCBSourceReader::close() {
  if (file_ == nullptr) return;
  file_->close();
  file_ = nullptr;
}

bool CCBSourceReader::readSourceLine(QvbString& line, bool& failed) {
  failed = false;
  // A tolerant line that fails closes the file.
  while (file_ != nullptr) {
    const char* chars = nullptr;
    bool lineFlag = false;
    const int n =
        file_->readLine(tolerant_ ? MAX_TOLERANT_LINE_LENGTH : MAX_LINE_LENGTH, &chars, &lineFlag);
    if (n == 0 && !lineFlag) return false;
    // After a failure the text file reports the end of the input, so carrying on
    // ends the loop at the next read.
    if (n < 0) {
      failed = true;
      error_ = file_->getErrorMessage();
    }
    if (lineFlag) ++lineCount_;
    if (tolerant_) {
      if (n >= 0 && tolerantContent(chars, n, line, failed)) return true;
      continue;
    }
    if (n < INDICATOR_COLUMN || isCommentIndicator(chars[INDICATOR_COLUMN - 1])) continue;
    line.assign(chars + CONTENT_COLUMN - 1, std::min(n - (CONTENT_COLUMN - 1), CONTENT_LENGTH));
    if (line.trim(true, true).length() > 0) return true;
  }
  return false;
}

// The content of a line of n characters by the tolerant rules: false for a line
// without any. A directive or option line may start in any column, also in fixed
// form, where it may stand in the sequence and indicator columns. A fixed-form line
// whose content starts with '*' is a comment whose indicator stands a column or more
// late, as copybooks from other compilers and editors have them (so a picture that
// starts with '*' must stand on the line of its PIC). Free form keeps such a line,
// where nothing but a picture can start with '*': its comments begin with "*>".
bool CCBSourceReader::tolerantContent(const char* chars, int n, QvbString& line, bool& failed) {
  std::string_view content;
  if (freeForm_ || mayBeSkipped(chars, n)) {
    content = withoutComment(chars, static_cast<size_t>(n));
    if (skipsLine(content, failed)) return false;
  }
  if (!freeForm_) {
    if (n < INDICATOR_COLUMN || isCommentIndicator(chars[INDICATOR_COLUMN - 1])) return false;
    const int end = margin_ > 0 ? std::min(n, margin_) : n;
    content = withoutComment(chars + CONTENT_COLUMN - 1,
                             static_cast<size_t>(std::max(0, end - (CONTENT_COLUMN - 1))));
    if (skipsLine(content, failed) || (!content.empty() && content[0] == '*')) return false;
  }
  line.assign(content.data(), static_cast<int>(content.size()));
  return !content.empty();
}

// Whether trimmed text is a directive, listing or option line, which holds nothing
// to parse.
bool CCBSourceReader::skipsLine(std::string_view text, bool& failed) {
  if (text.empty() || !mayStartSkipped(text[0])) return false;
  if (text.compare(0, 2, DIRECTIVE_MARK) == 0) {
    sourceDirective(text, failed);
    return true;
  }
  for (const SkippedLine& row : SKIPPED_LINES) {
    if (matchesLine(text, row)) return true;
  }
  return false;
}

// ">>SOURCE [FORMAT] [IS] name" sets the form of the lines that follow; other
// directives change nothing that is read here. False when the name is unknown.
bool CCBSourceReader::sourceDirective(std::string_view text, bool& failed) {
  const std::vector<std::string> list = words(std::string(text.substr(2)));
  if (list.empty() || !sameWord(list[0], "SOURCE")) return true;
  size_t at = 1;
  if (at < list.size() && sameWord(list[at], "FORMAT")) ++at;
  if (at < list.size() && sameWord(list[at], "IS")) ++at;
  for (const SourceForm& form : SOURCE_FORMS) {
    if (at < list.size() && sameWord(list[at], form.name)) {
      freeForm_ = form.freeForm;
      margin_ = form.wholeLine ? 0 : startMargin_;
      return true;
    }
  }
  return failWith(
      qvbStringFormat("Unknown source format in directive: %s", std::string(text).c_str()), failed);
}

bool CCBSourceReader::readStatement(bool& failed) {
  std::string& statement = building_;
  QvbString& line = line_;
  statement.reserve(STATEMENT_RESERVED);
  for (;;) {
    statement.clear();
    PseudoTextScan pseudoText;
    bool terminated = false;
    while (!terminated && readSourceLine(line, failed)) {
      if (!statement.empty()) statement.push_back(' ');
      statement.append(line.asCstr(), static_cast<size_t>(line.length()));
      if (tolerant_) pseudoText.scan(statement);
      terminated = statement.back() == '.' && !pseudoText.open;
      if (statement.size() > static_cast<size_t>(MAX_STATEMENT_LENGTH)) {
        return statementTooLong(failed);
      }
    }
    if (!terminated && failed) return false;
    if (terminated) statement.pop_back();
    statement_.assign(statement.data(), static_cast<int>(statement.size()));
    if (statement_.length() > 0) {
      tokenize();
      return true;
    }
    // Nothing before the period (a line holding only "."): read the next statement.
    if (!terminated) return false;
  }
}

bool CCBSourceReader::statementTooLong(bool& failed) {
  return failWith(qvbStringFormat("Statement longer than %d characters: a period is missing",
                                  MAX_STATEMENT_LENGTH),
                  failed);
}

bool CCBSourceReader::failWith(const QvbString& message, bool& failed) {
  error_ = message;
  failed = true;
  close();
  return false;
}

void CCBSourceReader::setStatement(const QvbString& text) {
  statement_ = text;
  tokenize();
}

void CCBSourceReader::tokenize() {
  tokens_.clear();
  literals_.clear();
  tokens_.reserve(TOKENS_RESERVED + 1);
  literals_.reserve(TOKENS_RESERVED);
  const char* const text = statement_.asCstr();
  const size_t n = static_cast<size_t>(statement_.length());
  for (size_t start = skipBlanks(text, 0, n); start < n;) {
    const size_t end = tokenEnd(text, start, n);
    addToken(text + start, end - start);
    start = skipBlanks(text, end, n);
  }
  tokens_.emplace_back();
}

// The opening and the closing quote are removed independently: they need not match.
void CCBSourceReader::addToken(const char* chars, size_t n) {
  const bool literal = n > 0 && isQuote(chars[0]);
  const size_t begin = literal ? 1 : 0;
  size_t end = n;
  if (end > begin && isQuote(chars[end - 1])) --end;
  tokens_.emplace_back();
  tokens_.back().assign(chars + begin, static_cast<int>(end - begin));
  literals_.push_back(literal);
}

QvbString CCBSourceReader::getToken(int index) const {
  if (index < 0 || index >= getTokenCount()) return QvbString();
  return tokens_[index];
}

bool CCBSourceReader::isLiteral(int index) const {
  return index >= 0 && index < getTokenCount() && literals_[index];
}
