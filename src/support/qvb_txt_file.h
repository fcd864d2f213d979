// QvbTxtFile reads a text file line by line. It is created by qvbTxtFileOpen and
// owns its file and line buffer until close(), which also deletes the object.
// Lines come without their line end ("\n" or "\r\n"), with each tab expanded to
// spaces up to the next tab stop (columns 9, 17, 25, ...), and cut at the length
// asked for; the rest of a longer line is discarded.
#ifndef LYRA_SUPPORT_QVB_TXT_FILE_H_
#define LYRA_SUPPORT_QVB_TXT_FILE_H_

#include <cstdio>
#include <string>

#include "lyra/qvb_string.h"

enum QvbTxtFileOpenMode {
  QVB_TXT_FILE_READ = 1,
};

class QvbTxtFile {
 public:
  QvbTxtFile(const QvbTxtFile&) = delete;
  QvbTxtFile& operator=(const QvbTxtFile&) = delete;

  // Reads the next line of at most maxLength characters into a buffer the object
  // owns; *line points to its characters, zero-terminated, until the next call.
  // Returns the number of characters with *lineFlag set when a line (possibly
  // empty) was consumed; 0 with *lineFlag clear at the end of the input; a negative
  // count on a read failure. After a failure the input counts as ended.
  int readLine(int maxLength, const char** line, bool* lineFlag);

  QvbString getErrorMessage() const { return error_; }

  // Closes the file and deletes this object.
  void close();

 private:
  friend QvbTxtFile* qvbTxtFileOpen(const char*, QvbTxtFileOpenMode, int, int, QvbString*);
  explicit QvbTxtFile(std::FILE* file) : file_(file) {}
  ~QvbTxtFile();

  void expandLine(const char* raw, size_t length, int maxLength);

  std::FILE* file_;
  char* raw_ = nullptr;  // getline's buffer
  size_t rawCapacity_ = 0;
  std::string line_;
  bool failed_ = false;
  QvbString error_;
};

// Opens a text file for reading (mode QVB_TXT_FILE_READ; the two ints are unused).
// Returns null on failure, with the reason in *reason when reason is not null.
QvbTxtFile* qvbTxtFileOpen(const char* name, QvbTxtFileOpenMode mode, int, int, QvbString* reason);

#endif  // LYRA_SUPPORT_QVB_TXT_FILE_H_
