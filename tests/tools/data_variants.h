// What the tests of the lyra tool share: running the built tool through the shell, the
// layouts of tests/data as arguments, files of tests/data made over in other framings,
// headers and code pages (the bytes of records kept, so that their values stay the ones
// the writing program printed), and the comparison of what `lyra read` writes with a
// file's expected values.
#ifndef LYRA_TESTS_TOOLS_DATA_VARIANTS_H_
#define LYRA_TESTS_TOOLS_DATA_VARIANTS_H_

#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "test_util.h"

namespace data_variants {

struct ToolRun {
  int status;  // the exit status; -1 when the shell was killed
  std::string out, err;
};

// An argument for the shell: in single quotes where it holds more than plain characters.
inline std::string quoted(const std::string& word) {
  if (!word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                              "0123456789_-./:=,+") == std::string::npos) {
    return word;
  }
  std::string text = "'";
  for (char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

// Runs a shell command line with the built lyra first on PATH.
inline ToolRun runShell(const std::string& line) {
  test_support::TempDir dir;
  const std::string script = "PATH='" LYRA_BINARY_DIR "/tools/lyra':\"$PATH\" && { " + line +
                             "; } </dev/null >'" + dir.path("out") + "' 2>'" + dir.path("err") +
                             "'";
  const int status = system(script.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test_support::readFile(dir.path("out")),
          test_support::readFile(dir.path("err"))};
}

inline ToolRun lyra(const std::vector<std::string>& args) {
  std::string line = "lyra";
  for (const std::string& arg : args) line += " " + quoted(arg);
  return runShell(line);
}

// The lines of the text, or its parts between separators.
inline std::vector<std::string> lines(const std::string& text, char separator = '\n') {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line, separator);) all.push_back(line);
  return all;
}

inline std::string dataFile(const std::string& name) {
  return test_support::readFile(test_support::dataPath("files/" + name));
}

inline std::vector<std::string> operator+(std::vector<std::string> a,
                                          const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A -c argument for each copybook of tests/data (NAME.cpy or NAME.cpy=ID).
inline std::vector<std::string> copybooks(const std::vector<std::string>& names) {
  std::vector<std::string> args;
  for (const std::string& name : names) {
    args.insert(args.end(), {"-c", test_support::dataPath("copybooks/" + name)});
  }
  return args;
}

// The layouts of the transaction files, told apart by their first two bytes.
inline std::vector<std::string> transactions() {
  std::vector<std::string> args = copybooks({"txnhdr.cpy=HD", "txndtl.cpy=DT", "txntrl.cpy=TR"});
  args.insert(args.end(), {"--id-field", "0:PIC X(2)"});
  return args;
}

// The layouts of hierarchy.dat, records of 72 bytes told apart by their first byte.
inline std::vector<std::string> hierarchy() {
  std::vector<std::string> args =
      copybooks({"hcust.cpy=C", "hacct.cpy=A", "hphone.cpy=P", "htxn.cpy=T"});
  args.insert(args.end(), {"--id-field", "0:PIC X", "--fixed", "72"});
  return args;
}

// The records of accounts.dat, each as long as its ACCT-TXN-COUNT (3, 0, 12, 1, 5, 2, 7,
// 4) makes it: 56 + 28 x count + 8 bytes.
inline std::vector<std::string> accountRecords() {
  const std::string accounts = dataFile("accounts.dat");
  std::vector<std::string> records;
  size_t from = 0;
  for (int count : {3, 0, 12, 1, 5, 2, 7, 4}) {
    records.push_back(accounts.substr(from, 56 + 28 * count + 8));
    from += records.back().size();
  }
  EXPECT_EQ(accounts.size(), from);
  return records;
}

// The records of a file of fixed records.
inline std::vector<std::string> fixedRecords(const std::string& bytes, size_t length) {
  std::vector<std::string> records;
  for (size_t at = 0; at + length <= bytes.size(); at += length) {
    records.push_back(bytes.substr(at, length));
  }
  return records;
}

// A record descriptor word before the record: its length in 2 bytes, big-endian then
// 2 zero bytes, or 2 zero bytes then little-endian; counting its own 4 bytes or not.
inline std::string withRdw(const std::string& record, bool littleEndian, bool excludes) {
  const size_t length = record.size() + (excludes ? 0 : 4);
  const char high = static_cast<char>(length >> 8), low = static_cast<char>(length & 0xFF);
  const std::string word =
      littleEndian ? std::string{'\0', '\0', low, high} : std::string{high, low, '\0', '\0'};
  return word + record;
}

// Records each behind its record descriptor word.
inline std::string inRdws(const std::vector<std::string>& records, bool littleEndian,
                          bool excludes) {
  std::string file;
  for (const std::string& record : records) file += withRdw(record, littleEndian, excludes);
  return file;
}

// A block descriptor word: the length in 2 bytes, big-endian, then 2 zero bytes.
inline std::string blockWord(size_t length) {
  return {static_cast<char>(length >> 8), static_cast<char>(length & 0xFF), '\0', '\0'};
}

// Blocks of `perBlock` records behind block descriptor words, big-endian and counting
// their own 4 bytes or not.
inline std::string inBlocks(const std::vector<std::string>& records, bool littleEndian,
                            bool excludes, bool blockExcludes, size_t perBlock) {
  std::string file;
  for (size_t first = 0; first < records.size(); first += perBlock) {
    std::string block;
    for (size_t i = first; i < records.size() && i < first + perBlock; ++i) {
      block += withRdw(records[i], littleEndian, excludes);
    }
    file += blockWord(block.size() + (blockExcludes ? 0 : 4)) + block;
  }
  return file;
}

// Each byte of ISO-8859-1 text in an EBCDIC page, as glibc's iconv converts it
// (IBM037, IBM273, ...): a 256-byte table.
inline std::string ebcdicTable(const std::string& page) {
  iconv_t convert = iconv_open(("IBM" + page).c_str(), "ISO-8859-1");
  EXPECT_NE(reinterpret_cast<iconv_t>(-1), convert) << page;
  std::string table(256, '\0');
  for (int byte = 0; byte < 256 && convert != reinterpret_cast<iconv_t>(-1); ++byte) {
    char in = static_cast<char>(byte), out = 0;
    char* from = &in;
    char* to = &out;
    size_t left = 1, room = 1;
    EXPECT_NE(static_cast<size_t>(-1), iconv(convert, &from, &left, &to, &room)) << byte;
    table[static_cast<size_t>(byte)] = out;
  }
  if (convert != reinterpret_cast<iconv_t>(-1)) iconv_close(convert);
  return table;
}

inline std::string inPage(const std::string& latin1, const std::string& table) {
  std::string text = latin1;
  for (char& c : text) c = table[static_cast<unsigned char>(c)];
  return text;
}

// customers_ovp.dat in an EBCDIC page by the rules of tests/data/to_ebcdic.py: every
// byte through the page's table but those of the binary and packed fields of
// custmast.cpy (CUST-NUMBER at 1, 4 bytes; CUST-CREDIT-LIMIT at 150, 5; CUST-OVERDRAFT-
// COUNT at 177, 2), which stay, and the two overpunch signs (173, 174), which become
// zone C or D over their digit.
inline std::string customersInPage(const std::string& page) {
  const std::string table = ebcdicTable(page);
  const std::string positive = "{ABCDEFGHI", negative = "}JKLMNOPQR";
  std::string file;
  for (const std::string& record : fixedRecords(dataFile("customers_ovp.dat"), 200)) {
    std::string converted = inPage(record, table);
    for (const auto& [offset, length] : {std::pair<int, int>{1, 4}, {150, 5}, {177, 2}}) {
      converted.replace(offset, length, record, offset, length);
    }
    for (int offset : {173, 174}) {
      const char sign = record[offset];
      const size_t plus = positive.find(sign), minus = negative.find(sign);
      EXPECT_TRUE(plus != std::string::npos || minus != std::string::npos) << sign;
      converted[offset] = static_cast<char>(plus != std::string::npos ? 0xC0 + plus : 0xD0 + minus);
    }
    file += converted;
  }
  return file;
}

// Expected values: record number to (column, value), from files/<name>.expected.
using Record = std::vector<std::pair<std::string, std::string>>;

inline std::map<int64_t, Record> readExpected(const std::string& name) {
  std::map<int64_t, Record> records;
  std::ifstream in(test_support::dataPath("files/" + name + ".expected"));
  std::string number, column, value;
  while (std::getline(in, number, '\t') && std::getline(in, column, '\t') &&
         std::getline(in, value)) {
    records[std::stoll(number)].emplace_back(column, value);
  }
  return records;
}

// A JSON string's text at text[*at] (its opening quote), *at moved past it.
inline std::string jsonString(const std::string& text, size_t* at) {
  std::string value;
  for (++*at; *at < text.size() && text[*at] != '"'; ++*at) {
    if (text[*at] != '\\') {
      value += text[*at];
      continue;
    }
    const char escaped = text[++*at];
    if (escaped == 'u') {
      const unsigned code = static_cast<unsigned>(std::stoul(text.substr(*at + 1, 4), nullptr, 16));
      *at += 4;
      if (code < 0x80) {
        value += static_cast<char>(code);
      } else if (code < 0x800) {
        value += static_cast<char>(0xC0 | code >> 6);
        value += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        value += static_cast<char>(0xE0 | code >> 12);
        value += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        value += static_cast<char>(0x80 | (code & 0x3F));
      }
    } else {
      value += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped == 'r' ? '\r' : escaped;
    }
  }
  ++*at;
  return value;
}

// A line of `lyra read --format jsonl --with-position`: its record number and its
// values, null ones left out as the expected files leave them out.
inline std::pair<int64_t, Record> jsonRecord(const std::string& line) {
  std::pair<int64_t, Record> record{-1, {}};
  for (size_t at = line.find('"'); at != std::string::npos; at = line.find('"', at)) {
    const std::string name = jsonString(line, &at);
    at = line.find_first_not_of(": ", at);
    if (line[at] == '"') {
      record.second.emplace_back(name, jsonString(line, &at));
    } else {
      const size_t end = line.find_first_of(",}", at);
      if (name == "_record") record.first = std::stoll(line.substr(at, end - at));
      at = end;
    }
  }
  return record;
}

// A number's text in one form: '-' but on zero, no leading zeros but one, no blank or '+'.
inline std::string canonicalNumber(std::string text) {
  text.erase(0, text.find_first_not_of(" +"));
  const bool negative = !text.empty() && text[0] == '-';
  text.erase(0, text.find_first_not_of("-0"));
  if (text.empty() || text[0] == '.') text.insert(0, "0");
  const bool zero = text.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + text;
}

// Whether a value is the expected one: as text, as a fixed-point number, or, for the
// columns named in floats (as single precision where single), as a float by value.
inline bool sameValue(const std::string& actual, const std::string& expected, bool isFloat,
                      bool single) {
  if (actual == expected) return true;
  if (isFloat && single) {
    return std::strtof(actual.c_str(), nullptr) == std::strtof(expected.c_str(), nullptr);
  }
  if (isFloat)
    return std::strtod(actual.c_str(), nullptr) == std::strtod(expected.c_str(), nullptr);
  if (expected.find_first_not_of("-.0123456789") != std::string::npos) return false;
  return canonicalNumber(actual) == expected;
}

}  // namespace data_variants

#endif  // LYRA_TESTS_TOOLS_DATA_VARIANTS_H_
