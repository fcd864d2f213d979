// CCBCopybookSource delivers the statements of a copybook with its COPY statements
// expanded, for tolerant source rules. It keeps a source reader for each COPY member
// being read, the innermost last, and reads on in the copybook that included a
// member when the member ends. A member is looked up in the folder of the copybook
// whose COPY statement names it (none for text in memory), then in each folder of
// the copy path, as the name written, then with .cpy, .cbl and .cob added, each as
// written, in upper case and in lower case. Each member's REPLACING applies to its
// own statements (not to those of the members it includes). A member that includes
// itself, directly or through others, is refused, as are members nested more than
// MAX_COPY_DEPTH deep, more than MAX_COPY_MEMBERS of them in one load and members
// whose statements add up to more than MAX_COPY_TEXT characters.
//
// The main reader stays the caller's, open, and must outlive this object; the
// member readers are owned here. One load, one thread.
#ifndef LYRA_PARSE_CCB_COPYBOOK_SOURCE_H_
#define LYRA_PARSE_CCB_COPYBOOK_SOURCE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_string.h"
#include "parse/ccb_copy_replacing.h"
#include "parse/ccb_source_reader.h"
#include "parse/ccb_source_rules.h"

const int MAX_COPY_DEPTH = 32;
const int MAX_COPY_MEMBERS = 10000;
const int64_t MAX_COPY_TEXT = 16 * 1024 * 1024;

class CCBCopybookSource {
 public:
  // mainFile is the main copybook's path, null for text in memory. Members are
  // reported to callback (may be null): "COPY FILE: <path>" when one opens, "END
  // COPY FILE: <path>" when it ends.
  CCBCopybookSource(CCBSourceReader& main, const QvbString& mainFile, const CCBSourceRules& rules,
                    LYRADebugCallback* callback);
  CCBCopybookSource(const CCBCopybookSource&) = delete;
  CCBCopybookSource& operator=(const CCBCopybookSource&) = delete;

  // Reads the next statement into current(), as CCBSourceReader::readStatement
  // does, from the innermost open copybook. False at the end of the main copybook,
  // or with failed set and the reason in getErrorMessage().
  bool readStatement(bool& failed);
  // Whether the current statement is a COPY statement; never with classic rules.
  bool atCopyStatement() const;
  // Opens the member the current COPY statement names; its statements come next.
  // False with the reason in error.
  bool include(QvbString& error);

  // The reader of the current statement.
  CCBSourceReader& current() { return members_.empty() ? main_ : *members_.back().reader; }
  // The line the current statement ends on, in its own file.
  int line() const;
  bool inMember() const { return !members_.empty(); }
  // The path of the current statement's file; null for text in memory.
  QvbString currentFile() const;
  QvbString getErrorMessage() const { return error_; }

 private:
  struct Member {
    std::unique_ptr<CCBSourceReader> reader;
    std::string path;      // as found
    std::string identity;  // resolved, to know a member that includes itself
    CCBCopyReplacing replacing;
  };

  bool deliver(bool& failed);
  void leaveMember();
  std::vector<std::string> searchFolders() const;
  bool findMember(const std::string& name, std::string* path, QvbString& error) const;
  bool checkLimits(const std::string& name, const std::string& identity, QvbString& error) const;
  void debug(const std::string& message) const;

  CCBSourceReader& main_;
  std::string mainFile_;  // empty for text in memory
  std::string mainIdentity_;
  CCBSourceRules rules_;
  LYRADebugCallback* callback_;  // not owned
  std::vector<Member> members_;
  int opened_ = 0;          // members opened in this load
  int64_t memberText_ = 0;  // characters of the statements members delivered
  QvbString error_;
};

#endif  // LYRA_PARSE_CCB_COPYBOOK_SOURCE_H_
