#include "diag/dbg_cb.h"

#include <cstdio>

void DbgCB::debugMessage(const QvbString& message) {
  std::printf("%s\n", message.asCstr());
}
