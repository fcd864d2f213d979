#include "parse/ccb_copy_replacing.h"

#include <strings.h>

#include <cctype>
#include <cstring>

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

// A word as it compares: literals as written, other words in upper case.
std::string compareKey(const std::string& word) {
  if (isLiteral(word)) return word;
  std::string key = word;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
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
    if (pair.mode == REPLACE_WORDS) {
      byFirstWord_[compareKey(pair.from[0])].push_back(pairs_.size());
    } else {
      partial_.push_back(pairs_.size());
    }
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
  if (pair.mode != REPLACE_WORDS && isLiteral(word)) return 0;
  switch (pair.mode) {
    case REPLACE_WORDS:
      if (words.size() - at < pair.from.size()) return 0;
      for (size_t i = 0; i < pair.from.size(); ++i) {
        if (!sameWord(words[at + i], pair.from[i])) return 0;
      }
      out->insert(out->end(), pair.to.begin(), pair.to.end());
      return pair.from.size();
    case REPLACE_LEADING:
      if (word.size() < from.size() || findPart(word, from, 0) != 0) return 0;
      out->push_back(to + word.substr(from.size()));
      break;
    case REPLACE_TRAILING:
      if (word.size() < from.size() ||
          findPart(word, from, word.size() - from.size()) == std::string::npos) {
        return 0;
      }
      out->push_back(word.substr(0, word.size() - from.size()) + to);
      break;
    case REPLACE_TAG:
      if (std::strchr(word.c_str(), TAG_MARK) == nullptr ||
          findPart(word, from, 0) == std::string::npos) {
        return 0;
      }
      out->push_back(replaceTags(word, from, to));
      break;
  }
  if (out->back().empty()) out->pop_back();  // the whole word was replaced by nothing
  return 1;
}

// Tries the pairs that may match the word at at in the order written; the number of
// words the first that matches replaces, 0 when none does.
size_t CCBCopyReplacing::replaceAt(const std::vector<std::string>& words, size_t at,
                                   std::vector<std::string>* out) const {
  static const std::vector<size_t> NONE;
  const auto found = byFirstWord_.find(compareKey(words[at]));
  const std::vector<size_t>& whole = found != byFirstWord_.end() ? found->second : NONE;
  size_t w = 0;
  size_t p = 0;
  while (w < whole.size() || p < partial_.size()) {
    const bool takeWhole = p == partial_.size() || (w < whole.size() && whole[w] < partial_[p]);
    const size_t used = match(pairs_[takeWhole ? whole[w++] : partial_[p++]], words, at, out);
    if (used > 0) return used;
  }
  return 0;
}

bool CCBCopyReplacing::apply(std::string& text, QvbString& error) const {
  if (pairs_.empty()) return true;
  const std::vector<std::string> words = splitCopyWords(text);
  std::vector<std::string> result;
  bool replaced = false;
  size_t length = 0;
  for (size_t at = 0; at < words.size();) {
    const size_t before = result.size();
    const size_t used = replaceAt(words, at, &result);
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
