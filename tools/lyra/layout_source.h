// Where a layout comes from: a COBOL copybook or an XML layout document, given by
// file name, and the record identifier value that marks its records in a data file
// of several record types. Also the loading of a layout file of either kind, told
// apart by its content, into a layout service, and into a record reader, and the
// reader's owning pointer.
#ifndef LYRA_TOOLS_LAYOUT_SOURCE_H_
#define LYRA_TOOLS_LAYOUT_SOURCE_H_

#include <memory>
#include <string>
#include <vector>

#include <lyra/lyra.h>

enum LayoutKind {
  LAYOUT_COPYBOOK,
  LAYOUT_XML,
};

struct ReleaseReader {
  void operator()(CCBReader* reader) const { reader->release(); }
};
using RecordReaderPtr = std::unique_ptr<CCBRecordReader, ReleaseReader>;

struct LayoutSource {
  LayoutKind kind;
  std::string path;
  std::string id;   // empty when none was given
  std::string xml;  // an XML layout document's text given in place of the file, or empty
};

// An XML layout document starts with '<' after an optional byte order mark and
// blanks; anything else is read as a copybook. False when the file cannot be read.
bool detectLayoutKind(const std::string& path, LayoutKind* kind, std::string* error);

// The message for a layout that loads but has no field to read or write: an empty
// copybook, or one whose only items repeat no times.
std::string noFieldsMessage(const std::string& path);

// Loads the layout file, of either kind, into the service with its layout options;
// a layout without output columns, or a copybook with a level number above 99, is
// refused.
bool loadLayout(CCBLayoutService* service, const std::string& path, std::string* error);

// Adds the layout to the reader with its identifier value.
bool addLayout(CCBReader* reader, const LayoutSource& source, bool makeActive, std::string* error);

// Adds the layout as addLayout does, and refuses a copybook with a level number above
// 99. Its parsing is reported to the callback (may be null), which is the reader's
// callback afterwards. REQUIRES: no data file open in the reader, since a layout
// added to a reading reader keeps the callback of that moment.
bool addCheckedLayout(CCBReader* reader, const LayoutSource& source, bool makeActive,
                      LYRADebugCallback* callback, std::string* error);

// The files the layouts of the reader, or the service's, were read from: copybooks,
// XML layout documents and the COPY members they included.
std::vector<std::string> layoutFiles(CCBRecordReader* reader);
std::vector<std::string> layoutFiles(CCBLayoutService* service);

// A library message as one line: without the line end some messages carry.
std::string messageText(const QvbString& message);

#endif  // LYRA_TOOLS_LAYOUT_SOURCE_H_
