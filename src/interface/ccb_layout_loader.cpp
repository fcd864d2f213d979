#include "interface/ccb_layout_loader.h"

#include "layout/ccb_layout_map.h"
#include "parse/parse_copybook.h"

CCBLayoutLoader::CCBLayoutLoader() {
  errorMessage_.setNull();
}

void CCBLayoutLoader::setLayoutOptions(const CCBLayoutOptions& options) {
  layoutOptions_ = options;
  formatRules_.floatFormat = options.getFloatFormat();
  formatRules_.nationalUtf16 = options.getNationalUtf16();
  formatRules_.extended = true;
  formatRules_.tolerant = !options.getStrict();
}

CCBDataRoot* CCBLayoutLoader::readCopybook(const QvbString& fileName) {
  QvbString error;
  int line = 0;
  CCBDataRoot* root = parseCopybook(fileName, error, line, debugCallback_, formatRules_);
  if (root != nullptr) root->setSourceFile(fileName);
  return completeCopybook(root, error, line);
}

CCBDataRoot* CCBLayoutLoader::readCopybookText(const char* data, size_t size) {
  QvbString error;
  int line = 0;
  return completeCopybook(parseCopybookText(data, size, error, line, debugCallback_, formatRules_),
                          error, line);
}

CCBDataRoot* CCBLayoutLoader::completeCopybook(CCBDataRoot* root, const QvbString& error,
                                               int line) {
  if (root == nullptr) {
    errorMessage_ = qvbStringFormat("%s, Line: %d\n", error.asCstr(), line);
    return nullptr;
  }
  return completeLayout(root);
}

// Resolves a layout that was read completely: refuses it when it exceeds the
// limits, otherwise builds its output columns. The extended services read records
// as far as their redefining items reach, so that reach is held to the limit too.
CCBDataRoot* CCBLayoutLoader::completeLayout(CCBDataRoot* root) {
  if (!root->checkLimits()) {
    errorMessage_ = root->getErrorMessage();
    delete root;
    return nullptr;
  }
  if (formatRules_.extended && !withinReach(root)) {
    delete root;
    return nullptr;
  }
  root->buildOutputColumns();
  return root;
}

bool CCBLayoutLoader::withinReach(const CCBDataRoot* root) {
  CCBLayoutMap map;
  if (!map.build(root, false)) {
    errorMessage_ = QvbString("Out of memory while loading the layout");
    return false;
  }
  if (map.getRecordLength() <= MAX_RECORD_LENGTH) return true;
  errorMessage_ =
      qvbStringFormat("Record length exceeds the maximum of %d bytes", MAX_RECORD_LENGTH);
  return false;
}
