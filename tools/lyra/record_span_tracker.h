// RecordSpanTracker is a debug callback that measures a record from the field lines
// the reader sends while it decodes it ("Column: (...), ..., File Offset: S, End
// Offset: E"): a record starts where its first field starts and ends where its
// furthest field ends. Positions are window positions, so only the length between
// them means something. Other messages are ignored. The tracker is the caller's.
#ifndef LYRA_TOOLS_RECORD_SPAN_TRACKER_H_
#define LYRA_TOOLS_RECORD_SPAN_TRACKER_H_

#include <lyra/lyra.h>

class RecordSpanTracker : public LYRADebugCallback {
 public:
  void debugMessage(const QvbString& message) override;

  void reset() { seen_ = false; }
  // The bytes of the fields seen since reset; 0 when none was.
  long long length() const { return seen_ ? end_ - start_ : 0; }

 private:
  bool seen_ = false;
  long long start_ = 0;
  long long end_ = 0;
};

#endif  // LYRA_TOOLS_RECORD_SPAN_TRACKER_H_
