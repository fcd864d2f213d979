// The one header a host includes to use lyra: the layout services (CCBMain, and
// CCBLayoutService with its layout options), the record readers (CCBReader, and
// CCBRecordReader with its read options, its typed columns in bulk, CCBRecordBatch, and
// the walk of a record's groups, tables and values, CCBRecordVisitor; the check of each
// value of a record, CCBRecordCheck), the record writer (CCBRecordWriter), layout nodes,
// strings and values, the debug callback and the print functions.
#ifndef LYRA_LYRA_H_
#define LYRA_LYRA_H_

#include "lyra/ccb_column_usage.h"
#include "lyra/ccb_def_node.h"
#include "lyra/ccb_layout_options.h"
#include "lyra/ccb_layout_service.h"
#include "lyra/ccb_main.h"
#include "lyra/ccb_read_options.h"
#include "lyra/ccb_reader.h"
#include "lyra/ccb_record_batch.h"
#include "lyra/ccb_record_check.h"
#include "lyra/ccb_record_reader.h"
#include "lyra/ccb_record_visitor.h"
#include "lyra/ccb_record_writer.h"
#include "lyra/export.h"
#include "lyra/lyra_debug_callback.h"
#include "lyra/lyra_print.h"
#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"

#endif  // LYRA_LYRA_H_
