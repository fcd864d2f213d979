// CCBMemberSource is where the COPY members of a copybook are read from: it lists
// the files of a folder, opens one of them for a source reader and names the file a
// path stands for, so that a member that includes itself is known whatever path it
// was found by. CCBFileMemberSource reads the file system, for the services; the
// copybook fuzz target reads members it holds in memory (CCBMemoryMemberSource).
//
// A source holds no state that a load changes: one source may serve any number of
// loads, one thread at a time. Whoever passes a source to a load keeps it alive until
// the load ends, and a reader opened by it reads text the source owns.
#ifndef LYRA_PARSE_CCB_MEMBER_SOURCE_H_
#define LYRA_PARSE_CCB_MEMBER_SOURCE_H_

#include <string>
#include <vector>

#include "lyra/qvb_string.h"
#include "parse/ccb_source_reader.h"

class CCBMemberSource {
 public:
  virtual ~CCBMemberSource() = default;

  // The names of the entries of folder, in no particular order; none when the
  // folder cannot be read.
  virtual std::vector<std::string> list(const std::string& folder) const = 0;
  // Whether path names a file that open() can read (not a folder).
  virtual bool isFile(const std::string& path) const = 0;
  // Opens the file at path in reader; false with the reason in error.
  virtual bool open(const std::string& path, CCBSourceReader& reader, QvbString& error) const = 0;
  // The same text for every path to one file.
  virtual std::string identity(const std::string& path) const = 0;
};

// Members from the file system; a file's identity is its path with every link and
// "." or ".." resolved.
class CCBFileMemberSource final : public CCBMemberSource {
 public:
  std::vector<std::string> list(const std::string& folder) const override;
  bool isFile(const std::string& path) const override;
  bool open(const std::string& path, CCBSourceReader& reader, QvbString& error) const override;
  std::string identity(const std::string& path) const override;
};

// The folder of a path: the text before its last '/', "/" for a path right under
// it, "." for a name without a folder.
std::string folderOf(const std::string& path);

#endif  // LYRA_PARSE_CCB_MEMBER_SOURCE_H_
