// Reads arbitrary bytes as a data file with two record layouts that together use
// every kind of field (display with every sign convention, binary, packed, scaling,
// a variable table, a redefinition), as variable and as fixed records, in ASCII and
// EBCDIC, and fetches every column of every record.
//
// The reader takes layouts and data by path, so the process writes the two
// copybooks once, keeps one data file that every run rewrites, and removes all
// three at exit.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "lyra/ccb_reader.h"

namespace {

const char* const LAYOUT_A =
    "       01  REC-A.\n"
    "           05  REC-TYPE        PIC X.\n"
    "           05  NAME            PIC X(5).\n"
    "           05  AMOUNT          PIC S9(5)V99.\n"
    "           05  LEAD-SEP        PIC S9(3) SIGN LEADING SEPARATE.\n"
    "           05  TRAIL-SEP       PIC S9V99 SIGN TRAILING SEPARATE.\n"
    "           05  COUNT-N         PIC 9.\n"
    "           05  ITEMS OCCURS 0 TO 4 DEPENDING ON COUNT-N.\n"
    "               10  ITEM-BIN    PIC S9(4) COMP.\n"
    "               10  ITEM-PACK   PIC S9(5)V9 COMP-3.\n"
    "           05  SCALED          PIC PP99.\n"
    "           05  BIG             PIC 9(18) COMP.\n"
    "           05  EDITED          PIC ZZ,ZZ9.99-.\n";
const char* const LAYOUT_B =
    "       01  REC-B.\n"
    "           05  REC-TYPE        PIC X.\n"
    "           05  RAW             PIC X(4).\n"
    "           05  RAW-NUM REDEFINES RAW PIC S9(7) COMP-3.\n"
    "           05  HUGE-P          PIC S99PP COMP.\n";

// Writes size bytes at data to fd from its start and cuts the file there.
bool rewrite(int fd, const void* data, size_t size) {
  if (ftruncate(fd, 0) != 0) return false;
  return pwrite(fd, data, size, 0) == static_cast<ssize_t>(size);
}

// A file under /tmp that lives as long as the object; the descriptor stays open so
// that the file can be rewritten in place.
class TempFile {
 public:
  explicit TempFile(const char* prefix) : path_(std::string("/tmp/") + prefix + "XXXXXX") {
    fd_ = mkstemp(&path_[0]);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ < 0) return;
    close(fd_);
    unlink(path_.c_str());
  }

  bool write(const void* data, size_t size) { return fd_ >= 0 && rewrite(fd_, data, size); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
  int fd_ = -1;
};

// The files of the process: destroyed, and so removed, when the process exits.
struct FuzzFiles {
  TempFile layoutA{"lyra_fuzz_a_"};
  TempFile layoutB{"lyra_fuzz_b_"};
  TempFile data{"lyra_fuzz_data_"};

  FuzzFiles() {
    if (!layoutA.write(LAYOUT_A, std::char_traits<char>::length(LAYOUT_A)) ||
        !layoutB.write(LAYOUT_B, std::char_traits<char>::length(LAYOUT_B))) {
      abort();  // no run could load its layouts
    }
  }
};

void readAll(CCBReader* reader, const char* file, bool fixed, bool noConvert) {
  if (!reader->openDataFile(file, 0, fixed, noConvert, fixed ? 64 : 0)) return;
  bool failed = false;
  for (int records = 0; records < 1000 && reader->readNextRecord(failed); ++records) {
    for (int i = 0; i < reader->getOutputCount(); ++i) reader->getOutputValue(i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFiles files;
  if (!files.data.write(data, size)) abort();
  CCBReader* reader = createCCBReader();
  if (reader->addCopybook(files.layoutA.path(), "A", true) &&
      reader->addCopybook(files.layoutB.path(), "B", false) &&
      reader->setIdentifierField(0, "PIC X")) {
    for (const bool fixed : {false, true}) {
      for (const bool noConvert : {true, false})
        readAll(reader, files.data.path(), fixed, noConvert);
    }
  }
  reader->release();
  return 0;
}
