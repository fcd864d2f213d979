#include "trace_callback.h"

#include <cstdio>

#include "output_text.h"

void TraceCallback::debugMessage(const QvbString& message) {
  std::fprintf(stderr, "%s\n", repairUtf8(message.str()).c_str());
}
