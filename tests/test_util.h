// Helpers shared by the test suites: a temporary folder removed at the end of the
// test, and whole-file reads and writes.
#ifndef LYRA_TESTS_TEST_UTIL_H_
#define LYRA_TESTS_TEST_UTIL_H_

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace test_support {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/lyra_test_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() {
    const std::string command = "rm -rf '" + path_ + "'";
    if (system(command.c_str()) != 0) return;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string path(const std::string& name) const { return path_ + "/" + name; }

  // Writes content to the named file and returns its path.
  std::string write(const std::string& name, const std::string& content) const {
    const std::string file = path(name);
    std::ofstream out(file, std::ios::binary);
    out << content;
    return file;
  }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline std::string dataPath(const std::string& name) {
  return std::string(LYRA_TEST_DATA) + "/" + name;
}

}  // namespace test_support

#endif  // LYRA_TESTS_TEST_UTIL_H_
