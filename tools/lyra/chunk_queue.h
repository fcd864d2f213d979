// ChunkQueue is what the threads of a threaded `lyra read` share. A planner adds the
// ranges of the data file in file order; workers take them one at a time, each with a
// chunk to fill; the writer takes the filled chunks in the same order and gives each
// back once written. A worker may also hand over a part of its chunk and wait until
// the writer has written it, then fill the chunk on. At most `window` chunks are out
// at a time (taken by a worker and not yet given back) and at most maxWaiting ranges
// wait to be taken, so memory stays bounded whatever the size of the file. cancel()
// ends every wait: adding and taking ranges and handing over parts then fail and
// nextChunk() gives null. The queue owns the chunks; a chunk is its taker's until
// given back, and the writer's while a part of it is handed over. Every method may be
// called from any thread.
#ifndef LYRA_TOOLS_CHUNK_QUEUE_H_
#define LYRA_TOOLS_CHUNK_QUEUE_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chunk_output.h"

// A range of records of the data file, as the reader's range options take it, or the
// bytes of the records a chunk scan handed over, or where reading stops.
struct ReadRange {
  int64_t start;        // the first byte of the records read; -1: after the skip
  int64_t end;          // just past the last record's first byte; -1: the end of the file
  int64_t firstRecord;  // the number of the record at start; -1: the reader's own count
  std::shared_ptr<const std::string> bytes;  // the range's bytes; null: read from the file
  std::string failure;                       // not empty: reading stops at start with it
};

class ChunkQueue {
 public:
  // maxWaiting: the ranges that may wait to be taken (at least 2).
  explicit ChunkQueue(size_t window, size_t maxWaiting = 64);
  ChunkQueue(const ChunkQueue&) = delete;
  ChunkQueue& operator=(const ChunkQueue&) = delete;

  // The planner: adds the range that starts at start, which ends the one before, with
  // its bytes or the failure it is, where it has them. Waits while maxWaiting ranges
  // wait; false once cancelled.
  bool addRange(int64_t start, int64_t firstRecord,
                std::shared_ptr<const std::string> bytes = nullptr, std::string failure = "");
  // The planner: no range follows; the last one ends at end.
  void endRanges(int64_t end);

  // A worker: the next range and the chunk to fill for it, once both are there.
  // False when no range is left, and once cancelled.
  bool takeRange(ReadRange* range, ChunkOutput** chunk);
  // A worker: the chunk it took is filled.
  void chunkFilled(const ChunkOutput* chunk);
  // A worker: the chunk it took holds a part of its range's output; waits until the
  // writer has written it (the chunk is then empty again). False once cancelled.
  bool partFilled(ChunkOutput* chunk);

  // The writer: the next chunk in file order, or part of it, once filled; null when
  // every range has been written, and once cancelled.
  const ChunkOutput* nextChunk();
  // The writer: what nextChunk gave is written.
  void chunkWritten();

  void cancel();
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

 private:
  struct RangeStart {
    int64_t start;
    int64_t firstRecord;
    std::shared_ptr<const std::string> bytes;
    std::string failure;
  };

  const size_t maxWaiting_;

  bool rangeReady() const;  // REQUIRES: mutex_ held
  size_t slotOf(size_t index) const { return index % chunks_.size(); }

  std::mutex mutex_;
  std::condition_variable plannerWait_, workerWait_, writerWait_;
  std::deque<RangeStart> waiting_;  // ranges added and not yet taken
  bool rangesEnded_ = false;
  int64_t lastEnd_ = -1;  // where the last range ends, once rangesEnded_
  size_t taken_ = 0;      // ranges taken so far; the next one's index
  size_t written_ = 0;    // chunks given back by the writer
  // What a slot's chunk holds for the writer.
  enum SlotState : unsigned char { FILLING, PART_FILLED, FILLED };

  std::vector<ChunkOutput> chunks_;  // chunk i of the file in chunks_[slotOf(i)]
  std::vector<SlotState> states_;    // per slot
  std::atomic<bool> cancelled_{false};
};

#endif  // LYRA_TOOLS_CHUNK_QUEUE_H_
