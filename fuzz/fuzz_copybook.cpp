// Feeds arbitrary bytes to the copybook parser as copybook text held in memory, once
// by the classic rules and once by the tolerant rules of the extended services (with
// no copy path, so that every COPY member is missing), then saves whatever layout
// each builds as an XML layout document and reads that back with the same options: a
// layout parsed from a copybook must survive the save with its columns (names, types
// and lengths) unchanged.
#include <cstdint>
#include <cstdlib>

#include "interface/ccb_layout_loader.h"

namespace {

bool sameColumn(const CCBOutputEntry& a, const CCBOutputEntry& b) {
  return a.getName().compare(b.getName(), true) == 0 && a.getOutputType() == b.getOutputType() &&
         a.getOutputLength() == b.getOutputLength();
}

bool sameColumns(const CCBDataRoot& a, const CCBDataRoot& b) {
  if (a.getColumnCount() != b.getColumnCount()) return false;
  for (int i = 0; i < a.getColumnCount(); ++i) {
    if (!sameColumn(*a.getColumn(i), *b.getColumn(i))) return false;
  }
  return true;
}

// A loader by the classic rules, or by the options of an extended service.
void prepare(CCBLayoutLoader* loader, const CCBLayoutOptions* options) {
  if (options != nullptr) loader->setLayoutOptions(*options);
}

void checkLoad(const uint8_t* data, size_t size, const CCBLayoutOptions* options) {
  CCBLayoutLoader loader;
  prepare(&loader, options);
  CCBDataRoot* root = loader.readCopybookText(reinterpret_cast<const char*>(data), size);
  if (root == nullptr) return;
  QvbString xml;
  CCBLayoutLoader writer;
  writer.writeLayoutXml(xml, root);
  CCBLayoutLoader reader;
  prepare(&reader, options);
  CCBDataRoot* copy = reader.readLayoutXml(xml);
  if (copy == nullptr || !sameColumns(*root, *copy)) abort();
  delete copy;
  delete root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  checkLoad(data, size, nullptr);
  const CCBLayoutOptions tolerant;  // tolerant parsing, fixed form, margin 72
  checkLoad(data, size, &tolerant);
  return 0;
}
