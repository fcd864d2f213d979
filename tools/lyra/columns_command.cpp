#include <algorithm>
#include <array>
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
    "every such table at its maximum (with --odo-layout max such tables always take\n"
    "their maximum, and only the columns inside them are marked). Last comes the\n"
    "maximum record length: the furthest byte any item reaches, a redefinition\n"
    "longer than what it redefines included. LAYOUT is a COBOL copybook or an XML\n"
    "layout document.\n"
    "\n"
    "--format json writes the same as one JSON document: {\"record_length\": N,\n"
    "\"columns\": [{\"index\", \"name\", \"type\", \"length\", \"offset\", \"storage\",\n"
    "\"usage\", \"variable\"}, ...]}, names in UTF-8.\n"
    "\n"
    "--float-format, --national-utf16 and --odo-layout change the layout: give\n"
    "them as to 'lyra read', so that the columns and lengths are those it reads.\n"
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

using TableCells = std::array<std::string, TABLE_COLUMNS>;

// Text is written out whenever this much has gathered: a layout may have millions of
// columns, whose rows are made one at a time and not kept.
const size_t WRITE_AT = size_t{1} << 20;

// Column index of the service; false with the service's message when it cannot be placed.
bool readColumn(CCBLayoutService* service, int index, ColumnRow* row, std::string* error) {
  QvbString name;
  service->getOutputInfo(index, name, row->type, row->length);
  if (!service->getColumnLayout(index, row->offset, row->storage, row->usage, row->variable)) {
    *error = messageText(service->getErrorMessage());
    return false;
  }
  row->name = toUtf8(name.str());
  return true;
}

void tableCells(int index, const ColumnRow& row, TableCells* cells) {
  *cells = {std::to_string(index),
            row.name,
            typeName(row.type),
            std::to_string(row.length),
            std::to_string(row.offset) + (row.variable ? "*" : ""),
            std::to_string(row.storage),
            ccbColumnUsageName(row.usage)};
}

// What the table needs before its first row: the width of each column of cells, in
// characters, and whether any offset varies.
struct TableShape {
  std::array<size_t, TABLE_COLUMNS> widths{};
  bool anyVariable = false;
};

void widen(const TableCells& cells, TableShape* shape) {
  for (size_t c = 0; c < TABLE_COLUMNS; ++c) {
    shape->widths[c] = std::max(shape->widths[c], utf8Length(cells[c]));
  }
}

// Every column read once, before anything is written; false with the message of the
// first that cannot be placed.
bool measureTable(CCBLayoutService* service, TableShape* shape, std::string* error) {
  TableCells cells;
  std::copy(TABLE_HEADINGS, TABLE_HEADINGS + TABLE_COLUMNS, cells.begin());
  widen(cells, shape);
  ColumnRow row;
  for (int i = 0; i < service->getOutputCount(); ++i) {
    if (!readColumn(service, i, &row, error)) return false;
    tableCells(i, row, &cells);
    widen(cells, shape);
    shape->anyVariable = shape->anyVariable || row.variable;
  }
  return true;
}

// Cells in columns as wide as their widest cell, two spaces apart.
void appendTableRow(const TableCells& cells, const TableShape& shape, std::string* text) {
  for (size_t c = 0; c + 1 < TABLE_COLUMNS; ++c) {
    *text += cells[c];
    text->append(shape.widths[c] - utf8Length(cells[c]) + 2, ' ');
  }
  *text += cells.back() + "\n";
}

void writeOut(std::string* text) {
  std::fwrite(text->data(), 1, text->size(), stdout);
  text->clear();
}

void writeTable(CCBLayoutService* service, const TableShape& shape, int recordLength) {
  TableCells cells;
  std::copy(TABLE_HEADINGS, TABLE_HEADINGS + TABLE_COLUMNS, cells.begin());
  std::string text;
  appendTableRow(cells, shape, &text);
  ColumnRow row;
  std::string unused;
  for (int i = 0; i < service->getOutputCount(); ++i) {
    readColumn(service, i, &row, &unused);  // placed before, by measureTable
    tableCells(i, row, &cells);
    appendTableRow(cells, shape, &text);
    if (text.size() >= WRITE_AT) writeOut(&text);
  }
  if (shape.anyVariable) text += VARIABLE_NOTE;
  text += "Maximum record length: " + std::to_string(recordLength) + "\n";
  writeOut(&text);
}

void appendJsonColumn(int index, const ColumnRow& row, std::string* out) {
  *out += "    {\"index\": " + std::to_string(index) + ", \"name\": ";
  appendJsonString(row.name, out);
  *out += ", \"type\": \"" + std::string(typeName(row.type)) +
          "\", \"length\": " + std::to_string(row.length) +
          ", \"offset\": " + std::to_string(row.offset) +
          ", \"storage\": " + std::to_string(row.storage) + ", \"usage\": \"" +
          ccbColumnUsageName(row.usage) + "\", \"variable\": " + (row.variable ? "true" : "false") +
          "}";
}

void writeJson(CCBLayoutService* service, int recordLength) {
  const int count = service->getOutputCount();
  std::string text = "{\n  \"record_length\": " + std::to_string(recordLength) +
                     ",\n  \"columns\": [" + (count == 0 ? "" : "\n");
  ColumnRow row;
  std::string unused;
  for (int i = 0; i < count; ++i) {
    readColumn(service, i, &row, &unused);  // placed before, by measureTable
    appendJsonColumn(i, row, &text);
    text += i + 1 < count ? ",\n" : "\n  ";
    if (text.size() >= WRITE_AT) writeOut(&text);
  }
  text += "]\n}\n";
  writeOut(&text);
}

// Written as it is made; runLayoutCommand finishes standard output and reports a
// failed write.
int listColumns(CCBLayoutService* service, const CommandLine& line) {
  TableShape shape;
  std::string error;
  if (!measureTable(service, &shape, &error)) return reportFailure(COLUMNS_HELP.name, error);
  const int recordLength = service->getRecordLength();
  if (line.value("format") == "json") {
    writeJson(service, recordLength);
  } else {
    writeTable(service, shape, recordLength);
  }
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
