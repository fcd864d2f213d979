// CCBNumericEditor edits numbers as a COBOL MOVE to a numeric-edited item does: the
// digits of the value in the picture's digit positions (9, Z, *, the symbols of a
// floating $, + or - string but the first), leading zeros suppressed where Z, * or a
// floating string stands, the floating symbol just before the first digit shown,
// insertion characters (',', '.', B, 0, '/'), the currency sign '$' and the sign as
// '+', '-', CR or DB. It also reads an edited text back, loosely, into the digits it
// holds: a host that gives an edited text has it edited again and compared.
//
// An editor is built once from a picture and then only read; it owns its table of
// character positions. Const methods may be called from many threads at once.
#ifndef LYRA_FORMAT_CCB_NUMERIC_EDITOR_H_
#define LYRA_FORMAT_CCB_NUMERIC_EDITOR_H_

#include <cstdint>
#include <vector>

class CCBNumericEditor {
 public:
  // The most character positions a picture the editor edits may have.
  static const int MAX_LENGTH = 256;

  // Reads a display picture. False when it is no numeric-edited picture this editor
  // edits: symbols of text (A, X, N, G), S, E, P, a picture without a digit position,
  // with a second point or longer than MAX_LENGTH.
  bool init(const char* picture, int length);

  int length() const { return static_cast<int>(positions_.size()); }  // characters
  int integerDigits() const { return integerDigits_; }
  int fractionDigits() const { return fractionDigits_; }
  bool hasSign() const { return signed_; }  // '+', '-', CR or DB
  // The character position an implied point (V) stands before, where the decoded text
  // shows a '.' that the bytes do not hold; -1 for none.
  int impliedPoint() const { return impliedPoint_; }

  // Writes the edited text (length() ASCII characters) of the digits (integerDigits() +
  // fractionDigits() of them, 0 to 9, most significant first) and the sign to out.
  void edit(const unsigned char* digits, bool negative, char* out) const;
  // Reads the digits an edited text shows at the digit positions (anything but a
  // digit reads as 0) and whether it shows a minus, CR or DB, into digits and
  // *negative. The text may be shorter than the picture.
  void read(const char* text, int length, unsigned char* digits, bool* negative) const;

 private:
  enum Role : uint8_t {
    ROLE_DIGIT,       // 9
    ROLE_SUPPRESS,    // Z or *: a digit, or the fill while no digit has shown
    ROLE_FLOAT,       // a floating string's symbol after its first: like Z
    ROLE_FLOAT_LEAD,  // a floating string's first symbol: no digit
    ROLE_POINT,       // '.'
    ROLE_INSERT,      // ',', B, 0, '/': the fill while no digit has shown after a suppressed one
    ROLE_CURRENCY,    // a single '$'
    ROLE_PLUS,        // a single '+': '+' or '-'
    ROLE_MINUS,       // a single '-': ' ' or '-'
    ROLE_CREDIT,      // C or R of CR, DB: themselves when negative, else ' '
  };
  struct Position {
    Role role;
    char symbol;  // the character written: the digit fill ' ' or '*', the inserted one
  };

  bool addSymbol(char symbol, int count);
  int floatTarget(int firstShown) const;

  std::vector<Position> positions_;
  int integerDigits_ = 0;
  int fractionDigits_ = 0;
  bool point_ = false;
  bool signed_ = false;
  bool nine_ = false;      // a 9: zero always shows a digit
  bool stars_ = false;     // check protection '*'
  char floating_ = 0;      // the floating symbol, '$', '+' or '-'; 0 for none
  int leadIndex_ = -1;     // the position of the floating string's first symbol
  int impliedPoint_ = -1;  // see impliedPoint()
};

#endif  // LYRA_FORMAT_CCB_NUMERIC_EDITOR_H_
