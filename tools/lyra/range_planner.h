// RangePlanner cuts the data file of a threaded `lyra read` into ranges of about
// --chunk-size bytes, within the --range of the options, and adds them to a
// ChunkQueue in file order. Fixed records are cut at offsets: the reader of a range
// starts at the first record that starts in it and numbers records by their offset.
// Records behind descriptor words (rdw, vb, vbs, vs) and lines are cut at the split
// points that the reader's split scan finds (in a compressed file with an index, the
// index's), each range given the number that a read from the start gives its first
// record. When the scan fails, the last range runs on to the end, and its reader
// meets the failure just as a read from the start would. A planner of one range adds
// the options' range alone (the whole input).
//
// A compressed file that no index lets threads start inside (and one of fixed records)
// is fed instead: the planner decompresses it and hands the bytes of each range
// (whole records, cut at split points) to the queue, and a record whose end cannot be
// found becomes a last range that fails with its message. Runs on a thread of its
// own; the options and the queue stay the caller's.
#ifndef LYRA_TOOLS_RANGE_PLANNER_H_
#define LYRA_TOOLS_RANGE_PLANNER_H_

#include <cstdint>

#include <lyra/lyra.h>

#include "chunk_queue.h"
#include "read_options.h"

class RangePlanner : public CCBSplitCallback, public CCBChunkCallback {
 public:
  // fileSize: the data file's size when reading starts; recordLength: of fixed
  // records; feed: hand over the bytes of every range; oneRange: add the options'
  // range alone.
  RangePlanner(const ReadOptions& options, int64_t fileSize, int recordLength, bool feed,
               ChunkQueue* queue, bool oneRange);

  // Adds every range, then ends the queue's ranges.
  void run();
  // A split point of the scan; false ends the scan.
  bool splitPoint(int64_t offset, int64_t number) override;
  // A chunk of a chunk scan, and where it stopped.
  bool chunk(const unsigned char* bytes, size_t size, int64_t offset, int64_t firstRecord) override;
  void stopped(int64_t number, int64_t offset, const QvbString& reason) override;

 private:
  void cutFixed(int64_t start);
  void scan(int64_t start);
  void feed();

  const ReadOptions& options_;
  int64_t fileSize_;
  int recordLength_;
  bool feed_;
  ChunkQueue* queue_;
  bool oneRange_;
  int64_t lastStart_ = 0;     // where the last range added starts
  bool numbersKnown_ = true;  // false: a lines range without --first-record
  int64_t numberBase_ = 0;    // a record's number less the scan's number for it
};

#endif  // LYRA_TOOLS_RANGE_PLANNER_H_
