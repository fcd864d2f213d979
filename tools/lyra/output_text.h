// Text conversions of the output formats. Decoded values and names are ISO-8859-1,
// one byte per character; everything the tool writes is UTF-8.
#ifndef LYRA_TOOLS_OUTPUT_TEXT_H_
#define LYRA_TOOLS_OUTPUT_TEXT_H_

#include <string>

// Appends the ISO-8859-1 text to out in UTF-8.
void appendUtf8(const std::string& latin1, std::string* out);
std::string toUtf8(const std::string& latin1);

// Appends the ISO-8859-1 text to out as a quoted JSON string in UTF-8.
void appendJsonString(const std::string& latin1, std::string* out);

// Turns decoded numeric text into a JSON number: blanks around it and a leading '+'
// or blank are dropped, leading zeros removed, a point without a digit before it
// gets a "0" and one without a digit after it is dropped (" 007.50" gives "7.50",
// "-.05" gives "-0.05", "+12." gives "12"). False for any text that holds no
// decimal number, such as "#ERR#" or blanks only.
bool toJsonNumber(const std::string& text, std::string* number);

#endif  // LYRA_TOOLS_OUTPUT_TEXT_H_
