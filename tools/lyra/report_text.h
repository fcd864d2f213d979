// What the reports of `lyra diagnose` and `lyra verify` share: their --format and
// --help options and the hexadecimal text of bytes.
#ifndef LYRA_TOOLS_REPORT_TEXT_H_
#define LYRA_TOOLS_REPORT_TEXT_H_

#include <string>

#include "command_line.h"

inline constexpr OptionDef REPORT_FORMAT_OPTION = {"format", 0, ARGUMENT_REQUIRED, "FORMAT",
                                                   "table (the default) or json"};
inline constexpr OptionDef REPORT_HELP_OPTION = {"help", 'h', ARGUMENT_NONE, "", "show this help"};

// Reads --format into *json (table or json); false with a message for another.
bool parseReportFormat(const CommandLine& line, bool* json, std::string* error);

// "f1 f0 0c": each byte as two lower-case hexadecimal digits, a blank between them.
std::string hexBytes(const std::string& bytes);

#endif  // LYRA_TOOLS_REPORT_TEXT_H_
