// The record framer's spanned records (vbs, vs): segments behind segment descriptor
// words, in blocks (vbs) or one after another (vs), joined into records.
//
// A segment descriptor word is a record descriptor word whose reserved byte next to
// the length holds the segment's place in its record: the third byte of a big-endian
// word (LL LL CC 00), the second of a little-endian one (00 CC LL LL). A record is a
// whole segment, or a first segment, any middle ones and a last one. A segment out of
// that order ends what was being joined as a bad record; nothing is joined across it.
#include "input/ccb_record_framer.h"

namespace {

const int DESCRIPTOR_SIZE = 4;  // a segment or block descriptor word

// A segment's place in its record.
enum SegmentCode {
  SEGMENT_WHOLE = 0,   // the whole record
  SEGMENT_FIRST = 1,   // its first segment
  SEGMENT_LAST = 2,    // its last segment
  SEGMENT_MIDDLE = 3,  // neither its first nor its last
};

long long offsetAt(const CCBDataFile* file, int position) {
  return static_cast<long long>(file->offsetOf(position));
}

// Reads a segment descriptor word: its data length and segment code; false when it
// cannot be trusted (a reserved byte not zero, an unknown code, a length that cannot
// count its own 4 bytes).
bool readSegmentWord(const unsigned char* word, const FramerSettings& settings, int* length,
                     int* code) {
  const bool little = settings.littleEndian;
  const int reserved = little ? word[0] : word[3];
  *code = little ? word[1] : word[2];
  const int counted = little ? word[2] | word[3] << 8 : word[0] << 8 | word[1];
  if (reserved != 0 || *code > SEGMENT_MIDDLE) return false;
  if (settings.excludesHeader) {
    *length = counted;
    return true;
  }
  *length = counted - DESCRIPTOR_SIZE;
  return counted >= DESCRIPTOR_SIZE;
}

const char* kindName(int code) {
  return code == SEGMENT_LAST ? "last" : "middle";
}

}  // namespace

// Frames the next record: a whole segment, or the segments from a first one to its
// last, joined. A vbs range may start at the block entered here when the record's
// first segment opens it; a vs range at any whole or first segment.
FrameStatus CCBRecordFramer::nextSpanned(CCBDataFile* file, int position, RecordFrame* frame,
                                         QvbString* reason) {
  const bool blocked = settings_.format == CCB_RECORD_VBS;
  const int64_t blockStart = insideBlock() ? -1 : file->offsetOf(position);
  bool joining = false;
  int blockWord = -1;  // the block entered while joining, until a segment of it is taken
  joined_.clear();
  for (;;) {
    if (blocked && blockLeft_ == 0) {
      blockWord = position;
      const FrameStatus entered = enterBlock(file, &position, !joining, reason);
      if (entered == FRAME_END && joining) {
        return badJoin(position, QvbString("the input ends before it"), frame, reason);
      }
      if (entered != FRAME_RECORD) return entered;
    }
    if (!joining && pastRange(file, position)) return FRAME_END;
    Segment segment;
    const FrameStatus read = readSegment(file, position, &segment, reason);
    if (read == FRAME_END && joining) {
      return badJoin(position, QvbString("the input ends before it"), frame, reason);
    }
    if (read != FRAME_RECORD) return read;
    if (!joining) {
      const int64_t split = !blocked ? file->offsetOf(position) : blockStart;
      if (segment.code != SEGMENT_FIRST) {
        return startRecord(file, position, segment, split, frame, reason);
      }
      frame->rawStart = position;
      frame->offset = file->offsetOf(position);
      frame->splitOffset = split;
      joining = true;
    } else if (segment.code == SEGMENT_WHOLE || segment.code == SEGMENT_FIRST) {
      // A block that a new record opens is left to be entered again, where a range
      // may start.
      if (blockWord >= 0) blockLeft_ = 0;
      return badJoin(blockWord >= 0 ? blockWord : position,
                     qvbStringFormat("the segment at byte offset %lld starts another record",
                                     offsetAt(file, position)),
                     frame, reason);
    } else if (static_cast<int64_t>(joined_.size()) + segment.length > settings_.longestRecord) {
      takeSegment(segment);
      frame->next = segment.next;
      frame->length = 0;
      *reason = qvbStringFormat("Record at byte offset %lld is longer than %d bytes",
                                static_cast<long long>(frame->offset), settings_.longestRecord);
      return FRAME_BAD;
    }
    if (segment.length > 0) {
      const unsigned char* data =
          file->view(segment.next - segment.length, segment.length, nullptr);
      joined_.insert(joined_.end(), data, data + segment.length);
    }
    takeSegment(segment);
    blockWord = -1;
    position = segment.next;
    if (segment.code != SEGMENT_LAST) continue;
    frame->next = position;
    frame->length = static_cast<int>(joined_.size());
    frame->joined = joined_.data();
    if (frame->length > 0) return FRAME_RECORD;
    *reason = QvbString("Record of zero length");
    return FRAME_BAD;
  }
}

// Frames a segment that no record is being joined for: a whole record, or one that
// belongs to a record whose first segment is missing, a bad record of its own.
FrameStatus CCBRecordFramer::startRecord(CCBDataFile* file, int position, const Segment& segment,
                                         int64_t splitOffset, RecordFrame* frame,
                                         QvbString* reason) {
  takeSegment(segment);
  frame->rawStart = position;
  frame->offset = file->offsetOf(position);
  frame->start = position + DESCRIPTOR_SIZE;
  frame->length = segment.length;
  frame->next = segment.next;
  if (segment.code != SEGMENT_WHOLE) {
    *reason = qvbStringFormat("Segment at byte offset %lld is a %s segment with no first segment",
                              offsetAt(file, position), kindName(segment.code));
    return FRAME_BAD;
  }
  frame->splitOffset = splitOffset;
  if (segment.length > 0) return FRAME_RECORD;
  *reason = QvbString("Record of zero length");
  return FRAME_BAD;
}

// The segments joined so far, up to end, as a bad record that lacks its last segment.
FrameStatus CCBRecordFramer::badJoin(int end, const QvbString& why, RecordFrame* frame,
                                     QvbString* reason) {
  frame->next = end;
  frame->length = static_cast<int>(joined_.size());
  frame->joined = joined_.data();
  *reason = qvbStringFormat("Record at byte offset %lld has no last segment: %s",
                            static_cast<long long>(frame->offset), why.asCstr());
  return FRAME_BAD;
}

// Reads the segment at position, which must lie whole inside its block (vbs) and the
// input. FRAME_END where the input ends before it.
FrameStatus CCBRecordFramer::readSegment(CCBDataFile* file, int position, Segment* segment,
                                         QvbString* reason) {
  const bool blocked = settings_.format == CCB_RECORD_VBS;
  if (blocked && blockLeft_ < DESCRIPTOR_SIZE) {
    *reason = qvbStringFormat("Block ends inside a segment descriptor word at byte offset %lld",
                              offsetAt(file, position));
    return FRAME_FAILED;
  }
  const int present = file->available(position, DESCRIPTOR_SIZE);
  if (present == 0 && !blocked) return FRAME_END;
  if (present < DESCRIPTOR_SIZE) {
    if (present < 0) {
      *reason = file->getErrorMessage();
    } else if (present == 0) {
      *reason = qvbStringFormat("Block at byte offset %lld runs past the end of the file",
                                static_cast<long long>(blockOffset_));
    } else {
      *reason = qvbStringFormat("Segment descriptor word at byte offset %lld is cut short",
                                offsetAt(file, position));
    }
    return FRAME_FAILED;
  }
  if (!readSegmentWord(file->view(position, DESCRIPTOR_SIZE, nullptr), settings_, &segment->length,
                       &segment->code)) {
    *reason = qvbStringFormat("Invalid segment descriptor word at byte offset %lld",
                              offsetAt(file, position));
    return FRAME_FAILED;
  }
  const int64_t total = static_cast<int64_t>(DESCRIPTOR_SIZE) + segment->length;
  if (blocked && total > blockLeft_) {
    *reason = qvbStringFormat("Segment at byte offset %lld runs past the end of its block",
                              offsetAt(file, position));
    return FRAME_FAILED;
  }
  const int whole = file->available(position, static_cast<int>(total));
  if (whole < total) {
    *reason = present < 0
                  ? file->getErrorMessage()
                  : qvbStringFormat("Segment at byte offset %lld runs past the end of the file",
                                    offsetAt(file, position));
    return FRAME_FAILED;
  }
  segment->next = position + static_cast<int>(total);
  return FRAME_RECORD;
}

// Counts a segment read against its block.
void CCBRecordFramer::takeSegment(const Segment& segment) {
  if (settings_.format == CCB_RECORD_VBS) blockLeft_ -= DESCRIPTOR_SIZE + segment.length;
}
