// OutputFile is where `lyra read` writes its records: standard output, or the file
// named by -o. A new file, or an existing regular one, is written as a temporary
// file in the same folder, which commit() renames into place with the permissions a
// new file gets (0666 less the umask) or those of the file it replaces. Until then,
// and for good when writing fails, the named file stays as it was. Any other kind
// of file (a device, a pipe) is written directly. It owns the files it opens, never
// standard output, which it only flushes.
#ifndef LYRA_TOOLS_OUTPUT_FILE_H_
#define LYRA_TOOLS_OUTPUT_FILE_H_

#include <cstdio>
#include <string>
#include <string_view>

class OutputFile {
 public:
  explicit OutputFile(const std::string& path) : path_(path) {}  // empty: standard output
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
  std::string name() const { return path_.empty() ? "standard output" : path_; }

  std::string path_;       // as given
  std::string target_;     // the file renamed over: the path, or where its links lead
  std::string temporary_;  // empty when writing directly or once committed
  std::FILE* file_ = nullptr;
  int writeError_ = 0;  // errno of the first failed write that failed() saw
};

// "cannot write NAME: <reason>" for a write that failed with the error number code;
// empty for a closed pipe (EPIPE): whoever read the output stopped on purpose, and
// the command ends quietly, as it does when SIGPIPE ends it.
std::string writeFailure(const std::string& name, int code);

// True when both paths name one existing file (the same device and inode).
bool isSameFile(const std::string& a, const std::string& b);

// The usage error for an output, given with the option (-o), that is also an input.
std::string overwrittenInput(const char* option, const std::string& output,
                             const std::string& input);

#endif  // LYRA_TOOLS_OUTPUT_FILE_H_
