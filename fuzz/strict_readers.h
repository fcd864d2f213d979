// Strict readers of what the tool writes, for the writers' fuzz target: a UTF-8
// check, RFC 4180 CSV with CRLF rows, and JSON lines of flat objects. They accept only well-formed
// text and give false for anything else, so that a round trip through a writer and a reader shows
// every fault of the writer. Free functions over strings; no state.
#ifndef LYRA_FUZZ_STRICT_READERS_H_
#define LYRA_FUZZ_STRICT_READERS_H_

#include <string>
#include <vector>

// True when text is well-formed UTF-8: no stray or missing continuation bytes, no
// overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const std::string& text);

// Reads CSV text: records end in CRLF (the last one too); a field is either
// unquoted (no comma, double quote, CR or LF) or quoted with its double quotes
// doubled. An empty text has no records.
bool readCsv(const std::string& text, std::vector<std::vector<std::string>>* records);

enum JsonKind { JSON_STRING, JSON_NUMBER, JSON_NULL };

struct JsonMember {
  std::string key;   // decoded
  JsonKind kind;     //
  std::string text;  // a string's decoded characters or a number as written
};

// Reads JSON lines from UTF-8 text: every line ends in LF and holds one object whose
// members (in order, duplicates kept) have string keys and string, number or null
// values. Escapes are decoded to UTF-8; a \u escape of a surrogate, a raw control
// character in a string, a number outside the JSON grammar, or any other value
// (true, false, arrays, nested objects) makes the text unreadable.
bool readJsonLines(const std::string& utf8, std::vector<std::vector<JsonMember>>* lines);

#endif  // LYRA_FUZZ_STRICT_READERS_H_
