// The two records the reading benchmarks use, their copybooks (in this folder) and a
// generator of data files holding them. Files are made of whole 200-byte records
// with varied but valid values, the same for the same kind and size on every run
// (a fixed pseudo-random sequence). The display text is ASCII (read with noConvert).
#ifndef LYRA_BENCH_BENCH_RECORDS_H_
#define LYRA_BENCH_BENCH_RECORDS_H_

#include <cstdint>
#include <string>

#include "lyra/ccb_read_options.h"
#include "lyra/ccb_reader.h"

enum BenchRecordKind {
  BENCH_RECORD_MIXED = 0,    // text, packed, binary and zoned fields, a table of 5
  BENCH_RECORD_DISPLAY = 1,  // text and unsigned display digits only
};

struct BenchRecord {
  const char* name;      // "mixed" or "display"
  const char* copybook;  // file name in the benchmark source folder
  int length;            // bytes per record
};

const BenchRecord& benchRecord(BenchRecordKind kind);

// Finds the kind by its name; false when there is none.
bool findBenchRecord(const std::string& name, BenchRecordKind* kind);

// Writes the file at path with as many whole records as fit in bytes. False with a
// message in *error when the file cannot be written.
bool writeBenchFile(BenchRecordKind kind, const std::string& path, int64_t bytes,
                    std::string* error);

// Writes the records of the fixed-length file at fixedPath (records of length
// bytes) to path in another record format: rdw (descriptor lengths counting their
// 4 bytes), vb (blocks of up to 27998 bytes of such records) or lines (LF after each).
bool writeFramedFile(const std::string& fixedPath, int length, CCBRecordFormat format,
                     const std::string& path, std::string* error);

// The path of the kind's copybook.
std::string benchCopybook(BenchRecordKind kind);

// A reader that holds the kind's copybook and has the file open with fixed-length
// records; null with a message in *error. The caller releases it.
CCBReader* openBenchReader(BenchRecordKind kind, const std::string& path, std::string* error);

#endif  // LYRA_BENCH_BENCH_RECORDS_H_
