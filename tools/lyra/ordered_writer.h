// OrderedWriter writes the chunks of a threaded `lyra read`, given in file order, and
// stops where a read by one thread stops: after --limit records, at the first bad
// record past --max-errors (whose message is then the failure), at a record that
// could not be read, or once writing fails. It gives the bad records it passes over
// to the rejects file in order, counts the records of unknown type the same read
// would have stepped over, and draws the progress bar. Rows go to the output of
// each (a file per layout) where the chunk says. The outputs, the rejects file and the
// meter stay the caller's.
#ifndef LYRA_TOOLS_ORDERED_WRITER_H_
#define LYRA_TOOLS_ORDERED_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "chunk_output.h"
#include "output_file.h"
#include "progress_meter.h"
#include "read_options.h"
#include "rejects_file.h"

class OrderedWriter {
 public:
  // outputs: at least one; rejects may be null.
  OrderedWriter(const ReadOptions& options, const std::vector<OutputFile*>& outputs,
                RejectsFile* rejects, ProgressMeter* meter);

  // Writes what a read by one thread writes of the chunk; false where that read
  // stops.
  bool write(const ChunkOutput& chunk);

  bool failed() const { return failed_; }
  const std::string& failure() const { return failure_; }     // when failed()
  int64_t skipped() const { return skipped_; }                // bad records passed over
  const UnknownRecords& unknown() const { return unknown_; }  // records of no layout

 private:
  bool writeRows(const ChunkOutput& chunk, size_t from, size_t to);
  bool writeText(const ChunkOutput& chunk, size_t from, size_t to);
  bool stopAtRows(const ChunkOutput& chunk);
  bool passOver(const BadRecordNote& note);
  void countUnknown(const UnknownRecords& part, int64_t count);

  const ReadOptions& options_;
  std::vector<OutputFile*> outputs_;
  RejectsFile* rejects_;
  ProgressMeter* meter_;
  int64_t written_ = 0;  // rows
  size_t partRows_ = 0;  // rows of the part being written
  int64_t skipped_ = 0;
  UnknownRecords unknown_;
  bool failed_ = false;
  std::string failure_;
};

#endif  // LYRA_TOOLS_ORDERED_WRITER_H_
