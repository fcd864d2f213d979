// CCBCopyReplacing is the REPLACING phrase of one COPY statement: pairs of text to
// find and text to put in its place, applied to each statement of the member.
//
// The text is compared as words: a statement is split at blanks outside quotes,
// and a literal (a word with a quote) is one word, quotes included. Words compare
// without regard to letter case, literals exactly. At each word of the statement the
// pairs are tried in the order written; the first that matches replaces, and
// matching goes on after the words it replaced (a replacement is never searched
// again). Modes:
// - REPLACE_WORDS: pseudo-text, a word or a literal matches the same sequence of
//   whole words; "====" as the replacement removes them.
// - REPLACE_LEADING, REPLACE_TRAILING: one word matches the start or the end of a
//   word that is no literal, which keeps the rest.
// - REPLACE_TAG: a single word enclosed in colons (":PFX:") matches wherever it
//   stands inside a word that is no literal, each time, so that "==:PFX:== BY
//   ==CUST==" turns ":PFX:-NAME" into "CUST-NAME". add() chooses this mode for such
//   a word given as REPLACE_WORDS.
// A statement with nothing replaced is left as it was; one with a replacement is
// rebuilt with one blank between words. Text spans no statement: a match never
// crosses the period that ends one. A value; one thread uses it at a time.
#ifndef LYRA_PARSE_CCB_COPY_REPLACING_H_
#define LYRA_PARSE_CCB_COPY_REPLACING_H_

#include <string>
#include <unordered_map>
#include <vector>

#include "lyra/qvb_string.h"

enum CCBReplaceMode {
  REPLACE_WORDS,
  REPLACE_LEADING,
  REPLACE_TRAILING,
  REPLACE_TAG,
};

// The most pairs one REPLACING phrase may have.
const int MAX_REPLACING_PAIRS = 64;

class CCBCopyReplacing {
 public:
  // Adds the pair that replaces from by to (each as written between "==" marks, or
  // a word or literal). False with a message for an empty from, for LEADING or
  // TRAILING with more than one word, and past MAX_REPLACING_PAIRS.
  bool add(const std::string& from, const std::string& to, CCBReplaceMode mode, QvbString& error);
  bool empty() const { return pairs_.empty(); }

  // Replaces in statement text. False with a message when the result would be
  // longer than MAX_STATEMENT_LENGTH; text is then unchanged.
  bool apply(std::string& text, QvbString& error) const;

 private:
  struct Pair {
    std::vector<std::string> from;
    std::vector<std::string> to;
    std::string toText;  // the words of to, as one text
    CCBReplaceMode mode;
  };

  size_t replaceAt(const std::vector<std::string>& words, size_t at,
                   std::vector<std::string>* out) const;
  static size_t match(const Pair& pair, const std::vector<std::string>& words, size_t at,
                      std::vector<std::string>* out);

  std::vector<Pair> pairs_;
  // The REPLACE_WORDS pairs by their first word as it compares (upper case, or a
  // literal as written), and the other pairs, each list in the order written: a
  // statement's word is compared with the few pairs that may match it.
  std::unordered_map<std::string, std::vector<size_t>> byFirstWord_;
  std::vector<size_t> partial_;
};

// The words of text: split at blanks outside quotes, quotes kept.
std::vector<std::string> splitCopyWords(const std::string& text);

#endif  // LYRA_PARSE_CCB_COPY_REPLACING_H_
