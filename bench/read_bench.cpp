// Reading benchmarks: records/s and bytes/s of readNextRecord plus
// getOutputValue(i).asString() of every column, through the public API, for a
// mixed-usage and a display-only record, beside a plain read(2) loop over the same
// file; the same values from a decoder written for the one layout, through the same
// value calls (layout_decoder.h); the record batch filling every column of the same
// records, typed; the record reader on the same records framed as rdw and vb (mixed)
// and as lines (display), beside its fixed format; `lyra read` of the mixed file to
// CSV and JSON lines (tool_bench.h); and a layout of millions of columns, loaded and
// listed, and loaded and read once (large_layout_bench.h). Heap allocations are
// counted by replacing the global operator new (every object and string of the
// library; only the data-file window comes from malloc, once per openDataFile): per
// record inside readNextRecord (0 expected once warm) and inside the getOutputValue
// calls, whose copies allocate for
// texts longer than the strings' own buffer (QvbString::INLINE_CAPACITY characters),
// and per batch inside the batch's reads (0 expected once its buffers are sized).
// Afterwards, peak RSS of a separate process that reads a 1 MB file and of one that
// reads a 1 GB file shows that memory does not grow with the file.
//
// Flags besides Google Benchmark's: --file-mib=N (size of the benchmark files,
// default 256), --no-rss (skip the peak RSS check). Files are written to the build
// folder and removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "bench_records.h"
#include "large_layout_bench.h"
#include "layout_decoder.h"
#include "lyra/ccb_record_batch.h"
#include "lyra/ccb_record_reader.h"
#include "tool_bench.h"
#include "write_bench.h"

namespace {

std::atomic<uint64_t> allocationCount{0};

void* countedAllocation(size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(size_t size) {
  void* p = countedAllocation(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size) {
  void* p = countedAllocation(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return countedAllocation(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return countedAllocation(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}

namespace {

const int64_t MIB = 1024 * 1024;
const int64_t SMALL_RSS_FILE = 1000 * 1000;         // 1 MB
const int64_t LARGE_RSS_FILE = 1000 * 1000 * 1000;  // 1 GB
const size_t C_LOOP_BLOCK = 64 * 1024;
const int BATCH_RECORDS = 4096;  // records per batch of the batch benchmarks

std::string dataPath(const char* name, const char* suffix) {
  return std::string(LYRA_BENCH_DATA_DIR) + "/bench_" + name + "_" + suffix + ".dat";
}

void die(const std::string& message) {
  std::fprintf(stderr, "lyra_bench: %s\n", message.c_str());
  std::exit(1);
}

// Reads the whole file in blocks of the block's size; returns the bytes read.
int64_t readPlain(const std::string& path, std::vector<char>& block) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) die("cannot open " + path);
  int64_t total = 0;
  for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0;) total += n;
  ::close(fd);
  benchmark::DoNotOptimize(block.data());
  return total;
}

struct ApiCounts {
  int64_t records = 0;
  uint64_t readAllocations = 0;   // inside readNextRecord
  uint64_t valueAllocations = 0;  // inside the getOutputValue calls
};

// Reads every record of the open file and fetches every column of each, or every
// every-th column from the first.
ApiCounts readAll(CCBReader* reader, int every = 1) {
  ApiCounts counts;
  const int columns = reader->getOutputCount();
  bool failed = false;
  for (;;) {
    const uint64_t before = allocationCount.load(std::memory_order_relaxed);
    const bool more = reader->readNextRecord(failed);
    const uint64_t afterRead = allocationCount.load(std::memory_order_relaxed);
    counts.readAllocations += afterRead - before;
    if (!more) break;
    for (int i = 0; i < columns; i += every) {
      const QvbString text = reader->getOutputValue(i).asString();
      benchmark::DoNotOptimize(text.asCstr());
    }
    counts.valueAllocations += allocationCount.load(std::memory_order_relaxed) - afterRead;
    ++counts.records;
  }
  if (failed) die(std::string("reading failed: ") + reader->getErrorMessage().asCstr());
  return counts;
}

void reopen(CCBReader* reader, const std::string& path) {
  if (!reader->openDataFile(QvbString(path.c_str()), 0, true, true, 0)) {
    die(std::string("openDataFile failed: ") + reader->getErrorMessage().asCstr());
  }
}

void benchPlainRead(benchmark::State& state, BenchRecordKind kind, const std::string& path) {
  std::vector<char> block(C_LOOP_BLOCK);
  readPlain(path, block);  // warm-up: the file is in the page cache from here on
  int64_t bytes = 0;
  for (auto _ : state) bytes += readPlain(path, block);
  state.counters["bytes"] =
      benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kIsRate);
  state.counters["records"] = benchmark::Counter(
      static_cast<double>(bytes / benchRecord(kind).length), benchmark::Counter::kIsRate);
}

void benchApiRead(benchmark::State& state, BenchRecordKind kind, const std::string& path,
                  int every) {
  std::string error;
  CCBReader* reader = openBenchReader(kind, path, &error);
  if (reader == nullptr) die(error);
  readAll(reader, every);  // warm-up: page cache, and every buffer at its steady size
  ApiCounts total;
  for (auto _ : state) {
    reopen(reader, path);
    const ApiCounts pass = readAll(reader, every);
    total.records += pass.records;
    total.readAllocations += pass.readAllocations;
    total.valueAllocations += pass.valueAllocations;
  }
  reader->release();
  const double records = static_cast<double>(total.records);
  state.counters["bytes"] =
      benchmark::Counter(records * benchRecord(kind).length, benchmark::Counter::kIsRate);
  state.counters["records"] = benchmark::Counter(records, benchmark::Counter::kIsRate);
  state.counters["allocs/rec read"] = static_cast<double>(total.readAllocations) / records;
  state.counters["allocs/rec values"] = static_cast<double>(total.valueAllocations) / records;
}

// Reads the file in blocks of whole records and fetches every column of each from
// the decoder written for the layout, as readAll fetches them from the reader;
// returns the records.
int64_t decodeAll(const BenchLayoutDecoder& decoder, BenchRecordKind kind, const std::string& path,
                  std::vector<unsigned char>& block) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) die("cannot open " + path);
  const ssize_t length = benchRecord(kind).length;
  int64_t records = 0;
  for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0;) {
    if (n % length != 0) die("a read of " + path + " ended inside a record");
    for (const unsigned char* record = block.data(); record < block.data() + n; record += length) {
      for (int i = 0; i < decoder.columnCount(); ++i) {
        const QvbString text = decoder.value(record, i).asString();
        benchmark::DoNotOptimize(text.asCstr());
      }
      ++records;
    }
  }
  ::close(fd);
  return records;
}

// The same values as api_read_all_columns, from a decoder written for the one layout
// instead of the library: what handing over every value through the value
// interface costs, with nothing of the library's own work.
void benchLayoutDecoder(benchmark::State& state, BenchRecordKind kind, const std::string& path) {
  const BenchLayoutDecoder decoder(kind);
  std::string error;
  if (!decoder.matchesReader(path, &error)) die("the layout decoder differs: " + error);
  const size_t length = static_cast<size_t>(benchRecord(kind).length);
  std::vector<unsigned char> block(C_LOOP_BLOCK / length * length);
  decodeAll(decoder, kind, path, block);  // warm-up
  int64_t records = 0;
  for (auto _ : state) records += decodeAll(decoder, kind, path, block);
  state.counters["bytes"] =
      benchmark::Counter(static_cast<double>(records) * length, benchmark::Counter::kIsRate);
  state.counters["records"] =
      benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

// The record reader over the same records in another record format: the figure
// to compare is records/s with the record reader's fixed format on the same records.
void benchRecordFormat(benchmark::State& state, BenchRecordKind kind, CCBRecordFormat format,
                       const std::string& path) {
  CCBRecordReader* reader = createCCBRecordReader();
  const std::string copybook = benchCopybook(kind);
  CCBReadOptions options;
  options.setRecordFormat(format);
  if (reader == nullptr || !reader->addCopybook(QvbString(copybook.c_str()), QvbString(), true) ||
      !reader->openData(QvbString(path.c_str()), options)) {
    die("cannot open " + path + " as " + ccbRecordFormatName(format));
  }
  readAll(reader);  // warm-up
  int64_t records = 0;
  for (auto _ : state) {
    if (!reader->openData(QvbString(path.c_str()), options)) die("cannot reopen " + path);
    records += readAll(reader).records;
  }
  reader->release();
  state.counters["bytes"] = benchmark::Counter(
      static_cast<double>(records) * benchRecord(kind).length, benchmark::Counter::kIsRate);
  state.counters["records"] =
      benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

// Reads the open input through the batch, BATCH_RECORDS records at a time; returns
// the records and adds the batches and the heap allocations inside read() to the
// counts.
int64_t readBatches(CCBRecordReader* reader, CCBRecordBatch* batch, int64_t* batches,
                    uint64_t* allocations) {
  int64_t records = 0;
  bool failed = false;
  for (;;) {
    const uint64_t before = allocationCount.load(std::memory_order_relaxed);
    const int count = batch->read(reader, BATCH_RECORDS, failed);
    *allocations += allocationCount.load(std::memory_order_relaxed) - before;
    if (count == 0) break;
    records += count;
    ++*batches;
  }
  if (failed) die(std::string("batch read failed: ") + batch->getErrorMessage().asCstr());
  return records;
}

// The record batch over the fixed-length file, every column typed. Allocations are
// counted per batch once a first pass has sized the buffers (0 expected).
void benchBatchRead(benchmark::State& state, BenchRecordKind kind, const std::string& path) {
  CCBRecordReader* reader = createCCBRecordReader();
  CCBRecordBatch* batch = createCCBRecordBatch();
  const std::string copybook = benchCopybook(kind);
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  if (reader == nullptr || batch == nullptr ||
      !reader->addCopybook(QvbString(copybook.c_str()), QvbString(), true) ||
      !reader->openData(QvbString(path.c_str()), options)) {
    die("cannot read " + path + " in batches");
  }
  int64_t records = 0, batches = 0;
  uint64_t allocations = 0;
  readBatches(reader, batch, &batches, &allocations);  // warm-up
  batches = 0;
  allocations = 0;
  for (auto _ : state) {
    if (!reader->openData(QvbString(path.c_str()), options)) die("cannot reopen " + path);
    records += readBatches(reader, batch, &batches, &allocations);
  }
  batch->release();
  reader->release();
  state.counters["bytes"] = benchmark::Counter(
      static_cast<double>(records) * benchRecord(kind).length, benchmark::Counter::kIsRate);
  state.counters["records"] =
      benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
  state.counters["allocs/batch"] = static_cast<double>(allocations) / static_cast<double>(batches);
}

// Registers the record reader in each format beside its fixed format, on files
// framed from the fixed file at path; returns the paths written.
std::vector<std::string> registerRecordFormats(BenchRecordKind kind, const std::string& path) {
  const CCBRecordFormat formats[] = {CCB_RECORD_FIXED,
                                     kind == BENCH_RECORD_MIXED ? CCB_RECORD_RDW : CCB_RECORD_LINES,
                                     CCB_RECORD_VB};
  std::vector<std::string> written;
  const std::string name = benchRecord(kind).name;
  for (const CCBRecordFormat format : formats) {
    if (format == CCB_RECORD_VB && kind != BENCH_RECORD_MIXED) continue;
    std::string framed = path;
    if (format != CCB_RECORD_FIXED) {
      framed = dataPath(benchRecord(kind).name, ccbRecordFormatName(format));
      std::string error;
      if (!writeFramedFile(path, benchRecord(kind).length, format, framed, &error)) die(error);
      written.push_back(framed);
    }
    benchmark::RegisterBenchmark(
        ("record_reader/" + std::string(ccbRecordFormatName(format)) + "/" + name).c_str(),
        benchRecordFormat, kind, format, framed)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  return written;
}

// Child-process side of the RSS check: reads the whole file through the API and
// prints the record count and the peak resident set size (VmHWM, kB).
int printPeakRss(BenchRecordKind kind, const std::string& path) {
  std::string error;
  CCBReader* reader = openBenchReader(kind, path, &error);
  if (reader == nullptr) die(error);
  const ApiCounts counts = readAll(reader);
  reader->release();
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) die("cannot read /proc/self/status");
  char line[256];
  long peak = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1) break;
  }
  std::fclose(status);
  std::printf("%lld %ld\n", static_cast<long long>(counts.records), peak);
  return 0;
}

// Runs printPeakRss in a new process of this program on a freshly written file of
// the given size, which is removed afterwards.
void reportPeakRss(BenchRecordKind kind, int64_t bytes, const char* label) {
  const std::string path = dataPath(benchRecord(kind).name, label);
  std::string error;
  if (!writeBenchFile(kind, path, bytes, &error)) die(error);
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) die("cannot find this program");
  self[n] = '\0';
  const std::string command =
      std::string("'") + self + "' --peak-rss " + benchRecord(kind).name + " '" + path + "'";
  FILE* child = ::popen(command.c_str(), "r");
  long long records = 0;
  long peak = -1;
  if (child == nullptr || std::fscanf(child, "%lld %ld", &records, &peak) != 2) {
    die("peak RSS check failed");
  }
  ::pclose(child);
  std::remove(path.c_str());
  std::printf("peak RSS reading %-4s %-7s file (%lld records, every column): %ld kB\n", label,
              benchRecord(kind).name, records, peak);
}

// Removes the first argument that starts with prefix and returns the rest of it, or
// null when there is none.
const char* takeArgument(int* argc, char** argv, const char* prefix) {
  const size_t length = std::strlen(prefix);
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp(argv[i], prefix, length) == 0) {
      const char* rest = argv[i] + length;
      for (int j = i; j + 1 < *argc; ++j) argv[j] = argv[j + 1];
      --*argc;
      return rest;
    }
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], PEAK_RSS_OF) == 0) return runForPeakRss(argv + 2);
  BenchRecordKind kind;
  if (argc == 4 && std::strcmp(argv[1], "--peak-rss") == 0 && findBenchRecord(argv[2], &kind)) {
    return printPeakRss(kind, argv[3]);
  }
  const char* mib = takeArgument(&argc, argv, "--file-mib=");
  const int64_t fileBytes = (mib != nullptr ? std::atoll(mib) : 256) * MIB;
  const bool checkRss = takeArgument(&argc, argv, "--no-rss") == nullptr;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const BenchRecordKind kinds[] = {BENCH_RECORD_MIXED, BENCH_RECORD_DISPLAY};
  std::vector<std::string> framedFiles;
  for (BenchRecordKind k : kinds) {
    const std::string path = dataPath(benchRecord(k).name, "bench");
    std::string error;
    if (!writeBenchFile(k, path, fileBytes, &error)) die(error);
    const std::string name = benchRecord(k).name;
    benchmark::RegisterBenchmark(("plain_read/" + name).c_str(), benchPlainRead, k, path)
        ->Iterations(4)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("api_read_all_columns/" + name).c_str(), benchApiRead, k, path, 1)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("layout_decoder_all_columns/" + name).c_str(), benchLayoutDecoder,
                                 k, path)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    if (k == BENCH_RECORD_MIXED) {  // 21 columns: the first, the 11th and the last
      benchmark::RegisterBenchmark(("api_read_3_of_21_columns/" + name).c_str(), benchApiRead, k,
                                   path, 10)
          ->Iterations(1)
          ->Repetitions(3)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(("batch_all_columns/" + name).c_str(), benchBatchRead, k, path)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    const std::vector<std::string> framed = registerRecordFormats(k, path);
    framedFiles.insert(framedFiles.end(), framed.begin(), framed.end());
    if (k == BENCH_RECORD_MIXED) {
      const std::vector<std::string> inputs = registerWriteBenchmarks(path);
      framedFiles.insert(framedFiles.end(), inputs.begin(), inputs.end());
      const std::vector<std::string> tool =
          registerToolBenchmarks(path, dataPath(benchRecord(k).name, "rdw"));
      framedFiles.insert(framedFiles.end(), tool.begin(), tool.end());
    }
  }
  registerLargeLayoutBenchmarks(LYRA_BENCH_DATA_DIR);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  removeLargeLayoutFiles(LYRA_BENCH_DATA_DIR);
  for (BenchRecordKind k : kinds) std::remove(dataPath(benchRecord(k).name, "bench").c_str());
  for (const std::string& file : framedFiles) std::remove(file.c_str());

  if (checkRss) {
    reportPeakRss(BENCH_RECORD_MIXED, SMALL_RSS_FILE, "1MB");
    reportPeakRss(BENCH_RECORD_MIXED, LARGE_RSS_FILE, "1GB");
  }
  return 0;
}
