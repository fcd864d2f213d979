#include "layout_options.h"

namespace {

const int FIRST_MARGIN = 8;  // the first column of the fixed form's content area

bool readFloatFormat(const CommandLine& line, CCBLayoutOptions* options, std::string* error) {
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

bool readSourceFormat(const CommandLine& line, CCBLayoutOptions* options, std::string* error) {
  if (!line.has("source-format")) return true;
  const std::string name = line.value("source-format");
  CCBSourceFormat format = CCB_SOURCE_FIXED;
  if (!ccbSourceFormatFromName(name.c_str(), &format)) {
    *error = "unknown --source-format '" + name + "': use fixed or free";
    return false;
  }
  options->setSourceFormat(format);
  return true;
}

bool readOdoLayout(const CommandLine& line, CCBLayoutOptions* options, std::string* error) {
  if (!line.has("odo-layout")) return true;
  const std::string name = line.value("odo-layout");
  CCBOdoLayout layout = CCB_ODO_SHIFT;
  if (!ccbOdoLayoutFromName(name.c_str(), &layout)) {
    *error = "unknown --odo-layout '" + name + "': use shift or max";
    return false;
  }
  options->setOdoLayout(layout);
  return true;
}

bool readMargin(const CommandLine& line, CCBLayoutOptions* options, std::string* error) {
  if (!line.has("margin")) return true;
  const std::string text = line.value("margin");
  int column = 0;
  if (text != "none" &&
      (!parseCount(text, &column) || column < FIRST_MARGIN || column > MAX_MARGIN)) {
    *error = "invalid --margin '" + text + "': give a column from " + std::to_string(FIRST_MARGIN) +
             " to " + std::to_string(MAX_MARGIN) + ", or none";
    return false;
  }
  options->setMargin(column);
  return true;
}

}  // namespace

bool parseLayoutOptions(const CommandLine& line, CCBLayoutOptions* options, std::string* error) {
  options->setNationalUtf16(line.has("national-utf16"));
  options->setStrict(line.has("strict"));
  for (const OptionOccurrence& occurrence : line.occurrences()) {
    if (occurrence.def->longName == std::string("copy-path")) {
      options->addCopyPath(occurrence.value.c_str());
    }
  }
  return readFloatFormat(line, options, error) && readSourceFormat(line, options, error) &&
         readMargin(line, options, error) && readOdoLayout(line, options, error);
}
