// RecordLocator finds the record at which `lyra read` stopped on an error: its
// number, counting every record of the file from 1 whatever its layout, and the
// byte offset in the file where it starts. The reader reports neither, so the
// locator reads the file again in ways that make record boundaries visible:
//  - fixed-length records of one layout: record n starts at skip + n * length;
//  - fixed-length records of several layouts: a reader whose only layout is the
//    identifier field reads every record and tells its layout, which counts the
//    records before the failed one;
//  - variable-length records: one pass per layout, in which only that layout's
//    records report their fields (to a RecordSpanTracker), measures each of its
//    records up to the failure; the counts and lengths of all passes add up to the
//    failed record's number and offset.
// It uses the options it was given and creates its own readers.
#ifndef LYRA_TOOLS_RECORD_LOCATOR_H_
#define LYRA_TOOLS_RECORD_LOCATOR_H_

#include <string>

#include "read_options.h"

struct RecordLocation {
  long long number;  // from 1
  long long offset;  // bytes from the start of the file
};

class RecordLocator {
 public:
  // recordLength: the length of fixed-length records the failed reader used.
  RecordLocator(const ReadOptions& options, int recordLength)
      : options_(options), recordLength_(recordLength) {}

  // written: the records of the active layout read before the failure. False when
  // the failure does not happen again.
  bool locate(long long written, RecordLocation* location) const;

 private:
  bool locateByIdentifier(long long written, RecordLocation* location) const;
  bool locateByLength(RecordLocation* location) const;
  // Reads with layout t as the only one that reports its fields; false when
  // reading ends without a failure.
  bool measureLayout(size_t t, long long* count, long long* bytes) const;

  const ReadOptions& options_;
  int recordLength_;
};

#endif  // LYRA_TOOLS_RECORD_LOCATOR_H_
