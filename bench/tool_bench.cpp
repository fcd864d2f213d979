#include "tool_bench.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_records.h"

extern char** environ;

namespace {

// The data file a row reads: the fixed-length file, the rdw file framed from it, that
// file gzip-compressed, read with its checkpoint index or without (by one
// decompressing thread that feeds the others).
enum ToolInput { INPUT_FIXED, INPUT_RDW, INPUT_GZIP, INPUT_GZIP_INDEX };

struct ToolRun {
  const char* name;     // of the row
  const char* command;  // read, verify or diagnose
  const char* format;   // read's --format; null for the others
  const char* threads;  // --threads; null: the default
  ToolInput input;
};

const ToolRun TOOL_RUNS[] = {
    {"tool_read_csv/mixed", "read", "csv", nullptr, INPUT_FIXED},
    {"tool_read_csv_1_thread/mixed", "read", "csv", "1", INPUT_FIXED},
    {"tool_read_jsonl/mixed", "read", "jsonl", nullptr, INPUT_FIXED},
    {"tool_read_jsonl_1_thread/mixed", "read", "jsonl", "1", INPUT_FIXED},
    {"tool_read_json_nested/mixed", "read", "json-nested", nullptr, INPUT_FIXED},
    {"tool_read_json_nested_1_thread/mixed", "read", "json-nested", "1", INPUT_FIXED},
    {"tool_verify/mixed", "verify", nullptr, nullptr, INPUT_FIXED},
    {"tool_verify_1_thread/mixed", "verify", nullptr, "1", INPUT_FIXED},
    {"tool_diagnose/mixed", "diagnose", nullptr, nullptr, INPUT_FIXED},
    {"tool_read_csv_2_threads/mixed_rdw", "read", "csv", "2", INPUT_RDW},
    {"tool_read_csv_2_threads/mixed_rdw_gzip", "read", "csv", "2", INPUT_GZIP},
    {"tool_read_csv_2_threads/mixed_rdw_gzip_index", "read", "csv", "2", INPUT_GZIP_INDEX},
};

// The distance between the checkpoints of the gzip file's index.
const char INDEX_EVERY[] = "8388608";
const int GZIP_BLOCK = 1 << 20;

const double KIB = 1024;
const char TOOL_PATH[] = LYRA_TOOL_PATH;  // empty when the tool is not built

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "lyra_bench: %s\n", message.c_str());
  std::exit(1);
}

// The files the rows read.
struct ToolFiles {
  std::string fixed, rdw, gzip, index;
};

// The tool's arguments for the run, without the program name. diagnose is given the
// layout alone: it finds the rest.
std::vector<std::string> toolArguments(const ToolRun& run, const ToolFiles& files) {
  const bool fixed = run.input == INPUT_FIXED;
  std::vector<std::string> args{run.command};
  if (std::string(run.command) != "diagnose") {
    args.insert(args.end(), {"-q", "--record-format", fixed ? "fixed" : "rdw"});
  }
  if (run.format != nullptr) args.insert(args.end(), {"--format", run.format});
  if (run.threads != nullptr) args.insert(args.end(), {"--threads", run.threads});
  if (run.input == INPUT_GZIP_INDEX) args.insert(args.end(), {"--index", files.index});
  const std::string& data = fixed ? files.fixed : run.input == INPUT_RDW ? files.rdw : files.gzip;
  args.insert(args.end(), {"-c", benchCopybook(BENCH_RECORD_MIXED), data});
  return args;
}

// The descriptor on which a spawner reports the peak resident set of the tool it ran.
const int REPORT_FD = 3;

// Runs the tool once, its output to /dev/null; returns its peak resident set size in
// kB. Any exit status but 0 ends the benchmark program. The tool is started by a
// fresh process of this program (runForPeakRss): a process's peak counts the memory
// of the process it was started from until it runs the tool, which for this one,
// holding the benchmarks' data, would be tens of MiB.
long runTool(const std::vector<std::string>& args) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) fail("cannot find this program");
  self[n] = '\0';
  std::vector<char*> argv{self, const_cast<char*>(PEAK_RSS_OF), const_cast<char*>(TOOL_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (pipe(report) != 0) fail("cannot make a pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  // The read end goes first: it may be the descriptor the write end is moved to.
  posix_spawn_file_actions_addclose(&actions, report[0]);
  posix_spawn_file_actions_adddup2(&actions, report[1], REPORT_FD);
  if (report[1] != REPORT_FD) posix_spawn_file_actions_addclose(&actions, report[1]);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, self, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(report[1]);
  if (spawned != 0) fail(std::string("cannot run ") + self);
  int status = 0;
  const bool ran =
      waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  char text[32] = {};
  const ssize_t got = read(report[0], text, sizeof text - 1);
  close(report[0]);
  if (!ran || got <= 0) fail(std::string(TOOL_PATH) + " " + args.front() + " failed");
  return std::atol(text);
}

// Rates count the bytes of records read: of a compressed file, those it holds.
void benchTool(benchmark::State& state, const ToolRun& run, const ToolFiles& files) {
  struct stat info;
  const std::string& measured = run.input == INPUT_FIXED ? files.fixed : files.rdw;
  if (stat(measured.c_str(), &info) != 0) fail("cannot find " + measured);
  const std::vector<std::string> args = toolArguments(run, files);
  long peak = 0;
  int64_t passes = 0;
  for (auto _ : state) {
    peak = std::max(peak, runTool(args));
    ++passes;
  }
  const double bytes = static_cast<double>(info.st_size) * static_cast<double>(passes);
  state.counters["bytes"] = benchmark::Counter(bytes, benchmark::Counter::kIsRate);
  state.counters["records"] = benchmark::Counter(bytes / benchRecord(BENCH_RECORD_MIXED).length,
                                                 benchmark::Counter::kIsRate);
  state.counters["peak RSS MiB"] = static_cast<double>(peak) / KIB;
}

// Writes the file at path gzip-compressed (zlib's default level) to gzipPath.
void writeGzip(const std::string& path, const std::string& gzipPath) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  gzFile out = gzopen(gzipPath.c_str(), "wb");
  if (in == nullptr || out == nullptr) fail("cannot write " + gzipPath);
  std::vector<char> block(GZIP_BLOCK);
  for (size_t n; (n = std::fread(block.data(), 1, block.size(), in)) > 0;) {
    if (gzwrite(out, block.data(), static_cast<unsigned>(n)) != static_cast<int>(n)) {
      fail("cannot write " + gzipPath);
    }
  }
  std::fclose(in);
  if (gzclose(out) != Z_OK) fail("cannot write " + gzipPath);
}

}  // namespace

int runForPeakRss(char** argv) {
  if (fcntl(REPORT_FD, F_SETFD, FD_CLOEXEC) != 0) return 127;
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ) != 0) return 127;
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child) return 127;
  dprintf(REPORT_FD, "%ld\n", usage.ru_maxrss);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::vector<std::string> registerToolBenchmarks(const std::string& path,
                                                const std::string& rdwPath) {
  if (TOOL_PATH[0] == '\0') return {};
  static ToolFiles files;  // the rows refer to it until the program ends
  files = {path, rdwPath, rdwPath + ".gz", rdwPath + ".idx"};
  writeGzip(rdwPath, files.gzip);
  runTool({"splits", "--record-format", "rdw", "--every", INDEX_EVERY, "--index", files.index,
           files.gzip});
  for (const ToolRun& run : TOOL_RUNS) {
    benchmark::RegisterBenchmark(run.name, benchTool, run, files)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  return {files.gzip, files.index};
}
