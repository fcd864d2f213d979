// The copying of records in `lyra read`: the headers, then the records of the active
// layout (or of every layout) up to --limit, on this thread or, where the options and
// the input allow it, on --threads threads (threaded_read.h), the same bytes either way.
// A read of every layout's records runs as a threaded read does, of one range where it
// cannot use threads.
#ifndef LYRA_TOOLS_READ_RECORDS_H_
#define LYRA_TOOLS_READ_RECORDS_H_

#include <vector>

#include "layout_source.h"
#include "output_file.h"
#include "read_options.h"
#include "record_formatter.h"
#include "rejects_file.h"
#include "threaded_read.h"

// Writes the headers and the records that the reader, which has the input open, reads;
// layouts: as describeLayouts gives them; outputs: one, or one per layout (-o holding
// {layout}); rejects may be null. The progress bar is drawn on standard error where it
// is a terminal, unless the options say otherwise.
ReadOutcome writeRecords(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                         RecordReaderPtr reader, const std::vector<OutputFile*>& outputs,
                         RejectsFile* rejects);
// The same to one output, the layouts described here; a --columns name that no column
// has makes a failed outcome.
ReadOutcome writeRecords(const ReadOptions& options, RecordReaderPtr reader, OutputFile* output,
                         RejectsFile* rejects);

#endif  // LYRA_TOOLS_READ_RECORDS_H_
