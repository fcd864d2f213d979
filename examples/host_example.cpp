// A complete lyra host: reads a data file with the layout of a copybook and prints
// every column of every record.
//   c++ -std=c++17 host_example.cpp -llyra -o host_example
//   ./host_example examples/custrec.cbl examples/customers.dat
#include <lyra/lyra.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s COPYBOOK DATAFILE\n", argv[0]);
    return 2;
  }
  CCBReader* reader = createCCBReader();  // owned until release(), never deleted
  if (reader == nullptr) return 1;
  // One layout, active: every record is one of its records. Then the data file:
  // first record at byte 0, fixed-length records as long as the layout (0),
  // text read as it stands (noConvert true; false would convert from EBCDIC).
  if (!reader->addCopybook(argv[1], "", true) || !reader->openDataFile(argv[2], 0, true, true, 0)) {
    std::fprintf(stderr, "%s\n", reader->getErrorMessage().asCstr());
    reader->release();
    return 1;
  }
  bool failed = false;
  for (int record = 1; reader->readNextRecord(failed); ++record) {
    std::printf("record %d\n", record);
    for (int i = 0; i < reader->getOutputCount(); ++i) {
      QvbString name;
      int type = 0;    // 2 integer, 3 real, 4 string
      int length = 0;  // the longest text the column can hold
      reader->getOutputInfo(i, name, type, length);
      const QvbDatavar value = reader->getOutputValue(i);
      std::printf("  %-18s [%s]\n", name.asCstr(),
                  value.isNull() ? "null" : value.asString().asCstr());
    }
  }
  if (failed) std::fprintf(stderr, "%s\n", reader->getErrorMessage().asCstr());
  reader->release();
  return failed ? 1 : 0;
}
