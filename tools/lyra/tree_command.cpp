#include "command_support.h"
#include "commands.h"
#include "layout_options.h"

namespace {

const CommandHelp TREE_HELP = {
    "tree",
    "lyra tree [options] LAYOUT",
    "Prints the layout tree of a COBOL copybook or an XML layout document: every\n"
    "node as \"[name]->level\" with its properties as \"-->name=value\", indented by\n"
    "its level number. --float-format, --national-utf16 and --odo-layout change the\n"
    "layout, and the copybook options (--source-format, --margin, --copy-path,\n"
    "--strict) say how it is written, as for 'lyra columns'.\n",
};

const OptionDef TREE_OPTIONS[] = {
    LAYOUT_OPTION_ROWS,
    {"help", 'h', ARGUMENT_NONE, "", "show this help"},
};

// The library prints through the same standard output; it is flushed once, at the
// end, so that a failed write keeps its reason until then.
int printTree(CCBMain* service, const CommandLine&) {
  lyra_print(service->getRoot());
  return EXIT_OK;
}

}  // namespace

int runTree(const std::vector<std::string>& args) {
  return runLayoutCommand(TREE_HELP, TREE_OPTIONS, sizeof TREE_OPTIONS / sizeof TREE_OPTIONS[0],
                          args, printTree);
}
