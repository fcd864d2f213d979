// Helpers of the diagnostics tests: capturing what a call writes to standard output and
// splitting text into lines.
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

#include "test_util.h"

namespace diag_test {

// Runs call with standard output pointed at a file, then restores it and returns
// what was written.
template <typename Call>
std::string captureStdout(Call call) {
  test_support::TempDir dir;
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
