#include "record_span_tracker.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const FIELD_LINE = "Column: (";
const char* const START_LABEL = ", File Offset: ";
const char* const END_LABEL = ", End Offset: ";

}  // namespace

// The offsets are the last two numbers of the line: searched from its end, so that
// field data holding the same labels cannot mislead.
void RecordSpanTracker::debugMessage(const QvbString& message) {
  const std::string& text = message.str();
  if (text.compare(0, std::strlen(FIELD_LINE), FIELD_LINE) != 0) return;
  const size_t endAt = text.rfind(END_LABEL);
  const size_t startAt = endAt == std::string::npos ? endAt : text.rfind(START_LABEL, endAt);
  if (startAt == std::string::npos) return;
  const long long start = std::atoll(text.c_str() + startAt + std::strlen(START_LABEL));
  const long long end = std::atoll(text.c_str() + endAt + std::strlen(END_LABEL));
  if (!seen_ || start < start_) start_ = start;
  if (!seen_ || end > end_) end_ = end;
  seen_ = true;
}
