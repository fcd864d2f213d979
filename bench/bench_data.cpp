// Writes and checks the benchmark data files outside the benchmark, for profiling
// (for example under callgrind) and for comparing decoded output across changes:
//
//   lyra_bench_data write  mixed|display FILE MIB   writes a file of MIB MiB
//   lyra_bench_data digest mixed|display FILE       reads it through the public API
//
// digest prints the first record's columns, the record count and a 64-bit FNV-1a
// digest of every column of every record (its type and its text).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_records.h"

namespace {

const uint64_t FNV_OFFSET = 0xCBF29CE484222325ULL;
const uint64_t FNV_PRIME = 0x100000001B3ULL;

uint64_t fnv(uint64_t hash, const char* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    hash = (hash ^ static_cast<unsigned char>(bytes[i])) * FNV_PRIME;
  }
  return hash;
}

int digest(BenchRecordKind kind, const std::string& path) {
  std::string error;
  CCBReader* reader = openBenchReader(kind, path, &error);
  if (reader == nullptr) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const int columns = reader->getOutputCount();
  uint64_t hash = FNV_OFFSET;
  long long records = 0;
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    for (int i = 0; i < columns; ++i) {
      const QvbDatavar value = reader->getOutputValue(i);
      const char type = static_cast<char>('0' + value.getType());
      hash = fnv(hash, &type, 1);
      hash = fnv(hash, value.text().asCstr(), static_cast<size_t>(value.text().length()) + 1);
      if (records == 0) {
        QvbString name;
        int outputType = 0;
        int length = 0;
        reader->getOutputInfo(i, name, outputType, length);
        std::printf("%-20s type %d  [%s]\n", name.asCstr(), value.getType(), value.text().asCstr());
      }
    }
    ++records;
  }
  if (failed) std::fprintf(stderr, "%s\n", reader->getErrorMessage().asCstr());
  reader->release();
  std::printf("records %lld, columns %d, digest %016llx\n", records, columns,
              static_cast<unsigned long long>(hash));
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  BenchRecordKind kind;
  if (argc >= 4 && findBenchRecord(argv[2], &kind)) {
    if (argc == 5 && std::strcmp(argv[1], "write") == 0) {
      std::string error;
      if (writeBenchFile(kind, argv[3], std::atoll(argv[4]) * 1024 * 1024, &error)) return 0;
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "digest") == 0) return digest(kind, argv[3]);
  }
  std::fprintf(stderr,
               "usage: lyra_bench_data write mixed|display FILE MIB\n"
               "       lyra_bench_data digest mixed|display FILE\n");
  return 2;
}
