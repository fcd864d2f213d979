#include "write_bench.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "bench_records.h"
#include "lyra/ccb_record_reader.h"
#include "lyra/ccb_record_writer.h"

extern char** environ;

namespace {

const int SAMPLE_RECORDS = 65536;  // the records whose texts the encoder writes over and over
const char TOOL_PATH[] = LYRA_TOOL_PATH;  // empty when the tool is not built

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "lyra_bench: %s\n", message.c_str());
  std::exit(1);
}

// The texts of every column of the first records of the file, as the reader gives
// them: value c of record r is texts[offsets[r * columns + c]] on.
struct Sample {
  int columns = 0;
  int records = 0;
  int64_t fileRecords = 0;
  std::string texts;
  std::vector<size_t> offsets;
};

Sample readSample(const std::string& path) {
  std::string error;
  CCBReader* reader = openBenchReader(BENCH_RECORD_MIXED, path, &error);
  if (reader == nullptr) fail(error);
  Sample sample;
  sample.columns = reader->getOutputCount();
  bool failed = false;
  while (sample.records < SAMPLE_RECORDS && reader->readNextRecord(failed)) {
    for (int c = 0; c < sample.columns; ++c) {
      sample.offsets.push_back(sample.texts.size());
      sample.texts += reader->getOutputValue(c).asString().asCstr();
    }
    ++sample.records;
  }
  sample.offsets.push_back(sample.texts.size());
  reader->release();
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || sample.records == 0) fail("cannot sample " + path);
  sample.fileRecords = info.st_size / benchRecord(BENCH_RECORD_MIXED).length;
  return sample;
}

// As many records as the file holds, the sample's over and over, every column set as
// text, written to memory in fixed format.
void benchApiWrite(benchmark::State& state, const std::string& path) {
  const Sample sample = readSample(path);
  const int length = benchRecord(BENCH_RECORD_MIXED).length;
  CCBRecordWriter* writer = createCCBRecordWriter();
  const std::string copybook = benchCopybook(BENCH_RECORD_MIXED);
  if (writer == nullptr || !writer->addCopybook(copybook.c_str(), QvbString(), true)) {
    fail("cannot create a record writer");
  }
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  std::vector<unsigned char> memory(static_cast<size_t>(sample.records) * length);
  int64_t records = 0;
  for (auto _ : state) {
    for (int64_t done = 0; done < sample.fileRecords;) {
      if (!writer->openMemory(memory.data(), memory.size(), options)) fail("cannot open memory");
      for (int r = 0; r < sample.records && done < sample.fileRecords; ++r, ++done) {
        const size_t* offsets = &sample.offsets[static_cast<size_t>(r) * sample.columns];
        for (int c = 0; c < sample.columns; ++c) {
          writer->setValue(c, sample.texts.data() + offsets[c],
                           static_cast<int>(offsets[c + 1] - offsets[c]));
        }
        bool failed = false;
        if (!writer->writeRecord(failed)) {
          fail(std::string("writing failed: ") + writer->getErrorMessage().asCstr());
        }
      }
      if (!writer->close()) fail("cannot close memory");
      benchmark::DoNotOptimize(memory.data());
    }
    records += sample.fileRecords;
  }
  writer->release();
  state.counters["bytes"] =
      benchmark::Counter(static_cast<double>(records) * length, benchmark::Counter::kIsRate);
  state.counters["records"] =
      benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

// Runs the tool with its output to the file given (or /dev/null); exits on failure.
void runTool(const std::vector<std::string>& args, const char* output) {
  std::vector<char*> argv{const_cast<char*>(TOOL_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, TOOL_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    fail(std::string(TOOL_PATH) + " " + args[0] + " failed");
  }
}

void benchToolWrite(benchmark::State& state, const std::string& format, const std::string& input,
                    int64_t records) {
  const std::vector<std::string> args = {"write",
                                         "-q",
                                         "--format",
                                         format,
                                         "--record-format",
                                         "fixed",
                                         "-c",
                                         benchCopybook(BENCH_RECORD_MIXED),
                                         "-o",
                                         "/dev/null",
                                         input};
  int64_t passes = 0;
  for (auto _ : state) {
    runTool(args, "/dev/null");
    ++passes;
  }
  const double written = static_cast<double>(records) * static_cast<double>(passes);
  state.counters["bytes"] = benchmark::Counter(written * benchRecord(BENCH_RECORD_MIXED).length,
                                               benchmark::Counter::kIsRate);
  state.counters["records"] = benchmark::Counter(written, benchmark::Counter::kIsRate);
}

}  // namespace

std::vector<std::string> registerWriteBenchmarks(const std::string& path) {
  benchmark::RegisterBenchmark("api_write_all_columns/mixed", benchApiWrite, path)
      ->Iterations(1)
      ->Repetitions(3)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  std::vector<std::string> inputs;
  if (TOOL_PATH[0] == '\0') return inputs;
  struct stat info;
  if (stat(path.c_str(), &info) != 0) fail("cannot find " + path);
  const int64_t records = info.st_size / benchRecord(BENCH_RECORD_MIXED).length;
  for (const std::string format : {"csv", "jsonl"}) {
    const std::string input = path + "." + format;
    runTool({"read", "-q", "--format", format, "--record-format", "fixed", "-c",
             benchCopybook(BENCH_RECORD_MIXED), path},
            input.c_str());
    inputs.push_back(input);
    benchmark::RegisterBenchmark(("tool_write_" + format + "/mixed").c_str(), benchToolWrite,
                                 format, input, records)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  return inputs;
}
