// CCBDecompressor turns the bytes of a compressed data file into the bytes it holds:
// gzip (zlib; concatenated members), bzip2 (libbz2; concatenated streams) or zstd
// (libzstd; concatenated frames), told apart by their first bytes (detect). It reads
// the compressed bytes from a descriptor or from memory, a block at a time, so that
// its memory is bounded whatever the file's size.
//
// Decompression can start over at an entry point (restart): the start of a gzip
// member, bzip2 stream or zstd frame, or, in gzip, the end of any deflate block inside
// a member, given the bits of the byte the block ends in and the 32 KiB of output
// before it (zlib's inflatePrime and inflateSetDictionary take them). Asked to
// (noteEntryPoints), it notes the entry points it passes as it decompresses; a
// checkpoint index (CCBInputIndex) keeps them.
//
// A descriptor and memory stay the caller's; the decompressor owns its buffers and
// the libraries' state. One thread uses it at a time.
#ifndef LYRA_INPUT_CCB_DECOMPRESSOR_H_
#define LYRA_INPUT_CCB_DECOMPRESSOR_H_

#include <bzlib.h>
#include <zlib.h>
#include <zstd.h>

#include <cstdint>
#include <vector>

#include "lyra/ccb_read_options.h"
#include "lyra/qvb_string.h"
#include "support/np_fio.h"

// A place in a compressed file where decompression can start.
struct CCBEntryPoint {
  int64_t in = 0;   // the compressed offset of the first byte read from there
  int bits = 0;     // gzip within a member: the last bits of the byte before `in` that follow
  int64_t out = 0;  // the decompressed offset
  // gzip within a member: the output before the point, up to 32 KiB; empty at the start
  // of a member, stream or frame.
  std::vector<unsigned char> window;
};

// What identifies a compressed file: its size and its first and last bytes.
struct CCBFingerprint {
  static const int BYTES = 32;
  int64_t size = 0;
  unsigned char first[BYTES] = {};
  unsigned char last[BYTES] = {};
};

class CCBDecompressor {
 public:
  // The bytes detect() needs to tell a compression; fewer where the input is shorter.
  static const int DETECT_BYTES = 10;
  // The compression the first n bytes of an input tell.
  static CCBCompression detect(const unsigned char* bytes, int n);

  explicit CCBDecompressor(CCBCompression compression);
  ~CCBDecompressor();
  CCBDecompressor(const CCBDecompressor&) = delete;
  CCBDecompressor& operator=(const CCBDecompressor&) = delete;

  // Reads the compressed bytes from a descriptor (seekable: a file), after the n
  // bytes at prefix that were read from it already, or from size bytes of memory.
  // False with a message when the libraries' state cannot be made.
  bool openDescriptor(NpFioHandle handle, bool seekable, const unsigned char* prefix, int n);
  bool openMemory(const unsigned char* data, int64_t size);

  // Decompresses up to n bytes into dest; fewer only at the end, or before damaged or
  // cut compressed data or a read error (failed() then tells), which the next call
  // meets: -1 with a message.
  int read(unsigned char* dest, int n);
  bool failed() const { return state_ == STATE_FAILED; }
  // Starts over at an entry point of this input (which must seek); false with a message.
  bool restart(const CCBEntryPoint& point);
  // The decompressed offset of the next byte read.
  int64_t outputOffset() const { return out_; }
  // Whether read() has met the end of the compressed data.
  bool ended() const { return state_ == STATE_ENDED; }

  // From now on notes the entry points read() passes, the one it stands at included:
  // the start of every member, stream or frame, and in gzip, with spacing > 0, the end
  // of a deflate block at least spacing bytes of output after the last point.
  void noteEntryPoints(int64_t spacing);
  // The entry points noted since the last call, in order; taken from the decompressor.
  std::vector<CCBEntryPoint> takeEntryPoints();

  // The fingerprint of the compressed input (read without moving its read position);
  // false with a message on a read error.
  bool fingerprint(CCBFingerprint* print);

  CCBCompression compression() const { return compression_; }
  QvbString getErrorMessage() const { return error_; }

 private:
  enum State {
    STATE_START,    // before a member, stream or frame (or the end)
    STATE_INSIDE,   // inside one
    STATE_TRAILER,  // gzip after a restart within a member: its 8-byte trailer to pass
    STATE_ENDED,
    STATE_FAILED,
  };

  bool startLibraries();
  bool ensureInput(size_t count);  // at least count bytes buffered, unless the input ends
  void consume(size_t count);
  int step(unsigned char* dest, int n);
  bool startUnit();
  bool passPadding();
  int stepGzip(unsigned char* dest, int n);
  int stepBzip2(unsigned char* dest, int n);
  int stepZstd(unsigned char* dest, int n);
  bool passTrailer();
  void noteBlockEnd();
  void keepHistory(const unsigned char* bytes, int n);
  bool seekInput(int64_t offset);
  int fail(const QvbString& message);     // -1, the message kept
  bool refuse(const QvbString& message);  // false, the message kept
  QvbString damaged(const char* detail) const;

  CCBCompression compression_;
  State state_ = STATE_START;
  QvbString error_;
  // The compressed input: a descriptor read into buffer_, or memory.
  NpFioHandle handle_ = -1;
  bool seekable_ = false;
  const unsigned char* memory_ = nullptr;
  int64_t memorySize_ = 0;
  std::vector<unsigned char> buffer_;
  const unsigned char* next_ = nullptr;  // the buffered bytes not yet consumed
  size_t avail_ = 0;
  int64_t nextOffset_ = 0;  // the compressed offset of next_
  bool inputEnded_ = false;
  int64_t out_ = 0;
  // The libraries' state.
  z_stream zlib_ = {};
  bool zlibReady_ = false;
  bool rawDeflate_ = false;  // gzip restarted within a member: no header or trailer read
  int trailerLeft_ = 0;
  bz_stream bzip2_ = {};
  bool bzip2Ready_ = false;
  ZSTD_DCtx* zstd_ = nullptr;
  // Entry points, when noted.
  bool noting_ = false;
  int64_t spacing_ = 0;
  int64_t lastPoint_ = -1;
  std::vector<CCBEntryPoint> points_;
  std::vector<unsigned char> history_;  // the last 32 KiB of output, a ring
  size_t historyAt_ = 0;
};

#endif  // LYRA_INPUT_CCB_DECOMPRESSOR_H_
