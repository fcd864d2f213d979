// QvbTxtFile reads text line by line, from a file (qvbTxtFileOpen) or from bytes in
// memory (qvbTxtFileOpenMemory). It is created by one of those and owns its file
// and buffers until close(), which also deletes the object; memory input stays the
// caller's and must outlive the object.
// Lines come without their line end ("\n" or "\r\n"), with each tab expanded to
// spaces up to the next tab stop (columns 9, 17, 25, ...), and cut at the length
// asked for; the rest of a longer line is read and discarded as it goes, so memory
// stays bounded whatever the length of a line. Text holding a zero byte is refused.
#ifndef LYRA_SUPPORT_QVB_TXT_FILE_H_
#define LYRA_SUPPORT_QVB_TXT_FILE_H_

#include <cstddef>
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
  // count on a failure, with the reason in getErrorMessage(): a read error
  // (*lineFlag clear) or a zero byte (*lineFlag set: the line counts as read).
  // After a failure the input counts as ended.
  int readLine(int maxLength, const char** line, bool* lineFlag);

  QvbString getErrorMessage() const { return error_; }

  // Closes the file and deletes this object.
  void close();

 private:
  friend QvbTxtFile* qvbTxtFileOpen(const char*, QvbTxtFileOpenMode, int, int, QvbString*);
  friend QvbTxtFile* qvbTxtFileOpenMemory(const char*, size_t);
  QvbTxtFile(std::FILE* file, size_t blockSize, const char* data, size_t size);
  ~QvbTxtFile();

  bool refill();  // false at the end of the input or on a read error
  void appendChar(char c, size_t limit);
  int fail(const QvbString& message);

  std::FILE* file_;   // null for memory input
  size_t blockSize_;  // bytes read from the file at a time
  char* block_;       // the file's read buffer; null for memory input
  const char* next_;  // unread bytes of the current block
  const char* end_;
  bool pendingReturn_ = false;  // a '\r' not yet known to end the line
  std::string line_;
  bool failed_ = false;
  QvbString error_;
};

// Opens a text file for reading (mode QVB_TXT_FILE_READ; the two ints are unused).
// Returns null on failure, with the reason in *reason when reason is not null.
QvbTxtFile* qvbTxtFileOpen(const char* name, QvbTxtFileOpenMode mode, int, int, QvbString* reason);

// Reads size bytes at data as a text file; data stays the caller's.
QvbTxtFile* qvbTxtFileOpenMemory(const char* data, size_t size);

#endif  // LYRA_SUPPORT_QVB_TXT_FILE_H_
