#include "reader_setup.h"

namespace {

// Every layout must read bytes, and the written one must have columns too: records
// of no bytes cannot be read.
bool hasFields(CCBReader* reader, int layout, bool active) {
  return reader->getRecordLength(layout) > 0 && (!active || reader->getOutputCount() > 0);
}

}  // namespace

ReaderPtr createReader(const ReadOptions& options, std::string* error) {
  ReaderPtr reader(createCCBReader());
  if (reader == nullptr) {
    *error = "cannot create a record reader";
    return nullptr;
  }
  if (options.layouts.size() > 1 &&
      !reader->setIdentifierField(options.idOffset, options.idClauses.c_str())) {
    *error = "--id-field: " + messageText(reader->getErrorMessage());
    return nullptr;
  }
  return reader;
}

bool openDataFile(CCBReader* reader, const ReadOptions& options, int recordLength,
                  std::string* error) {
  if (reader->openDataFile(options.dataFile.c_str(), options.skip, options.fixedLength,
                           !options.ebcdic, recordLength)) {
    return true;
  }
  *error = options.dataFile + ": " + messageText(reader->getErrorMessage());
  return false;
}

ReaderPtr openReader(const ReadOptions& options, LYRADebugCallback* callback, std::string* error) {
  ReaderPtr reader = createReader(options, error);
  if (reader == nullptr) return nullptr;
  // Copybook parsing already reports to the callback.
  for (size_t i = 0; i < options.layouts.size(); ++i) {
    const bool active = i == options.activeLayout;
    if (!addCheckedLayout(reader.get(), options.layouts[i], active, callback, error)) {
      return nullptr;
    }
    if (!hasFields(reader.get(), static_cast<int>(i), active)) {
      *error = noFieldsMessage(options.layouts[i].path);
      return nullptr;
    }
  }
  if (!openDataFile(reader.get(), options, options.recordLength, error)) return nullptr;
  return reader;
}
