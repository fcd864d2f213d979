// Helpers of the diagnostics tests: building small trees, capturing what a call writes to standard
// output, splitting text into lines, and a scratch folder.
#ifndef LYRA_TESTS_DIAG_DIAG_TEST_UTIL_H_
#define LYRA_TESTS_DIAG_DIAG_TEST_UTIL_H_

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_table.h"

namespace diag_test {

// Tree builders: the new node becomes parent's last child.
inline CCBDataTable* table(CCBData* parent, const char* name, int occurs = 0) {
  CCBDataTable* node = new CCBDataTable();
  node->setName(name);
  parent->addChild(node);
  if (occurs != 0) node->setOccurs(occurs);
  return node;
}

inline CCBDataField* field(CCBData* parent, const char* name) {
  CCBDataField* node = new CCBDataField();
  node->setName(name);
  parent->addChild(node);
  return node;
}

class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/lyra_diag_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~ScratchDir() {
    const std::string command = "rm -rf '" + path_ + "'";
    if (system(command.c_str()) != 0) return;
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string path(const std::string& name) const { return path_ + "/" + name; }
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
    return path(name);
  }

 private:
  std::string path_;
};

// Runs call with standard output pointed at a file, then restores it and returns
// what was written.
template <typename Call>
std::string captureStdout(Call call) {
  ScratchDir dir;
  const std::string path = dir.path("stdout.txt");
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(file, STDOUT_FILENO);
  close(file);
  call();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace diag_test

#endif  // LYRA_TESTS_DIAG_DIAG_TEST_UTIL_H_
