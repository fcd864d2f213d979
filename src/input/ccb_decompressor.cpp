#include "input/ccb_decompressor.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

const size_t INPUT_BLOCK = 128 * 1024;  // compressed bytes read at a time
const size_t WINDOW_BYTES = 32 * 1024;  // the history a deflate stream refers back to
const int GZIP_TRAILER = 8;             // a member's CRC-32 and length
const int GZIP_WINDOW_BITS = 15 + 16;   // zlib: a gzip member, header and trailer read
const int RAW_WINDOW_BITS = -15;        // zlib: a deflate stream alone
// zlib's data_type after inflate(Z_BLOCK): the stream stands at the end of a block, and
// is inside the last one.
const int DEFLATE_BLOCK_END = 128;
const int DEFLATE_LAST_BLOCK = 64;
const int DEFLATE_UNUSED_BITS = 7;

const unsigned char GZIP_MAGIC[] = {0x1F, 0x8B, 0x08};  // deflate, the one gzip method
const unsigned char BZIP2_MAGIC[] = {'B', 'Z', 'h'};
const unsigned char ZSTD_MAGIC[] = {0x28, 0xB5, 0x2F, 0xFD};
// The first bytes of a bzip2 stream's first block, or of its end when it holds none.
const unsigned char BZIP2_BLOCK[] = {0x31, 0x41, 0x59, 0x26, 0x53, 0x59};
const unsigned char BZIP2_END[] = {0x17, 0x72, 0x45, 0x38, 0x50, 0x90};

bool startsWith(const unsigned char* bytes, size_t n, const unsigned char* magic, size_t size) {
  return n >= size && std::memcmp(bytes, magic, size) == 0;
}

// A zstd skippable frame: 50 to 5F, then 2A 4D 18.
bool isSkippableFrame(const unsigned char* bytes, size_t n) {
  return n >= 4 && (bytes[0] & 0xF0) == 0x50 && bytes[1] == 0x2A && bytes[2] == 0x4D &&
         bytes[3] == 0x18;
}

const char* nameOf(CCBCompression compression) {
  return ccbCompressionName(compression);
}

}  // namespace

CCBCompression CCBDecompressor::detect(const unsigned char* bytes, int n) {
  const size_t size = n > 0 ? static_cast<size_t>(n) : 0;
  // The flags byte of a gzip header has its top three bits clear.
  if (startsWith(bytes, size, GZIP_MAGIC, 3) && (size < 4 || (bytes[3] & 0xE0) == 0)) {
    return CCB_COMPRESSION_GZIP;
  }
  if (startsWith(bytes, size, ZSTD_MAGIC, 4)) return CCB_COMPRESSION_ZSTD;
  if (startsWith(bytes, size, BZIP2_MAGIC, 3) && size >= 4 && bytes[3] >= '1' && bytes[3] <= '9' &&
      (size < 10 || startsWith(bytes + 4, size - 4, BZIP2_BLOCK, 6) ||
       startsWith(bytes + 4, size - 4, BZIP2_END, 6))) {
    return CCB_COMPRESSION_BZIP2;
  }
  return CCB_COMPRESSION_NONE;
}

CCBDecompressor::CCBDecompressor(CCBCompression compression) : compression_(compression) {}

CCBDecompressor::~CCBDecompressor() {
  if (zlibReady_) inflateEnd(&zlib_);
  if (bzip2Ready_) BZ2_bzDecompressEnd(&bzip2_);
  ZSTD_freeDCtx(zstd_);
}

bool CCBDecompressor::openDescriptor(NpFioHandle handle, bool seekable, const unsigned char* prefix,
                                     int n) {
  handle_ = handle;
  seekable_ = seekable;
  buffer_.assign(prefix, prefix + n);
  next_ = buffer_.data();
  avail_ = buffer_.size();
  return startLibraries();
}

bool CCBDecompressor::openMemory(const unsigned char* data, int64_t size) {
  memory_ = data;
  memorySize_ = size;
  seekable_ = true;
  next_ = data;
  avail_ = static_cast<size_t>(size);
  inputEnded_ = true;  // nothing follows these bytes
  return startLibraries();
}

// The gzip and zstd states are made once and reset for each member or frame; a bzip2
// state is made for each stream.
bool CCBDecompressor::startLibraries() {
  if (compression_ == CCB_COMPRESSION_GZIP) {
    zlibReady_ = inflateInit2(&zlib_, GZIP_WINDOW_BITS) == Z_OK;
    if (!zlibReady_) return refuse(QvbString("Out of memory for gzip decompression"));
  } else if (compression_ == CCB_COMPRESSION_ZSTD) {
    zstd_ = ZSTD_createDCtx();
    if (zstd_ == nullptr) return refuse(QvbString("Out of memory for zstd decompression"));
  }
  return true;
}

// The bytes made before damage or a cut are given first; the next call fails.
int CCBDecompressor::read(unsigned char* dest, int n) {
  int produced = 0;
  while (produced < n && state_ != STATE_ENDED && state_ != STATE_FAILED) {
    const int made = step(dest + produced, n - produced);
    if (made > 0) produced += made;
  }
  return produced > 0 || state_ != STATE_FAILED ? produced : -1;
}

// One step: a unit (member, stream, frame) started, trailer bytes passed, or bytes of
// output made. A step that makes no progress while the input has ended inside a unit
// finds it cut short.
int CCBDecompressor::step(unsigned char* dest, int n) {
  if (state_ == STATE_START) return startUnit() ? 0 : -1;
  if (state_ == STATE_TRAILER) return passTrailer() ? 0 : -1;
  if (!ensureInput(1) && state_ == STATE_FAILED) return -1;
  const size_t before = avail_;
  int made = 0;
  if (compression_ == CCB_COMPRESSION_GZIP) {
    made = stepGzip(dest, n);
  } else if (compression_ == CCB_COMPRESSION_BZIP2) {
    made = stepBzip2(dest, n);
  } else {
    made = stepZstd(dest, n);
  }
  if (made != 0 || avail_ != before || state_ != STATE_INSIDE) return made;
  if (ensureInput(avail_ + 1)) return 0;
  if (state_ == STATE_FAILED) return -1;
  return fail(qvbStringFormat("The %s data is cut short: it ends at decompressed byte offset %lld",
                              nameOf(compression_), static_cast<long long>(out_)));
}

// At the start of a unit, or at the end of the input. Zero bytes after the last unit
// are padding (tape blocks and archivers leave them); anything else is damage.
bool CCBDecompressor::startUnit() {
  if (!ensureInput(4) && state_ == STATE_FAILED) return false;
  if (avail_ == 0) {
    state_ = STATE_ENDED;
    return true;
  }
  const bool unit =
      compression_ == CCB_COMPRESSION_GZIP ? startsWith(next_, avail_, GZIP_MAGIC, 2)
      : compression_ == CCB_COMPRESSION_BZIP2
          ? startsWith(next_, avail_, BZIP2_MAGIC, 3)
          : startsWith(next_, avail_, ZSTD_MAGIC, 4) || isSkippableFrame(next_, avail_);
  if (!unit) return passPadding();
  if (noting_) {
    CCBEntryPoint point;
    point.in = nextOffset_;
    point.out = out_;
    points_.push_back(point);
    lastPoint_ = out_;
  }
  state_ = STATE_INSIDE;
  rawDeflate_ = false;
  if (compression_ == CCB_COMPRESSION_GZIP) return inflateReset2(&zlib_, GZIP_WINDOW_BITS) == Z_OK;
  if (compression_ == CCB_COMPRESSION_ZSTD) {
    return !ZSTD_isError(ZSTD_DCtx_reset(zstd_, ZSTD_reset_session_only));
  }
  if (bzip2Ready_) BZ2_bzDecompressEnd(&bzip2_);
  bzip2_ = bz_stream();
  bzip2Ready_ = BZ2_bzDecompressInit(&bzip2_, 0, 0) == BZ_OK;
  return bzip2Ready_ || refuse(QvbString("Out of memory for bzip2 decompression"));
}

bool CCBDecompressor::passPadding() {
  while (avail_ > 0 || ensureInput(1)) {
    if (next_[0] != 0) {
      return refuse(
          qvbStringFormat("The data after the %s data at compressed byte offset %lld "
                          "(decompressed byte offset %lld) is no %s data",
                          nameOf(compression_), static_cast<long long>(nextOffset_),
                          static_cast<long long>(out_), nameOf(compression_)));
    }
    consume(1);
  }
  if (state_ == STATE_FAILED) return false;
  state_ = STATE_ENDED;
  return true;
}

int CCBDecompressor::stepGzip(unsigned char* dest, int n) {
  zlib_.next_in = const_cast<Bytef*>(next_);
  zlib_.avail_in = static_cast<uInt>(std::min<size_t>(avail_, UINT_MAX));
  zlib_.next_out = dest;
  zlib_.avail_out = static_cast<uInt>(n);
  const uInt given = zlib_.avail_in;
  const int result = inflate(&zlib_, noting_ ? Z_BLOCK : Z_NO_FLUSH);
  consume(given - zlib_.avail_in);
  const int made = n - static_cast<int>(zlib_.avail_out);
  out_ += made;
  keepHistory(dest, made);
  if (result == Z_STREAM_END) {
    // After a restart within a member, its trailer is no part of the deflate stream.
    trailerLeft_ = GZIP_TRAILER;
    state_ = rawDeflate_ ? STATE_TRAILER : STATE_START;
    return made;
  }
  if (result == Z_OK || result == Z_BUF_ERROR) {
    noteBlockEnd();
    return made;
  }
  fail(damaged(zlib_.msg != nullptr ? zlib_.msg : "the data is not deflate data"));
  return made;
}

// In gzip, the end of a deflate block (not the last of its member) where the output
// has moved on at least spacing bytes: an entry point, with the bits of the byte the
// block ends in that belong to the next block, and the output before it.
void CCBDecompressor::noteBlockEnd() {
  const int type = zlib_.data_type;
  if (!noting_ || spacing_ <= 0 || (type & DEFLATE_BLOCK_END) == 0 ||
      (type & DEFLATE_LAST_BLOCK) != 0 || out_ - lastPoint_ < spacing_) {
    return;
  }
  CCBEntryPoint point;
  point.in = nextOffset_;
  point.bits = type & DEFLATE_UNUSED_BITS;
  point.out = out_;
  const size_t kept = static_cast<size_t>(std::min<int64_t>(out_, WINDOW_BYTES));
  point.window.resize(kept);
  for (size_t i = 0; i < kept; ++i) {
    point.window[i] = history_[(historyAt_ + WINDOW_BYTES - kept + i) % WINDOW_BYTES];
  }
  points_.push_back(std::move(point));
  lastPoint_ = out_;
}

// Passes the 8-byte trailer of a member read from a restart within it.
bool CCBDecompressor::passTrailer() {
  while (trailerLeft_ > 0) {
    if (!ensureInput(1)) {
      if (state_ == STATE_FAILED) return false;
      return refuse(
          qvbStringFormat("The gzip data is cut short: it ends at decompressed byte "
                          "offset %lld",
                          static_cast<long long>(out_)));
    }
    const size_t passed = std::min<size_t>(avail_, static_cast<size_t>(trailerLeft_));
    consume(passed);
    trailerLeft_ -= static_cast<int>(passed);
  }
  state_ = STATE_START;
  return true;
}

int CCBDecompressor::stepBzip2(unsigned char* dest, int n) {
  bzip2_.next_in = reinterpret_cast<char*>(const_cast<unsigned char*>(next_));
  bzip2_.avail_in = static_cast<unsigned>(std::min<size_t>(avail_, UINT_MAX));
  bzip2_.next_out = reinterpret_cast<char*>(dest);
  bzip2_.avail_out = static_cast<unsigned>(n);
  const unsigned given = bzip2_.avail_in;
  const int result = BZ2_bzDecompress(&bzip2_);
  consume(given - bzip2_.avail_in);
  const int made = n - static_cast<int>(bzip2_.avail_out);
  out_ += made;
  if (result == BZ_STREAM_END) {
    BZ2_bzDecompressEnd(&bzip2_);
    bzip2Ready_ = false;
    state_ = STATE_START;
    return made;
  }
  if (result != BZ_OK) {
    fail(damaged(result == BZ_MEM_ERROR ? "out of memory" : "the data is not bzip2 data"));
  }
  return made;
}

int CCBDecompressor::stepZstd(unsigned char* dest, int n) {
  ZSTD_inBuffer input = {next_, avail_, 0};
  ZSTD_outBuffer output = {dest, static_cast<size_t>(n), 0};
  const size_t result = ZSTD_decompressStream(zstd_, &output, &input);
  consume(input.pos);
  out_ += static_cast<int64_t>(output.pos);
  if (ZSTD_isError(result)) {
    fail(damaged(ZSTD_getErrorName(result)));
  } else if (result == 0) {
    state_ = STATE_START;  // the frame is decoded, its output all given
  }
  return static_cast<int>(output.pos);
}

bool CCBDecompressor::restart(const CCBEntryPoint& point) {
  const bool within = !point.window.empty() || point.bits > 0;
  if (!seekable_ || point.in < 0 || point.out < 0 || point.bits > 7 ||
      (within && compression_ != CCB_COMPRESSION_GZIP) || point.window.size() > WINDOW_BYTES) {
    return refuse(QvbString("Cannot start decompressing over at this entry point"));
  }
  if (!seekInput(point.in - (point.bits > 0 ? 1 : 0))) return false;
  out_ = lastPoint_ = point.out;
  state_ = STATE_START;
  if (!within) return true;
  if (inflateReset2(&zlib_, RAW_WINDOW_BITS) != Z_OK) return refuse(damaged("no restart"));
  if (point.bits > 0) {
    if (!ensureInput(1)) return refuse(damaged("the entry point lies past the end"));
    const int byte = next_[0];
    consume(1);
    inflatePrime(&zlib_, point.bits, byte >> (8 - point.bits));
  }
  if (!point.window.empty() &&
      inflateSetDictionary(&zlib_, point.window.data(), static_cast<uInt>(point.window.size())) !=
          Z_OK) {
    return refuse(damaged("the entry point's window is refused"));
  }
  rawDeflate_ = true;
  state_ = STATE_INSIDE;
  return true;
}

void CCBDecompressor::noteEntryPoints(int64_t spacing) {
  noting_ = true;
  spacing_ = spacing;
  history_.assign(WINDOW_BYTES, 0);
  historyAt_ = 0;
  lastPoint_ = -1;
}

std::vector<CCBEntryPoint> CCBDecompressor::takeEntryPoints() {
  std::vector<CCBEntryPoint> taken;
  taken.swap(points_);
  return taken;
}

// The output's last 32 KiB, kept only while entry points are noted with windows.
void CCBDecompressor::keepHistory(const unsigned char* bytes, int n) {
  if (!noting_ || spacing_ <= 0 || compression_ != CCB_COMPRESSION_GZIP || n <= 0) return;
  size_t count = static_cast<size_t>(n);
  if (count > WINDOW_BYTES) {
    bytes += count - WINDOW_BYTES;
    count = WINDOW_BYTES;
  }
  const size_t first = std::min(count, WINDOW_BYTES - historyAt_);
  std::memcpy(history_.data() + historyAt_, bytes, first);
  std::memcpy(history_.data(), bytes + first, count - first);
  historyAt_ = (historyAt_ + count) % WINDOW_BYTES;
}

bool CCBDecompressor::fingerprint(CCBFingerprint* print) {
  const int size = CCBFingerprint::BYTES;
  if (memory_ != nullptr) {
    print->size = memorySize_;
    const size_t n = static_cast<size_t>(std::min<int64_t>(memorySize_, size));
    std::memcpy(print->first, memory_, n);
    std::memcpy(print->last, memory_ + memorySize_ - static_cast<int64_t>(n), n);
    return true;
  }
  print->size = np_fio_size(handle_);
  if (!seekable_ || print->size < 0) return refuse(QvbString("The data file cannot seek"));
  const int64_t resume = nextOffset_ + static_cast<int64_t>(avail_);  // the descriptor's place
  const int64_t lastAt = std::max<int64_t>(0, print->size - size);
  const bool read = np_fio_seek(handle_, 0) == 0 && np_fio_getb(handle_, print->first, size) >= 0 &&
                    np_fio_seek(handle_, lastAt) == 0 &&
                    np_fio_getb(handle_, print->last, size) >= 0 &&
                    np_fio_seek(handle_, resume) == 0;
  return read || refuse(QvbString("Error reading file"));
}

// Keeps the unread bytes and reads more after them, a block at a time, until count
// are there. False where the input ends first (inputEnded_) or on a read error.
bool CCBDecompressor::ensureInput(size_t count) {
  if (avail_ >= count) return true;
  if (inputEnded_) return false;
  const size_t at = avail_ > 0 ? static_cast<size_t>(next_ - buffer_.data()) : 0;
  if (buffer_.size() < INPUT_BLOCK + count) buffer_.resize(INPUT_BLOCK + count);
  std::memmove(buffer_.data(), buffer_.data() + at, avail_);
  next_ = buffer_.data();
  while (avail_ < count && !inputEnded_) {
    const int room = static_cast<int>(buffer_.size() - avail_);
    const int received = np_fio_getb(handle_, buffer_.data() + avail_, room);
    if (received < 0) {
      fail(qvbStringFormat("Error reading file: %s", std::strerror(errno)));
      return false;
    }
    avail_ += static_cast<size_t>(received);
    inputEnded_ = received < room;
  }
  return avail_ >= count;
}

void CCBDecompressor::consume(size_t count) {
  next_ += count;
  avail_ -= count;
  nextOffset_ += static_cast<int64_t>(count);
}

bool CCBDecompressor::seekInput(int64_t offset) {
  if (memory_ != nullptr) {
    const int64_t at = std::min(offset, memorySize_);
    next_ = memory_ + at;
    avail_ = static_cast<size_t>(memorySize_ - at);
    nextOffset_ = at;
    return true;
  }
  if (np_fio_seek(handle_, offset) != 0) return refuse(QvbString("The data file cannot seek"));
  next_ = buffer_.data();
  avail_ = 0;
  nextOffset_ = offset;
  inputEnded_ = false;
  return true;
}

int CCBDecompressor::fail(const QvbString& message) {
  error_ = message;
  state_ = STATE_FAILED;
  return -1;
}

bool CCBDecompressor::refuse(const QvbString& message) {
  fail(message);
  return false;
}

QvbString CCBDecompressor::damaged(const char* detail) const {
  return qvbStringFormat("The %s data is damaged at decompressed byte offset %lld: %s",
                         nameOf(compression_), static_cast<long long>(out_), detail);
}
