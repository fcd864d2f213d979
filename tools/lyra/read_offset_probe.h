// ReadOffsetProbe tells how far the record reader has read its data file, for the
// progress bar: the reader reports records, not bytes, but the file offset of the
// descriptor it holds on the data file moves with every block it reads. The probe
// finds that descriptor (the one open on the same file) once the file is open, and
// only ever asks for its offset, which leaves the offset unchanged.
#ifndef LYRA_TOOLS_READ_OFFSET_PROBE_H_
#define LYRA_TOOLS_READ_OFFSET_PROBE_H_

#include <string>

class ReadOffsetProbe {
 public:
  // Looks for a descriptor open on the file; call it after the reader opened it.
  explicit ReadOffsetProbe(const std::string& dataFile);

  // Bytes read from the file so far; -1 when unknown.
  long long offset() const;

 private:
  int descriptor_ = -1;
};

#endif  // LYRA_TOOLS_READ_OFFSET_PROBE_H_
