#include "command_line.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace {

// "-c, --copybook FILE[=ID]" for one option.
std::string optionNames(const OptionDef& def) {
  std::string names = def.shortName != 0 ? std::string("-") + def.shortName + ", " : "    ";
  names += std::string("--") + def.longName;
  if (def.argument == ARGUMENT_REQUIRED || def.argument == ARGUMENT_REPEATED) {
    names += std::string(" ") + def.valueName;
  }
  if (def.argument == ARGUMENT_NUMBER) names += std::string(" [") + def.valueName + "]";
  return names;
}

// An argument that is an option, which no option takes as its value.
bool isOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

std::string shownName(const OptionDef& def) {
  return std::string("--") + def.longName;
}

}  // namespace

bool allDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool parseCount(const std::string& text, int* number) {
  int64_t value = 0;
  if (!parseCount64(text, &value) || value > INT_MAX) return false;
  *number = static_cast<int>(value);
  return true;
}

// Digit by digit, so that no text, however long, can overflow.
bool parseCount64(const std::string& text, int64_t* number) {
  if (!allDigits(text)) return false;
  int64_t value = 0;
  for (char c : text) {
    const int digit = c - '0';
    if (value > (INT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *number = value;
  return true;
}

bool parseNumber(const char* name, const std::string& text, int64_t minimum, int64_t maximum,
                 int64_t* number, std::string* error) {
  int64_t value = 0;
  const bool read = parseCount64(text, &value);
  if (read && value >= minimum && value <= maximum) {
    *number = value;
    return true;
  }
  *error = std::string("invalid --") + name + " '" + text + "': ";
  if (allDigits(text) && (!read || value > maximum)) {
    *error += "the value is too large (at most " + std::to_string(maximum) + ")";
  } else {
    *error += "expected a whole number of at least " + std::to_string(minimum);
  }
  return false;
}

bool CommandLine::parse(const std::vector<std::string>& args, std::string* error) {
  bool optionsEnded = false;
  for (size_t next = 0; next < args.size();) {
    const std::string& arg = args[next++];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positionals_.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg[1] == '-') {
      if (!parseLong(arg, args, &next, error)) return false;
    } else if (!parseShort(arg, args, &next, error)) {
      return false;
    }
  }
  return true;
}

bool CommandLine::parseLong(const std::string& arg, const std::vector<std::string>& args,
                            size_t* next, std::string* error) {
  const size_t equals = arg.find('=');
  const std::string name =
      arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
  const OptionDef* def = findLong(name);
  if (def == nullptr) {
    *error = "unknown option '--" + name + "'";
    return false;
  }
  if (equals == std::string::npos) return takeValue(def, "--" + name, args, next, error);
  if (def->argument == ARGUMENT_NONE) {
    *error = "option '--" + name + "' takes no value";
    return false;
  }
  return add(def, arg.substr(equals + 1), error);
}

// A group of flags (-qv), or one option with its value attached (-cFILE) or next.
bool CommandLine::parseShort(const std::string& arg, const std::vector<std::string>& args,
                             size_t* next, std::string* error) {
  for (size_t i = 1; i < arg.size(); ++i) {
    const OptionDef* def = findShort(arg[i]);
    if (def == nullptr) {
      *error = std::string("unknown option '-") + arg[i] + "'";
      return false;
    }
    if (def->argument == ARGUMENT_NONE) {
      occurrences_.push_back({def, std::string()});
      continue;
    }
    if (i + 1 < arg.size()) return add(def, arg.substr(i + 1), error);
    return takeValue(def, std::string("-") + arg[i], args, next, error);
  }
  return true;
}

// The value of an option written without '=': the next argument, when it needs one.
bool CommandLine::takeValue(const OptionDef* def, const std::string& shown,
                            const std::vector<std::string>& args, size_t* next,
                            std::string* error) {
  const bool more = *next < args.size();
  if (def->argument == ARGUMENT_REQUIRED || def->argument == ARGUMENT_REPEATED) {
    if (!more || isOption(args[*next])) {
      *error = "option '" + shown + "' needs a value (" + def->valueName + ")";
      return false;
    }
    if (*next + 1 == args.size()) lastTaken_ = def->longName;
    return add(def, args[(*next)++], error);
  }
  if (def->argument == ARGUMENT_NUMBER && more && allDigits(args[*next])) {
    if (*next + 1 == args.size()) lastTaken_ = def->longName;
    return add(def, args[(*next)++], error);
  }
  occurrences_.push_back({def, std::string()});
  return true;
}

// A value of an option that takes one value: given again, it must be the same.
bool CommandLine::add(const OptionDef* def, const std::string& value, std::string* error) {
  for (const OptionOccurrence& o : occurrences_) {
    if (o.def != def || def->argument == ARGUMENT_REPEATED || o.value == value) continue;
    *error = "option '" + shownName(*def) + "' given twice with different values ('" + o.value +
             "' and '" + value + "')";
    return false;
  }
  occurrences_.push_back({def, value});
  return true;
}

std::string CommandLine::missingPositional(const char* what) const {
  std::string message = std::string("no ") + what + " given";
  if (!lastTaken_.empty()) {
    message += ": --" + lastTaken_ + " took '" + value(lastTaken_.c_str()) +
               "', the last argument, as its value";
  }
  return message;
}

bool CommandLine::has(const char* longName) const {
  return std::any_of(occurrences_.begin(), occurrences_.end(), [&](const OptionOccurrence& o) {
    return std::strcmp(o.def->longName, longName) == 0;
  });
}

std::string CommandLine::value(const char* longName) const {
  std::string result;
  for (const OptionOccurrence& o : occurrences_) {
    if (std::strcmp(o.def->longName, longName) == 0) result = o.value;
  }
  return result;
}

std::string CommandLine::optionHelp() const {
  size_t width = 0;
  for (int i = 0; i < count_; ++i) width = std::max(width, optionNames(defs_[i]).size());
  std::string text;
  for (int i = 0; i < count_; ++i) {
    const std::string names = optionNames(defs_[i]);
    std::string help = defs_[i].help;
    // Continuation lines of a help text line up with its first line.
    for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1)) {
      help.insert(at + 1, width + 4, ' ');
    }
    text += "  " + names + std::string(width - names.size() + 2, ' ') + help + "\n";
  }
  return text;
}

const OptionDef* CommandLine::findLong(const std::string& name) const {
  for (int i = 0; i < count_; ++i) {
    if (name == defs_[i].longName) return &defs_[i];
  }
  return nullptr;
}

const OptionDef* CommandLine::findShort(char name) const {
  for (int i = 0; i < count_; ++i) {
    if (defs_[i].shortName != 0 && defs_[i].shortName == name) return &defs_[i];
  }
  return nullptr;
}
