// The steps that prepare a record reader for `lyra read`: creating it with the
// identifier field the options describe, adding layouts, opening the data file.
#ifndef LYRA_TOOLS_READER_SETUP_H_
#define LYRA_TOOLS_READER_SETUP_H_

#include <string>

#include <lyra/lyra.h>

#include "read_options.h"

// A reader without layouts, with the layout options of the layouts it will be
// given; with several layouts in the options, its identifier field is set. Null,
// with a message, on failure.
RecordReaderPtr createReader(const ReadOptions& options, std::string* error);

// A reader with every layout of the options (the active one made active), the
// debug callback (may be null) and the data file (or standard input) open. A
// regular data file shorter than --skip is refused.
RecordReaderPtr openReader(const ReadOptions& options, LYRADebugCallback* callback,
                           std::string* error);

#endif  // LYRA_TOOLS_READER_SETUP_H_
