// How plausible a text is as what people write, for telling apart code pages that
// read a file's bytes as different characters where every reading is printable (037
// and 273 put '[' and 'Ä' on the same byte). The characters that code pages disagree
// on are national letters and symbols, so the score looks at those in their context:
// a letter among letters scores, a symbol inside a word ("J}rgen") or a rarely
// written one ('¬', '¤') costs, brackets that pair up score and one that does not
// costs. ASCII letters, digits and blanks score nothing: every page of a family has
// them alike. Free functions over UTF-8 text; nothing is kept.
#ifndef LYRA_TOOLS_TEXT_PLAUSIBILITY_H_
#define LYRA_TOOLS_TEXT_PLAUSIBILITY_H_

#include <string_view>

// The score of one field's text, in UTF-8; higher is more plausible, 0 for text of
// ASCII letters, digits and blanks alone.
int textPlausibility(std::string_view utf8);

#endif  // LYRA_TOOLS_TEXT_PLAUSIBILITY_H_
