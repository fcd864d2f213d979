#include "parse/ccb_copy_statement.h"

#include <strings.h>

namespace {

const char PSEUDO_TEXT_MARK[] = "==";
const size_t MARK_LENGTH = 2;

bool isQuote(char c) {
  return c == '"' || c == '\'';
}

bool sameWord(const std::string& word, const char* keyword) {
  return strcasecmp(word.c_str(), keyword) == 0;
}

size_t skipBlanks(const std::string& text, size_t at) {
  const size_t next = text.find_first_not_of(' ', at);
  return next == std::string::npos ? text.size() : next;
}

// The word at at, up to a blank outside quotes; at moves past it.
std::string nextWord(const std::string& text, size_t* at) {
  const size_t start = skipBlanks(text, *at);
  size_t end = start;
  for (char quote = 0; end < text.size() && (quote != 0 || text[end] != ' '); ++end) {
    if (quote != 0) {
      quote = text[end] == quote ? 0 : quote;
    } else if (isQuote(text[end])) {
      quote = text[end];
    }
  }
  *at = end;
  return text.substr(start, end - start);
}

// A word after at, which stays where it is.
std::string peekWord(const std::string& text, size_t at) {
  return nextWord(text, &at);
}

// A literal without the quote that opens it and the one that closes it.
std::string unquoted(const std::string& word) {
  if (word.empty() || !isQuote(word.front())) return word;
  const size_t end = word.size() > 1 && word.back() == word.front() ? word.size() - 1 : word.size();
  return word.substr(1, end - 1);
}

QvbString invalid(const std::string& what) {
  return qvbStringFormat("Invalid COPY statement: %s", what.c_str());
}

}  // namespace

bool CCBCopyStatement::parse(const std::string& text, QvbString& error) {
  replacing_ = CCBCopyReplacing();
  size_t at = 0;
  nextWord(text, &at);  // COPY
  member_ = unquoted(nextWord(text, &at));
  if (member_.empty()) {
    error = invalid("no member name");
    return false;
  }
  const std::string next = peekWord(text, at);
  if (sameWord(next, "IN") || sameWord(next, "OF")) {
    nextWord(text, &at);
    if (nextWord(text, &at).empty()) {
      error = invalid("no library name after " + next);
      return false;
    }
  }
  if (sameWord(peekWord(text, at), "SUPPRESS")) nextWord(text, &at);
  const std::string rest = nextWord(text, &at);
  if (rest.empty()) return true;
  if (sameWord(rest, "REPLACING")) return readReplacing(text, &at, error);
  error = invalid("unexpected '" + rest + "'");
  return false;
}

bool CCBCopyStatement::readReplacing(const std::string& text, size_t* at, QvbString& error) {
  if (skipBlanks(text, *at) == text.size()) {
    error = invalid("REPLACING without operands");
    return false;
  }
  while (skipBlanks(text, *at) < text.size()) {
    if (!readPair(text, at, error)) return false;
  }
  return true;
}

bool CCBCopyStatement::readPair(const std::string& text, size_t* at, QvbString& error) {
  CCBReplaceMode mode = REPLACE_WORDS;
  const std::string first = peekWord(text, *at);
  if (sameWord(first, "LEADING") || sameWord(first, "TRAILING")) {
    mode = sameWord(first, "LEADING") ? REPLACE_LEADING : REPLACE_TRAILING;
    nextWord(text, at);
  }
  std::string from;
  std::string to;
  if (!readOperand(text, at, &from, error)) return false;
  if (!sameWord(nextWord(text, at), "BY")) {
    error = invalid("BY expected after '" + from + "'");
    return false;
  }
  if (skipBlanks(text, *at) == text.size()) {
    error = invalid("no text after BY");
    return false;
  }
  return readOperand(text, at, &to, error) && replacing_.add(from, to, mode, error);
}

// Pseudo-text gives the text between its marks; a word or literal gives itself.
bool CCBCopyStatement::readOperand(const std::string& text, size_t* at, std::string* operand,
                                   QvbString& error) {
  const size_t start = skipBlanks(text, *at);
  if (text.compare(start, MARK_LENGTH, PSEUDO_TEXT_MARK) != 0) {
    *operand = nextWord(text, at);
    return true;
  }
  const size_t end = text.find(PSEUDO_TEXT_MARK, start + MARK_LENGTH);
  if (end == std::string::npos) {
    error = invalid("pseudo-text not closed");
    return false;
  }
  *operand = text.substr(start + MARK_LENGTH, end - start - MARK_LENGTH);
  *at = end + MARK_LENGTH;
  return true;
}
