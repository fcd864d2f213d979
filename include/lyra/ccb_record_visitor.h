// CCBRecordVisitor is what a host implements to receive a record as its copybook
// shapes it: CCBRecordReader::walkRecord hands it the record's groups, tables and
// values in record order, one call each, without building anything per record.
//
// A walk hands over the record as a group (item 0), named after the layout's level-01
// item, holding that item's items when it is the layout's only top-level item and a
// group, the top-level items otherwise. Inside a group come its items in order: a
// group item as beginGroup ... endGroup around its items; an item with OCCURS as
// beginArray ... endArray around its elements, as many as the record holds (the
// count of OCCURS DEPENDING ON); each element of a repeated group as a group (of the
// table's name), each element of a repeated elementary item as a value; an
// elementary item as one value. FILLER items are left out: an elementary FILLER, and
// a FILLER group without a named item in it; the items of a FILLER group that is not
// repeated belong to the group around it, and a repeated FILLER group holding named
// items is an array named FILLER. Level-88 condition names are no items. Each
// item that redefines another is its own item; one that a segment leaves out of the
// record (CCBRecordReader::addSegment) is not handed over.
//
// item: the item's number in its layout, from 0, the same in every record: a host
// may keep what it makes of an item's name by it. name: the item's data name, in the
// copybook's bytes (ISO-8859-1), valid during the call. column: the index of the
// value's column (as getOutputInfo numbers them). text: the value's text, length
// bytes (zero bytes kept with zero_bytes keep), valid during the call; null for a
// null value (a field past the end of a short record).
//
// The visitor stays the host's; the walk calls it on the thread that walks.
#ifndef LYRA_CCB_RECORD_VISITOR_H_
#define LYRA_CCB_RECORD_VISITOR_H_

#include "lyra/export.h"
#include "lyra/qvb_string.h"

class LYRA_API CCBRecordVisitor {
 public:
  virtual ~CCBRecordVisitor();
  virtual void beginGroup(int item, const QvbString& name) = 0;
  virtual void endGroup(int item) = 0;
  // count: the elements that follow before endArray.
  virtual void beginArray(int item, const QvbString& name, int count) = 0;
  virtual void endArray(int item) = 0;
  virtual void value(int item, const QvbString& name, int column, const char* text, int length) = 0;
};

#endif  // LYRA_CCB_RECORD_VISITOR_H_
