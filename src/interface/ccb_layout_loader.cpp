#include "interface/ccb_layout_loader.h"

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
// limits, otherwise builds its output columns.
CCBDataRoot* CCBLayoutLoader::completeLayout(CCBDataRoot* root) {
  if (!root->checkLimits()) {
    errorMessage_ = root->getErrorMessage();
    delete root;
    return nullptr;
  }
  root->buildOutputColumns();
  return root;
}
