// Writes random columns and values with the tool's record writers, into memory,
// and reads the output back with strict readers: the CSV and the JSON lines must
// be well-formed UTF-8 and give back every name and value (a null value is an
// empty CSV field and a JSON null; with typed JSON a numeric column holds the
// number its text states, or null when the text states none) with as many rows and
// columns as were written. The table must be UTF-8 without control characters, with
// a line per record after its two header lines. Any difference aborts.
//
// Input: the first byte holds options (bit 0: typed JSON), the rest is split into
// sections at RS (0x1E) and each section into cells at US (0x1F); ESC (0x1B) takes
// the byte after it as it stands. The first section lists the columns, one per
// cell: a type letter ('i' integer, 'r' real, anything else string), a byte whose
// low six bits are the column length, then the name. Every further section is a
// record, one value per cell in column order: a cell that starts with CAN (0x18)
// is a null value, missing cells are null values, extra cells are ignored. Names
// and values hold the bytes up to the first zero byte, as the library's text does,
// made well-formed UTF-8 as the reader gives them: each UTF-8 sequence kept, every
// other byte read as ISO-8859-1 (repairUtf8).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output_text.h"
#include "record_writer.h"
#include "strict_readers.h"

namespace {

const char OPTION_TYPED = 0x01;
const char RECORD_SEPARATOR = 0x1E;
const char UNIT_SEPARATOR = 0x1F;
const char ESCAPE = 0x1B;
const char NULL_MARK = 0x18;
const char TYPE_INTEGER = 'i';
const char TYPE_REAL = 'r';
const int LENGTH_BITS = 0x3F;
// Lines the table writes before its first record: the names and a rule.
const size_t TABLE_HEADER_LINES = 2;

struct Cell {
  std::string bytes;
  bool null = false;  // started with an unescaped NULL_MARK
};

typedef std::vector<Cell> Section;
// A record's values: text, or none for a null value.
typedef std::vector<std::optional<std::string>> Record;

struct WriterInput {
  bool typed = false;
  std::deque<std::string> names;  // the columns' names, which the columns view
  std::vector<OutputColumn> columns;
  std::vector<Record> records;
};

// Prints what differed and ends the process, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char* reason, const std::string& output) {
  std::fprintf(stderr, "fuzz_writers: %s\n%s\n", reason, output.c_str());
  std::abort();
}

std::vector<Section> splitSections(const uint8_t* data, size_t size) {
  std::vector<Section> sections(1, Section(1));
  for (size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    Cell& cell = sections.back().back();
    if (c == ESCAPE) {
      if (++i < size) cell.bytes.push_back(static_cast<char>(data[i]));
    } else if (c == RECORD_SEPARATOR) {
      sections.emplace_back(1);
    } else if (c == UNIT_SEPARATOR) {
      sections.back().emplace_back();
    } else if (c == NULL_MARK && cell.bytes.empty()) {
      cell.null = true;
    } else {
      cell.bytes.push_back(c);
    }
  }
  return sections;
}

// The text the reader would give for these bytes: up to the first zero byte, in
// UTF-8.
std::string heldText(const char* bytes, size_t size) {
  QvbString text;
  text.assign(bytes, static_cast<int>(size));
  return repairUtf8(text.str());
}

int columnType(char letter) {
  if (letter == TYPE_INTEGER) return QVB_TYPE_INTEGER;
  if (letter == TYPE_REAL) return QVB_TYPE_REAL;
  return QVB_TYPE_STRING;
}

// The column of a cell, its name kept in names.
OutputColumn columnOf(const Cell& cell, std::deque<std::string>* names) {
  const std::string& b = cell.bytes;
  OutputColumn column;
  column.type = b.empty() ? QVB_TYPE_STRING : columnType(b[0]);
  column.length = b.size() > 1 ? b[1] & LENGTH_BITS : 0;
  names->push_back(b.size() > 2 ? heldText(b.data() + 2, b.size() - 2) : std::string());
  column.name = names->back();
  return column;
}

std::optional<std::string> valueOf(const Cell& cell) {
  if (cell.null) return std::nullopt;
  return heldText(cell.bytes.data(), cell.bytes.size());
}

WriterInput decodeInput(const uint8_t* data, size_t size) {
  WriterInput input;
  const size_t optionBytes = size > 0 ? 1 : 0;
  input.typed = size > 0 && (data[0] & OPTION_TYPED) != 0;
  const std::vector<Section> sections = splitSections(data + optionBytes, size - optionBytes);
  for (const Cell& cell : sections[0]) input.columns.push_back(columnOf(cell, &input.names));
  for (size_t s = 1; s < sections.size(); ++s) {
    Record record(input.columns.size());  // null values
    for (size_t i = 0; i < record.size() && i < sections[s].size(); ++i) {
      record[i] = valueOf(sections[s][i]);
    }
    input.records.push_back(record);
  }
  return input;
}

// Everything the writer of format writes for the input.
std::string writeAll(OutputFormat format, const WriterInput& input) {
  std::unique_ptr<RecordWriter> writer = createRecordWriter(format, input.typed, input.columns);
  OutputBuffer output;
  writer->writeHeader(&output);
  std::vector<OutputValue> values;
  for (const Record& record : input.records) {
    values.clear();
    for (const std::optional<std::string>& text : record) {
      values.push_back(text ? OutputValue{*text, false} : OutputValue());
    }
    writer->write(values, &output);
  }
  return std::string(output.view());
}

const std::string& utf8Output(const std::string& text) {
  if (!isValidUtf8(text)) fail("output is not UTF-8", text);
  return text;
}

void checkCsv(const WriterInput& input) {
  const std::string csv = writeAll(FORMAT_CSV, input);
  std::vector<std::vector<std::string>> read;
  if (!readCsv(utf8Output(csv), &read)) fail("CSV is not RFC 4180 with CRLF rows", csv);
  std::vector<std::vector<std::string>> expected(1);
  for (const OutputColumn& column : input.columns) expected[0].emplace_back(column.name);
  for (const Record& record : input.records) {
    expected.emplace_back();
    for (const std::optional<std::string>& value : record)
      expected.back().push_back(value.value_or(""));
  }
  if (read != expected) fail("CSV reads back different names or values", csv);
}

// A decimal number as a value: sign, significant digits without leading or
// trailing zeros, and where the point stands among them (digits "125" with point 1
// is 1.25, with point -2 is 0.00125); zero has no sign and no digits.
struct Decimal {
  bool negative = false;
  std::string digits;
  long long point = 0;
  bool operator==(const Decimal& other) const {
    return negative == other.negative && digits == other.digits && point == other.point;
  }
};

// Far beyond the digits of any input: larger exponents all read as this.
const long long EXPONENT_LIMIT = 1000000000000LL;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string digitsFrom(const std::string& text, size_t* at) {
  const size_t start = *at;
  while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9') ++*at;
  return text.substr(start, *at - start);
}

// Reads an exponent at *at, if one is there: 'e' or 'E', an optional sign, digits.
// False for an 'e' without digits.
bool readExponent(const std::string& text, size_t* at, long long* exponent) {
  *exponent = 0;
  if (*at >= text.size() || (text[*at] != 'e' && text[*at] != 'E')) return true;
  const bool minus = ++*at < text.size() && text[*at] == '-';
  if (*at < text.size() && (text[*at] == '-' || text[*at] == '+')) ++*at;
  const std::string digits = digitsFrom(text, at);
  for (char d : digits) *exponent = std::min(EXPONENT_LIMIT, *exponent * 10 + (d - '0'));
  if (minus) *exponent = -*exponent;
  return !digits.empty();
}

// A sign after the digits, where none stood before them: '+' or '-', or "CR" or "DB"
// for a value below zero, as numeric editing prints them. Returns its length.
size_t trailingSign(const std::string& text, size_t at, bool* minus) {
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    *minus = text[at] == '-';
    return 1;
  }
  const std::string two = text.substr(at, 2);
  if (two != "CR" && two != "DB") return 0;
  *minus = true;
  return 2;
}

// Reads text that states a decimal number, as decoded or as numeric editing prints
// it: before the digits any blanks, check-protection '*' and currency '$' and at most
// one sign; digits with an optional point, at least one; an optional exponent;
// blanks, and where no sign stood before the digits one after them; blanks. False
// for any other text.
bool readDecimal(const std::string& text, Decimal* number) {
  size_t at = 0;
  bool minus = false;
  int signs = 0;
  for (; at < text.size() && (isBlank(text[at]) || std::strchr("*$+-", text[at]) != nullptr);
       ++at) {
    if (text[at] != '+' && text[at] != '-') continue;
    if (++signs > 1) return false;
    minus = text[at] == '-';
  }
  const std::string integer = digitsFrom(text, &at);
  std::string fraction;
  if (at < text.size() && text[at] == '.') fraction = digitsFrom(text, &++at);
  long long exponent = 0;
  if ((integer.empty() && fraction.empty()) || !readExponent(text, &at, &exponent)) return false;
  while (at < text.size() && isBlank(text[at])) ++at;
  if (signs == 0) at += trailingSign(text, at, &minus);
  while (at < text.size() && isBlank(text[at])) ++at;
  if (at != text.size()) return false;
  std::string digits = integer + fraction;
  const size_t first = digits.find_first_not_of('0');
  *number = Decimal();
  if (first == std::string::npos) return true;  // zero
  digits.erase(digits.find_last_not_of('0') + 1);
  number->negative = minus;
  number->digits = digits.substr(first);
  number->point = static_cast<long long>(integer.size()) - static_cast<long long>(first) + exponent;
  return true;
}

// A typed numeric column: the number its text states, or null.
bool sameNumber(const JsonMember& member, const std::string& text) {
  Decimal stated;
  if (!readDecimal(text, &stated)) return member.kind == JSON_NULL;
  Decimal written;
  return member.kind == JSON_NUMBER && readDecimal(member.text, &written) && written == stated;
}

bool sameMember(const JsonMember& member, const OutputColumn& column,
                const std::optional<std::string>& value, bool typed) {
  if (member.key != column.name) return false;
  if (!value) return member.kind == JSON_NULL;
  if (typed && (column.type == QVB_TYPE_INTEGER || column.type == QVB_TYPE_REAL)) {
    return sameNumber(member, *value);
  }
  return member.kind == JSON_STRING && member.text == *value;
}

bool sameLine(const std::vector<JsonMember>& line, const WriterInput& input, const Record& record) {
  if (line.size() != input.columns.size()) return false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (!sameMember(line[i], input.columns[i], record[i], input.typed)) return false;
  }
  return true;
}

void checkJsonLines(const WriterInput& input) {
  const std::string jsonl = writeAll(FORMAT_JSONL, input);
  std::vector<std::vector<JsonMember>> lines;
  if (!readJsonLines(utf8Output(jsonl), &lines)) fail("JSON lines are not well-formed", jsonl);
  if (lines.size() != input.records.size()) fail("JSON lines: not one line per record", jsonl);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!sameLine(lines[i], input, input.records[i])) {
      fail("JSON lines read back different names or values", jsonl);
    }
  }
}

void checkTable(const WriterInput& input) {
  const std::string table = writeAll(FORMAT_TABLE, input);
  if (!isValidUtf8(table)) fail("table is not UTF-8", table);
  size_t lines = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(table[i]);
    const unsigned char next = i + 1 < table.size() ? static_cast<unsigned char>(table[i + 1]) : 0;
    if (byte == '\n') {
      ++lines;
    } else if (byte < 0x20 || byte == 0x7F || (byte == 0xC2 && next >= 0x80 && next < 0xA0)) {
      fail("table holds a control character", table);  // C0, DEL or C1
    }
  }
  const bool ended = table.empty() || table.back() == '\n';
  if (!ended || lines != input.records.size() + TABLE_HEADER_LINES) {
    fail("table: not two header lines and one line per record", table);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const WriterInput input = decodeInput(data, size);
  checkCsv(input);
  checkJsonLines(input);
  checkTable(input);
  return 0;
}
