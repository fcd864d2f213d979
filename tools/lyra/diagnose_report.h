// The arguments and the report of `lyra diagnose`, apart from the command so that the
// Python package's lyra.diagnose reads the same arguments and gets the same JSON
// document: a table of the best ways of reading the file with their share of values
// that decode cleanly, the `lyra read` command for the best, and, where none decodes
// cleanly, the first bad field of the best.
#ifndef LYRA_TOOLS_DIAGNOSE_REPORT_H_
#define LYRA_TOOLS_DIAGNOSE_REPORT_H_

#include <string>
#include <vector>

#include "command_line.h"
#include "diagnosis.h"
#include "read_options.h"

// The options `lyra diagnose` accepts, for CommandLine.
const std::vector<OptionDef>& diagnoseOptionDefs();

// Reads the diagnose options of the command line into *options; false with a message
// (a usage error) otherwise. json: whether --format json was asked for.
bool parseDiagnoseOptions(const CommandLine& line, ReadOptions* options, bool* json,
                          std::string* error);

// The `lyra read` command that reads the file as the candidate says: the layout
// options of the command line as given, the candidate's arguments, the data file.
std::vector<std::string> readCommand(const CommandLine& line, const DiagnoseCandidate& best);

// A command as a shell line, each argument quoted where the shell would split it.
std::string shellLine(const std::vector<std::string>& command);

// The report as a table for people, and as one JSON document.
std::string diagnosisTable(const Diagnosis& diagnosis, const std::vector<std::string>& command);
std::string diagnosisJson(const Diagnosis& diagnosis, const std::vector<std::string>& command);

#endif  // LYRA_TOOLS_DIAGNOSE_REPORT_H_
