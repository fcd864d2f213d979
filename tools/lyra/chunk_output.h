// ChunkOutput is what one thread of a threaded `lyra read` makes of one range of the
// data file: the rows of its records in the output format, where each row ends, the
// bad records it passed over and where they fell among the rows, and the failure
// that ended the range, if one did. The writer decides how much of it to write, as a
// read by one thread would have. A range whose output would hold more than
// PART_BYTES is handed to the writer in parts, each cleared once written, so that the
// memory a thread holds stays bounded whatever one input byte becomes in the output.
// Owned by the ChunkQueue that lends it out; cleared and filled again for later
// ranges, keeping its memory.
#ifndef LYRA_TOOLS_CHUNK_OUTPUT_H_
#define LYRA_TOOLS_CHUNK_OUTPUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "output_buffer.h"

// A bad record that reading passed over, as the reader reported it.
struct BadRecordNote {
  int64_t number;          // in the file, from 1; -1 where unknown
  int64_t offset;          // of its first byte in the file
  std::string bytes;       // descriptor word included
  QvbString reason;        // why it is bad
  size_t recordsBefore;    // rows of the chunk that come before it
  int64_t unknownsBefore;  // records of unknown type of the chunk that come before it
};

// Records whose identifier matches no layout, stepped over: how many, and the first.
struct UnknownRecords {
  int64_t count = 0;
  int64_t number = -1;  // of the first, in the file; -1 where unknown
  int64_t offset = -1;
  std::string identifier;
};

// Where the count of records of unknown type grew: before row `row` of the chunk, that
// many had been stepped over.
struct UnknownMark {
  size_t row;
  int64_t before;
};

// Chunks that separate threads fill lie side by side: each starts a cache line of
// its own, or their fields' updates on every row would contend.
const size_t CACHE_LINE = 64;

// The output a part of a range holds before it is handed over.
const size_t PART_BYTES = 4 * 1024 * 1024;

struct alignas(CACHE_LINE) ChunkOutput {
  OutputBuffer text;                      // the rows, one after another
  std::vector<size_t> rowEnds;            // where in text each row ends
  std::vector<size_t> rowOutputs;         // with a file per layout: each row's output
  std::vector<BadRecordNote> badRecords;  // in file order
  size_t badBytes = 0;                    // the bytes the bad records keep
  std::vector<UnknownMark> unknownMarks;  // in file order
  // Records of unknown type the part stepped over, the first given where it is the
  // range's first.
  UnknownRecords unknown;
  bool failed = false;   // a record that could not be read ended the range
  std::string failure;   // its message
  int64_t inputEnd = 0;  // how far the file was read

  // The memory the part's rows and bad records take.
  size_t heldBytes() const {
    return text.size() + (rowEnds.size() + rowOutputs.size()) * sizeof(size_t) + badBytes +
           unknownMarks.size() * sizeof(UnknownMark);
  }
  void clear() {
    text.clear();
    rowEnds.clear();
    rowOutputs.clear();
    badRecords.clear();
    badBytes = 0;
    unknownMarks.clear();
    unknown = UnknownRecords();
    failed = false;
    failure.clear();
    inputEnd = 0;
  }
};

#endif  // LYRA_TOOLS_CHUNK_OUTPUT_H_
