// Helpers of the interface suites: a service released when the test ends, an output
// column as a host sees it, collectors of split points and bad records, and the lists of
// tests/data/files with the layouts they name.
#ifndef LYRA_TESTS_INTERFACE_SERVICE_TEST_UTIL_H_
#define LYRA_TESTS_INTERFACE_SERVICE_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "lyra/lyra.h"
#include "test_util.h"

namespace test_support {

template <typename T>
using Owned = std::unique_ptr<T, void (*)(T*)>;

template <typename T>
Owned<T> own(T* service) {
  return Owned<T>(service, [](T* s) { s->release(); });
}

// Column index of a service, or of a reader's active layout, as "name type length"
// (types: 2 integer, 3 real, 4 text); "? -1 -1" where the index changes nothing.
template <typename Service>
std::string columnInfo(Service* service, int index) {
  QvbString name("?");
  int type = -1, length = -1;
  service->getOutputInfo(index, name, type, length);
  return name.str() + " " + std::to_string(type) + " " + std::to_string(length);
}

// The columns from first to last (by default all of them) as columnInfo gives them.
template <typename Service>
std::vector<std::string> columnInfos(Service* service, int first = 0, int last = -1) {
  std::vector<std::string> all;
  if (last < 0) last = service->getOutputCount() - 1;
  for (int i = first; i <= last; ++i) all.push_back(columnInfo(service, i));
  return all;
}

// The split points a scan reports, as (offset, record number).
struct SplitCollector : CCBSplitCallback {
  bool splitPoint(int64_t offset, int64_t number) override {
    points.emplace_back(offset, number);
    return true;
  }
  std::vector<std::pair<int64_t, int64_t>> points;
};

// The bad records a reader reports, as "number@offset+length: reason;" each.
struct BadRecords : CCBBadRecordCallback {
  void badRecord(int64_t number, int64_t offset, const unsigned char*, int length,
                 const QvbString& reason) override {
    text += std::to_string(number) + "@" + std::to_string(offset) + "+" + std::to_string(length) +
            ": " + reason.str() + ";";
  }
  std::string text;
};

using Row = std::vector<std::string>;

// The tab-separated lines of a file under tests/data, comment lines left out.
inline std::vector<Row> readTable(const std::string& path) {
  std::vector<Row> rows;
  std::ifstream in(dataPath(path));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    rows.emplace_back();
    for (std::string field; std::getline(fields, field, '\t');) rows.back().push_back(field);
  }
  return rows;
}

using Record = std::vector<std::pair<std::string, std::string>>;  // (column name, value)

// The columns of each record number that the program writing files/<file> printed, from
// files/<file>.expected.
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

// Adds the layouts of a list "[identifier=]copybook,..." of tests/data/copybooks to a
// reader or writer, the one of index active made active.
template <typename Service>
void addLayouts(Service* service, const std::string& layouts, int active) {
  std::istringstream list(layouts);
  int index = 0;
  for (std::string layout; std::getline(list, layout, ',');) {
    const size_t equals = layout.find('=');  // none: npos + 1 is 0, the whole text
    const std::string id = layout.substr(0, equals == std::string::npos ? 0 : equals);
    EXPECT_TRUE(service->addCopybook(dataPath("copybooks/" + layout.substr(equals + 1)).c_str(),
                                     id.c_str(), index++ == active))
        << service->getErrorMessage().str();
  }
}

// The read options of a line of framed.tsv: its record format, then switches.
inline CCBReadOptions framedOptions(const Row& file) {
  CCBRecordFormat format = CCB_RECORD_FIXED;
  EXPECT_TRUE(ccbRecordFormatFromName(file.at(1).c_str(), &format));
  const std::string& switches = file.at(2);
  CCBReadOptions options;
  options.setRecordFormat(format);
  options.setRdwLittleEndian(switches.find("rdw_little_endian") != std::string::npos);
  options.setRdwExcludesHeader(switches.find("rdw_excludes_header") != std::string::npos);
  options.setBdwExcludesHeader(switches.find("bdw_excludes_header") != std::string::npos);
  options.setEbcdic(switches.find("ebcdic") != std::string::npos);
  const size_t varseq = switches.find("varseq_format=");
  if (varseq != std::string::npos) options.setVarseqFormat(std::stoi(switches.substr(varseq + 14)));
  return options;
}

}  // namespace test_support

#endif  // LYRA_TESTS_INTERFACE_SERVICE_TEST_UTIL_H_
