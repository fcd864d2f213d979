// CCBCopybookSource delivers the statements of a copybook with its COPY statements
// expanded, for tolerant source rules. It keeps a source reader for each COPY member
// being read, the innermost last, and reads on in the copybook that included a
// member when the member ends. Members come from the member source of the rules (the
// file system when they name none).
//
// A member is looked up in the folder of the copybook whose COPY statement names it
// (none for text in memory), then in each folder of the copy path. In each folder a
// file matches when its name, without regard to letter case, is the member's name,
// or the member's name with .cpy, .cbl or .cob added. A file named exactly so (the
// name as written, then with each ending as written, in that order) is taken;
// otherwise the one file that matches, and two or more are an error naming them.
// Each member's REPLACING applies to its own statements (not to those of the members
// it includes). A member that includes itself, directly or through others, is
// refused, as are members nested more than MAX_COPY_DEPTH deep, more members in one
// load than the rules allow and members whose statements add up to more characters
// than they allow.
//
// The main reader stays the caller's, open, and must outlive this object; the
// member readers are owned here. One load, one thread.
#ifndef LYRA_PARSE_CCB_COPYBOOK_SOURCE_H_
#define LYRA_PARSE_CCB_COPYBOOK_SOURCE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_string.h"
#include "parse/ccb_copy_replacing.h"
#include "parse/ccb_member_source.h"
#include "parse/ccb_source_reader.h"
#include "parse/ccb_source_rules.h"

const int MAX_COPY_DEPTH = 32;

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
  // The members opened so far, each once, by the path first found, in the order
  // they were first read.
  const std::vector<std::string>& memberFiles() const { return memberFiles_; }
  QvbString getErrorMessage() const { return error_; }

 private:
  struct Member {
    std::unique_ptr<CCBSourceReader> reader;
    std::string path;      // as found
    std::string identity;  // resolved, to know a member that includes itself
    CCBCopyReplacing replacing;
  };

  enum Lookup { FOUND, NOT_FOUND, AMBIGUOUS };

  bool deliver(bool& failed);
  void leaveMember();
  std::vector<std::string> searchFolders() const;
  bool findMember(const std::string& name, std::string* path, QvbString& error);
  Lookup findInFolder(const std::string& folder, const std::string& name, std::string* path,
                      QvbString& error);
  const std::vector<std::string>& listing(const std::string& folder);
  bool checkLimits(const std::string& name, const std::string& identity, QvbString& error) const;
  void recordMember(const Member& member);
  std::unique_ptr<CCBSourceReader> spareReader();  // one left by a member, or a new one
  void debug(const char* message, const std::string& path) const;  // message, then path

  CCBSourceReader& main_;
  CCBFileMemberSource files_;
  const CCBMemberSource& source_;  // the rules' member source, or files_
  std::string mainFile_;           // empty for text in memory
  std::string mainIdentity_;
  CCBSourceRules rules_;
  LYRADebugCallback* callback_;  // not owned
  std::vector<Member> members_;
  std::vector<std::unique_ptr<CCBSourceReader>> spareReaders_;  // closed, for later members
  int opened_ = 0;                                              // members opened in this load
  int64_t memberText_ = 0;  // characters of the statements members delivered
  std::vector<std::pair<std::string, std::vector<std::string>>> listings_;  // folders listed
  // Members found, by the path of the copybook that names them, a zero byte and the name.
  std::unordered_map<std::string, std::string> found_;
  std::vector<std::string> memberFiles_;
  std::unordered_set<std::string> memberIdentities_;  // of memberFiles_
  QvbString error_;
};

#endif  // LYRA_PARSE_CCB_COPYBOOK_SOURCE_H_
