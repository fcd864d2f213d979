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
    "a quarter, half and three quarters of it, and its last 256 KiB; of a gzip, bzip2\n"
    "or zstd file, which lyra read decompresses as it stands, the first 4 MiB of its\n"
    "data decompressed), decodes it in the ways it may be written, and ranks them by\n"
    "the share of values that decode cleanly: zoned digits and signs valid, packed\n"
    "nibbles valid, binary values within their pictures, text printable in the code\n"
    "page, OCCURS DEPENDING ON counts in range, identifiers that name a layout. It\n"
    "prints the best few with that share and the number of records sampled, then the\n"
    "'lyra read' command that reads the file the best way.\n"
    "\n"
    "What it tries:\n"
    "  framing   fixed records of the layout's length (and of the length at which\n"
    "            the bytes repeat, where records are padded past their layout); rdw\n"
    "            and vb descriptor words, big- or little-endian, counting their own\n"
    "            4 bytes or not; GnuCOBOL's variable files (--varseq-format 1 to 3);\n"
    "            spanned records in vbs blocks or vs segments, where a record's\n"
    "            segments have codes 1 to 3 (segments of code 0 alone are read as\n"
    "            rdw or vb, which read them alike); text lines; the layout's walk,\n"
    "            where records vary;\n"
    "  tables    OCCURS DEPENDING ON tables as their counts say, or stored at their\n"
    "            maximum (--odo-layout max);\n"
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
