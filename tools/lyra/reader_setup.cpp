#include "reader_setup.h"

#include <unistd.h>

#include "hints.h"

namespace {

// Every layout must read bytes, and the written one must have columns too: records
// of no bytes cannot be read.
bool hasFields(CCBReader* reader, int layout, bool active) {
  return reader->getRecordLength(layout) > 0 && (!active || reader->getOutputCount() > 0);
}

}  // namespace

RecordReaderPtr createReader(const ReadOptions& options, std::string* error) {
  RecordReaderPtr reader(createCCBRecordReader());
  if (reader == nullptr) {
    *error = "cannot create a record reader";
    return nullptr;
  }
  reader->setLayoutOptions(options.layout);
  const bool identified = options.layouts.size() > 1 || !options.segments.empty();
  if (identified && !reader->setIdentifierField(options.idOffset, options.idClauses.c_str())) {
    *error = "--id-field: " + messageText(reader->getErrorMessage());
    return nullptr;
  }
  return reader;
}

RecordReaderPtr prepareReader(const ReadOptions& options, LYRADebugCallback* callback,
                              std::string* error) {
  RecordReaderPtr reader = createReader(options, error);
  if (reader == nullptr) return nullptr;
  for (size_t i = 0; i < options.layouts.size(); ++i) {
    const bool active = i == options.activeLayout;
    const LayoutSource& source = options.layouts[i];
    if (!addCheckedLayout(reader.get(), source, active, callback, error)) {
      LayoutKind kind = source.kind;
      std::string unreadable;
      const bool copybook = source.xml.empty() &&
                            detectLayoutKind(source.path, &kind, &unreadable) &&
                            kind == LAYOUT_COPYBOOK;
      *error = withHint(*error, copybook ? layoutHint(source.path, options.layout) : "");
      return nullptr;
    }
    if (!hasFields(reader.get(), static_cast<int>(i), active)) {
      *error = noFieldsMessage(options.layouts[i].path);
      return nullptr;
    }
  }
  if (!options.indexFile.empty() && !reader->setIndexFile(options.indexFile.c_str())) {
    *error = "--index: " + messageText(reader->getErrorMessage());
    return nullptr;
  }
  for (const auto& [item, id] : options.segments) {
    if (!reader->addSegment(item.c_str(), id.c_str())) {
      *error = "--segment " + item + "=" + id + ": " + messageText(reader->getErrorMessage());
      return nullptr;
    }
  }
  for (const ChildLink& link : options.children) {
    if (!reader->addChildLayout(link.parent.c_str(), link.child.c_str())) {
      *error = "--child " + link.parent + "=" + link.child + ": " +
               messageText(reader->getErrorMessage());
      return nullptr;
    }
  }
  return reader;
}

RecordReaderPtr openReader(const ReadOptions& options, LYRADebugCallback* callback,
                           std::string* error) {
  RecordReaderPtr reader = prepareReader(options, callback, error);
  if (reader == nullptr) return nullptr;
  if (options.dataBytes == nullptr && options.dataFile != STANDARD_INPUT &&
      !checkSkip(options.dataFile, options.records.skip, error)) {
    return nullptr;
  }
  if (!openInput(reader.get(), options, readerOptions(options))) {
    *error = dataFileName(options) + ": " + messageText(reader->getErrorMessage());
    return nullptr;
  }
  return reader;
}

bool openInput(CCBRecordReader* reader, const ReadOptions& options,
               const CCBReadOptions& readOptions) {
  if (options.dataBytes != nullptr) {
    return reader->openDataMemory(options.dataBytes, options.dataSize, readOptions);
  }
  if (options.dataFile == STANDARD_INPUT) {
    return reader->openDataDescriptor(STDIN_FILENO, readOptions);
  }
  return reader->openData(options.dataFile.c_str(), readOptions);
}

std::string recordFailure(const ReadOptions& options, int64_t number, int64_t offset,
                          const QvbString& reason) {
  return dataFileName(options) + ": record " + (number >= 0 ? std::to_string(number) + " " : "") +
         "at byte offset " + std::to_string(offset) + ": " + messageText(reason);
}

std::string readerFailure(const ReadOptions& options, CCBRecordReader* reader) {
  return recordFailure(options, reader->getRecordNumber(), reader->getRecordOffset(),
                       reader->getErrorMessage());
}
