// A host program that uses lyra as an installed package: it includes only the
// umbrella header, lists the columns of a copybook and checks the error texts of a
// service that holds no layout.
#include <lyra/lyra.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  CCBMain* service = createCCBMain();
  if (service == nullptr) return 1;
  QvbString xml;
  if (service->saveLayoutXml(xml) || service->getRoot() != nullptr) return 1;
  std::printf("empty: %s\n", service->getErrorMessage().asCstr());
  if (!service->loadCopybook(argv[1])) {
    std::printf("load failed: %s", service->getErrorMessage().asCstr());
    service->release();
    return 1;
  }
  for (int i = 0; i < service->getOutputCount(); ++i) {
    QvbString name;
    int type = 0;
    int length = 0;
    service->getOutputInfo(i, name, type, length);
    std::printf("%d %s type=%d length=%d\n", i, name.asCstr(), type, length);
  }
  service->release();
  return 0;
}
