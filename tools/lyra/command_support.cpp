#include "command_support.h"

#include <cerrno>
#include <cstdio>

#include "layout_options.h"
#include "layout_source.h"
#include "output_file.h"

int reportUsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "lyra %s: %s\nTry 'lyra %s --help' for more information.\n", command,
               message.c_str(), command);
  return EXIT_USAGE;
}

int reportFailure(const char* command, const std::string& message) {
  std::fprintf(stderr, "lyra %s: %s\n", command, message.c_str());
  return EXIT_FAILED;
}

int reportWriteFailure(const char* command, int code) {
  const std::string message = writeFailure("standard output", code);
  if (!message.empty()) {
    std::fprintf(stderr, "lyra%s%s: %s\n", command != nullptr ? " " : "",
                 command != nullptr ? command : "", message.c_str());
  }
  return EXIT_FAILED;
}

int finishStandardOutput(const char* command, int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  return reportWriteFailure(command, errno);
}

int writeStandardOutput(const char* command, const std::string& text, int status) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    return reportWriteFailure(command, errno);
  }
  return finishStandardOutput(command, status);
}

int printHelp(const CommandHelp& help, const CommandLine& line) {
  const std::string text = std::string("Usage: ") + help.usage + "\n\n" + help.description +
                           "\nOptions:\n" + line.optionHelp();
  return writeStandardOutput(help.name, text, EXIT_OK);
}

namespace {

// What is wrong with the arguments of a layout command, or empty; the layout
// options go to *options.
std::string layoutUsageError(const CommandLine& line, const OptionCheck& check,
                             CCBLayoutOptions* options) {
  if (line.positionals().size() != 1) {
    return line.positionals().empty() ? line.missingPositional("layout file")
                                      : "more than one layout file given";
  }
  std::string error;
  if (check && !(error = check(line)).empty()) return error;
  parseLayoutOptions(line, options, &error);
  return error;
}

}  // namespace

int runLayoutCommand(const CommandHelp& help, const OptionDef* defs, int count,
                     const std::vector<std::string>& args, const LayoutAction& action,
                     const OptionCheck& check) {
  CommandLine line(defs, count);
  std::string error;
  if (!line.parse(args, &error)) return reportUsageError(help.name, error);
  if (line.has("help")) return printHelp(help, line);
  CCBLayoutOptions options;
  if (!(error = layoutUsageError(line, check, &options)).empty()) {
    return reportUsageError(help.name, error);
  }
  ServicePtr service(createCCBLayoutService());
  if (service == nullptr) return reportFailure(help.name, "cannot create a layout service");
  service->setLayoutOptions(options);
  if (!loadLayout(service.get(), line.positionals()[0], &error)) {
    return reportFailure(help.name, error);
  }
  return finishStandardOutput(help.name, action(service.get(), line));
}
