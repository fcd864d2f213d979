// WriteOptions is everything `lyra write` was asked to do: the layouts and how records
// are told apart, how the output frames its records and encodes their text and numbers
// (as `lyra read` takes them, in a ReadOptions), the input and its format, and where
// the records and the rows passed over go. parseWriteOptions checks the command line
// and fills it; a failure there is a usage error.
#ifndef LYRA_TOOLS_WRITE_OPTIONS_H_
#define LYRA_TOOLS_WRITE_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "command_line.h"
#include "read_options.h"

enum InputFormat {
  INPUT_CSV,          // RFC 4180 with a header row
  INPUT_JSONL,        // one JSON object per line
  INPUT_JSON_NESTED,  // one JSON object per line, shaped as the layout (and its children)
};

// What names a row's layout, and the columns `lyra read` adds, which writing ignores.
const char LAYOUT_KEY[] = "_layout";
const char RECORD_KEY[] = "_record";
const char OFFSET_KEY[] = "_offset";

struct WriteOptions {
  // The layouts, identifier field, segments, record format, code page, number and
  // layout options, as `lyra read` reads them; threads and chunkBytes too.
  ReadOptions read;
  std::string input;  // STANDARD_INPUT for standard input
  InputFormat format = INPUT_CSV;
  std::string output;  // STANDARD_OUTPUT for standard output
  int64_t blockSize = 32760;
  bool overpunchSigns = false;
  bool binaryFullRange = false;
  int64_t maxErrors = 0;  // bad rows passed over before writing stops; -1: any number
  std::string rejects;    // where rows passed over go; empty: nowhere
  bool quiet = false;
  bool activeGiven = false;  // --active names the layout of rows that name none
};

// The options `lyra write` accepts, for CommandLine.
const OptionDef* writeOptionDefs(int* count);

bool parseWriteOptions(const CommandLine& line, WriteOptions* options, std::string* error);

// The outputs replace files, so none may be the input, a file a layout was read from,
// or another output. A failure is a usage error.
bool checkWriteOutputs(const WriteOptions& options, const std::vector<std::string>& layoutFiles,
                       std::string* error);

// The options of the record writer: those of the output, text results (the input's
// text) in UTF-8, bad records always passed over (the command counts them).
CCBReadOptions writerOptions(const WriteOptions& options);

#endif  // LYRA_TOOLS_WRITE_OPTIONS_H_
