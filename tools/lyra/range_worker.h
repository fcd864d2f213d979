// RangeWorker is one thread of a threaded `lyra read`: it takes ranges from a
// ChunkQueue until none is left, reads each with a record reader of its own (which
// it owns), makes its records' output into the chunk the queue lends it (RecordRows),
// and notes every bad record it passes over, for the writer to judge against
// --max-errors. A chunk that holds PART_BYTES is handed to the writer as a part of the
// range's output (but not while a tree is held, whose bad records come before its
// line), and a range stops at --limit rows. A failed range ends its chunk, not the
// worker; cancelling the queue ends it.
//
// A worker is made on the thread it runs on (runRangeWorker), and so are its
// reader and formatters: what a thread writes on every record then lies in memory
// of that thread's own, never on a cache line that another thread writes too. A read
// of one range (the whole input, also standard input) hands the worker the reader
// that opened the input, which it reads as opened.
#ifndef LYRA_TOOLS_RANGE_WORKER_H_
#define LYRA_TOOLS_RANGE_WORKER_H_

#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "chunk_queue.h"
#include "layout_source.h"
#include "read_options.h"
#include "record_formatter.h"
#include "record_rows.h"

class RangeWorker : public CCBBadRecordCallback {
 public:
  // layouts: as describeLayouts gives them. The options, the layouts and the queue stay
  // the caller's. opened: null, or the reader of a read of one range, input open.
  RangeWorker(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
              ChunkQueue* queue, RecordReaderPtr opened);
  RangeWorker(const RangeWorker&) = delete;
  RangeWorker& operator=(const RangeWorker&) = delete;

  // Prepares the reader (reader_setup.h), then reads ranges until none is left.
  // Should the reader fail to load the layouts now, each range it takes fails with
  // that message.
  void run();
  void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                 const QvbString& reason) override;

 private:
  bool openRange(const ReadRange& range);
  void readRange(const ReadRange& range);
  int64_t unknownsInPart() const { return reader_->getUnknownRecordCount() - partBase_; }
  void notePart();
  bool handOverPart();
  bool mayHandOver() const { return chunk_->heldBytes() >= PART_BYTES && !rows_.holding(); }

  const ReadOptions& options_;
  RecordReaderPtr reader_;
  bool opened_;              // reader_ has the input open for the one range
  std::string readerError_;  // why reader_ is null
  RecordRows rows_;
  ChunkQueue* queue_;
  ChunkOutput* chunk_ = nullptr;  // the one being filled
  int64_t partBase_ = 0;          // the range's records of unknown type before the part
};

// The body of a worker thread: makes a worker there and runs it.
void runRangeWorker(const ReadOptions* options, const std::vector<LayoutColumns>* layouts,
                    ChunkQueue* queue, CCBRecordReader* opened);

#endif  // LYRA_TOOLS_RANGE_WORKER_H_
