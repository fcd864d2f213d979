// CCBMemoryMemberSource holds COPY members as texts in memory, each under a path
// ("lib/ADDR.cpy"), for loads that must not touch the file system (the copybook fuzz
// target). A path's folder is the text before its last '/'; a file's identity is
// its path. It owns the texts; readers it opens read them in place, so the source
// outlives them and gains no member while they read.
#ifndef LYRA_PARSE_CCB_MEMORY_MEMBER_SOURCE_H_
#define LYRA_PARSE_CCB_MEMORY_MEMBER_SOURCE_H_

#include <map>
#include <string>
#include <vector>

#include "parse/ccb_member_source.h"

class CCBMemoryMemberSource final : public CCBMemberSource {
 public:
  // Adds the member at path, replacing one already there.
  void add(const std::string& path, const std::string& text) { members_[path] = text; }

  std::vector<std::string> list(const std::string& folder) const override;
  bool isFile(const std::string& path) const override { return members_.count(path) != 0; }
  bool open(const std::string& path, CCBSourceReader& reader, QvbString& error) const override;
  std::string identity(const std::string& path) const override { return path; }

 private:
  std::map<std::string, std::string> members_;  // by path
};

#endif  // LYRA_PARSE_CCB_MEMORY_MEMBER_SOURCE_H_
