#include "parse/ccb_member_source.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> CCBFileMemberSource::list(const std::string& folder) const {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
  }
  closedir(dir);
  return names;
}

bool CCBFileMemberSource::isFile(const std::string& path) const {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CCBFileMemberSource::open(const std::string& path, CCBSourceReader& reader,
                               QvbString& error) const {
  if (reader.open(QvbString(path.c_str()))) return true;
  error = reader.getErrorMessage();
  return false;
}

// The path itself when it cannot be resolved.
std::string CCBFileMemberSource::identity(const std::string& path) const {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string identity(resolved);
  free(resolved);
  return identity;
}
