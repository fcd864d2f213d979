// The hint that `lyra read` adds where it read text without a code page but the file's
// first records look EBCDIC: their values decode far more cleanly in code page 037.
#ifndef LYRA_TOOLS_CODE_PAGE_HINT_H_
#define LYRA_TOOLS_CODE_PAGE_HINT_H_

#include <string>

#include "read_options.h"

// The hint for a read of a regular data file with no --code-page; empty where the file
// does not look EBCDIC, or where a page was given or the input is no such file.
std::string codePageHint(const ReadOptions& options);

#endif  // LYRA_TOOLS_CODE_PAGE_HINT_H_
