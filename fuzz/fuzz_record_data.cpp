// Reads arbitrary bytes as a data file with two record layouts that together use
// every kind of field (display with every sign convention, binary, packed, scaling,
// a variable table, a redefinition), as variable and as fixed records, in ASCII and
// EBCDIC, and fetches every column of every record.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
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

std::string writeTemp(const char* prefix, const void* data, size_t size) {
  std::string path = std::string("/tmp/") + prefix + "XXXXXX";
  const int fd = mkstemp(&path[0]);
  if (fd < 0) return std::string();
  const bool ok = write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  return ok ? path : std::string();
}

void readAll(CCBReader* reader, const std::string& file, bool fixed, bool noConvert) {
  if (!reader->openDataFile(file.c_str(), 0, fixed, noConvert, fixed ? 64 : 0)) return;
  bool failed = false;
  for (int records = 0; records < 1000 && reader->readNextRecord(failed); ++records) {
    for (int i = 0; i < reader->getOutputCount(); ++i) reader->getOutputValue(i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string a =
      writeTemp("lyra_fuzz_a_", LAYOUT_A, std::char_traits<char>::length(LAYOUT_A));
  static const std::string b =
      writeTemp("lyra_fuzz_b_", LAYOUT_B, std::char_traits<char>::length(LAYOUT_B));
  const std::string file = writeTemp("lyra_fuzz_data_", data, size);
  if (file.empty()) return 0;
  CCBReader* reader = createCCBReader();
  if (reader->addCopybook(a.c_str(), "A", true) && reader->addCopybook(b.c_str(), "B", false) &&
      reader->setIdentifierField(0, "PIC X")) {
    for (const bool fixed : {false, true}) {
      for (const bool noConvert : {true, false}) readAll(reader, file, fixed, noConvert);
    }
  }
  reader->release();
  unlink(file.c_str());
  return 0;
}
