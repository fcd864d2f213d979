// The copying of records in `lyra read`: the header, then the records of the active
// layout up to --limit, on this thread or, where the options and the input allow it,
// on --threads threads (threaded_read.h), the same bytes either way.
#ifndef LYRA_TOOLS_READ_RECORDS_H_
#define LYRA_TOOLS_READ_RECORDS_H_

#include "layout_source.h"
#include "output_file.h"
#include "read_options.h"
#include "rejects_file.h"
#include "threaded_read.h"

// Writes the header and the records that the reader, which has the input open, reads;
// rejects may be null. The progress bar is drawn on standard error where it is a
// terminal, unless the options say otherwise.
ReadOutcome writeRecords(const ReadOptions& options, RecordReaderPtr reader, OutputFile* output,
                         RejectsFile* rejects);

#endif  // LYRA_TOOLS_READ_RECORDS_H_
