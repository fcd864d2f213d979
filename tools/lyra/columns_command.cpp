#include <algorithm>
#include <cstdio>

#include "command_support.h"
#include "commands.h"
#include "layout_options.h"
#include "output_text.h"

namespace {

const CommandHelp COLUMNS_HELP = {
    "columns",
    "lyra columns [options] LAYOUT",
    "Lists the output columns of a layout: index, name, type (integer, real or\n"
    "string) and text length, then the maximum record length in bytes. LAYOUT is a\n"
    "COBOL copybook or an XML layout document.\n"
    "\n"
    "--float-format and --national-utf16 change the layout: give them as to 'lyra\n"
    "read', so that the columns and lengths are those it reads.\n"
    "\n"
    "Copybooks are read tolerantly: free or fixed form (--source-format, --margin),\n"
    "COPY statements expanded (from the copybook's folder, then each --copy-path),\n"
    "compiler directives and listing lines (EJECT, SKIP1, TITLE, CBL) skipped and\n"
    "COMP-0 read as binary. --strict reads them by the classic rules alone.\n",
};

const OptionDef COLUMNS_OPTIONS[] = {
    FLOAT_FORMAT_OPTION,
    NATIONAL_UTF16_OPTION,
    SOURCE_FORMAT_OPTION,
    MARGIN_OPTION,
    COPY_PATH_OPTION,
    STRICT_OPTION,
    {"help", 'h', ARGUMENT_NONE, "", "show this help"},
};

struct TypeName {
  int type;
  const char* name;
};

const TypeName TYPE_NAMES[] = {
    {QVB_TYPE_INTEGER, "integer"},  //
    {QVB_TYPE_REAL, "real"},        //
    {QVB_TYPE_STRING, "string"},    //
};

const char* typeName(int type) {
  for (const TypeName& t : TYPE_NAMES) {
    if (t.type == type) return t.name;
  }
  return "unknown";
}

// The root's derived property "max_record_size".
std::string maxRecordSize(const CCBDefNode* root) {
  for (int i = 0; i < root->getPropertyCount(); ++i) {
    if (root->getPropertyName(i).compare("max_record_size", true) == 0) {
      bool optional = false;
      return root->getProperty(i, &optional).str();
    }
  }
  return "unknown";
}

int listColumns(CCBMain* service, const CommandLine&) {
  struct Row {
    std::string name;
    int type;
    int length;
  };
  std::vector<Row> rows;
  size_t nameWidth = 4;
  for (int i = 0; i < service->getOutputCount(); ++i) {
    QvbString name;
    Row row{std::string(), 0, 0};
    service->getOutputInfo(i, name, row.type, row.length);
    row.name = name.str();
    nameWidth = std::max(nameWidth, row.name.size());  // one character per byte
    rows.push_back(row);
  }
  std::printf("%-5s  %-*s  %-7s  %s\n", "INDEX", static_cast<int>(nameWidth), "NAME", "TYPE",
              "LENGTH");
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string padding(nameWidth - rows[i].name.size(), ' ');
    std::printf("%-5zu  %s%s  %-7s  %d\n", i, toUtf8(rows[i].name).c_str(), padding.c_str(),
                typeName(rows[i].type), rows[i].length);
  }
  std::printf("Maximum record length: %s\n", maxRecordSize(service->getRoot()).c_str());
  return EXIT_OK;
}

}  // namespace

int runColumns(const std::vector<std::string>& args) {
  return runLayoutCommand(COLUMNS_HELP, COLUMNS_OPTIONS,
                          sizeof COLUMNS_OPTIONS / sizeof COLUMNS_OPTIONS[0], args, listColumns);
}
