// OutputFile is where `lyra read` writes its records: standard output, or the file
// named by -o, created at construction. close() writes out what is buffered and
// tells whether everything reached the file. It owns the file it created, never
// standard output, which it only flushes.
#ifndef LYRA_TOOLS_OUTPUT_FILE_H_
#define LYRA_TOOLS_OUTPUT_FILE_H_

#include <cstdio>
#include <string>

class OutputFile {
 public:
  explicit OutputFile(const std::string& path);  // empty: standard output
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* get() const { return file_; }  // null when the file could not be created
  // True once a write failed. Call it right after writing: it keeps the error number
  // of the failed write, which a later flush may no longer give.
  bool failed();
  // False with a message when the file could not be created or written; the
  // message is empty for a closed pipe.
  bool close(std::string* error);

 private:
  std::string name_;
  std::FILE* file_;
  int openError_;       // errno of a failed creation, 0 once reported
  int writeError_ = 0;  // errno of the first failed write that failed() saw
};

// "cannot write NAME: <reason>" for a write that failed with the error number code;
// empty for a closed pipe (EPIPE): whoever read the output stopped on purpose, and
// the command ends quietly, as it does when SIGPIPE ends it.
std::string writeFailure(const std::string& name, int code);

#endif  // LYRA_TOOLS_OUTPUT_FILE_H_
