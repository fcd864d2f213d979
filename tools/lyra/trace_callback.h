// TraceCallback writes every debug message of the reader to standard error, one per
// line, in UTF-8. A message may mix encodings: the copybook's text (its lines, the
// column names) is ISO-8859-1, while a field's value is in the reader's result
// encoding, UTF-8. So each well-formed UTF-8 sequence stays as it is and every other
// byte is read as ISO-8859-1 (repairUtf8), which is exact for ASCII names and for
// copybook text without such sequences. It holds nothing; `lyra read --trace` owns
// it for the life of the reader.
#ifndef LYRA_TOOLS_TRACE_CALLBACK_H_
#define LYRA_TOOLS_TRACE_CALLBACK_H_

#include <lyra/lyra.h>

class TraceCallback : public LYRADebugCallback {
 public:
  void debugMessage(const QvbString& message) override;
};

#endif  // LYRA_TOOLS_TRACE_CALLBACK_H_
