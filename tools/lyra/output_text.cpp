#include "output_text.h"

#include <cstdio>

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// The end of the run of digits that starts at i.
size_t skipDigits(const std::string& text, size_t i) {
  while (i < text.size() && isDigit(text[i])) ++i;
  return i;
}

}  // namespace

void appendUtf8(const std::string& latin1, std::string* out) {
  for (char c : latin1) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out->push_back(c);
    } else {
      out->push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out->push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
}

std::string toUtf8(const std::string& latin1) {
  std::string out;
  appendUtf8(latin1, &out);
  return out;
}

void appendJsonString(const std::string& latin1, std::string* out) {
  out->push_back('"');
  for (char c : latin1) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out->push_back('\\');
      out->push_back(c);
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out->append(escaped);
    } else {
      appendUtf8(std::string(1, c), out);
    }
  }
  out->push_back('"');
}

bool toJsonNumber(const std::string& text, std::string* number) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const size_t intStart = i;
  const size_t intEnd = skipDigits(text, intStart);
  size_t fracStart = intEnd;
  size_t fracEnd = intEnd;
  if (intEnd < text.size() && text[intEnd] == '.') {
    fracStart = intEnd + 1;
    fracEnd = skipDigits(text, fracStart);
  }
  size_t end = fracEnd;
  while (end < text.size() && isBlank(text[end])) ++end;
  if (end != text.size() || (intEnd == intStart && fracEnd == fracStart)) return false;

  size_t firstDigit = intStart;
  while (firstDigit + 1 < intEnd && text[firstDigit] == '0') ++firstDigit;
  number->assign(negative ? "-" : "");
  number->append(intEnd > intStart ? text.substr(firstDigit, intEnd - firstDigit) : "0");
  if (fracEnd > fracStart) number->append("." + text.substr(fracStart, fracEnd - fracStart));
  return true;
}
