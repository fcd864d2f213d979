#include "input/ccb_record_framer.h"

#include <cstring>

namespace {

const int DESCRIPTOR_SIZE = 4;               // a record or block descriptor word
const int SHORT_DESCRIPTOR_SIZE = 2;         // GnuCOBOL's variable-file form 3: a length alone
const int LONGEST_LINE = 256 * 1024 * 1024;  // no record is longer
const int FIRST_LINE_SCAN = 256;             // bytes looked at first for a line end
const unsigned char EXTENDED_BLOCK = 0x80;   // a block descriptor's 31-bit form

// The forms of GnuCOBOL's variable files (COB_VARSEQ_FORMAT): the length before
// each record, which counts its data alone.
enum VarseqForm {
  VARSEQ_SHORT_ZEROS = 0,  // 2 bytes big-endian, then 2 zero bytes
  VARSEQ_LONG = 1,         // 4 bytes big-endian
  VARSEQ_LONG_LITTLE = 2,  // 4 bytes little-endian
  VARSEQ_SHORT = 3,        // 2 bytes big-endian
};

long long offsetAt(const CCBDataFile* file, int position) {
  return static_cast<long long>(file->offsetOf(position));
}

int bigEndian16(const unsigned char* p) {
  return p[0] << 8 | p[1];
}

int64_t bigEndian32(const unsigned char* p) {
  return static_cast<int64_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// The data length a GnuCOBOL variable file's word gives; -1 when it cannot be
// trusted (non-zero reserved bytes, a length longer than any record).
int varseqDataLength(const unsigned char* word, int form) {
  int64_t length = 0;
  switch (form) {
    case VARSEQ_SHORT_ZEROS:
      if ((word[2] | word[3]) != 0) return -1;
      length = bigEndian16(word);
      break;
    case VARSEQ_LONG:
      length = bigEndian32(word);
      break;
    case VARSEQ_LONG_LITTLE:
      length = static_cast<int64_t>(word[3]) << 24 | word[2] << 16 | word[1] << 8 | word[0];
      break;
    default:
      length = bigEndian16(word);
      break;
  }
  return length > LONGEST_LINE ? -1 : static_cast<int>(length);
}

// The data length a record descriptor word gives, or -1 when it cannot be trusted
// (non-zero reserved bytes, a length that cannot count its own 4 bytes).
int rdwDataLength(const unsigned char* word, const FramerSettings& settings) {
  if (settings.varseqFormat >= 0) return varseqDataLength(word, settings.varseqFormat);
  const bool little = settings.littleEndian;
  const int reserved = little ? word[0] | word[1] : word[2] | word[3];
  const int length = little ? word[2] | word[3] << 8 : word[0] << 8 | word[1];
  if (reserved != 0) return -1;
  if (settings.excludesHeader || length == 0) return length;
  return length < DESCRIPTOR_SIZE ? -1 : length - DESCRIPTOR_SIZE;
}

// The length a block descriptor word gives, its own 4 bytes included (excludesHeader:
// added to what it gives); -1 when it cannot be trusted.
int64_t bdwLength(const unsigned char* word, bool excludesHeader) {
  int64_t length = 0;
  if ((word[0] & EXTENDED_BLOCK) != 0) {
    length = static_cast<int64_t>(word[0] & ~EXTENDED_BLOCK) << 24 | word[1] << 16 | word[2] << 8 |
             word[3];
  } else if ((word[2] | word[3]) != 0) {
    return -1;
  } else {
    length = word[0] << 8 | word[1];
  }
  if (excludesHeader) return length + DESCRIPTOR_SIZE;
  return length < DESCRIPTOR_SIZE ? -1 : length;
}

}  // namespace

FramerSettings CCBRecordFramer::settingsOf(const CCBReadOptions& options, int recordLength,
                                           int64_t rangeEnd) {
  FramerSettings settings;
  settings.format = options.getRecordFormat();
  settings.recordLength = recordLength;
  settings.littleEndian = options.getRdwLittleEndian();
  settings.excludesHeader = options.getRdwExcludesHeader();
  settings.blockExcludesHeader = options.getBdwExcludesHeader();
  settings.varseqFormat = options.getVarseqFormat();
  settings.rangeEnd = rangeEnd;
  return settings;
}

void CCBRecordFramer::reset(const FramerSettings& settings) {
  settings_ = settings;
  const bool shortWords =
      settings.format == CCB_RECORD_RDW && settings.varseqFormat == VARSEQ_SHORT;
  descriptorSize_ = shortWords ? SHORT_DESCRIPTOR_SIZE : DESCRIPTOR_SIZE;
  blockLeft_ = 0;
}

FrameStatus CCBRecordFramer::next(CCBDataFile* file, int position, RecordFrame* frame,
                                  QvbString* reason) {
  frame->rawStart = frame->start = frame->next = position;
  frame->length = 0;
  frame->offset = file->offsetOf(position);
  frame->splitOffset = -1;
  frame->joined = nullptr;
  switch (settings_.format) {
    case CCB_RECORD_RDW:
      return nextRdw(file, position, frame, reason);
    case CCB_RECORD_VB:
      return nextVb(file, position, frame, reason);
    case CCB_RECORD_LINES:
      return nextLine(file, position, frame, reason);
    case CCB_RECORD_VBS:
    case CCB_RECORD_VS:
      return nextSpanned(file, position, frame, reason);
    default:
      return nextFixed(file, position, frame, reason);
  }
}

bool CCBRecordFramer::pastRange(const CCBDataFile* file, int position) const {
  return settings_.rangeEnd >= 0 && file->offsetOf(position) >= settings_.rangeEnd;
}

FrameStatus CCBRecordFramer::nextFixed(CCBDataFile* file, int position, RecordFrame* frame,
                                       QvbString* reason) {
  if (pastRange(file, position)) return FRAME_END;
  const int length = settings_.recordLength;
  const int present = file->available(position, length);
  if (present < 0) {
    *reason = file->getErrorMessage();
    return FRAME_FAILED;
  }
  if (present == 0) return FRAME_END;
  frame->splitOffset = frame->offset;
  frame->length = present;
  frame->next = position + present;
  if (present == length) return FRAME_RECORD;
  *reason = qvbStringFormat("Record cut short: %d of %d bytes", present, length);
  return FRAME_BAD;
}

FrameStatus CCBRecordFramer::nextRdw(CCBDataFile* file, int position, RecordFrame* frame,
                                     QvbString* reason) {
  if (pastRange(file, position)) return FRAME_END;
  const int size = descriptorSize_;
  const int present = file->available(position, size);
  if (present == 0 && !insideBlock()) return FRAME_END;
  if (present == 0) {
    *reason = qvbStringFormat("Block at byte offset %lld runs past the end of the file",
                              static_cast<long long>(blockOffset_));
    return FRAME_FAILED;
  }
  if (present < size) {
    *reason = present < 0
                  ? file->getErrorMessage()
                  : qvbStringFormat("Record descriptor word at byte offset %lld is cut short",
                                    offsetAt(file, position));
    return FRAME_FAILED;
  }
  const int length = rdwDataLength(file->view(position, size, nullptr), settings_);
  if (length < 0) {
    *reason = qvbStringFormat("Invalid record descriptor word at byte offset %lld",
                              offsetAt(file, position));
    return FRAME_FAILED;
  }
  const int64_t total = static_cast<int64_t>(size) + length;
  if (settings_.format == CCB_RECORD_VB && total > blockLeft_) {
    *reason = qvbStringFormat("Record at byte offset %lld runs past the end of its block",
                              offsetAt(file, position));
    return FRAME_FAILED;
  }
  const int whole = file->available(position, static_cast<int>(total));
  if (whole < total) {
    *reason = whole < 0
                  ? file->getErrorMessage()
                  : qvbStringFormat("Record at byte offset %lld runs past the end of the file",
                                    offsetAt(file, position));
    return FRAME_FAILED;
  }
  blockLeft_ -= settings_.format == CCB_RECORD_VB ? total : 0;
  if (settings_.format == CCB_RECORD_RDW) frame->splitOffset = frame->offset;
  frame->start = position + size;
  frame->length = length;
  frame->next = frame->start + length;
  if (length > 0) return FRAME_RECORD;
  *reason = QvbString("Record of zero length");
  return FRAME_BAD;
}

// Enters blocks until one holds a record, then frames that record; a range may start
// at the first block entered when the record is that block's first.
FrameStatus CCBRecordFramer::nextVb(CCBDataFile* file, int position, RecordFrame* frame,
                                    QvbString* reason) {
  const int64_t blockStart = insideBlock() ? -1 : file->offsetOf(position);
  const FrameStatus entered = enterBlock(file, &position, true, reason);
  if (entered != FRAME_RECORD) return entered;
  if (blockLeft_ < DESCRIPTOR_SIZE) {
    *reason = qvbStringFormat("Block ends inside a record descriptor word at byte offset %lld",
                              offsetAt(file, position));
    return FRAME_FAILED;
  }
  frame->rawStart = frame->start = frame->next = position;
  frame->offset = file->offsetOf(position);
  const FrameStatus status = nextRdw(file, position, frame, reason);
  frame->splitOffset = blockStart;
  return status;
}

// Enters the blocks from *position on until one holds more than its descriptor word,
// and moves *position past their words. FRAME_RECORD once inside a block; FRAME_END
// where the input ends, or, with checkRange, where a block starts at or past the
// range's end.
FrameStatus CCBRecordFramer::enterBlock(CCBDataFile* file, int* position, bool checkRange,
                                        QvbString* reason) {
  while (blockLeft_ == 0) {
    if (checkRange && pastRange(file, *position)) return FRAME_END;
    const int present = file->available(*position, DESCRIPTOR_SIZE);
    if (present == 0) return FRAME_END;
    const int64_t length = present == DESCRIPTOR_SIZE
                               ? bdwLength(file->view(*position, DESCRIPTOR_SIZE, nullptr),
                                           settings_.blockExcludesHeader)
                               : -1;
    if (length < 0) {
      *reason = present < 0 ? file->getErrorMessage()
                            : qvbStringFormat("Invalid block descriptor word at byte offset %lld",
                                              offsetAt(file, *position));
      return FRAME_FAILED;
    }
    blockLeft_ = length - DESCRIPTOR_SIZE;
    blockOffset_ = file->offsetOf(*position);
    *position += DESCRIPTOR_SIZE;
  }
  return FRAME_RECORD;
}

// A line ends at LF, its CR before the LF dropped; the last line may lack its end.
FrameStatus CCBRecordFramer::nextLine(CCBDataFile* file, int position, RecordFrame* frame,
                                      QvbString* reason) {
  if (pastRange(file, position)) return FRAME_END;
  int scanned = 0;
  for (int wanted = FIRST_LINE_SCAN;; wanted *= 2) {
    const int present = file->available(position, wanted);
    if (present < 0) {
      *reason = file->getErrorMessage();
      return FRAME_FAILED;
    }
    if (present == 0) return FRAME_END;
    const unsigned char* bytes = file->view(position, present, nullptr);
    const void* end = std::memchr(bytes + scanned, '\n', static_cast<size_t>(present - scanned));
    if (end == nullptr && present == wanted && wanted < LONGEST_LINE) {
      scanned = present;
      continue;
    }
    if (end == nullptr && present == wanted) {
      *reason = qvbStringFormat("Line at byte offset %lld is longer than %d bytes",
                                offsetAt(file, position), LONGEST_LINE);
      return FRAME_FAILED;
    }
    int length =
        end != nullptr ? static_cast<int>(static_cast<const unsigned char*>(end) - bytes) : present;
    frame->splitOffset = frame->offset;
    frame->next = position + length + (end != nullptr ? 1 : 0);
    if (length > 0 && bytes[length - 1] == '\r') --length;
    frame->length = length;
    return FRAME_RECORD;
  }
}
