#include "level_check.h"

#include "command_line.h"

namespace {

const char LINE_LABEL[] = "LINE ";
const size_t LINE_LABEL_LENGTH = sizeof LINE_LABEL - 1;
const char PARSE_LABEL[] = " PARSE: ";
const size_t PARSE_LABEL_LENGTH = sizeof PARSE_LABEL - 1;
const size_t MAX_LEVEL_DIGITS = 2;  // levels up to 99
const char ENTER_LABEL[] = "COPY FILE: ";
const char LEAVE_LABEL[] = "END COPY FILE: ";

bool startsWith(const std::string& text, const char* label) {
  return text.compare(0, std::char_traits<char>::length(label), label) == 0;
}

// True when the entry text starts with a level number above 99: more than two
// digits once a '+' and leading zeros are passed over, as the library reads it.
bool levelAbove99(const std::string& text, size_t at) {
  if (at < text.size() && text[at] == '+') ++at;
  while (at < text.size() && text[at] == '0') ++at;
  size_t end = at;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  return end - at > MAX_LEVEL_DIGITS && (end == text.size() || text[end] == ' ');
}

// The line of an entry whose level is above 99; 0 for any other message.
int bigLevelLine(const std::string& text) {
  if (text.compare(0, LINE_LABEL_LENGTH, LINE_LABEL) != 0) return 0;
  const size_t label = text.find(PARSE_LABEL);
  int line = 0;
  if (label == std::string::npos ||
      !parseCount(text.substr(LINE_LABEL_LENGTH, label - LINE_LABEL_LENGTH), &line)) {
    return 0;
  }
  return levelAbove99(text, label + PARSE_LABEL_LENGTH) ? line : 0;
}

}  // namespace

void LevelCheck::debugMessage(const QvbString& message) {
  const std::string text = message.str();
  if (startsWith(text, ENTER_LABEL)) {
    members_.push_back(text.substr(sizeof ENTER_LABEL - 1));
  } else if (startsWith(text, LEAVE_LABEL) && !members_.empty()) {
    members_.pop_back();
  } else if (line_ == 0 && (line_ = bigLevelLine(text)) != 0 && !members_.empty()) {
    member_ = members_.back();
  }
  if (next_ != nullptr) next_->debugMessage(message);
}

bool LevelCheck::levelsValid(const std::string& path, std::string* error) const {
  if (line_ == 0) return true;
  *error = path + ": Invalid level number, Line: " + std::to_string(line_) +
           (member_.empty() ? "" : " in " + member_);
  return false;
}
