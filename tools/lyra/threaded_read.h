// The threaded `lyra read`: ranges of the data file (range_planner.h) are read on
// --threads worker threads (range_worker.h), each with a record reader of its own,
// into chunks of output that the calling thread writes in file order
// (ordered_writer.h), byte for byte what a read by one thread writes. At most two
// chunks per worker are in memory at a time (chunk_queue.h), each handed over in
// parts of about PART_BYTES (chunk_output.h).
#ifndef LYRA_TOOLS_THREADED_READ_H_
#define LYRA_TOOLS_THREADED_READ_H_

#include <cstdint>
#include <string>
#include <vector>

#include "chunk_output.h"
#include "layout_source.h"
#include "output_file.h"
#include "progress_meter.h"
#include "read_options.h"
#include "record_formatter.h"
#include "rejects_file.h"

// How the reading of the records ended.
struct ReadOutcome {
  bool failed = false;     // at a record that could not be read
  std::string failure;     // its message
  int64_t skipped = 0;     // bad records passed over
  UnknownRecords unknown;  // records of no layout stepped over
};

// Whether the options' compressed data file is fed to the threads, decompressed by one
// thread, rather than read by each in ranges (options.compression must be known).
bool fedToThreads(const ReadOptions& options);

// True when the read can use threads: more than one is asked for, the data file is
// a regular file of records that frame without a layout, there is no --trace (whose
// lines follow the records one by one), and the file holds more than one chunk to
// read, or is compressed and read whole (its size is then not known) without record
// hierarchies.
bool canReadThreaded(const ReadOptions& options, int64_t fileSize);

// Reads and writes the records after the headers. fileSize: the data file's size
// when it was opened; recordLength: of fixed records; outputs: one, or one per layout;
// rejects may be null. opened: null, or the reader that opened the input, which a read
// of one range (on one worker) then reads as it stands: a read of every layout's
// records that cannot use threads is read so, writing what a read by threads writes.
ReadOutcome readThreaded(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                         int64_t fileSize, int recordLength,
                         const std::vector<OutputFile*>& outputs, RejectsFile* rejects,
                         ProgressMeter* meter, RecordReaderPtr opened);

#endif  // LYRA_TOOLS_THREADED_READ_H_
