// The diagnosis of `lyra diagnose` (and of the Python package's lyra.diagnose): the
// ways of reading a data file with given layouts, ranked by how cleanly the values of
// a bounded sample of the file decode with each. It tries the framings that hold for
// the file (header_search.h) in both families of code pages and every byte order its
// binary items may have, then every float format for the best of them, then chooses
// the code page of the best within its family by how plausible its text reads.
#ifndef LYRA_TOOLS_DIAGNOSIS_H_
#define LYRA_TOOLS_DIAGNOSIS_H_

#include <string>
#include <vector>

#include "candidate_rows.h"
#include "read_options.h"
#include "sample_evaluation.h"

struct DiagnoseCandidate {
  Setting setting;
  SampleTally tally;
  // What to add to the layout options to read the file so, as `lyra read` takes it.
  std::vector<std::string> arguments;
};

// The candidates shown, at most.
const size_t SHOWN_CANDIDATES = 5;

struct Diagnosis {
  std::vector<DiagnoseCandidate> candidates;  // best first, SHOWN_CANDIDATES at most
  int64_t fileSize = 0;                       // as stored, compressed or not
  bool wholeFile = false;  // the sample was the whole file (decompressed, where compressed)
  // How the file is compressed: the sample is then the start of its decompressed data.
  CCBCompression compression = CCB_COMPRESSION_NONE;
  int64_t sampledBytes = 0;       // of a compressed file: the decompressed bytes sampled
  std::string decompressionStop;  // why decompression stopped short; empty where it did not

  // Whether the best candidate decodes every sampled value cleanly.
  bool clean() const { return !candidates.empty() && candidates[0].tally.allClean(); }
};

// Diagnoses the data file (or the bytes) of the options with their layouts, identifier
// and layout options; a float format they give is kept. False with a message when a
// layout does not load or the data cannot be read.
bool diagnoseData(const ReadOptions& options, Diagnosis* diagnosis, std::string* error);

#endif  // LYRA_TOOLS_DIAGNOSIS_H_
