#include "diag/lyra_self_test.h"

#include <cstdio>
#include <memory>
#include <new>

#include "diag/dbg_cb.h"
#include "lyra/lyra_print.h"
#include "parse/parse_copybook.h"

int runSelfTest(const QvbString& copybookFile) {
  DbgCB callback;
  QvbString error;
  int line = 0;
  try {
    // Parsing only: the source file is not recorded and no output array is built.
    std::unique_ptr<CCBDataRoot> root(parseCopybook(copybookFile, error, line, &callback));
    if (root != nullptr) {
      lyra_print_node(root.get());
    } else {
      std::printf("%s: %d\n", error.asCstr(), line);
    }
  } catch (const std::bad_alloc&) {
    std::printf("Out of memory while parsing the copybook\n");
  }
  return 0;
}

int lyra_test() {
  return runSelfTest(QvbString(LYRA_TEST_COPYBOOK));
}
