#include "chunk_queue.h"

ChunkQueue::ChunkQueue(size_t window, size_t maxWaiting)
    : maxWaiting_(maxWaiting < 2 ? 2 : maxWaiting), chunks_(window), states_(window, FILLING) {}

bool ChunkQueue::addRange(int64_t start, int64_t firstRecord,
                          std::shared_ptr<const std::string> bytes, std::string failure) {
  std::unique_lock<std::mutex> lock(mutex_);
  plannerWait_.wait(lock, [this] { return cancelled() || waiting_.size() < maxWaiting_; });
  if (cancelled()) return false;
  waiting_.push_back({start, firstRecord, std::move(bytes), std::move(failure)});
  workerWait_.notify_all();
  return true;
}

void ChunkQueue::endRanges(int64_t end) {
  std::lock_guard<std::mutex> lock(mutex_);
  rangesEnded_ = true;
  lastEnd_ = end;
  workerWait_.notify_all();
  writerWait_.notify_all();
}

// A range can be taken once the next one's start, or the end, says where it ends.
bool ChunkQueue::rangeReady() const {
  return waiting_.size() >= 2 || (rangesEnded_ && !waiting_.empty());
}

bool ChunkQueue::takeRange(ReadRange* range, ChunkOutput** chunk) {
  std::unique_lock<std::mutex> lock(mutex_);
  workerWait_.wait(lock, [this] {
    return cancelled() || (rangesEnded_ && waiting_.empty()) ||
           (rangeReady() && taken_ < written_ + chunks_.size());
  });
  if (cancelled() || waiting_.empty()) return false;
  range->start = waiting_[0].start;
  range->firstRecord = waiting_[0].firstRecord;
  range->bytes = std::move(waiting_[0].bytes);
  range->failure = std::move(waiting_[0].failure);
  range->end = waiting_.size() >= 2 ? waiting_[1].start : lastEnd_;
  waiting_.pop_front();
  *chunk = &chunks_[slotOf(taken_++)];
  plannerWait_.notify_one();
  return true;
}

void ChunkQueue::chunkFilled(const ChunkOutput* chunk) {
  std::lock_guard<std::mutex> lock(mutex_);
  states_[static_cast<size_t>(chunk - chunks_.data())] = FILLED;
  writerWait_.notify_one();
}

bool ChunkQueue::partFilled(ChunkOutput* chunk) {
  const size_t slot = static_cast<size_t>(chunk - chunks_.data());
  std::unique_lock<std::mutex> lock(mutex_);
  states_[slot] = PART_FILLED;
  writerWait_.notify_one();
  workerWait_.wait(lock, [this, slot] { return cancelled() || states_[slot] == FILLING; });
  return !cancelled();
}

const ChunkOutput* ChunkQueue::nextChunk() {
  std::unique_lock<std::mutex> lock(mutex_);
  const size_t slot = slotOf(written_);
  writerWait_.wait(lock, [this, slot] {
    return cancelled() || states_[slot] != FILLING ||
           (rangesEnded_ && waiting_.empty() && taken_ == written_);
  });
  return cancelled() || states_[slot] == FILLING ? nullptr : &chunks_[slot];
}

// A part written is cleared for its worker to fill on; a whole chunk frees its slot.
void ChunkQueue::chunkWritten() {
  std::lock_guard<std::mutex> lock(mutex_);
  const size_t slot = slotOf(written_);
  if (states_[slot] == PART_FILLED) {
    chunks_[slot].clear();
  } else {
    ++written_;
  }
  states_[slot] = FILLING;
  workerWait_.notify_all();
}

void ChunkQueue::cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
  plannerWait_.notify_all();
  workerWait_.notify_all();
  writerWait_.notify_all();
}
