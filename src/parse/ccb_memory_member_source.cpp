#include "parse/ccb_memory_member_source.h"

std::vector<std::string> CCBMemoryMemberSource::list(const std::string& folder) const {
  std::vector<std::string> names;
  for (const auto& member : members_) {
    const std::string& path = member.first;
    if (folderOf(path) == folder) names.push_back(path.substr(path.rfind('/') + 1));
  }
  return names;
}

bool CCBMemoryMemberSource::open(const std::string& path, CCBSourceReader& reader,
                                 QvbString& error) const {
  const auto member = members_.find(path);
  if (member == members_.end()) {
    error = qvbStringFormat("Cannot open file '%s': no such member", path.c_str());
    return false;
  }
  reader.openMemory(member->second.data(), member->second.size());
  return true;
}
