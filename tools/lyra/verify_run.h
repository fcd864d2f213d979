// The check of a whole data file by `lyra verify` (and the Python package's
// lyra.verify): every value of every record read as `lyra read` reads it, on as many
// threads, judged by CCBRecordCheck, and counted per column: clean (unusual values
// among them), bad and null, with the first bad value of each column; and every bad
// record, every record of no layout and a record at which reading stopped. With
// several layouts each is checked in a pass of its own, unless one is chosen. Nothing
// is written.
#ifndef LYRA_TOOLS_VERIFY_RUN_H_
#define LYRA_TOOLS_VERIFY_RUN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "chunk_output.h"
#include "read_options.h"

// Where a value or a record that is bad lies.
struct BadPlace {
  int64_t record = -1;       // its number in the file; -1 where unknown
  int64_t offset = -1;       // of the record's first byte (its descriptor word); -1: none
  int64_t fieldOffset = -1;  // of the value's first byte; -1 where unknown
  std::string bytes;         // the value's bytes
  std::string expected;      // what they should hold
};

struct ColumnReport {
  std::string name;  // UTF-8
  int64_t clean = 0;
  int64_t bad = 0;
  int64_t null = 0;
  BadPlace first;  // the first bad value, where bad > 0
};

// A bad record, as `lyra read` notes it in its rejects file.
struct RejectNote {
  int64_t record = -1;  // -1 where unknown
  int64_t offset = 0;
  int64_t length = 0;
  std::string reason;
};

// The bad records a report lists at most; the count counts them all.
const size_t LISTED_REJECTS = 100;

struct VerifyReport {
  int64_t records = 0;     // read: of the layouts checked, bad ones and those of no layout
  int64_t badRecords = 0;  // passed over, and of no layout
  std::vector<ColumnReport> columns;  // of each layout checked, in the order given
  std::vector<RejectNote> rejects;    // the first LISTED_REJECTS bad records, in file order
  UnknownRecords unknown;             // records of no layout
  bool stopped = false;               // at a record that could not be read
  std::string stop;                   // its message, as `lyra read` gives it

  bool clean() const;
};

// Checks the data file (or bytes) of the options; allLayouts checks every layout, in
// passes of its own, and otherwise the active one alone. showProgress draws the bar.
// False with a message when a layout or the input cannot be opened.
bool verifyData(const ReadOptions& options, bool allLayouts, bool showProgress,
                VerifyReport* report, std::string* error);

#endif  // LYRA_TOOLS_VERIFY_RUN_H_
