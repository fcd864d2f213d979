// lyra write: rows of CSV or JSON lines (flat, or shaped as their layouts with the
// trees of record hierarchies) written as the records of a layout, through
// the library's record writer. Threads encode chunks of rows side by side (each with a
// writer of its own); this thread frames their records in input order with one more
// writer, which writes the output, so that the output is the same whatever the number
// of threads.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "command_support.h"
#include "commands.h"
#include "input_rows.h"
#include "layout_source.h"
#include "output_file.h"
#include "output_text.h"
#include "progress_meter.h"
#include "rejects_file.h"
#include "row_encoder.h"
#include "write_options.h"

namespace {

const CommandHelp WRITE_HELP = {
    "write",
    "lyra write [options] INPUT -o OUT",
    "Writes rows of CSV or JSON lines as the records of a layout: the mirror of\n"
    "'lyra read', which reads back what it writes. INPUT - is standard input; -o is\n"
    "required, -o - is standard output.\n"
    "\n"
    "Input formats (--format):\n"
    "  csv    RFC 4180 with a header row of output names (as 'lyra columns' lists\n"
    "         them: NAME, NAME_1, ... for repetitions); an empty field is null.\n"
    "  jsonl  one JSON object per line, of strings, numbers and nulls.\n"
    "  json-nested\n"
    "         one JSON object per line shaped as its layout, as 'lyra read --format\n"
    "         json-nested' writes it: each group an object keyed by its items' names,\n"
    "         each table an array of at most its OCCURS elements (those left out are\n"
    "         null), each elementary item a string, number or null; FILLER is left\n"
    "         out (blanks). With --child PARENT=CHILD,... (repeatable, as for 'lyra\n"
    "         read') a line is a root record whose object holds, per child layout, an\n"
    "         array named as that layout's level-01 item of its children's objects,\n"
    "         which hold their own children so; the root is written, then each child\n"
    "         followed by its own children, key by key, or in the order of their\n"
    "         _record numbers where every record of the line has one. A key that\n"
    "         names no item, a table longer than its OCCURS, an object or array where\n"
    "         a value belongs or the reverse make the row bad, its column the key's\n"
    "         path (ORDER-HEADER.ORDER-LINE[2].OL-QUANTITY, elements from 1).\n"
    "The columns _record and _offset, which 'lyra read --with-position' writes, are\n"
    "ignored. An input column that names no column of the layout is a usage error\n"
    "(a json-nested key that names no item makes its row bad, as above).\n"
    "\n"
    "Values: the text 'lyra read' gives, or plain numbers (1, -12.5, 1e-3, 007). A\n"
    "numeric-edited item takes its edited text, which must edit back to itself, or a\n"
    "plain number, edited as a COBOL MOVE edits it. A null value, and a column left\n"
    "out, takes its default: blanks for text and national items, zero for numbers.\n"
    "'-0' keeps its negative sign where the bytes hold one; 0 is positive.\n"
    "\n"
    "Encoding: display text in the code page (--code-page; --ebcdic is 037; latin1\n"
    "without either), padded with blanks. Embedded signs in EBCDIC pages are the\n"
    "zones C (signed, positive), D (negative) and F (unsigned); in the others the\n"
    "plain digit when positive and p-y when negative, or with --overpunch-signs the\n"
    "letters {, A-I, }, J-R. Packed decimal has the sign nibble C, D or F. Binary\n"
    "items are big-endian (--comp5-little-endian, --binary-little-endian) and hold\n"
    "the digits of their picture; COMP-5 items, and with --binary-full-range every\n"
    "binary item, hold any value of their bytes. COMP-1 and COMP-2 items\n"
    "(--float-format) are rounded to the nearest value the format holds.\n"
    "\n"
    "Nothing is written wrong: a value that does not fit (more integer digits than\n"
    "the picture holds, more digits after the point, a negative value for an\n"
    "unsigned picture, text longer than its field, a character the code page cannot\n"
    "encode, a float out of range) makes its row bad, and nothing of it is written.\n"
    "\n"
    "Structures: OCCURS DEPENDING ON writes as many repetitions as its count holds; a\n"
    "count out of range, or values given past it, make the row bad. An area and its\n"
    "REDEFINES items are written from the first of them, in layout order, whose\n"
    "columns hold a value (with --segment, the one the identifier names); values\n"
    "given for the others must read back as given from the bytes so written.\n"
    "\n"
    "Several layouts: each row names its layout in a _layout column (the layout's\n"
    "ID; in json-nested the root's); a CSV row without one is a record of the\n"
    "--active layout; a JSON row without one goes to the layout whose identifier\n"
    "its values put at the identifier field (--id-field), and is bad when none or\n"
    "several do.\n"
    "\n"
    "Record formats (--record-format): layout (records as long as their layout, the\n"
    "default), fixed (padded with blanks to --record-length), rdw (with\n"
    "--varseq-format, the length words of GnuCOBOL's variable files), vb (blocks of\n"
    "at most --block-size bytes), vbs (spanned: a record that does not fit what is\n"
    "left of a block is cut into segments that fill it and the blocks after it), vs\n"
    "(spanned, segments of at most --block-size bytes without blocks) and lines (LF\n"
    "after each). A record behind a descriptor word ends\n"
    "after its last field that holds a value (FILLER and the repetitions of a\n"
    "DEPENDING ON table counted), as 'lyra read' reads the fields past the end of a\n"
    "shorter record as null. A record the format cannot frame is a bad row.\n"
    "\n"
    "Bad rows stop the command, unless --max-errors lets it pass over them. With\n"
    "--rejects FILE each row passed over goes to FILE (after the CSV header) and a\n"
    "JSON line, {\"row\": N, \"column\": \"...\", \"value\": \"...\", \"reason\":\n"
    "\"...\"}, to FILE.jsonl; rows count from 1, the header left out.\n"
    "\n"
    "Threads (--threads N, by default one per core) encode chunks of about\n"
    "--chunk-size bytes of rows side by side; the output is the same byte for byte\n"
    "as with --threads 1, and so are the messages and the rejects.\n"
    "\n"
    "The records go to a temporary file in the folder of OUT, which replaces OUT when\n"
    "the command ends, also after a bad row stopped it; on a usage error, or when\n"
    "writing failed, OUT stays as it was.\n"
    "\n"
    "Exit status: 0 on success; 3 when the command wrote every row but passed over\n"
    "bad ones; 1 when it stopped at a bad row or a layout error (or could not\n"
    "write); 2 on a usage error.\n",
};

std::string inputName(const WriteOptions& options) {
  return options.input == STANDARD_INPUT ? "standard input" : options.input;
}

// "no layout has the columns A, B", or empty: every header name is a column of the layout
// of the rows (the active one, or with a _layout column any of them).
std::string unknownHeaderNames(const std::vector<std::string>& header, const ColumnNames& names,
                               size_t active) {
  const bool named = std::find(header.begin(), header.end(), LAYOUT_KEY) != header.end();
  std::string unknown;
  for (const std::string& name : header) {
    if (name == LAYOUT_KEY || name == RECORD_KEY || name == OFFSET_KEY) continue;
    const std::vector<int>* columns = names.find(name);
    if (columns != nullptr && (named || (*columns)[active] >= 0)) continue;
    unknown += (unknown.empty() ? "" : ", ") + name;
  }
  return unknown.empty() ? unknown : "the layout has no columns " + unknown;
}

// Rows passed over: each row's text in FILE (the CSV header first) and a JSON line
// about it in FILE.jsonl.
class RejectedRows {
 public:
  explicit RejectedRows(const std::string& path) : rows_(path), notes_(rejectsNotesPath(path)) {}
  bool open(const std::string& header, std::string* error) {
    if (!rows_.open(error) || !notes_.open(error)) return false;
    if (!header.empty()) rows_.write(header + "\n");
    return true;
  }
  void add(int64_t row, const std::string& text, const RowOutcome& outcome) {
    rows_.write(text + "\n");
    line_ = "{\"row\": " + std::to_string(row) + ", \"column\": ";
    if (outcome.column.empty()) {
      line_ += "null, \"value\": null";
    } else {
      appendJsonString(outcome.column, &line_);
      line_ += ", \"value\": ";
      appendJsonString(outcome.value, &line_);
    }
    line_ += ", \"reason\": ";
    appendJsonString(outcome.reason, &line_);
    line_ += "}\n";
    notes_.write(line_);
  }
  bool commit(std::string* error) {
    const bool rows = rows_.commit(error);
    std::string notesError;
    if (notes_.commit(&notesError)) return rows;
    if (rows) *error = notesError;
    return false;
  }

 private:
  OutputFile rows_;
  OutputFile notes_;
  std::string line_;
};

// How writing ended.
enum WriteEnd { END_DONE, END_STOPPED, END_USAGE, END_FAILED };

// Chunks of rows encoded by threads, taken in input order. With one thread the chunks
// are encoded here, as they are taken.
class EncodingPipeline {
 public:
  struct Chunk {
    EncodedChunk encoded;
    std::string original;  // the rows as read, for the rejects
    bool done = false;
  };

  EncodingPipeline(const WriteOptions& options, const ColumnNames& names,
                   const std::vector<std::string>& header, InputChunker* chunker)
      : options_(options), names_(names), header_(header), chunker_(chunker) {}
  ~EncodingPipeline() { stop(); }

  bool start(std::string* error) {
    const int threads = options_.read.threads;
    for (int i = 0; i < threads; ++i) {
      encoders_.emplace_back(new RowEncoder(options_, names_, header_));
      if (!encoders_.back()->prepare(error)) return false;
    }
    for (int i = 0; threads > 1 && i < threads; ++i) {
      workers_.emplace_back([this, i] { work(encoders_[static_cast<size_t>(i)].get()); });
    }
    return true;
  }

  // The next chunk in input order, encoded; null at the end of the input or when reading
  // it failed (*error).
  std::shared_ptr<Chunk> next(std::string* error) {
    const size_t most = 2 * static_cast<size_t>(options_.read.threads);
    while (!inputEnded_ && inFlight_.size() < most) {
      auto chunk = std::make_shared<Chunk>();
      if (!chunker_->next(&chunk->encoded.text, error)) {
        inputEnded_ = true;
        if (!error->empty()) return nullptr;
        break;
      }
      if (!options_.rejects.empty()) chunk->original = chunk->encoded.text;
      std::lock_guard<std::mutex> lock(mutex_);
      inFlight_.push_back(chunk);
      pending_.push_back(chunk);
      ready_.notify_one();
    }
    if (inFlight_.empty()) return nullptr;
    std::shared_ptr<Chunk> front = inFlight_.front();
    inFlight_.pop_front();
    if (workers_.empty()) {
      pending_.pop_front();
      encoders_[0]->encode(&front->encoded);
      return front;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return front->done; });
    return front;
  }

 private:
  void work(RowEncoder* encoder) {
    for (;;) {
      std::shared_ptr<Chunk> chunk;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return stopping_ || !pending_.empty(); });
        if (stopping_) return;
        chunk = pending_.front();
        pending_.pop_front();
      }
      encoder->encode(&chunk->encoded);
      std::lock_guard<std::mutex> lock(mutex_);
      chunk->done = true;
      done_.notify_all();
    }
  }

  void stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      ready_.notify_all();
    }
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
  }

  const WriteOptions& options_;
  const ColumnNames& names_;
  const std::vector<std::string>& header_;
  InputChunker* chunker_;
  std::vector<std::unique_ptr<RowEncoder>> encoders_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable ready_;                // a chunk waits to be encoded, or the workers stop
  std::condition_variable done_;                 // a chunk was encoded
  std::deque<std::shared_ptr<Chunk>> inFlight_;  // in input order
  std::deque<std::shared_ptr<Chunk>> pending_;   // waiting for a worker
  bool inputEnded_ = false;
  bool stopping_ = false;
};

// The records of the rows, framed in input order; the rows passed over to the rejects.
class RowWriter {
 public:
  RowWriter(const WriteOptions& options, CCBRecordWriter* writer, RejectedRows* rejects)
      : options_(options), writer_(writer), rejects_(rejects) {}

  WriteEnd write(EncodingPipeline* pipeline, ProgressMeter* progress, InputChunker* chunker) {
    std::string error;
    while (std::shared_ptr<EncodingPipeline::Chunk> chunk = pipeline->next(&error)) {
      const WriteEnd end = writeChunk(*chunk);
      rowsBefore_ += static_cast<int64_t>(chunk->encoded.rows.size());
      if (end != END_DONE) return end;
      progress->update(chunker->consumed(), writer_->getRecordsWritten());
    }
    if (error.empty()) return END_DONE;
    message_ = "cannot read " + inputName(options_) + ": " + error;
    return END_FAILED;
  }

  int64_t badRows() const { return badRows_; }
  const std::string& message() const { return message_; }

 private:
  WriteEnd writeChunk(const EncodingPipeline::Chunk& chunk) {
    const EncodedChunk& encoded = chunk.encoded;
    for (const RowOutcome& outcome : encoded.rows) {
      const int64_t row = rowsBefore_ + outcome.row;
      if (outcome.usage) {
        message_ = inputName(options_) + ": row " + std::to_string(row) + ": " + outcome.reason;
        return END_USAGE;
      }
      if (outcome.bad) {
        if (!passOver(row, outcome, chunk)) return END_STOPPED;
        continue;
      }
      if (outcome.offset < 0) continue;  // a blank line
      bool failed = false;
      if (writeRecords(encoded, outcome, &failed)) continue;
      if (failed) {
        message_ = messageText(writer_->getErrorMessage());
        return END_FAILED;
      }
      RowOutcome framing = outcome;
      framing.reason = messageText(writer_->getErrorMessage());
      if (!passOver(row, framing, chunk)) return END_STOPPED;
    }
    return END_DONE;
  }

  // The row's record, or the records of its tree one after another; false when the
  // writer could not frame one (the ones before it are written) or writing failed.
  bool writeRecords(const EncodedChunk& encoded, const RowOutcome& outcome, bool* failed) {
    const unsigned char* at = encoded.records.data() + outcome.offset;
    if (outcome.lengths.empty()) return writer_->writeRecordBytes(at, outcome.length, *failed);
    for (int length : outcome.lengths) {
      if (!writer_->writeRecordBytes(at, length, *failed)) return false;
      at += length;
    }
    return true;
  }

  // A bad row: passed over while --max-errors allows, else the end of writing.
  bool passOver(int64_t row, const RowOutcome& outcome, const EncodingPipeline::Chunk& chunk) {
    const std::string where = inputName(options_) + ": row " + std::to_string(row) + ": ";
    if (options_.maxErrors >= 0 && badRows_ >= options_.maxErrors) {
      message_ = where + (outcome.column.empty() ? outcome.reason
                                                 : "column " + outcome.column + ", value '" +
                                                       outcome.value + "': " + outcome.reason);
      return false;
    }
    ++badRows_;
    if (rejects_ != nullptr) {
      rejects_->add(row, chunk.original.substr(outcome.begin, outcome.end - outcome.begin),
                    outcome);
    }
    return true;
  }

  const WriteOptions& options_;
  CCBRecordWriter* writer_;
  RejectedRows* rejects_;
  int64_t rowsBefore_ = 0;
  int64_t badRows_ = 0;
  std::string message_;
};

// Opens the input: a file or standard input; -1 with a message.
int openInput(const WriteOptions& options, int64_t* size, std::string* error) {
  *size = 0;
  if (options.input == STANDARD_INPUT) return STDIN_FILENO;
  const int fd = ::open(options.input.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) *size = info.st_size;
  if (fd < 0) *error = "cannot open " + options.input + ": " + std::strerror(errno);
  return fd;
}

struct CloseInput {
  int fd;
  ~CloseInput() {
    if (fd > STDIN_FILENO) ::close(fd);
  }
};

bool openOutput(const WriteOptions& options, CCBRecordWriter* writer, std::string* error) {
  const CCBReadOptions writeOptions = writerOptions(options);
  const bool opened = options.output == STANDARD_OUTPUT
                          ? writer->openDescriptor(STDOUT_FILENO, writeOptions)
                          : writer->openFile(options.output.c_str(), writeOptions);
  if (!opened) *error = messageText(writer->getErrorMessage());
  return opened;
}

// Writes every row; returns the exit status.
int writeRows(const WriteOptions& options, CCBRecordWriter* writer, const ColumnNames& names,
              InputChunker* chunker, const std::vector<std::string>& header,
              const std::string& headerText, int64_t inputSize) {
  std::string error;
  std::unique_ptr<RejectedRows> rejects;
  if (!options.rejects.empty()) {
    rejects.reset(new RejectedRows(options.rejects));
    if (!rejects->open(headerText, &error)) return reportFailure(WRITE_HELP.name, error);
  }
  EncodingPipeline pipeline(options, names, header, chunker);
  if (!pipeline.start(&error)) return reportFailure(WRITE_HELP.name, error);
  ProgressMeter progress(stderr, !options.quiet && isatty(STDERR_FILENO) != 0, inputSize);
  RowWriter rows(options, writer, rejects.get());
  const WriteEnd end = rows.write(&pipeline, &progress, chunker);
  progress.finish();
  if (end == END_USAGE) return reportUsageError(WRITE_HELP.name, rows.message());
  if (end == END_FAILED) return reportFailure(WRITE_HELP.name, rows.message());
  if (!writer->close())
    return reportFailure(WRITE_HELP.name, messageText(writer->getErrorMessage()));
  if (rejects != nullptr && !rejects->commit(&error)) {
    return error.empty() ? EXIT_FAILED : reportFailure(WRITE_HELP.name, error);
  }
  if (end == END_STOPPED) reportFailure(WRITE_HELP.name, rows.message());
  const int64_t bad = rows.badRows();
  if (bad > 0) {
    reportFailure(WRITE_HELP.name,
                  std::to_string(bad) + (bad == 1 ? " bad row" : " bad rows") + " skipped");
  }
  if (end == END_STOPPED) return EXIT_FAILED;
  return bad > 0 ? EXIT_PASSED_OVER : EXIT_OK;
}

std::vector<std::string> writerLayoutFiles(CCBRecordWriter* writer) {
  std::vector<std::string> files;
  for (int layout = 0; layout < writer->getLayoutCount(); ++layout) {
    for (int i = 0; i < writer->getLayoutFileCount(layout); ++i) {
      files.push_back(writer->getLayoutFile(layout, i).str());
    }
  }
  return files;
}

}  // namespace

int runWrite(const std::vector<std::string>& args) {
  int count = 0;
  const OptionDef* defs = writeOptionDefs(&count);
  CommandLine line(defs, count);
  std::string error;
  if (!line.parse(args, &error)) return reportUsageError(WRITE_HELP.name, error);
  if (line.has("help")) return printHelp(WRITE_HELP, line);
  WriteOptions options;
  if (!parseWriteOptions(line, &options, &error)) return reportUsageError(WRITE_HELP.name, error);
  RecordWriterPtr writer = createWriter(options, &error);
  if (writer == nullptr) return reportFailure(WRITE_HELP.name, error);
  if (!checkWriteOutputs(options, writerLayoutFiles(writer.get()), &error)) {
    return reportUsageError(WRITE_HELP.name, error);
  }
  ColumnNames names;
  names.build(writer.get());
  int64_t inputSize = 0;
  const int fd = openInput(options, &inputSize, &error);
  if (fd < 0) return reportFailure(WRITE_HELP.name, error);
  CloseInput closeInput{fd};
  InputChunker chunker(fd, options.format, options.read.chunkBytes);
  std::vector<std::string> header;
  std::string headerText;
  if (options.format == INPUT_CSV) {
    std::vector<InputField> fields;
    if (chunker.readHeader(&headerText, &fields, &error)) {
      for (const InputField& field : fields) header.emplace_back(field.text, field.length);
      const std::string unknown = unknownHeaderNames(header, names, options.read.activeLayout);
      if (!unknown.empty()) {
        return reportUsageError(WRITE_HELP.name, inputName(options) + ": " + unknown);
      }
    } else if (!error.empty()) {
      return reportFailure(WRITE_HELP.name, "cannot read " + inputName(options) + ": " + error);
    }
  }
  if (!openOutput(options, writer.get(), &error)) return reportFailure(WRITE_HELP.name, error);
  return writeRows(options, writer.get(), names, &chunker, header, headerText, inputSize);
}
