#include "ordered_writer.h"

#include <algorithm>
#include <string_view>

#include "reader_setup.h"

OrderedWriter::OrderedWriter(const ReadOptions& options, OutputFile* output, RejectsFile* rejects,
                             ProgressMeter* meter)
    : options_(options), output_(output), rejects_(rejects), meter_(meter) {}

bool OrderedWriter::write(const ChunkOutput& chunk) {
  size_t from = 0;
  for (const BadRecordNote& note : chunk.badRecords) {
    if (!writeRows(chunk, from, note.recordsBefore) || !passOver(note)) return false;
    from = note.recordsBefore;
  }
  if (!writeRows(chunk, from, chunk.rowEnds.size())) return false;
  meter_->update(chunk.inputEnd, written_);
  if (!chunk.failed) return true;
  failed_ = true;
  failure_ = chunk.failure;
  return false;
}

// Rows [from, to) of the chunk, as many as the limit leaves; false once the limit
// is reached (no further record is read then) or writing failed.
bool OrderedWriter::writeRows(const ChunkOutput& chunk, size_t from, size_t to) {
  const int64_t limit = options_.limit;
  if (limit >= 0 && written_ >= limit) return false;
  size_t count = to - from;
  if (limit >= 0) count = std::min(count, static_cast<size_t>(limit - written_));
  const size_t begin = from == 0 ? 0 : chunk.rowEnds[from - 1];
  const size_t end = count == 0 ? begin : chunk.rowEnds[from + count - 1];
  if (end > begin && !output_->write(chunk.text.view().substr(begin, end - begin))) {
    return false;
  }
  written_ += static_cast<int64_t>(count);
  return limit < 0 || written_ < limit;
}

bool OrderedWriter::passOver(const BadRecordNote& note) {
  if (options_.maxErrors >= 0 && skipped_ >= options_.maxErrors) {
    failed_ = true;
    failure_ = recordFailure(options_, note.number, note.offset, note.reason);
    return false;
  }
  ++skipped_;
  if (rejects_ == nullptr) return true;
  rejects_->badRecord(note.number, note.offset,
                      reinterpret_cast<const unsigned char*>(note.bytes.data()),
                      static_cast<int>(note.bytes.size()), note.reason);
  return !rejects_->failed();
}
