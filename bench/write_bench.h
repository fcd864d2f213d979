// Benchmarks of writing: the library's record writer encoding every column of the
// mixed record from its text (the reverse of api_read_all_columns, to read beside it
// in the same run), and `lyra write` of the mixed records from CSV and from JSON lines
// to /dev/null with the default threads, each run as a separate process of the built
// tool. Rows give bytes/s and records/s of the records written.
#ifndef LYRA_BENCH_WRITE_BENCH_H_
#define LYRA_BENCH_WRITE_BENCH_H_

#include <string>
#include <vector>

// Registers the rows for the fixed-length file of mixed records at path; returns the
// files it wrote for them (the tool's inputs), for the caller to remove.
std::vector<std::string> registerWriteBenchmarks(const std::string& path);

#endif  // LYRA_BENCH_WRITE_BENCH_H_
