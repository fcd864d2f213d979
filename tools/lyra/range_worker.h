// RangeWorker is one thread of a threaded `lyra read`: it takes ranges from a
// ChunkQueue until none is left, reads each with a record reader of its own (which
// it owns), writes its records' rows into the chunk the queue lends it, and notes
// every bad record it passes over, for the writer to judge against --max-errors.
// A failed range ends its chunk, not the worker; cancelling the queue ends it.
#ifndef LYRA_TOOLS_RANGE_WORKER_H_
#define LYRA_TOOLS_RANGE_WORKER_H_

#include <vector>

#include <lyra/lyra.h>

#include "chunk_output.h"
#include "chunk_queue.h"
#include "layout_source.h"
#include "read_options.h"
#include "record_formatter.h"

// Aligned to a cache line, like the chunks, since it too is written on every record.
class alignas(CACHE_LINE) RangeWorker : public CCBBadRecordCallback {
 public:
  // reader: prepared with the layouts of the options (reader_setup.h); columns: as
  // describeColumns gives them. The options and the queue stay the caller's.
  RangeWorker(const ReadOptions& options, RecordReaderPtr reader,
              const std::vector<OutputColumn>& columns, ChunkQueue* queue);
  RangeWorker(const RangeWorker&) = delete;
  RangeWorker& operator=(const RangeWorker&) = delete;

  void run();
  void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                 const QvbString& reason) override;

 private:
  void readRange(const ReadRange& range);

  const ReadOptions& options_;
  RecordReaderPtr reader_;
  RecordFormatter formatter_;
  ChunkQueue* queue_;
  ChunkOutput* chunk_ = nullptr;  // the one being filled
};

#endif  // LYRA_TOOLS_RANGE_WORKER_H_
