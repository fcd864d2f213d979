// Fixed-format copybook text, and a debug callback that keeps every message, for tests
// that load copybooks.
#ifndef LYRA_TESTS_PARSE_COPYBOOK_TEST_UTIL_H_
#define LYRA_TESTS_PARSE_COPYBOOK_TEST_UTIL_H_

#include <string>
#include <vector>

#include "lyra/lyra_debug_callback.h"

namespace copybook_test {

// Copybook source with each line's content starting in column 8.
inline std::string source(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "       " + line + "\n";
  return text;
}

struct RecordingCallback final : LYRADebugCallback {
  void debugMessage(const QvbString& message) override { messages.push_back(message.asCstr()); }
  std::vector<std::string> messages;
};

}  // namespace copybook_test

#endif  // LYRA_TESTS_PARSE_COPYBOOK_TEST_UTIL_H_
