#include "layout_source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hints.h"
#include "level_check.h"

bool detectLayoutKind(const std::string& path, LayoutKind* kind, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  unsigned char head[256];
  const size_t count = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  size_t i = count >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF ? 3 : 0;
  while (i < count && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) {
    ++i;
  }
  *kind = i < count && head[i] == '<' ? LAYOUT_XML : LAYOUT_COPYBOOK;
  return true;
}

namespace {

// The layout service reports nothing while it parses, so a reader of its own parses
// the copybook once more for its level numbers, with the service's layout options:
// without them it would refuse items the service takes, or read them otherwise.
bool copybookLevelsValid(const std::string& path, const CCBLayoutOptions& options,
                         std::string* error) {
  RecordReaderPtr reader(createCCBRecordReader());
  if (reader == nullptr) return true;  // the load itself fails then
  reader->setLayoutOptions(options);
  LevelCheck check(nullptr);
  reader->setDebugCallback(&check);
  reader->addCopybook(path.c_str(), QvbString(""), true);
  reader->setDebugCallback(nullptr);
  return check.levelsValid(path, error);
}

}  // namespace

bool loadLayout(CCBLayoutService* service, const std::string& path, std::string* error) {
  LayoutKind kind;
  if (!detectLayoutKind(path, &kind, error)) return false;
  if (kind == LAYOUT_COPYBOOK && !copybookLevelsValid(path, service->getLayoutOptions(), error)) {
    return false;
  }
  const bool loaded = kind == LAYOUT_XML ? service->loadLayoutFile(path.c_str())
                                         : service->loadCopybook(path.c_str());
  if (!loaded) {
    const std::string hint =
        kind == LAYOUT_COPYBOOK ? layoutHint(path, service->getLayoutOptions()) : "";
    *error = withHint(path + ": " + messageText(service->getErrorMessage()), hint);
    return false;
  }
  if (service->getOutputCount() > 0) return true;
  *error = noFieldsMessage(path);
  return false;
}

std::string noFieldsMessage(const std::string& path) {
  return path + ": the layout has no fields";
}

// A file is read as what its content is, whichever option named it.
bool addLayout(CCBReader* reader, const LayoutSource& source, bool makeActive, std::string* error) {
  const QvbString path(source.path.c_str());
  const QvbString id(source.id.c_str());
  LayoutKind kind = source.kind;
  std::string unreadable;  // the add itself says why
  if (source.xml.empty()) detectLayoutKind(source.path, &kind, &unreadable);
  bool added = false;
  if (!source.xml.empty()) {
    added = reader->addLayoutXml(source.xml.c_str(), id, makeActive);
  } else {
    added = kind == LAYOUT_XML ? reader->addLayoutFile(path, id, makeActive)
                               : reader->addCopybook(path, id, makeActive);
  }
  if (!added) *error = source.path + ": " + messageText(reader->getErrorMessage());
  return added;
}

// With a debug callback the reader also formats a line for every field it decodes,
// so the check is the reader's callback only while the layout is added.
bool addCheckedLayout(CCBReader* reader, const LayoutSource& source, bool makeActive,
                      LYRADebugCallback* callback, std::string* error) {
  LevelCheck check(callback);
  reader->setDebugCallback(&check);
  const bool added = addLayout(reader, source, makeActive, error);
  reader->setDebugCallback(callback);
  return check.levelsValid(source.path, error) && added;  // the level wins over any failure
}

std::vector<std::string> layoutFiles(CCBRecordReader* reader) {
  std::vector<std::string> files;
  for (int layout = 0; layout < reader->getCopybookCount(); ++layout) {
    for (int i = 0; i < reader->getLayoutFileCount(layout); ++i) {
      files.push_back(reader->getLayoutFile(layout, i).str());
    }
  }
  return files;
}

std::vector<std::string> layoutFiles(CCBLayoutService* service) {
  std::vector<std::string> files;
  for (int i = 0; i < service->getLayoutFileCount(); ++i) {
    files.push_back(service->getLayoutFile(i).str());
  }
  return files;
}

std::string messageText(const QvbString& message) {
  std::string text = message.str();
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}
