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
  // False with a message when the file could not be created or written.
  bool close(std::string* error);

 private:
  std::string name_;
  std::FILE* file_;
  int openError_;  // errno of a failed creation, 0 once reported
};

#endif  // LYRA_TOOLS_OUTPUT_FILE_H_
