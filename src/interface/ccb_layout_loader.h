// CCBLayoutLoader runs one load or save of a layout: it parses a copybook, or
// reads or writes an XML layout document (through CCBLayoutDocument), completes the
// tree it read, and keeps the message of the step that failed. It is created on the
// stack for one call and destroyed at its end; the tree a read returns belongs to
// the caller, and a write leaves its tree unchanged.
#ifndef LYRA_INTERFACE_CCB_LAYOUT_LOADER_H_
#define LYRA_INTERFACE_CCB_LAYOUT_LOADER_H_

#include <cstdint>

#include "layout/ccb_data_root.h"
#include "lyra/ccb_layout_options.h"
#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_string.h"
#include "parse/ccb_source_rules.h"

class CCBLayoutDocument;

class CCBLayoutLoader {
 public:
  CCBLayoutLoader();
  CCBLayoutLoader(const CCBLayoutLoader&) = delete;
  CCBLayoutLoader& operator=(const CCBLayoutLoader&) = delete;

  // Parses a copybook into a complete layout (source file recorded, output columns
  // built); null with a message "<reason>, Line: <n>\n" on failure, or "<reason>,
  // Line: <n> in <file>\n" when it failed inside a COPY member or at a COPY
  // statement (the line is then one of that file).
  CCBDataRoot* readCopybook(const QvbString& fileName);
  // The same for copybook text of size bytes at data; no source file is recorded.
  CCBDataRoot* readCopybookText(const char* data, size_t size);
  // Read an XML layout document into a complete layout; null on failure. Layout
  // options the document records (attributes of its root node) take the place of
  // the loader's.
  CCBDataRoot* readLayoutFile(const QvbString& fileName);
  CCBDataRoot* readLayoutXml(const QvbString& xml);
  // Write the layout as an XML layout document, which records the layout options it
  // was built with where they are not the defaults.
  bool writeLayoutFile(const QvbString& fileName, CCBDataRoot* root);
  bool writeLayoutXml(QvbString& xml, CCBDataRoot* root);

  void setDebugCallback(LYRADebugCallback* callback) { debugCallback_ = callback; }
  // Where the copybook loads that follow read COPY members (null: the file system,
  // not owned) and how many members, and characters of their statements, one load
  // takes at most; for loads that must not touch the file system. Layout options set
  // before or after do not change them.
  void setMemberSource(const CCBMemberSource* source, int maxMembers = MAX_COPY_MEMBERS,
                       int64_t maxText = MAX_COPY_TEXT);
  // Makes the loads that follow those of an extended service, by these options;
  // without this call they follow the classic rules.
  void setLayoutOptions(const CCBLayoutOptions& options);
  QvbString getErrorMessage() const { return errorMessage_; }

 private:
  bool marginValid();
  CCBSourceRules sourceRules() const;  // the layout options' rules, with the member source
  CCBDataRoot* completeCopybook(CCBDataRoot* root, const QvbString& error, int line,
                                const QvbString& file);
  CCBDataRoot* completeLayout(CCBDataRoot* root);
  CCBDataRoot* completeDocument(CCBDataRoot* root, const CCBLayoutDocument& document);
  // False, with a message, when the furthest byte of the layout's records lies past
  // MAX_RECORD_LENGTH.
  bool withinReach(const CCBDataRoot* root);

  QvbString errorMessage_;
  LYRADebugCallback* debugCallback_ = nullptr;  // not owned
  CCBFormatRules formatRules_;
  CCBSourceRules sourceRules_;
  const CCBMemberSource* memberSource_ = nullptr;  // not owned
  int maxCopyMembers_ = MAX_COPY_MEMBERS;
  int64_t maxCopyText_ = MAX_COPY_TEXT;
  CCBLayoutOptions layoutOptions_;
};

#endif  // LYRA_INTERFACE_CCB_LAYOUT_LOADER_H_
