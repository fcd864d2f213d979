// Benchmarks of the lyra tool itself: `lyra read` of the mixed records to CSV, to JSON
// lines and to nested JSON lines (json-nested), written to /dev/null, and `lyra verify`
// of them, with the default threads (one per core) and with one thread, and `lyra
// diagnose` of the file, each run as a separate process of the built tool, as people run
// it. Each row gives bytes/s and records/s of the data file, to read beside the plain
// read loop over the same file in the same run, and the tool's peak resident set size,
// which its threads and buffers bound whatever the file's size.
#ifndef LYRA_BENCH_TOOL_BENCH_H_
#define LYRA_BENCH_TOOL_BENCH_H_

#include <string>

// Registers the rows for the fixed-length file of mixed records at path (records of
// txnrec.cpy); none when the tool was not built.
void registerToolBenchmarks(const std::string& path);

#endif  // LYRA_BENCH_TOOL_BENCH_H_
