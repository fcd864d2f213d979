// Benchmarks of a layout of 3,999,990 output columns (one field, PIC X OCCURS
// 3999990, just under the limit on output entries): loading it and listing every
// column (name, type, length and place, as `lyra columns` does), and loading it and
// reading one record of it with every column's text (as `lyra read` does). Each row
// gives nanoseconds and bytes (peak resident set growth) per column, beside the same
// figures of a plain std::vector<std::string> of the same names built in the same run,
// and the two ratios.
#ifndef LYRA_BENCH_LARGE_LAYOUT_BENCH_H_
#define LYRA_BENCH_LARGE_LAYOUT_BENCH_H_

#include <string>

// Registers the rows; the copybook is written into folder and removed by
// removeLargeLayoutFiles.
void registerLargeLayoutBenchmarks(const std::string& folder);
void removeLargeLayoutFiles(const std::string& folder);

#endif  // LYRA_BENCH_LARGE_LAYOUT_BENCH_H_
