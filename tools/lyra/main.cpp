// lyra: reads fixed-format record files described by COBOL copybooks, on the
// command line. A host of the lyra library like any other: it uses only the public
// interface. Each command lives in its own file; this one picks the command.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_support.h"
#include "commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>& args);
  const char* summary;
};

const Command COMMANDS[] = {
    {"columns", runColumns, "list the output columns of a layout"},         //
    {"tree", runTree, "print the layout tree of a layout"},                 //
    {"convert", runConvert, "save a layout as an XML layout document"},     //
    {"read", runRead, "decode a data file to CSV, JSON lines or a table"},  //
    {"splits", runSplits, "print where ranges of a data file may start"},   //
    {"write", runWrite, "write rows of CSV or JSON lines as records"},      //
    {"diagnose", runDiagnose, "tell how to read a data file"},              //
    {"verify", runVerify, "check every value of a data file"},              //
};

void printToolHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: lyra COMMAND [options] [arguments]\n\n"
               "Reads fixed-format record files described by COBOL copybooks.\n"
               "A LAYOUT is a COBOL copybook or an XML layout document (lyra convert).\n\n"
               "Commands:\n");
  for (const Command& command : COMMANDS) {
    std::fprintf(out, "  %-8s  %s\n", command.name, command.summary);
  }
  std::fprintf(out,
               "\nRun 'lyra help COMMAND' (or 'lyra COMMAND --help') for the options of a\n"
               "command.\n"
               "Exit status: 0 on success, 1 on a data or layout error, 2 on a usage error,\n"
               "3 when 'lyra read' or 'lyra write' passed over bad records or rows\n"
               "(--max-errors) and went on to the end.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printToolHelp(stderr);
    return EXIT_USAGE;
  }
  std::string name = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (name == "help" && args.size() == 1) {  // lyra help COMMAND: the command's --help
    name = args[0];
    args = {"--help"};
  }
  if (name == "--help" || name == "-h" || name == "help") {
    printToolHelp(stdout);
    return finishStandardOutput(nullptr, EXIT_OK);
  }
  if (name == "--version") {
    std::printf("lyra %s\n", LYRA_VERSION);
    return finishStandardOutput(nullptr, EXIT_OK);
  }
  for (const Command& command : COMMANDS) {
    if (name == command.name) return command.run(args);
  }
  std::fprintf(stderr, "lyra: unknown command '%s'\nRun 'lyra --help' for the commands.\n",
               name.c_str());
  return EXIT_USAGE;
}
