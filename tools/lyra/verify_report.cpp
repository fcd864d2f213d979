#include "verify_report.h"

#include <algorithm>
#include <cstring>

#include "option_rows.h"
#include "output_text.h"
#include "report_text.h"

namespace {

const char ACTIVE_HELP[] = "check the records of this layout alone\n(default: every layout)";

std::string place(int64_t record, int64_t offset) {
  return (record >= 0 ? "record " + std::to_string(record) + " " : "") + "at byte offset " +
         std::to_string(offset);
}

std::string counted(int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

void appendNumber(int64_t number, std::string* out) {
  *out += number >= 0 ? std::to_string(number) : "null";
}

std::string columnTable(const std::vector<ColumnReport>& columns) {
  size_t width = 6;  // "COLUMN"
  for (const ColumnReport& column : columns) width = std::max(width, utf8Length(column.name));
  const auto padded = [](std::string text, size_t size) {
    return text + std::string(size > text.size() ? size - text.size() : 0, ' ');
  };
  std::string text = padded("COLUMN", width + 2) + "CLEAN       BAD         NULL\n";
  for (const ColumnReport& column : columns) {
    text += column.name + std::string(width + 2 - utf8Length(column.name), ' ');
    text += padded(std::to_string(column.clean), 12) + padded(std::to_string(column.bad), 12);
    text += std::to_string(column.null) + "\n";
  }
  return text;
}

std::string unknownText(const UnknownRecords& unknown) {
  return counted(unknown.count, "record", "records") + " of no layout stepped over; the first, " +
         place(unknown.number, unknown.offset) + ", has the identifier '" + unknown.identifier +
         "'\n";
}

}  // namespace

const std::vector<OptionDef>& verifyOptionDefs() {
  static const std::vector<OptionDef> defs = [] {
    int count = 0;
    const OptionDef* read = readOptionDefs(&count);
    std::vector<OptionDef> rows = pickOptions(read, count,
                                              {"copybook",
                                               "layout",
                                               "id-field",
                                               "segment",
                                               "active",
                                               "record-format",
                                               "record-length",
                                               "fixed",
                                               "rdw-little-endian",
                                               "rdw-excludes-header",
                                               "bdw-excludes-header",
                                               "varseq-format",
                                               "skip",
                                               "range",
                                               "first-record",
                                               "index",
                                               "code-page",
                                               "ebcdic",
                                               "comp5-little-endian",
                                               "binary-little-endian",
                                               "zero-bytes",
                                               "float-format",
                                               "national-utf16",
                                               "source-format",
                                               "margin",
                                               "copy-path",
                                               "odo-layout",
                                               "strict",
                                               "threads",
                                               "chunk-size",
                                               "quiet"});
    for (OptionDef& row : rows) {
      if (std::strcmp(row.longName, "active") == 0) row.help = ACTIVE_HELP;
    }
    rows.push_back(REPORT_FORMAT_OPTION);
    rows.push_back(REPORT_HELP_OPTION);
    return rows;
  }();
  return defs;
}

bool parseVerifyOptions(const CommandLine& line, ReadOptions* options, bool* json, bool* allLayouts,
                        std::string* error) {
  if (!parseReportFormat(line, json, error)) return false;
  *allLayouts = !line.has("active");
  options->quiet = line.has("quiet");
  return parseReadInput(line, options, error) && parseThreadOptions(line, options, error);
}

std::string verifyTable(const VerifyReport& report) {
  std::string text = columnTable(report.columns);
  std::string firsts;
  int64_t bad = 0, columns = 0;
  for (const ColumnReport& column : report.columns) {
    if (column.bad == 0) continue;
    bad += column.bad;
    ++columns;
    const BadPlace& first = column.first;
    firsts += column.name + ": " + place(first.record, first.offset);
    if (first.fieldOffset >= 0) {
      firsts += ", its bytes at byte offset " + std::to_string(first.fieldOffset) + ": " +
                hexBytes(first.bytes);
    }
    firsts += "\n  expected: " + first.expected + "\n";
  }
  if (!firsts.empty()) text += "\nThe first bad value of each column:\n" + firsts;
  if (!report.rejects.empty()) {
    text += "\nBad records" +
            std::string(report.rejects.size() <
                                static_cast<size_t>(report.badRecords - report.unknown.count)
                            ? " (the first " + std::to_string(report.rejects.size()) + ")"
                            : "") +
            ":\n";
    for (const RejectNote& note : report.rejects) {
      text += place(note.record, note.offset) + ": " + note.reason + "\n";
    }
  }
  if (report.unknown.count > 0) text += "\n" + unknownText(report.unknown);
  if (report.stopped) text += "\nReading stopped: " + report.stop + "\n";
  text += "\n" + counted(report.records, "record", "records") + ", " +
          counted(bad, "bad value", "bad values") + " in " + counted(columns, "column", "columns") +
          ", " + counted(report.badRecords, "bad record", "bad records") + "\n";
  return text;
}

std::string verifyJson(const VerifyReport& report) {
  std::string json = "{\"records\": " + std::to_string(report.records) +
                     ", \"bad_records\": " + std::to_string(report.badRecords) +
                     ",\n\"columns\": [";
  for (size_t i = 0; i < report.columns.size(); ++i) {
    const ColumnReport& column = report.columns[i];
    json += i > 0 ? ",\n  {\"name\": " : "\n  {\"name\": ";
    appendJsonString(column.name, &json);
    json += ", \"clean\": " + std::to_string(column.clean) +
            ", \"bad\": " + std::to_string(column.bad) +
            ", \"null\": " + std::to_string(column.null) + ", \"first_bad\": ";
    if (column.bad == 0) {
      json += "null}";
      continue;
    }
    json += "{\"record\": ";
    appendNumber(column.first.record, &json);
    json += ", \"offset\": " + std::to_string(column.first.offset) + ", \"field_offset\": ";
    appendNumber(column.first.fieldOffset, &json);
    json += ", \"hex\": ";
    appendJsonString(hexBytes(column.first.bytes), &json);
    json += ", \"expected\": ";
    appendJsonString(column.first.expected, &json);
    json += "}}";
  }
  json += report.columns.empty() ? "],\n\"rejects\": [" : "\n],\n\"rejects\": [";
  for (size_t i = 0; i < report.rejects.size(); ++i) {
    const RejectNote& note = report.rejects[i];
    json += i > 0 ? ",\n  {\"record\": " : "\n  {\"record\": ";
    appendNumber(note.record, &json);
    json += ", \"offset\": " + std::to_string(note.offset) +
            ", \"length\": " + std::to_string(note.length) + ", \"reason\": ";
    appendJsonString(note.reason, &json);
    json += "}";
  }
  json += report.rejects.empty() ? "],\n\"unknown_records\": " : "\n],\n\"unknown_records\": ";
  if (report.unknown.count == 0) {
    json += "null";
  } else {
    json += "{\"count\": " + std::to_string(report.unknown.count) + ", \"record\": ";
    appendNumber(report.unknown.number, &json);
    json += ", \"offset\": " + std::to_string(report.unknown.offset) + ", \"identifier\": ";
    appendJsonString(report.unknown.identifier, &json);
    json += "}";
  }
  json += ",\n\"stopped\": ";
  if (report.stopped) {
    appendJsonString(report.stop, &json);
  } else {
    json += "null";
  }
  return json + "}\n";
}
