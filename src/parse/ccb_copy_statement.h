// CCBCopyStatement reads the text of a COPY statement (its period removed):
//
//   COPY member [IN|OF library] [SUPPRESS]
//        [REPLACING {[LEADING|TRAILING] operand BY operand}...]
//
// where member is a word or a quoted literal, and an operand is pseudo-text
// between "==" marks, a word or a literal. The library is read and not used: members
// are looked up by folder. Keywords are read without regard to letter case. A value
// that owns its texts; one thread uses it at a time.
#ifndef LYRA_PARSE_CCB_COPY_STATEMENT_H_
#define LYRA_PARSE_CCB_COPY_STATEMENT_H_

#include <string>

#include "lyra/qvb_string.h"
#include "parse/ccb_copy_replacing.h"

class CCBCopyStatement {
 public:
  // Reads text, which starts with the word COPY. False with a message
  // ("Invalid COPY statement: ...") when it is not written as above.
  bool parse(const std::string& text, QvbString& error);

  // The member name, without the quotes of a literal.
  const std::string& member() const { return member_; }
  const CCBCopyReplacing& replacing() const { return replacing_; }

 private:
  bool readOperand(const std::string& text, size_t* at, std::string* operand, QvbString& error);
  bool readReplacing(const std::string& text, size_t* at, QvbString& error);
  bool readPair(const std::string& text, size_t* at, QvbString& error);

  std::string member_;
  CCBCopyReplacing replacing_;
};

#endif  // LYRA_PARSE_CCB_COPY_STATEMENT_H_
