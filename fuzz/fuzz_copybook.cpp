// Feeds arbitrary bytes to the copybook parser as copybook text held in memory,
// then saves whatever layout it builds as an XML layout document and reads that
// back: a layout parsed from a copybook must survive the save with its columns
// (names, types and lengths) unchanged.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CCBLayoutLoader loader;
  CCBDataRoot* root = loader.readCopybookText(reinterpret_cast<const char*>(data), size);
  if (root == nullptr) return 0;
  QvbString xml;
  CCBLayoutLoader writer;
  writer.writeLayoutXml(xml, root);
  CCBLayoutLoader reader;
  CCBDataRoot* copy = reader.readLayoutXml(xml);
  if (copy == nullptr || !sameColumns(*root, *copy)) abort();
  delete copy;
  delete root;
  return 0;
}
