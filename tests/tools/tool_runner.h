// Runs the lyra command-line tool (or another built program) as a child process,
// with standard output and standard error captured to files, and returns what it
// wrote and its exit status. Standard input is /dev/null.
#ifndef LYRA_TESTS_TOOLS_TOOL_RUNNER_H_
#define LYRA_TESTS_TOOLS_TOOL_RUNNER_H_

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_util.h"

namespace test_support {

struct ToolRun {
  int status;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

inline std::string toolPath() {
  return std::string(LYRA_BINARY_DIR) + "/tools/lyra/lyra";
}

inline std::string examplePath(const std::string& name) {
  return std::string(LYRA_SOURCE_DIR) + "/examples/" + name;
}

inline ToolRun runProgram(const std::string& program, const std::vector<std::string>& args) {
  TempDir dir;
  const std::string outPath = dir.path("out");
  const std::string errPath = dir.path("err");
  const pid_t child = fork();
  if (child == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outPath), readFile(errPath)};
}

inline ToolRun runTool(const std::vector<std::string>& args) {
  return runProgram(toolPath(), args);
}

}  // namespace test_support

#endif  // LYRA_TESTS_TOOLS_TOOL_RUNNER_H_
