// Hints: one line, "hint: ...", that the tool adds under a failure it reports, naming
// the option and value that would have read the input. Each is found by trying the
// input again with that option, so a hint is only given where it is known to help.
#ifndef LYRA_TOOLS_HINTS_H_
#define LYRA_TOOLS_HINTS_H_

#include <cstdint>
#include <string>

#include <lyra/lyra.h>

#include "record_format_options.h"

// For a copybook that does not load with the options: free form, a margin past column
// 72, or a float format, whichever loads it; empty when none does (or under strict).
std::string layoutHint(const std::string& copybook, const CCBLayoutOptions& options);

// For a data file whose records cannot be framed by the options within its first
// FRAMING_PROBE bytes: another descriptor word option, or another record format,
// that frames them; empty when none does, or the options frame them there.
std::string framingHint(const std::string& dataFile, const RecordFormatOptions& records);

// For a data file of fixed records of recordLength bytes whose size after the skip is
// no multiple of it: records ended by line ends, or the bytes left over.
std::string fixedLengthHint(const std::string& dataFile, const RecordFormatOptions& records,
                            int recordLength);

// The hint of a data file that reading stopped in, with lyra diagnose named: after the
// hint found, or alone where none was.
std::string diagnoseHint(const std::string& hint);

// The message with its hint, if any, on a line of its own.
std::string withHint(const std::string& message, const std::string& hint);

const int64_t FRAMING_PROBE = 4 * 1024 * 1024;

#endif  // LYRA_TOOLS_HINTS_H_
