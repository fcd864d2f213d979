// LevelCheck is a debug callback that watches a copybook load for level numbers
// above 99, which the library accepts (any level that fits an int) but no copybook
// can mean. The library reports each entry it parses as "LINE <n> PARSE: <entry>",
// the entry text starting with its level number; the check keeps the line of the
// first entry whose level is above 99 and passes every message on to the next
// callback, when there is one. Entries of a COPY member come between "COPY FILE:
// <path>" and "END COPY FILE: <path>", and their lines are the member's, so the
// check also keeps the member the entry stands in. The next callback stays the
// caller's.
#ifndef LYRA_TOOLS_LEVEL_CHECK_H_
#define LYRA_TOOLS_LEVEL_CHECK_H_

#include <string>
#include <vector>

#include <lyra/lyra.h>

class LevelCheck : public LYRADebugCallback {
 public:
  explicit LevelCheck(LYRADebugCallback* next) : next_(next) {}
  void debugMessage(const QvbString& message) override;

  // False with "<path>: Invalid level number, Line: <n>" (followed by " in
  // <member>" for an entry of a COPY member) once a level above 99 was seen, as the
  // library words its own load failures.
  bool levelsValid(const std::string& path, std::string* error) const;

 private:
  LYRADebugCallback* next_;
  int line_ = 0;                      // of the first level above 99; 0 while there is none
  std::string member_;                // the member of that line; empty for the copybook itself
  std::vector<std::string> members_;  // the members being read, innermost last
};

#endif  // LYRA_TOOLS_LEVEL_CHECK_H_
