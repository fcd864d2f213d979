#include "input/ccb_input_index.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

const char HEAD[] = "LYRAIDX1";
const char TAIL[] = "LYRAEND1";
const size_t MAGIC = 8;
const uint32_t WINDOW_BYTES = 32 * 1024;
const int64_t LARGEST_FILE = int64_t{1} << 30;  // far more than the windows of any index
// The bytes of an entry before its packed window.
const size_t ENTRY_HEAD = 8 + 1 + 8 + 8 + 8 + 4 + 4;

// The framing flags, a bit each.
const uint32_t FRAMING_RDW_LITTLE_ENDIAN = 1;
const uint32_t FRAMING_RDW_EXCLUDES_HEADER = 2;
const uint32_t FRAMING_BDW_EXCLUDES_HEADER = 4;

void put(std::vector<unsigned char>* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// Reads the file's numbers in order; every read past its end fails it.
struct Cursor {
  const std::vector<unsigned char>& bytes;
  size_t at;
  bool ok;
  uint64_t take(int n) {
    if (!ok || bytes.size() - at < static_cast<size_t>(n)) {
      ok = false;
      return 0;
    }
    uint64_t value = 0;
    for (int i = 0; i < n; ++i) value |= static_cast<uint64_t>(bytes[at + i]) << (8 * i);
    at += static_cast<size_t>(n);
    return value;
  }
  int64_t signed64() { return static_cast<int64_t>(take(8)); }
  bool magic(const char* text) {
    ok = ok && bytes.size() - at >= MAGIC && std::memcmp(bytes.data() + at, text, MAGIC) == 0;
    at += ok ? MAGIC : 0;
    return ok;
  }
  void copy(unsigned char* dest, size_t n) {
    ok = ok && bytes.size() - at >= n;
    if (ok && n > 0) std::memcpy(dest, bytes.data() + at, n);
    at += ok ? n : 0;
  }
};

bool readWhole(const QvbString& fileName, std::vector<unsigned char>* bytes, QvbString* error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.asCstr(), "rb"),
                                                       std::fclose);
  if (file == nullptr) {
    *error = qvbStringFormat("Cannot open the index file %s: %s", fileName.asCstr(),
                             std::strerror(errno));
    return false;
  }
  unsigned char block[65536];
  for (size_t n; (n = std::fread(block, 1, sizeof block, file.get())) > 0;) {
    if (static_cast<int64_t>(bytes->size() + n) > LARGEST_FILE) break;
    bytes->insert(bytes->end(), block, block + n);
  }
  if (!std::ferror(file.get()) && std::feof(file.get())) return true;
  *error = qvbStringFormat("Cannot read the index file %s", fileName.asCstr());
  return false;
}

}  // namespace

CCBInputIndex::Framing CCBInputIndex::framingOf(const CCBReadOptions& options) {
  Framing framing;
  framing.format = options.getRecordFormat();
  framing.varseq = options.getVarseqFormat();
  framing.flags = (options.getRdwLittleEndian() ? FRAMING_RDW_LITTLE_ENDIAN : 0u) |
                  (options.getRdwExcludesHeader() ? FRAMING_RDW_EXCLUDES_HEADER : 0u) |
                  (options.getBdwExcludesHeader() ? FRAMING_BDW_EXCLUDES_HEADER : 0u);
  framing.skip = options.getSkip();
  return framing;
}

void CCBInputIndex::start(CCBCompression compression, const CCBFingerprint& print,
                          const CCBReadOptions& options) {
  compression_ = compression;
  print_ = print;
  framing_ = framingOf(options);
  decompressedSize_ = -1;
  entries_.clear();
}

bool CCBInputIndex::add(const CCBEntryPoint& point, int64_t splitOffset, int64_t splitNumber) {
  Entry entry{point.in,    point.bits,  point.out,
              splitOffset, splitNumber, static_cast<uint32_t>(point.window.size()),
              {}};
  if (!point.window.empty()) {
    uLongf packed = compressBound(static_cast<uLong>(point.window.size()));
    entry.packed.resize(packed);
    if (compress2(entry.packed.data(), &packed, point.window.data(),
                  static_cast<uLong>(point.window.size()), Z_BEST_SPEED) != Z_OK) {
      return false;
    }
    entry.packed.resize(packed);
  }
  entries_.push_back(std::move(entry));
  return true;
}

bool CCBInputIndex::write(const QvbString& fileName, QvbString* error) const {
  std::vector<unsigned char> out(HEAD, HEAD + MAGIC);
  put(&out, static_cast<uint32_t>(compression_), 4);
  put(&out, static_cast<uint64_t>(print_.size), 8);
  out.insert(out.end(), print_.first, print_.first + CCBFingerprint::BYTES);
  out.insert(out.end(), print_.last, print_.last + CCBFingerprint::BYTES);
  put(&out, static_cast<uint32_t>(framing_.format), 4);
  put(&out, static_cast<uint32_t>(framing_.varseq), 4);
  put(&out, framing_.flags, 4);
  put(&out, static_cast<uint64_t>(framing_.skip), 8);
  put(&out, static_cast<uint64_t>(decompressedSize_), 8);
  put(&out, entries_.size(), 8);
  for (const Entry& entry : entries_) {
    put(&out, static_cast<uint64_t>(entry.in), 8);
    put(&out, static_cast<uint64_t>(entry.bits), 1);
    put(&out, static_cast<uint64_t>(entry.out), 8);
    put(&out, static_cast<uint64_t>(entry.splitOffset), 8);
    put(&out, static_cast<uint64_t>(entry.splitNumber), 8);
    put(&out, entry.windowLength, 4);
    put(&out, entry.packed.size(), 4);
    out.insert(out.end(), entry.packed.begin(), entry.packed.end());
  }
  out.insert(out.end(), TAIL, TAIL + MAGIC);
  std::FILE* file = std::fopen(fileName.asCstr(), "wb");
  const bool written =
      file != nullptr && std::fwrite(out.data(), 1, out.size(), file) == out.size();
  const int cause = errno;
  if (file != nullptr && std::fclose(file) != 0 && written) {
    *error = qvbStringFormat("Cannot write the index file %s: %s", fileName.asCstr(),
                             std::strerror(errno));
    return false;
  }
  if (written) return true;
  *error = qvbStringFormat("Cannot write the index file %s: %s", fileName.asCstr(),
                           std::strerror(cause));
  return false;
}

bool CCBInputIndex::read(const QvbString& fileName, QvbString* error) {
  entries_.clear();
  std::vector<unsigned char> file;
  if (!readWhole(fileName, &file, error)) return false;
  Cursor cursor{file, 0, true};
  cursor.magic(HEAD);
  compression_ = static_cast<CCBCompression>(cursor.take(4));
  print_.size = cursor.signed64();
  cursor.copy(print_.first, CCBFingerprint::BYTES);
  cursor.copy(print_.last, CCBFingerprint::BYTES);
  framing_.format = static_cast<int32_t>(cursor.take(4));
  framing_.varseq = static_cast<int32_t>(cursor.take(4));
  framing_.flags = static_cast<uint32_t>(cursor.take(4));
  framing_.skip = cursor.signed64();
  decompressedSize_ = cursor.signed64();
  const int64_t count = cursor.signed64();
  const bool known = compression_ >= CCB_COMPRESSION_GZIP && compression_ <= CCB_COMPRESSION_ZSTD;
  if (cursor.ok && known && count >= 0 &&
      count <= static_cast<int64_t>((file.size() - cursor.at) / ENTRY_HEAD) &&
      readEntries(file, cursor.at, count)) {
    return true;
  }
  entries_.clear();
  *error = qvbStringFormat("%s is no lyra index file, or it is damaged", fileName.asCstr());
  return false;
}

// The entries and the tail; false for any value no index holds: offsets that go back
// or past the file, a split point before its entry point, a window too long.
bool CCBInputIndex::readEntries(const std::vector<unsigned char>& file, size_t at, int64_t count) {
  Cursor cursor{file, at, true};
  entries_.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count && cursor.ok; ++i) {
    Entry entry{cursor.signed64(),
                static_cast<int>(cursor.take(1)),
                cursor.signed64(),
                cursor.signed64(),
                cursor.signed64(),
                static_cast<uint32_t>(cursor.take(4)),
                {}};
    const size_t packed = static_cast<size_t>(cursor.take(4));
    const Entry* last = entries_.empty() ? nullptr : &entries_.back();
    if (!cursor.ok || entry.in < 0 || entry.in > print_.size || entry.bits > 7 || entry.out < 0 ||
        entry.windowLength > WINDOW_BYTES || packed > compressBound(WINDOW_BYTES) ||
        (entry.splitOffset >= 0 && (entry.splitOffset < entry.out || entry.splitNumber < 1)) ||
        (last != nullptr && (entry.in < last->in || entry.out < last->out))) {
      return false;
    }
    entry.packed.resize(packed);
    cursor.copy(entry.packed.data(), packed);
    entries_.push_back(std::move(entry));
  }
  return cursor.ok && cursor.magic(TAIL) && cursor.at == file.size();
}

bool CCBInputIndex::describes(CCBCompression compression, const CCBFingerprint& print) const {
  return compression == compression_ && print.size == print_.size &&
         std::memcmp(print.first, print_.first, sizeof print.first) == 0 &&
         std::memcmp(print.last, print_.last, sizeof print.last) == 0;
}

bool CCBInputIndex::framedAs(const CCBReadOptions& options) const {
  return framingOf(options) == framing_;
}

bool CCBInputIndex::entryBefore(int64_t offset, CCBEntryPoint* point) const {
  const Entry* found = nullptr;
  for (const Entry& entry : entries_) {
    if (entry.out > offset) break;
    found = &entry;
  }
  if (found == nullptr) return false;
  point->in = found->in;
  point->bits = found->bits;
  point->out = found->out;
  point->window.assign(found->windowLength, 0);
  if (found->windowLength == 0) return true;
  uLongf length = found->windowLength;
  return uncompress(point->window.data(), &length, found->packed.data(),
                    static_cast<uLong>(found->packed.size())) == Z_OK &&
         length == found->windowLength;
}
