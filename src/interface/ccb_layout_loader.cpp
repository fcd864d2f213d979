#include "interface/ccb_layout_loader.h"

#include "layout/ccb_layout_map.h"
#include "parse/parse_copybook.h"
#include "persist/ccb_layout_document.h"

CCBLayoutLoader::CCBLayoutLoader() {
  errorMessage_.setNull();
}

void CCBLayoutLoader::setLayoutOptions(const CCBLayoutOptions& options) {
  layoutOptions_ = options;
  formatRules_.floatFormat = options.getFloatFormat();
  formatRules_.nationalUtf16 = options.getNationalUtf16();
  formatRules_.odoMax = options.getOdoLayout() == CCB_ODO_MAX;
  formatRules_.extended = true;
  formatRules_.tolerant = !options.getStrict();
  formatRules_.doubleByte = !options.getStrict();
  sourceRules_ = CCBSourceRules();
  if (options.getStrict()) return;
  sourceRules_.tolerant = true;
  sourceRules_.freeForm = options.getSourceFormat() == CCB_SOURCE_FREE;
  sourceRules_.margin = options.getMargin();
  for (int i = 0; i < options.getCopyPathCount(); ++i) {
    sourceRules_.copyPath.push_back(options.getCopyPath(i).str());
  }
}

void CCBLayoutLoader::setMemberSource(const CCBMemberSource* source, int maxMembers,
                                      int64_t maxText) {
  memberSource_ = source;
  maxCopyMembers_ = maxMembers;
  maxCopyText_ = maxText;
}

CCBSourceRules CCBLayoutLoader::sourceRules() const {
  CCBSourceRules rules = sourceRules_;
  rules.members = memberSource_;
  rules.maxCopyMembers = maxCopyMembers_;
  rules.maxCopyText = maxCopyText_;
  return rules;
}

CCBDataRoot* CCBLayoutLoader::readCopybook(const QvbString& fileName) {
  if (!marginValid()) return nullptr;
  QvbString error;
  QvbString file;
  int line = 0;
  CCBDataRoot* root =
      parseCopybook(fileName, error, line, debugCallback_, formatRules_, sourceRules(), &file);
  if (root != nullptr) root->setSourceFile(fileName);
  return completeCopybook(root, error, line, file);
}

CCBDataRoot* CCBLayoutLoader::readCopybookText(const char* data, size_t size) {
  if (!marginValid()) return nullptr;
  QvbString error;
  QvbString file;
  int line = 0;
  CCBDataRoot* root = parseCopybookText(data, size, error, line, debugCallback_, formatRules_,
                                        sourceRules(), &file);
  return completeCopybook(root, error, line, file);
}

// A margin before the content area would read nothing of any fixed-form line.
bool CCBLayoutLoader::marginValid() {
  const int margin = sourceRules_.margin;
  if (margin == 0 || margin >= FIXED_CONTENT_COLUMN) return true;
  errorMessage_ = qvbStringFormat(
      "Invalid margin %d: the last column read must be %d or more, or 0 for none, Line: 0\n",
      margin, FIXED_CONTENT_COLUMN);
  return false;
}

CCBDataRoot* CCBLayoutLoader::completeCopybook(CCBDataRoot* root, const QvbString& error, int line,
                                               const QvbString& file) {
  if (root == nullptr && file.isNull()) {
    errorMessage_ = qvbStringFormat("%s, Line: %d\n", error.asCstr(), line);
  } else if (root == nullptr) {
    errorMessage_ = qvbStringFormat("%s, Line: %d in %s\n", error.asCstr(), line, file.asCstr());
  } else {
    return completeLayout(root);
  }
  return nullptr;
}

CCBDataRoot* CCBLayoutLoader::readLayoutFile(const QvbString& fileName) {
  CCBLayoutDocument document;
  CCBDataRoot* root = completeDocument(document.readFile(fileName, formatRules_), document);
  if (root != nullptr) root->addInputFile(fileName);
  return root;
}

CCBDataRoot* CCBLayoutLoader::readLayoutXml(const QvbString& xml) {
  CCBLayoutDocument document;
  return completeDocument(document.readXml(xml, formatRules_), document);
}

bool CCBLayoutLoader::writeLayoutFile(const QvbString& fileName, CCBDataRoot* root) {
  CCBLayoutDocument document;
  if (document.writeFile(fileName, root)) return true;
  errorMessage_ = document.getErrorMessage();
  return false;
}

bool CCBLayoutLoader::writeLayoutXml(QvbString& xml, CCBDataRoot* root) {
  CCBLayoutDocument document;
  if (document.writeXml(xml, root)) return true;
  errorMessage_ = document.getErrorMessage();
  return false;
}

// The tree a document read gave, completed; null with the document's message when
// the read failed.
CCBDataRoot* CCBLayoutLoader::completeDocument(CCBDataRoot* root,
                                               const CCBLayoutDocument& document) {
  if (root != nullptr) return completeLayout(root);
  errorMessage_ = document.getErrorMessage();
  return nullptr;
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
  if (root->layTablesAtMaximum()) return root;
  errorMessage_ = QvbString("Out of memory while loading the layout");
  delete root;
  return nullptr;
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
