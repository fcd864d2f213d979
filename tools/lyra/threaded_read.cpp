#include "threaded_read.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>
#include <thread>

#include "chunk_queue.h"
#include "ordered_writer.h"
#include "range_planner.h"
#include "range_worker.h"

namespace {

const size_t CHUNKS_PER_WORKER = 2;  // one being filled, one filled and waiting to be written

// The chunks between the start of the records read and the end of the range or file.
int64_t chunkCount(const ReadOptions& options, int64_t fileSize) {
  const int64_t start = std::max(options.records.skip, options.rangeStart);
  const int64_t end = options.rangeEnd >= 0 ? std::min(options.rangeEnd, fileSize) : fileSize;
  return end > start ? (end - start + options.chunkBytes - 1) / options.chunkBytes : 0;
}

bool isRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Starts the planner and count workers, the first with the opened reader (or null);
// false with a message when a thread cannot start, after the queue is cancelled (the
// threads started end at once).
bool startThreads(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                  size_t count, RangePlanner* planner, ChunkQueue* queue, RecordReaderPtr opened,
                  std::vector<std::thread>* threads, std::string* error) {
  try {
    threads->emplace_back(&RangePlanner::run, planner);
    for (size_t i = 0; i < count; ++i) {
      threads->emplace_back(runRangeWorker, &options, &layouts, queue, opened.get());
      opened.release();  // the worker's now
    }
  } catch (const std::system_error& e) {
    queue->cancel();
    *error = std::string("cannot start a thread: ") + e.what();
    return false;
  }
  return true;
}

// Hands the filled chunks to the writer in file order until it stops or none is left.
void writeChunks(ChunkQueue* queue, OrderedWriter* writer) {
  for (const ChunkOutput* chunk; (chunk = queue->nextChunk()) != nullptr;) {
    const bool more = writer->write(*chunk);
    queue->chunkWritten();
    if (!more) return;
  }
}

}  // namespace

// A compressed file is fed to the threads, decompressed on one, where no index lets
// them start inside it, and where its records are fixed (which an index has no split
// points for).
bool fedToThreads(const ReadOptions& options) {
  return options.compression != CCB_COMPRESSION_NONE &&
         (options.indexFile.empty() || options.records.format == CCB_RECORD_FIXED);
}

bool canReadThreaded(const ReadOptions& options, int64_t fileSize) {
  const CCBRecordFormat format = options.records.format;
  const bool seekable = options.dataBytes != nullptr ||
                        (options.dataFile != STANDARD_INPUT && isRegularFile(options.dataFile));
  const bool whole = options.rangeStart < 0 && options.rangeEnd < 0;
  // A fed range holds its own bytes alone, where a record hierarchy's range reads on
  // past its end to finish its last tree.
  const bool fed = fedToThreads(options);
  return options.threads > 1 && !options.trace && format != CCB_RECORD_LAYOUT && seekable &&
         (fed ? whole && options.dataBytes == nullptr && options.children.empty()
              : chunkCount(options, fileSize) > 1);
}

ReadOutcome readThreaded(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                         int64_t fileSize, int recordLength,
                         const std::vector<OutputFile*>& outputs, RejectsFile* rejects,
                         ProgressMeter* meter, RecordReaderPtr opened) {
  const bool oneRange = opened != nullptr;
  const bool feed = !oneRange && fedToThreads(options);
  const int64_t chunks = oneRange ? 1 : feed ? options.threads : chunkCount(options, fileSize);
  const size_t count = static_cast<size_t>(std::min<int64_t>(options.threads, chunks));
  // Ranges fed with their bytes wait in memory: no more than keep the threads busy.
  ChunkQueue queue(CHUNKS_PER_WORKER * count, feed ? count + 1 : 64);
  RangePlanner planner(options, fileSize, recordLength, feed, &queue, oneRange);
  OrderedWriter writer(options, outputs, rejects, meter);
  std::vector<std::thread> threads;
  ReadOutcome outcome;
  outcome.failed = !startThreads(options, layouts, count, &planner, &queue, std::move(opened),
                                 &threads, &outcome.failure);
  if (!outcome.failed) writeChunks(&queue, &writer);
  queue.cancel();  // the threads end once the writer stops
  for (std::thread& thread : threads) thread.join();
  if (!outcome.failed) {
    outcome.failed = writer.failed();
    outcome.failure = writer.failure();
  }
  outcome.skipped = writer.skipped();
  outcome.unknown = writer.unknown();
  return outcome;
}
