// Feeds arbitrary bytes to the XML layout reader, then saves and re-reads what it
// accepts: a layout that was read must write and read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "interface/ccb_layout_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CCBLayoutLoader loader;
  CCBDataRoot* root = loader.readLayoutXml(QvbString(text.c_str()));
  if (root == nullptr) return 0;
  QvbString xml;
  CCBLayoutLoader writer;
  writer.writeLayoutXml(xml, root);
  CCBLayoutLoader again;
  CCBDataRoot* copy = again.readLayoutXml(xml);
  if (copy == nullptr || copy->getColumnCount() != root->getColumnCount()) abort();
  delete copy;
  delete root;
  return 0;
}
