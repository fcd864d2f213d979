// The framings of a data file that `lyra diagnose` goes on to decode: for each row of
// FRAMING_ROWS that applies to the file, the smallest header (--skip, up to 64 KiB)
// at which its framing holds, found as the row's HeaderSearch says: descriptor-word
// chains that hold through the sample's start, fixed records whose first records
// decode cleanly after a header that leaves whole records, text lines, the walk of a
// layout. Fixed records are tried at the layout's length and at the length at which
// the bytes of the sample repeat most, where that is longer.
#ifndef LYRA_TOOLS_HEADER_SEARCH_H_
#define LYRA_TOOLS_HEADER_SEARCH_H_

#include <vector>

#include "candidate_rows.h"
#include "file_sample.h"
#include "layout_facts.h"
#include "sample_evaluation.h"

// The largest header searched for.
const int64_t MAX_HEADER_BYTES = 64 * 1024;

// The framing settings that hold for the sample read with the layouts of the options,
// in row order. probes are settings (code page, byte orders, float format; their
// framing is ignored) under which the searches that decode records try them, and
// walkProbes those under which the layout's walk is tried: a header is found when it is
// found under any of them.
std::vector<Setting> findFramings(const FileSample& sample, const LayoutFacts& facts,
                                  const ReadOptions& options, const std::vector<Setting>& probes,
                                  const std::vector<Setting>& walkProbes,
                                  SampleEvaluator* evaluator);

#endif  // LYRA_TOOLS_HEADER_SEARCH_H_
