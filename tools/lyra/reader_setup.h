// The steps that prepare a record reader for `lyra read`: creating it with the
// identifier field the options describe, adding layouts, opening the data file; and
// the message of a record that could not be read.
#ifndef LYRA_TOOLS_READER_SETUP_H_
#define LYRA_TOOLS_READER_SETUP_H_

#include <string>

#include <lyra/lyra.h>

#include "read_options.h"

// A reader without layouts, with the layout options of the layouts it will be
// given; with several layouts in the options, its identifier field is set. Null,
// with a message, on failure.
RecordReaderPtr createReader(const ReadOptions& options, std::string* error);

// A reader with every layout of the options (the active one made active), its
// segments, child layouts, the index of a compressed data file and the debug callback
// (may be null), but no data file.
RecordReaderPtr prepareReader(const ReadOptions& options, LYRADebugCallback* callback,
                              std::string* error);

// A prepared reader with the data file (or standard input, or the bytes) open. A
// regular data file shorter than --skip is refused.
RecordReaderPtr openReader(const ReadOptions& options, LYRADebugCallback* callback,
                           std::string* error);
// Opens the options' input (the data file, standard input or the bytes) in the reader
// with readOptions; false with the reader's message.
bool openInput(CCBRecordReader* reader, const ReadOptions& options,
               const CCBReadOptions& readOptions);

// The message of a record that could not be read, with where it is: its number in
// the file, when known (number >= 0), and the byte offset where it starts.
std::string recordFailure(const ReadOptions& options, int64_t number, int64_t offset,
                          const QvbString& reason);
// The same for the record at which the reader failed.
std::string readerFailure(const ReadOptions& options, CCBRecordReader* reader);

#endif  // LYRA_TOOLS_READER_SETUP_H_
