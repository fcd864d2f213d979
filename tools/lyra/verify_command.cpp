// lyra verify: every value of a data file checked against the layouts' pictures and
// usages, per column, with the bad records; nothing is written.
#include <unistd.h>

#include "command_support.h"
#include "commands.h"
#include "verify_report.h"

namespace {

const CommandHelp VERIFY_HELP = {
    "verify",
    "lyra verify [read options] DATAFILE",
    "Reads the whole data file as 'lyra read' does with the same options (on as many\n"
    "threads) and checks every value of every record against its field's picture and\n"
    "usage: zoned digits and signs valid, packed nibbles valid, binary values within\n"
    "their pictures (native binary, COMP-5, holds any value of its storage), floats\n"
    "finite, numeric-edited text that states a number, text printable in the code\n"
    "page, and no value that decodes to #ERR#. It writes no data, but a report: per\n"
    "column the values that decode cleanly, the bad ones and the nulls (repetitions a\n"
    "variable table did not reach, fields past the end of a short record), with the\n"
    "first bad value of each column (its record, the byte offsets of the record and\n"
    "of the value, its bytes in hex and what they should hold); then the bad records\n"
    "as 'lyra read' reports them (a repetition count out of range, a line longer than\n"
    "its layout, a record cut short, the first 100 of them), the records whose\n"
    "identifier is no layout's, and the record at which reading stopped, if any.\n"
    "\n"
    "With several layouts, each is checked (one read of the file each), unless\n"
    "--active names one. Standard input is read once: its active layout alone.\n"
    "\n"
    "--format json writes the same as one JSON document: {\"records\": N,\n"
    "\"bad_records\": N, \"columns\": [{\"name\", \"clean\", \"bad\", \"null\",\n"
    "\"first_bad\": {\"record\", \"offset\", \"field_offset\", \"hex\", \"expected\"} or\n"
    "null}, ...], \"rejects\": [{\"record\", \"offset\", \"length\", \"reason\"}, ...],\n"
    "\"unknown_records\": {...} or null, \"stopped\": message or null}.\n"
    "\n"
    "Exit status: 0 when every value and record is clean; 1 otherwise, or on a data\n"
    "or layout error; 2 on a usage error.\n",
};

}  // namespace

int runVerify(const std::vector<std::string>& args) {
  const std::vector<OptionDef>& defs = verifyOptionDefs();
  CommandLine line(defs.data(), static_cast<int>(defs.size()));
  std::string error;
  if (!line.parse(args, &error)) return reportUsageError(VERIFY_HELP.name, error);
  if (line.has("help")) return printHelp(VERIFY_HELP, line);
  ReadOptions options;
  bool json = false, allLayouts = true;
  if (!parseVerifyOptions(line, &options, &json, &allLayouts, &error)) {
    return reportUsageError(VERIFY_HELP.name, error);
  }
  VerifyReport report;
  const bool showProgress = !options.quiet && isatty(STDERR_FILENO);
  if (!verifyData(options, allLayouts, showProgress, &report, &error)) {
    return reportFailure(VERIFY_HELP.name, error);
  }
  return writeStandardOutput(VERIFY_HELP.name, json ? verifyJson(report) : verifyTable(report),
                             report.clean() ? EXIT_OK : EXIT_FAILED);
}
