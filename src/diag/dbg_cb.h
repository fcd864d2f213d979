// DbgCB is the debug callback of the self-test: it writes every message it is given
// on a line of its own to standard output. It holds nothing; whoever creates it
// keeps it alive while it is in use.
#ifndef LYRA_DIAG_DBG_CB_H_
#define LYRA_DIAG_DBG_CB_H_

#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_string.h"

class DbgCB : public LYRADebugCallback {
 public:
  void debugMessage(const QvbString& message) override;
};

#endif  // LYRA_DIAG_DBG_CB_H_
