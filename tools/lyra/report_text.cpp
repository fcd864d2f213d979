#include "report_text.h"

#include <cstdio>

bool parseReportFormat(const CommandLine& line, bool* json, std::string* error) {
  const std::string format = line.value("format");
  if (line.has("format") && format != "table" && format != "json") {
    *error = "unknown --format '" + format + "': use table or json";
    return false;
  }
  *json = format == "json";
  return true;
}

std::string hexBytes(const std::string& bytes) {
  std::string text;
  char byte[4];
  for (unsigned char c : bytes) {
    std::snprintf(byte, sizeof byte, "%s%02x", text.empty() ? "" : " ", c);
    text += byte;
  }
  return text;
}
