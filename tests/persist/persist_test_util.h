// Helpers for the layout document tests: services that release themselves, the
// output columns of a layout service, and copybooks written from their entries.
#ifndef LYRA_TESTS_PERSIST_PERSIST_TEST_UTIL_H_
#define LYRA_TESTS_PERSIST_PERSIST_TEST_UTIL_H_

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "lyra/ccb_main.h"
#include "lyra/ccb_reader.h"
#include "test_util.h"

namespace test_support {

struct ServiceRelease {
  void operator()(CCBMain* service) const { service->release(); }
  void operator()(CCBReader* reader) const { reader->release(); }
};
typedef std::unique_ptr<CCBMain, ServiceRelease> MainPtr;
typedef std::unique_ptr<CCBReader, ServiceRelease> ReaderPtr;

inline MainPtr newMain() {
  return MainPtr(createCCBMain());
}

inline ReaderPtr newReader() {
  return ReaderPtr(createCCBReader());
}

struct Column {
  std::string name;
  int type;
  int length;
  bool operator==(const Column& other) const {
    return name == other.name && type == other.type && length == other.length;
  }
};

inline void PrintTo(const Column& column, std::ostream* out) {
  *out << "{" << column.name << ", " << column.type << ", " << column.length << "}";
}

inline std::vector<Column> columns(CCBMain& service) {
  std::vector<Column> result;
  for (int i = 0; i < service.getOutputCount(); ++i) {
    QvbString name;
    Column column{"", -1, -1};
    service.getOutputInfo(i, name, column.type, column.length);
    column.name = name.asCstr();
    result.push_back(column);
  }
  return result;
}

// The root's "max_record_size"; -1 without a layout.
inline int maxRecordSize(CCBMain& service) {
  if (service.getRoot() == nullptr) return -1;
  bool optional = false;
  return service.getRoot()->getProperty(2, &optional).asInt();
}

// Writes a copybook whose entries start in column 8, one line per entry.
inline std::string writeCopybook(const TempDir& dir, const std::string& name,
                                 const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) text += "       " + entry + "\n";
  return dir.write(name, text);
}

}  // namespace test_support

#endif  // LYRA_TESTS_PERSIST_PERSIST_TEST_UTIL_H_
