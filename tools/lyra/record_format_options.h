// The options that say how a data file frames its records, shared by `lyra read` and
// `lyra splits`: the record format, the length of fixed records, the byte order and
// counting of record descriptor words (or the form of a GnuCOBOL variable file), and
// the file header to skip. Each option is a
// row that a command puts in its option table; parseRecordFormatOptions reads those
// the command line holds and checks that they go together.
#ifndef LYRA_TOOLS_RECORD_FORMAT_OPTIONS_H_
#define LYRA_TOOLS_RECORD_FORMAT_OPTIONS_H_

#include <cstdint>
#include <string>

#include <lyra/lyra.h>

#include "command_line.h"

struct RecordFormatOptions {
  CCBRecordFormat format = CCB_RECORD_LAYOUT;
  int recordLength = 0;  // fixed records; 0: the longest layout
  bool rdwLittleEndian = false;
  bool rdwExcludesHeader = false;
  bool bdwExcludesHeader = false;  // vb, vbs: a block's length leaves out its descriptor word
  int varseqFormat = -1;           // rdw: GnuCOBOL's variable-file form 0 to 3; -1: none
  int64_t skip = 0;                // bytes before the first record
};

inline constexpr OptionDef RECORD_FORMAT_OPTION = {
    "record-format", 0, ARGUMENT_REQUIRED, "FORMAT",
    "how records are framed: layout (default), fixed,\nrdw, vb, vbs, vs or lines"};
inline constexpr OptionDef RECORD_LENGTH_OPTION = {
    "record-length", 0, ARGUMENT_REQUIRED, "N",
    "the length of a fixed record (default: the\nlongest layout)"};
inline constexpr OptionDef FIXED_OPTION = {
    "fixed", 0, ARGUMENT_NUMBER, "LENGTH",
    "the same as --record-format fixed\n[--record-length LENGTH]"};
inline constexpr OptionDef RDW_LITTLE_ENDIAN_OPTION = {
    "rdw-little-endian", 0, ARGUMENT_NONE, "",
    "rdw, vb, vbs, vs: descriptor words are\nlittle-endian (00 00 40 00 is a length of 64)"};
inline constexpr OptionDef RDW_EXCLUDES_HEADER_OPTION = {
    "rdw-excludes-header", 0, ARGUMENT_NONE, "",
    "rdw, vb, vbs, vs: a record's (segment's) length\ndoes not count its descriptor word's 4 "
    "bytes"};
inline constexpr OptionDef BDW_EXCLUDES_HEADER_OPTION = {
    "bdw-excludes-header", 0, ARGUMENT_NONE, "",
    "vb, vbs: a block's length does not count its\nblock descriptor word's 4 bytes"};
inline constexpr OptionDef VARSEQ_FORMAT_OPTION = {
    "varseq-format", 0, ARGUMENT_REQUIRED, "N",
    "a GnuCOBOL variable file (rdw records) of the\nform COB_VARSEQ_FORMAT N wrote: 0: 2-byte\n"
    "length, 2 zero bytes; 1: 4-byte big-endian; 2:\n4-byte little-endian; 3: 2-byte length"};
inline constexpr OptionDef SKIP_OPTION = {"skip", 0, ARGUMENT_REQUIRED, "BYTES",
                                          "bytes of file header before the first record"};

// Reads the record format options of the command line into *options. False with a
// message (a usage error) for a value that is wrong or options that do not go
// together: a record length for any format but fixed, descriptor word options for
// any format but those with descriptor words, a varseq form with another format or
// with rdw options. --varseq-format alone means --record-format rdw.
bool parseRecordFormatOptions(const CommandLine& line, RecordFormatOptions* options,
                              std::string* error);

// A regular data file shorter than --skip is damaged: false with a message. One
// that holds nothing after it holds no records; other kinds of file are left to the
// reader.
bool checkSkip(const std::string& dataFile, int64_t skip, std::string* error);

// Whether records of the format are spanned: cut into segments (vbs, vs).
bool isSpannedFormat(CCBRecordFormat format);

// The bytes of the descriptor word before each record (segment) the options frame:
// 2 for GnuCOBOL's form 3, 4 for the other formats with descriptor words, 0 without.
int descriptorWordSize(const RecordFormatOptions& options);

// The reader's options with those of options set.
void applyRecordFormatOptions(const RecordFormatOptions& options, CCBReadOptions* readOptions);

#endif  // LYRA_TOOLS_RECORD_FORMAT_OPTIONS_H_
