#include "layout_options.h"

bool parseLayoutOptions(const CommandLine& line, CCBLayoutOptions* options, std::string* error) {
  options->setNationalUtf16(line.has("national-utf16"));
  if (!line.has("float-format")) return true;
  const std::string name = line.value("float-format");
  CCBFloatFormat format = CCB_FLOAT_NONE;
  if (!ccbFloatFormatFromName(name.c_str(), &format)) {
    *error = "unknown --float-format '" + name + "': use ibm, ieee or ieee-le";
    return false;
  }
  options->setFloatFormat(format);
  return true;
}
