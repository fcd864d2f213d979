// OrderedWriter writes the chunks of a threaded `lyra read`, given in file order, and
// stops where a read by one thread stops: after --limit records, at the first bad
// record past --max-errors (whose message is then the failure), at a record that
// could not be read, or once writing fails. It gives the bad records it passes over
// to the rejects file in order and draws the progress bar. The output, the rejects
// file and the meter stay the caller's.
#ifndef LYRA_TOOLS_ORDERED_WRITER_H_
#define LYRA_TOOLS_ORDERED_WRITER_H_

#include <cstdint>
#include <string>

#include "chunk_output.h"
#include "output_file.h"
#include "progress_meter.h"
#include "read_options.h"
#include "rejects_file.h"

class OrderedWriter {
 public:
  // rejects may be null.
  OrderedWriter(const ReadOptions& options, OutputFile* output, RejectsFile* rejects,
                ProgressMeter* meter);

  // Writes what a read by one thread writes of the chunk; false where that read
  // stops.
  bool write(const ChunkOutput& chunk);

  bool failed() const { return failed_; }
  const std::string& failure() const { return failure_; }  // when failed()
  int64_t skipped() const { return skipped_; }             // bad records passed over

 private:
  bool writeRows(const ChunkOutput& chunk, size_t from, size_t to);
  bool passOver(const BadRecordNote& note);

  const ReadOptions& options_;
  OutputFile* output_;
  RejectsFile* rejects_;
  ProgressMeter* meter_;
  int64_t written_ = 0;  // rows
  int64_t skipped_ = 0;
  bool failed_ = false;
  std::string failure_;
};

#endif  // LYRA_TOOLS_ORDERED_WRITER_H_
