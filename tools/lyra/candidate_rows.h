// The ways of reading a data file that `lyra diagnose` tries, as rows of constant
// tables: record framings (with how the header before the first record is found),
// code pages (by family, in the order preferred where nothing tells them apart),
// binary byte orders and float formats. A Setting is one way chosen from them, with
// the record length and header found for the file; settingArguments gives the
// options of `lyra read` that read the file so. A form of file that lyra learns to
// read is one more row here.
#ifndef LYRA_TOOLS_CANDIDATE_ROWS_H_
#define LYRA_TOOLS_CANDIDATE_ROWS_H_

#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "record_format_options.h"

// How the header before the first record is found for a framing.
enum HeaderSearch {
  HEADER_BY_SIZE,   // fixed: the skips that leave whole records, the first whose records decode
  HEADER_BY_CHAIN,  // descriptor words: the first skip whose chain holds through the sample
  HEADER_BY_LINES,  // text lines: none, the first line, or what makes the first line too long
  HEADER_BY_WALK,   // the layout's walk: the first skip whose walk holds through the sample
};

struct FramingRow {
  CCBRecordFormat format;
  bool rdwLittleEndian;
  bool rdwExcludesHeader;
  bool bdwExcludesHeader;
  int varseqFormat;  // rdw: GnuCOBOL's variable-file form; -1: none
  HeaderSearch header;
};

extern const FramingRow FRAMING_ROWS[];
extern const int FRAMING_ROW_COUNT;

enum PageFamily {
  FAMILY_ASCII,   // ISO-8859-1 (bytes as they stand), Windows-1252, UTF-8
  FAMILY_EBCDIC,  // the EBCDIC pages
};

struct PageRow {
  int ccsid;  // 0: bytes as they stand, no --code-page
  PageFamily family;
};

// Within a family, the first row is the page read when nothing tells them apart.
extern const PageRow PAGE_ROWS[];
extern const int PAGE_ROW_COUNT;

struct ByteOrderRow {
  bool binaryLittleEndian;
  bool comp5LittleEndian;
  bool needsNative;  // only for layouts with native binary (COMP-5) items
};

extern const ByteOrderRow BYTE_ORDER_ROWS[];
extern const int BYTE_ORDER_ROW_COUNT;

extern const CCBFloatFormat FLOAT_ROWS[];
extern const int FLOAT_ROW_COUNT;

// One way of reading a file.
struct Setting {
  RecordFormatOptions records;  // format, descriptor words, fixed length (0: the layout's), skip
  int codePage = 0;             // CCSID; 0: bytes as they stand
  bool binaryLittleEndian = false;
  bool comp5LittleEndian = false;
  CCBFloatFormat floatFormat = CCB_FLOAT_NONE;
  bool odoMax = false;  // OCCURS DEPENDING ON tables stored at their maximum
};

// The setting of a framing row, its other fields at their defaults.
Setting framingSetting(const FramingRow& row);

// The options of `lyra read` that read a file as the setting says, in the order of
// `lyra read --help`: framing, header, code page, byte order, the float format when
// floatArgument is set (a float format the user gave is no argument to add), and the
// tables' layout.
std::vector<std::string> settingArguments(const Setting& setting, bool floatArgument);

#endif  // LYRA_TOOLS_CANDIDATE_ROWS_H_
