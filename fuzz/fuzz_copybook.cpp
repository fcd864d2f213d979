// Feeds arbitrary bytes to the copybook parser as a copybook file, then walks and
// saves whatever layout it builds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "interface/ccb_layout_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char path[] = "/tmp/lyra_fuzz_copybook_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 0;
  const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  if (written) {
    CCBLayoutLoader loader;
    CCBDataRoot* root = loader.readCopybook(path);
    if (root != nullptr) {
      QvbString xml;
      CCBLayoutLoader writer;
      writer.writeLayoutXml(xml, root);
      delete root;
    }
  }
  unlink(path);
  return 0;
}
