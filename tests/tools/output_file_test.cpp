// The output file of `lyra read -o`: a temporary file put in place at the end, which
// no way of ending the tool leaves behind, and the file it replaces kept until then.
#include "output_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

using test_support::readFile;

// The names in the folder, sorted.
std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Runs, in a child process, an output file that writes "new" over path and is then
// ended by the signal before it commits; returns the child's wait status.
int endedBySignal(const std::string& path, bool named, int signal) {
  const pid_t child = fork();
  if (child == 0) {
    OutputFile output(path, named);
    std::string error;
    if (!output.open(&error) || !output.write("new") || std::fflush(output.get()) != 0) _exit(99);
    raise(signal);
    _exit(98);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

TEST(OutputFileTest, ReplacesTheFileOnlyWhenCommitted) {
  test_support::TempDir dir;
  const std::string path = dir.write("out.csv", "old");
  chmod(path.c_str(), 0640);
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "named" : "unnamed");
    OutputFile output(path, named);
    std::string error;
    ASSERT_TRUE(output.open(&error)) << error;
    ASSERT_TRUE(output.write(named ? "named" : "unnamed"));
    EXPECT_EQ("old", readFile(path));
    // An unnamed file shows in no folder until it is committed.
    EXPECT_EQ(named ? 2u : 1u, namesIn(dir.path("")).size());
    ASSERT_TRUE(output.commit(&error)) << error;
    EXPECT_EQ(named ? "named" : "unnamed", readFile(path));
    EXPECT_EQ(std::vector<std::string>{"out.csv"}, namesIn(dir.path("")));
    struct stat info;
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);
    dir.write("out.csv", "old");
  }
}

// SIGINT and SIGTERM remove a named temporary file and end the tool with 130 and 143;
// an unnamed one is gone even after SIGKILL. The file replaced stays as it was.
TEST(OutputFileTest, SignalsLeaveNoTemporaryFile) {
  test_support::TempDir dir;
  const std::string path = dir.write("out.csv", "old");
  const struct {
    bool named;
    int signal;
    int exitStatus;  // -1: ended by the signal
  } cases[] = {
      {true, SIGINT, 130}, {true, SIGTERM, 143}, {false, SIGTERM, 143}, {false, SIGKILL, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.named ? "named, " : "unnamed, ") + strsignal(c.signal));
    const int status = endedBySignal(path, c.named, c.signal);
    if (c.exitStatus >= 0) {
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(c.exitStatus, WEXITSTATUS(status));
    } else {
      ASSERT_TRUE(WIFSIGNALED(status));
      EXPECT_EQ(c.signal, WTERMSIG(status));
    }
    EXPECT_EQ(std::vector<std::string>{"out.csv"}, namesIn(dir.path("")));
    EXPECT_EQ("old", readFile(path));
  }
}

}  // namespace
