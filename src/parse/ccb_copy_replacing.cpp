#include "parse/ccb_copy_replacing.h"

#include <strings.h>

#include "parse/ccb_source_reader.h"

namespace {

const char TAG_MARK = ':';

bool isQuote(char c) {
  return c == '"' || c == '\'';
}

bool isLiteral(const std::string& word) {
  return word.find_first_of("\"'") != std::string::npos;
}

// Words compare without regard to letter case, literals exactly.
bool sameWord(const std::string& a, const std::string& b) {
  if (isLiteral(a) || isLiteral(b)) return a == b;
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool isTag(const std::vector<std::string>& from) {
  if (from.size() != 1 || isLiteral(from[0])) return false;
  const std::string& word = from[0];
  return word.size() > 2 && word.front() == TAG_MARK && word.back() == TAG_MARK;
}

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// Where part stands in word from at on, letter case ignored; npos when nowhere.
size_t findPart(const std::string& word, const std::string& part, size_t at) {
  for (; at + part.size() <= word.size(); ++at) {
    if (strncasecmp(word.c_str() + at, part.c_str(), part.size()) == 0) return at;
  }
  return std::string::npos;
}

// word with every occurrence of tag replaced by to.
std::string replaceTags(const std::string& word, const std::string& tag, const std::string& to) {
  std::string result;
  size_t from = 0;
  for (size_t at = findPart(word, tag, 0); at != std::string::npos;
       at = findPart(word, tag, from)) {
    result += word.substr(from, at - from) + to;
    from = at + tag.size();
  }
  return result + word.substr(from);
}

}  // namespace

std::vector<std::string> splitCopyWords(const std::string& text) {
  std::vector<std::string> words;
  char quote = 0;
  std::string word;
  for (const char c : text) {
    if (quote == 0 && c == ' ') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      continue;
    }
    if (quote != 0) {
      quote = c == quote ? 0 : quote;
    } else if (isQuote(c)) {
      quote = c;
    }
    word.push_back(c);
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool CCBCopyReplacing::add(const std::string& from, const std::string& to, CCBReplaceMode mode,
                           QvbString& error) {
  Pair pair{splitCopyWords(from), splitCopyWords(to), std::string(), mode};
  pair.toText = joined(pair.to);
  if (pairs_.size() >= static_cast<size_t>(MAX_REPLACING_PAIRS)) {
    error = qvbStringFormat("Invalid COPY statement: more than %d REPLACING pairs",
                            MAX_REPLACING_PAIRS);
  } else if (pair.from.empty()) {
    error = "Invalid COPY statement: empty text to replace";
  } else if (mode != REPLACE_WORDS && (pair.from.size() != 1 || pair.to.size() > 1)) {
    error = "Invalid COPY statement: LEADING and TRAILING replace a part of one word";
  } else {
    if (mode == REPLACE_WORDS && isTag(pair.from)) pair.mode = REPLACE_TAG;
    pairs_.push_back(pair);
    return true;
  }
  return false;
}

// The number of words of words from at on that pair replaces, 0 when it does not
// match there; the replacement goes to out.
size_t CCBCopyReplacing::match(const Pair& pair, const std::vector<std::string>& words, size_t at,
                               std::vector<std::string>* out) {
  const std::string& word = words[at];
  const std::string& from = pair.from[0];
  const std::string& to = pair.toText;
  switch (pair.mode) {
    case REPLACE_WORDS:
      if (words.size() - at < pair.from.size()) return 0;
      for (size_t i = 0; i < pair.from.size(); ++i) {
        if (!sameWord(words[at + i], pair.from[i])) return 0;
      }
      out->insert(out->end(), pair.to.begin(), pair.to.end());
      return pair.from.size();
    case REPLACE_LEADING:
      if (isLiteral(word) || word.size() < from.size() || findPart(word, from, 0) != 0) return 0;
      out->push_back(to + word.substr(from.size()));
      break;
    case REPLACE_TRAILING:
      if (isLiteral(word) || word.size() < from.size() ||
          findPart(word, from, word.size() - from.size()) == std::string::npos) {
        return 0;
      }
      out->push_back(word.substr(0, word.size() - from.size()) + to);
      break;
    case REPLACE_TAG:
      if (isLiteral(word) || findPart(word, from, 0) == std::string::npos) return 0;
      out->push_back(replaceTags(word, from, to));
      break;
  }
  if (out->back().empty()) out->pop_back();  // the whole word was replaced by nothing
  return 1;
}

bool CCBCopyReplacing::apply(std::string& text, QvbString& error) const {
  if (pairs_.empty()) return true;
  const std::vector<std::string> words = splitCopyWords(text);
  std::vector<std::string> result;
  bool replaced = false;
  size_t length = 0;
  for (size_t at = 0; at < words.size();) {
    const size_t before = result.size();
    size_t used = 0;
    for (const Pair& pair : pairs_) {
      if ((used = match(pair, words, at, &result)) > 0) break;
    }
    if (used == 0) result.push_back(words[at]);
    replaced = replaced || used > 0;
    at += used > 0 ? used : 1;
    for (size_t i = before; i < result.size(); ++i) length += result[i].size() + 1;
    if (length > static_cast<size_t>(MAX_STATEMENT_LENGTH)) {
      error = qvbStringFormat("Statement longer than %d characters after COPY REPLACING",
                              MAX_STATEMENT_LENGTH);
      return false;
    }
  }
  if (replaced) text = joined(result);
  return true;
}
