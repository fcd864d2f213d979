#include "parse/ccb_source_reader.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int MAX_LINE_LENGTH = 255;  // characters asked of the text file per line
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
const SkippedLine SKIPPED_LINES[] = {
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

const char DIRECTIVE_MARK[] = ">>";
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

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The n characters at chars up to a "*>" that stands outside quotes, trimmed.
std::string withoutComment(const char* chars, size_t n) {
  char quote = 0;
  size_t end = 0;
  for (; end < n; ++end) {
    const char c = chars[end];
    if (quote != 0) {
      quote = c == quote ? 0 : quote;
    } else if (isQuote(c)) {
      quote = c;
    } else if (end + 1 < n && std::strncmp(chars + end, COMMENT_MARK, 2) == 0) {
      break;
    }
  }
  return trimmed(std::string(chars, end));
}

// Whether trimmed text is a line of the kind row describes.
bool matchesLine(const std::string& text, const SkippedLine& row) {
  const size_t n = std::strlen(row.word);
  if (text.size() < n || strncasecmp(text.c_str(), row.word, n) != 0) return false;
  const size_t rest = text.find_first_not_of(' ', n);
  switch (row.match) {
    case MATCH_ALONE:
      return rest == std::string::npos || (text[rest] == '.' && rest + 1 == text.size());
    case MATCH_LITERAL:
      return rest != std::string::npos && rest > n && isQuote(text[rest]);
    case MATCH_WORD:
      return n == text.size() || text[n] == ' ';
  }
  return false;
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

// The "==" marks of pseudo-text outside quotes, read as a statement grows line by
// line, so that each character is read once.
struct PseudoTextScan {
  char quote = 0;
  bool open = false;  // an odd number of marks so far

  void scan(const std::string& text, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
      const char c = text[i];
      if (quote != 0) {
        quote = c == quote ? 0 : quote;
      } else if (isQuote(c) && !open) {
        quote = c;
      } else if (text.compare(i, 2, PSEUDO_TEXT_MARK) == 0) {
        open = !open;
        ++i;
      }
    }
  }
};

// Whether a period ends a statement: not inside the pseudo-text of a COPY statement.
bool endsStatement(const std::string& statement, const PseudoTextScan& scan) {
  return !scan.open || strncasecmp(statement.c_str(), "COPY ", 5) != 0;
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
  const std::string whole = withoutComment(chars, static_cast<size_t>(n));
  if (skipsLine(whole, failed)) return false;
  std::string content = whole;
  if (!freeForm_) {
    if (n < INDICATOR_COLUMN || isCommentIndicator(chars[INDICATOR_COLUMN - 1])) return false;
    const int end = margin_ > 0 ? std::min(n, margin_) : n;
    content = withoutComment(chars + CONTENT_COLUMN - 1,
                             static_cast<size_t>(std::max(0, end - (CONTENT_COLUMN - 1))));
    if (skipsLine(content, failed) || content[0] == '*') return false;
  }
  line.assign(content.data(), static_cast<int>(content.size()));
  return !content.empty();
}

// Whether trimmed text is a directive, listing or option line, which holds nothing
// to parse.
bool CCBSourceReader::skipsLine(const std::string& text, bool& failed) {
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
bool CCBSourceReader::sourceDirective(const std::string& text, bool& failed) {
  const std::vector<std::string> list = words(text.substr(2));
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
  return failWith(qvbStringFormat("Unknown source format in directive: %s", text.c_str()), failed);
}

bool CCBSourceReader::readStatement(bool& failed) {
  for (;;) {
    std::string statement;
    QvbString line;
    PseudoTextScan pseudoText;
    bool terminated = false;
    while (!terminated && readSourceLine(line, failed)) {
      if (!statement.empty()) statement.push_back(' ');
      const size_t added = statement.size();
      statement.append(line.asCstr(), static_cast<size_t>(line.length()));
      if (tolerant_) pseudoText.scan(statement, added);
      terminated = statement.back() == '.' && endsStatement(statement, pseudoText);
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
  const std::string& text = statement_.str();
  bool inDouble = false;
  bool inSingle = false;
  size_t start = text.find_first_not_of(' ');
  size_t i = start;
  while (start != std::string::npos) {
    if (i < text.size() && (text[i] != ' ' || inDouble || inSingle)) {
      if (text[i] == '"' && !inSingle) {
        inDouble = !inDouble;
      } else if (text[i] == '\'' && !inDouble) {
        inSingle = !inSingle;
      }
      ++i;
      continue;
    }
    addToken(text.substr(start, i - start));
    start = i = text.find_first_not_of(' ', i);
  }
}

// The opening and the closing quote are removed independently: they need not match.
void CCBSourceReader::addToken(const std::string& text) {
  const bool literal = !text.empty() && isQuote(text.front());
  const size_t begin = literal ? 1 : 0;
  size_t end = text.size();
  if (end > begin && isQuote(text[end - 1])) --end;
  tokens_.emplace_back(text.substr(begin, end - begin).c_str());
  literals_.push_back(literal);
}

QvbString CCBSourceReader::getToken(int index) const {
  if (index < 0 || index >= getTokenCount()) return QvbString();
  return tokens_[index];
}

bool CCBSourceReader::isLiteral(int index) const {
  return index >= 0 && index < getTokenCount() && literals_[index];
}
