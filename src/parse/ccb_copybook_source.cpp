#include "parse/ccb_copybook_source.h"

#include <strings.h>

#include <algorithm>
#include <utility>

#include "parse/ccb_copy_statement.h"

namespace {

// Endings a member's name may be written without, in the order a file named
// exactly so is taken.
const char* const MEMBER_ENDINGS[] = {"", ".cpy", ".cbl", ".cob"};

const char ENTER_MESSAGE[] = "COPY FILE: ";
const char LEAVE_MESSAGE[] = "END COPY FILE: ";

// The name in a folder; an absolute name, or the current folder, gives the name itself.
std::string inFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder == "." || name[0] == '/') return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Whether the entry is the member name, with one of the endings or none, without
// regard to letter case.
bool matchesMember(const std::string& entry, const std::string& name) {
  if (entry.size() < name.size() || strncasecmp(entry.c_str(), name.c_str(), name.size()) != 0) {
    return false;
  }
  for (const char* ending : MEMBER_ENDINGS) {
    if (strcasecmp(entry.c_str() + name.size(), ending) == 0) return true;
  }
  return false;
}

// "a, b and c".
std::string listed(const std::vector<std::string>& items, const char* last) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == items.size() ? last : ", ") + items[i];
  }
  return text;
}

}  // namespace

CCBCopybookSource::CCBCopybookSource(CCBSourceReader& main, const QvbString& mainFile,
                                     const CCBSourceRules& rules, LYRADebugCallback* callback)
    : main_(main),
      source_(rules.members != nullptr ? *rules.members : files_),
      mainFile_(mainFile.isNull() ? std::string() : mainFile.str()),
      mainIdentity_(mainFile_.empty() ? std::string() : source_.identity(mainFile_)),
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
  const QvbString& text = member.reader->getStatementText();
  memberText_ += text.length();
  if (memberText_ > rules_.maxCopyText) {
    error_ = qvbStringFormat("COPY members expand to more than %lld characters",
                             static_cast<long long>(rules_.maxCopyText));
    failed = true;
    return false;
  }
  if (member.replacing.empty()) return true;
  std::string replaced = text.str();
  if (!member.replacing.apply(replaced, error_)) {
    failed = true;
    return false;
  }
  if (replaced != text.str()) member.reader->setStatement(QvbString(replaced.c_str()));
  return true;
}

// The member's reader is kept for the next member, with the room it has grown.
void CCBCopybookSource::leaveMember() {
  debug(LEAVE_MESSAGE, members_.back().path);
  members_.back().reader->close();
  spareReaders_.push_back(std::move(members_.back().reader));
  members_.pop_back();
}

bool CCBCopybookSource::atCopyStatement() const {
  const CCBSourceReader& reader = members_.empty() ? main_ : *members_.back().reader;
  return rules_.tolerant && reader.getTokenCount() > 0 && !reader.isLiteral(0) &&
         reader.token(0).length() == 4 && reader.token(0).compare("COPY", false) == 0;
}

bool CCBCopybookSource::include(QvbString& error) {
  CCBCopyStatement copy;
  std::string path;
  if (!copy.parse(current().getStatementText().str(), error) ||
      !findMember(copy.member(), &path, error)) {
    return false;
  }
  const std::string identity = source_.identity(path);
  if (!checkLimits(copy.member(), identity, error)) return false;
  Member member{spareReader(), path, identity, copy.replacing()};
  if (!source_.open(path, *member.reader, error)) {
    spareReaders_.push_back(std::move(member.reader));
    return false;
  }
  ++opened_;
  recordMember(member);
  members_.push_back(std::move(member));
  debug(ENTER_MESSAGE, path);
  return true;
}

std::unique_ptr<CCBSourceReader> CCBCopybookSource::spareReader() {
  std::unique_ptr<CCBSourceReader> reader;
  if (spareReaders_.empty()) {
    reader = std::make_unique<CCBSourceReader>();
    reader->setRules(rules_);
  } else {
    reader = std::move(spareReaders_.back());
    spareReaders_.pop_back();
  }
  return reader;
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

// A member found once is found again without a search when the same copybook names it.
bool CCBCopybookSource::findMember(const std::string& name, std::string* path, QvbString& error) {
  std::string key = members_.empty() ? mainFile_ : members_.back().path;
  key.push_back('\0');
  key += name;
  const auto known = found_.find(key);
  if (known != found_.end()) {
    *path = known->second;
    return true;
  }
  const std::vector<std::string> folders = searchFolders();
  for (const std::string& folder : folders) {
    const Lookup lookup = findInFolder(folder, name, path, error);
    if (lookup == FOUND) found_.emplace(std::move(key), *path);
    if (lookup != NOT_FOUND) return lookup == FOUND;
  }
  error = folders.empty()
              ? qvbStringFormat("COPY member not found: %s (no folder to search)", name.c_str())
              : qvbStringFormat("COPY member not found: %s (searched: %s)", name.c_str(),
                                listed(folders, ", ").c_str());
  return false;
}

// A name that holds a folder ("sub/ADDR") is looked up in that folder of folder.
CCBCopybookSource::Lookup CCBCopybookSource::findInFolder(const std::string& folder,
                                                          const std::string& name,
                                                          std::string* path, QvbString& error) {
  const std::string whole = inFolder(folder, name);
  const std::string where = folderOf(whole);
  const std::string base = whole.substr(whole.rfind('/') + 1);
  const std::vector<std::string>& entries = listing(where);
  for (const char* ending : MEMBER_ENDINGS) {
    const std::string exact = base + ending;
    if (std::find(entries.begin(), entries.end(), exact) != entries.end() &&
        source_.isFile(inFolder(where, exact))) {
      *path = inFolder(where, exact);
      return FOUND;
    }
  }
  std::vector<std::string> matches;
  for (const std::string& entry : entries) {
    if (matchesMember(entry, base) && source_.isFile(inFolder(where, entry))) {
      matches.push_back(inFolder(where, entry));
    }
  }
  if (matches.empty()) return NOT_FOUND;
  if (matches.size() == 1) {
    *path = matches[0];
    return FOUND;
  }
  std::sort(matches.begin(), matches.end());
  error = qvbStringFormat("COPY member %s is ambiguous: %s", name.c_str(),
                          listed(matches, " and ").c_str());
  return AMBIGUOUS;
}

// The entries of a folder, listed once per load.
const std::vector<std::string>& CCBCopybookSource::listing(const std::string& folder) {
  for (const auto& listed : listings_) {
    if (listed.first == folder) return listed.second;
  }
  listings_.emplace_back(folder, source_.list(folder));
  return listings_.back().second;
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
  } else if (opened_ >= rules_.maxCopyMembers) {
    error = qvbStringFormat("More than %d COPY members in one copybook", rules_.maxCopyMembers);
  } else {
    return true;
  }
  return false;
}

void CCBCopybookSource::recordMember(const Member& member) {
  if (memberIdentities_.insert(member.identity).second) memberFiles_.push_back(member.path);
}

int CCBCopybookSource::line() const {
  return members_.empty() ? main_.getLineCount() : members_.back().reader->getLineCount();
}

QvbString CCBCopybookSource::currentFile() const {
  if (!members_.empty()) return QvbString(members_.back().path.c_str());
  return QvbString(mainFile_.empty() ? nullptr : mainFile_.c_str());
}

void CCBCopybookSource::debug(const char* message, const std::string& path) const {
  if (callback_ != nullptr) callback_->debugMessage(QvbString((message + path).c_str()));
}
