// The self-test behind lyra_test: parses a copybook with a DbgCB as debug callback
// and prints the tree, or the parser's error text and line number. The tree is
// released before returning. lyra_test runs it on the copybook fixed at build time.
#ifndef LYRA_DIAG_LYRA_SELF_TEST_H_
#define LYRA_DIAG_LYRA_SELF_TEST_H_

#include "lyra/qvb_string.h"

// Always returns 0, whatever the parse gives.
int runSelfTest(const QvbString& copybookFile);

#endif  // LYRA_DIAG_LYRA_SELF_TEST_H_
