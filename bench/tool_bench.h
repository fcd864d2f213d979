// Benchmarks of the lyra tool itself: `lyra read` of the mixed records to CSV, to JSON
// lines and to nested JSON lines (json-nested), written to /dev/null, and `lyra verify`
// of them, with the default threads (one per core) and with one thread, and `lyra
// diagnose` of the file, each run as a separate process of the built tool, as people run
// it; and `lyra read` of the same records in rdw framing on two threads, as they stand,
// gzip-compressed and fed by one decompressing thread, and gzip-compressed with a
// checkpoint index. Each row gives bytes/s and records/s of the records read (of a
// compressed file, the bytes it holds), to read beside the plain read loop over the
// same file in the same run, and the tool's peak resident set size, which its threads
// and buffers bound whatever the file's size.
#ifndef LYRA_BENCH_TOOL_BENCH_H_
#define LYRA_BENCH_TOOL_BENCH_H_

#include <string>
#include <vector>

// Registers the rows for the fixed-length file of mixed records at path (records of
// txnrec.cpy) and the same records in rdw framing at rdwPath; none when the tool was
// not built. Returns the files it wrote, for the caller to remove.
std::vector<std::string> registerToolBenchmarks(const std::string& path,
                                                const std::string& rdwPath);

// The first argument of this program that makes it a spawner: `lyra_bench --peak-rss-of
// TOOL ARGS...` runs the tool and reports its peak resident set size in kB on
// descriptor 3; returns the tool's exit status.
inline constexpr char PEAK_RSS_OF[] = "--peak-rss-of";
int runForPeakRss(char** argv);

#endif  // LYRA_BENCH_TOOL_BENCH_H_
