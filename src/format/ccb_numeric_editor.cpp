#include "format/ccb_numeric_editor.h"

#include <cstring>

namespace {

const int MAX_EDITED_LENGTH = CCBNumericEditor::MAX_LENGTH;

inline char upperCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads the symbol at text[*pos] with its repetition count, moving *pos past both; a
// two-character symbol (CR, DB) comes back as its first letter with *pair set. False
// for a count that is no number or too large, and at a parenthesis out of place.
bool readSymbol(const char* text, int length, int* pos, char* symbol, int* count, bool* pair) {
  *symbol = upperCase(text[*pos]);
  const char second = *pos + 1 < length ? upperCase(text[*pos + 1]) : 0;
  *pair = (*symbol == 'C' && second == 'R') || (*symbol == 'D' && second == 'B');
  *pos += *pair ? 2 : 1;
  *count = 1;
  if (*symbol == '(' || *symbol == ')') return false;
  if (*pos >= length || text[*pos] != '(') return true;
  int value = 0;
  int p = *pos + 1;
  for (; p < length && isDigit(text[p]); ++p) {
    value = value * 10 + (text[p] - '0');
    if (value > MAX_EDITED_LENGTH) return false;
  }
  if (p >= length || text[p] != ')' || value == 0) return false;
  *count = value;
  *pos = p + 1;
  return true;
}

// The floating symbol of a picture: the first of '$', '+' and '-' written more than
// once; 0 for none.
char floatingSymbol(const char* text, int length) {
  int counts[3] = {0, 0, 0};
  const char symbols[] = "$+-";
  for (int pos = 0; pos < length;) {
    char symbol = 0;
    int count = 0;
    bool pair = false;
    if (!readSymbol(text, length, &pos, &symbol, &count, &pair)) return 0;
    const char* found = std::strchr(symbols, symbol);
    if (symbol != 0 && found != nullptr) counts[found - symbols] += count;
  }
  for (int i = 0; i < 3; ++i) {
    if (counts[i] > 1) return symbols[i];
  }
  return 0;
}

}  // namespace

bool CCBNumericEditor::init(const char* picture, int length) {
  positions_.clear();
  integerDigits_ = fractionDigits_ = 0;
  point_ = signed_ = nine_ = stars_ = false;
  impliedPoint_ = -1;
  floating_ = floatingSymbol(picture, length);
  leadIndex_ = -1;
  for (int pos = 0; pos < length;) {
    char symbol = 0;
    int count = 0;
    bool pair = false;
    if (!readSymbol(picture, length, &pos, &symbol, &count, &pair)) return false;
    if (pair) {
      signed_ = true;
      for (int i = 0; i < count; ++i) {
        positions_.push_back({ROLE_CREDIT, symbol});
        positions_.push_back({ROLE_CREDIT, symbol == 'C' ? 'R' : 'B'});
      }
    } else if (!addSymbol(symbol, count)) {
      return false;
    }
    if (static_cast<int>(positions_.size()) > MAX_EDITED_LENGTH) return false;
  }
  return integerDigits_ + fractionDigits_ > 0;
}

// Adds count positions of a one-character symbol; false for a symbol no numeric-edited
// picture this editor edits has.
bool CCBNumericEditor::addSymbol(char symbol, int count) {
  for (int i = 0; i < count; ++i) {
    Role role;
    char written = symbol;
    if (symbol == floating_) {
      role = leadIndex_ < 0 ? ROLE_FLOAT_LEAD : ROLE_FLOAT;
      if (role == ROLE_FLOAT_LEAD) leadIndex_ = static_cast<int>(positions_.size());
      written = ' ';
      signed_ = signed_ || symbol != '$';
    } else if (symbol == '9' || symbol == 'Z' || symbol == '*') {
      role = symbol == '9' ? ROLE_DIGIT : ROLE_SUPPRESS;
      nine_ = nine_ || symbol == '9';
      stars_ = stars_ || symbol == '*';
      if (symbol == 'Z') written = ' ';
    } else if (symbol == '.' || symbol == 'V') {
      if (point_) return false;
      point_ = true;
      if (symbol == 'V') {  // an implied point has no character
        impliedPoint_ = static_cast<int>(positions_.size());
        continue;
      }
      role = ROLE_POINT;
    } else if (symbol == ',' || symbol == 'B' || symbol == '0' || symbol == '/') {
      role = ROLE_INSERT;
      if (symbol == 'B') written = ' ';
    } else if (symbol == '$') {
      role = ROLE_CURRENCY;
    } else if (symbol == '+' || symbol == '-') {
      role = symbol == '+' ? ROLE_PLUS : ROLE_MINUS;
      signed_ = true;
    } else {
      return false;
    }
    if (role == ROLE_DIGIT || role == ROLE_SUPPRESS || role == ROLE_FLOAT) {
      ++(point_ ? fractionDigits_ : integerDigits_);
    }
    positions_.push_back({role, written});
  }
  return true;
}

void CCBNumericEditor::edit(const unsigned char* digits, bool negative, char* out) const {
  const int count = integerDigits_ + fractionDigits_;
  bool zero = true;
  for (int k = 0; k < count; ++k) zero = zero && digits[k] == 0;
  const int size = length();
  if (zero && !nine_) {  // every digit position suppressed: blanks, or stars but the point
    for (int i = 0; i < size; ++i) {
      out[i] = !stars_ ? ' ' : (positions_[i].role == ROLE_POINT ? '.' : '*');
    }
    return;
  }
  bool shown = false;       // a digit or the point has been written
  bool suppressed = false;  // a leading zero has been suppressed
  char fill = ' ';
  int firstShown = size;
  int k = 0;
  for (int i = 0; i < size; ++i) {
    const Position& p = positions_[i];
    char c = p.symbol;
    switch (p.role) {
      case ROLE_DIGIT:
        c = static_cast<char>('0' + digits[k++]);
        break;
      case ROLE_SUPPRESS:
      case ROLE_FLOAT:
        if (!shown && digits[k] == 0) {
          fill = p.symbol;
          suppressed = true;
          ++k;
          out[i] = fill;
          continue;
        }
        c = static_cast<char>('0' + digits[k++]);
        break;
      case ROLE_FLOAT_LEAD:
        suppressed = true;
        fill = ' ';
        out[i] = ' ';
        continue;
      case ROLE_POINT:
        break;
      case ROLE_INSERT:
        out[i] = !shown && suppressed ? fill : p.symbol;
        continue;
      case ROLE_CURRENCY:
        out[i] = '$';
        continue;
      case ROLE_PLUS:
        out[i] = negative ? '-' : '+';
        continue;
      case ROLE_MINUS:
        out[i] = negative ? '-' : ' ';
        continue;
      case ROLE_CREDIT:
        out[i] = negative ? p.symbol : ' ';
        continue;
    }
    out[i] = c;
    if (!shown) firstShown = i;
    shown = true;
  }
  if (floating_ == 0) return;
  const int target = floatTarget(firstShown);
  if (target < 0) return;
  out[target] = floating_ == '$' ? '$' : (negative ? '-' : floating_ == '+' ? '+' : ' ');
}

// Where the floating symbol goes: the last position of the floating string before the
// first digit or point shown.
int CCBNumericEditor::floatTarget(int firstShown) const {
  for (int i = firstShown - 1; i >= leadIndex_ && i >= 0; --i) {
    const Role role = positions_[i].role;
    if (role == ROLE_FLOAT_LEAD || role == ROLE_FLOAT || role == ROLE_INSERT) return i;
  }
  return -1;
}

void CCBNumericEditor::read(const char* text, int length, unsigned char* digits,
                            bool* negative) const {
  int k = 0;
  *negative = false;
  const int size = this->length();
  for (int i = 0; i < size; ++i) {
    const Role role = positions_[i].role;
    const char c = i < length ? text[i] : ' ';
    if (role == ROLE_DIGIT || role == ROLE_SUPPRESS || role == ROLE_FLOAT) {
      digits[k++] = static_cast<unsigned char>(isDigit(c) ? c - '0' : 0);
    }
    if (c == '-' || (role == ROLE_CREDIT && (c == 'C' || c == 'D'))) *negative = true;
  }
}
