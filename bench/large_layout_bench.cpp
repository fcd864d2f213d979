#include "large_layout_bench.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "lyra/ccb_layout_service.h"
#include "lyra/ccb_record_reader.h"

namespace {

const int LARGE_COLUMNS = 3999990;
const char LARGE_COPYBOOK[] =
    "       01  R.\n"
    "           05 A PIC X OCCURS 3999990.\n";

std::string copybookPath(const std::string& folder) {
  return folder + "/large_layout.cbl";
}

long statusKb(const char* field) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kb = -1;
  const size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, field, length) == 0 && std::sscanf(line + length, "%ld", &kb) == 1) {
      break;
    }
  }
  std::fclose(status);
  return kb;
}

// Time and peak resident set growth of one step. The peak is reset first (writing 5
// to clear_refs), and freed heap memory is given back, so that what earlier steps
// left does not hide the growth.
struct Cost {
  double seconds = 0;
  double bytes = 0;
};

template <typename Step>
Cost measure(Step step) {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before = statusKb("VmRSS:");
  const auto start = std::chrono::steady_clock::now();
  step();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const long peak = statusKb("VmHWM:");
  return Cost{elapsed.count(), static_cast<double>(peak - before) * 1024};
}

// The reference: the column names as the layout names them, in a vector of strings.
void buildNames() {
  std::vector<std::string> names;
  names.push_back("A");
  for (int i = 1; i < LARGE_COLUMNS; ++i) names.push_back("A_" + std::to_string(i));
  benchmark::DoNotOptimize(names.data());
}

void listColumns(benchmark::State& state, const std::string& copybook) {
  CCBLayoutService* service = createCCBLayoutService();
  if (!service->loadCopybook(copybook.c_str())) state.SkipWithError("the layout did not load");
  const int count = service->getOutputCount();
  for (int i = 0; i < count; ++i) {
    QvbString name;
    int type = 0, length = 0, storage = 0;
    int64_t offset = 0;
    CCBColumnUsage usage;
    bool variable = false;
    service->getOutputInfo(i, name, type, length);
    service->getColumnLayout(i, offset, storage, usage, variable);
    benchmark::DoNotOptimize(name.asCstr());
  }
  service->release();
}

void readOneRecord(benchmark::State& state, const std::string& copybook,
                   const std::vector<unsigned char>& record) {
  CCBRecordReader* reader = createCCBRecordReader();
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  bool failed = false;
  if (!reader->addCopybook(copybook.c_str(), QvbString(nullptr), true) ||
      !reader->openDataMemory(record.data(), record.size(), options) ||
      !reader->readNextRecord(failed)) {
    state.SkipWithError("the record was not read");
  }
  const int count = reader->getOutputCount();
  for (int i = 0; i < count; ++i) {
    QvbString name;
    int type = 0, length = 0;
    reader->getOutputInfo(i, name, type, length);
    const char* bytes = nullptr;
    reader->getOutputBytes(i, bytes, length);
    benchmark::DoNotOptimize(bytes);
  }
  reader->release();
}

// Runs the step and the reference once per iteration and reports both per column.
template <typename Step>
void benchPerColumn(benchmark::State& state, Step step) {
  Cost cost, reference;
  for (auto _ : state) {
    reference = measure(buildNames);
    cost = measure([&] { step(state); });
    state.SetIterationTime(cost.seconds);
  }
  state.counters["ns/column"] = cost.seconds * 1e9 / LARGE_COLUMNS;
  state.counters["bytes/column"] = cost.bytes / LARGE_COLUMNS;
  state.counters["ref ns/column"] = reference.seconds * 1e9 / LARGE_COLUMNS;
  state.counters["ref bytes/column"] = reference.bytes / LARGE_COLUMNS;
  state.counters["ns ratio"] = cost.seconds / reference.seconds;
  state.counters["bytes ratio"] = reference.bytes > 0 ? cost.bytes / reference.bytes : 0;
}

}  // namespace

void registerLargeLayoutBenchmarks(const std::string& folder) {
  const std::string copybook = copybookPath(folder);
  std::ofstream(copybook) << LARGE_COPYBOOK;
  benchmark::RegisterBenchmark(
      "large_layout_columns/3999990",
      [copybook](benchmark::State& s) {
        benchPerColumn(s, [&](benchmark::State& state) { listColumns(state, copybook); });
      })
      ->Iterations(1)
      ->Repetitions(3)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(
      "large_layout_read_one/3999990",
      [copybook](benchmark::State& s) {
        const std::vector<unsigned char> record(static_cast<size_t>(LARGE_COLUMNS), 'x');
        benchPerColumn(s, [&](benchmark::State& state) { readOneRecord(state, copybook, record); });
      })
      ->Iterations(1)
      ->Repetitions(3)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

void removeLargeLayoutFiles(const std::string& folder) {
  std::remove(copybookPath(folder).c_str());
}
