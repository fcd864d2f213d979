#include "parse/ccb_copybook_source.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "parse/ccb_copy_statement.h"

namespace {

// Endings tried after a member's name, in this order.
const char* const MEMBER_ENDINGS[] = {"", ".cpy", ".cbl", ".cob"};

const char ENTER_MESSAGE[] = "COPY FILE: ";
const char LEAVE_MESSAGE[] = "END COPY FILE: ";

std::string upperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool isFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder of a file's path: "." for a name without one.
std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The name in a folder; an absolute name, or the current folder, gives the name itself.
std::string inFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder == "." || name[0] == '/') return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The path with every link and "." or ".." resolved; the path itself when it
// cannot be resolved.
std::string identityOf(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string identity(resolved);
  free(resolved);
  return identity;
}

std::string listed(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += (text.empty() ? "" : ", ") + folder;
  return text;
}

}  // namespace

CCBCopybookSource::CCBCopybookSource(CCBSourceReader& main, const QvbString& mainFile,
                                     const CCBSourceRules& rules, LYRADebugCallback* callback)
    : main_(main),
      mainFile_(mainFile.isNull() ? std::string() : mainFile.str()),
      mainIdentity_(mainFile_.empty() ? std::string() : identityOf(mainFile_)),
      rules_(rules),
      callback_(callback) {}

bool CCBCopybookSource::readStatement(bool& failed) {
  for (;;) {
    CCBSourceReader& reader = current();
    if (reader.readStatement(failed)) return deliver(failed);
    if (failed) {
      error_ = reader.getErrorMessage();
      return false;
    }
    if (members_.empty()) return false;
    leaveMember();
  }
}

// Counts a member's statement against the limit and applies the member's REPLACING.
bool CCBCopybookSource::deliver(bool& failed) {
  if (members_.empty()) return true;
  Member& member = members_.back();
  const std::string text = member.reader->getStatementText().str();
  memberText_ += static_cast<int64_t>(text.size());
  std::string replaced = text;
  if (memberText_ > MAX_COPY_TEXT) {
    error_ = qvbStringFormat("COPY members expand to more than %lld characters",
                             static_cast<long long>(MAX_COPY_TEXT));
  } else if (member.replacing.apply(replaced, error_)) {
    if (replaced != text) member.reader->setStatement(QvbString(replaced.c_str()));
    return true;
  }
  failed = true;
  return false;
}

void CCBCopybookSource::leaveMember() {
  debug(LEAVE_MESSAGE + members_.back().path);
  members_.pop_back();
}

bool CCBCopybookSource::atCopyStatement() const {
  const CCBSourceReader& reader = members_.empty() ? main_ : *members_.back().reader;
  return rules_.tolerant && reader.getTokenCount() > 0 && !reader.isLiteral(0) &&
         reader.getToken(0).compare("COPY", false) == 0;
}

bool CCBCopybookSource::include(QvbString& error) {
  CCBCopyStatement copy;
  std::string path;
  if (!copy.parse(current().getStatementText().str(), error) ||
      !findMember(copy.member(), &path, error)) {
    return false;
  }
  const std::string identity = identityOf(path);
  if (!checkLimits(copy.member(), identity, error)) return false;
  Member member{std::make_unique<CCBSourceReader>(), path, identity, copy.replacing()};
  member.reader->setRules(rules_);
  if (!member.reader->open(QvbString(path.c_str()))) {
    error = member.reader->getErrorMessage();
    return false;
  }
  ++opened_;
  members_.push_back(std::move(member));
  debug(ENTER_MESSAGE + path);
  return true;
}

// The includer's own folder first, when it has one, then the copy path, each
// folder once.
std::vector<std::string> CCBCopybookSource::searchFolders() const {
  std::vector<std::string> folders;
  const std::string& includer = members_.empty() ? mainFile_ : members_.back().path;
  if (!includer.empty()) folders.push_back(folderOf(includer));
  for (const std::string& folder : rules_.copyPath) {
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  }
  return folders;
}

bool CCBCopybookSource::findMember(const std::string& name, std::string* path,
                                   QvbString& error) const {
  const std::vector<std::string> folders = searchFolders();
  for (const std::string& folder : folders) {
    for (const char* ending : MEMBER_ENDINGS) {
      const std::string written = name + ending;
      for (const std::string& candidate : {written, upperCase(written), lowerCase(written)}) {
        *path = inFolder(folder, candidate);
        if (isFile(*path)) return true;
      }
    }
  }
  error = folders.empty()
              ? qvbStringFormat("COPY member not found: %s (no folder to search)", name.c_str())
              : qvbStringFormat("COPY member not found: %s (searched: %s)", name.c_str(),
                                listed(folders).c_str());
  return false;
}

bool CCBCopybookSource::checkLimits(const std::string& name, const std::string& identity,
                                    QvbString& error) const {
  bool cycle = identity == mainIdentity_;
  for (const Member& member : members_) cycle = cycle || identity == member.identity;
  if (cycle) {
    error = qvbStringFormat("COPY member includes itself: %s (%s)", name.c_str(), identity.c_str());
  } else if (members_.size() >= static_cast<size_t>(MAX_COPY_DEPTH)) {
    error =
        qvbStringFormat("COPY members nested more than %d deep: %s", MAX_COPY_DEPTH, name.c_str());
  } else if (opened_ >= MAX_COPY_MEMBERS) {
    error = qvbStringFormat("More than %d COPY members in one copybook", MAX_COPY_MEMBERS);
  } else {
    return true;
  }
  return false;
}

int CCBCopybookSource::line() const {
  return members_.empty() ? main_.getLineCount() : members_.back().reader->getLineCount();
}

QvbString CCBCopybookSource::currentFile() const {
  if (!members_.empty()) return QvbString(members_.back().path.c_str());
  return QvbString(mainFile_.empty() ? nullptr : mainFile_.c_str());
}

void CCBCopybookSource::debug(const std::string& message) const {
  if (callback_ != nullptr) callback_->debugMessage(QvbString(message.c_str()));
}
