// OutputFile is where `lyra read` and `lyra convert` write: standard output, or the
// file named by -o. A new file, or an existing regular one, is written as a temporary
// file in the same folder, which commit() puts in place with the permissions a new
// file gets (0666 less the umask) or those of the file it replaces. Until then, and
// for good when writing fails, the named file stays as it was. The temporary file has
// no name where the system allows (O_TMPFILE): nothing is left of it if the tool is
// killed, even by SIGKILL; commit() names it and renames it over the file. Otherwise
// it is a hidden ".lyra-XXXXXX" that SIGINT and SIGTERM remove (temporary_names.h).
// Any other kind of file (a device, a pipe) is written directly. It owns the files it
// opens, never standard output or a stream it is given, which it only flushes.
#ifndef LYRA_TOOLS_OUTPUT_FILE_H_
#define LYRA_TOOLS_OUTPUT_FILE_H_

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The output file name (-o) that stands for standard output.
const char STANDARD_OUTPUT[] = "-";

class OutputFile {
 public:
  // path: empty for standard output. named: a named temporary file even where an
  // unnamed one could be made (for tests of the named one).
  explicit OutputFile(const std::string& path, bool named = false)
      : path_(path), alwaysNamed_(named), stream_(path.empty() ? stdout : nullptr) {}
  // Writes to a stream the caller owns and keeps open: a stream in memory.
  explicit OutputFile(std::FILE* stream) : alwaysNamed_(false), stream_(stream) {}
  ~OutputFile();  // removes a temporary file that was not committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False with a message when the file cannot be created.
  bool open(std::string* error);
  std::FILE* get() const { return file_; }
  // Writes the bytes; false once a write has failed (see failed()).
  bool write(std::string_view bytes) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file_);  // its data may be null
    return !failed();
  }
  // True once a write failed. Call it right after writing: it keeps the error number
  // of the failed write, which a later flush may no longer give.
  bool failed();
  // Writes out what is buffered and puts the file in place. False with a message
  // (empty for a closed pipe) when anything could not be written; the temporary
  // file is then removed. REQUIRES: open() succeeded.
  bool commit(std::string* error);

 private:
  bool openDirectly(std::string* error);
  int createTemporary(const std::string& folder, mode_t mode);
  bool nameTemporary(int* code);
  void removeTemporary();
  std::string name() const { return path_.empty() ? "standard output" : path_; }

  std::string path_;  // as given
  bool alwaysNamed_;
  std::FILE* stream_;          // not owned: standard output or the caller's stream
  std::string target_;         // the file renamed over: the path, or where its links lead
  std::string folder_;         // where the temporary file is made
  bool temporary_ = false;     // writing a temporary file that is not yet in place
  bool unnamed_ = false;       // the temporary file has no name yet
  std::string temporaryName_;  // its name once it has one
  int noted_ = -1;             // its entry in temporary_names
  std::FILE* file_ = nullptr;
  int writeError_ = 0;  // errno of the first failed write that failed() saw
};

// "cannot write NAME: <reason>" for a write that failed with the error number code;
// empty for a closed pipe (EPIPE): whoever read the output stopped on purpose, and
// the command ends quietly, as it does when SIGPIPE ends it.
std::string writeFailure(const std::string& name, int code);

// True when both paths name one existing file (the same device and inode).
bool isSameFile(const std::string& a, const std::string& b);

// The usage error for an output, given with the option (-o), that is also one of the
// inputs; empty when it is none of them.
std::string overwrittenInput(const char* option, const std::string& output,
                             const std::vector<std::string>& inputs);

// The outputs, each with the option that named it, are emptied before the inputs are
// read: none may be one of the inputs, and none another output. False with the usage
// error otherwise.
bool checkOutputFiles(const std::vector<std::pair<const char*, std::string>>& outputs,
                      const std::vector<std::string>& inputs, std::string* error);

#endif  // LYRA_TOOLS_OUTPUT_FILE_H_
