#include "diagnose_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "layout_options.h"
#include "option_rows.h"
#include "output_text.h"
#include "report_text.h"

namespace {

const char ACTIVE_HELP[] =
    "the layout whose records the printed command\nwrites (every layout is tried)";
// The fields before a bad one that a report shows at most, the last of them.
const size_t SHOWN_BEFORE = 16;
// Characters that need no quotes in a shell.
const char SHELL_PLAIN[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-./:=,+@%";

// The share as a text with decimals places, never rounded up: a share below 1 never
// reads as 1.
std::string shareText(double share, int decimals) {
  const double scale = std::pow(10.0, decimals);
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::floor(share * scale) / scale);
  return text;
}

// The share for JSON: up to six decimals, without trailing zeros.
std::string shareNumber(double share) {
  std::string text = shareText(share, 6);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

void appendJsonStrings(const std::vector<std::string>& words, std::string* out) {
  *out += '[';
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) *out += ", ";
    appendJsonString(words[i], out);
  }
  *out += ']';
}

void appendJsonNumber(int64_t number, std::string* out) {
  *out += number >= 0 ? std::to_string(number) : "null";
}

// The lines that say where the best candidate parts from the file.
std::string problemText(const SampleProblem& problem) {
  std::string text = "The best way (the first above) does not decode every sampled value.\n";
  if (!problem.found) return text + "It reads no record of the layouts in the sample.\n";
  text += "Where it parts from the file: ";
  if (problem.record >= 0) text += "record " + std::to_string(problem.record) + " ";
  text += "at byte offset " + std::to_string(problem.recordOffset);
  if (problem.column.empty()) {
    text += ": " + problem.expected + "\n";
    return problem.bytes.empty() ? text
                                 : text + "its first bytes: " + hexBytes(problem.bytes) + "\n";
  }
  text += ", field " + problem.column + " at byte offset " + std::to_string(problem.fieldOffset);
  text += " (" + std::to_string(problem.bytes.size()) + " bytes): " + hexBytes(problem.bytes);
  text += "\nexpected: " + problem.expected + "\n";
  if (problem.before.empty()) return text + "no field before it decoded\n";
  text += "decoded before it:\n";
  const size_t from =
      problem.before.size() > SHOWN_BEFORE ? problem.before.size() - SHOWN_BEFORE : 0;
  if (from > 0) text += "  ...\n";
  for (size_t i = from; i < problem.before.size(); ++i) {
    text += "  " + problem.before[i].first + ": " + problem.before[i].second + "\n";
  }
  return text;
}

void appendProblemJson(const SampleProblem& problem, std::string* out) {
  if (!problem.found) {
    *out += "null";
    return;
  }
  *out += "{\"record\": ";
  appendJsonNumber(problem.record, out);
  *out += ", \"offset\": " + std::to_string(problem.recordOffset) + ", \"field\": ";
  if (problem.column.empty()) {
    *out += "null";
  } else {
    appendJsonString(problem.column, out);
  }
  *out += ", \"field_offset\": ";
  appendJsonNumber(problem.column.empty() ? -1 : problem.fieldOffset, out);
  *out += ", \"hex\": ";
  appendJsonString(hexBytes(problem.bytes), out);
  *out += ", \"expected\": ";
  appendJsonString(problem.expected, out);
  *out += ", \"decoded_before\": [";
  for (size_t i = 0; i < problem.before.size(); ++i) {
    *out += i > 0 ? ", {\"name\": " : "{\"name\": ";
    appendJsonString(problem.before[i].first, out);
    *out += ", \"value\": ";
    appendJsonString(problem.before[i].second, out);
    *out += "}";
  }
  *out += "]}";
}

// What the report says of a compressed file; empty for one that is not.
std::string compressionText(const Diagnosis& diagnosis) {
  if (diagnosis.compression == CCB_COMPRESSION_NONE) return std::string();
  std::string text = std::string("The file is ") + ccbCompressionName(diagnosis.compression) +
                     "-compressed: lyra read decompresses it as it stands, no option needed.\n";
  if (diagnosis.wholeFile) return text + "The sample is all of its data, decompressed.\n";
  text += "The sample is the first " + std::to_string(diagnosis.sampledBytes) +
          " bytes of its data, decompressed: the rest is reached only through them.\n";
  if (diagnosis.decompressionStop.empty()) return text;
  return text + "Decompression stops there: " + diagnosis.decompressionStop + "\n";
}

}  // namespace

const std::vector<OptionDef>& diagnoseOptionDefs() {
  static const std::vector<OptionDef> defs = [] {
    int count = 0;
    const OptionDef* read = readOptionDefs(&count);
    std::vector<OptionDef> rows =
        pickOptions(read, count, {"copybook", "layout", "id-field", "segment", "active"});
    for (OptionDef& row : rows) {
      if (std::strcmp(row.longName, "active") == 0) row.help = ACTIVE_HELP;
    }
    for (const OptionDef& row : {LAYOUT_OPTION_ROWS, REPORT_FORMAT_OPTION, REPORT_HELP_OPTION}) {
      rows.push_back(row);
    }
    return rows;
  }();
  return defs;
}

bool parseDiagnoseOptions(const CommandLine& line, ReadOptions* options, bool* json,
                          std::string* error) {
  if (!parseReportFormat(line, json, error)) return false;
  return parseReadInput(line, options, error);
}

std::vector<std::string> readCommand(const CommandLine& line, const DiagnoseCandidate& best) {
  std::vector<std::string> command = {"lyra", "read"};
  for (const OptionOccurrence& o : line.occurrences()) {
    if (std::strcmp(o.def->longName, "format") == 0) continue;
    command.push_back(o.def->shortName != 0 ? std::string("-") + o.def->shortName
                                            : std::string("--") + o.def->longName);
    if (o.def->argument != ARGUMENT_NONE) command.push_back(o.value);
  }
  command.insert(command.end(), best.arguments.begin(), best.arguments.end());
  command.push_back(line.positionals().at(0));
  return command;
}

std::string shellLine(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& word : command) {
    if (!line.empty()) line += ' ';
    if (!word.empty() && word.find_first_not_of(SHELL_PLAIN) == std::string::npos) {
      line += word;
      continue;
    }
    line += '\'';
    for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}

std::string diagnosisTable(const Diagnosis& diagnosis, const std::vector<std::string>& command) {
  std::string text = "SHARE    RECORDS  OPTIONS\n";
  for (const DiagnoseCandidate& candidate : diagnosis.candidates) {
    std::string share = shareText(candidate.tally.share() * 100, 2) + "%";
    std::string records = std::to_string(candidate.tally.records);
    share.resize(std::max<size_t>(share.size() + 2, 9), ' ');
    records.resize(std::max<size_t>(records.size() + 2, 9), ' ');
    text += share + records + joined(candidate.arguments) + "\n";
  }
  if (diagnosis.candidates.empty()) {
    return text + "no way of reading the file finds a record\n" + compressionText(diagnosis);
  }
  text += "\n" + shellLine(command) + "\n";
  const std::string compressed = compressionText(diagnosis);
  if (!compressed.empty()) text += "\n" + compressed;
  if (!diagnosis.clean()) text += "\n" + problemText(diagnosis.candidates[0].tally.first);
  return text;
}

std::string diagnosisJson(const Diagnosis& diagnosis, const std::vector<std::string>& command) {
  std::string json = "{\"candidates\": [";
  for (size_t i = 0; i < diagnosis.candidates.size(); ++i) {
    const DiagnoseCandidate& candidate = diagnosis.candidates[i];
    json += i > 0 ? ",\n  " : "\n  ";
    json += "{\"share\": " + shareNumber(candidate.tally.share()) + ", \"arguments\": ";
    appendJsonStrings(candidate.arguments, &json);
    json += ", \"records\": " + std::to_string(candidate.tally.records);
    json += ", \"values\": " + std::to_string(candidate.tally.judged()) + "}";
  }
  json += diagnosis.candidates.empty() ? "],\n" : "\n],\n";
  json += "\"command\": ";
  if (diagnosis.candidates.empty()) {
    json += "null";
  } else {
    appendJsonStrings(command, &json);
  }
  json += ",\n\"first_bad\": ";
  appendProblemJson(diagnosis.clean() || diagnosis.candidates.empty()
                        ? SampleProblem()
                        : diagnosis.candidates[0].tally.first,
                    &json);
  json += ",\n\"file_size\": " + std::to_string(diagnosis.fileSize);
  json += ", \"whole_file_sampled\": ";
  json += diagnosis.wholeFile ? "true" : "false";
  json += ", \"compression\": ";
  if (diagnosis.compression == CCB_COMPRESSION_NONE) {
    json += "null";
  } else {
    appendJsonString(ccbCompressionName(diagnosis.compression), &json);
  }
  return json + "}\n";
}
