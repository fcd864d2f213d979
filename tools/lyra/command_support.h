// What the commands of the lyra tool share: exit statuses, how errors and help are
// reported, and the frame of the commands that work on one layout file (columns,
// tree, convert). Errors go to standard error as "lyra COMMAND: message"; help goes
// to standard output.
#ifndef LYRA_TOOLS_COMMAND_SUPPORT_H_
#define LYRA_TOOLS_COMMAND_SUPPORT_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "command_line.h"

enum ExitStatus {
  EXIT_OK = 0,
  EXIT_FAILED = 1,       // a data or layout error
  EXIT_USAGE = 2,        // the command line is wrong
  EXIT_PASSED_OVER = 3,  // read to the end, passing over bad records (--max-errors)
};

struct CommandHelp {
  const char* name;         // "columns"
  const char* usage;        // "lyra columns LAYOUT"
  const char* description;  // what the command does, one or more lines
};

// Print the message and return EXIT_USAGE or EXIT_FAILED.
int reportUsageError(const char* command, const std::string& message);
int reportFailure(const char* command, const std::string& message);

// Writes the help of a command to standard output; returns the exit status, as
// writeStandardOutput does.
int printHelp(const CommandHelp& help, const CommandLine& line);

// Writes out standard output once a command (null: the tool itself) has written
// everything; returns status when all of it got there. Otherwise EXIT_FAILED, after
// "lyra COMMAND: cannot write standard output: <reason>", or quietly when the pipe
// was closed.
int finishStandardOutput(const char* command, int status);
// Reports a failed write to standard output with the error number it failed with:
// "lyra COMMAND: cannot write standard output: <reason>", or nothing for a closed
// pipe. Returns EXIT_FAILED.
int reportWriteFailure(const char* command, int code);
// Writes text to standard output at once, then finishes it as finishStandardOutput
// does: the reason of a failed write is the one of that write, also for a text
// longer than the stream's buffer.
int writeStandardOutput(const char* command, const std::string& text, int status);

struct ReleaseService {
  void operator()(CCBMain* service) const { service->release(); }
};
using ServicePtr = std::unique_ptr<CCBLayoutService, ReleaseService>;

using LayoutAction = std::function<int(CCBLayoutService* service, const CommandLine& line)>;
// A usage check of a command's own options: the message, or empty when they are fine.
using OptionCheck = std::function<std::string(const CommandLine& line)>;

// Reads the arguments of a command that takes one LAYOUT (a copybook or an XML
// layout document), checks them (when check is set), loads the layout into a new
// layout service with the layout options of the command line (layout_options.h;
// those the command's table holds) and runs the action on it.
int runLayoutCommand(const CommandHelp& help, const OptionDef* defs, int count,
                     const std::vector<std::string>& args, const LayoutAction& action,
                     const OptionCheck& check = nullptr);

#endif  // LYRA_TOOLS_COMMAND_SUPPORT_H_
