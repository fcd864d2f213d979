// CommandLine reads the arguments of one command against a table of the options the
// command accepts: long options (--name VALUE, --name=VALUE), short ones (-n VALUE,
// -nVALUE, -abc for flags), "--" to end the options, and positional arguments. Every
// occurrence is kept in order, so that repeatable options keep their order. A value
// must be there: the next argument is not taken for one when it is an option (it
// starts with '-' and is not "-" alone), and an option that is not repeatable is given
// one value only. It also formats the option table for --help. It owns copies of the
// argument texts.
#ifndef LYRA_TOOLS_COMMAND_LINE_H_
#define LYRA_TOOLS_COMMAND_LINE_H_

#include <cstdint>
#include <string>
#include <vector>

enum OptionArgument {
  ARGUMENT_NONE,      // a flag
  ARGUMENT_REQUIRED,  // always takes a value; given again, only the same one
  ARGUMENT_REPEATED,  // always takes a value, and may be given again with another
  ARGUMENT_NUMBER,    // takes a value only when it is given with '=' or is all digits
};

struct OptionDef {
  const char* longName;  // without the leading "--"
  char shortName;        // 0 when there is none
  OptionArgument argument;
  const char* valueName;  // shown in the help, e.g. "FILE[=ID]"
  const char* help;
};

struct OptionOccurrence {
  const OptionDef* def;
  std::string value;  // empty for flags and for a number option given without one
};

class CommandLine {
 public:
  CommandLine(const OptionDef* defs, int count) : defs_(defs), count_(count) {}

  // Reads the arguments that follow the command name. False with a message on an
  // unknown option or a missing value.
  bool parse(const std::vector<std::string>& args, std::string* error);

  bool has(const char* longName) const;
  // The value of the last occurrence; empty when there is none.
  std::string value(const char* longName) const;
  const std::vector<OptionOccurrence>& occurrences() const { return occurrences_; }
  const std::vector<std::string>& positionals() const { return positionals_; }

  // One line per option: the names and value, then the help text in a column.
  std::string optionHelp() const;
  // The message for a missing positional argument (what: "data file"): "no data file
  // given", and where the last argument was taken as an option's value, says so.
  std::string missingPositional(const char* what) const;

 private:
  const OptionDef* findLong(const std::string& name) const;
  const OptionDef* findShort(char name) const;
  bool parseLong(const std::string& arg, const std::vector<std::string>& args, size_t* next,
                 std::string* error);
  bool parseShort(const std::string& arg, const std::vector<std::string>& args, size_t* next,
                  std::string* error);
  bool takeValue(const OptionDef* def, const std::string& shown,
                 const std::vector<std::string>& args, size_t* next, std::string* error);
  bool add(const OptionDef* def, const std::string& value, std::string* error);

  const OptionDef* defs_;
  int count_;
  std::vector<OptionOccurrence> occurrences_;
  std::vector<std::string> positionals_;
  std::string lastTaken_;  // the long name of the option that took the last argument
};

// True for a text of decimal digits only, at least one.
bool allDigits(const std::string& text);
// Reads a whole non-negative decimal number that fits an int; false otherwise.
bool parseCount(const std::string& text, int* number);
// The same for a number that fits 64 bits: sizes and offsets in a file.
bool parseCount64(const std::string& text, int64_t* number);
// Reads the value of option --name, a whole number from minimum to maximum; false
// with "invalid --name 'text': ..." otherwise.
bool parseNumber(const char* name, const std::string& text, int64_t minimum, int64_t maximum,
                 int64_t* number, std::string* error);

#endif  // LYRA_TOOLS_COMMAND_LINE_H_
