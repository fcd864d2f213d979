#include "command_support.h"
#include "commands.h"
#include "layout_options.h"
#include "layout_source.h"
#include "output_file.h"

namespace {

const CommandHelp CONVERT_HELP = {
    "convert",
    "lyra convert [options] LAYOUT -o OUT.xml",
    "Saves the layout of a COBOL copybook (or of an XML layout document) as an XML\n"
    "layout document, which `lyra read --layout` and the library load without the\n"
    "copybook.\n"
    "\n"
    "--float-format and --national-utf16 change the layout, as for 'lyra read'. The\n"
    "document records them, so it loads back into the same layout without them.\n"
    "The copybook options (--source-format, --margin, --copy-path, --strict) say how\n"
    "the copybook is written, as for 'lyra columns'; the document holds the layout\n"
    "with every COPY member expanded.\n",
};

const OptionDef CONVERT_OPTIONS[] = {
    LAYOUT_OPTION_ROWS,
    {"output", 'o', ARGUMENT_REQUIRED, "OUT.xml", "the XML layout document to write"},
    {"help", 'h', ARGUMENT_NONE, "", "show this help"},
};

int convertLayout(CCBMain* service, const CommandLine& line) {
  const std::string output = line.value("output");
  if (!service->saveLayoutFile(output.c_str())) {
    return reportFailure(CONVERT_HELP.name,
                         output + ": " + messageText(service->getErrorMessage()));
  }
  return EXIT_OK;
}

// An output that is also the layout would be emptied before the layout is read.
std::string checkOutput(const CommandLine& line) {
  const std::string output = line.value("output");
  if (output.empty()) return "no output file: give one with -o OUT.xml";
  const std::string& layout = line.positionals()[0];
  return isSameFile(output, layout) ? overwrittenInput("-o", output, layout) : "";
}

}  // namespace

int runConvert(const std::vector<std::string>& args) {
  return runLayoutCommand(CONVERT_HELP, CONVERT_OPTIONS,
                          sizeof CONVERT_OPTIONS / sizeof CONVERT_OPTIONS[0], args, convertLayout,
                          checkOutput);
}
