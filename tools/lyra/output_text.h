// Text conversions of the output formats. Everything the tool writes is UTF-8: the
// reader gives values in UTF-8, while names come from the copybook's bytes, read as
// ISO-8859-1, one byte per character.
#ifndef LYRA_TOOLS_OUTPUT_TEXT_H_
#define LYRA_TOOLS_OUTPUT_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

// The ISO-8859-1 text in UTF-8.
std::string toUtf8(const std::string& latin1);

// Text of mixed or unknown encoding made valid UTF-8: each well-formed UTF-8
// sequence stays as it is, every other byte is read as an ISO-8859-1 character.
std::string repairUtf8(const std::string& bytes);

// The number of characters of UTF-8 text: the bytes that are no continuation byte.
size_t utf8Length(const std::string& utf8);

// Appends the UTF-8 text to out as a quoted JSON string: quote and backslash
// escaped, control characters as \uXXXX, every other byte as it stands.
void appendJsonString(std::string_view utf8, std::string* out);

// Turns decoded numeric text into a JSON number: blanks around it and a leading '+'
// or blank are dropped, leading zeros removed, a point without a digit before it
// gets a "0" and one without a digit after it is dropped (" 007.50" gives "7.50",
// "-.05" gives "-0.05", "+12." gives "12"); an exponent is kept ("1e-20",
// "-2.5E+38"). False for any text that holds no decimal number, such as "#ERR#" or
// blanks only.
bool toJsonNumber(std::string_view text, std::string* number);

#endif  // LYRA_TOOLS_OUTPUT_TEXT_H_
