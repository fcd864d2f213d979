// TraceCallback writes every debug message of the reader to standard error, one per
// line, converted to UTF-8. It holds nothing; `lyra read --trace` owns it for the
// life of the reader.
#ifndef LYRA_TOOLS_TRACE_CALLBACK_H_
#define LYRA_TOOLS_TRACE_CALLBACK_H_

#include <lyra/lyra.h>

class TraceCallback : public LYRADebugCallback {
 public:
  void debugMessage(const QvbString& message) override;
};

#endif  // LYRA_TOOLS_TRACE_CALLBACK_H_
