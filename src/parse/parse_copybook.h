// The data description handler: turns a copybook source file into a layout tree,
// and the clause text of a single entry into its picture, usage and sign options.
// The tree parseCopybook returns belongs to the caller.
#ifndef LYRA_PARSE_PARSE_COPYBOOK_H_
#define LYRA_PARSE_PARSE_COPYBOOK_H_

#include <cstddef>

#include "format/ccb_format.h"
#include "layout/ccb_data_root.h"
#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_string.h"
#include "parse/ccb_source_rules.h"

// Parses the copybook into a new tree (one node per data description entry, level-88
// names attached to the field before them), which records the files it was read
// from: the copybook, then each COPY member once, as first found. On failure returns
// null with the reason in error and the number of source lines read in line (0 when
// the file cannot be opened). Progress messages go to callback when it is not null.
// Field formats are built by rules; the source is read by source, which may expand
// COPY statements: then a failure inside a COPY member, or of a COPY statement, also
// sets *errorFile (when errorFile is not null) to the file it stands in, and line
// counts the lines of that file; otherwise *errorFile is null. An entry without a
// picture is a group, unless its usage needs no picture (COMP-1, INDEX, ...): then it
// is an elementary item, refused when the rules have no format for it.
CCBDataRoot* parseCopybook(const QvbString& fileName, QvbString& error, int& line,
                           LYRADebugCallback* callback,
                           const CCBFormatRules& rules = CCBFormatRules(),
                           const CCBSourceRules& source = CCBSourceRules(),
                           QvbString* errorFile = nullptr);
// The same for copybook text of size bytes at data, which has no folder: COPY
// members are looked up on the copy path alone.
CCBDataRoot* parseCopybookText(const char* data, size_t size, QvbString& error, int& line,
                               LYRADebugCallback* callback,
                               const CCBFormatRules& rules = CCBFormatRules(),
                               const CCBSourceRules& source = CCBSourceRules(),
                               QvbString* errorFile = nullptr);

// Reads text as the clauses of one entry without a level number (a data name, then
// clauses such as "PIC S9(5) COMP-3"). On a match sets picture (null without a PIC
// clause), usage ("DISPLAY" without one) and signFlags (1 leading + 2 separate).
bool parseClauseText(const QvbString& text, QvbString& picture, QvbString& usage, int& signFlags);

#endif  // LYRA_PARSE_PARSE_COPYBOOK_H_
