#include "py_layout.h"

#include <cstdio>

#include "py_options.h"

namespace py = pybind11;

namespace {

// The names of the output types 2, 3 and 4, by type.
const char* const TYPE_NAMES[] = {"", "", "integer", "real", "string"};
const int LAST_TYPE = 4;

const size_t HEAD_BYTES = 256;  // read to tell a document from a copybook

}  // namespace

bool isLayoutDocument(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  unsigned char head[HEAD_BYTES];
  const size_t count = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  size_t i = count >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF ? 3 : 0;
  while (i < count && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) {
    ++i;
  }
  return i < count && head[i] == '<';
}

PyLayout::PyLayout(const std::string& path, const py::dict& options)
    : service_(createCCBLayoutService()) {
  if (service_ == nullptr) throw std::bad_alloc();
  service_->setLayoutOptions(layoutOptionsFrom(options));
  const bool loaded = isLayoutDocument(path) ? service_->loadLayoutFile(path.c_str())
                                             : service_->loadCopybook(path.c_str());
  if (!loaded) throw py::value_error(path + ": " + messageText(service_->getErrorMessage()));
}

py::list PyLayout::columns() {
  py::list columns;
  for (int i = 0; i < service_->getOutputCount(); ++i) {
    QvbString name;
    int type = 0, length = 0;
    service_->getOutputInfo(i, name, type, length);
    const char* typeName = type >= 0 && type <= LAST_TYPE ? TYPE_NAMES[type] : "";
    columns.append(py::make_tuple(name.str(), typeName, length));
  }
  return columns;
}

std::string PyLayout::toXml() {
  QvbString xml;
  if (!service_->saveLayoutXml(xml)) {
    throw py::value_error(messageText(service_->getErrorMessage()));
  }
  return xml.str();
}
