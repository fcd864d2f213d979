#include <algorithm>
#include <cstdio>

#include "command_support.h"
#include "commands.h"
#include "layout_options.h"
#include "layout_source.h"
#include "output_text.h"

namespace {

const CommandHelp COLUMNS_HELP = {
    "columns",
    "lyra columns [options] LAYOUT",
    "Lists the output columns of a layout: index, name, type (integer, real or\n"
    "string) and text length, then where each lies in a record: the offset of its\n"
    "first byte, its storage length in bytes and its usage (display, binary, packed,\n"
    "float or national). An offset marked '*' varies from record to record: the\n"
    "column lies inside or after a table of OCCURS DEPENDING ON, and is shown with\n"
    "every such table at its maximum. Last comes the maximum record length: the\n"
    "furthest byte any item reaches, a redefinition longer than what it redefines\n"
    "included. LAYOUT is a COBOL copybook or an XML layout document.\n"
    "\n"
    "--format json writes the same as one JSON document: {\"record_length\": N,\n"
    "\"columns\": [{\"index\", \"name\", \"type\", \"length\", \"offset\", \"storage\",\n"
    "\"usage\", \"variable\"}, ...]}, names in UTF-8.\n"
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
    {"format", 0, ARGUMENT_REQUIRED, "FORMAT", "table (default) or json"},
    LAYOUT_OPTION_ROWS,
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

const char* const TABLE_HEADINGS[] = {"INDEX",  "NAME",    "TYPE", "LENGTH",
                                      "OFFSET", "STORAGE", "USAGE"};
const size_t TABLE_COLUMNS = sizeof TABLE_HEADINGS / sizeof TABLE_HEADINGS[0];
const char* const VARIABLE_NOTE =
    "* the offset varies from record to record with the count of a table of OCCURS\n"
    "  DEPENDING ON; it is shown with every such table at its maximum\n";

// One output column as the layout service describes it; the name in UTF-8.
struct ColumnRow {
  std::string name;
  int type = 0;
  int length = 0;
  int64_t offset = 0;
  int storage = 0;
  CCBColumnUsage usage = CCB_USAGE_DISPLAY;
  bool variable = false;
};

// False with the service's message when a column cannot be placed.
bool readColumns(CCBLayoutService* service, std::vector<ColumnRow>* rows, std::string* error) {
  for (int i = 0; i < service->getOutputCount(); ++i) {
    ColumnRow row;
    QvbString name;
    service->getOutputInfo(i, name, row.type, row.length);
    if (!service->getColumnLayout(i, row.offset, row.storage, row.usage, row.variable)) {
      *error = messageText(service->getErrorMessage());
      return false;
    }
    row.name = toUtf8(name.str());
    rows->push_back(row);
  }
  return true;
}

std::vector<std::string> tableCells(size_t index, const ColumnRow& row) {
  return {std::to_string(index),
          row.name,
          typeName(row.type),
          std::to_string(row.length),
          std::to_string(row.offset) + (row.variable ? "*" : ""),
          std::to_string(row.storage),
          ccbColumnUsageName(row.usage)};
}

// Cells in columns as wide as their widest cell, in characters, two spaces apart.
std::string tableText(const std::vector<ColumnRow>& rows, int recordLength) {
  std::vector<std::vector<std::string>> cells{{TABLE_HEADINGS, TABLE_HEADINGS + TABLE_COLUMNS}};
  for (size_t i = 0; i < rows.size(); ++i) cells.push_back(tableCells(i, rows[i]));
  std::vector<size_t> widths(TABLE_COLUMNS, 0);
  for (const std::vector<std::string>& line : cells) {
    for (size_t c = 0; c < TABLE_COLUMNS; ++c) widths[c] = std::max(widths[c], utf8Length(line[c]));
  }
  std::string text;
  for (const std::vector<std::string>& line : cells) {
    for (size_t c = 0; c + 1 < TABLE_COLUMNS; ++c) {
      text += line[c] + std::string(widths[c] - utf8Length(line[c]) + 2, ' ');
    }
    text += line.back() + "\n";
  }
  const bool anyVariable =
      std::any_of(rows.begin(), rows.end(), [](const ColumnRow& row) { return row.variable; });
  if (anyVariable) text += VARIABLE_NOTE;
  return text + "Maximum record length: " + std::to_string(recordLength) + "\n";
}

void appendJsonColumn(size_t index, const ColumnRow& row, std::string* out) {
  *out += "    {\"index\": " + std::to_string(index) + ", \"name\": ";
  appendJsonString(row.name, out);
  *out += ", \"type\": \"" + std::string(typeName(row.type)) +
          "\", \"length\": " + std::to_string(row.length) +
          ", \"offset\": " + std::to_string(row.offset) +
          ", \"storage\": " + std::to_string(row.storage) + ", \"usage\": \"" +
          ccbColumnUsageName(row.usage) + "\", \"variable\": " + (row.variable ? "true" : "false") +
          "}";
}

std::string jsonText(const std::vector<ColumnRow>& rows, int recordLength) {
  std::string text = "{\n  \"record_length\": " + std::to_string(recordLength) +
                     ",\n  \"columns\": [" + (rows.empty() ? "" : "\n");
  for (size_t i = 0; i < rows.size(); ++i) {
    appendJsonColumn(i, rows[i], &text);
    text += i + 1 < rows.size() ? ",\n" : "\n  ";
  }
  return text + "]\n}\n";
}

// Written at once; runLayoutCommand finishes standard output and reports a failed write.
int listColumns(CCBLayoutService* service, const CommandLine& line) {
  std::vector<ColumnRow> rows;
  std::string error;
  if (!readColumns(service, &rows, &error)) return reportFailure(COLUMNS_HELP.name, error);
  const int recordLength = service->getRecordLength();
  const std::string text =
      line.value("format") == "json" ? jsonText(rows, recordLength) : tableText(rows, recordLength);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return EXIT_OK;
}

std::string checkFormat(const CommandLine& line) {
  const std::string format = line.value("format");
  if (!line.has("format") || format == "table" || format == "json") return "";
  return "unknown --format '" + format + "': use table or json";
}

}  // namespace

int runColumns(const std::vector<std::string>& args) {
  return runLayoutCommand(COLUMNS_HELP, COLUMNS_OPTIONS,
                          sizeof COLUMNS_OPTIONS / sizeof COLUMNS_OPTIONS[0], args, listColumns,
                          checkFormat);
}
