// lyra diagnose: the ways of reading a data file with the layouts given, ranked by how
// cleanly a bounded sample of the file decodes, and the `lyra read` command for the
// best.
#include "command_support.h"
#include "commands.h"
#include "diagnose_report.h"

namespace {

const CommandHelp DIAGNOSE_HELP = {
    "diagnose",
    "lyra diagnose [layout options] DATAFILE",
    "Tells how a data file is laid out, given the layouts of its records: it reads a\n"
    "sample of the file (all of a file of up to 3 MiB; else its first MiB, 256 KiB at\n"
    "a quarter, half and three quarters of it, and its last 256 KiB), decodes it in\n"
    "the ways it may be written, and ranks them by the share of values that decode\n"
    "cleanly: zoned digits and signs valid, packed nibbles valid, binary values\n"
    "within their pictures, text printable in the code page, OCCURS DEPENDING ON\n"
    "counts in range, identifiers that name a layout. It prints the best few with\n"
    "that share and the number of records sampled, then the 'lyra read' command that\n"
    "reads the file the best way.\n"
    "\n"
    "What it tries:\n"
    "  framing   fixed records of the layout's length (and of the length at which\n"
    "            the bytes repeat, where records are padded past their layout); rdw\n"
    "            and vb descriptor words, big- or little-endian, counting their own\n"
    "            4 bytes or not; text lines; the layout's walk, where records vary;\n"
    "  header    the smallest --skip up to 64 KiB at which the framing holds;\n"
    "  text      an ASCII-based page (the bytes as they stand, cp1252 or utf8) or an\n"
    "            EBCDIC one; among the pages of a family the one whose national\n"
    "            characters read most plausibly (037 where nothing tells);\n"
    "  numbers   binary items big- or little-endian (COMP-5 alone, or all), and\n"
    "            COMP-1 and COMP-2 items as ibm, ieee or ieee-le floats, unless\n"
    "            --float-format is given.\n"
    "\n"
    "Where no way decodes every sampled value, it shows where the best one parts\n"
    "from the file: the record, the first bad field with its bytes in hex and what\n"
    "they should hold, and the fields before it that decoded.\n"
    "\n"
    "--format json writes the same as one JSON document: {\"candidates\": [{\"share\":\n"
    "0.998, \"arguments\": [...], \"records\": N, \"values\": N}, ...], \"command\":\n"
    "[...], \"first_bad\": {...} or null, ...}, best first; the arguments are what to\n"
    "add to the layout options to read the file.\n"
    "\n"
    "Exit status: 0 when the best way decodes every sampled value cleanly; 1 when\n"
    "none does, or on a data or layout error; 2 on a usage error.\n",
};

}  // namespace

int runDiagnose(const std::vector<std::string>& args) {
  const std::vector<OptionDef>& defs = diagnoseOptionDefs();
  CommandLine line(defs.data(), static_cast<int>(defs.size()));
  std::string error;
  if (!line.parse(args, &error)) return reportUsageError(DIAGNOSE_HELP.name, error);
  if (line.has("help")) return printHelp(DIAGNOSE_HELP, line);
  ReadOptions options;
  bool json = false;
  if (!parseDiagnoseOptions(line, &options, &json, &error)) {
    return reportUsageError(DIAGNOSE_HELP.name, error);
  }
  Diagnosis diagnosis;
  if (!diagnoseData(options, &diagnosis, &error)) return reportFailure(DIAGNOSE_HELP.name, error);
  const std::vector<std::string> command = diagnosis.candidates.empty()
                                               ? std::vector<std::string>()
                                               : readCommand(line, diagnosis.candidates[0]);
  const std::string report =
      json ? diagnosisJson(diagnosis, command) : diagnosisTable(diagnosis, command);
  return writeStandardOutput(DIAGNOSE_HELP.name, report, diagnosis.clean() ? EXIT_OK : EXIT_FAILED);
}
