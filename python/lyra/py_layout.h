// PyLayout is the binding's layout: one lyra layout service (CCBLayoutService) that
// holds the layout of a copybook or of an XML layout document, told apart by their
// content as the lyra tool does (a document starts with '<'). It owns the service
// and releases it when it goes. A layout that cannot be loaded raises ValueError
// with lyra's message. One Python thread uses a layout at a time.
#ifndef LYRA_PYTHON_PY_LAYOUT_H_
#define LYRA_PYTHON_PY_LAYOUT_H_

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

#include <lyra/lyra.h>

class PyLayout {
 public:
  // Loads the layout at path with the layout options of the dictionary (see
  // layoutOptionsFrom).
  PyLayout(const std::string& path, const pybind11::dict& options);
  PyLayout(const PyLayout&) = delete;
  PyLayout& operator=(const PyLayout&) = delete;

  // (name, type, length) of each column, type "integer", "real" or "string".
  pybind11::list columns();
  int recordLength() { return service_->getRecordLength(); }
  std::string toXml();

 private:
  struct Release {
    void operator()(CCBLayoutService* service) const { service->release(); }
  };
  std::unique_ptr<CCBLayoutService, Release> service_;
};

// Whether the file at path holds an XML layout document rather than a copybook: its
// first character after a byte order mark and blanks is '<'.
bool isLayoutDocument(const std::string& path);

#endif  // LYRA_PYTHON_PY_LAYOUT_H_
