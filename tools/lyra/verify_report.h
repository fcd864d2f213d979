// The arguments and the report of `lyra verify`, apart from the command so that the
// Python package's lyra.verify reads the same arguments and gets the same JSON
// document: per column the values that decode cleanly, the bad ones and the nulls,
// with the first bad value of each; the bad records; the records of no layout; the
// record at which reading stopped.
#ifndef LYRA_TOOLS_VERIFY_REPORT_H_
#define LYRA_TOOLS_VERIFY_REPORT_H_

#include <string>
#include <vector>

#include "command_line.h"
#include "read_options.h"
#include "verify_run.h"

// The options `lyra verify` accepts, for CommandLine.
const std::vector<OptionDef>& verifyOptionDefs();

// Reads the verify options of the command line into *options; false with a message (a
// usage error) otherwise. json: --format json; allLayouts: every layout is checked (no
// --active).
bool parseVerifyOptions(const CommandLine& line, ReadOptions* options, bool* json, bool* allLayouts,
                        std::string* error);

// The report as a table for people, and as one JSON document.
std::string verifyTable(const VerifyReport& report);
std::string verifyJson(const VerifyReport& report);

#endif  // LYRA_TOOLS_VERIFY_REPORT_H_
