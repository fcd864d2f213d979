// The expected values of the data files under tests/data/files, as the programs that
// wrote the files printed them (<file>.expected), and the comparison of a value read
// with its expected text. Shared by the suites that read those files.
#ifndef LYRA_TESTS_INTERFACE_EXPECTED_VALUES_H_
#define LYRA_TESTS_INTERFACE_EXPECTED_VALUES_H_

#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "test_util.h"

namespace test_support {

using Record = std::vector<std::pair<std::string, std::string>>;  // (column name, value)

// The expected columns of each record number, from files/<file>.expected.
inline std::map<int, Record> readExpected(const std::string& file) {
  std::map<int, Record> records;
  std::ifstream in(dataPath("files/" + file + ".expected"));
  std::string number, name, value;
  while (std::getline(in, number, '\t') && std::getline(in, name, '\t') &&
         std::getline(in, value)) {
    records[std::stoi(number)].emplace_back(name, value);
  }
  return records;
}

// A value read matches the expected text exactly or, when that is a number, once put in
// its form: an optional '-' (never on zero), the integer digits without leading zeros
// (at least one), then the point and the fraction digits as given. A leading blank or '+'
// goes.
inline bool matches(std::string actual, const std::string& expected) {
  if (actual == expected) return true;
  if (expected.find_first_not_of("-.0123456789") != std::string::npos) return false;
  actual.erase(0, actual.find_first_not_of(" +"));
  const bool negative = !actual.empty() && actual[0] == '-';
  actual.erase(0, actual.find_first_not_of("-0"));  // the sign and leading zeros
  if (actual.empty() || actual[0] == '.') actual.insert(0, "0");
  const bool zero = actual.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + actual == expected;
}

// The record read with each value that matches its expected text replaced by that
// text, so that comparing it with the expected record shows only real differences.
inline Record normalised(Record actual, const Record& expected) {
  for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
    if (matches(actual[i].second, expected[i].second)) actual[i].second = expected[i].second;
  }
  return actual;
}

}  // namespace test_support

#endif  // LYRA_TESTS_INTERFACE_EXPECTED_VALUES_H_
