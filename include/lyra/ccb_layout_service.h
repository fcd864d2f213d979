// CCBLayoutService is the layout service extended for copybooks as real files
// carry them: it is a CCBMain that loads with the options of CCBLayoutOptions
// (floating-point items, UTF-16 national items, the dialects copybooks are written
// in). Everything a CCBMain does it does the same way; with the options at their
// defaults it reads the copybooks a CCBMain reads into the same layouts (save
// binary pictures of more than 18 digits, which it refuses), and tolerates what the
// classic rules refuse: COPY statements, listing and directive lines, "*>" comments,
// COMP-0. It also tells where each output column lies in a record and how long the
// layout's records are, redefinitions counted.
//
// createCCBLayoutService() returns a new service owned by the host until it calls
// release(); never delete it. One thread uses a service at a time.
#ifndef LYRA_CCB_LAYOUT_SERVICE_H_
#define LYRA_CCB_LAYOUT_SERVICE_H_

#include <cstdint>

#include "lyra/ccb_column_usage.h"
#include "lyra/ccb_layout_options.h"
#include "lyra/ccb_main.h"
#include "lyra/export.h"

class LYRA_API CCBLayoutService : public CCBMain {
 public:
  // The options of the loads that follow; a layout already loaded keeps the
  // options it was loaded with.
  virtual void setLayoutOptions(const CCBLayoutOptions& options) = 0;
  virtual CCBLayoutOptions getLayoutOptions() = 0;

  // The layout's record length: the furthest byte any of its items reaches, with
  // every variable (OCCURS DEPENDING ON) table at its maximum. Unlike the
  // "max_record_size" of the root, it counts a redefining item that reaches past
  // what it redefines (a 30-byte item redefining a 25-byte one adds 5). 0 without
  // a layout.
  virtual int getRecordLength() = 0;
  // Where column index (0 <= index < getOutputCount()) lies in the record, as the
  // record walk lays the layout out with every variable table at its maximum: the
  // offset of its first byte from the start of the record, the bytes it occupies
  // (0 for a constant), how they are stored, and whether the offset varies from
  // record to record (the column lies inside a variable table, or after one in its
  // group or an enclosing group). False for any other index, changing nothing; also
  // when memory runs out, with a message.
  virtual bool getColumnLayout(int index, int64_t& offset, int& storageLength,
                               CCBColumnUsage& usage, bool& variable) = 0;

  // The files the layout was read from, as CCBRecordReader::getLayoutFileCount tells
  // them: the copybook or XML layout document, then its COPY members.
  virtual int getLayoutFileCount() = 0;
  virtual QvbString getLayoutFile(int index) = 0;  // null out of range
};

extern "C" LYRA_API CCBLayoutService* createCCBLayoutService();

#endif  // LYRA_CCB_LAYOUT_SERVICE_H_
