#include "interface/ccb_layout_loader.h"

#include "parse/parse_copybook.h"

CCBLayoutLoader::CCBLayoutLoader() {
  errorMessage_.setNull();
}

CCBDataRoot* CCBLayoutLoader::readCopybook(const QvbString& fileName) {
  QvbString error;
  int line = 0;
  CCBDataRoot* root = parseCopybook(fileName, error, line, debugCallback_);
  if (root == nullptr) {
    errorMessage_ = qvbStringFormat("%s, Line: %d\n", error.asCstr(), line);
    return nullptr;
  }
  root->setSourceFile(fileName);
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
