// RejectsFile keeps the bad records that `lyra read` passes over (--rejects FILE): the
// bytes of each, as the reader gives them (its descriptor word included), one after
// another in FILE, and one JSON line per record in FILE.jsonl,
//   {"record": 7, "offset": 1024, "length": 68, "reason": "..."}
// with a null record where its number is unknown. Both files are written as -o
// writes its file (see OutputFile) and put in place by commit(). A reader given it
// as callback must not read once it has ended.
#ifndef LYRA_TOOLS_REJECTS_FILE_H_
#define LYRA_TOOLS_REJECTS_FILE_H_

#include <string>

#include <lyra/lyra.h>

#include "output_file.h"

class RejectsFile : public CCBBadRecordCallback {
 public:
  explicit RejectsFile(const std::string& path);

  // False with a message when either file cannot be created.
  bool open(std::string* error);
  void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                 const QvbString& reason) override;
  // True once a write to either file failed.
  bool failed();
  // Puts both files in place; false with a message when either could not be written.
  bool commit(std::string* error);

 private:
  OutputFile bytes_;
  OutputFile notes_;
  std::string line_;
};

// The file of the JSON lines that go with the rejects file at path.
std::string rejectsNotesPath(const std::string& path);

#endif  // LYRA_TOOLS_REJECTS_FILE_H_
