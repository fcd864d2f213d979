// The hint that `lyra read` adds where it read text without a code page but the file's
// first records look EBCDIC: their values decode far more cleanly in code page 037.
#ifndef LYRA_TOOLS_CODE_PAGE_HINT_H_
#define LYRA_TOOLS_CODE_PAGE_HINT_H_

#include <string>

#include "read_options.h"

// The hint for a read of a regular data file with no --code-page (nor --trace, whose
// lines would show the probe); empty where the file does not look EBCDIC, or where a
// page was given or the input is no such file. The probe reads the first records with
// the reader, which has the input open, then opens the input again from its start for
// the read; false in *reopened where that fails, with the reader's message.
std::string codePageHint(const ReadOptions& options, CCBRecordReader* reader, bool* reopened);

#endif  // LYRA_TOOLS_CODE_PAGE_HINT_H_
