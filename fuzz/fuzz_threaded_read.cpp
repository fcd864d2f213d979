// Reads arbitrary bytes, in memory, the way `lyra read` does, once on one thread and
// once on several threads over small chunks, and checks that both write the same
// bytes, stop at the same record with the same message and pass over the same bad
// records: the threaded read must be byte for byte what one thread writes.
//
// The first input byte chooses the options: bits 0-1 the record format (fixed, rdw,
// vb, lines), bit 2 little-endian descriptor words, bit 3 lengths without the
// descriptor, bits 4-5 the bad records passed over (0, 1, 3 or all), bit 6 a limit
// from the next byte, bit 7 JSON lines with positions instead of CSV. The second
// byte: bits 0-5 the chunk size less one, bit 7 three threads rather than two. The
// rest is the data, whose first byte tells the layout of each record (A or B).
//
// The layouts are parsed once per process and handed to every reader as XML layout
// documents, so that a run opens no file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_layouts.h"
#include "read_records.h"
#include "reader_setup.h"

namespace {

const int FIXED_LENGTH = 64;

// The copybook's layout as an XML layout document.
std::string layoutXml(const char* copybook) {
  char path[] = "/tmp/lyra_fuzz_layout_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) abort();
  const size_t size = std::char_traits<char>::length(copybook);
  if (write(fd, copybook, size) != static_cast<ssize_t>(size)) abort();
  close(fd);
  CCBLayoutService* service = createCCBLayoutService();
  QvbString xml;
  if (service == nullptr || !service->loadCopybook(path) || !service->saveLayoutXml(xml)) abort();
  service->release();
  unlink(path);
  return xml.str();
}

ReadOptions optionsFrom(const uint8_t* data, size_t size, size_t* used) {
  static const std::string xmlA = layoutXml(LAYOUT_A), xmlB = layoutXml(LAYOUT_B);
  static const CCBRecordFormat FORMATS[] = {CCB_RECORD_FIXED, CCB_RECORD_RDW, CCB_RECORD_VB,
                                            CCB_RECORD_LINES};
  static const int64_t MAX_ERRORS[] = {0, 1, 3, -1};
  ReadOptions options;
  options.layouts = {{LAYOUT_XML, "a.xml", "A", xmlA}, {LAYOUT_XML, "b.xml", "B", xmlB}};
  options.idOffset = 0;
  options.idClauses = "PIC X";
  const uint8_t bits = data[0];
  options.records.format = FORMATS[bits & 3];
  options.records.recordLength = options.records.format == CCB_RECORD_FIXED ? FIXED_LENGTH : 0;
  options.records.rdwLittleEndian = (bits & 4) != 0;
  options.records.rdwExcludesHeader = (bits & 8) != 0;
  options.maxErrors = MAX_ERRORS[(bits >> 4) & 3];
  *used = 1;
  if ((bits & 64) != 0 && size > *used) options.limit = data[(*used)++];
  if ((bits & 128) != 0) {
    options.format = FORMAT_JSONL;
    options.withPosition = true;
  }
  const uint8_t threads = size > *used ? data[(*used)++] : 0;
  options.chunkBytes = (threads & 63) + 1;
  options.threads = (threads >> 7) + 2;
  options.quiet = true;
  options.dataFile = "memory";
  options.dataBytes = data + *used;
  options.dataSize = size - *used;
  return options;
}

struct Written {
  std::string output;
  ReadOutcome outcome;
  bool opened = false;
};

// What `lyra read` writes with the options, on as many threads as they ask for.
Written readWith(const ReadOptions& options) {
  Written written;
  std::string error;
  RecordReaderPtr reader = openReader(options, nullptr, &error);
  if (reader == nullptr) return written;
  written.opened = true;
  char* bytes = nullptr;
  size_t size = 0;
  std::FILE* stream = open_memstream(&bytes, &size);
  if (stream == nullptr) abort();
  OutputFile output(stream);
  if (!output.open(&error)) abort();
  written.outcome = writeRecords(options, std::move(reader), &output, nullptr);
  if (!output.commit(&error)) abort();
  std::fclose(stream);
  written.output.assign(bytes, size);
  free(bytes);
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t used = 0;
  ReadOptions options = optionsFrom(data, size, &used);
  const Written threaded = readWith(options);
  options.threads = 1;
  const Written one = readWith(options);
  if (one.opened != threaded.opened || one.output != threaded.output ||
      one.outcome.failed != threaded.outcome.failed ||
      one.outcome.failure != threaded.outcome.failure ||
      one.outcome.skipped != threaded.outcome.skipped) {
    abort();
  }
  return 0;
}
