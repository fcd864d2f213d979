#include "read_records.h"

#include <unistd.h>

#include "progress_meter.h"
#include "reader_setup.h"
#include "record_rows.h"

namespace {

const size_t OUTPUT_BLOCK = 1024 * 1024;  // written out at once by a read on one thread

// Writes the block out and empties it; false once writing has failed.
bool flush(OutputBuffer* block, OutputFile* output) {
  const bool written = output->write(block->view());
  block->clear();
  return written;
}

// Writes the records of the active layout on this thread, up to the limit, in
// blocks of OUTPUT_BLOCK bytes. Stops at the first failed write: nothing more can
// reach the output (or the rejects, which may be null).
ReadOutcome readRecords(const ReadOptions& options, CCBRecordReader* reader, RecordRows* rows,
                        OutputFile* output, RejectsFile* rejects, ProgressMeter* meter) {
  if (rejects != nullptr) reader->setBadRecordCallback(rejects);
  OutputBuffer block;
  ReadOutcome outcome;
  int64_t written = 0;
  while ((options.limit < 0 || written < options.limit) && reader->readNextRecord(outcome.failed)) {
    rows->write(reader, &block);
    meter->update(reader->getInputPosition(), ++written);
    if (block.size() >= OUTPUT_BLOCK && !flush(&block, output)) break;
    if (rejects != nullptr && rejects->failed()) break;
  }
  flush(&block, output);
  if (outcome.failed) outcome.failure = readerFailure(options, reader);
  outcome.skipped = reader->getBadRecordCount();
  QvbString identifier;
  UnknownRecords& unknown = outcome.unknown;
  if (reader->getFirstUnknownRecord(unknown.number, unknown.offset, identifier)) {
    unknown.count = reader->getUnknownRecordCount();
    unknown.identifier = identifier.str();
  }
  return outcome;
}

}  // namespace

// The threads have readers of their own, so the reader that opened the input is
// released first; a read of every layout on one range keeps it.
ReadOutcome writeRecords(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                         RecordReaderPtr reader, const std::vector<OutputFile*>& outputs,
                         RejectsFile* rejects) {
  RecordRows rows(options, layouts);
  for (size_t i = 0; i < outputs.size(); ++i) {
    OutputBuffer header;
    rows.writeHeader(outputs.size() > 1 ? i : 0, &header);
    if (!outputs[i]->write(header.view())) return ReadOutcome();
  }
  // The bar shares standard error with nothing: not with the lines of --trace.
  const bool showProgress = !options.quiet && !options.trace && isatty(STDERR_FILENO);
  const int64_t fileSize = reader->getDataFileSize();
  const int recordLength = reader->getMaxRecordLength();
  ProgressMeter meter(stderr, showProgress, fileSize);
  const bool threaded = canReadThreaded(options, fileSize);
  if (threaded) reader.reset();
  ReadOutcome outcome;
  if (threaded || readsAllLayouts(options)) {
    outcome = readThreaded(options, layouts, fileSize, recordLength, outputs, rejects, &meter,
                           std::move(reader));
  } else {
    outcome = readRecords(options, reader.get(), &rows, outputs[0], rejects, &meter);
  }
  meter.finish();
  return outcome;
}

ReadOutcome writeRecords(const ReadOptions& options, RecordReaderPtr reader, OutputFile* output,
                         RejectsFile* rejects) {
  std::vector<LayoutColumns> layouts;
  ReadOutcome outcome;
  if (!describeLayouts(options, reader.get(), &layouts, &outcome.failure)) {
    outcome.failed = true;
    return outcome;
  }
  return writeRecords(options, layouts, std::move(reader), {output}, rejects);
}
