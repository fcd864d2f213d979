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
    "--float-format, --national-utf16 and --odo-layout change the layout, as for\n"
    "'lyra read'. The document records them, so it loads back into the same layout\n"
    "without them.\n"
    "The copybook options (--source-format, --margin, --copy-path, --strict) say how\n"
    "the copybook is written, as for 'lyra columns'; the document holds the layout\n"
    "with every COPY member expanded.\n",
};

const OptionDef CONVERT_OPTIONS[] = {
    LAYOUT_OPTION_ROWS,
    {"output", 'o', ARGUMENT_REQUIRED, "OUT.xml",
     "the XML layout document to write (- for\nstandard output)"},
    {"help", 'h', ARGUMENT_NONE, "", "show this help"},
};

// The document goes to a temporary file put in place at the end, as `read -o` writes,
// so that a failed write leaves an existing document as it was. Every file the layout
// was read from is an input the output must not replace.
int convertLayout(CCBLayoutService* service, const CommandLine& line) {
  const std::string output = line.value("output");
  const std::string path = output == STANDARD_OUTPUT ? "" : output;
  std::string error = path.empty() ? "" : overwrittenInput("-o", path, layoutFiles(service));
  if (!error.empty()) return reportUsageError(CONVERT_HELP.name, error);
  QvbString xml;
  if (!service->saveLayoutXml(xml)) {
    return reportFailure(CONVERT_HELP.name, messageText(service->getErrorMessage()));
  }
  OutputFile file(path);
  if (!file.open(&error)) return reportFailure(CONVERT_HELP.name, error);
  file.write(xml.str());
  if (file.commit(&error)) return EXIT_OK;
  return error.empty() ? EXIT_FAILED : reportFailure(CONVERT_HELP.name, error);
}

std::string checkOutput(const CommandLine& line) {
  return line.value("output").empty() ? "no output file: give one with -o OUT.xml" : "";
}

}  // namespace

int runConvert(const std::vector<std::string>& args) {
  return runLayoutCommand(CONVERT_HELP, CONVERT_OPTIONS,
                          sizeof CONVERT_OPTIONS / sizeof CONVERT_OPTIONS[0], args, convertLayout,
                          checkOutput);
}
