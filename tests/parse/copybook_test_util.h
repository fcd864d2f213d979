// Helpers for the tests that load copybooks end to end: fixed-format copybook text
// from entry lines, a debug callback that keeps its messages, a one-line picture of
// a layout tree, a name search that does not rely on the library's, and a load of
// copybook text through parseCopybook.
#ifndef LYRA_TESTS_PARSE_COPYBOOK_TEST_UTIL_H_
#define LYRA_TESTS_PARSE_COPYBOOK_TEST_UTIL_H_

#include <memory>
#include <string>
#include <vector>

#include "layout/ccb_data_root.h"
#include "lyra/lyra_debug_callback.h"
#include "parse/parse_copybook.h"
#include "test_util.h"

namespace copybook_test {

// Copybook source with each line's content starting in column 8 (columns 1 to 7,
// the sequence area and the indicator, blank).
inline std::string source(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "       " + line + "\n";
  return text;
}

class RecordingCallback final : public LYRADebugCallback {
 public:
  void debugMessage(const QvbString& message) override { messages.push_back(message.asCstr()); }

  std::vector<std::string> messages;
};

// The subtree below node in one line: children in order, separated by one space; a
// field is its name, a table its name followed by its children in parentheses, and
// the children of a field (an elementary item followed by a higher level number)
// follow its name in angle brackets.
inline std::string describe(const CCBData* node) {
  std::string text;
  for (const CCBData* child = node->getFirstChild(); child != nullptr;
       child = child->getNextSibling()) {
    if (!text.empty()) text += " ";
    text += child->getName().asCstr();
    if (child->isTable()) {
      text += "(" + describe(child) + ")";
    } else if (child->getFirstChild() != nullptr) {
      text += "<" + describe(child) + ">";
    }
  }
  return text;
}

// The first node in preorder below node whose name is exactly name, or null.
inline CCBData* find(CCBData* node, const char* name) {
  for (CCBData* child = node->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
    if (child->getName().compare(name, true) == 0) return child;
    CCBData* found = find(child, name);
    if (found != nullptr) return found;
  }
  return nullptr;
}

// What parseCopybook gave for one copybook text.
struct Loaded {
  std::unique_ptr<CCBDataRoot> root;  // null on failure
  std::string error;
  int line = -1;
};

inline Loaded parseText(const std::string& text, LYRADebugCallback* callback = nullptr) {
  test_support::TempDir dir;
  const std::string path = dir.write("test.cpy", text);
  QvbString error("not set");
  Loaded loaded;
  loaded.root.reset(parseCopybook(path.c_str(), error, loaded.line, callback));
  loaded.error = error.asCstr();
  return loaded;
}

}  // namespace copybook_test

#endif  // LYRA_TESTS_PARSE_COPYBOOK_TEST_UTIL_H_
