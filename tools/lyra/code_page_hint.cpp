#include "code_page_hint.h"

#include <sys/stat.h>

#include <array>

#include "reader_setup.h"

namespace {

const int PROBED_RECORDS = 16;  // the first records of the active layout
const int ENOUGH_BYTES = 16;    // telling bytes, at least, that a hint needs
const int EBCDIC_SHARE = 4;     // as many times as ASCII ones, at least

// The bytes that tell the two families of text apart: those that text in one of them
// holds often and in the other seldom. EBCDIC: the blank, digits and letters; ASCII:
// the blank, digits and letters.
struct ByteRange {
  unsigned char first, last;
  int family;  // 1 EBCDIC, -1 ASCII
};

const ByteRange TELLING_BYTES[] = {
    {0x40, 0x40, 1},   // EBCDIC blank ('@' in ASCII, seldom in text)
    {0x81, 0x89, 1},   // a to i
    {0x91, 0x99, 1},   // j to r
    {0xA2, 0xA9, 1},   // s to z
    {0xC1, 0xC9, 1},   // A to I
    {0xD1, 0xD9, 1},   // J to R
    {0xE2, 0xE9, 1},   // S to Z
    {0xF0, 0xF9, 1},   // 0 to 9
    {0x20, 0x20, -1},  // ASCII blank
    {0x30, 0x39, -1},  // 0 to 9
    {0x41, 0x5A, -1},  // A to Z
    {0x61, 0x7A, -1},  // a to z
};

std::array<int, 256> tellingBytes() {
  std::array<int, 256> families{};
  for (const ByteRange& range : TELLING_BYTES) {
    for (int byte = range.first; byte <= range.last; ++byte) families[byte] = range.family;
  }
  return families;
}

bool isRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

// The display fields (those at a fixed place in the record) of the first records: their
// bytes are EBCDIC where EBCDIC text bytes outnumber ASCII ones EBCDIC_SHARE times.
std::string codePageHint(const ReadOptions& options, CCBRecordReader* reader, bool* reopened) {
  *reopened = true;
  if (options.codePage != 0 || options.trace || options.dataBytes != nullptr ||
      options.dataFile == STANDARD_INPUT || !isRegularFile(options.dataFile)) {
    return std::string();
  }
  const std::array<int, 256> families = tellingBytes();
  int64_t ebcdic = 0, ascii = 0;
  bool failed = false;
  for (int i = 0; i < PROBED_RECORDS && reader->readNextRecord(failed); ++i) {
    const unsigned char* bytes = reader->getRecordBytes();
    for (int column = 0; bytes != nullptr && column < reader->getOutputCount(); ++column) {
      int64_t offset = 0;
      int length = 0;
      CCBColumnUsage usage;
      bool variable = false;
      if (!reader->getColumnLayout(column, offset, length, usage, variable) || variable ||
          usage != CCB_USAGE_DISPLAY || offset + length > reader->getRecordSize()) {
        continue;
      }
      for (int b = 0; b < length; ++b) {
        const int family = families[bytes[offset + b]];
        ebcdic += family > 0;
        ascii += family < 0;
      }
    }
  }
  *reopened = openInput(reader, options, readerOptions(options));
  if (ebcdic < ENOUGH_BYTES || ebcdic < EBCDIC_SHARE * ascii) return std::string();
  return "the text looks EBCDIC: add --code-page 037 (lyra diagnose, with the same layouts, "
         "tells the page)";
}
