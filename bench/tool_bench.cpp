#include "tool_bench.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_records.h"

extern char** environ;

namespace {

struct ToolRun {
  const char* name;     // of the row
  const char* command;  // read, verify or diagnose
  const char* format;   // read's --format; null for the others
  const char* threads;  // --threads; null: the default
};

const ToolRun TOOL_RUNS[] = {
    {"tool_read_csv/mixed", "read", "csv", nullptr},
    {"tool_read_csv_1_thread/mixed", "read", "csv", "1"},
    {"tool_read_jsonl/mixed", "read", "jsonl", nullptr},
    {"tool_read_jsonl_1_thread/mixed", "read", "jsonl", "1"},
    {"tool_read_json_nested/mixed", "read", "json-nested", nullptr},
    {"tool_read_json_nested_1_thread/mixed", "read", "json-nested", "1"},
    {"tool_verify/mixed", "verify", nullptr, nullptr},
    {"tool_verify_1_thread/mixed", "verify", nullptr, "1"},
    {"tool_diagnose/mixed", "diagnose", nullptr, nullptr},
};

const double KIB = 1024;
const char TOOL_PATH[] = LYRA_TOOL_PATH;  // empty when the tool is not built

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "lyra_bench: %s\n", message.c_str());
  std::exit(1);
}

// The tool's arguments for the run, without the program name. diagnose is given the
// layout alone: it finds the rest.
std::vector<std::string> toolArguments(const ToolRun& run, const std::string& path) {
  std::vector<std::string> args{run.command};
  if (std::string(run.command) != "diagnose") {
    args.insert(args.end(), {"-q", "--record-format", "fixed"});
  }
  if (run.format != nullptr) args.insert(args.end(), {"--format", run.format});
  if (run.threads != nullptr) args.insert(args.end(), {"--threads", run.threads});
  args.insert(args.end(), {"-c", benchCopybook(BENCH_RECORD_MIXED), path});
  return args;
}

// Runs the tool once, its output to /dev/null; returns its peak resident set size in
// kB. Any exit status but 0 ends the benchmark program.
long runTool(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(TOOL_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, TOOL_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) fail(std::string("cannot run ") + TOOL_PATH);
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fail(std::string(TOOL_PATH) + " " + args.front() + " failed");
  }
  return usage.ru_maxrss;
}

void benchTool(benchmark::State& state, const ToolRun& run, const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) fail("cannot find " + path);
  const std::vector<std::string> args = toolArguments(run, path);
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

}  // namespace

void registerToolBenchmarks(const std::string& path) {
  if (TOOL_PATH[0] == '\0') return;
  for (const ToolRun& run : TOOL_RUNS) {
    benchmark::RegisterBenchmark(run.name, benchTool, run, path)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
}
