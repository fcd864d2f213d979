// ReadOptions is everything `lyra read` was asked to do: the layouts and how records
// are told apart, how the data file is laid out, and how and where to write the
// records. parseReadOptions checks the command line and fills it; a failure there is
// a usage error.
#ifndef LYRA_TOOLS_READ_OPTIONS_H_
#define LYRA_TOOLS_READ_OPTIONS_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "layout_source.h"
#include "record_format_options.h"
#include "record_writer.h"

// The input bytes a thread of a threaded read decodes and formats at a time.
const int64_t DEFAULT_CHUNK_BYTES = 1024 * 1024;
// The most a root's tree may hold in json-nested output before it is bad.
const int64_t DEFAULT_MAX_TREE_BYTES = 64 * 1024 * 1024;
// What -o holds where each layout's file takes its layout's identifier.
const char LAYOUT_PLACEHOLDER[] = "{layout}";

// A --child link: records of the child layout belong to the record of the parent
// layout before them.
struct ChildLink {
  std::string parent;
  std::string child;
};

struct ReadOptions {
  std::vector<LayoutSource> layouts;  // in the order given
  size_t activeLayout = 0;            // index in layouts of the records to write
  int idOffset = 0;                   // the identifier field, with several layouts
  std::string idClauses;
  std::vector<std::pair<std::string, std::string>> segments;  // item, identifier value
  RecordFormatOptions records;  // how the data file frames its records
  int64_t rangeStart = -1;      // the first byte of the records read; -1: the skip
  int64_t rangeEnd = -1;        // just past the last record's first byte; -1: the end
  int64_t firstRecord = -1;     // the number of the record at rangeStart; -1: unknown
  int codePage = 0;             // CCSID of display text; 0: ISO-8859-1, the bytes as they stand
  bool comp5LittleEndian = false;
  bool binaryLittleEndian = false;
  CCBZeroBytes zeroBytes = CCB_ZERO_BYTES_SPACE;
  CCBLayoutOptions layout;  // how copybooks become layouts
  int64_t maxErrors = 0;    // bad records passed over before reading stops; -1: any number
  std::string rejects;      // where passed-over records go; empty: nowhere
  OutputFormat format = FORMAT_CSV;
  bool typed = false;
  bool withPosition = false;         // each record's number and offset before its columns
  std::vector<std::string> columns;  // the columns written, by name; empty: all
  bool dropFiller = false;           // FILLER columns left out (json-nested: always)
  bool strip = false;                // values as getStrippedOutputBytes gives them
  bool allLayouts = false;           // every layout's records (--child too)
  std::vector<ChildLink> children;   // in the order given
  int64_t maxTreeBytes = DEFAULT_MAX_TREE_BYTES;
  int64_t limit = -1;  // -1: every record
  std::string output;  // empty: standard output
  bool trace = false;
  bool quiet = false;
  int threads = 1;  // that decode and format records, where the data file allows it
  int64_t chunkBytes = DEFAULT_CHUNK_BYTES;  // input a thread reads at a time
  std::string dataFile;                      // STANDARD_INPUT for standard input
  std::string indexFile;  // the checkpoint index of a compressed data file; empty: none
  CCBCompression compression = CCB_COMPRESSION_NONE;  // of the data file, once opened
  // A host's bytes read in place of the data file (when not null), which stay the
  // host's: the tool's read on bytes in memory, as the fuzz targets run it.
  const unsigned char* dataBytes = nullptr;
  size_t dataSize = 0;
};

const char STANDARD_INPUT[] = "-";

// The data file as messages name it.
std::string dataFileName(const ReadOptions& options);

// Whether the records are read as every layout's, each output line or row made by the
// ranges' workers (threaded_read.h) also on one thread: --all-layouts, --child.
inline bool readsAllLayouts(const ReadOptions& options) {
  return options.allLayouts;
}

// The file -o names for the layout with the identifier id: the first {layout} in it
// replaced by id; the -o file itself when it holds none.
std::string layoutOutputPath(const std::string& output, const std::string& id);
// The files written: one per layout, in their order, where -o holds {layout}; else the
// -o file alone (empty for standard output).
std::vector<std::string> outputPaths(const ReadOptions& options);

// The options `lyra read` accepts, for CommandLine.
const OptionDef* readOptionDefs(int* count);

bool parseReadOptions(const CommandLine& line, ReadOptions* options, std::string* error);
// The parts of it for commands that read the data file as `lyra read` does but write
// no records: the data file, layouts, identifier, framing, text and bad-record
// options; and --threads and --chunk-size. Options the command's table lacks keep
// their defaults.
bool parseReadInput(const CommandLine& line, ReadOptions* options, std::string* error);
bool parseThreadOptions(const CommandLine& line, ReadOptions* options, std::string* error);

// The outputs are emptied before the inputs are read, so they must be none of them (the
// data file and every file the layouts were read from), and none may be another.
// Standard input is no file that an output could replace. A failure is a usage error.
bool checkOutputs(const ReadOptions& options, const std::vector<std::string>& layoutFiles,
                  std::string* error);

// The options of the record reader for the data file. Text results are UTF-8.
CCBReadOptions readerOptions(const ReadOptions& options);

// Parts of parseReadOptions that `lyra write` shares: the layouts with their
// identifiers, --id-field, --active and --segment; and the options of text and numbers
// (--code-page, --ebcdic, the binary byte orders, --zero-bytes, the layout options).
bool parseLayoutChoice(const CommandLine& line, ReadOptions* options, std::string* error);
bool parseTextOptions(const CommandLine& line, ReadOptions* options, std::string* error);
// --child PARENT=CHILD,..., repeatable, into options->children (after the layouts):
// each identifier names a layout, a layout has one parent at most and is no ancestor
// of itself.
bool parseChildLinks(const CommandLine& line, ReadOptions* options, std::string* error);

#endif  // LYRA_TOOLS_READ_OPTIONS_H_
