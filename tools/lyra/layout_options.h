// The options that change how a copybook becomes a layout, shared by every command
// that loads one (columns, tree, convert, read): the floating-point format of COMP-1
// and COMP-2 items, UTF-16 national items, tables laid out at their maximum, and how
// copybook source is written (its form and right margin, the folders of its COPY
// members, or the classic rules alone). They change the layout itself (which items it has, how many
// bytes they take), so they go to the layout service or the record reader before any layout is
// loaded. Each option is a row that a command puts in its option table;
// parseLayoutOptions reads those the command line holds.
#ifndef LYRA_TOOLS_LAYOUT_OPTIONS_H_
#define LYRA_TOOLS_LAYOUT_OPTIONS_H_

#include <string>

#include <lyra/lyra.h>

#include "command_line.h"

inline constexpr OptionDef FLOAT_FORMAT_OPTION = {
    "float-format", 0, ARGUMENT_REQUIRED, "FORMAT",
    "COMP-1 and COMP-2 items hold floats: ibm\n(hexadecimal), ieee (IEEE 754, big-endian) or\n"
    "ieee-le (little-endian); without it such items\nare refused"};
inline constexpr OptionDef NATIONAL_UTF16_OPTION = {
    "national-utf16", 0, ARGUMENT_NONE, "",
    "PIC N and USAGE NATIONAL items hold UTF-16\ntext (big-endian); this changes the layout:\n"
    "national items take two bytes per character\nposition, so later fields move"};
inline constexpr OptionDef SOURCE_FORMAT_OPTION = {
    "source-format", 0, ARGUMENT_REQUIRED, "FORM",
    "copybooks are written in fixed form (the\ndefault: columns 8 to the margin) or free\n"
    "form; a >>SOURCE line in the text switches"};
inline constexpr OptionDef MARGIN_OPTION = {
    "margin", 0, ARGUMENT_REQUIRED, "N|none",
    "fixed form: the last column read (default 72;\n80 or none where periods stand past "
    "column\n72)"};
inline constexpr OptionDef COPY_PATH_OPTION = {
    "copy-path", 0, ARGUMENT_REPEATED, "DIR",
    "a folder of COPY members, searched after the\nfolder of the copybook that copies them\n"
    "(repeatable)"};
inline constexpr OptionDef ODO_LAYOUT_OPTION = {
    "odo-layout", 0, ARGUMENT_REQUIRED, "LAYOUT",
    "an OCCURS DEPENDING ON table takes the\nrepetitions its count gives, moving what\n"
    "follows (shift, the default), or always its\nmaximum (max)"};
inline constexpr OptionDef STRICT_OPTION = {
    "strict", 0, ARGUMENT_NONE, "",
    "parse copybooks by the classic rules alone:\nno COPY, directives, free form, margin or\n"
    "COMP-0"};

// Every row above, for a command's option table.
#define LAYOUT_OPTION_ROWS                                                         \
  FLOAT_FORMAT_OPTION, NATIONAL_UTF16_OPTION, SOURCE_FORMAT_OPTION, MARGIN_OPTION, \
      COPY_PATH_OPTION, ODO_LAYOUT_OPTION, STRICT_OPTION

// The last column --margin takes: lines are read up to it.
const int MAX_MARGIN = 4096;

// Reads the layout options of the command line into *options. False with a message
// (a usage error) for an unknown float format, source form or odo layout, or a bad
// margin.
bool parseLayoutOptions(const CommandLine& line, CCBLayoutOptions* options, std::string* error);

#endif  // LYRA_TOOLS_LAYOUT_OPTIONS_H_
