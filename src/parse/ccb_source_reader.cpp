#include "parse/ccb_source_reader.h"

#include <algorithm>
#include <string>

namespace {

const int MAX_LINE_LENGTH = 255;  // characters asked of the text file per line
const int INDICATOR_COLUMN = 7;   // 1-based; "*" or "/" there makes a comment line
const int CONTENT_COLUMN = 8;     // 1-based first column of the content area
const int CONTENT_LENGTH = 65;    // columns 8 to 72

bool isCommentIndicator(char c) {
  return c == '*' || c == '/';
}

bool isQuote(char c) {
  return c == '"' || c == '\'';
}

}  // namespace

CCBSourceReader::~CCBSourceReader() {
  close();
}

bool CCBSourceReader::open(const QvbString& fileName) {
  close();
  file_ = qvbTxtFileOpen(fileName.asCstr(), QVB_TXT_FILE_READ, -1, 0, &error_);
  if (file_ == nullptr) return false;
  lineCount_ = 0;
  return true;
}

void CCBSourceReader::openMemory(const char* data, size_t size) {
  close();
  file_ = qvbTxtFileOpenMemory(data, size);
  lineCount_ = 0;
}

void CCBSourceReader::close() {
  if (file_ == nullptr) return;
  file_->close();
  file_ = nullptr;
}

bool CCBSourceReader::readSourceLine(QvbString& line, bool& failed) {
  failed = false;
  if (file_ == nullptr) return false;
  for (;;) {
    const char* chars = nullptr;
    bool lineFlag = false;
    const int n = file_->readLine(MAX_LINE_LENGTH, &chars, &lineFlag);
    if (n == 0 && !lineFlag) return false;
    // After a failure the text file reports the end of the input, so carrying on
    // ends the loop at the next read.
    if (n < 0) {
      failed = true;
      error_ = file_->getErrorMessage();
    }
    if (lineFlag) ++lineCount_;
    if (n < INDICATOR_COLUMN || isCommentIndicator(chars[INDICATOR_COLUMN - 1])) continue;
    line.assign(chars + CONTENT_COLUMN - 1, std::min(n - (CONTENT_COLUMN - 1), CONTENT_LENGTH));
    if (line.trim(true, true).length() > 0) return true;
  }
}

bool CCBSourceReader::readStatement(bool& failed) {
  for (;;) {
    std::string statement;
    QvbString line;
    bool terminated = false;
    while (!terminated && readSourceLine(line, failed)) {
      if (!statement.empty()) statement.push_back(' ');
      statement.append(line.asCstr(), static_cast<size_t>(line.length()));
      terminated = statement.back() == '.';
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
  error_ = qvbStringFormat("Statement longer than %d characters: a period is missing",
                           MAX_STATEMENT_LENGTH);
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
