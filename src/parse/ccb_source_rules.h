// CCBSourceRules says how copybook source text is read. The defaults are the
// classic rules: fixed form, content in columns 8 to 72, every statement a data
// description entry. Tolerant rules read the dialects copybooks come in: free or
// fixed form with a chosen right margin, "*>" comments, compiler directives and
// listing statements (EJECT, SKIP1, TITLE, CBL, ...) skipped, and COPY statements
// expanded from the folders of the copy path. A value, copied by whoever reads with it;
// the member source it names stays its owner's.
#ifndef LYRA_PARSE_CCB_SOURCE_RULES_H_
#define LYRA_PARSE_CCB_SOURCE_RULES_H_

#include <cstdint>
#include <string>
#include <vector>

class CCBMemberSource;

// The right margin of the classic fixed form: the last column of the content area.
const int CLASSIC_MARGIN = 72;
// The first column of the content area of the fixed form; a margin before it reads
// nothing.
const int FIXED_CONTENT_COLUMN = 8;
// The most COPY members one load opens, and the most characters their statements add
// up to, unless the rules set other limits.
const int MAX_COPY_MEMBERS = 10000;
const int64_t MAX_COPY_TEXT = 16 * 1024 * 1024;

struct CCBSourceRules {
  bool tolerant = false;              // every rule below applies only with it
  bool freeForm = false;              // free form from the first line, until a >>SOURCE directive
  int margin = CLASSIC_MARGIN;        // fixed form: the last column read; 0: the whole line
  std::vector<std::string> copyPath;  // COPY member folders, after the includer's own
  const CCBMemberSource* members = nullptr;  // where members are read; null: the file system
  int maxCopyMembers = MAX_COPY_MEMBERS;
  int64_t maxCopyText = MAX_COPY_TEXT;
};

#endif  // LYRA_PARSE_CCB_SOURCE_RULES_H_
