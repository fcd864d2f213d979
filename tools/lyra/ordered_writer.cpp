#include "ordered_writer.h"

#include <algorithm>
#include <string_view>

#include "reader_setup.h"

OrderedWriter::OrderedWriter(const ReadOptions& options, const std::vector<OutputFile*>& outputs,
                             RejectsFile* rejects, ProgressMeter* meter)
    : options_(options), outputs_(outputs), rejects_(rejects), meter_(meter) {}

// Of the part's records of unknown type, those a read by one thread meets before it
// stops count: before its last row written, or its bad record past --max-errors.
bool OrderedWriter::write(const ChunkOutput& chunk) {
  size_t from = 0;
  partRows_ = 0;
  for (const BadRecordNote& note : chunk.badRecords) {
    if (!writeRows(chunk, from, note.recordsBefore)) return stopAtRows(chunk);
    if (!passOver(note)) {
      countUnknown(chunk.unknown, note.unknownsBefore);
      return false;
    }
    from = note.recordsBefore;
  }
  if (!writeRows(chunk, from, chunk.rowEnds.size())) return stopAtRows(chunk);
  countUnknown(chunk.unknown, chunk.unknown.count);
  meter_->update(chunk.inputEnd, written_);
  if (!chunk.failed) return true;
  failed_ = true;
  failure_ = chunk.failure;
  return false;
}

bool OrderedWriter::stopAtRows(const ChunkOutput& chunk) {
  int64_t before = 0;  // the records of unknown type before the last row written
  for (const UnknownMark& mark : chunk.unknownMarks) {
    if (partRows_ == 0 || mark.row > partRows_ - 1) break;
    before = mark.before;
  }
  countUnknown(chunk.unknown, before);
  return false;
}

// Counts count records of unknown type of a part; the first of them all is the
// first of the first part that has any.
void OrderedWriter::countUnknown(const UnknownRecords& part, int64_t count) {
  if (count == 0) return;
  if (unknown_.count == 0) {
    unknown_.number = part.number;
    unknown_.offset = part.offset;
    unknown_.identifier = part.identifier;
  }
  unknown_.count += count;
}

// Rows [from, to) of the chunk, as many as the limit leaves; false once the limit
// is reached (no further record is read then) or writing failed.
bool OrderedWriter::writeRows(const ChunkOutput& chunk, size_t from, size_t to) {
  const int64_t limit = options_.limit;
  if (limit >= 0 && written_ >= limit) return false;
  size_t count = to - from;
  if (limit >= 0) count = std::min(count, static_cast<size_t>(limit - written_));
  if (count > 0 && !writeText(chunk, from, from + count)) return false;
  written_ += static_cast<int64_t>(count);
  partRows_ = from + count;
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

// The text of rows [from, to), each run of rows of one output at once.
bool OrderedWriter::writeText(const ChunkOutput& chunk, size_t from, size_t to) {
  const bool routed = !chunk.rowOutputs.empty();
  for (size_t row = from; row < to;) {
    size_t end = row + 1;
    while (routed && end < to && chunk.rowOutputs[end] == chunk.rowOutputs[row]) ++end;
    if (!routed) end = to;
    const size_t begin = row == 0 ? 0 : chunk.rowEnds[row - 1];
    const size_t stop = chunk.rowEnds[end - 1];
    OutputFile* output = outputs_[routed ? chunk.rowOutputs[row] : 0];
    if (stop > begin && !output->write(chunk.text.view().substr(begin, stop - begin))) return false;
    row = end;
  }
  return true;
}
